// SPDX-License-Identifier: LGPL-2.1-or-later
// The page "Kelvarn": its controls after the first show, its set and query operations
// against the recording fake, and both end to end in the positioning window against
// reader-sim.

#include "params/PageIndex.h"
#include "params/ParameterDispatch.h"
#include "params/PositioningPage.h"
#include "tests/support/PageTestSupport.h"
#include "tests/support/SimWindow.h"

#include <QApplication>
#include <QComboBox>

namespace {

constexpr int kPositioningWindow = 2;

struct Fixture : PageOnFake<PositioningPage> {
    Fixture() { page.formShow({kPositioningWindow, 1}); }

    QComboBox* list(const char* name) { return control<QComboBox>(page, QLatin1String(name)); }
    QAbstractButton* button(const char* name) {
        return control<QAbstractButton>(page, QLatin1String(name));
    }
};

const QString kSetFailed = "设置Kelvarn参数失败！";
const QString kQueryFailed = "查询Kelvarn参数失败！";

}  // namespace

class TestPositioningPage : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void startState_data();
    void startState();
    void listsAfterShow();

    void setWritesSensitivities_data();
    void setWritesSensitivities();
    void setFailure_data();
    void setFailure();
    void defaultSetRestoresStartValues();

    void queryReadMode_data();
    void queryReadMode();
    void querySensitivityWithoutItem_data();
    void querySensitivityWithoutItem();
    void valueWithoutItemIsWrittenBack();
    void queryFailure_data();
    void queryFailure();
    void failedReadModeAloneStillShowsLists();

    void setAndQueryAgainstSimulator();
};

void TestPositioningPage::startState_data() {
    addStartStateColumns();
    startStateRow("RadioButton6", "普通读卡", "0", true);
    startStateRow("RadioButton9", "定位读卡", "1", true);
    startStateRow("SensitivityLabel", "定位灵敏度：", "", true);
    startStateRow("ComboBox13", "", "1", true);
    startStateRow("FailureJudgementLabel", "失效判定：", "", true);
    startStateRow("ComboBox18", "", "6", true);
}

void TestPositioningPage::startState() {
    Fixture f;
    verifyStartStateRow(f.page);
}

void TestPositioningPage::listsAfterShow() {
    Fixture f;
    QComboBox* sensitivity = f.list("ComboBox13");
    QComboBox* judgement = f.list("ComboBox18");
    // A second show refills instead of appending.
    sensitivity->setCurrentIndex(4);
    f.page.formShow({kPositioningWindow, 1});
    QCOMPARE(sensitivity->count(), 10);
    QCOMPARE(sensitivity->itemText(9), QString("10"));
    QCOMPARE(sensitivity->currentIndex(), 0);
    QCOMPARE(judgement->count(), 25);
    QCOMPARE(judgement->itemText(24), QString("30"));
}

void TestPositioningPage::setWritesSensitivities_data() {
    QTest::addColumn<QString>("sensitivity");
    QTest::addColumn<QString>("judgement");
    QTest::addColumn<QStringList>("calls");

    QTest::newRow("defaults") << "1"
                              << "6"
                              << QStringList{"SetParameter(7, 0xA7, 1, 01)",
                                             "SetParameter(7, 0x9A, 1, 06)"};
    QTest::newRow("10 and 30") << "10"
                               << "30"
                               << QStringList{"SetParameter(7, 0xA7, 1, 0A)",
                                              "SetParameter(7, 0x9A, 1, 1E)"};
}

void TestPositioningPage::setWritesSensitivities() {
    QFETCH(QString, sensitivity);
    QFETCH(QString, judgement);
    QFETCH(QStringList, calls);
    Fixture f;
    f.list("ComboBox13")->setCurrentText(sensitivity);
    f.list("ComboBox18")->setCurrentText(judgement);
    // The card-read mode is never written, whichever button is checked.
    f.button("RadioButton6")->setChecked(true);
    f.page.SetPositioningParameters();
    QCOMPARE(f.library.callTexts(), calls);
    QCOMPARE(f.messages(), QStringList{"设置Kelvarn参数成功！"});
}

void TestPositioningPage::setFailure_data() {
    addFieldFailureRows({{model::positioningSensitivity, "设置定位灵敏读参数失败！"},
                         {model::tagFailureJudgement, "设置标签失效判定灵敏度参数失败！"}},
                        "设置Kelvarn参数成功！", kSetFailed);
}

void TestPositioningPage::setFailure() {
    Fixture f;
    verifyFieldFailure(f.library, f.memo, [&] { f.page.SetPositioningParameters(); });
}

void TestPositioningPage::defaultSetRestoresStartValues() {
    Fixture f;
    f.button("RadioButton6")->setChecked(true);
    f.list("ComboBox13")->setCurrentIndex(5);
    f.list("ComboBox18")->setCurrentIndex(-1);
    f.page.applyDefaultSet();
    QCOMPARE(controlValue(f.page, "RadioButton9"), QString("1"));
    QCOMPARE(controlValue(f.page, "ComboBox13"), QString("1"));
    QCOMPARE(controlValue(f.page, "ComboBox18"), QString("6"));
    QVERIFY(f.library.calls().empty());
    QVERIFY(f.messages().isEmpty());
}

void TestPositioningPage::queryReadMode_data() {
    QTest::addColumn<std::uint8_t>("stored");
    QTest::addColumn<bool>("positioning");

    QTest::newRow("0x01") << std::uint8_t{0x01} << true;
    QTest::newRow("0x00") << std::uint8_t{0x00} << false;
    QTest::newRow("0x02") << std::uint8_t{0x02} << false;
    QTest::newRow("0xFF") << std::uint8_t{0xFF} << false;
}

void TestPositioningPage::queryReadMode() {
    QFETCH(std::uint8_t, stored);
    QFETCH(bool, positioning);
    Fixture f;
    f.button(positioning ? "RadioButton6" : "RadioButton9")->setChecked(true);
    f.setMemory(0x9F, {stored});
    f.setMemory(0xA7, {3});
    f.setMemory(0x9A, {20});
    f.page.QueryPositioningParameters();
    QCOMPARE(f.library.callTexts(),
             (QStringList{"GetParameter(7, 0x9F, 1)", "GetParameter(7, 0xA7, 1)",
                          "GetParameter(7, 0x9A, 1)"}));
    QCOMPARE(f.button("RadioButton9")->isChecked(), positioning);
    QCOMPARE(f.button("RadioButton6")->isChecked(), !positioning);
    QCOMPARE(controlValue(f.page, "ComboBox13"), QString("3"));
    QCOMPARE(controlValue(f.page, "ComboBox18"), QString("20"));
    QCOMPARE(f.messages(), QStringList{"查询Kelvarn参数成功！"});
}

void TestPositioningPage::querySensitivityWithoutItem_data() {
    QTest::addColumn<int>("sensitivity");
    QTest::addColumn<int>("judgement");
    QTest::addColumn<QString>("shownSensitivity");
    QTest::addColumn<QString>("shownJudgement");

    QTest::newRow("0 and 5") << 0 << 5 << ""
                             << "";
    QTest::newRow("11 and 31") << 11 << 31 << ""
                               << "";
    QTest::newRow("10 and 6") << 10 << 6 << "10"
                              << "6";
}

void TestPositioningPage::querySensitivityWithoutItem() {
    QFETCH(int, sensitivity);
    QFETCH(int, judgement);
    QFETCH(QString, shownSensitivity);
    QFETCH(QString, shownJudgement);
    Fixture f;
    f.setMemory(0xA7, {std::uint8_t(sensitivity)});
    f.setMemory(0x9A, {std::uint8_t(judgement)});
    f.page.QueryPositioningParameters();
    QCOMPARE(controlValue(f.page, "ComboBox13"), shownSensitivity);
    QCOMPARE(controlValue(f.page, "ComboBox18"), shownJudgement);
    QCOMPARE(f.messages(), QStringList{"查询Kelvarn参数成功！"});
}

// A query followed by a set never changes a byte the window cannot show; an item picked
// afterwards is written as usual.
void TestPositioningPage::valueWithoutItemIsWrittenBack() {
    Fixture f;
    f.setMemory(0xA7, {2});
    f.setMemory(0x9A, {40});
    f.page.QueryPositioningParameters();
    QCOMPARE(f.list("ComboBox18")->currentIndex(), -1);
    f.library.clearCalls();
    f.page.SetPositioningParameters();
    QCOMPARE(f.library.callTexts(),
             (QStringList{"SetParameter(7, 0xA7, 1, 02)", "SetParameter(7, 0x9A, 1, 28)"}));

    f.list("ComboBox18")->setCurrentText("6");
    f.library.clearCalls();
    f.page.SetPositioningParameters();
    QCOMPARE(f.library.callTexts().constLast(), QString("SetParameter(7, 0x9A, 1, 06)"));
}

void TestPositioningPage::queryFailure_data() {
    addFieldFailureRows({{model::cardReadMode, "查询读写器读卡模式参数失败！"},
                         {model::positioningSensitivity, "查询定位灵敏读参数失败！"},
                         {model::tagFailureJudgement, "查询标签失效判定灵敏度参数失败！"}},
                        "查询Kelvarn参数成功！", kQueryFailed);
}

void TestPositioningPage::queryFailure() {
    Fixture f;
    verifyFieldFailure(f.library, f.memo, [&] { f.page.QueryPositioningParameters(); });
}

void TestPositioningPage::failedReadModeAloneStillShowsLists() {
    Fixture f;
    f.setMemory(0x9F, {0x00});
    f.setMemory(0xA7, {7});
    f.setMemory(0x9A, {25});
    f.library.failAddress(0x9F);
    f.page.QueryPositioningParameters();
    QCOMPARE(f.messages(), (QStringList{"查询读写器读卡模式参数失败！", kQueryFailed}));
    QVERIFY(f.button("RadioButton9")->isChecked());
    QCOMPARE(controlValue(f.page, "ComboBox13"), QString("7"));
    QCOMPARE(controlValue(f.page, "ComboBox18"), QString("25"));
}

void TestPositioningPage::setAndQueryAgainstSimulator() {
    SimProcess sim;
    QVERIFY(sim.start());
    SharedReaderLibrary library;
    {
        SimWindow setter(library, sim.tcpPort(), kPositioningWindow);
        QVERIFY(setter.connected());
        setter.showPage(page::Positioning);
        QCOMPARE(setter.form.parameterDispatch().currentOperation(), PageOperation::Positioning);
        control<QComboBox>(setter.form, "ComboBox13")->setCurrentText("9");
        control<QComboBox>(setter.form, "ComboBox18")->setCurrentText("27");
        setter.set();
        QCOMPARE(setter.messages(), QStringList{"设置Kelvarn参数成功！"});
    }
    QTRY_COMPARE_WITH_TIMEOUT(sim.readMemoryFile()[0xA7], std::uint8_t{9}, 10000);
    QCOMPARE(sim.readMemoryFile()[0x9A], std::uint8_t{27});

    SimWindow reader(library, sim.tcpPort(), kPositioningWindow);
    QVERIFY(reader.connected());
    reader.showPage(page::Positioning);
    reader.query();
    QCOMPARE(reader.messages(), QStringList{"查询Kelvarn参数成功！"});
    QCOMPARE(controlValue(reader.form, "ComboBox13"), QString("9"));
    QCOMPARE(controlValue(reader.form, "ComboBox18"), QString("27"));
    // The simulator's factory card-read mode is not 1.
    QCOMPARE(controlValue(reader.form, "RadioButton6"),
             QString(sim.readMemoryFile()[0x9F] == 1 ? "0" : "1"));
    QCOMPARE(reader.errors.errors, QStringList{});
}

QTEST_MAIN(TestPositioningPage)
#include "tst_positioningpage.moc"
