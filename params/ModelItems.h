// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

// The model's texts in the window: its list items in the window's language.

#include "model/Codec.h"

class QComboBox;

// English while the English translation is installed, else Chinese.
model::Language windowLanguage();
// The model's context for the window: its language and the band of its frequency lists.
model::Context windowContext(int bandVariant = model::kDefaultBandVariant);

// Replaces the list's items by the model's and selects the first.
void fillItems(QComboBox* list, const model::List& items,
               const model::Context& context = windowContext());
