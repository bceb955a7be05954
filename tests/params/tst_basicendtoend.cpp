// SPDX-License-Identifier: LGPL-2.1-or-later
// The basic-function page end to end: the real window and the real library against a
// reader-sim process over loopback TCP.

#include "tests/support/SimWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>

namespace {

using Memory = std::array<std::uint8_t, 256>;

// A window connected to the simulator, showing the sub-page "基本功能".
struct ConnectedWindow : SimWindow {
    ConnectedWindow(ReaderLibrary& library, quint16 port) : SimWindow(library, port) {
        showPage(1, 0);
    }
    QWidget& page() { return *form.PageControl3()->widget(0); }
};

// Values that differ from the page's start values and from the simulator's defaults.
const QList<std::pair<QString, QString>> kChangedValues{
    {"RadioButton1", "1"}, {"Edit34", "12"},      {"Edit4", "34"},   {"CheckBox25", "1"},
    {"Edit41", "56"},      {"CheckBox1", "0"},    {"Edit3", "4660"}, {"Edit14", "300"},
    {"CheckBox3", "1"},    {"CheckBox4", "1"},    {"Edit38", "78"},  {"CheckBox21", "1"},
    {"CheckBox22", "1"},   {"RadioButton8", "1"}, {"Edit15", "90"},
};

// The bytes those values are stored as.
const QList<std::pair<int, std::uint8_t>> kChangedBytes{
    {0x91, 0x01}, {0x90, 12},   {0x92, 34},   {0x8C, 0x01}, {0x8D, 56},   {0x65, 0x00},
    {0x63, 0x12}, {0x64, 0x34}, {0x94, 0x01}, {0x95, 0x2C}, {0x9D, 0x01}, {0x9E, 0x02},
    {0x9B, 20},   {0x9C, 78},   {0x97, 0x2A}, {0x96, 90},
};

}  // namespace

class TestBasicEndToEnd : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void setThenQueryIntoFreshWindow();
    void failingField_data();
    void failingField();

  private:
    SharedReaderLibrary library_;
};

void TestBasicEndToEnd::setThenQueryIntoFreshWindow() {
    SimProcess sim;
    QVERIFY(sim.start());
    const Memory before = sim.readMemoryFile();

    {
        ConnectedWindow setter(library_, sim.tcpPort());
        QVERIFY(setter.connected());
        enterValues(setter.page(), kChangedValues);
        setter.set();
        QCOMPARE(setter.messages(), QStringList{"设置读写器参数成功 !"});
        QCOMPARE(setter.errors.errors, QStringList{});
    }

    Memory expected = before;
    for (const auto& [address, byte] : kChangedBytes) {
        expected[static_cast<std::size_t>(address)] = byte;
    }
    QTRY_VERIFY_WITH_TIMEOUT(sim.readMemoryFile() == expected, 10000);

    ConnectedWindow reader(library_, sim.tcpPort());
    QVERIFY(reader.connected());
    reader.query();
    QCOMPARE(reader.messages(), QStringList{"查询读写器参数成功 !"});
    for (const auto& [name, value] : kChangedValues) {
        QVERIFY2(controlValue(reader.page(), name) == value, qPrintable(name));
    }
    QCOMPARE(controlValue(reader.page(), "Edit37"), QString("20"));
    QVERIFY(control<QWidget>(reader.page(), "Edit15")->isEnabled());
    QVERIFY(control<QWidget>(reader.page(), "Edit34")->isEnabled());
    QCOMPARE(reader.errors.errors, QStringList{});
}

void TestBasicEndToEnd::failingField_data() {
    QTest::addColumn<QString>("failing");
    QTest::addColumn<QStringList>("setMessages");
    QTest::addColumn<QStringList>("queryMessages");

    QTest::newRow("buzzer") << "0x65" << QStringList{"设置蜂鸣器参数失败 !", "设置读写器参数成功 !"}
                            << QStringList{"查询蜂鸣器参数失败 !", "查询读写器参数成功 !"};
    QTest::newRow("relay 1 delay")
        << "0x9B" << QStringList{"设置继电器1延时参数失败 !", "设置读写器参数失败 !"}
        << QStringList{"查询继电器1延时参数失败！", "查询读写器参数失败 !"};
}

void TestBasicEndToEnd::failingField() {
    QFETCH(QString, failing);
    QFETCH(QStringList, setMessages);
    QFETCH(QStringList, queryMessages);
    SimProcess::Options options;
    options.fail = QStringList{failing};
    SimProcess sim(options);
    QVERIFY(sim.start());

    ConnectedWindow window(library_, sim.tcpPort());
    QVERIFY(window.connected());
    control<QLineEdit>(window.page(), "Edit3")->setText("1000");
    window.form.BitBtn4()->click();
    QCOMPARE(window.messages(), setMessages);
    // The fields after the failing one were written all the same.
    QTRY_COMPARE_WITH_TIMEOUT(sim.readMemoryFile()[0x96], std::uint8_t{10}, 10000);
    QCOMPARE(sim.readMemoryFile()[0x64], std::uint8_t{0xE8});

    control<QLineEdit>(window.page(), "Edit3")->setText("7");
    window.form.Memo1()->clear();
    window.form.BitBtn3()->click();
    QCOMPARE(window.messages(), queryMessages);
    QCOMPARE(controlValue(window.page(), "Edit3"), QString("1000"));
    QCOMPARE(window.errors.errors, QStringList{});
}

QTEST_MAIN(TestBasicEndToEnd)
#include "tst_basicendtoend.moc"
