// SPDX-License-Identifier: LGPL-2.1-or-later
// The sub-page "扩展功能": its controls at start, its control rules driven by keys, clicks
// and focus changes, and its set and query operations against the recording fake.

#include "app/Main.h"
#include "params/ExtendedFunctionPage.h"
#include "params/LimitedMemo.h"
#include "params/ParameterDispatch.h"
#include "params/RangeRules.h"
#include "tests/support/PageTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

namespace {

const QString kDigits32 = "0123456789ABCDEF0123456789ABCDEF";
const QString kKey16Bytes = "01 23 45 67 89 AB CD EF 01 23 45 67 89 AB CD EF";

QString setCall(int address, const QString& bytes) {
    const int length = static_cast<int>(bytes.split(u' ').size());
    return QStringLiteral("SetParameter(7, 0x%1, %2, %3)")
        .arg(QString::number(address, 16).toUpper())
        .arg(length)
        .arg(bytes);
}

struct Fixture : PageOnFake<ExtendedFunctionPage> {
    QLineEdit* edit(const char* name) { return control<QLineEdit>(page, QLatin1String(name)); }
    QAbstractButton* button(const char* name) {
        return control<QAbstractButton>(page, QLatin1String(name));
    }
    QComboBox* list(const char* name) { return control<QComboBox>(page, QLatin1String(name)); }
    LimitedMemo* memo() { return control<LimitedMemo>(page, "Memo2"); }
    bool enabled(const QString& name) { return control<QWidget>(page, name)->isEnabled(); }

    // The page as the user sees it: shown, active, so keys and focus behave as on screen.
    bool showActive() {
        page.show();
        page.activateWindow();
        return QTest::qWaitForWindowActive(&page);
    }
    void click(const char* name) {
        QAbstractButton* target = button(name);
        QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
    }
    // Picks an encryption mode with the keyboard, as the user does: each key picks an item.
    void chooseMode(int mode) {
        QComboBox* modes = list("ComboBox15");
        QTest::keyClick(modes, Qt::Key_Home);
        for (int i = 0; i < mode; ++i) {
            QTest::keyClick(modes, Qt::Key_Down);
        }
        QCOMPARE(modes->currentIndex(), mode);
    }
    // Types into the key box: "\n" is Return, "\r" the keypad's Enter, "\b" backspace.
    void typeKey(const QString& keys) {
        for (QChar key : keys) {
            if (key == u'\n') {
                QTest::keyClick(memo(), Qt::Key_Return);
            } else if (key == u'\r') {
                QTest::keyClick(memo(), Qt::Key_Enter, Qt::KeypadModifier);
            } else {
                typeKeys(memo(), QString(key));
            }
        }
    }
    // A reader whose every field of the page differs from the page's start values.
    void fillMemoryWithChangedValues() {
        setMemory(0x57, {1});
        setMemory(0x54, {0x00, 0x3C});
        setMemory(0x40, {0x82});
        setMemory(0x8E, {5});
        setMemory(0x6E, {0x01});
        setMemory(0x78, {0x00, 0x00, 0x00, 0x10, 0xFF, 0xFF, 0xFF, 0xFF});
        setMemory(0x81, {0x00});
    }
};

const QStringList kOfflineDependents{"Edit72", "Label33", "Label102"};
const QStringList kKeyDependents{"Label43", "CheckBox26", "Memo2"};
const QStringList kRangeDependents{"Label87", "Label88", "Edit42", "Edit43"};

}  // namespace

class TestExtendedFunctionPage : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void startState_data();
    void startState();
    void listsAndLengthLimits();
    void windowShowsPageClearOfRightButtons();

    void clicksEnableDependentControls_data();
    void clicksEnableDependentControls();
    void modeRule_data();
    void modeRule();
    void modeSelectedFromCodeRunsNothing();
    void keyBoxFilter_data();
    void keyBoxFilter();
    void keyBoxFiltersPastedAndComposedText_data();
    void keyBoxFiltersPastedAndComposedText();
    void sharedModeKeepsLongerKey();
    void numberRules_data();
    void numberRules();
    void rangeRulesReadTheirOwnRange_data();
    void rangeRulesReadTheirOwnRange();
    void leavingTagFilter_data();
    void leavingTagFilter();
    void otherWindowIsNoExit();

    void setWithStartValues();
    void setOfflineFunction_data();
    void setOfflineFunction();
    void setKey_data();
    void setKey();
    void setRange_data();
    void setRange();
    void setEveryFieldChanged();
    void setFailureLogsFieldMessage_data();
    void setFailureLogsFieldMessage();

    void queryFillsControlsAndRunsRules();
    void queryModeByte_data();
    void queryModeByte();
    void queryKeepsByteWithoutItem_data();
    void queryKeepsByteWithoutItem();
    void queryOnOffBits_data();
    void queryOnOffBits();
    void queryThenSetKeepsFullUnsignedBound();
    void queryFailureKeepsControls_data();
    void queryFailureKeepsControls();
};

void TestExtendedFunctionPage::startState_data() {
    addStartStateColumns();

    startStateRow("GroupBox18", "离线功能", "", true);
    startStateRow("CheckBox66", "使能离线功能", "0", true);
    startStateRow("Label33", "保存记录间隔", "", true);
    startStateRow("Edit72", "", "65535", false);
    startStateRow("Label102", "秒", "", false);
    startStateRow("GroupBox19", "读写器属性", "", true);
    startStateRow("Label49", "加密模式", "", true);
    startStateRow("ComboBox15", "", "无加密模式", true);
    startStateRow("Label43", "密钥", "", false);
    startStateRow("CheckBox26", "静态存储", "0", false);
    startStateRow("GroupBox25", "标签过滤", "", true);
    startStateRow("Label82", "标签抑制因子", "", true);
    startStateRow("ComboBox19", "", "1", true);
    startStateRow("CheckBox27", "标签值区间", "0", true);
    startStateRow("Label87", "最小", "", false);
    startStateRow("Edit42", "", "0", false);
    startStateRow("Label88", "最大", "", false);
    startStateRow("Edit43", "", "0", false);
    startStateRow("GroupBox26", "读写器安装属性", "", true);
    startStateRow("RadioButton11", "门外侧位置", "1", true);
    startStateRow("RadioButton12", "门内侧位置", "0", true);
}

void TestExtendedFunctionPage::startState() {
    Fixture f;
    verifyStartStateRow(f.page);
}

void TestExtendedFunctionPage::listsAndLengthLimits() {
    Fixture f;
    const auto items = [](QComboBox* list) {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i) {
            texts << list->itemText(i);
        }
        return texts;
    };
    QCOMPARE(items(f.list("ComboBox15")),
             (QStringList{"无加密模式", "厂家加密模式", "分享加密模式", "客户尊享模式"}));
    QStringList factors;
    for (int factor = 0; factor <= 10; ++factor) {
        factors << QString::number(factor);
    }
    QCOMPARE(items(f.list("ComboBox19")), factors);
    QVERIFY(!f.list("ComboBox15")->isEditable());
    QVERIFY(!f.list("ComboBox19")->isEditable());
    QCOMPARE(f.edit("Edit72")->maxLength(), 5);
    QCOMPARE(f.memo()->maxLength(), 32);
    QVERIFY(!f.memo()->isEnabled());

    // The window empties the key box when it is first shown.
    f.memo()->setPlainText("Memo2");
    f.page.formShow({});
    QCOMPARE(f.memo()->toPlainText(), QString());
}

// The whole window: the page is the one the dispatch runs for "扩展功能", every caption
// fits its control, and no control lies under the right-hand buttons.
void TestExtendedFunctionPage::windowShowsPageClearOfRightButtons() {
    RecordingReaderLibrary library;
    TForm1 form(library, 0);
    QTabWidget* subPages = form.PageControl3();
    QWidget* page = subPages->widget(1);
    QCOMPARE(subPages->tabText(1), QString("扩展功能"));
    control<LimitedMemo>(*page, "Memo2")->setPlainText("Memo2");
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(control<LimitedMemo>(*page, "Memo2")->toPlainText(), QString());
    QCOMPARE(form.parameterDispatch().page(PageOperation::Extended),
             dynamic_cast<ParameterPage*>(page));
    subPages->setCurrentIndex(1);

    const int buttonsLeft = form.BitBtn1()->mapTo(&form, QPoint(0, 0)).x();
    const QRect area(page->mapTo(&form, QPoint(0, 0)), page->size());
    const auto groups = page->findChildren<QGroupBox*>();
    QCOMPARE(groups.size(), 4);
    for (QGroupBox* group : groups) {
        const QRect box(group->mapTo(&form, QPoint(0, 0)), group->size());
        QVERIFY2(box.right() < buttonsLeft, qPrintable(group->objectName()));
        QVERIFY2(area.contains(box), qPrintable(group->objectName()));
        QVERIFY2(group->fontMetrics().horizontalAdvance(group->title()) < group->width() - 16,
                 qPrintable(group->objectName()));
    }
    for (QWidget* widget : page->findChildren<QWidget*>()) {
        if (qobject_cast<QLabel*>(widget) || qobject_cast<QAbstractButton*>(widget)) {
            QVERIFY2(widget->sizeHint().width() <= widget->width(),
                     qPrintable(widget->objectName()));
        }
        if (auto* list = qobject_cast<QComboBox*>(widget)) {
            QVERIFY2(list->minimumSizeHint().width() <= list->width() + 4,
                     qPrintable(list->objectName()));
        }
    }
    // The largest bound and a full key are readable whole.
    for (const char* name : {"Edit42", "Edit43"}) {
        QLineEdit* edit = control<QLineEdit>(*page, name);
        QVERIFY(edit->fontMetrics().horizontalAdvance("4294967295") < edit->width() - 8);
    }
}

void TestExtendedFunctionPage::clicksEnableDependentControls_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QStringList>("dependents");
    QTest::newRow("offline function") << "CheckBox66" << kOfflineDependents;
    QTest::newRow("tag value range") << "CheckBox27" << kRangeDependents;
}

void TestExtendedFunctionPage::clicksEnableDependentControls() {
    QFETCH(QString, option);
    QFETCH(QStringList, dependents);
    Fixture f;
    QVERIFY(f.showActive());
    f.click(qPrintable(option));
    for (const QString& name : dependents) {
        QVERIFY2(f.enabled(name), qPrintable(name));
    }
    f.click(qPrintable(option));
    for (const QString& name : dependents) {
        QVERIFY2(!f.enabled(name), qPrintable(name));
    }
}

void TestExtendedFunctionPage::modeRule_data() {
    QTest::addColumn<int>("before");  // the mode picked first
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("keyEntry");
    QTest::addColumn<int>("limit");

    QTest::newRow("无加密模式") << 3 << 0 << false << 32;
    QTest::newRow("厂家加密模式") << 2 << 1 << false << 16;
    QTest::newRow("分享加密模式") << 3 << 2 << true << 16;
    QTest::newRow("客户尊享模式") << 2 << 3 << true << 32;
}

void TestExtendedFunctionPage::modeRule() {
    QFETCH(int, before);
    QFETCH(int, mode);
    QFETCH(bool, keyEntry);
    QFETCH(int, limit);
    Fixture f;
    QVERIFY(f.showActive());
    QComboBox* modes = f.list("ComboBox15");
    modes->setFocus();
    f.chooseMode(before);
    QCOMPARE(QApplication::focusWidget(), f.memo());
    modes->setFocus();
    f.chooseMode(mode);
    for (const QString& name : kKeyDependents) {
        QVERIFY2(f.enabled(name) == keyEntry, qPrintable(name));
    }
    QCOMPARE(f.memo()->maxLength(), limit);
    QCOMPARE(QApplication::focusWidget(), keyEntry ? static_cast<QWidget*>(f.memo()) : modes);
}

void TestExtendedFunctionPage::modeSelectedFromCodeRunsNothing() {
    Fixture f;
    f.list("ComboBox15")->setCurrentIndex(3);
    for (const QString& name : kKeyDependents) {
        QVERIFY2(!f.enabled(name), qPrintable(name));
    }
}

void TestExtendedFunctionPage::keyBoxFilter_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("expected");

    QTest::newRow("lower case shows upper") << 3 << "abcdef09"
                                            << "ABCDEF09";
    QTest::newRow("upper case passes") << 3 << "ABCDEF"
                                       << "ABCDEF";
    QTest::newRow("other keys discarded") << 3 << "g1z-2 h.G"
                                          << "12";
    QTest::newRow("Return discarded") << 3 << "12\n34"
                                      << "1234";
    QTest::newRow("keypad Enter discarded") << 3 << "12\r34"
                                            << "1234";
    QTest::newRow("backspace") << 3 << "12\b3"
                               << "13";
    QTest::newRow("32 digits in mode 3") << 3 << kDigits32 + "12" << kDigits32;
    QTest::newRow("16 digits in mode 2") << 2 << kDigits32 << kDigits32.left(16);
}

void TestExtendedFunctionPage::keyBoxFilter() {
    QFETCH(int, mode);
    QFETCH(QString, keys);
    QFETCH(QString, expected);
    Fixture f;
    QVERIFY(f.showActive());
    f.list("ComboBox15")->setFocus();
    f.chooseMode(mode);
    f.typeKey(keys);
    QCOMPARE(f.memo()->toPlainText(), expected);
}

void TestExtendedFunctionPage::keyBoxFiltersPastedAndComposedText_data() {
    QTest::addColumn<QString>("existing");
    QTest::addColumn<QString>("inserted");
    QTest::addColumn<QString>("expected");

    QTest::newRow("hex kept, lower case raised") << "12"
                                                 << "ab:cd\nEF 3g"
                                                 << "12ABCDEF3";
    QTest::newRow("cut to the limit")
        << kDigits32.left(30) << "abcdef" << kDigits32.left(30) + "AB";
    QTest::newRow("full box takes nothing") << kDigits32 << "1" << kDigits32;
}

// Pasted and input-method text goes through the same filter and limit as typed keys.
void TestExtendedFunctionPage::keyBoxFiltersPastedAndComposedText() {
    QFETCH(QString, existing);
    QFETCH(QString, inserted);
    QFETCH(QString, expected);
    for (const bool paste : {true, false}) {
        Fixture f;
        QVERIFY(f.showActive());
        f.list("ComboBox15")->setFocus();
        f.chooseMode(3);
        f.memo()->setPlainText(existing);
        f.memo()->moveCursor(QTextCursor::End);
        if (paste) {
            QApplication::clipboard()->setText(inserted);
            QTest::keyClick(f.memo(), Qt::Key_V, Qt::ControlModifier);
        } else {
            QInputMethodEvent composed;
            composed.setCommitString(inserted);
            QApplication::sendEvent(f.memo(), &composed);
        }
        QVERIFY2(f.memo()->toPlainText() == expected, paste ? "pasted" : "composed");
    }
}

void TestExtendedFunctionPage::sharedModeKeepsLongerKey() {
    Fixture f;
    QVERIFY(f.showActive());
    f.list("ComboBox15")->setFocus();
    f.chooseMode(3);
    f.typeKey(kDigits32.toLower());
    f.list("ComboBox15")->setFocus();
    f.chooseMode(2);
    QCOMPARE(f.memo()->toPlainText(), kDigits32);
    QCOMPARE(f.memo()->maxLength(), 16);
    // Over the limit it takes no more, but erases.
    f.typeKey("5");
    QCOMPARE(f.memo()->toPlainText(), kDigits32);
    f.typeKey("\b");
    QCOMPARE(f.memo()->toPlainText(), kDigits32.left(31));
}

void TestExtendedFunctionPage::numberRules_data() {
    QTest::addColumn<QString>("editName");
    QTest::addColumn<QString>("enabler");  // clicked first so the edit takes keys
    QTest::addColumn<QString>("keys");     // typed after selecting the whole text
    QTest::addColumn<QString>("expected");

    QTest::newRow("Edit72 70000") << "Edit72"
                                  << "CheckBox66"
                                  << "70000"
                                  << "65535";
    QTest::newRow("Edit72 65535 kept") << "Edit72"
                                       << "CheckBox66"
                                       << "65535"
                                       << "65535";
    QTest::newRow("Edit72 0 kept") << "Edit72"
                                   << "CheckBox66"
                                   << "0"
                                   << "0";
    QTest::newRow("Edit72 emptied") << "Edit72"
                                    << "CheckBox66"
                                    << "5\b"
                                    << "10";
    QTest::newRow("Edit72 letter") << "Edit72"
                                   << "CheckBox66"
                                   << "1x"
                                   << "10";
    QTest::newRow("Edit72 sign") << "Edit72"
                                 << "CheckBox66"
                                 << "-"
                                 << "10";
    QTest::newRow("Edit72 five characters") << "Edit72"
                                            << "CheckBox66"
                                            << "123456"
                                            << "12345";
    QTest::newRow("Edit42 largest unsigned") << "Edit42"
                                             << "CheckBox27"
                                             << "4294967295"
                                             << "4294967295";
    QTest::newRow("Edit43 largest unsigned") << "Edit43"
                                             << "CheckBox27"
                                             << "4294967295"
                                             << "4294967295";
    QTest::newRow("Edit43 above signed range") << "Edit43"
                                               << "CheckBox27"
                                               << "2147483648"
                                               << "2147483648";
    QTest::newRow("Edit43 above unsigned range") << "Edit43"
                                                 << "CheckBox27"
                                                 << "4294967296"
                                                 << "0";
    QTest::newRow("Edit42 above unsigned range") << "Edit42"
                                                 << "CheckBox27"
                                                 << "9999999999"
                                                 << "0";
    QTest::newRow("Edit42 emptied") << "Edit42"
                                    << "CheckBox27"
                                    << "7\b"
                                    << "0";
    QTest::newRow("Edit42 digit filter") << "Edit42"
                                         << "CheckBox27"
                                         << "1a-2"
                                         << "12";
}

void TestExtendedFunctionPage::numberRules() {
    QFETCH(QString, editName);
    QFETCH(QString, enabler);
    QFETCH(QString, keys);
    QFETCH(QString, expected);
    Fixture f;
    QVERIFY(f.showActive());
    f.click(qPrintable(enabler));
    QLineEdit* edit = control<QLineEdit>(f.page, editName);
    QVERIFY(edit->isEnabled());
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    typeKeys(edit, keys);
    QCOMPARE(edit->text(), expected);
}

Q_DECLARE_METATYPE(RangeRule)

void TestExtendedFunctionPage::rangeRulesReadTheirOwnRange_data() {
    QTest::addColumn<RangeRule>("rule");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    // The rules of the signed range read a larger number as no number, as before.
    QTest::newRow("ByteOr10 2147483647") << range::ByteOr10 << "2147483647"
                                         << "255";
    QTest::newRow("ByteOr10 2147483648") << range::ByteOr10 << "2147483648"
                                         << "10";
    QTest::newRow("ByteOr10 -1") << range::ByteOr10 << "-1"
                                 << "10";
    QTest::newRow("UserCode 4294967295") << range::UserCode << "4294967295"
                                         << "0";
    QTest::newRow("TagRefresh 2147483648 left") << range::TagRefresh << "2147483648"
                                                << "2147483648";
    QTest::newRow("TagRefresh 70000") << range::TagRefresh << "70000"
                                      << "65535";
    QTest::newRow("OfflineInterval 65536") << range::OfflineInterval << "65536"
                                           << "65535";
    QTest::newRow("OfflineInterval blank") << range::OfflineInterval << " "
                                           << "10";
    QTest::newRow("TagBound 4294967295") << range::TagBound << "4294967295"
                                         << "4294967295";
    QTest::newRow("TagBound 4294967296") << range::TagBound << "4294967296"
                                         << "0";
    QTest::newRow("TagBound -1") << range::TagBound << "-1"
                                 << "0";
    QTest::newRow("TagBound 18446744073709551616") << range::TagBound << "18446744073709551616"
                                                   << "0";
}

void TestExtendedFunctionPage::rangeRulesReadTheirOwnRange() {
    QFETCH(RangeRule, rule);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QLineEdit edit(text);
    applyRangeRule(&edit, rule);
    QCOMPARE(edit.text(), expected);
}

void TestExtendedFunctionPage::leavingTagFilter_data() {
    QTest::addColumn<bool>("filterOn");
    QTest::addColumn<bool>("backwards");  // Shift+Tab out of the group
    QTest::addColumn<QString>("lower");
    QTest::addColumn<QString>("upper");
    QTest::addColumn<QString>("expectedLower");
    QTest::addColumn<QString>("expectedUpper");

    QTest::newRow("both 0") << true << false << "0"
                            << "0"
                            << "0"
                            << "2147483647";
    QTest::newRow("both 0, filter off") << false << false << "0"
                                        << "0"
                                        << "0"
                                        << "2147483647";
    QTest::newRow("both 0, backwards") << false << true << "0"
                                       << "0"
                                       << "0"
                                       << "2147483647";
    QTest::newRow("500 and 100") << true << false << "500"
                                 << "100"
                                 << "0"
                                 << "2147483647";
    QTest::newRow("equal") << true << false << "5"
                           << "5"
                           << "0"
                           << "2147483647";
    QTest::newRow("16 and 4096 kept") << true << false << "16"
                                      << "4096"
                                      << "16"
                                      << "4096";
    QTest::newRow("largest upper bound kept") << true << false << "100"
                                              << "4294967295"
                                              << "100"
                                              << "4294967295";
    QTest::newRow("kept, filter off") << false << true << "1"
                                      << "2"
                                      << "1"
                                      << "2";
}

// The rule runs when the focus leaves the group, not while it moves inside it.
void TestExtendedFunctionPage::leavingTagFilter() {
    QFETCH(bool, filterOn);
    QFETCH(bool, backwards);
    QFETCH(QString, lower);
    QFETCH(QString, upper);
    QFETCH(QString, expectedLower);
    QFETCH(QString, expectedUpper);
    Fixture f;
    QVERIFY(f.showActive());
    if (filterOn) {
        f.click("CheckBox27");
    }
    f.edit("Edit42")->setText(lower);
    f.edit("Edit43")->setText(upper);
    QWidget* group = control<QGroupBox>(f.page, "GroupBox25");
    f.list("ComboBox19")->setFocus();
    QWidget* focus = QApplication::focusWidget();
    int keys = 0;
    while (group->isAncestorOf(focus) && keys++ < 10) {
        QCOMPARE(f.edit("Edit42")->text(), lower);
        QCOMPARE(f.edit("Edit43")->text(), upper);
        QTest::keyClick(focus, backwards ? Qt::Key_Backtab : Qt::Key_Tab,
                        backwards ? Qt::ShiftModifier : Qt::NoModifier);
        focus = QApplication::focusWidget();
    }
    QVERIFY(focus && !group->isAncestorOf(focus));
    QCOMPARE(f.edit("Edit42")->text(), expectedLower);
    QCOMPARE(f.edit("Edit43")->text(), expectedUpper);
}

// Another window taking the focus is no exit; the next control of the page that takes it is.
void TestExtendedFunctionPage::otherWindowIsNoExit() {
    Fixture f;
    QVERIFY(f.showActive());
    f.click("CheckBox27");
    QLineEdit* upper = f.edit("Edit43");
    QTest::mouseClick(upper, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), upper);
    QTest::keyClick(upper, Qt::Key_A, Qt::ControlModifier);
    typeKeys(upper, "7");
    f.edit("Edit42")->setText("9");

    QLineEdit other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    other.setFocus();
    QCOMPARE(QApplication::focusWidget(), &other);
    QCOMPARE(upper->text(), QString("7"));

    QVERIFY(f.showActive());
    f.click("RadioButton12");
    QCOMPARE(upper->text(), QString("2147483647"));
}

void TestExtendedFunctionPage::setWithStartValues() {
    Fixture f;
    ScopedSleeper sleeper;
    f.page.SetExtendedParameters();
    QCOMPARE(f.library.callTexts(), (QStringList{
                                        "SetOLEnable(7, 0)",
                                        "SetParameter(7, 0x40, 1, 00)",
                                        "SetParameter(7, 0x8E, 1, 01)",
                                        "SetParameter(7, 0x6E, 1, 00)",
                                        "SetParameter(7, 0x81, 1, 01)",
                                    }));
    QCOMPARE(f.messages(), QStringList{"设置读写器参数成功 !"});
    QCOMPARE(sleeper.pauses, QList<int>{});
}

void TestExtendedFunctionPage::setOfflineFunction_data() {
    QTest::addColumn<bool>("on");
    QTest::addColumn<QString>("interval");
    // Each offline call with the number of pauses requested before it.
    QTest::addColumn<QStringList>("trace");
    QTest::addColumn<QList<int>>("pauses");

    QTest::newRow("off") << false << "120" << QStringList{"SetOLEnable(7, 0) after 0"}
                         << QList<int>{};
    QTest::newRow("on") << true << "120"
                        << QStringList{"SetOLEnable(7, 1) after 0",
                                       "SetParameter(7, 0x54, 2, 00 78) after 1"}
                        << QList<int>{500};
    QTest::newRow("on, largest interval")
        << true << "65535"
        << QStringList{"SetOLEnable(7, 1) after 0", "SetParameter(7, 0x54, 2, FF FF) after 1"}
        << QList<int>{500};
}

void TestExtendedFunctionPage::setOfflineFunction() {
    QFETCH(bool, on);
    QFETCH(QString, interval);
    QFETCH(QStringList, trace);
    QFETCH(QList<int>, pauses);
    Fixture f;
    ScopedSleeper sleeper;
    QStringList seen;
    f.library.onCall = [&](const RecordingReaderLibrary::Call& call) {
        if (call.name == "SetOLEnable" || call.arguments.at(1) == 0x54) {
            seen << QStringLiteral("%1 after %2").arg(call.text).arg(sleeper.pauses.size());
        }
    };
    f.button("CheckBox66")->setChecked(true);
    f.edit("Edit72")->setText(interval);
    f.button("CheckBox66")->setChecked(on);
    f.page.SetExtendedParameters();
    QCOMPARE(seen, trace);
    QCOMPARE(sleeper.pauses, pauses);
    QCOMPARE(f.library.callTexts().first(), trace.first().section(" after", 0, 0));
    QCOMPARE(f.messages(), QStringList{"设置读写器参数成功 !"});
}

void TestExtendedFunctionPage::setKey_data() {
    QTest::addColumn<int>("typingMode");  // the mode in which the key is typed (-1: none)
    QTest::addColumn<QString>("keys");
    QTest::addColumn<bool>("staticStorage");  // ticked in the typing mode
    QTest::addColumn<int>("mode");            // the mode at the set
    QTest::addColumn<QStringList>("calls");   // the mode byte and the key

    QTest::newRow("mode 3, 32 digits")
        << 3 << kDigits32 << false << 3
        << QStringList{setCall(0x40, "03"), setCall(0x30, kKey16Bytes)};
    QTest::newRow("mode 3, 31 digits")
        << 3 << kDigits32.left(31) << false << 3
        << QStringList{setCall(0x40, "03"), setCall(0x30, kKey16Bytes.left(15 * 3 - 1))};
    QTest::newRow("mode 3, 1 digit") << 3 << "7" << false << 3 << QStringList{setCall(0x40, "03")};
    QTest::newRow("mode 3, one pair, high nibble first")
        << 3 << "7f" << false << 3 << QStringList{setCall(0x40, "03"), setCall(0x30, "7F")};
    QTest::newRow("mode 2, 16 digits")
        << 2 << kDigits32.left(16) << false << 2
        << QStringList{setCall(0x40, "02"), setCall(0x30, kKey16Bytes.left(8 * 3 - 1))};
    QTest::newRow("mode 3 then 2 keeps 32 digits")
        << 3 << kDigits32 << false << 2
        << QStringList{setCall(0x40, "02"), setCall(0x30, kKey16Bytes)};
    QTest::newRow("mode 0 with static storage")
        << 2 << "a1b2" << true << 0 << QStringList{setCall(0x40, "80"), setCall(0x30, "A1 B2")};
    QTest::newRow("mode 3 with static storage")
        << 3 << "a1b2" << true << 3 << QStringList{setCall(0x40, "83"), setCall(0x30, "A1 B2")};
    QTest::newRow("mode 1, empty") << -1 << "" << false << 1 << QStringList{setCall(0x40, "01")};
    QTest::newRow("mode 1 writes the key typed before")
        << 3 << "1234" << false << 1 << QStringList{setCall(0x40, "01"), setCall(0x30, "12 34")};
    QTest::newRow("mode 0 writes no key")
        << 3 << "1234" << false << 0 << QStringList{setCall(0x40, "00")};
}

void TestExtendedFunctionPage::setKey() {
    QFETCH(int, typingMode);
    QFETCH(QString, keys);
    QFETCH(bool, staticStorage);
    QFETCH(int, mode);
    QFETCH(QStringList, calls);
    Fixture f;
    QVERIFY(f.showActive());
    QComboBox* modes = f.list("ComboBox15");
    if (typingMode >= 0) {
        modes->setFocus();
        f.chooseMode(typingMode);
        f.typeKey(keys);
        if (staticStorage) {
            f.click("CheckBox26");
        }
    }
    modes->setFocus();
    f.chooseMode(mode);
    f.page.SetExtendedParameters();
    const QStringList expected =
        QStringList{"SetOLEnable(7, 0)"} + calls +
        QStringList{setCall(0x8E, "01"), setCall(0x6E, "00"), setCall(0x81, "01")};
    QCOMPARE(f.library.callTexts(), expected);
    QCOMPARE(f.messages(), QStringList{"设置读写器参数成功 !"});
}

void TestExtendedFunctionPage::setRange_data() {
    QTest::addColumn<bool>("filterOn");
    QTest::addColumn<QString>("lower");
    QTest::addColumn<QString>("upper");
    QTest::addColumn<QStringList>("calls");

    QTest::newRow("16 to 4096") << true << "16"
                                << "4096"
                                << QStringList{setCall(0x6E, "01"),
                                               setCall(0x78, "00 00 00 10 00 00 10 00")};
    QTest::newRow("whole unsigned range")
        << true << "0"
        << "4294967295"
        << QStringList{setCall(0x6E, "01"), setCall(0x78, "00 00 00 00 FF FF FF FF")};
    QTest::newRow("above the signed range")
        << true << "2147483648"
        << "3000000000"
        << QStringList{setCall(0x6E, "01"), setCall(0x78, "80 00 00 00 B2 D0 5E 00")};
    QTest::newRow("off") << false << "16"
                         << "4096" << QStringList{setCall(0x6E, "00")};
}

void TestExtendedFunctionPage::setRange() {
    QFETCH(bool, filterOn);
    QFETCH(QString, lower);
    QFETCH(QString, upper);
    QFETCH(QStringList, calls);
    Fixture f;
    f.button("CheckBox27")->setChecked(true);
    f.edit("Edit42")->setText(lower);
    f.edit("Edit43")->setText(upper);
    f.button("CheckBox27")->setChecked(filterOn);
    f.page.SetExtendedParameters();
    const QStringList expected =
        QStringList{"SetOLEnable(7, 0)", setCall(0x40, "00"), setCall(0x8E, "01")} + calls +
        QStringList{setCall(0x81, "01")};
    QCOMPARE(f.library.callTexts(), expected);
}

void TestExtendedFunctionPage::setEveryFieldChanged() {
    Fixture f;
    ScopedSleeper sleeper;
    QVERIFY(f.showActive());
    f.click("CheckBox66");
    f.edit("Edit72")->setText("4001");
    f.list("ComboBox15")->setFocus();
    f.chooseMode(3);
    f.typeKey(kDigits32);
    f.click("CheckBox26");
    f.list("ComboBox19")->setCurrentIndex(10);
    f.click("CheckBox27");
    f.edit("Edit42")->setText("1");
    f.edit("Edit43")->setText("65536");
    f.click("RadioButton12");

    f.page.SetExtendedParameters();
    QCOMPARE(f.library.callTexts(), (QStringList{
                                        "SetOLEnable(7, 1)",
                                        setCall(0x54, "0F A1"),
                                        setCall(0x40, "83"),
                                        setCall(0x30, kKey16Bytes),
                                        setCall(0x8E, "0A"),
                                        setCall(0x6E, "01"),
                                        setCall(0x78, "00 00 00 01 00 01 00 00"),
                                        setCall(0x81, "00"),
                                    }));
    QCOMPARE(f.messages(), QStringList{"设置读写器参数成功 !"});
    QCOMPARE(sleeper.pauses, QList<int>{500});
}

void TestExtendedFunctionPage::setFailureLogsFieldMessage_data() {
    QTest::addColumn<QString>("failing");  // an address, or the offline call
    QTest::addColumn<QString>("message");

    QTest::newRow("SetOLEnable") << "SetOLEnable"
                                 << "设置离线功能使能参数失败 !";
    const QList<std::pair<QList<int>, QString>> steps{
        {{0x54, 0x55}, "设置离线功能保存记录时间间隔参数失败 !"},
        {{0x40}, "设置ID加密模式参数失败 !"},
        {{0x30, 0x3F}, "设置密钥参数失败 !"},
        {{0x8E}, "设置标签抑制因子参数失败 !"},
        {{0x6E}, "设置标签过滤标志参数失败 !"},
        {{0x78, 0x7F}, "设置标签最小和最大值失败 !"},
        {{0x81}, "设置读写器安装属性参数失败 !"},
    };
    for (const auto& [addresses, message] : steps) {
        for (int address : addresses) {
            QTest::addRow("0x%02X", address) << QStringLiteral("%1").arg(address) << message;
        }
    }
}

// With every option on, a failed step logs its message, turns the summary into the failure
// line and stops nothing.
void TestExtendedFunctionPage::setFailureLogsFieldMessage() {
    QFETCH(QString, failing);
    QFETCH(QString, message);
    Fixture f;
    ScopedSleeper sleeper;
    f.button("CheckBox66")->setChecked(true);
    f.list("ComboBox15")->setCurrentIndex(3);
    f.memo()->setPlainText(kDigits32);
    f.button("CheckBox27")->setChecked(true);
    f.edit("Edit43")->setText("100");
    bool isAddress = false;
    const int address = failing.toInt(&isAddress);
    if (isAddress) {
        f.library.failAddress(address);
    } else {
        f.library.failOperation(failing);
    }
    f.page.SetExtendedParameters();
    QCOMPARE(f.messages(), (QStringList{message, "设置读写器参数失败 !"}));
    QCOMPARE(f.library.callTexts().size(), 8);
    QCOMPARE(sleeper.pauses, QList<int>{500});
}

void TestExtendedFunctionPage::queryFillsControlsAndRunsRules() {
    Fixture f;
    QVERIFY(f.showActive());
    f.fillMemoryWithChangedValues();
    f.page.QueryExtendedParameters();

    QCOMPARE(f.library.callTexts(), (QStringList{
                                        "GetParameter(7, 0x57, 1)",
                                        "GetParameter(7, 0x54, 2)",
                                        "GetParameter(7, 0x40, 1)",
                                        "GetParameter(7, 0x8E, 1)",
                                        "GetParameter(7, 0x6E, 1)",
                                        "GetParameter(7, 0x78, 8)",
                                        "GetParameter(7, 0x81, 1)",
                                    }));
    QCOMPARE(f.messages(), QStringList{"查询读写器参数成功 !"});
    const QList<std::pair<QString, QString>> expected{
        {"CheckBox66", "1"},    {"Edit72", "60"},         {"ComboBox15", "分享加密模式"},
        {"CheckBox26", "1"},    {"ComboBox19", "5"},      {"CheckBox27", "1"},
        {"Edit42", "16"},       {"Edit43", "4294967295"}, {"RadioButton11", "0"},
        {"RadioButton12", "1"},
    };
    for (const auto& [name, value] : expected) {
        QVERIFY2(controlValue(f.page, name) == value, qPrintable(name));
    }
    for (const QString& name : kOfflineDependents + kKeyDependents + kRangeDependents) {
        QVERIFY2(f.enabled(name), qPrintable(name));
    }
    QCOMPARE(f.memo()->maxLength(), 16);
    QCOMPARE(QApplication::focusWidget(), f.memo());

    // And back: everything off disables the dependents again.
    f.setMemory(0x57, {0});
    f.setMemory(0x40, {0x00});
    f.setMemory(0x6E, {0x00});
    f.page.QueryExtendedParameters();
    for (const QString& name : kOfflineDependents + kKeyDependents + kRangeDependents) {
        QVERIFY2(!f.enabled(name), qPrintable(name));
    }
    // The bounds were read all the same.
    QCOMPARE(f.library.callTexts().count("GetParameter(7, 0x78, 8)"), 2);
}

void TestExtendedFunctionPage::queryModeByte_data() {
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("mode");  // "" no selection
    QTest::addColumn<bool>("staticStorage");
    QTest::addColumn<bool>("keyEntry");
    QTest::addColumn<int>("limit");

    // Before each query the user picked mode 3.
    QTest::newRow("0x82") << 0x82 << "分享加密模式" << true << true << 16;
    QTest::newRow("0x03") << 0x03 << "客户尊享模式" << false << true << 32;
    QTest::newRow("0x80") << 0x80 << "无加密模式" << true << false << 32;
    QTest::newRow("0x01") << 0x01 << "厂家加密模式" << false << false << 32;
    QTest::newRow("0x05 changes nothing") << 0x05 << "" << false << true << 32;
    QTest::newRow("0xFF changes nothing") << 0xFF << "" << true << true << 32;
}

void TestExtendedFunctionPage::queryModeByte() {
    QFETCH(int, stored);
    QFETCH(QString, mode);
    QFETCH(bool, staticStorage);
    QFETCH(bool, keyEntry);
    QFETCH(int, limit);
    Fixture f;
    QVERIFY(f.showActive());
    f.list("ComboBox15")->setFocus();
    f.chooseMode(3);
    f.library.memory[0x40] = static_cast<std::uint8_t>(stored);
    f.page.QueryExtendedParameters();
    QCOMPARE(controlValue(f.page, "ComboBox15"), mode);
    QCOMPARE(f.button("CheckBox26")->isChecked(), staticStorage);
    for (const QString& name : kKeyDependents) {
        QVERIFY2(f.enabled(name) == keyEntry, qPrintable(name));
    }
    QCOMPARE(f.memo()->maxLength(), limit);
}

void TestExtendedFunctionPage::queryKeepsByteWithoutItem_data() {
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("stored");
    QTest::addColumn<bool>("tickStatic");  // CheckBox26 ticked after the query
    QTest::addColumn<int>("written");

    QTest::newRow("mode 5") << 0x40 << 0x05 << false << 0x05;
    QTest::newRow("mode 5, static storage") << 0x40 << 0x85 << false << 0x85;
    // The static-storage bit follows its check box.
    QTest::newRow("mode 5, static ticked after") << 0x40 << 0x05 << true << 0x85;
    QTest::newRow("mode 127") << 0x40 << 0x7F << false << 0x7F;
    QTest::newRow("suppression 11") << 0x8E << 11 << false << 11;
    QTest::newRow("suppression 255") << 0x8E << 255 << false << 255;
}

void TestExtendedFunctionPage::queryKeepsByteWithoutItem() {
    QFETCH(int, address);
    QFETCH(int, stored);
    QFETCH(bool, tickStatic);
    QFETCH(int, written);
    Fixture f;
    f.library.memory[static_cast<std::size_t>(address)] = static_cast<std::uint8_t>(stored);
    f.page.QueryExtendedParameters();
    QCOMPARE(controlValue(f.page, address == 0x40 ? "ComboBox15" : "ComboBox19"), QString());
    if (tickStatic) {
        f.button("CheckBox26")->setChecked(true);
    }
    f.library.clearCalls();
    f.page.SetExtendedParameters();
    QVERIFY(f.library.callTexts().contains(
        setCall(address, QStringLiteral("%1").arg(written, 2, 16, QChar(u'0')).toUpper())));
}

void TestExtendedFunctionPage::queryOnOffBits_data() {
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("ticked");  // the button ticked afterwards
    QTest::addColumn<QString>("unticked");

    QTest::newRow("offline 1") << 0x57 << 1 << "CheckBox66"
                               << "";
    QTest::newRow("offline 2") << 0x57 << 2 << ""
                               << "CheckBox66";
    QTest::newRow("offline 0xFF") << 0x57 << 0xFF << ""
                                  << "CheckBox66";
    QTest::newRow("range filter 0x01") << 0x6E << 0x01 << "CheckBox27"
                                       << "";
    QTest::newRow("range filter 0xFE") << 0x6E << 0xFE << ""
                                       << "CheckBox27";
    QTest::newRow("range filter 0x03") << 0x6E << 0x03 << "CheckBox27"
                                       << "";
    QTest::newRow("mounting 0") << 0x81 << 0x00 << "RadioButton12"
                                << "RadioButton11";
    QTest::newRow("mounting 1") << 0x81 << 0x01 << "RadioButton11"
                                << "RadioButton12";
    QTest::newRow("mounting 0xFE") << 0x81 << 0xFE << "RadioButton12"
                                   << "RadioButton11";
    QTest::newRow("mounting 0x03") << 0x81 << 0x03 << "RadioButton11"
                                   << "RadioButton12";
}

void TestExtendedFunctionPage::queryOnOffBits() {
    QFETCH(int, address);
    QFETCH(int, stored);
    QFETCH(QString, ticked);
    QFETCH(QString, unticked);
    Fixture f;
    if (!unticked.isEmpty()) {
        control<QAbstractButton>(f.page, unticked)->setChecked(true);
    }
    f.library.memory[static_cast<std::size_t>(address)] = static_cast<std::uint8_t>(stored);
    f.page.QueryExtendedParameters();
    if (!ticked.isEmpty()) {
        QCOMPARE(controlValue(f.page, ticked), QString("1"));
    }
    if (!unticked.isEmpty()) {
        QCOMPARE(controlValue(f.page, unticked), QString("0"));
    }
}

// A stored upper bound beyond the signed range is shown and written back unchanged.
void TestExtendedFunctionPage::queryThenSetKeepsFullUnsignedBound() {
    Fixture f;
    f.setMemory(0x6E, {0x01});
    f.setMemory(0x78, {0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF});
    f.page.QueryExtendedParameters();
    QCOMPARE(f.edit("Edit43")->text(), QString("4294967295"));
    f.library.clearCalls();
    f.library.memory.fill(0);
    f.page.SetExtendedParameters();
    QVERIFY(f.library.callTexts().contains(setCall(0x78, "00 00 00 00 FF FF FF FF")));
    QCOMPARE(fromBigEndian(Bytes(f.library.memory.begin() + 0x7C, f.library.memory.begin() + 0x80)),
             4294967295u);
}

void TestExtendedFunctionPage::queryFailureKeepsControls_data() {
    QTest::addColumn<int>("address");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("calls");
    QTest::addColumn<QStringList>("unchanged");  // name=value at start

    QTest::newRow("0x57") << 0x57 << "查询离线功能使能参数失败 !" << 7
                          << QStringList{"CheckBox66=0"};
    QTest::newRow("0x54") << 0x54 << "查询离线功能保存记录时间间隔参数失败 !" << 7
                          << QStringList{"Edit72=65535"};
    QTest::newRow("0x55") << 0x55 << "查询离线功能保存记录时间间隔参数失败 !" << 7
                          << QStringList{"Edit72=65535"};
    QTest::newRow("0x40") << 0x40 << "查询ID加密模式参数失败 !" << 7
                          << QStringList{"ComboBox15=无加密模式", "CheckBox26=0"};
    QTest::newRow("0x8E") << 0x8E << "查询标签抑制因子参数失败 !" << 7
                          << QStringList{"ComboBox19=1"};
    // The bounds are not read after the flag failed.
    QTest::newRow("0x6E") << 0x6E << "查询标签过滤标志参数失败 !" << 6
                          << QStringList{"CheckBox27=0", "Edit42=0", "Edit43=0"};
    QTest::newRow("0x78") << 0x78 << "查询标签最小和最大值参数失败 !" << 7
                          << QStringList{"Edit42=0", "Edit43=0"};
    QTest::newRow("0x7F") << 0x7F << "查询标签最小和最大值参数失败 !" << 7
                          << QStringList{"Edit42=0", "Edit43=0"};
    QTest::newRow("0x81") << 0x81 << "查询读写器安装属性参数失败 !" << 7
                          << QStringList{"RadioButton11=1", "RadioButton12=0"};
}

void TestExtendedFunctionPage::queryFailureKeepsControls() {
    QFETCH(int, address);
    QFETCH(QString, message);
    QFETCH(int, calls);
    QFETCH(QStringList, unchanged);
    Fixture f;
    f.fillMemoryWithChangedValues();
    f.library.failAddress(address);
    f.page.QueryExtendedParameters();
    QCOMPARE(f.messages(), (QStringList{message, "查询读写器参数失败 !"}));
    QCOMPARE(f.library.callTexts().size(), calls);
    QCOMPARE(f.library.callTexts().last(), QString("GetParameter(7, 0x81, 1)"));
    for (const QString& pair : unchanged) {
        const QString name = pair.section(u'=', 0, 0);
        QVERIFY2(controlValue(f.page, name) == pair.section(u'=', 1), qPrintable(pair));
    }
    // The other fields arrived: the suppression factor stands for them.
    if (address != 0x8E) {
        QCOMPARE(controlValue(f.page, "ComboBox19"), QString("5"));
    }
}

QTEST_MAIN(TestExtendedFunctionPage)
#include "tst_extendedfunctionpage.moc"
