// SPDX-License-Identifier: LGPL-2.1-or-later
#include "Main.h"

#include "app/ConnectionGroup.h"
#include "app/HiddenPageGuard.h"
#include "app/JpegImage.h"
#include "app/PortDialog.h"
#include "batch/BatchDialog.h"
#include "params/BasicFunctionPage.h"
#include "params/CommPortPage.h"
#include "params/DataFormatPage.h"
#include "params/ExtendedFunctionPage.h"
#include "params/ParameterDispatch.h"
#include "params/ParameterPage.h"
#include "params/PositioningPage.h"
#include "params/ProductPage.h"
#include "params/ReaderParametersPage.h"
#include "params/RfBasicPage.h"
#include "params/RfChannelPage.h"
#include "params/RfPage.h"
#include "ui_Main.h"
#include "widgets/ButtonKeys.h"
#include "widgets/ProgramRandom.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>

namespace {

constexpr int kClientWidth = 728;
constexpr int kClientHeight = 498;
constexpr int kStatusBarHeight = 20;
constexpr int kStatusPanelWidths[3] = {70, 65, 50};

std::unique_ptr<Ui::TForm1> setUpUi(QMainWindow* window) {
    auto ui = std::make_unique<Ui::TForm1>();
    ui->setupUi(window);
    return ui;
}

}  // namespace

TForm1::TForm1(ReaderLibrary& library, int windowVariant, int bandVariant, QWidget* parent)
    : QMainWindow(parent),
      ui_(setUpUi(this)),
      session_(library),
      log_(ui_->Memo1),
      windowVariant_(windowVariant),
      bandVariant_(bandVariant) {
    // Fixed single border with the system menu and the minimise box only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(kClientWidth, kClientHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }

    // Hidden pages stay out of reach, whatever selects a page.
    HiddenPageGuard* pageGuard = HiddenPageGuard::install(ui_->PageControl1);
    showPicture();
    addPages();
    registerPages();
    createStatusPanels();

    connectionGroup_ = new ConnectionGroup(session_, log_, ui_->centralwidget);
    connectionGroup_->setGeometry(14, 124, 164, 155);
    connect(connectionGroup_, &ConnectionGroup::statusTextChanged, this,
            [this](int panel, const QString& text) { statusPanels_[panel]->setText(text); });
    connect(connectionGroup_, &ConnectionGroup::connectionChanged, this, [this](bool connected) {
        ui_->BitBtn3->setEnabled(connected);
        ui_->BitBtn4->setEnabled(connected);
    });

    // Buttons with glyphs, kept small so that the captions fit the designed widths.
    const struct {
        QPushButton* button;
        QStyle::StandardPixmap glyph;
    } glyphs[] = {{ui_->BitBtn1, QStyle::SP_BrowserReload},
                  {ui_->BitBtn3, QStyle::SP_ArrowDown},
                  {ui_->BitBtn4, QStyle::SP_ArrowUp},
                  {ui_->BitBtn2, QStyle::SP_DialogResetButton}};
    for (const auto& [button, glyph] : glyphs) {
        button->setIcon(style()->standardIcon(glyph));
        button->setIconSize(QSize(12, 12));
    }

    // The right-hand buttons lie in front of the tab area.
    for (QWidget* button : {ui_->BitBtn1, ui_->BitBtn3, ui_->BitBtn4, ui_->Button4}) {
        button->raise();
    }
    setTabOrder(ui_->PageControl1, connectionGroup_);

    connect(pageGuard, &HiddenPageGuard::pageChanged, this, &TForm1::PageControl1Change);
    connect(ui_->BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
    connect(ui_->BitBtn2, &QPushButton::clicked, this, &TForm1::BitBtn2Click);
    connect(ui_->BitBtn3, &QPushButton::clicked, this, &TForm1::BitBtn3Click);
    connect(ui_->BitBtn4, &QPushButton::clicked, this, &TForm1::BitBtn4Click);
    connect(ui_->Button4, &QPushButton::clicked, this, &TForm1::Button4Click);

    // The window sees every key before the focused control (F1 works wherever the focus is).
    qApp->installEventFilter(this);
    pressFocusedButtonOnEnter(this);
}

TForm1::~TForm1() {
    qApp->removeEventFilter(this);
}

QTabWidget* TForm1::PageControl1() const {
    return ui_->PageControl1;
}
QTabWidget* TForm1::PageControl2() const {
    return dataFormatPage_->PageControl2();
}
QTabWidget* TForm1::PageControl3() const {
    return readerParametersPage_->PageControl3();
}
QTabWidget* TForm1::PageControl4() const {
    return rfPage_->PageControl4();
}
QPlainTextEdit* TForm1::Memo1() const {
    return ui_->Memo1;
}
QPushButton* TForm1::BitBtn1() const {
    return ui_->BitBtn1;
}
QPushButton* TForm1::BitBtn2() const {
    return ui_->BitBtn2;
}
QPushButton* TForm1::BitBtn3() const {
    return ui_->BitBtn3;
}
QPushButton* TForm1::BitBtn4() const {
    return ui_->BitBtn4;
}
QPushButton* TForm1::Button4() const {
    return ui_->Button4;
}

QString TForm1::statusPanelText(int panel) const {
    return statusPanels_[panel]->text();
}

void TForm1::showPicture() {
    QFile file(QStringLiteral(":/app/logo.jpg"));
    if (file.open(QIODevice::ReadOnly)) {
        ui_->Image1->setPixmap(QPixmap::fromImage(decodeJpeg(file.readAll())));
    }
}

void TForm1::addPages() {
    QTabWidget* pages = ui_->PageControl1;
    // Tabs light up under the mouse where the style supports it.
    pages->tabBar()->setAttribute(Qt::WA_Hover);
    productPage_ = new ProductPage(session_, log_);
    readerParametersPage_ = new ReaderParametersPage(session_, log_);
    commPortPage_ = new CommPortPage(session_, log_);
    dataFormatPage_ = new DataFormatPage(session_, log_);
    rfPage_ = new RfPage(session_, log_);
    positioningPage_ = new PositioningPage(session_, log_);
    pages->addTab(productPage_, tr("产品参数"));
    pages->addTab(readerParametersPage_, tr("读写器参数"));
    pages->addTab(commPortPage_, tr("通信口参数"));
    pages->addTab(dataFormatPage_, tr("数据格式"));
    pages->addTab(rfPage_, tr("射频参数"));
    pages->addTab(positioningPage_, tr("Kelvarn"));
}

void TForm1::createStatusPanels() {
    QStatusBar* bar = ui_->StatusBar1;
    bar->setFixedHeight(kStatusBarHeight);
    for (int panel = 0; panel < 3; ++panel) {
        auto* label = new QLabel(bar);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(panel));
        label->setFixedWidth(kStatusPanelWidths[panel]);
        label->setAlignment(panel < 2 ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        bar->addWidget(label);
        statusPanels_[panel] = label;
    }
    statusPanels_[0]->setText(tr("COM1:关闭"));
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TForm1::FormShow() {
    // Pages selected from here run no page-change reaction.
    const QSignalBlocker blockPages(ui_->PageControl1);
    QTabWidget* pages = ui_->PageControl1;

    log_.clear();
    PageControl3()->setCurrentIndex(0);
    log_.append(tr("程序正常运行 !"));

    switch (windowVariant_) {
        case 0:
            pages->setTabVisible(ProductPageIndex, false);
            pages->setTabVisible(PositioningPageIndex, false);
            pages->setCurrentIndex(ReaderParametersPageIndex);
            break;
        case 1:
            pages->setTabVisible(ProductPageIndex, true);
            pages->setTabVisible(PositioningPageIndex, false);
            pages->setCurrentIndex(ProductPageIndex);
            break;
        case 2:
            pages->setTabVisible(ProductPageIndex, false);
            pages->setTabVisible(CommPortPageIndex, false);
            pages->setTabVisible(PositioningPageIndex, true);
            pages->setCurrentIndex(ReaderParametersPageIndex);
            break;
        default:
            break;
    }

    connectionGroup_->ComboBox1Change();
    PageControl4()->setCurrentIndex(0);
    const WindowVariants variants{windowVariant_, bandVariant_};
    for (ParameterPage* page : parameterDispatch_->pages()) {
        page->formShow(variants);
    }
    seedProgramRandom();
}

void TForm1::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

void TForm1::FormClose() {
    if (connectionGroup_->isConnected()) {
        connectionGroup_->restoreRateAndClose();
    }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this) {
        return FormKeyDown(*static_cast<QKeyEvent*>(event));
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TForm1::FormKeyDown(const QKeyEvent& event) {
    if (event.key() != Qt::Key_F1) {
        return false;
    }
    const Qt::KeyboardModifiers modifiers =
        event.modifiers() &
        (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (modifiers == Qt::ShiftModifier) {
        TForm3 dialog(session_.library(), this);
        dialog.setTag(session_.handle());
        dialog.exec();
    } else {
        TForm2::choosePort(session_.library(), this);
    }
    return true;
}

void TForm1::PageControl1Change() {
    ui_->BitBtn4->setEnabled(ui_->BitBtn3->isEnabled());
    if (ui_->PageControl1->currentIndex() == CommPortPageIndex) {
        commPortPage_->QueryMacAddress();
    }
}

void TForm1::registerPages() {
    ParameterDispatch::Controls controls;
    controls.pageControl1 = ui_->PageControl1;
    controls.pageControl3 = PageControl3();
    controls.pageControl4 = PageControl4();
    controls.busyWidgets = {ui_->BitBtn3, ui_->BitBtn4, ui_->Button4};
    parameterDispatch_ = std::make_unique<ParameterDispatch>(controls);
    ParameterDispatch& dispatch = *parameterDispatch_;
    // One line a page: the operation the routing table names and the page that runs it.
    dispatch.registerPage(PageOperation::Product, productPage_);
    dispatch.registerPage(PageOperation::Basic, readerParametersPage_->basicFunctionPage());
    dispatch.registerPage(PageOperation::Extended, readerParametersPage_->extendedFunctionPage());
    dispatch.registerPage(PageOperation::CommPort, commPortPage_);
    dispatch.registerPage(PageOperation::DataFrame, dataFormatPage_);
    dispatch.registerPage(PageOperation::RfBasic, rfPage_->rfBasicPage());
    dispatch.registerPage(PageOperation::RfChannel1, rfPage_->rfChannel1Page());
    dispatch.registerPage(PageOperation::RfChannel2, rfPage_->rfChannel2Page());
    dispatch.registerPage(PageOperation::Positioning, positioningPage_);
}

ParameterDispatch& TForm1::parameterDispatch() {
    return *parameterDispatch_;
}

void TForm1::BitBtn1Click() {
    parameterDispatch().defaults();
}

void TForm1::BitBtn2Click() {
    log_.clear();
}

void TForm1::BitBtn3Click() {
    parameterDispatch().query();
}

void TForm1::BitBtn4Click() {
    parameterDispatch().set();
}

void TForm1::Button4Click() {
    close();
}
