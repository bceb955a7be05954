// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

// The real window and the real library against a reader-sim process over loopback TCP. The
// window calls the library off the GUI thread, as the program does.

#include "app/Main.h"
#include "app/OffThreadReaderLibrary.h"
#include "tests/support/PageTestSupport.h"
#include "tests/support/SimProcess.h"

#include <QPushButton>

class SimWindow {
  public:
    // A window of the variant, connected over TCP to the simulator's port with any station.
    SimWindow(ReaderLibrary& library, quint16 port, int windowVariant = 0);
    // A window connected over a serial link ("COM1") with any station; point READER_COM1 at
    // the simulator's pseudo-terminal first.
    SimWindow(ReaderLibrary& library, const QString& serialLink, int windowVariant = 0);
    ~SimWindow();  // disconnects
    SimWindow(const SimWindow&) = delete;
    SimWindow& operator=(const SimWindow&) = delete;

    bool connected() const;
    // Shows a page (and sub-page) as a click on its tab would, then empties the log.
    void showPage(int page, int subPage = 0);
    QStringList messages() const { return logMessages(*form.Memo1()); }
    void query() { form.BitBtn3()->click(); }
    void set() { form.BitBtn4()->click(); }

  private:
    OffThreadReaderLibrary offThread_;

  public:
    TForm1 form;
    ScopedErrorReporter errors;

  private:
    // Picks the link box's item as the user does, connects and empties the log.
    void connectLink(int linkIndex);
};
