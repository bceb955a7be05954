// SPDX-License-Identifier: LGPL-2.1-or-later
// The extended-function page end to end: the real window and the real library against a
// reader-sim process over loopback TCP.

#include "params/LimitedMemo.h"
#include "tests/support/SimWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>

namespace {

using Memory = std::array<std::uint8_t, 256>;

const QString kKey = "00112233445566778899AABBCCDDEEFF";

// A window connected to the simulator, showing the sub-page "扩展功能".
struct ConnectedWindow : SimWindow {
    ConnectedWindow(ReaderLibrary& library, quint16 port) : SimWindow(library, port) {
        showPage(1, 1);
    }
    QWidget& page() { return *form.PageControl3()->widget(1); }
    void tick(const char* name, bool on) {
        auto* button = control<QAbstractButton>(page(), QLatin1String(name));
        if (button->isChecked() != on) {
            button->click();
        }
    }
    void setText(const char* name, const QString& text) {
        control<QLineEdit>(page(), QLatin1String(name))->setText(text);
    }
    // Picks a list item as the user does.
    void choose(const char* name, int index) {
        auto* list = control<QComboBox>(page(), QLatin1String(name));
        list->setCurrentIndex(index);
        emit list->activated(index);
    }
    LimitedMemo& memo() { return *control<LimitedMemo>(page(), "Memo2"); }
};

}  // namespace

class TestExtendedEndToEnd : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void setThenQueryIntoFreshWindow();
    void failingField_data();
    void failingField();

  private:
    SharedReaderLibrary library_;
};

void TestExtendedEndToEnd::setThenQueryIntoFreshWindow() {
    SimProcess sim;
    QVERIFY(sim.start());
    Memory expected = sim.readMemoryFile();
    ScopedSleeper sleeper;

    {
        ConnectedWindow setter(library_, sim.tcpPort());
        QVERIFY(setter.connected());
        setter.tick("CheckBox66", true);
        setter.setText("Edit72", "300");
        setter.choose("ComboBox15", 3);
        typeKeys(&setter.memo(), kKey.toLower());
        setter.tick("CheckBox26", true);
        setter.choose("ComboBox19", 7);
        setter.tick("CheckBox27", true);
        setter.setText("Edit42", "16");
        setter.setText("Edit43", "4294967295");
        setter.tick("RadioButton12", true);
        setter.set();
        QCOMPARE(setter.messages(), QStringList{"设置读写器参数成功 !"});
        QCOMPARE(setter.errors.errors, QStringList{});
        QCOMPARE(sleeper.pauses, QList<int>{500});
    }

    // The offline switch reaches 0x57 through the library's offline call.
    const QList<std::pair<int, std::uint8_t>> changed{
        {0x57, 0x01}, {0x54, 0x01}, {0x55, 0x2C}, {0x40, 0x83}, {0x8E, 7},
        {0x6E, 0x01}, {0x78, 0x00}, {0x79, 0x00}, {0x7A, 0x00}, {0x7B, 0x10},
        {0x7C, 0xFF}, {0x7D, 0xFF}, {0x7E, 0xFF}, {0x7F, 0xFF}, {0x81, 0x00},
    };
    for (const auto& [address, byte] : changed) {
        expected[static_cast<std::size_t>(address)] = byte;
    }
    for (int i = 0; i < 16; ++i) {
        expected[static_cast<std::size_t>(0x30 + i)] = static_cast<std::uint8_t>(0x11 * i);
    }
    QTRY_VERIFY_WITH_TIMEOUT(sim.readMemoryFile() == expected, 10000);

    ConnectedWindow reader(library_, sim.tcpPort());
    QVERIFY(reader.connected());
    reader.query();
    QCOMPARE(reader.messages(), QStringList{"查询读写器参数成功 !"});
    const QList<std::pair<QString, QString>> shown{
        {"CheckBox66", "1"}, {"Edit72", "300"},        {"ComboBox15", "客户尊享模式"},
        {"CheckBox26", "1"}, {"ComboBox19", "7"},      {"CheckBox27", "1"},
        {"Edit42", "16"},    {"Edit43", "4294967295"}, {"RadioButton12", "1"},
    };
    for (const auto& [name, value] : shown) {
        QVERIFY2(controlValue(reader.page(), name) == value, qPrintable(name));
    }
    // The key is never read back.
    QCOMPARE(reader.memo().toPlainText(), QString());

    // Offline recording off: the switch goes, the interval stays, no pause.
    sleeper.pauses.clear();
    reader.tick("CheckBox66", false);
    reader.form.Memo1()->clear();
    reader.set();
    QCOMPARE(reader.messages(), QStringList{"设置读写器参数成功 !"});
    QCOMPARE(sleeper.pauses, QList<int>{});
    QTRY_COMPARE_WITH_TIMEOUT(sim.readMemoryFile()[0x57], std::uint8_t{0}, 10000);
    QCOMPARE(sim.readMemoryFile()[0x55], std::uint8_t{0x2C});
    QCOMPARE(reader.errors.errors, QStringList{});
}

void TestExtendedEndToEnd::failingField_data() {
    QTest::addColumn<QString>("failing");
    QTest::addColumn<QStringList>("setMessages");
    QTest::addColumn<QStringList>("queryMessages");

    QTest::newRow("mode byte") << "0x40"
                               << QStringList{"设置ID加密模式参数失败 !", "设置读写器参数失败 !"}
                               << QStringList{"查询ID加密模式参数失败 !", "查询读写器参数失败 !"};
    QTest::newRow("range flag") << "0x6E"
                                << QStringList{"设置标签过滤标志参数失败 !", "设置读写器参数失败 !"}
                                << QStringList{"查询标签过滤标志参数失败 !",
                                               "查询读写器参数失败 !"};
}

void TestExtendedEndToEnd::failingField() {
    QFETCH(QString, failing);
    QFETCH(QStringList, setMessages);
    QFETCH(QStringList, queryMessages);
    SimProcess::Options options;
    options.fail = QStringList{failing};
    SimProcess sim(options);
    QVERIFY(sim.start());

    ConnectedWindow window(library_, sim.tcpPort());
    QVERIFY(window.connected());
    window.tick("CheckBox27", true);
    window.setText("Edit42", "1000");
    window.setText("Edit43", "2000");
    window.tick("RadioButton12", true);
    window.set();
    QCOMPARE(window.messages(), setMessages);
    // The fields after the failing one were written all the same.
    QTRY_COMPARE_WITH_TIMEOUT(sim.readMemoryFile()[0x81], std::uint8_t{0}, 10000);
    QCOMPARE(sim.readMemoryFile()[0x7B], std::uint8_t{0xE8});

    window.setText("Edit42", "1");
    window.form.Memo1()->clear();
    window.query();
    QCOMPARE(window.messages(), queryMessages);
    // After a failed flag the bounds are not read.
    QCOMPARE(controlValue(window.page(), "Edit42"), QString(failing == "0x6E" ? "1" : "1000"));
    QCOMPARE(window.errors.errors, QStringList{});
}

QTEST_MAIN(TestExtendedEndToEnd)
#include "tst_extendedendtoend.moc"
