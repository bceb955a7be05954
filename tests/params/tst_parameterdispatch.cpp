// SPDX-License-Identifier: LGPL-2.1-or-later
// The query, set and default buttons of the main window: routing by page and sub-page, the
// busy cursor, the pause after the communication-port set, the default sets and the
// conversion error; the whole window with the recording fake.

#include "app/ConnectionGroup.h"
#include "app/Main.h"
#include "params/ParameterDispatch.h"
#include "tests/support/PageTestSupport.h"
#include "widgets/ErrorReporting.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTabWidget>

Q_DECLARE_METATYPE(PageOperation)

namespace {

constexpr int kTcpLink = 0;

// A window connected over TCP/IP to the recording fake, its calls and log cleared.
struct Window {
    RecordingReaderLibrary library;
    TForm1 form;
    ScopedSleeper sleeper;

    explicit Window(int windowVariant = 0) : form(library, windowVariant) { form.show(); }

    void connectReader() {
        QComboBox* link = form.connectionGroup()->ComboBox1();
        link->setCurrentIndex(kTcpLink);
        emit link->activated(kTcpLink);
        form.connectionGroup()->Button1()->click();
        QVERIFY(form.BitBtn3()->isEnabled());
        library.clearCalls();
        form.Memo1()->clear();
    }

    // Moves to a page the way the user does, then forgets the calls the move made (the
    // MAC read of page 2).
    void showPage(int page, int subPage) {
        form.PageControl1()->setCurrentIndex(page);
        if (page == 1) {
            form.PageControl3()->setCurrentIndex(subPage);
        } else if (page == 4) {
            form.PageControl4()->setCurrentIndex(subPage);
        } else if (page == 3) {
            form.PageControl2()->setCurrentIndex(subPage);
        }
        library.clearCalls();
    }

    QStringList messages() const { return logMessages(*form.Memo1()); }
    QWidget& basicPage() { return *form.PageControl3()->widget(0); }
};

const QStringList kBasicQueryStart{"GetParameter(1, 0x91, 1)", "GetParameter(1, 0x90, 1)"};

}  // namespace

class TestParameterDispatch : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void routing_data();
    void routing();
    void buttonsRunTheRoutedOperation_data();
    void buttonsRunTheRoutedOperation();
    void busyCursorDuringQuery();
    void busyCursorEndsWhenQueryStops();
    void pauseAfterCommPortSetOnly_data();
    void pauseAfterCommPortSetOnly();
    void setStopsAtTextThatIsNotANumber();
    void defaults_data();
    void defaults();
    void basicPageClearOfRightButtons();
};

void TestParameterDispatch::routing_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("subPage");
    QTest::addColumn<PageOperation>("operation");

    QTest::newRow("0") << 0 << -1 << PageOperation::Product;
    QTest::newRow("1/0") << 1 << 0 << PageOperation::Basic;
    QTest::newRow("1/1") << 1 << 1 << PageOperation::Extended;
    QTest::newRow("1/2") << 1 << 2 << PageOperation::None;
    QTest::newRow("1/-1") << 1 << -1 << PageOperation::None;
    QTest::newRow("2") << 2 << -1 << PageOperation::CommPort;
    QTest::newRow("3/0") << 3 << 0 << PageOperation::DataFrame;
    QTest::newRow("3/1") << 3 << 1 << PageOperation::DataFrame;
    QTest::newRow("4/0") << 4 << 0 << PageOperation::RfBasic;
    QTest::newRow("4/1") << 4 << 1 << PageOperation::RfChannel1;
    QTest::newRow("4/2") << 4 << 2 << PageOperation::RfChannel2;
    QTest::newRow("4/3") << 4 << 3 << PageOperation::None;
    QTest::newRow("5") << 5 << -1 << PageOperation::Positioning;
    QTest::newRow("6") << 6 << 0 << PageOperation::None;
    QTest::newRow("-1") << -1 << 0 << PageOperation::None;
}

void TestParameterDispatch::routing() {
    QFETCH(int, page);
    QFETCH(int, subPage);
    QFETCH(PageOperation, operation);
    QCOMPARE(routeOperation(page, subPage), operation);
}

void TestParameterDispatch::buttonsRunTheRoutedOperation_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("subPage");
    QTest::addColumn<PageOperation>("operation");
    QTest::addColumn<bool>("basic");  // the basic-function page's operations run

    QTest::newRow("basic functions") << 1 << 0 << PageOperation::Basic << true;
    QTest::newRow("extended functions") << 1 << 1 << PageOperation::Extended << false;
    QTest::newRow("comm ports") << 2 << 0 << PageOperation::CommPort << false;
    QTest::newRow("data format, upload") << 3 << 0 << PageOperation::DataFrame << false;
    QTest::newRow("data format, frame") << 3 << 1 << PageOperation::DataFrame << false;
    QTest::newRow("rf basic") << 4 << 0 << PageOperation::RfBasic << false;
    QTest::newRow("rf channel 2") << 4 << 2 << PageOperation::RfChannel2 << false;
}

void TestParameterDispatch::buttonsRunTheRoutedOperation() {
    QFETCH(int, page);
    QFETCH(int, subPage);
    QFETCH(PageOperation, operation);
    QFETCH(bool, basic);
    Window w;
    w.connectReader();
    w.showPage(page, subPage);
    QCOMPARE(w.form.parameterDispatch().currentOperation(), operation);

    w.form.BitBtn3()->click();
    const QStringList queryCalls = w.library.callTexts();
    QCOMPARE(queryCalls.mid(0, 2) == kBasicQueryStart, basic);
    w.library.clearCalls();
    w.form.BitBtn4()->click();
    const QStringList setCalls = w.library.callTexts();
    QCOMPARE(!setCalls.isEmpty() && setCalls.first() == "SetParameter(1, 0x91, 1, 00)", basic);
    if (basic) {
        QCOMPARE(queryCalls.size(), 14);
        QCOMPARE(setCalls.size(), 13);
        QCOMPARE(w.messages(), (QStringList{"查询读写器参数成功 !", "设置读写器参数成功 !"}));
    }
    QCOMPARE(w.form.PageControl1()->currentIndex(), page);
}

void TestParameterDispatch::busyCursorDuringQuery() {
    Window w;
    w.connectReader();
    w.showPage(1, 0);
    const QList<QWidget*> busy{w.form.BitBtn3(), w.form.BitBtn4(), w.form.Button4()};
    int busyCalls = 0;
    int idleCalls = 0;
    w.library.onCall = [&](const RecordingReaderLibrary::Call&) {
        for (QWidget* button : busy) {
            (button->cursor().shape() == Qt::WaitCursor ? busyCalls : idleCalls) += 1;
        }
        QCOMPARE(w.form.BitBtn1()->cursor().shape(), Qt::ArrowCursor);
    };
    w.form.BitBtn3()->click();
    QCOMPARE(busyCalls, 14 * 3);
    QCOMPARE(idleCalls, 0);
    for (QWidget* button : busy) {
        QCOMPARE(button->cursor().shape(), Qt::ArrowCursor);
        QVERIFY(!button->testAttribute(Qt::WA_SetCursor));
    }

    // The set leaves the cursor alone.
    w.form.BitBtn4()->click();
    QCOMPARE(busyCalls, 14 * 3);
}

// A query that stops on a conversion error still gives the buttons their cursor back.
void TestParameterDispatch::busyCursorEndsWhenQueryStops() {
    Window w;
    w.connectReader();
    w.showPage(1, 0);
    QStringList errors;
    const ErrorReporter previous =
        setErrorReporter([&](const QString& message) { errors << message; });
    w.library.onCall = [](const RecordingReaderLibrary::Call& call) {
        if (call.arguments.at(1) == 0x92) {
            throw ConversionError("x");
        }
    };
    w.form.BitBtn3()->click();
    setErrorReporter(previous);
    QCOMPARE(errors, QStringList{"'x' is not a valid integer value"});
    QCOMPARE(w.library.callTexts().size(), 3);
    QCOMPARE(w.messages(), QStringList{});
    for (QWidget* button : {w.form.BitBtn3(), w.form.BitBtn4(), w.form.Button4()}) {
        QCOMPARE(button->cursor().shape(), Qt::ArrowCursor);
    }
}

void TestParameterDispatch::pauseAfterCommPortSetOnly_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("failing");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QList<int>>("pauses");

    QTest::newRow("comm-port set") << 2 << false << "BitBtn4" << QList<int>{1000};
    QTest::newRow("failed comm-port set") << 2 << true << "BitBtn4" << QList<int>{1000};
    QTest::newRow("comm-port query") << 2 << false << "BitBtn3" << QList<int>{};
    QTest::newRow("basic set") << 1 << false << "BitBtn4" << QList<int>{};
    QTest::newRow("data-frame set") << 3 << false << "BitBtn4" << QList<int>{};
}

void TestParameterDispatch::pauseAfterCommPortSetOnly() {
    QFETCH(int, page);
    QFETCH(bool, failing);
    QFETCH(QString, button);
    QFETCH(QList<int>, pauses);
    Window w;
    w.connectReader();
    w.showPage(page, 0);
    if (failing) {
        w.library.failOperation("SetParameter");
    }
    (button == "BitBtn4" ? w.form.BitBtn4() : w.form.BitBtn3())->click();
    QCOMPARE(w.sleeper.pauses, pauses);
}

void TestParameterDispatch::setStopsAtTextThatIsNotANumber() {
    Window w;
    w.connectReader();
    w.showPage(1, 0);
    QStringList errors;
    const ErrorReporter previous =
        setErrorReporter([&](const QString& message) { errors << message; });
    control<QLineEdit>(w.basicPage(), "Edit14")->clear();

    w.form.BitBtn4()->click();
    setErrorReporter(previous);
    QCOMPARE(errors, QStringList{"'' is not a valid integer value"});
    QCOMPARE(w.library.callTexts().size(), 6);
    QCOMPARE(w.library.callTexts().constLast(), QString("SetParameter(1, 0x63, 2, 00 00)"));
    QCOMPARE(w.messages(), QStringList{});

    // The window goes on working: the next set after a fix runs to its summary.
    w.library.clearCalls();
    control<QLineEdit>(w.basicPage(), "Edit14")->setText("60");
    w.form.BitBtn4()->click();
    QCOMPARE(w.library.callTexts().size(), 13);
    QCOMPARE(w.messages(), QStringList{"设置读写器参数成功 !"});
}

void TestParameterDispatch::defaults_data() {
    QTest::addColumn<int>("windowVariant");
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("buzzerTicked");

    QTest::newRow("product page") << 1 << 0 << false;
    QTest::newRow("reader page") << 0 << 1 << true;
    QTest::newRow("reader page, extended sub-page") << 0 << 1 << true;
    QTest::newRow("comm-port page") << 0 << 2 << false;
    QTest::newRow("data-format page") << 0 << 3 << false;
    QTest::newRow("rf page") << 0 << 4 << false;
    QTest::newRow("positioning page") << 2 << 5 << false;
}

void TestParameterDispatch::defaults() {
    QFETCH(int, windowVariant);
    QFETCH(int, page);
    QFETCH(bool, buzzerTicked);
    // Disconnected: the defaults button works without a reader.
    Window w(windowVariant);
    QVERIFY(!w.form.BitBtn3()->isEnabled());
    w.showPage(page, QByteArray(QTest::currentDataTag()).contains("extended") ? 1 : 0);
    auto* buzzer = control<QCheckBox>(w.basicPage(), "CheckBox1");
    buzzer->setChecked(false);
    const QStringList logBefore = w.messages();
    const int subPage = w.form.PageControl3()->currentIndex();

    w.form.BitBtn1()->click();
    QCOMPARE(buzzer->isChecked(), buzzerTicked);
    QCOMPARE(w.library.callTexts(), QStringList{});
    QCOMPARE(w.messages(), logBefore);
    QCOMPARE(w.form.PageControl1()->currentIndex(), page);
    QCOMPARE(w.form.PageControl3()->currentIndex(), subPage);
}

// The right-hand buttons lie in front of the tab area: no control of the page under them.
void TestParameterDispatch::basicPageClearOfRightButtons() {
    Window w;
    QVERIFY(QTest::qWaitForWindowExposed(&w.form));
    const int buttonsLeft = w.form.BitBtn1()->mapTo(&w.form, QPoint(0, 0)).x();
    const auto groups = w.basicPage().findChildren<QGroupBox*>();
    QCOMPARE(groups.size(), 4);
    for (QGroupBox* group : groups) {
        const int right = group->mapTo(&w.form, QPoint(group->width(), 0)).x();
        QVERIFY2(right <= buttonsLeft, qPrintable(group->objectName()));
    }
}

QTEST_MAIN(TestParameterDispatch)
#include "tst_parameterdispatch.moc"
