#pragma once

// The real window and the real library against a reader-sim process over loopback TCP.

#include "app/Main.h"
#include "tests/support/PageTestSupport.h"
#include "tests/support/SimProcess.h"

#include <QPushButton>

class SimWindow {
  public:
    // A window of the variant, connected over TCP to the simulator's port with any station.
    SimWindow(ReaderLibrary& library, quint16 port, int windowVariant = 0);
    ~SimWindow();  // disconnects
    SimWindow(const SimWindow&) = delete;
    SimWindow& operator=(const SimWindow&) = delete;

    bool connected() const;
    // Shows a page (and sub-page) as a click on its tab would, then empties the log.
    void showPage(int page, int subPage = 0);
    QStringList messages() const { return logMessages(*form.Memo1()); }
    void query() { form.BitBtn3()->click(); }
    void set() { form.BitBtn4()->click(); }

    TForm1 form;
    ScopedErrorReporter errors;
};
