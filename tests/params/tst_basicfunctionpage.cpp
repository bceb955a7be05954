// SPDX-License-Identifier: LGPL-2.1-or-later
// The sub-page "基本功能": its controls at start, its control rules driven by keys and
// clicks, and its set and query operations against the recording fake.

#include "params/BasicFunctionPage.h"
#include "tests/support/PageTestSupport.h"
#include "tests/support/TextInput.h"
#include "widgets/ErrorReporting.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QTest>

namespace {

struct Fixture : PageOnFake<BasicFunctionPage> {
    QLineEdit* edit(const char* name) { return control<QLineEdit>(page, QLatin1String(name)); }
    QAbstractButton* button(const char* name) {
        return control<QAbstractButton>(page, QLatin1String(name));
    }
    bool enabled(const QString& name) { return control<QWidget>(page, name)->isEnabled(); }
    // Shows the page and clicks the control that enables an edit (none: always enabled).
    void showWithEnabled(const QString& enabler) {
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        if (!enabler.isEmpty()) {
            auto* enabling = control<QAbstractButton>(page, enabler);
            QTest::mouseClick(enabling, Qt::LeftButton, {}, enabling->rect().center());
        }
    }
    // A reader whose every field of the page differs from the page's start values.
    void fillMemoryWithChangedValues() {
        setMemory(0x91, {0x01});
        setMemory(0x90, {7});
        setMemory(0x92, {200});
        setMemory(0x8C, {0x01, 9});
        setMemory(0x65, {0});
        setMemory(0x63, {0x03, 0xE8});
        setMemory(0x94, {0x0F, 0xA1});
        setMemory(0x96, {30, 0x3A});
        setMemory(0x9B, {255, 3, 0x03, 0x03});
    }
};

const QStringList kTriggerDependents{"Label45", "Edit34",     "Label55", "Label7", "Edit4",
                                     "Label5",  "CheckBox25", "Edit41",  "Label85"};
const QStringList kMismatchDependents{"Label41",    "Edit15",       "Label42",     "CheckBox20",
                                      "CheckBox22", "RadioButton7", "RadioButton8"};

}  // namespace

class TestBasicFunctionPage : public QObject {
    Q_OBJECT

  private slots:
    void startState_data();
    void startState();

    void ruleReplacesTypedText_data();
    void ruleReplacesTypedText();
    void clicksEnableDependentControls_data();
    void clicksEnableDependentControls();
    void matchAndMismatchExcludeEachOther();

    void setWithStartValues();
    void setWithEveryOptionOn();
    void setIdMatchControlByte_data();
    void setIdMatchControlByte();
    void setWritesDisabledFieldsAndSkipsResidualWait();
    void setFailureLogsFieldMessage_data();
    void setFailureLogsFieldMessage();
    void setStopsAtTextThatIsNotANumber_data();
    void setStopsAtTextThatIsNotANumber();
    void refusedInputNeverReachesTheSet_data();
    void refusedInputNeverReachesTheSet();
    void fullWidthDigitsAreWritten();

    void queryFillsControlsAndRunsRules();
    void queryIdMatchControlByte_data();
    void queryIdMatchControlByte();
    void queryBuzzerNeedsExactlyOne_data();
    void queryBuzzerNeedsExactlyOne();
    void queryFailureKeepsControls_data();
    void queryFailureKeepsControls();
};

void TestBasicFunctionPage::startState_data() {
    addStartStateColumns();

    startStateRow("GroupBox1", "触发参数", "", true);
    startStateRow("RadioButton1", "触发开", "0", true);
    startStateRow("RadioButton2", "触发关", "1", true);
    startStateRow("Label45", "触发延时工作时间", "", false);
    startStateRow("Edit34", "", "0", false);
    startStateRow("Label55", "S", "", false);
    startStateRow("Label7", "自动关机延时时间", "", false);
    startStateRow("Edit4", "", "10", false);
    startStateRow("Label5", "S", "", false);
    startStateRow("CheckBox25", "清除残留数据", "0", false);
    startStateRow("Edit41", "", "5", false);
    startStateRow("Label85", "S", "", false);
    startStateRow("GroupBox17", "继电器参数", "", true);
    startStateRow("CheckBox3", "识别卡继电器1自动闭合", "0", true);
    startStateRow("CheckBox14", "识别卡继电器2自动闭合", "0", true);
    startStateRow("CheckBox2", "继电器1自动延时断开", "0", true);
    startStateRow("CheckBox4", "继电器2自动延时断开", "0", true);
    startStateRow("Label51", "延时时间", "", false);
    startStateRow("Edit37", "", "20", false);
    startStateRow("Label53", "S", "", false);
    startStateRow("Label52", "延时时间", "", false);
    startStateRow("Edit38", "", "20", false);
    startStateRow("Label54", "S", "", false);
    startStateRow("GroupBox6", "用户编码", "", true);
    startStateRow("CheckBox1", "蜂鸣器", "1", true);
    startStateRow("Label17", "用户编码", "", true);
    startStateRow("Edit3", "", "0", true);
    startStateRow("Label32", "标签刷新间隔", "", true);
    startStateRow("Edit14", "", "60", true);
    startStateRow("Label36", "秒", "", true);
    startStateRow("GroupBox12", "ID匹配/失配", "", true);
    startStateRow("CheckBox19", "使能匹配功能", "0", true);
    startStateRow("CheckBox21", "使能失配功能", "0", true);
    startStateRow("Label41", "失配检测时间间隔", "", false);
    startStateRow("Edit15", "", "10", false);
    startStateRow("Label42", "秒", "", false);
    startStateRow("CheckBox20", "继电器1自动闭合", "0", false);
    startStateRow("CheckBox22", "继电器2自动闭合", "0", false);
    startStateRow("RadioButton7", "持续报警", "1", false);
    startStateRow("RadioButton8", "一次报警", "0", false);
}

void TestBasicFunctionPage::startState() {
    Fixture f;
    verifyStartStateRow(f.page);
}

void TestBasicFunctionPage::ruleReplacesTypedText_data() {
    QTest::addColumn<QString>("editName");
    QTest::addColumn<QString>("enabler");  // clicked first so the edit takes keys
    QTest::addColumn<QString>("keys");     // typed after selecting the whole text
    QTest::addColumn<QString>("expected");

    // Each of the five edits of the shared one-byte rule.
    QTest::newRow("Edit37 300") << "Edit37"
                                << "CheckBox2"
                                << "300"
                                << "255";
    QTest::newRow("Edit38 256") << "Edit38"
                                << "CheckBox4"
                                << "256"
                                << "255";
    QTest::newRow("Edit34 999") << "Edit34"
                                << "RadioButton1"
                                << "999"
                                << "255";
    QTest::newRow("Edit41 300") << "Edit41"
                                << "RadioButton1"
                                << "300"
                                << "255";
    QTest::newRow("Edit4 emptied") << "Edit4"
                                   << "RadioButton1"
                                   << "25\b\b"
                                   << "10";
    QTest::newRow("Edit4 255 kept") << "Edit4"
                                    << "RadioButton1"
                                    << "255"
                                    << "255";
    QTest::newRow("Edit37 three chars") << "Edit37"
                                        << "CheckBox2"
                                        << "0123"
                                        << "012";
    QTest::newRow("Edit15 300") << "Edit15"
                                << "CheckBox21"
                                << "300"
                                << "255";
    QTest::newRow("Edit15 emptied") << "Edit15"
                                    << "CheckBox21"
                                    << "7\b"
                                    << "10";
    QTest::newRow("Edit3 70000") << "Edit3"
                                 << ""
                                 << "70000"
                                 << "65535";
    QTest::newRow("Edit3 65535 kept") << "Edit3"
                                      << ""
                                      << "65535"
                                      << "65535";
    QTest::newRow("Edit3 emptied") << "Edit3"
                                   << ""
                                   << "12\b\b"
                                   << "0";
    QTest::newRow("Edit14 70000") << "Edit14"
                                  << ""
                                  << "70000"
                                  << "65535";
    QTest::newRow("Edit14 emptied stays") << "Edit14"
                                          << ""
                                          << "5\b"
                                          << "";
    QTest::newRow("digit filter") << "Edit14"
                                  << ""
                                  << "1a-2"
                                  << "12";
}

void TestBasicFunctionPage::ruleReplacesTypedText() {
    QFETCH(QString, editName);
    QFETCH(QString, enabler);
    QFETCH(QString, keys);
    QFETCH(QString, expected);
    Fixture f;
    f.showWithEnabled(enabler);
    QLineEdit* edit = control<QLineEdit>(f.page, editName);
    QVERIFY(edit->isEnabled());
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    typeKeys(edit, keys);
    QCOMPARE(edit->text(), expected);
}

void TestBasicFunctionPage::clicksEnableDependentControls_data() {
    QTest::addColumn<QString>("on");
    QTest::addColumn<QString>("off");  // clicked to switch the option off again
    QTest::addColumn<QStringList>("dependents");

    QTest::newRow("trigger") << "RadioButton1"
                             << "RadioButton2" << kTriggerDependents;
    QTest::newRow("relay 1 delay") << "CheckBox2"
                                   << "CheckBox2" << QStringList{"Label51", "Edit37", "Label53"};
    QTest::newRow("relay 2 delay") << "CheckBox4"
                                   << "CheckBox4" << QStringList{"Label52", "Edit38", "Label54"};
    QTest::newRow("mismatch") << "CheckBox21"
                              << "CheckBox21" << kMismatchDependents;
}

void TestBasicFunctionPage::clicksEnableDependentControls() {
    QFETCH(QString, on);
    QFETCH(QString, off);
    QFETCH(QStringList, dependents);
    Fixture f;
    f.page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.page));
    const auto click = [&](const QString& name) {
        auto* button = control<QAbstractButton>(f.page, name);
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    };
    click(on);
    for (const QString& name : dependents) {
        QVERIFY2(f.enabled(name), qPrintable(name));
    }
    click(off);
    for (const QString& name : dependents) {
        QVERIFY2(!f.enabled(name), qPrintable(name));
    }
    // The residual wait follows the trigger, not its own check box.
    QVERIFY(!f.button("CheckBox25")->isChecked());
}

void TestBasicFunctionPage::matchAndMismatchExcludeEachOther() {
    Fixture f;
    f.page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.page));
    QAbstractButton* match = f.button("CheckBox19");
    QAbstractButton* mismatch = f.button("CheckBox21");
    const auto click = [](QAbstractButton* button) {
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    };
    const auto mismatchControlsEnabled = [&](bool expected) {
        for (const QString& name : kMismatchDependents) {
            QVERIFY2(f.enabled(name) == expected, qPrintable(name));
        }
    };

    click(mismatch);
    QVERIFY(mismatch->isChecked());
    mismatchControlsEnabled(true);

    click(match);
    QVERIFY(match->isChecked());
    QVERIFY(!mismatch->isChecked());
    mismatchControlsEnabled(false);

    click(mismatch);
    QVERIFY(mismatch->isChecked());
    QVERIFY(!match->isChecked());
    mismatchControlsEnabled(true);

    click(mismatch);
    QVERIFY(!mismatch->isChecked());
    QVERIFY(!match->isChecked());
    mismatchControlsEnabled(false);
}

void TestBasicFunctionPage::setWithStartValues() {
    Fixture f;
    f.page.SetBasicParameters();
    QCOMPARE(f.library.callTexts(), (QStringList{
                                        "SetParameter(7, 0x91, 1, 00)",
                                        "SetParameter(7, 0x90, 1, 00)",
                                        "SetParameter(7, 0x92, 1, 0A)",
                                        "SetParameter(7, 0x8C, 1, 00)",
                                        "SetParameter(7, 0x65, 1, 01)",
                                        "SetParameter(7, 0x63, 2, 00 00)",
                                        "SetParameter(7, 0x94, 2, 00 3C)",
                                        "SetParameter(7, 0x9D, 1, 00)",
                                        "SetParameter(7, 0x9E, 1, 00)",
                                        "SetParameter(7, 0x9B, 1, 14)",
                                        "SetParameter(7, 0x9C, 1, 14)",
                                        "SetParameter(7, 0x97, 1, 00)",
                                        "SetParameter(7, 0x96, 1, 0A)",
                                    }));
    QCOMPARE(f.messages(), QStringList{"设置读写器参数成功 !"});
}

void TestBasicFunctionPage::setWithEveryOptionOn() {
    Fixture f;
    f.button("RadioButton1")->click();
    f.edit("Edit34")->setText("7");
    f.edit("Edit4")->setText("200");
    f.button("CheckBox25")->click();
    f.edit("Edit41")->setText("9");
    f.edit("Edit3")->setText("1000");
    f.edit("Edit14")->setText("4001");
    for (const char* name : {"CheckBox3", "CheckBox14", "CheckBox2", "CheckBox4", "CheckBox21",
                             "CheckBox20", "CheckBox22", "RadioButton8"}) {
        f.button(name)->click();
    }
    f.edit("Edit37")->setText("255");
    f.edit("Edit38")->setText("3");
    f.edit("Edit15")->setText("30");

    f.page.SetBasicParameters();
    QCOMPARE(f.library.callTexts(), (QStringList{
                                        "SetParameter(7, 0x91, 1, 01)",
                                        "SetParameter(7, 0x90, 1, 07)",
                                        "SetParameter(7, 0x92, 1, C8)",
                                        "SetParameter(7, 0x8C, 1, 01)",
                                        "SetParameter(7, 0x8D, 1, 09)",
                                        "SetParameter(7, 0x65, 1, 01)",
                                        "SetParameter(7, 0x63, 2, 03 E8)",
                                        "SetParameter(7, 0x94, 2, 0F A1)",
                                        "SetParameter(7, 0x9D, 1, 03)",
                                        "SetParameter(7, 0x9E, 1, 03)",
                                        "SetParameter(7, 0x9B, 1, FF)",
                                        "SetParameter(7, 0x9C, 1, 03)",
                                        "SetParameter(7, 0x97, 1, 3A)",
                                        "SetParameter(7, 0x96, 1, 1E)",
                                    }));
    QCOMPARE(f.messages(), QStringList{"设置读写器参数成功 !"});
}

void TestBasicFunctionPage::setIdMatchControlByte_data() {
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QString>("call");

    QTest::newRow("mismatch, continuous, relay 2")
        << QStringList{"CheckBox21", "CheckBox22"} << "SetParameter(7, 0x97, 1, 26)";
    QTest::newRow("mismatch, single, no relays")
        << QStringList{"CheckBox21", "RadioButton8"} << "SetParameter(7, 0x97, 1, 0A)";
    QTest::newRow("mismatch, continuous, both relays")
        << QStringList{"CheckBox21", "CheckBox20", "CheckBox22"} << "SetParameter(7, 0x97, 1, 36)";
    QTest::newRow("match") << QStringList{"CheckBox19"} << "SetParameter(7, 0x97, 1, 01)";
    // Relay and alarm choices left from mismatch do not leak into the match byte.
    QTest::newRow("match after mismatch with relays")
        << QStringList{"CheckBox21", "CheckBox20", "CheckBox19"} << "SetParameter(7, 0x97, 1, 01)";
    QTest::newRow("neither") << QStringList{} << "SetParameter(7, 0x97, 1, 00)";
}

void TestBasicFunctionPage::setIdMatchControlByte() {
    QFETCH(QStringList, clicks);
    QFETCH(QString, call);
    Fixture f;
    for (const QString& name : clicks) {
        control<QAbstractButton>(f.page, name)->click();
    }
    f.page.SetBasicParameters();
    const QStringList calls = f.library.callTexts();
    QCOMPARE(calls.filter("0x97"), QStringList{call});
}

void TestBasicFunctionPage::setWritesDisabledFieldsAndSkipsResidualWait() {
    Fixture f;
    // Values entered while the options were on stay and are written after switching off.
    f.button("RadioButton1")->click();
    f.edit("Edit34")->setText("33");
    f.edit("Edit4")->setText("44");
    f.button("CheckBox25")->click();
    f.button("RadioButton2")->click();
    QVERIFY(!f.edit("Edit34")->isEnabled());
    QVERIFY(f.button("CheckBox25")->isChecked());
    f.button("CheckBox25")->setChecked(false);
    f.library.memory[0x8D] = 0x5A;

    f.page.SetBasicParameters();
    const QStringList calls = f.library.callTexts();
    QCOMPARE(calls.mid(0, 4), (QStringList{
                                  "SetParameter(7, 0x91, 1, 00)",
                                  "SetParameter(7, 0x90, 1, 21)",
                                  "SetParameter(7, 0x92, 1, 2C)",
                                  "SetParameter(7, 0x8C, 1, 00)",
                              }));
    QVERIFY(calls.filter("0x8D").isEmpty());
    QCOMPARE(f.library.memory[0x8D], std::uint8_t{0x5A});
}

void TestBasicFunctionPage::setFailureLogsFieldMessage_data() {
    // With clearing on, so the residual wait is a step too.
    addFieldFailureRows(
        {
            {model::triggerMode, "设置触发参数失败 !"},
            {model::triggerDelay, "设置触发延时工作时间参数失败 !"},
            {model::shutdownDelay, "设置触发自动关机延时参数失败 !"},
            {model::residualClear, "设置触发残留数据清除使能参数失败 !"},
            {model::residualClearWait, "设置触发残留数据清除等待时间参数失败 !"},
            {model::buzzer, "设置蜂鸣器参数失败 !", false},
            {model::userCode, "设置用户编码参数失败 !"},
            {model::tagRefreshInterval, "设置标签刷新时间间隔参数失败 !"},
            {model::relaysCloseOnCard, "设置继电器自动闭合参数失败 ! "},
            {model::relaysOpenAfterDelay, "设置继电器自动断开参数失败 ! "},
            {model::relay1Delay, "设置继电器1延时参数失败 !"},
            {model::relay2Delay, "设置继电器2延时参数失败 !"},
            {model::idMatchControl, "设置ID匹配控制参数失败 !"},
            {model::idMatchInterval, "设置ID匹配检测时间间隔参数失败 !"},
        },
        "设置读写器参数成功 !", "设置读写器参数失败 !");
}

void TestBasicFunctionPage::setFailureLogsFieldMessage() {
    Fixture f;
    f.button("CheckBox25")->setChecked(true);
    verifyFieldFailure(f.library, f.memo, [&] { f.page.SetBasicParameters(); });
    QCOMPARE(f.library.callTexts().constLast(), QString("SetParameter(7, 0x96, 1, 0A)"));
}

void TestBasicFunctionPage::setStopsAtTextThatIsNotANumber_data() {
    QTest::addColumn<QString>("pasted");
    QTest::newRow("emptied") << "";
    QTest::newRow("above the int range") << "2147483648";
}

void TestBasicFunctionPage::setStopsAtTextThatIsNotANumber() {
    QFETCH(QString, pasted);
    Fixture f;
    QLineEdit* edit = f.edit("Edit14");
    edit->selectAll();
    if (pasted.isEmpty()) {
        edit->del();
    } else {
        edit->insert(pasted);
    }
    QCOMPARE(edit->text(), pasted);
    QString error;
    try {
        f.page.SetBasicParameters();
    } catch (const ConversionError& conversionError) {
        error = conversionError.message();
    }
    QCOMPARE(error, QString("'%1' is not a valid integer value").arg(pasted));
    QCOMPARE(f.library.callTexts(), (QStringList{
                                        "SetParameter(7, 0x91, 1, 00)",
                                        "SetParameter(7, 0x90, 1, 00)",
                                        "SetParameter(7, 0x92, 1, 0A)",
                                        "SetParameter(7, 0x8C, 1, 00)",
                                        "SetParameter(7, 0x65, 1, 01)",
                                        "SetParameter(7, 0x63, 2, 00 00)",
                                    }));
    QCOMPARE(f.library.memory[0x92], std::uint8_t{10});
    QVERIFY(f.messages().isEmpty());
}

void TestBasicFunctionPage::refusedInputNeverReachesTheSet_data() {
    QTest::addColumn<QString>("editName");
    QTest::addColumn<QString>("enabler");  // clicked first so the edit takes input
    QTest::addColumn<QString>("way");      // see enterText()
    QTest::addColumn<QString>("entered");
    const QList<QPair<QString, QString>> edits{{"Edit3", ""},
                                               {"Edit4", "RadioButton1"},
                                               {"Edit14", ""},
                                               {"Edit15", "CheckBox21"},
                                               {"Edit34", "RadioButton1"},
                                               {"Edit37", "CheckBox2"},
                                               {"Edit38", "CheckBox4"},
                                               {"Edit41", "RadioButton1"}};
    for (const auto& [name, enabler] : edits) {
        for (const char* way : {"paste", "drop", "commit"}) {
            for (const char* entered : {"abc", "-5", "x1"}) {
                QTest::addRow("%s, %s %s", qPrintable(name), way, entered)
                    << name << enabler << way << entered;
            }
        }
    }
}

// The set converts every edit's text; a character that the filter refuses must never get
// there, so the set never stops half-way on one.
void TestBasicFunctionPage::refusedInputNeverReachesTheSet() {
    QFETCH(QString, editName);
    QFETCH(QString, enabler);
    QFETCH(QString, way);
    QFETCH(QString, entered);
    Fixture f;
    f.showWithEnabled(enabler);
    QLineEdit* edit = control<QLineEdit>(f.page, editName);
    QVERIFY(edit->isEnabled());
    const QString before = edit->text();
    f.page.SetBasicParameters();
    const QStringList calls = f.library.callTexts();
    f.library.clearCalls();

    edit->end(false);
    enterText(edit, way, entered);
    QCOMPARE(edit->text(), before);
    QString error;
    try {
        f.page.SetBasicParameters();
    } catch (const ConversionError& conversionError) {
        error = conversionError.message();
    }
    QCOMPARE(error, QString());
    QCOMPARE(f.library.callTexts(), calls);
}

void TestBasicFunctionPage::fullWidthDigitsAreWritten() {
    Fixture f;
    QLineEdit* edit = f.edit("Edit14");
    edit->selectAll();
    commitText(edit, QStringLiteral("１２３４"));
    QCOMPARE(edit->text(), QStringLiteral("1234"));
    f.page.SetBasicParameters();
    QVERIFY(f.library.callTexts().contains(QStringLiteral("SetParameter(7, 0x94, 2, 04 D2)")));
}

void TestBasicFunctionPage::queryFillsControlsAndRunsRules() {
    Fixture f;
    f.fillMemoryWithChangedValues();
    f.page.QueryBasicParameters();

    QCOMPARE(f.library.callTexts(), (QStringList{
                                        "GetParameter(7, 0x91, 1)",
                                        "GetParameter(7, 0x90, 1)",
                                        "GetParameter(7, 0x92, 1)",
                                        "GetParameter(7, 0x8C, 1)",
                                        "GetParameter(7, 0x8D, 1)",
                                        "GetParameter(7, 0x65, 1)",
                                        "GetParameter(7, 0x63, 2)",
                                        "GetParameter(7, 0x94, 2)",
                                        "GetParameter(7, 0x9D, 1)",
                                        "GetParameter(7, 0x9E, 1)",
                                        "GetParameter(7, 0x9B, 1)",
                                        "GetParameter(7, 0x9C, 1)",
                                        "GetParameter(7, 0x96, 1)",
                                        "GetParameter(7, 0x97, 1)",
                                    }));
    QCOMPARE(f.messages(), QStringList{"查询读写器参数成功 !"});

    const QList<std::pair<QString, QString>> expected{
        {"RadioButton1", "1"}, {"RadioButton2", "0"}, {"Edit34", "7"},     {"Edit4", "200"},
        {"CheckBox25", "1"},   {"Edit41", "9"},       {"CheckBox1", "0"},  {"Edit3", "1000"},
        {"Edit14", "4001"},    {"CheckBox3", "1"},    {"CheckBox14", "1"}, {"CheckBox2", "1"},
        {"CheckBox4", "1"},    {"Edit37", "255"},     {"Edit38", "3"},     {"Edit15", "30"},
        {"CheckBox19", "0"},   {"CheckBox21", "1"},   {"CheckBox20", "1"}, {"CheckBox22", "1"},
        {"RadioButton7", "0"}, {"RadioButton8", "1"},
    };
    for (const auto& [name, value] : expected) {
        QVERIFY2(controlValue(f.page, name) == value, qPrintable(name));
    }
    // The click rules ran as the values arrived.
    for (const QString& name : kTriggerDependents + kMismatchDependents +
                                   QStringList{"Label51", "Edit37", "Label52", "Edit38"}) {
        QVERIFY2(f.enabled(name), qPrintable(name));
    }

    // And back: the trigger off and the relays off disable their controls again.
    f.setMemory(0x91, {0x02});
    f.setMemory(0x9E, {0x00});
    f.setMemory(0x97, {0x01});
    f.page.QueryBasicParameters();
    for (const QString& name : kTriggerDependents + kMismatchDependents +
                                   QStringList{"Label51", "Edit37", "Label52", "Edit38"}) {
        QVERIFY2(!f.enabled(name), qPrintable(name));
    }
    QVERIFY(f.button("RadioButton2")->isChecked());
    QVERIFY(f.button("CheckBox19")->isChecked());
}

void TestBasicFunctionPage::queryIdMatchControlByte_data() {
    QTest::addColumn<int>("stored");
    // CheckBox19, CheckBox21, CheckBox20, CheckBox22, RadioButton7, RadioButton8
    QTest::addColumn<QString>("buttons");

    QTest::newRow("match and mismatch bits") << 0x03 << "010001";
    QTest::newRow("match") << 0x01 << "100001";
    QTest::newRow("mismatch, continuous, relay 2") << 0x26 << "010110";
    QTest::newRow("mismatch, single alarm bit") << 0x0A << "010001";
    QTest::newRow("mismatch, relay 1, no alarm bit") << 0x12 << "011001";
    QTest::newRow("nothing") << 0x00 << "000001";
}

void TestBasicFunctionPage::queryIdMatchControlByte() {
    QFETCH(int, stored);
    QFETCH(QString, buttons);
    Fixture f;
    f.library.memory[0x97] = static_cast<std::uint8_t>(stored);
    f.page.QueryBasicParameters();
    QString shown;
    for (const char* name :
         {"CheckBox19", "CheckBox21", "CheckBox20", "CheckBox22", "RadioButton7", "RadioButton8"}) {
        shown += controlValue(f.page, name);
    }
    QCOMPARE(shown, buttons);
    const bool mismatch = buttons[1] == u'1';
    for (const QString& name : kMismatchDependents) {
        QVERIFY2(f.enabled(name) == mismatch, qPrintable(name));
    }
}

void TestBasicFunctionPage::queryBuzzerNeedsExactlyOne_data() {
    QTest::addColumn<int>("stored");
    QTest::addColumn<bool>("ticked");
    QTest::newRow("1") << 1 << true;
    QTest::newRow("2") << 2 << false;
    QTest::newRow("0") << 0 << false;
    QTest::newRow("0xFF") << 0xFF << false;
}

void TestBasicFunctionPage::queryBuzzerNeedsExactlyOne() {
    QFETCH(int, stored);
    QFETCH(bool, ticked);
    Fixture f;
    f.button("CheckBox1")->setChecked(!ticked);
    f.library.memory[0x65] = static_cast<std::uint8_t>(stored);
    f.page.QueryBasicParameters();
    QCOMPARE(f.button("CheckBox1")->isChecked(), ticked);
}

void TestBasicFunctionPage::queryFailureKeepsControls_data() {
    QTest::addColumn<int>("address");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QStringList>("unchanged");  // name=value at start

    const QString failed = "查询读写器参数失败 !";
    QTest::newRow("0x91") << 0x91 << "查询触发参数失败 !" << failed
                          << QStringList{"RadioButton1=0", "RadioButton2=1"};
    QTest::newRow("0x90") << 0x90 << "查询触发延时工作时间参数失败 !" << failed
                          << QStringList{"Edit34=0"};
    QTest::newRow("0x92") << 0x92 << "查询触发自动关机延时参数失败 !" << failed
                          << QStringList{"Edit4=10"};
    QTest::newRow("0x8C") << 0x8C << "查询触发清除残留数据使能参数失败 !" << failed
                          << QStringList{"CheckBox25=0"};
    QTest::newRow("0x8D") << 0x8D << "查询触发清除残留数据等待时间参数失败 !" << failed
                          << QStringList{"Edit41=5"};
    QTest::newRow("0x65 buzzer") << 0x65 << "查询蜂鸣器参数失败 !"
                                 << "查询读写器参数成功 !" << QStringList{"CheckBox1=1"};
    QTest::newRow("0x63") << 0x63 << "查询用户编码参数失败 !" << failed << QStringList{"Edit3=0"};
    QTest::newRow("0x94") << 0x94 << "查询标签刷新时间间隔参数失败 !" << failed
                          << QStringList{"Edit14=60"};
    QTest::newRow("0x9D") << 0x9D << "查询继电器自动闭合参数失败 ! " << failed
                          << QStringList{"CheckBox3=0", "CheckBox14=0"};
    QTest::newRow("0x9E") << 0x9E << "查询继电器自动断开参数失败 ! " << failed
                          << QStringList{"CheckBox2=0", "CheckBox4=0"};
    QTest::newRow("0x9B") << 0x9B << "查询继电器1延时参数失败！" << failed
                          << QStringList{"Edit37=20"};
    QTest::newRow("0x9C") << 0x9C << "查询继电器2延时参数失败！" << failed
                          << QStringList{"Edit38=20"};
    QTest::newRow("0x96") << 0x96 << "查询ID匹配检测时间间隔参数失败 !" << failed
                          << QStringList{"Edit15=10"};
    QTest::newRow("0x97") << 0x97 << "查询ID匹配控制参数失败 !" << failed
                          << QStringList{"CheckBox19=0", "CheckBox21=0", "CheckBox20=0",
                                         "CheckBox22=0", "RadioButton7=1"};
}

void TestBasicFunctionPage::queryFailureKeepsControls() {
    QFETCH(int, address);
    QFETCH(QString, message);
    QFETCH(QString, summary);
    QFETCH(QStringList, unchanged);
    Fixture f;
    f.fillMemoryWithChangedValues();
    f.library.failAddress(address);

    f.page.QueryBasicParameters();
    QCOMPARE(f.messages(), (QStringList{message, summary}));
    QCOMPARE(f.library.callTexts().size(), 14);
    for (const QString& pair : unchanged) {
        const QString name = pair.section(u'=', 0, 0);
        QVERIFY2(controlValue(f.page, name) == pair.section(u'=', 1), qPrintable(pair));
    }
    // The other fields arrived: the user code stands for them.
    if (address != 0x63) {
        QCOMPARE(f.edit("Edit3")->text(), QString("1000"));
    }
}

QTEST_MAIN(TestBasicFunctionPage)
#include "tst_basicfunctionpage.moc"
