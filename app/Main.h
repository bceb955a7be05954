// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include "params/PageIndex.h"
#include "session/ReaderLibrary.h"
#include "widgets/OperationLog.h"

#include <QMainWindow>

#include <memory>

class CommPortPage;
class ConnectionGroup;
class DataFormatPage;
class ParameterDispatch;
class PositioningPage;
class ProductPage;
class QKeyEvent;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class ReaderParametersPage;
class RfPage;

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
    ProductPage* productPage() const { return productPage_; }
    ReaderParametersPage* readerParametersPage() const { return readerParametersPage_; }
    CommPortPage* commPortPage() const { return commPortPage_; }
    DataFormatPage* dataFormatPage() const { return dataFormatPage_; }
    RfPage* rfPage() const { return rfPage_; }
    PositioningPage* positioningPage() const { return positioningPage_; }
    ConnectionGroup* connectionGroup() const { return connectionGroup_; }
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
    void registerPages();
    void createStatusPanels();
    void showPicture();

    std::unique_ptr<Ui::TForm1> ui_;
    ReaderSession session_;
    OperationLog log_;
    const int windowVariant_;
    const int bandVariant_;
    bool shown_ = false;

    ProductPage* productPage_ = nullptr;
    ReaderParametersPage* readerParametersPage_ = nullptr;
    CommPortPage* commPortPage_ = nullptr;
    DataFormatPage* dataFormatPage_ = nullptr;
    RfPage* rfPage_ = nullptr;
    PositioningPage* positioningPage_ = nullptr;
    ConnectionGroup* connectionGroup_ = nullptr;
    QLabel* statusPanels_[3] = {};
    std::unique_ptr<ParameterDispatch> parameterDispatch_;
};
