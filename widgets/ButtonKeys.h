// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

class QWidget;

// Enter (Return or the keypad's Enter) on a focused push button of the window presses it,
// as Space does. Buttons that take Enter themselves (a dialog's default and auto-default
// buttons) keep doing so, and Enter elsewhere is left to the focused control and the
// window. One call per window; the key handling lives as long as the window.
void pressFocusedButtonOnEnter(QWidget* window);
