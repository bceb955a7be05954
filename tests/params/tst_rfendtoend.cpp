// SPDX-License-Identifier: LGPL-2.1-or-later
// The page "射频参数" end to end: the real window and the real library against a reader-sim
// process over loopback TCP, each sub-page's set and query.

#include "app/Main.h"
#include "tests/support/SimWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QMap>
#include <QTabWidget>
#include <QTemporaryDir>

namespace {

using Memory = std::array<std::uint8_t, 256>;

constexpr int kRfPage = 4;

// A reader whose RF bytes all differ from the window's start values, so a write into the
// wrong channel shows in the memory.
Memory distinctRfMemory() {
    Memory memory{};
    const auto put = [&memory](int address, std::initializer_list<std::uint8_t> bytes) {
        std::copy(bytes.begin(), bytes.end(), memory.begin() + address);
    };
    put(0xA1, {0xC4});
    put(0xC6, {3, 4});
    put(0xC8, {1, 2, 3, 4, 5, 6, 7, 8});
    put(0xD0, {0x00, 0x11, 0x22, 0x33, 0x04, 0x15, 0x26, 0x37});
    put(0xD8, {10, 20, 30, 40, 11, 21, 31, 41});
    return memory;
}

// A window connected to the simulator, showing one sub-page of "射频参数".
struct ConnectedWindow : SimWindow {
    ConnectedWindow(ReaderLibrary& library, quint16 port, int subPage)
        : SimWindow(library, port), subPage_(subPage) {
        showPage(kRfPage, subPage);
    }
    QWidget& page() { return *form.PageControl4()->widget(subPage_); }
    // Every list of the sub-page by name, with its selected text ("" without a selection).
    QMap<QString, QString> listValues() {
        QMap<QString, QString> values;
        for (const QComboBox* list : page().findChildren<QComboBox*>()) {
            values.insert(list->objectName(), controlValue(page(), list->objectName()));
        }
        return values;
    }

  private:
    int subPage_;
};

}  // namespace

class TestRfEndToEnd : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void setThenQueryIntoFreshWindow_data();
    void setThenQueryIntoFreshWindow();
    void failingField_data();
    void failingField();

  private:
    SharedReaderLibrary library_;
};

void TestRfEndToEnd::setThenQueryIntoFreshWindow_data() {
    QTest::addColumn<int>("subPage");
    QTest::addColumn<QStringList>("choices");  // list=position
    QTest::addColumn<QList<int>>("written");   // address, byte, address, byte, ...

    QTest::newRow("基本参数") << 0 << QStringList{"ComboBox5=7", "ComboBox8=31", "ComboBox6=10"}
                              << QList<int>{0xC6, 0x07, 0xC7, 0x1F, 0xA1, 0x9C};
    QTest::newRow("通道一设置") << 1
                                << QStringList{"ComboBox34=1", "ComboBox43=3", "ComboBox41=0",
                                               "ComboBox24=19", "ComboBox30=124"}
                                << QList<int>{0xD8, 0x01, 0xD9, 0x3C, 0xDA, 0x46, 0xDB, 0x7C,
                                              0xD0, 0x2F, 0xD1, 0x03, 0xD2, 0x2F, 0xD3, 0x2F,
                                              0xC8, 0x08, 0xC9, 0x08, 0xCA, 0x14, 0xCB, 0x08};
    QTest::newRow("通道二设置") << 2
                                << QStringList{"ComboBox36=100", "ComboBox39=0", "ComboBox37=3",
                                               "ComboBox54=0", "ComboBox49=1"}
                                << QList<int>{0xDC, 0x64, 0xDD, 0x3C, 0xDE, 0x46, 0xDF, 0x50,
                                              0xD4, 0x30, 0xD5, 0x2F, 0xD6, 0x1F, 0xD7, 0x2F,
                                              0xCC, 0x08, 0xCD, 0x08, 0xCE, 0x08, 0xCF, 0x01};
}

void TestRfEndToEnd::setThenQueryIntoFreshWindow() {
    QFETCH(int, subPage);
    QFETCH(QStringList, choices);
    QFETCH(QList<int>, written);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    SimProcess::Options options;
    options.memoryFile = dir.filePath("memory.txt");
    const Memory before = distinctRfMemory();
    SimProcess::writeMemoryFile(options.memoryFile, before);
    SimProcess sim(options);
    QVERIFY(sim.start());

    QMap<QString, QString> shown;
    {
        ConnectedWindow setter(library_, sim.tcpPort(), subPage);
        QVERIFY(setter.connected());
        for (const QString& choice : choices) {
            control<QComboBox>(setter.page(), choice.section(u'=', 0, 0))
                ->setCurrentIndex(choice.section(u'=', 1).toInt());
        }
        setter.set();
        QCOMPARE(setter.messages(), QStringList{"设置射频参数成功！"});
        QCOMPARE(setter.errors.errors, QStringList{});
        shown = setter.listValues();
    }

    // Only the sub-page's own bytes changed.
    Memory expected = before;
    for (int i = 0; i + 1 < written.size(); i += 2) {
        expected[static_cast<std::size_t>(written[i])] = static_cast<std::uint8_t>(written[i + 1]);
    }
    QTRY_VERIFY_WITH_TIMEOUT(sim.readMemoryFile() == expected, 10000);

    ConnectedWindow reader(library_, sim.tcpPort(), subPage);
    QVERIFY(reader.connected());
    QVERIFY(reader.listValues() != shown);
    reader.query();
    QCOMPARE(reader.messages(), QStringList{"查询射频参数成功！"});
    QCOMPARE(reader.listValues(), shown);
    QCOMPARE(reader.errors.errors, QStringList{});
}

void TestRfEndToEnd::failingField_data() {
    QTest::addColumn<QString>("failing");
    QTest::addColumn<int>("subPage");
    QTest::addColumn<QStringList>("setMessages");
    QTest::addColumn<QStringList>("queryMessages");
    QTest::addColumn<QStringList>("shown");  // list=text after the query

    QTest::newRow("attenuations") << "0xC7" << 0
                                  << QStringList{"设置衰减系数失败 !", "设置射频参数失败！"}
                                  << QStringList{"查询通道衰减系数失败 !", "查询射频参数失败！"}
                                  << QStringList{"ComboBox5=0 dB", "ComboBox6=-60"};
    QTest::newRow("frequencies 1-4")
        << "0xD8" << 1 << QStringList{"设置频率参数失败！", "设置射频参数失败！"}
        << QStringList{"查询频率参数失败！", "查询射频参数失败！"}
        << QStringList{"ComboBox34=2450 MHz", "ComboBox25=Level 0", "ComboBox35=250  Kbps",
                       "ComboBox3=Type 1", "ComboBox32=Type 4"};
    QTest::newRow("tag types 5-8")
        << "0xCF" << 2 << QStringList{"设置标签类型参数失败！", "设置射频参数失败！"}
        << QStringList{"查询标签类型参数失败！", "查询射频参数失败！"}
        << QStringList{"ComboBox36=2411 MHz", "ComboBox55=Level 7", "ComboBox53=2000 Kbps",
                       "ComboBox38=Type 8"};
}

void TestRfEndToEnd::failingField() {
    QFETCH(QString, failing);
    QFETCH(int, subPage);
    QFETCH(QStringList, setMessages);
    QFETCH(QStringList, queryMessages);
    QFETCH(QStringList, shown);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    SimProcess::Options options;
    options.memoryFile = dir.filePath("memory.txt");
    options.fail = QStringList{failing};
    SimProcess::writeMemoryFile(options.memoryFile, distinctRfMemory());
    SimProcess sim(options);
    QVERIFY(sim.start());

    ConnectedWindow window(library_, sim.tcpPort(), subPage);
    QVERIFY(window.connected());
    window.query();
    QCOMPARE(window.messages(), queryMessages);
    for (const QString& entry : shown) {
        const QString name = entry.section(u'=', 0, 0);
        QVERIFY2(controlValue(window.page(), name) == entry.section(u'=', 1),
                 qPrintable(entry + " shows " + controlValue(window.page(), name)));
    }

    window.form.Memo1()->clear();
    window.set();
    QCOMPARE(window.messages(), setMessages);
    QCOMPARE(window.errors.errors, QStringList{});
}

QTEST_MAIN(TestRfEndToEnd)
#include "tst_rfendtoend.moc"
