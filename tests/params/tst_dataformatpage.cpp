// SPDX-License-Identifier: LGPL-2.1-or-later
// The page "数据格式" with its sub-pages "主动上传" and "数据格式": the controls at start, the
// control rules driven by keys and clicks, the data-frame set and query against the
// recording fake, and both against reader-sim.

#include "params/DataFormatPage.h"
#include "params/PageIndex.h"
#include "tests/support/PageTestSupport.h"
#include "tests/support/SimWindow.h"

#include <QApplication>
#include <QTabWidget>

namespace {

struct Fixture : PageOnFake<DataFormatPage> {
    QLineEdit* edit(const QString& name) { return control<QLineEdit>(page, name); }
    QComboBox* list(const QString& name) { return control<QComboBox>(page, name); }
    // Shows the page with the sub-page that holds the control.
    void showSubPageOf(const QString& name) {
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        page.PageControl2()->setCurrentWidget(control<QWidget>(page, name)->parentWidget());
    }

    // "name=value": an edit's text, a list's item text, "1"/"0" for a button.
    void enter(const QStringList& assignments) {
        for (const QString& assignment : assignments) {
            const QString name = assignment.section(u'=', 0, 0);
            const QString value = assignment.section(u'=', 1);
            if (auto* lineEdit = page.findChild<QLineEdit*>(name)) {
                lineEdit->setText(value);
            } else if (auto* box = page.findChild<QComboBox*>(name)) {
                box->setCurrentText(value);
            } else {
                control<QAbstractButton>(page, name)->setChecked(value == "1");
            }
        }
    }
    void verifyValues(const QStringList& assignments) {
        for (const QString& assignment : assignments) {
            const QString name = assignment.section(u'=', 0, 0);
            QVERIFY2(controlValue(page, name) == assignment.section(u'=', 1),
                     qPrintable(assignment + " shows " + controlValue(page, name)));
        }
    }
};

const QStringList kInterfaces{"CheckBox5",  "CheckBox7",  "CheckBox8",  "CheckBox9",
                              "CheckBox10", "CheckBox13", "CheckBox23", "CheckBox24"};

const QString kSetSucceeded = "设置数据帧参数成功 !";
const QString kSetFailed = "设置数据帧参数失败 !";
const QString kQuerySucceeded = "查询数据帧参数成功 !";
const QString kQueryFailed = "查询数据帧参数失败 !";

}  // namespace

class TestDataFormatPage : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void startState_data();
    void startState();
    void dataFrameSubPageShowsFirst();

    void rulesThroughKeysAndClicks_data();
    void rulesThroughKeysAndClicks();
    void eighthDigitMovesFocusOn();

    void setWithStartValues();
    void setWritesEncodedFields_data();
    void setWritesEncodedFields();
    void shorterCodeLeavesNoOldTail();
    void setFailure_data();
    void setFailure();

    void queryShowsStoredFields_data();
    void queryShowsStoredFields();
    void nibbleWithoutItemIsWrittenBack();
    void queryFailure_data();
    void queryFailure();
    void failedFlagsReadKeepsControlsAndEnabling();

    void setAndQueryAgainstSimulator();
};

void TestDataFormatPage::startState_data() {
    addStartStateColumns();

    startStateRow("RadioButton3", "即时上传", "1", true);
    startStateRow("RadioButton4", "定时上传", "0", true);
    startStateRow("Label6", "定时时间：", "", false);
    startStateRow("Edit5", "", "20", false);
    startStateRow("Label14", "S", "", false);
    startStateRow("CheckBox5", "Wiegand", "0", true);
    startStateRow("CheckBox7", "RS-232", "0", true);
    startStateRow("CheckBox8", "RS-485", "0", true);
    startStateRow("CheckBox9", "TCP/IP", "0", true);
    startStateRow("CheckBox10", "USB", "0", true);
    startStateRow("CheckBox13", "CAN", "0", true);
    startStateRow("CheckBox23", "USB-Keyboard", "0", true);
    startStateRow("CheckBox24", "COM-Keyboard", "0", true);
    startStateRow("RadioButton5", "HEX 格式", "1", true);
    startStateRow("RadioButton10", "ASCII 格式", "0", true);
    startStateRow("CheckBox15", "前导码", "0", true);
    startStateRow("Label25", "数据：", "", false);
    startStateRow("Edit6", "", "", false);
    startStateRow("CheckBox16", "读写器编号", "1", true);
    startStateRow("CheckBox17", "标签 ID", "1", true);
    startStateRow("Label29", "字节数：", "", true);
    startStateRow("ComboBox4", "", "8", true);
    startStateRow("Label30", "起始字节：", "", true);
    startStateRow("ComboBox10", "", "0", true);
    startStateRow("CheckBox18", "结束码", "0", true);
    startStateRow("Label27", "数据：", "", false);
    startStateRow("Edit7", "", "", false);
}

void TestDataFormatPage::startState() {
    Fixture f;
    verifyStartStateRow(f.page);
}

void TestDataFormatPage::dataFrameSubPageShowsFirst() {
    Fixture f;
    QTabWidget* subPages = f.page.PageControl2();
    QCOMPARE(subPages->count(), 2);
    QCOMPARE(subPages->tabText(0), QString("主动上传"));
    QCOMPARE(subPages->tabText(1), QString("数据格式"));
    QCOMPARE(subPages->currentIndex(), 1);
    QCOMPARE(control<QComboBox>(f.page, "ComboBox4")->count(), 8);
    QCOMPARE(control<QComboBox>(f.page, "ComboBox10")->itemText(7), QString("7"));
}

void TestDataFormatPage::rulesThroughKeysAndClicks_data() {
    QTest::addColumn<QString>("click");  // clicked first
    QTest::addColumn<QString>("editName");
    QTest::addColumn<QString>("keys");  // typed after selecting the whole text
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("enabled");

    QTest::newRow("timed upload enables the period")
        << "RadioButton4"
        << "Edit5"
        << "45"
        << "45" << QStringList{"Label6", "Edit5", "Label14"};
    QTest::newRow("emptied period") << "RadioButton4"
                                    << "Edit5"
                                    << "7\b"
                                    << "10" << QStringList{"Edit5"};
    QTest::newRow("period above 16 bits") << "RadioButton4"
                                          << "Edit5"
                                          << "70000"
                                          << "65535" << QStringList{"Edit5"};
    QTest::newRow("period digits only") << "RadioButton4"
                                        << "Edit5"
                                        << "1a-2"
                                        << "12" << QStringList{"Edit5"};
    QTest::newRow("preamble, upper case") << "CheckBox15"
                                          << "Edit6"
                                          << "ab5z"
                                          << "AB5" << QStringList{"Label25", "Edit6"};
    QTest::newRow("end code") << "CheckBox18"
                              << "Edit7"
                              << "0f1e2d3c4b"
                              << "0F1E2D3C" << QStringList{"Label27", "Edit7"};
}

void TestDataFormatPage::rulesThroughKeysAndClicks() {
    QFETCH(QString, click);
    QFETCH(QString, editName);
    QFETCH(QString, keys);
    QFETCH(QString, text);
    QFETCH(QStringList, enabled);
    Fixture f;
    f.showSubPageOf(editName);
    auto* button = control<QAbstractButton>(f.page, click);
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    for (const QString& name : enabled) {
        QVERIFY2(control<QWidget>(f.page, name)->isEnabled(), qPrintable(name));
    }
    QLineEdit* edit = f.edit(editName);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    typeKeys(edit, keys);
    QCOMPARE(edit->text(), text);

    // Clicking the option off disables the same controls again.
    QAbstractButton* off =
        click == "RadioButton4" ? control<QAbstractButton>(f.page, "RadioButton3") : button;
    QTest::mouseClick(off, Qt::LeftButton, {}, off->rect().center());
    for (const QString& name : enabled) {
        QVERIFY2(!control<QWidget>(f.page, name)->isEnabled(), qPrintable(name));
    }
}

void TestDataFormatPage::eighthDigitMovesFocusOn() {
    Fixture f;
    f.showSubPageOf("Edit6");
    control<QAbstractButton>(f.page, "CheckBox15")->setChecked(true);
    QLineEdit* edit = f.edit("Edit6");
    edit->setFocus();
    QVERIFY(QTest::qWaitFor([&] { return edit->hasFocus(); }));
    typeKeys(edit, "1234567");
    QVERIFY(edit->hasFocus());
    typeKeys(edit, "8");
    QVERIFY(!edit->hasFocus());
    QCOMPARE(QApplication::focusWidget(), control<QWidget>(f.page, "CheckBox16"));
    // A text put in by code (a query) runs the same rule: the focus moves on from the edit
    // that got its eighth digit, wherever it was; a shorter text moves nothing.
    f.edit("Edit7")->setEnabled(true);
    f.edit("Edit7")->setFocus();
    QVERIFY(QTest::qWaitFor([&] { return f.edit("Edit7")->hasFocus(); }));
    edit->setText("1122334");
    QVERIFY(f.edit("Edit7")->hasFocus());
    edit->setText("11223344");
    QCOMPARE(QApplication::focusWidget(), control<QWidget>(f.page, "CheckBox16"));
}

void TestDataFormatPage::setWithStartValues() {
    Fixture f;
    f.page.SetDataFrameParameters();
    QCOMPARE(f.library.callTexts(), (QStringList{
                                        "SetParameter(7, 0xF4, 1, 00)",
                                        "SetParameter(7, 0xF5, 2, 00 14)",
                                        "SetParameter(7, 0x82, 1, 00)",
                                        "SetParameter(7, 0xF0, 1, 00)",
                                        "SetParameter(7, 0xF7, 1, 60)",
                                        "SetParameter(7, 0xF1, 1, 08)",
                                        "SetParameter(7, 0xF8, 4, FF FF FF FF)",
                                        "SetParameter(7, 0xFC, 4, FF FF FF FF)",
                                    }));
    QCOMPARE(f.messages(), QStringList{kSetSucceeded});
}

void TestDataFormatPage::setWritesEncodedFields_data() {
    QTest::addColumn<QStringList>("entered");
    QTest::addColumn<QString>("call");

    QTest::newRow("timed upload") << QStringList{"RadioButton4=1"}
                                  << "SetParameter(7, 0xF4, 1, 01)";
    QTest::newRow("period 20") << QStringList{"RadioButton4=1", "Edit5=20"}
                               << "SetParameter(7, 0xF5, 2, 00 14)";
    QTest::newRow("period 65535") << QStringList{"Edit5=65535"}
                                  << "SetParameter(7, 0xF5, 2, FF FF)";
    QTest::newRow("Wiegand and TCP/IP")
        << QStringList{"CheckBox5=1", "CheckBox9=1"} << "SetParameter(7, 0x82, 1, 14)";
    QStringList all;
    for (const QString& name : kInterfaces) {
        all << name + "=1";
    }
    QTest::newRow("every interface") << all << "SetParameter(7, 0x82, 1, FF)";
    QTest::newRow("RS-232 and USB-Keyboard")
        << QStringList{"CheckBox7=1", "CheckBox23=1"} << "SetParameter(7, 0x82, 1, 81)";
    QTest::newRow("ASCII") << QStringList{"RadioButton10=1"} << "SetParameter(7, 0xF0, 1, 01)";
    QTest::newRow("with preamble") << QStringList{"CheckBox15=1"} << "SetParameter(7, 0xF7, 1, E0)";
    QTest::newRow("end code only") << QStringList{"CheckBox16=0", "CheckBox17=0", "CheckBox18=1"}
                                   << "SetParameter(7, 0xF7, 1, 10)";
    QTest::newRow("start 2, count 4")
        << QStringList{"ComboBox10=2", "ComboBox4=4"} << "SetParameter(7, 0xF1, 1, 24)";
    QTest::newRow("start 7, count 1")
        << QStringList{"ComboBox10=7", "ComboBox4=1"} << "SetParameter(7, 0xF1, 1, 71)";
    // The whole field is written, the code's bytes first; an odd digit is dropped.
    QTest::newRow("preamble AA55")
        << QStringList{"Edit6=AA55"} << "SetParameter(7, 0xF8, 4, AA 55 FF FF)";
    QTest::newRow("preamble AA5") << QStringList{"Edit6=AA5"}
                                  << "SetParameter(7, 0xF8, 4, AA FF FF FF)";
    QTest::newRow("preamble single digit")
        << QStringList{"Edit6=A"} << "SetParameter(7, 0xF8, 4, FF FF FF FF)";
    QTest::newRow("end code of four bytes")
        << QStringList{"Edit7=0D0A0D0A"} << "SetParameter(7, 0xFC, 4, 0D 0A 0D 0A)";
}

void TestDataFormatPage::setWritesEncodedFields() {
    QFETCH(QStringList, entered);
    QFETCH(QString, call);
    Fixture f;
    f.enter(entered);
    f.page.SetDataFrameParameters();
    QVERIFY2(f.library.callTexts().contains(call), qPrintable(f.library.callTexts().join("; ")));
    QCOMPARE(f.library.calls().size(), std::size_t{8});
    QCOMPARE(f.messages(), QStringList{kSetSucceeded});
}

// After a four-byte code, a two-byte code leaves nothing of the old one in the reader.
void TestDataFormatPage::shorterCodeLeavesNoOldTail() {
    Fixture f;
    f.enter({"Edit6=AABBCCDD"});
    f.page.SetDataFrameParameters();
    f.enter({"Edit6=1122"});
    f.page.SetDataFrameParameters();
    QCOMPARE(f.library.memory[0xF8], std::uint8_t{0x11});
    QCOMPARE(f.library.memory[0xF9], std::uint8_t{0x22});
    QCOMPARE(f.library.memory[0xFA], std::uint8_t{0xFF});
    QCOMPARE(f.library.memory[0xFB], std::uint8_t{0xFF});
    f.edit("Edit6")->setText("99");
    f.page.QueryDataFrameParameters();
    QCOMPARE(f.edit("Edit6")->text(), QString("1122"));
}

void TestDataFormatPage::setFailure_data() {
    addFieldFailureRows({{model::uploadMode, "设置即时/定时发送参数失败 !"},
                         {model::uploadPeriod, "定时发送时间参数失败 !"},
                         {model::outputInterfaces, "设置通信口参数失败 !"},
                         {model::outputFormat, "设置输出数据格式参数失败 !"},
                         {model::frameContent, "设置数据格式标志参数失败 !"},
                         {model::outputIdPart, "设置输出标签起始字节和字节数参数失败 !"},
                         {model::framePreamble, "设置前导码参数失败 !"},
                         {model::frameEndCode, "设置结束码参数失败 !"}},
                        kSetSucceeded, kSetFailed);
}

void TestDataFormatPage::setFailure() {
    Fixture f;
    verifyFieldFailure(f.library, f.memo, [&] { f.page.SetDataFrameParameters(); });
}

void TestDataFormatPage::queryShowsStoredFields_data() {
    QTest::addColumn<int>("address");
    QTest::addColumn<Bytes>("stored");
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("timed upload, bit 0 alone")
        << 0xF4 << Bytes{0x03} << QStringList{"RadioButton4=1", "RadioButton3=0"};
    QTest::newRow("immediate upload") << 0xF4 << Bytes{0x02} << QStringList{"RadioButton3=1"};
    QTest::newRow("period") << 0xF5 << Bytes{0x01, 0x2C} << QStringList{"Edit5=300"};
    QTest::newRow("interfaces 0x14")
        << 0x82 << Bytes{0x14}
        << QStringList{"CheckBox5=1",  "CheckBox9=1",  "CheckBox7=0",  "CheckBox8=0",
                       "CheckBox10=0", "CheckBox13=0", "CheckBox23=0", "CheckBox24=0"};
    QTest::newRow("interfaces 0xC3")
        << 0x82 << Bytes{0xC3}
        << QStringList{"CheckBox7=1", "CheckBox8=1", "CheckBox24=1", "CheckBox23=1", "CheckBox5=0"};
    QTest::newRow("ASCII") << 0xF0 << Bytes{0x01} << QStringList{"RadioButton10=1"};
    QTest::newRow("format 2 is HEX") << 0xF0 << Bytes{0x02} << QStringList{"RadioButton5=1"};
    QTest::newRow("flags, low bits ignored")
        << 0xF7 << Bytes{0x9F}
        << QStringList{"CheckBox15=1", "CheckBox16=0", "CheckBox17=0", "CheckBox18=1"};
    QTest::newRow("tag ID part 0x24")
        << 0xF1 << Bytes{0x24} << QStringList{"ComboBox10=2", "ComboBox4=4"};
    QTest::newRow("count 0 has no item")
        << 0xF1 << Bytes{0x20} << QStringList{"ComboBox10=2", "ComboBox4="};
    QTest::newRow("start 8 and count 9 have none")
        << 0xF1 << Bytes{0x89} << QStringList{"ComboBox10=", "ComboBox4="};
    QTest::newRow("preamble AA55")
        << 0xF8 << Bytes{0xAA, 0x55, 0xFF, 0xFF} << QStringList{"Edit6=AA55"};
    QTest::newRow("preamble ended at once")
        << 0xF8 << Bytes{0xFF, 0x12, 0x34, 0x56} << QStringList{"Edit6="};
    QTest::newRow("preamble of four bytes")
        << 0xF8 << Bytes{0x01, 0x02, 0x03, 0x04} << QStringList{"Edit6=01020304"};
    QTest::newRow("end code") << 0xFC << Bytes{0x0D, 0x0A, 0xFF, 0x00} << QStringList{"Edit7=0D0A"};
}

void TestDataFormatPage::queryShowsStoredFields() {
    QFETCH(int, address);
    QFETCH(Bytes, stored);
    QFETCH(QStringList, shown);
    Fixture f;
    // Every field differs from the start state unless the row stores it.
    f.setMemory(0xF4, {0x01});
    f.setMemory(0xF5, {0x00, 0x07});
    f.setMemory(0xF7, {0xF0});
    f.setMemory(0xF8, {0x12, 0xFF, 0xFF, 0xFF, 0x34, 0xFF, 0xFF, 0xFF});
    std::copy(stored.begin(), stored.end(), f.library.memory.begin() + address);
    f.page.QueryDataFrameParameters();
    QCOMPARE(f.library.calls().size(), std::size_t{8});
    QCOMPARE(f.messages(), QStringList{kQuerySucceeded});
    f.verifyValues(shown);
    // The enabling rules follow the values the query put in.
    QCOMPARE(control<QWidget>(f.page, "Edit5")->isEnabled(),
             controlValue(f.page, "RadioButton4") == "1");
    QCOMPARE(control<QWidget>(f.page, "Edit6")->isEnabled(),
             controlValue(f.page, "CheckBox15") == "1");
    QCOMPARE(control<QWidget>(f.page, "ComboBox4")->isEnabled(),
             controlValue(f.page, "CheckBox17") == "1");
}

// Each nibble of 0xF1 is kept on its own: a count of 0 with a start byte of 2 goes back as
// 0x20 while the user changes nothing, and a changed start byte keeps the unknown count.
void TestDataFormatPage::nibbleWithoutItemIsWrittenBack() {
    Fixture f;
    f.setMemory(0xF1, {0x20});
    f.page.QueryDataFrameParameters();
    f.library.clearCalls();
    f.page.SetDataFrameParameters();
    QVERIFY(f.library.callTexts().contains("SetParameter(7, 0xF1, 1, 20)"));
    f.enter({"ComboBox10=5"});
    f.library.clearCalls();
    f.page.SetDataFrameParameters();
    QVERIFY(f.library.callTexts().contains("SetParameter(7, 0xF1, 1, 50)"));
}

void TestDataFormatPage::queryFailure_data() {
    addFieldFailureRows({{model::uploadMode, "查询即时/定时发送参数失败！"},
                         {model::uploadPeriod, "查询定时发送时间参数失败 !"},
                         {model::outputInterfaces, "查询通信口参数失败！"},
                         {model::outputFormat, "查询输出数据格式参数失败 !"},
                         {model::frameContent, "查询数据格式标志参数失败 !"},
                         {model::outputIdPart, "查询输出标签起始字节和字节数参数失败 !"},
                         {model::framePreamble, "查询前导码参数失败 !"},
                         {model::frameEndCode, "查询结束码参数失败 !"}},
                        kQuerySucceeded, kQueryFailed);
}

void TestDataFormatPage::queryFailure() {
    Fixture f;
    verifyFieldFailure(f.library, f.memo, [&] { f.page.QueryDataFrameParameters(); });
}

void TestDataFormatPage::failedFlagsReadKeepsControlsAndEnabling() {
    Fixture f;
    f.setMemory(0xF7, {0x90});
    f.setMemory(0xF4, {0x01});
    f.setMemory(0xF8, {0xAB, 0xFF, 0xFF, 0xFF});
    f.library.failAddress(0xF7);
    f.page.QueryDataFrameParameters();
    QCOMPARE(f.messages(), (QStringList{"查询数据格式标志参数失败 !", kQueryFailed}));
    f.verifyValues({"CheckBox15=0", "CheckBox16=1", "CheckBox17=1", "CheckBox18=0",
                    "RadioButton4=1", "Edit6=AB"});
    QVERIFY(!control<QWidget>(f.page, "Edit6")->isEnabled());
    QVERIFY(control<QWidget>(f.page, "Edit5")->isEnabled());
}

void TestDataFormatPage::setAndQueryAgainstSimulator() {
    SimProcess sim;
    QVERIFY(sim.start());
    SharedReaderLibrary library;
    const QStringList values{"RadioButton4=1",  "Edit5=300",    "CheckBox8=1",  "CheckBox24=1",
                             "RadioButton10=1", "CheckBox15=1", "CheckBox16=0", "ComboBox10=3",
                             "ComboBox4=2",     "Edit6=A1B2",   "CheckBox18=1", "Edit7=0D0A0"};
    {
        SimWindow setter(library, sim.tcpPort());
        QVERIFY(setter.connected());
        // The upload sub-page showing: the set covers the other sub-page all the same.
        setter.showPage(page::DataFormat, 0);
        auto& page = *setter.form.dataFormatPage();
        for (const QString& assignment : values) {
            const QString name = assignment.section(u'=', 0, 0);
            const QString value = assignment.section(u'=', 1);
            if (auto* edit = page.findChild<QLineEdit*>(name)) {
                edit->setText(value);
            } else if (auto* box = page.findChild<QComboBox*>(name)) {
                box->setCurrentText(value);
            } else {
                control<QAbstractButton>(page, name)->setChecked(value == "1");
            }
        }
        setter.set();
        QCOMPARE(setter.messages(), QStringList{kSetSucceeded});
        QCOMPARE(setter.errors.errors, QStringList{});
    }
    const std::pair<int, std::uint8_t> bytes[] = {
        {0xF4, 0x01}, {0xF5, 0x01}, {0xF6, 0x2C}, {0x82, 0x42}, {0xF0, 0x01},
        {0xF7, 0xB0}, {0xF1, 0x32}, {0xF8, 0xA1}, {0xF9, 0xB2}, {0xFA, 0xFF},
        {0xFB, 0xFF}, {0xFC, 0x0D}, {0xFD, 0x0A}, {0xFE, 0xFF}, {0xFF, 0xFF}};
    QTRY_COMPARE_WITH_TIMEOUT(sim.readMemoryFile()[0xFD], std::uint8_t{0x0A}, 10000);
    const auto memory = sim.readMemoryFile();
    for (const auto& [address, byte] : bytes) {
        QVERIFY2(memory[static_cast<std::size_t>(address)] == byte,
                 qPrintable(QString::number(address, 16)));
    }

    SimWindow reader(library, sim.tcpPort());
    QVERIFY(reader.connected());
    reader.showPage(page::DataFormat, 1);
    reader.query();
    QCOMPARE(reader.messages(), QStringList{kQuerySucceeded});
    for (const QString& assignment : values) {
        const QString name = assignment.section(u'=', 0, 0);
        const QString expected = name == "Edit7" ? "0D0A" : assignment.section(u'=', 1);
        QVERIFY2(controlValue(*reader.form.dataFormatPage(), name) == expected,
                 qPrintable(assignment));
    }
}

QTEST_MAIN(TestDataFormatPage)
#include "tst_dataformatpage.moc"
