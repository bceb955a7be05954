// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

// The two design values fixed in the window that shape its pages at start-up.
struct WindowVariants {
    int window = 0;  // 0 standard pages, 1 with the product page, 2 with the positioning page
    int band = 1;    // frequency lists: 1 2400-2524 MHz, 0 387-464 MHz
};

// What the shell and the dispatch need of a parameter page (or sub-page). Each page owns its
// controls, their rules and its query and set operations; the shell reaches it only
// through this interface and a few accessors named after what they do.
class ParameterPage {
  public:
    virtual ~ParameterPage() = default;

    // "查询参数" and "设置参数" while the page shows.
    virtual void query() = 0;
    virtual void set() = 0;
    // "默认参数" while the page's tab shows: fixed values into the page's own controls, no
    // library call and no log line.
    virtual void applyDefaultSet() {}
    // How long the window waits after this page's set, whatever the set reported.
    virtual int pauseAfterSetMs() const { return 0; }
    // The window is shown for the first time: fill the lists that depend on the variants.
    virtual void formShow(const WindowVariants& /*variants*/) {}

  protected:
    ParameterPage() = default;
    ParameterPage(const ParameterPage&) = default;
    ParameterPage& operator=(const ParameterPage&) = default;
};
