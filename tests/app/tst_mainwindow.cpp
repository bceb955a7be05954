// SPDX-License-Identifier: LGPL-2.1-or-later
// The main window shell: start state, page variants, operation log, keys, the MAC read when
// the communication-port page opens, and the exit path; with the recording fake library.

#include "WindowTestSupport.h"
#include "app/ConnectionGroup.h"
#include "app/PortDialog.h"
#include "batch/BatchDialog.h"
#include "params/CommPortPage.h"
#include "tests/support/RecordingReaderLibrary.h"
#include "widgets/ErrorReporting.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QWheelEvent>

#include <functional>
#include <memory>

using namespace windowtest;

namespace {

// The pages each window variant shows, in tab order; the others are hidden.
const QList<QPair<int, QList<int>>> kVisiblePages{
    {0, {1, 2, 3, 4}}, {1, {0, 1, 2, 3, 4}}, {2, {1, 3, 4, 5}}};

QList<int> hiddenPages(const QList<int>& visible) {
    QList<int> hidden;
    for (int page = 0; page < 6; ++page) {
        if (!visible.contains(page)) {
            hidden << page;
        }
    }
    return hidden;
}

// The state of every control under a widget: texts, selections, check marks, enabling.
QStringList controlStates(const QWidget* root) {
    QStringList states;
    for (const QWidget* widget : root->findChildren<QWidget*>()) {
        QString state = widget->objectName() + (widget->isEnabled() ? u'+' : u'-');
        if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) {
            state += edit->text();
        } else if (const auto* box = qobject_cast<const QComboBox*>(widget)) {
            state += QString::number(box->currentIndex()) + u':' + box->currentText();
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            state += button->isChecked() ? u'1' : u'0';
        }
        states << state;
    }
    return states;
}

void sendWheel(QWidget* widget, int angle) {
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    QWheelEvent wheel(at, widget->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &wheel);
}

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<RecordingReaderLibrary> library_;
    std::unique_ptr<TForm1> window_;
    QStringList reportedErrors_;
    ErrorReporter previousReporter_;

    TForm1& open(int windowVariant = 0) {
        library_ = std::make_unique<RecordingReaderLibrary>();
        window_ = std::make_unique<TForm1>(*library_, windowVariant);
        window_->show();
        return *window_;
    }

    void connectReader() {
        window_->connectionGroup()->Button1()->click();
        QVERIFY(window_->connectionGroup()->isConnected());
        library_->clearCalls();
    }

    QStringList macTexts() const {
        QStringList texts;
        for (int index = 0; index < 6; ++index) {
            texts << window_->commPortPage()->macEdit(index)->text();
        }
        return texts;
    }

    // The widget that has the keyboard focus while the user presses a key in the tests.
    QWidget* focusedEdit() const {
        QWidget* edit = window_->connectionGroup()->ComboBox7()->lineEdit();
        edit->setFocus();
        return edit;
    }

  private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void init() {
        reportedErrors_.clear();
        previousReporter_ =
            setErrorReporter([this](const QString& message) { reportedErrors_ << message; });
    }

    void cleanup() {
        window_.reset();
        library_.reset();
        setErrorReporter(previousReporter_);
    }

    void startState() {
        TForm1& window = open();
        QCOMPARE(window.windowTitle(), QStringLiteral("读写器参数配置程序（V1.4.2.1）"));
        QCOMPARE(window.size(), QSize(728, 498));
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(window.windowFlags() & Qt::WindowMinimizeButtonHint);

        QCOMPARE(window.PageControl1()->currentIndex(), 1);
        QCOMPARE(window.PageControl3()->currentIndex(), 0);
        QCOMPARE(window.PageControl3()->tabText(0), QStringLiteral("基本功能"));
        QCOMPARE(window.PageControl4()->currentIndex(), 0);
        QCOMPARE(window.PageControl4()->tabText(0), QStringLiteral("基本参数"));
        QVERIFY(!window.BitBtn3()->isEnabled());
        QVERIFY(!window.BitBtn4()->isEnabled());
        QVERIFY(window.BitBtn1()->isEnabled());
        QVERIFY(window.Button4()->isEnabled());

        const QStringList lines = logLines(window);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(QRegularExpression(QStringLiteral("^1   \\d\\d:\\d\\d:\\d\\d  :  程序正常运行 !$"))
                     .match(lines[0])
                     .hasMatch(),
                 qPrintable(lines[0]));

        QCOMPARE(window.statusPanelText(0), QStringLiteral("COM1:关闭"));
        QCOMPARE(window.statusPanelText(1), QString());
        QCOMPARE(window.statusPanelText(2), QString());

        ConnectionGroup& group = *window.connectionGroup();
        QCOMPARE(group.title(), QStringLiteral("通信设置"));
        QCOMPARE(group.ComboBox1()->currentText(), QStringLiteral("COM1"));
        QCOMPARE(group.ComboBox2()->currentText(), QStringLiteral("9600   bps"));
        QVERIFY(group.ComboBox2()->isVisible());
        QVERIFY(!group.Edit71()->isVisible());
        QCOMPARE(group.Label2()->text(), QStringLiteral("波特率"));
        QCOMPARE(group.ComboBox7()->currentText(), QStringLiteral("任意站"));
        QCOMPARE(group.ComboBox7()->currentIndex(), -1);
        QCOMPARE(group.ComboBox7()->count(), 21);
        QCOMPARE(group.ComboBox7()->itemText(20), QStringLiteral("站20"));
        QVERIFY(group.Button1()->isEnabled());
        QVERIFY(!group.Button2()->isEnabled());
        QVERIFY(!group.Button3()->isEnabled());

        // The picture is decoded from the JPEG resource and stretched over its place.
        auto* image = window.findChild<QLabel*>(QStringLiteral("Image1"));
        QVERIFY(image);
        QVERIFY(!image->pixmap().isNull());
        QCOMPARE(image->pixmap().size(), QSize(155, 102));
        QCOMPARE(image->geometry(), QRect(19, 16, 155, 102));
        QVERIFY(image->hasScaledContents());

        // Nothing talks to a reader at start.
        QCOMPARE(library_->callTexts(), QStringList());
    }

    void layoutGeometry_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("PageControl1") << "PageControl1" << QRect(184, 16, 532, 308);
        QTest::newRow("GroupBox2") << "GroupBox2" << QRect(14, 124, 164, 155);
        QTest::newRow("BitBtn1") << "BitBtn1" << QRect(623, 138, 75, 24);
        QTest::newRow("BitBtn3") << "BitBtn3" << QRect(623, 170, 75, 24);
        QTest::newRow("BitBtn4") << "BitBtn4" << QRect(623, 202, 75, 24);
        QTest::newRow("Button4") << "Button4" << QRect(623, 266, 75, 24);
        QTest::newRow("BitBtn2") << "BitBtn2" << QRect(47, 292, 90, 25);
        QTest::newRow("Memo1") << "Memo1" << QRect(14, 328, 701, 145);
    }

    void layoutGeometry() {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        TForm1& window = open();
        auto* widget = window.findChild<QWidget*>(name);
        QVERIFY(widget);
        QCOMPARE(widget->geometry(), geometry);
        // The right-hand buttons lie in front of the tab area.
        if (name.startsWith(QStringLiteral("BitBtn")) && name != QStringLiteral("BitBtn2")) {
            QCOMPARE(window.centralWidget()->childAt(geometry.center()), widget);
        }
    }

    void pageVariants_data() {
        QTest::addColumn<int>("variant");
        QTest::addColumn<QList<bool>>("visible");
        QTest::addColumn<int>("activePage");
        QTest::newRow("0 standard") << 0 << QList<bool>{false, true, true, true, true, false} << 1;
        QTest::newRow("1 product") << 1 << QList<bool>{true, true, true, true, true, false} << 0;
        QTest::newRow("2 Kelvarn") << 2 << QList<bool>{false, true, false, true, true, true} << 1;
        QTest::newRow("other") << 9 << QList<bool>{true, true, true, true, true, true} << 0;
    }

    void pageVariants() {
        QFETCH(int, variant);
        QFETCH(QList<bool>, visible);
        QFETCH(int, activePage);
        TForm1& window = open(variant);
        const QStringList captions{"产品参数", "读写器参数", "通信口参数",
                                   "数据格式", "射频参数",   "Kelvarn"};
        for (int page = 0; page < 6; ++page) {
            QCOMPARE(window.PageControl1()->tabText(page), captions[page]);
            QCOMPARE(window.PageControl1()->isTabVisible(page), visible[page]);
        }
        QCOMPARE(window.PageControl1()->currentIndex(), activePage);
        // Pages chosen at start run no page-change reaction: no MAC read.
        QCOMPARE(library_->callTexts(), QStringList());
        QCOMPARE(logMessages(window), QStringList{"程序正常运行 !"});
    }

    void subPageCaptions() {
        TForm1& window = open();
        QCOMPARE(window.PageControl2()->tabText(0), QStringLiteral("主动上传"));
        QCOMPARE(window.PageControl2()->tabText(1), QStringLiteral("数据格式"));
        QCOMPARE(window.PageControl3()->tabText(1), QStringLiteral("扩展功能"));
        QCOMPARE(window.PageControl4()->tabText(1), QStringLiteral("通道一设置"));
        QCOMPARE(window.PageControl4()->tabText(2), QStringLiteral("通道二设置"));
    }

    void logNumberingRestartsAfterClear() {
        TForm1& window = open();
        window.log().append(QStringLiteral("second"));
        QVERIFY(logLines(window).value(1).startsWith(QStringLiteral("2   ")));
        window.BitBtn2()->click();
        QCOMPARE(logLines(window), QStringList());
        window.log().append(QStringLiteral("after clear"));
        const QStringList lines = logLines(window);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].startsWith(QStringLiteral("1   ")), qPrintable(lines[0]));
        QCOMPARE(logMessages(window), QStringList{"after clear"});
    }

    void f1OpensPortDialog_data() {
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("typed");  // replaces the port text; empty keeps it
        QTest::addColumn<int>("closeKey");   // Enter accepts, Escape rejects
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QStringList>("errors");
        const Qt::KeyboardModifiers none = Qt::NoModifier;
        QTest::newRow("F1, 4002, Enter") << none << "4002" << int(Qt::Key_Return)
                                         << QStringList{"SelectPort(4002)"} << QStringList();
        QTest::newRow("F1, default, Enter") << none << "" << int(Qt::Key_Return)
                                            << QStringList{"SelectPort(4001)"} << QStringList();
        QTest::newRow("Ctrl+F1, Escape") << Qt::KeyboardModifiers(Qt::ControlModifier) << "4002"
                                         << int(Qt::Key_Escape) << QStringList() << QStringList();
        QTest::newRow("Ctrl+Shift+F1, 5000")
            << Qt::KeyboardModifiers(Qt::ControlModifier | Qt::ShiftModifier) << "5000"
            << int(Qt::Key_Enter) << QStringList{"SelectPort(5000)"} << QStringList();
        QTest::newRow("Alt+F1, 502")
            << Qt::KeyboardModifiers(Qt::AltModifier) << "502" << int(Qt::Key_Return)
            << QStringList{"SelectPort(502)"} << QStringList();
        QTest::newRow("not a number") << none << "40x1" << int(Qt::Key_Return) << QStringList()
                                      << QStringList{"'40x1' is not a valid integer value"};
        QTest::newRow("blank text") << none << " " << int(Qt::Key_Return) << QStringList()
                                    << QStringList{"' ' is not a valid integer value"};
    }

    void f1OpensPortDialog() {
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, typed);
        QFETCH(int, closeKey);
        QFETCH(QStringList, calls);
        QFETCH(QStringList, errors);
        open();
        // Twice: a fresh dialog with "4001" every time, whatever was typed before.
        for (int round = 0; round < 2; ++round) {
            library_->clearCalls();
            reportedErrors_.clear();
            QString shownText;
            QString caption;
            QString dialogClass;
            auto seen = whenModal(window_.get(), [&](QWidget* dialog) {
                dialogClass = QString::fromLatin1(dialog->metaObject()->className());
                caption = dialog->windowTitle();
                auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("Edit1"));
                QVERIFY(edit);
                shownText = edit->text();
                if (!typed.isEmpty()) {
                    edit->setText(typed);
                }
                QTest::keyClick(edit, Qt::Key(closeKey));
            });
            QTest::keyClick(focusedEdit(), Qt::Key_F1, modifiers);
            QVERIFY(*seen);
            QCOMPARE(dialogClass, QStringLiteral("TForm2"));
            QCOMPARE(caption, QStringLiteral("选择端口"));
            QCOMPARE(shownText, QStringLiteral("4001"));
            QCOMPARE(library_->callTexts(), calls);
            QCOMPARE(reportedErrors_, errors);
            // The key went to the window, not into the focused box.
            QCOMPARE(window_->connectionGroup()->ComboBox7()->currentText(),
                     QStringLiteral("任意站"));
        }
    }

    void portDialogButtons_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("确定") << "Button1" << QStringList{"SelectPort(4003)"};
        QTest::newRow("取消") << "Button2" << QStringList();
    }

    void portDialogButtons() {
        QFETCH(QString, button);
        QFETCH(QStringList, calls);
        open();
        QString okText;
        QString cancelText;
        QSize size;
        auto seen = whenModal(window_.get(), [&](QWidget* dialog) {
            size = dialog->size();
            okText = dialog->findChild<QPushButton*>(QStringLiteral("Button1"))->text();
            cancelText = dialog->findChild<QPushButton*>(QStringLiteral("Button2"))->text();
            dialog->findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QStringLiteral("4003"));
            dialog->findChild<QPushButton*>(button)->click();
        });
        QTest::keyClick(window_.get(), Qt::Key_F1);
        QVERIFY(*seen);
        QCOMPARE(size, QSize(258, 155));
        QCOMPARE(okText, QStringLiteral("确定"));
        QCOMPARE(cancelText, QStringLiteral("取消"));
        QCOMPARE(library_->callTexts(), calls);
    }

    void shiftF1OpensBatchDialogWithHandle_data() {
        QTest::addColumn<bool>("connect");
        QTest::addColumn<bool>("disconnect");
        QTest::addColumn<int>("handle");
        QTest::newRow("before any connection") << false << false << 0;
        QTest::newRow("connected") << true << false << 7;
        QTest::newRow("after a disconnect") << true << true << 5;
    }

    void shiftF1OpensBatchDialogWithHandle() {
        QFETCH(bool, connect);
        QFETCH(bool, disconnect);
        QFETCH(int, handle);
        open();
        library_->nextHandle = handle;
        if (connect) {
            connectReader();
        }
        if (disconnect) {
            window_->connectionGroup()->Button2()->click();
        }
        int tag = -1;
        QString dialogClass;
        QString caption;
        auto seen = whenModal(window_.get(), [&](QWidget* dialog) {
            dialogClass = QString::fromLatin1(dialog->metaObject()->className());
            caption = dialog->windowTitle();
            if (auto* batch = qobject_cast<TForm3*>(dialog)) {
                tag = batch->tag();
            }
            dialog->close();
        });
        QTest::keyClick(focusedEdit(), Qt::Key_F1, Qt::ShiftModifier);
        QVERIFY(*seen);
        QCOMPARE(dialogClass, QStringLiteral("TForm3"));
        QCOMPARE(caption, QStringLiteral("批量配置参数"));
        QCOMPARE(tag, handle);
    }

    void otherKeysReachTheFocusedControl() {
        open();
        auto seen = whenModal(window_.get(), [](QWidget* dialog) { dialog->close(); });
        QWidget* edit = focusedEdit();
        QTest::keyClick(edit, Qt::Key_F2);
        QTest::keyClick(edit, Qt::Key_Escape);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, QStringLiteral("7"));
        QTest::qWait(50);
        QVERIFY(!*seen);
        QCOMPARE(window_->connectionGroup()->ComboBox7()->currentText(), QStringLiteral("任7"));
    }

    void macReadWhenPage2Opens_data() {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("readFails");
        QTest::addColumn<QStringList>("texts");
        const QStringList reader{"00", "1A", "2B", "C3", "D4", "FF"};
        const QStringList start{"FF", "FF", "FF", "FF", "FF", "FF"};
        QTest::newRow("connected") << true << false << reader;
        QTest::newRow("read fails") << true << true << start;
        QTest::newRow("not connected") << false << true << start;
    }

    void macReadWhenPage2Opens() {
        QFETCH(bool, connected);
        QFETCH(bool, readFails);
        QFETCH(QStringList, texts);
        TForm1& window = open();
        const std::uint8_t mac[] = {0x00, 0x1A, 0x2B, 0xC3, 0xD4, 0xFF};
        std::copy(std::begin(mac), std::end(mac), library_->memory.begin() + 0xAC);
        library_->nextHandle = 3;
        if (connected) {
            connectReader();
        }
        if (readFails) {
            // The real library fails every call with the handle 0 of an unconnected window.
            library_->failAddress(0xAC);
        }
        const QStringList logBefore = logLines(window);

        window.PageControl1()->setCurrentIndex(TForm1::CommPortPageIndex);
        QCOMPARE(library_->callTexts(),
                 QStringList{QStringLiteral("GetParameter(%1, 0xAC, 6)").arg(connected ? 3 : 0)});
        QCOMPARE(macTexts(), texts);
        QCOMPARE(logLines(window), logBefore);
        QCOMPARE(window.BitBtn4()->isEnabled(), connected);

        // Other pages read nothing.
        library_->clearCalls();
        window.PageControl1()->setCurrentIndex(TForm1::DataFormatPageIndex);
        QCOMPARE(library_->callTexts(), QStringList());
    }

    // One row per window variant and visible start page.
    static void variantAndStartPageRows() {
        QTest::addColumn<int>("variant");
        QTest::addColumn<QList<int>>("visible");
        QTest::addColumn<int>("start");
        for (const auto& [variant, visible] : kVisiblePages) {
            for (int start : visible) {
                QTest::addRow("variant %d, page %d", variant, start) << variant << visible << start;
            }
        }
    }

    // Selects a page as the user's first step and forgets the calls it made.
    void startOn(int page) {
        window_->PageControl1()->setCurrentIndex(page);
        QCOMPARE(window_->PageControl1()->currentIndex(), page);
        library_->clearCalls();
    }

    // The page shown is exactly the page selected, and the tab bar agrees.
    void expectPage(int page) {
        QTabWidget* pages = window_->PageControl1();
        QCOMPARE(pages->currentIndex(), page);
        QCOMPARE(pages->tabBar()->currentIndex(), page);
        QCOMPARE(pages->currentWidget(), pages->widget(page));
        for (int other = 0; other < pages->count(); ++other) {
            QCOMPARE(pages->widget(other)->isVisible(), other == page);
        }
    }

    // The calls of the page-change reaction: one MAC read for each arrival on page 2.
    QStringList macReads(int arrivals) const {
        return QStringList(arrivals, QStringLiteral("GetParameter(0, 0xAC, 6)"));
    }

    void ctrlTabCyclesVisiblePages_data() { variantAndStartPageRows(); }

    void ctrlTabCyclesVisiblePages() {
        QFETCH(int, variant);
        QFETCH(QList<int>, visible);
        QFETCH(int, start);
        open(variant);
        const struct {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            int step;
        } presses[] = {{Qt::Key_Tab, Qt::ControlModifier, 1},
                       {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, -1},
                       {Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier, -1}};
        for (const auto& press : presses) {
            startOn(start);
            const qsizetype count = visible.size();
            qsizetype position = visible.indexOf(start);
            int page2Arrivals = 0;
            // Once round, from a control of the page shown, back to the start page.
            for (qsizetype pressed = 0; pressed < count; ++pressed) {
                QTest::keyClick(window_->PageControl1()->currentWidget(), press.key,
                                press.modifiers);
                position = (position + press.step + count) % count;
                expectPage(visible[position]);
                page2Arrivals += visible[position] == TForm1::CommPortPageIndex ? 1 : 0;
            }
            QCOMPARE(window_->PageControl1()->currentIndex(), start);
            QCOMPARE(library_->callTexts(), macReads(page2Arrivals));
        }
    }

    void hiddenPagesOutOfReach_data() { variantAndStartPageRows(); }

    void hiddenPagesOutOfReach() {
        QFETCH(int, variant);
        QFETCH(QList<int>, visible);
        QFETCH(int, start);
        open(variant);
        QTabWidget* pages = window_->PageControl1();
        QTabBar* bar = pages->tabBar();

        // From code: refused, the page shown stays and runs no page-change reaction.
        for (int hidden : hiddenPages(visible)) {
            startOn(start);
            pages->setCurrentIndex(hidden);
            expectPage(start);
            pages->setCurrentWidget(pages->widget(hidden));
            expectPage(start);
            QCOMPARE(library_->callTexts(), QStringList());
        }

        // The tab bar's arrow keys and the mouse wheel step to the next visible page, and
        // stop at the first and the last.
        const qsizetype position = visible.indexOf(start);
        const int before = visible.value(position - 1, start);
        const int after = visible.value(position + 1, start);
        const struct {
            const char* means;
            std::function<void()> act;
            int page;
        } steps[] = {{"Right", [bar] { QTest::keyClick(bar, Qt::Key_Right); }, after},
                     {"Left", [bar] { QTest::keyClick(bar, Qt::Key_Left); }, before},
                     {"wheel down", [bar] { sendWheel(bar, -120); }, after},
                     {"wheel up", [bar] { sendWheel(bar, 120); }, before}};
        for (const auto& step : steps) {
            startOn(start);
            step.act();
            QVERIFY2(pages->currentIndex() == step.page, step.means);
            expectPage(step.page);
            QCOMPARE(library_->callTexts(),
                     macReads(step.page != start && step.page == TForm1::CommPortPageIndex));
        }

        // A click anywhere on the tab bar selects a visible page or nothing.
        startOn(start);
        for (int x = 1; x < bar->width(); x += 4) {
            QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(x, bar->height() / 2));
            QVERIFY2(visible.contains(pages->currentIndex()), qPrintable(QString::number(x)));
            expectPage(pages->currentIndex());
        }
    }

    void defaultsTouchOnlyReachableControls_data() { variantAndStartPageRows(); }

    void defaultsTouchOnlyReachableControls() {
        QFETCH(int, variant);
        QFETCH(QList<int>, visible);
        QFETCH(int, start);
        open(variant);
        startOn(start);
        QList<QStringList> before;
        for (int hidden : hiddenPages(visible)) {
            before << controlStates(window_->PageControl1()->widget(hidden));
        }
        window_->BitBtn1()->click();
        QList<QStringList> after;
        for (int hidden : hiddenPages(visible)) {
            after << controlStates(window_->PageControl1()->widget(hidden));
        }
        QCOMPARE(after, before);
        expectPage(start);
        QCOMPARE(library_->callTexts(), QStringList());
    }

    void enterPressesTheFocusedButton_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("keypad");
        QTest::newRow("默认参数") << "BitBtn1" << false << false;
        QTest::newRow("清除操作提示") << "BitBtn2" << false << true;
        QTest::newRow("查询参数") << "BitBtn3" << true << false;
        QTest::newRow("设置参数") << "BitBtn4" << true << true;
        QTest::newRow("退出") << "Button4" << false << false;
        QTest::newRow("联机") << "Button1" << false << false;
        QTest::newRow("断开连接") << "Button2" << true << true;
        QTest::newRow("更新数据") << "Button3" << true << false;
    }

    void enterPressesTheFocusedButton() {
        QFETCH(QString, button);
        QFETCH(bool, connected);
        QFETCH(bool, keypad);
        open();
        if (connected) {
            connectReader();
        }
        auto* pressed = window_->findChild<QPushButton*>(button);
        QVERIFY(pressed);
        QSignalSpy clicks(pressed, &QPushButton::clicked);
        QApplication::setActiveWindow(window_.get());
        pressed->setFocus();
        QVERIFY(pressed->hasFocus());
        QTest::keyClick(pressed, keypad ? Qt::Key_Enter : Qt::Key_Return,
                        keypad ? Qt::KeypadModifier : Qt::NoModifier);
        QCOMPARE(clicks.count(), 1);
    }

    void enterElsewherePressesNoButton() {
        open();
        QList<std::shared_ptr<QSignalSpy>> spies;
        for (QPushButton* button : window_->findChildren<QPushButton*>()) {
            spies << std::make_shared<QSignalSpy>(button, &QPushButton::clicked);
        }
        QVERIFY(spies.size() >= 8);
        QTest::keyClick(window_->connectionGroup()->Edit71(), Qt::Key_Return);
        QTest::keyClick(window_->PageControl1()->tabBar(), Qt::Key_Return);
        for (const auto& spy : spies) {
            QCOMPARE(spy->count(), 0);
        }
    }

    void portDialogKeys_data() {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<QStringList>("calls");
        const QStringList selected{"SelectPort(4005)"};
        QTest::newRow("Enter in the port box") << "Edit1" << int(Qt::Key_Return) << selected;
        QTest::newRow("keypad Enter in the port box") << "Edit1" << int(Qt::Key_Enter) << selected;
        QTest::newRow("Enter on 确定") << "Button1" << int(Qt::Key_Return) << selected;
        QTest::newRow("Enter on 取消") << "Button2" << int(Qt::Key_Return) << QStringList();
        QTest::newRow("keypad Enter on 取消") << "Button2" << int(Qt::Key_Enter) << QStringList();
        QTest::newRow("Escape in the port box") << "Edit1" << int(Qt::Key_Escape) << QStringList();
        QTest::newRow("Escape on 确定") << "Button1" << int(Qt::Key_Escape) << QStringList();
        QTest::newRow("Escape on 取消") << "Button2" << int(Qt::Key_Escape) << QStringList();
    }

    void portDialogKeys() {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(QStringList, calls);
        open();
        bool closed = false;
        auto seen = whenModal(window_.get(), [&](QWidget* dialog) {
            dialog->findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QStringLiteral("4005"));
            auto* focused = dialog->findChild<QWidget*>(focus);
            QApplication::setActiveWindow(dialog);
            focused->setFocus();
            QTest::keyClick(focused, Qt::Key(key),
                            key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
            closed = !dialog->isVisible();
            // A key that left the dialog open must not block the test.
            if (!closed) {
                dialog->close();
            }
        });
        QTest::keyClick(window_.get(), Qt::Key_F1);
        QVERIFY(*seen);
        QVERIFY(closed);
        QCOMPARE(library_->callTexts(), calls);
    }

    void closeRestoresRateWhenConnected_data() {
        QTest::addColumn<int>("link");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("exitButton");
        QTest::addColumn<QStringList>("calls");
        const QStringList restore{"SetBaudRate(1, 2)", "CloseReader(1)"};
        QTest::newRow("COM1, close box") << 2 << true << false << restore;
        QTest::newRow("TCP/IP, 退出") << 0 << true << true << restore;
        QTest::newRow("USB, close box") << 1 << true << false << restore;
        QTest::newRow("disconnected, 退出") << 2 << false << true << QStringList();
        QTest::newRow("disconnected, close box") << 0 << false << false << QStringList();
    }

    void closeRestoresRateWhenConnected() {
        QFETCH(int, link);
        QFETCH(bool, connected);
        QFETCH(bool, exitButton);
        QFETCH(QStringList, calls);
        TForm1& window = open();
        chooseItem(window.connectionGroup()->ComboBox1(), link);
        if (connected) {
            connectReader();
        }
        library_->clearCalls();
        if (exitButton) {
            window.Button4()->click();
        } else {
            window.close();
        }
        QVERIFY(!window.isVisible());
        QCOMPARE(library_->callTexts(), calls);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
