// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <initializer_list>

class QComboBox;
class QLineEdit;
class QWidget;

// The enabling rules: dependent controls are enabled exactly while their option is on.
void enableAll(std::initializer_list<QWidget*> widgets, bool enabled);

// Moves the focus on to the next control in tab order after the edit once it holds `length`
// characters, so a run of short edits (MAC pairs, codes) is typed without Tab. A text put in
// by code (a query) moves it too, as typing would; an edit that is not showing moves nothing.
void moveFocusOnWhenFull(QLineEdit* edit, int length);

// Fills a list with the whole numbers first to last and selects the first.
void fillNumbers(QComboBox* list, int first, int last);
