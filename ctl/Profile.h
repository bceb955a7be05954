// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

// Profiles: a partial configuration kept in version control, a YAML or JSON mapping of field
// keys to values as show prints them ("buzzer: off", "wiegand_protocol: Wiegand 26"). Every
// value is checked against the parameter model when the file is read; a fault names the file,
// line and column.

#include "Fields.h"

#include <string>
#include <string_view>
#include <vector>

namespace ctl {

enum class ProfileFormat { Yaml, Json };

// Whether path names a profile (.yaml, .yml or .json) rather than a batch text.
bool isProfilePath(std::string_view path);

// The profile's assignments in the order written. YAML and JSON booleans mean "on" and "off",
// numbers their decimal text. Throws UsageError "FILE:LINE:COLUMN: ..." for a malformed file,
// a value that is not a single word or number, an unknown key, a key given twice, an identity
// field or a value the field does not take; "FILE: ..." for a file that names no field.
std::vector<Assignment> parseProfile(std::string_view text, std::string_view fileName,
                                     ProfileFormat format);
// Reads and parses a profile; the format follows the file's extension. Throws UsageError.
std::vector<Assignment> loadProfile(const std::string& path);

}  // namespace ctl
