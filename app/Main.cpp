// SPDX-License-Identifier: LGPL-2.1-or-later
#include "Main.h"

#include "app/ConnectionGroup.h"
#include "app/FindReaderDialog.h"
#include "app/HiddenPageGuard.h"
#include "app/JpegImage.h"
#include "app/LazyPage.h"
#include "app/PortDialog.h"
#include "app/TrafficMonitor.h"
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
#include <QComboBox>
#include <QFile>
#include <QIcon>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>

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

    // Buttons with glyphs, kept small so that the captions fit the designed widths. The glyphs
    // are Qt's own images of the style's standard icons: asking the style looks each one up in
    // the desktop's icon theme first, a good part of the start-up.
    const struct {
        QPushButton* button;
        const char* image;
    } glyphs[] = {{ui_->BitBtn1, "refresh-24"},
                  {ui_->BitBtn3, "down-16"},
                  {ui_->BitBtn4, "up-16"},
                  {ui_->BitBtn2, "standardbutton-clear-16"}};
    for (const auto& [button, image] : glyphs) {
        // Read as PNG only: a reader left to guess loads every image plugin to ask.
        QImageReader glyph(
            QStringLiteral(":/qt-project.org/styles/commonstyle/images/%1.png").arg(image), "png");
        glyph.setAutoDetectImageFormat(false);
        button->setIcon(QIcon(QPixmap::fromImage(glyph.read())));
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
    return dataFormatPage()->PageControl2();
}
QTabWidget* TForm1::PageControl3() const {
    return readerParametersPage_->PageControl3();
}
QTabWidget* TForm1::PageControl4() const {
    return rfPage()->PageControl4();
}

// Building a page on demand changes nothing the caller can tell apart from a page built at
// start, so the accessors stay const.
ProductPage* TForm1::productPage() const {
    const_cast<TForm1*>(this)->buildPage(ProductPageIndex);
    return productPage_;
}
CommPortPage* TForm1::commPortPage() const {
    const_cast<TForm1*>(this)->buildPage(CommPortPageIndex);
    return commPortPage_;
}
DataFormatPage* TForm1::dataFormatPage() const {
    const_cast<TForm1*>(this)->buildPage(DataFormatPageIndex);
    return dataFormatPage_;
}
RfPage* TForm1::rfPage() const {
    const_cast<TForm1*>(this)->buildPage(RfPageIndex);
    return rfPage_;
}
PositioningPage* TForm1::positioningPage() const {
    const_cast<TForm1*>(this)->buildPage(PositioningPageIndex);
    return positioningPage_;
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
    const QString captions[] = {tr("产品参数"), tr("读写器参数"), tr("通信口参数"),
                                tr("数据格式"), tr("射频参数"),   tr("Kelvarn")};
    for (int index = 0; index < int(std::size(captions)); ++index) {
        auto* holder = new QWidget;
        auto* layout = new QVBoxLayout(holder);
        layout->setContentsMargins(0, 0, 0, 0);
        pageHolders_[index] = holder;
        pages->addTab(holder, captions[index]);
    }
    // Most of the window's controls lie on pages the user may never open: a page is built
    // when it is first selected or needed. The reader-parameter page is the start page of
    // two variants and its sub-page tabs route the dispatch, so it is there from the start.
    buildPage(ReaderParametersPageIndex);
}

void TForm1::buildPage(int index) {
    if (index < 0 || index >= int(std::size(builtPages_)) || builtPages_[index]) {
        return;
    }
    QWidget* page = nullptr;
    switch (index) {
        case ProductPageIndex:
            page = productPage_ = new ProductPage(session_, log_);
            break;
        case ReaderParametersPageIndex:
            page = readerParametersPage_ = new ReaderParametersPage(session_, log_);
            break;
        case CommPortPageIndex:
            page = commPortPage_ = new CommPortPage(session_, log_);
            break;
        case DataFormatPageIndex:
            page = dataFormatPage_ = new DataFormatPage(session_, log_);
            break;
        case RfPageIndex:
            page = rfPage_ = new RfPage(session_, log_);
            break;
        case PositioningPageIndex:
            page = positioningPage_ = new PositioningPage(session_, log_);
            break;
        default:
            return;
    }
    builtPages_[index] = page;
    QWidget* holder = pageHolders_[index];
    holder->layout()->addWidget(page);
    if (holder->isVisible()) {
        page->show();
    }
    if (index == RfPageIndex && parameterDispatch_) {
        registerPages();  // the dispatch now sees the sub-page tabs of page 4
    }
    if (formShown_) {
        const WindowVariants variants{windowVariant_, bandVariant_};
        for (ParameterPage* parameterPage : parameterPagesOf(index)) {
            parameterPage->formShow(variants);
        }
    }
}

std::vector<ParameterPage*> TForm1::parameterPagesOf(int index) const {
    switch (index) {
        case ProductPageIndex:
            return {productPage_};
        case ReaderParametersPageIndex:
            return {readerParametersPage_->basicFunctionPage(),
                    readerParametersPage_->extendedFunctionPage()};
        case CommPortPageIndex:
            return {commPortPage_};
        case DataFormatPageIndex:
            return {dataFormatPage_};
        case RfPageIndex:
            return {rfPage_->rfBasicPage(), rfPage_->rfChannel1Page(), rfPage_->rfChannel2Page()};
        case PositioningPageIndex:
            return {positioningPage_};
        default:
            return {};
    }
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
    if (rfPage_) {
        rfPage_->PageControl4()->setCurrentIndex(0);
    }
    const WindowVariants variants{windowVariant_, bandVariant_};
    for (ParameterPage* page : parameterDispatch_->pages()) {
        page->formShow(variants);  // the pages built so far; the others when built
    }
    formShown_ = true;
    buildPage(pages->currentIndex());
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
    const Qt::KeyboardModifiers modifiers =
        event.modifiers() &
        (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (event.key() == Qt::Key_F2 && modifiers == Qt::NoModifier) {
        TrafficMonitor* monitor = trafficMonitor();
        monitor->show();
        monitor->raise();
        monitor->activateWindow();
        return true;
    }
    if (event.key() == Qt::Key_F3 && modifiers == Qt::NoModifier) {
        // Opened once the key is handled: the scan's dialog runs a while, and one run from
        // inside the key's dispatch gets no window-system events under X11.
        QTimer::singleShot(0, this, &TForm1::findReader);
        return true;
    }
    if (event.key() != Qt::Key_F1) {
        return false;
    }
    if (modifiers == Qt::ShiftModifier) {
        TForm3 dialog(session_.library(), this);
        dialog.setTag(session_.handle());
        dialog.exec();
    } else {
        TForm2::choosePort(session_.library(), this);
    }
    return true;
}

void TForm1::findReader() {
    FindReaderDialog dialog(connectionGroup_->selectedSerialPort(), ConnectionGroup::kLastStation,
                            this);
    connect(&dialog, &FindReaderDialog::readerChosen, this, [this, &dialog](int station, int rate) {
        connectionGroup_->useFoundReader(station, rate);
        dialog.accept();
    });
    dialog.exec();
}

TrafficMonitor* TForm1::trafficMonitor() {
    if (!trafficMonitor_) {
        trafficMonitor_ = new TrafficMonitor(this);
    }
    return trafficMonitor_;
}

void TForm1::PageControl1Change() {
    buildPage(ui_->PageControl1->currentIndex());
    ui_->BitBtn4->setEnabled(ui_->BitBtn3->isEnabled());
    if (ui_->PageControl1->currentIndex() == CommPortPageIndex) {
        commPortPage_->QueryMacAddress();
    }
}

void TForm1::registerPages() {
    ParameterDispatch::Controls controls;
    controls.pageControl1 = ui_->PageControl1;
    controls.pageControl3 = PageControl3();
    controls.pageControl4 = rfPage_ ? rfPage_->PageControl4() : nullptr;
    controls.busyWidgets = {ui_->BitBtn3, ui_->BitBtn4, ui_->Button4};
    // The dispatch keeps nothing between presses: once page 4 is built it is made again in
    // place, so references to it stay valid.
    if (parameterDispatch_) {
        *parameterDispatch_ = ParameterDispatch(controls);
    } else {
        parameterDispatch_ = std::make_unique<ParameterDispatch>(controls);
    }
    ParameterDispatch& dispatch = *parameterDispatch_;
    // One line a page: the operation the routing table names and the page that runs it.
    dispatch.registerPage(PageOperation::Product,
                          standIn(PageOperation::Product, ProductPageIndex,
                                  [this]() -> ParameterPage* { return productPage_; }));
    dispatch.registerPage(PageOperation::Basic, readerParametersPage_->basicFunctionPage());
    dispatch.registerPage(PageOperation::Extended, readerParametersPage_->extendedFunctionPage());
    dispatch.registerPage(PageOperation::CommPort,
                          standIn(PageOperation::CommPort, CommPortPageIndex,
                                  [this]() -> ParameterPage* { return commPortPage_; }));
    dispatch.registerPage(PageOperation::DataFrame,
                          standIn(PageOperation::DataFrame, DataFormatPageIndex,
                                  [this]() -> ParameterPage* { return dataFormatPage_; }));
    dispatch.registerPage(PageOperation::RfBasic,
                          standIn(PageOperation::RfBasic, RfPageIndex,
                                  [this]() -> ParameterPage* { return rfPage_->rfBasicPage(); }));
    dispatch.registerPage(PageOperation::RfChannel1, standIn(PageOperation::RfChannel1, RfPageIndex,
                                                             [this]() -> ParameterPage* {
                                                                 return rfPage_->rfChannel1Page();
                                                             }));
    dispatch.registerPage(PageOperation::RfChannel2, standIn(PageOperation::RfChannel2, RfPageIndex,
                                                             [this]() -> ParameterPage* {
                                                                 return rfPage_->rfChannel2Page();
                                                             }));
    dispatch.registerPage(PageOperation::Positioning,
                          standIn(PageOperation::Positioning, PositioningPageIndex,
                                  [this]() -> ParameterPage* { return positioningPage_; }));
}

ParameterPage* TForm1::standIn(PageOperation operation, int index,
                               const std::function<ParameterPage*()>& page) {
    std::unique_ptr<LazyPage>& stand = lazyPages_[operation];
    if (!stand) {
        stand = std::make_unique<LazyPage>(
            [this, index, page] { return builtPages_[index] ? page() : nullptr; },
            [this, index, page] {
                buildPage(index);
                return page();
            });
    }
    return stand.get();
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
