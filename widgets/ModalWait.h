// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

class QEventLoop;

// Runs a local event loop on the GUI thread until it quits: painting, timers and posted
// non-input events go on, but no user input reaches any widget (neither from the window
// system, which holds it back until the loop ends, nor posted, which is dropped), so nothing
// the user does re-enters the operation waiting here.
void execWithoutUserInput(QEventLoop& loop);
