// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <QApplication>

// The busy cursor over the whole application for the lifetime of the guard (an operation
// that talks to the reader), also when the operation is left by an exception. The window
// keeps painting while the reader is called, so the cursor stays busy wherever it is moved.
class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};
