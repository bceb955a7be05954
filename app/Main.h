// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include "params/PageIndex.h"
#include "params/ParameterDispatch.h"
#include "session/ReaderLibrary.h"
#include "widgets/OperationLog.h"

#include <QMainWindow>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class CommPortPage;
class ConnectionGroup;
class DataFormatPage;
class LazyPage;
class ParameterPage;
class PositioningPage;
class ProductPage;
class QKeyEvent;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class ReaderParametersPage;
class RfPage;
class TrafficMonitor;

namespace Ui {
class TForm1;
}

// The main window "读写器参数配置程序": the picture, the parameter pages, the connection
// group, the default/query/set/exit buttons, the operation log and the status bar. The pages
// own their controls and operations; this shell routes the buttons to them.
class TForm1 : public QMainWindow {
    Q_OBJECT
  public:
    // Page indices of PageControl1; a hidden page keeps its index.
    enum Page {
        ProductPageIndex = page::Product,
        ReaderParametersPageIndex = page::ReaderParameters,
        CommPortPageIndex = page::CommPort,
        DataFormatPageIndex = page::DataFormat,
        RfPageIndex = page::Rf,
        PositioningPageIndex = page::Positioning,
    };

    // windowVariant 0 shows the standard pages, 1 adds the product page, 2 shows the
    // positioning page in place of the communication-port page. bandVariant 1 fills the
    // 2400-2524 MHz frequency lists, 0 the 387-464 MHz ones.
    explicit TForm1(ReaderLibrary& library, int windowVariant = 0, int bandVariant = 1,
                    QWidget* parent = nullptr);
    ~TForm1() override;

    ReaderSession& session() { return session_; }
    OperationLog& log() { return log_; }
    int windowVariant() const { return windowVariant_; }
    int bandVariant() const { return bandVariant_; }

    QTabWidget* PageControl1() const;
    QTabWidget* PageControl2() const;
    QTabWidget* PageControl3() const;
    QTabWidget* PageControl4() const;
    // The pages; a page not built yet is built by its accessor.
    ProductPage* productPage() const;
    ReaderParametersPage* readerParametersPage() const { return readerParametersPage_; }
    CommPortPage* commPortPage() const;
    DataFormatPage* dataFormatPage() const;
    RfPage* rfPage() const;
    PositioningPage* positioningPage() const;
    ConnectionGroup* connectionGroup() const { return connectionGroup_; }
    // The traffic monitor (F2), made when first opened.
    TrafficMonitor* trafficMonitor();
    // The reader finder (F3) on the selected serial port; a reader chosen there sets the
    // station and rate boxes.
    void findReader();
    // Routes the default, query and set buttons to the active page.
    ParameterDispatch& parameterDispatch();

    QPlainTextEdit* Memo1() const;
    QPushButton* BitBtn1() const;
    QPushButton* BitBtn2() const;
    QPushButton* BitBtn3() const;
    QPushButton* BitBtn4() const;
    QPushButton* Button4() const;
    // The text of status bar panel 0, 1 or 2.
    QString statusPanelText(int panel) const;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Previews the keys of every control of the window before the control sees them.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FormShow();
    void FormClose();
    // True when the key was handled here and must not reach the focused control.
    bool FormKeyDown(const QKeyEvent& event);
    void PageControl1Change();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void Button4Click();

    void addPages();
    // Builds the page of a tab unless it exists: its widgets into the tab, the start-up
    // notice when the window has been shown, and the dispatch's view of its sub-pages.
    void buildPage(int index);
    // The parameter pages (the dispatch's view) on a tab, built or not.
    std::vector<ParameterPage*> parameterPagesOf(int index) const;
    void registerPages();
    // The dispatch's stand-in for an operation of the page on tab index, made once; page()
    // gives the built page's part that runs the operation.
    ParameterPage* standIn(PageOperation operation, int index,
                           const std::function<ParameterPage*()>& page);
    void createStatusPanels();
    void showPicture();

    std::unique_ptr<Ui::TForm1> ui_;
    ReaderSession session_;
    OperationLog log_;
    const int windowVariant_;
    const int bandVariant_;
    bool shown_ = false;
    bool formShown_ = false;  // the pages built so far have had their start-up notice

    ProductPage* productPage_ = nullptr;
    ReaderParametersPage* readerParametersPage_ = nullptr;
    CommPortPage* commPortPage_ = nullptr;
    DataFormatPage* dataFormatPage_ = nullptr;
    RfPage* rfPage_ = nullptr;
    PositioningPage* positioningPage_ = nullptr;
    ConnectionGroup* connectionGroup_ = nullptr;
    TrafficMonitor* trafficMonitor_ = nullptr;
    // The tabs of PageControl1; each holds its page once built.
    QWidget* pageHolders_[6] = {};
    QWidget* builtPages_[6] = {};
    // Stand-ins in the dispatch for the pages built on demand.
    std::map<PageOperation, std::unique_ptr<LazyPage>> lazyPages_;
    QLabel* statusPanels_[3] = {};
    std::unique_ptr<ParameterDispatch> parameterDispatch_;
};
