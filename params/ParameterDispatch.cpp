#include "ParameterDispatch.h"

#include "app/ErrorReporting.h"
#include "params/BasicFunctionPage.h"
#include "params/DefaultSets.h"

#include <QTabWidget>
#include <QThread>

PageOperation routeOperation(int page, int subPage) {
    switch (page) {
        case 0:
            return PageOperation::Product;
        case 1:
            switch (subPage) {
                case 0:
                    return PageOperation::Basic;
                case 1:
                    return PageOperation::Extended;
                default:
                    return PageOperation::None;
            }
        case 2:
            return PageOperation::CommPort;
        case 3:
            return PageOperation::DataFrame;
        case 4:
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
        case 5:
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

ParameterDispatch::ParameterDispatch(Controls controls, ParameterPages pages)
    : controls_(std::move(controls)), pages_(pages), sleeper_([](int milliseconds) {
          QThread::msleep(static_cast<unsigned long>(milliseconds));
      }) {}

PageOperation ParameterDispatch::currentOperation() const {
    const int page = controls_.pageControl1->currentIndex();
    int subPage = -1;
    if (page == 1 && controls_.pageControl3) {
        subPage = controls_.pageControl3->currentIndex();
    } else if (page == 4 && controls_.pageControl4) {
        subPage = controls_.pageControl4->currentIndex();
    }
    return routeOperation(page, subPage);
}

void ParameterDispatch::query() {
    const BusyCursor busy(controls_.busyWidgets);
    run(currentOperation(), true);
}

void ParameterDispatch::set() {
    const PageOperation operation = currentOperation();
    if (run(operation, false) && operation == PageOperation::CommPort) {
        sleeper_(kCommPortSetPauseMs);
    }
}

void ParameterDispatch::defaults() {
    applyDefaultSet(defaultSetForPage(controls_.pageControl1->currentIndex()), pages_);
}

bool ParameterDispatch::run(PageOperation operation, bool query) {
    // A conversion error must not reach the event loop: report it here, after the steps
    // before it were written and without a summary line.
    try {
        switch (operation) {
            case PageOperation::Basic:
                if (pages_.basic) {
                    query ? pages_.basic->QueryBasicParameters()
                          : pages_.basic->SetBasicParameters();
                }
                break;
            // The other pages' operations are added with those pages.
            case PageOperation::Product:
            case PageOperation::Extended:
            case PageOperation::CommPort:
            case PageOperation::DataFrame:
            case PageOperation::RfBasic:
            case PageOperation::RfChannel1:
            case PageOperation::RfChannel2:
            case PageOperation::Positioning:
            case PageOperation::None:
                break;
        }
    } catch (const ConversionError& error) {
        reportError(error.message());
        return false;
    }
    return true;
}
