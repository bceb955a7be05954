// SPDX-License-Identifier: LGPL-2.1-or-later
#include "ParameterDispatch.h"

#include "params/PageIndex.h"
#include "params/ParameterPage.h"
#include "widgets/ErrorReporting.h"
#include "widgets/Pause.h"
#include "widgets/WaitCursor.h"

#include <QTabWidget>

#include <algorithm>

PageOperation routeOperation(int page, int subPage) {
    switch (page) {
        case page::Product:
            return PageOperation::Product;
        case page::ReaderParameters:
            switch (subPage) {
                case 0:
                    return PageOperation::Basic;
                case 1:
                    return PageOperation::Extended;
                default:
                    return PageOperation::None;
            }
        case page::CommPort:
            return PageOperation::CommPort;
        case page::DataFormat:
            return PageOperation::DataFrame;
        case page::Rf:
            switch (subPage) {
                case 0:
                    return PageOperation::RfBasic;
                case 1:
                    return PageOperation::RfChannel1;
                case 2:
                    return PageOperation::RfChannel2;
                default:
                    return PageOperation::None;
            }
        case page::Positioning:
            return PageOperation::Positioning;
        default:
            return PageOperation::None;
    }
}

PageOperation routeDefaultSet(int page) {
    switch (page) {
        case page::Product:
            return PageOperation::Product;
        case page::ReaderParameters:
            return PageOperation::Basic;  // the buzzer, whichever sub-page shows
        case page::CommPort:
            return PageOperation::CommPort;
        case page::Positioning:
            return PageOperation::Positioning;
        default:
            return PageOperation::None;
    }
}

namespace {

// The busy cursor over some widgets for the lifetime of the guard, also when the
// operation is left by an exception.
class BusyCursor {
  public:
    explicit BusyCursor(const QList<QWidget*>& widgets) : widgets_(widgets) {
        for (QWidget* widget : widgets_) {
            widget->setCursor(Qt::WaitCursor);
        }
    }
    ~BusyCursor() {
        for (QWidget* widget : widgets_) {
            widget->unsetCursor();
        }
    }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

  private:
    QList<QWidget*> widgets_;
};

}  // namespace

ParameterDispatch::ParameterDispatch(Controls controls) : controls_(std::move(controls)) {}

void ParameterDispatch::registerPage(PageOperation operation, ParameterPage* page) {
    pages_[operation] = page;
}

ParameterPage* ParameterDispatch::page(PageOperation operation) const {
    const auto found = pages_.find(operation);
    return found == pages_.end() ? nullptr : found->second;
}

std::vector<ParameterPage*> ParameterDispatch::pages() const {
    std::vector<ParameterPage*> registered;
    for (const auto& [operation, page] : pages_) {
        if (page && std::find(registered.begin(), registered.end(), page) == registered.end()) {
            registered.push_back(page);
        }
    }
    return registered;
}

PageOperation ParameterDispatch::currentOperation() const {
    const int current = controls_.pageControl1->currentIndex();
    int subPage = -1;
    if (current == page::ReaderParameters && controls_.pageControl3) {
        subPage = controls_.pageControl3->currentIndex();
    } else if (current == page::Rf && controls_.pageControl4) {
        subPage = controls_.pageControl4->currentIndex();
    }
    return routeOperation(current, subPage);
}

void ParameterDispatch::query() {
    const WaitCursor waiting;
    const BusyCursor busy(controls_.busyWidgets);
    run(page(currentOperation()), true);
}

void ParameterDispatch::set() {
    const WaitCursor waiting;
    ParameterPage* current = page(currentOperation());
    if (run(current, false) && current && current->pauseAfterSetMs() > 0) {
        pauseFor(current->pauseAfterSetMs());
    }
}

void ParameterDispatch::defaults() {
    if (ParameterPage* selected = page(routeDefaultSet(controls_.pageControl1->currentIndex()))) {
        selected->applyDefaultSet();
    }
}

bool ParameterDispatch::run(ParameterPage* current, bool query) {
    if (!current) {
        return true;
    }
    // A conversion error must not reach the event loop: report it here, after the steps
    // before it were written and without a summary line.
    try {
        query ? current->query() : current->set();
    } catch (const ConversionError& error) {
        reportError(error.message());
        return false;
    }
    return true;
}
