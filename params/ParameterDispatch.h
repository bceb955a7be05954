// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <QList>

#include <map>
#include <vector>

class ParameterPage;
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

// The page whose default set "默认参数" puts in while a main page shows: each main page
// selects the set whose controls it shows, so a press never resets what the user does not see.
PageOperation routeDefaultSet(int page);

// The query, set and default buttons of the main window ("查询参数", "设置参数",
// "默认参数"). Keeps no state between presses; every message comes from the page operation.
class ParameterDispatch {
  public:
    struct Controls {
        QTabWidget* pageControl1 = nullptr;
        QTabWidget* pageControl3 = nullptr;  // sub-pages of page 1
        QTabWidget* pageControl4 = nullptr;  // sub-pages of page 4
        // Show the busy cursor during a query: "查询参数", "设置参数" and "退出".
        QList<QWidget*> busyWidgets;
    };

    explicit ParameterDispatch(Controls controls);

    // The page that runs an operation; an operation without a page runs nothing.
    void registerPage(PageOperation operation, ParameterPage* page);
    ParameterPage* page(PageOperation operation) const;
    // Every registered page once, in the order of the routing table.
    std::vector<ParameterPage*> pages() const;

    void query();     // BitBtn3Click
    void set();       // BitBtn4Click
    void defaults();  // BitBtn1Click

    PageOperation currentOperation() const;

  private:
    // Runs the page's query or set; false when it stopped on a text that is not a number
    // (already reported).
    bool run(ParameterPage* page, bool query);

    Controls controls_;
    std::map<PageOperation, ParameterPage*> pages_;
};
