#pragma once

#include "params/ParameterPages.h"

#include <QList>

#include <functional>

class QTabWidget;
class QWidget;

// The page operation that the query and set buttons run.
enum class PageOperation {
    None,
    Product,
    Basic,
    Extended,
    CommPort,
    DataFrame,
    RfBasic,
    RfChannel1,
    RfChannel2,
    Positioning,
};

// Routes by the index of the main page (hidden pages counted) and, on pages 1 and 4, the
// index of their sub-page; subPage is ignored elsewhere.
PageOperation routeOperation(int page, int subPage);

// The query, set and default buttons of the main window ("查询参数", "设置参数",
// "默认参数"). Keeps no state between presses; every message comes from the page operation.
class ParameterDispatch {
  public:
    using Sleeper = std::function<void(int milliseconds)>;

    // Pause after the communication-port set, so the reader can take up its new ports
    // before the next request.
    static constexpr int kCommPortSetPauseMs = 1000;

    struct Controls {
        QTabWidget* pageControl1 = nullptr;
        QTabWidget* pageControl3 = nullptr;  // sub-pages of page 1
        QTabWidget* pageControl4 = nullptr;  // sub-pages of page 4
        // Show the busy cursor during a query: "查询参数", "设置参数" and "退出".
        QList<QWidget*> busyWidgets;
    };

    ParameterDispatch(Controls controls, ParameterPages pages);

    void query();     // BitBtn3Click
    void set();       // BitBtn4Click
    void defaults();  // BitBtn1Click

    PageOperation currentOperation() const;

    // The blocking pause; tests replace it to see the pause requested without waiting.
    void setSleeper(Sleeper sleeper) { sleeper_ = std::move(sleeper); }

  private:
    // Runs the operation's query or set; false when it stopped on a text that is not a
    // number (already reported).
    bool run(PageOperation operation, bool query);

    Controls controls_;
    ParameterPages pages_;
    Sleeper sleeper_;
};
