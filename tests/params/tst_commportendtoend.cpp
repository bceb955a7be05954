// SPDX-License-Identifier: LGPL-2.1-or-later
// The page "通信口参数" end to end: the real window and the real library against a
// reader-sim process, over loopback TCP and over a pseudo-terminal reached as COM1.

#include "CommPortTestValues.h"
#include "app/ConnectionGroup.h"
#include "params/CommPortPage.h"
#include "params/PageIndex.h"
#include "tests/support/SimWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include <memory>

namespace {

using Memory = std::array<std::uint8_t, 256>;

// A window connected to the simulator, over TCP or the pseudo-terminal, showing the page
// (which reads the reader's MAC address into it).
struct ConnectedWindow {
    std::unique_ptr<SimWindow> window;

    ConnectedWindow(ReaderLibrary& library, const SimProcess& sim, bool serial)
        : window(serial ? std::make_unique<SimWindow>(library, QStringLiteral("COM1"))
                        : std::make_unique<SimWindow>(library, sim.tcpPort())) {
        window->showPage(page::CommPort);
    }
    QWidget& page() { return *window->form.commPortPage(); }
    QStringList macTexts() {
        QStringList texts;
        for (int i = 0; i < 6; ++i) {
            texts << window->form.commPortPage()->macEdit(i)->text();
        }
        return texts;
    }
};

}  // namespace

class TestCommPortEndToEnd : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void setThenQueryIntoFreshWindow_data();
    void setThenQueryIntoFreshWindow();
    void macGuard_data();
    void macGuard();
    void macStaysWithItsReader_data();
    void macStaysWithItsReader();

  private:
    SharedReaderLibrary library_;
};

void TestCommPortEndToEnd::setThenQueryIntoFreshWindow_data() {
    QTest::addColumn<bool>("serial");
    QTest::newRow("TCP") << false;
    QTest::newRow("pseudo-terminal COM1") << true;
}

void TestCommPortEndToEnd::setThenQueryIntoFreshWindow() {
    QFETCH(bool, serial);
    SimProcess::Options options;
    options.pty = serial;
    SimProcess sim(options);
    QVERIFY(sim.start());
    if (serial) {
        qputenv("READER_COM1", sim.ptyLink().toLocal8Bit());
    }
    const Memory before = sim.readMemoryFile();

    {
        ConnectedWindow setter(library_, sim, serial);
        QVERIFY(setter.window->connected());
        // The page opened with the reader's own MAC.
        QCOMPARE(setter.macTexts(), (QStringList{"2A", "5C", "91", "3E", "00", "01"}));
        enterValues(setter.page(), kChangedCommPortControls);
        // The MAC is the user's for this reader: typed.
        for (int i = 0; i < 6; ++i) {
            QLineEdit* edit = setter.window->form.commPortPage()->macEdit(i);
            typeInto(edit, kChangedCommPortControls.at(2 + i).second);
        }
        setter.window->set();
        QCOMPARE(setter.window->messages(), QStringList{"设置通信口参数成功 !"});
        QCOMPARE(setter.window->errors.errors, QStringList{});
    }

    Memory expected = before;
    for (const auto& [address, bytes] : kChangedCommPortBytes) {
        std::copy(bytes.begin(), bytes.end(), expected.begin() + address);
    }
    QTRY_VERIFY_WITH_TIMEOUT(sim.readMemoryFile() == expected, 10000);

    ConnectedWindow reader(library_, sim, serial);
    QVERIFY(reader.window->connected());
    QCOMPARE(reader.macTexts(), (QStringList{"02", "11", "22", "33", "44", "55"}));
    reader.window->query();
    QCOMPARE(reader.window->messages(), QStringList{"查询通信口参数成功!"});
    for (const auto& [name, value] : kChangedCommPortControls) {
        QVERIFY2(controlValue(reader.page(), name) == value,
                 qPrintable(name + ": " + controlValue(reader.page(), name)));
    }
    // Client mode on, automatic IP on.
    QVERIFY(control<QWidget>(reader.page(), "Edit36")->isEnabled());
    QVERIFY(!control<QWidget>(reader.page(), "Edit22")->isEnabled());
    QCOMPARE(reader.window->errors.errors, QStringList{});
}

void TestCommPortEndToEnd::macGuard_data() {
    QTest::addColumn<QString>("failing");  // --fail, "" for none
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<int>("portByte");  // 0xBF afterwards (the record's reader port)

    QTest::newRow("edits never filled") << "" << QStringList{"设置通信口参数成功 !"} << 0xA2;
    QTest::newRow("MAC unreadable")
        << "0xB0" << QStringList{"设置TCP/IP参数失败!", "设置通信口参数失败 !"} << 0xA1;
}

// A set with FF six times in the MAC edits (nothing filled them) writes the reader's own MAC;
// when that cannot be read, the record is not written and the other fields still are.
void TestCommPortEndToEnd::macGuard() {
    QFETCH(QString, failing);
    QFETCH(QStringList, messages);
    QFETCH(int, portByte);
    SimProcess::Options options;
    if (!failing.isEmpty()) {
        options.fail = QStringList{failing};
    }
    SimProcess sim(options);
    QVERIFY(sim.start());
    const Memory before = sim.readMemoryFile();

    ConnectedWindow window(library_, sim, false);
    QVERIFY(window.window->connected());
    enterValues(window.page(), {{"Edit8", "FF"},
                                {"Edit9", "FF"},
                                {"Edit10", "FF"},
                                {"Edit11", "FF"},
                                {"Edit12", "FF"},
                                {"Edit13", "FF"},
                                {"Edit21", "4002"},
                                {"Edit1", "33"}});
    window.window->set();
    QCOMPARE(window.window->messages(), messages);
    QTRY_COMPARE_WITH_TIMEOUT(sim.readMemoryFile()[0x88], std::uint8_t{33}, 10000);
    const Memory after = sim.readMemoryFile();
    QCOMPARE(after[0xBF], static_cast<std::uint8_t>(portByte));
    QVERIFY(std::equal(after.begin() + 0xAC, after.begin() + 0xB2, before.begin() + 0xAC));
    QCOMPARE(window.window->errors.errors, QStringList{});
}

void TestCommPortEndToEnd::macStaysWithItsReader_data() {
    QTest::addColumn<QStringList>("typed");  // into the MAC edits once B is connected
    QTest::addColumn<QString>("macOfB");     // afterwards, "" = as before
    QTest::addColumn<QString>("error");

    QTest::newRow("B keeps its own MAC") << QStringList{} << ""
                                         << "";
    QTest::newRow("typed MAC is written")
        << QStringList{"02", "B0", "C7", "00", "00", "0C"} << "02 B0 C7 00 00 0C"
        << "";
    QTest::newRow("emptied MAC stops the set")
        << QStringList{"02", "B0", "", "00", "00", "0C"} << ""
        << "'' is not a valid integer value";
}

// Query reader A, disconnect, connect reader B, set: the MAC A showed never goes into B. B
// keeps its own (read first and shown) unless the user typed one for B; an emptied MAC edit
// stops the set before anything is written.
void TestCommPortEndToEnd::macStaysWithItsReader() {
    QFETCH(QStringList, typed);
    QFETCH(QString, macOfB);
    QFETCH(QString, error);
    SimProcess readerA;
    QVERIFY(readerA.start());
    QTemporaryDir dir;
    Memory memoryOfB = readerA.readMemoryFile();
    const std::array<std::uint8_t, 6> ownMacOfB{0x02, 0xB0, 0x00, 0x00, 0x00, 0x0B};
    std::copy(ownMacOfB.begin(), ownMacOfB.end(), memoryOfB.begin() + 0xAC);
    SimProcess::Options optionsOfB;
    optionsOfB.memoryFile = dir.filePath(QStringLiteral("b.txt"));
    SimProcess::writeMemoryFile(optionsOfB.memoryFile, memoryOfB);
    SimProcess readerB(optionsOfB);
    QVERIFY(readerB.start());

    ConnectedWindow window(library_, readerA, false);
    QVERIFY(window.window->connected());
    window.window->query();
    QCOMPARE(window.window->messages(), QStringList{"查询通信口参数成功!"});
    QCOMPARE(window.macTexts(), (QStringList{"2A", "5C", "91", "3E", "00", "01"}));

    ConnectionGroup& group = *window.window->form.connectionGroup();
    group.Button2()->click();
    library_.SelectPort(readerB.tcpPort());
    group.Button1()->click();
    QVERIFY(window.window->connected());
    window.window->form.Memo1()->clear();
    for (int i = 0; i < typed.size(); ++i) {
        typeInto(window.window->form.commPortPage()->macEdit(i), typed.at(i));
    }
    control<QLineEdit>(window.page(), "Edit1")->setText(QStringLiteral("33"));
    window.window->set();

    if (!error.isEmpty()) {
        QCOMPARE(window.window->errors.errors, QStringList{error});
        QCOMPARE(window.window->messages(), QStringList{});
        QTest::qWait(300);
        QVERIFY(readerB.readMemoryFile() == memoryOfB);
        return;
    }
    QCOMPARE(window.window->messages(), QStringList{"设置通信口参数成功 !"});
    QCOMPARE(window.window->errors.errors, QStringList{});
    QTRY_COMPARE_WITH_TIMEOUT(readerB.readMemoryFile()[0x88], std::uint8_t{33}, 10000);
    const Memory after = readerB.readMemoryFile();
    QStringList written;
    for (int i = 0; i < 6; ++i) {
        written << QStringLiteral("%1").arg(after[0xAC + i], 2, 16, QChar(u'0')).toUpper();
    }
    const QString expected = macOfB.isEmpty() ? QStringLiteral("02 B0 00 00 00 0B") : macOfB;
    QCOMPARE(written.join(u' '), expected);
    // The edits show what B holds now.
    QCOMPARE(window.macTexts().join(u' '), expected);
}

QTEST_MAIN(TestCommPortEndToEnd)
#include "tst_commportendtoend.moc"
