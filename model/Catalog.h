// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

// All named fields of the parameter memory, for the tools that go through them by key or by
// address.

#include "model/Parameter.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace model {

// Every named field, in address order, without overlaps.
std::span<const Parameter* const> allParameters();

// The field with that key, or null.
const Parameter* findParameter(std::string_view key);
// The keys closest to a key that names no field (edit distance), best first.
std::vector<std::string_view> closestKeys(std::string_view key, std::size_t count = 3);
// The named field that holds the byte at address, or null.
const Parameter* parameterAt(int address);

// Whether every byte of the field belongs to the reader itself (IdentityRule.h).
bool isIdentity(const Parameter& field);

}  // namespace model
