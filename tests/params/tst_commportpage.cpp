// SPDX-License-Identifier: LGPL-2.1-or-later
// The page "通信口参数": its controls at start, its control rules driven by keys and clicks,
// the TCP/IP record byte for byte, the MAC guard, and the set and query operations against
// the recording fake; the default set and the layout in the whole window.

#include "CommPortTestValues.h"
#include "app/Main.h"
#include "params/CommPortPage.h"
#include "tests/support/PageTestSupport.h"
#include "tests/support/TextInput.h"
#include "widgets/ErrorReporting.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

namespace {

const QStringList kClientModeControls{"Label56", "Label57", "Label58", "Edit16", "Edit19",
                                      "Edit20",  "Edit35",  "Edit36",  "Edit39"};
const QStringList kAddressEdits{"Edit22", "Edit23", "Edit24", "Edit25", "Edit26", "Edit27",
                                "Edit28", "Edit29", "Edit30", "Edit31", "Edit32", "Edit33"};
const QStringList kMacEdits{"Edit8", "Edit9", "Edit10", "Edit11", "Edit12", "Edit13"};
// The octet edits other than Edit22 and the pulse width: above 255 is "255", emptied stays.
const QStringList kByteEdits{"Edit23", "Edit24", "Edit25", "Edit26", "Edit27", "Edit28",
                             "Edit29", "Edit30", "Edit31", "Edit32", "Edit33", "Edit20",
                             "Edit19", "Edit16", "Edit35", "Edit1"};

// The reader's own MAC address in the fake.
constexpr std::uint8_t kReaderMac[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
const QStringList kReaderMacTexts{"00", "1A", "2B", "3C", "4D", "5E"};
const QString kSetSucceeded = QStringLiteral("设置通信口参数成功 !");
const QString kSetFailed = QStringLiteral("设置通信口参数失败 !");
const QString kQuerySucceeded = QStringLiteral("查询通信口参数成功!");
const QString kQueryFailed = QStringLiteral("查询通信口参数失败!");

// The record the start values give, with the reader's own MAC: 29 bytes from 0xA9.
const QString kStartRecord = QStringLiteral(
    "01 00 00 00 1A 2B 3C 4D 5E C0 A8 00 B2 FF FF FF 00 C0 A8 00 FE 0F A1 C0 A8 00 01 27 10");

struct Fixture : PageOnFake<CommPortPage> {
    Fixture() {
        library.memory.fill(0xEE);
        setMemory(0xAC, {kReaderMac[0], kReaderMac[1], kReaderMac[2], kReaderMac[3], kReaderMac[4],
                         kReaderMac[5]});
    }

    QLineEdit* edit(const QString& name) { return control<QLineEdit>(page, name); }
    QAbstractButton* button(const QString& name) { return control<QAbstractButton>(page, name); }
    QComboBox* list(const QString& name) { return control<QComboBox>(page, name); }
    bool enabled(const QString& name) { return control<QWidget>(page, name)->isEnabled(); }

    // "Name=value": an edit's text (a MAC edit's typed), a button ticked ("1") or not, a
    // list's item position.
    void apply(const QStringList& settings) {
        for (const QString& setting : settings) {
            const QString name = setting.section(u'=', 0, 0);
            const QString value = setting.section(u'=', 1);
            if (kMacEdits.contains(name)) {
                typeInto(edit(name), value);
            } else if (auto* lineEdit = page.findChild<QLineEdit*>(name)) {
                lineEdit->setText(value);
            } else if (auto* box = page.findChild<QComboBox*>(name)) {
                box->setCurrentIndex(value.toInt());
            } else {
                button(name)->setChecked(value == u'1');
            }
        }
    }
    // Types the MAC edits' texts, as the user does.
    void setMac(const QStringList& texts) {
        for (int i = 0; i < 6; ++i) {
            typeInto(page.macEdit(i), texts.at(i));
        }
    }
    QStringList macTexts() const {
        QStringList texts;
        for (int i = 0; i < 6; ++i) {
            texts << page.macEdit(i)->text();
        }
        return texts;
    }
    QString memoryBytes(int address, int count) const {
        return hexBytes(library.memory.data() + address, std::size_t(count));
    }
    void fillMemoryWithChangedValues() {
        for (const auto& [address, bytes] : kChangedCommPortBytes) {
            std::copy(bytes.begin(), bytes.end(), library.memory.begin() + address);
        }
    }
    // Shows the page as the active window, so typing moves the focus as it does for the user.
    bool showActive() {
        page.show();
        page.activateWindow();
        return QTest::qWaitForWindowActive(&page);
    }
};

const QStringList kQueryCalls{
    "GetParameter(7, 0xA9, 29)", "GetParameter(7, 0xEC, 2)", "GetParameter(7, 0x50, 2)",
    "GetParameter(7, 0x83, 1)",  "GetParameter(7, 0x85, 1)", "GetParameter(7, 0x87, 1)",
    "GetParameter(7, 0x8B, 1)",  "GetParameter(7, 0x88, 1)", "GetParameter(7, 0x89, 1)",
    "GetParameter(7, 0x8F, 1)",
};

// The steps of the set after the record, with the start values.
const QStringList kSetCallsAfterRecord{
    "SetParameter(7, 0xEC, 2, 0F A2)", "SetParameter(7, 0x50, 2, 01 2C)",
    "SetParameter(7, 0x83, 1, 02)",    "SetParameter(7, 0x85, 1, 00)",
    "SetParameter(7, 0x87, 1, 01)",    "SetParameter(7, 0x8B, 1, 0A)",
    "SetParameter(7, 0x88, 1, 08)",    "SetParameter(7, 0x89, 1, 0C)",
    "SetParameter(7, 0x8F, 1, 05)",
};

void clickButton(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

}  // namespace

class TestCommPortPage : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void startState_data();
    void startState();
    void lists_data();
    void lists();
    void editLimitsAndKeyFilters_data();
    void editLimitsAndKeyFilters();

    void ruleReplacesTypedText_data();
    void ruleReplacesTypedText();
    void macPairsMoveTheFocusOn();
    void clicksEnableDependentControls_data();
    void clicksEnableDependentControls();

    void setWithStartValues();
    void setFieldBytes_data();
    void setFieldBytes();
    void setWritesDisabledAddresses();
    void setMacGuard_data();
    void setMacGuard();
    void macReadOnOpeningFeedsTheRecord();
    void macBelongsToItsConnection_data();
    void macBelongsToItsConnection();
    void setStopsAtTextThatIsNotANumber_data();
    void setStopsAtTextThatIsNotANumber();
    void startByteTypedText();
    void setFailureLogsFieldMessage_data();
    void setFailureLogsFieldMessage();

    void queryFillsControlsAndRunsRules();
    void queryWorkModeAndAutomaticIp_data();
    void queryWorkModeAndAutomaticIp();
    void queryFailureLogsFieldMessage_data();
    void queryFailureLogsFieldMessage();
    void queryRecordFailureKeepsControls();
    void queryListWithoutItemKeepsByte_data();
    void queryListWithoutItemKeepsByte();

    void defaultSet();
    void defaultsFollowTheShownPage();
    void layoutFitsTextsAndClearsRightButtons();
};

void TestCommPortPage::startState_data() {
    addStartStateColumns();

    startStateRow("GroupBox7", "TCP/IP 参数", "", true);
    startStateRow("CheckBox12", "自动获取IP", "0", true);
    startStateRow("Label44", "端口号", "", true);
    startStateRow("Edit21", "", "4001", true);
    startStateRow("Label46", "IP地址", "", true);
    startStateRow("Edit22", "", "192", true);
    startStateRow("Edit23", "", "168", true);
    startStateRow("Edit24", "", "0", true);
    startStateRow("Edit25", "", "178", true);
    startStateRow("Label48", "子网", "", true);
    startStateRow("Edit26", "", "255", true);
    startStateRow("Edit27", "", "255", true);
    startStateRow("Edit28", "", "255", true);
    startStateRow("Edit29", "", "0", true);
    startStateRow("Label50", "网关", "", true);
    startStateRow("Edit30", "", "192", true);
    startStateRow("Edit31", "", "168", true);
    startStateRow("Edit32", "", "0", true);
    startStateRow("Edit33", "", "254", true);
    startStateRow("Label47", "MAC地址", "", true);
    startStateRow("Edit8", "", "FF", true);
    startStateRow("Edit9", "", "FF", true);
    startStateRow("Edit10", "", "FF", true);
    startStateRow("Edit11", "", "FF", true);
    startStateRow("Edit12", "", "FF", true);
    startStateRow("Edit13", "", "FF", true);
    startStateRow("Label59", "服务器保活时间", "", true);
    startStateRow("Edit40", "", "300", true);
    startStateRow("Label60", "秒", "", true);
    startStateRow("CheckBox11", "客户端模式", "0", true);
    startStateRow("Label58", "端口号", "", false);
    startStateRow("Edit39", "", "4002", false);
    startStateRow("Label57", "目标端口", "", false);
    startStateRow("Edit36", "", "10000", false);
    startStateRow("Label56", "目标IP", "", false);
    startStateRow("Edit20", "", "192", false);
    startStateRow("Edit19", "", "168", false);
    startStateRow("Edit16", "", "0", false);
    startStateRow("Edit35", "", "1", false);
    startStateRow("GroupBox8", "485 参数", "", true);
    startStateRow("Label61", "485波特率", "", true);
    startStateRow("ComboBox12", "", "9600bps", true);
    startStateRow("CheckBox6", "ID应答传输", "0", true);
    startStateRow("GroupBox9", "Wiegand参数", "", true);
    startStateRow("Label62", "通信协议", "", true);
    startStateRow("ComboBox11", "", "Wiegand 26", true);
    startStateRow("Label63", "输出间隔", "", true);
    startStateRow("ComboBox9", "", "09-1000ms", true);
    startStateRow("Label64", "脉冲宽度", "", true);
    startStateRow("Edit1", "", "8", true);
    startStateRow("Label65", "X10us", "", true);
    startStateRow("Label66", "脉冲周期", "", true);
    startStateRow("Edit2", "", "12", true);
    startStateRow("Label67", "X100us", "", true);
    startStateRow("Label68", "起始字节", "", true);
    startStateRow("ComboBox27", "", "5", true);
}

void TestCommPortPage::startState() {
    Fixture f;
    verifyStartStateRow(f.page);
}

void TestCommPortPage::lists_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<bool>("editable");

    QTest::newRow("ComboBox12") << "ComboBox12"
                                << QStringList{"2400bps",  "4800bps",  "9600bps",   "19200bps",
                                               "38400bps", "57600bps", "115200bps", "230400bps"}
                                << false;
    QTest::newRow("ComboBox11") << "ComboBox11"
                                << QStringList{"Wiegand 26", "Wiegand 34", "Wiegand 42",
                                               "Wiegand 50"}
                                << false;
    QTest::newRow("ComboBox9") << "ComboBox9"
                               << QStringList{"00--100ms", "01--200ms", "02--300ms", "03--400ms",
                                              "04--500ms", "05--600ms", "06--700ms", "07--800ms",
                                              "08--900ms", "09-1000ms"}
                               << false;
    QTest::newRow("ComboBox27") << "ComboBox27"
                                << QStringList{"0", "1", "2", "3", "4", "5", "6", "7"} << true;
}

void TestCommPortPage::lists() {
    QFETCH(QString, name);
    QFETCH(QStringList, items);
    QFETCH(bool, editable);
    Fixture f;
    QComboBox* box = f.list(name);
    QStringList shown;
    for (int i = 0; i < box->count(); ++i) {
        shown << box->itemText(i);
    }
    QCOMPARE(shown, items);
    QCOMPARE(box->isEditable(), editable);
}

void TestCommPortPage::editLimitsAndKeyFilters_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("maxLength");  // 0: no limit
    QTest::addColumn<bool>("hex");

    for (const char* name : {"Edit21", "Edit36", "Edit39"}) {
        QTest::newRow(name) << name << 5 << false;
    }
    for (const QString& name :
         kAddressEdits + QStringList{"Edit16", "Edit19", "Edit20", "Edit35"}) {
        QTest::newRow(qPrintable(name)) << name << 3 << false;
    }
    for (const char* name : {"Edit40", "Edit1", "Edit2"}) {
        QTest::newRow(name) << name << 0 << false;
    }
    for (const QString& name : kMacEdits) {
        QTest::newRow(qPrintable(name)) << name << 3 << true;
    }
}

void TestCommPortPage::editLimitsAndKeyFilters() {
    QFETCH(QString, name);
    QFETCH(int, maxLength);
    QFETCH(bool, hex);
    Fixture f;
    QLineEdit* edit = f.edit(name);
    QCOMPARE(edit->maxLength(), maxLength == 0 ? 32767 : maxLength);
    edit->setEnabled(true);
    const QString before = edit->text();
    // A letter: the decimal filter drops it, the hex filter takes it in uppercase.
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClicks(edit, QStringLiteral("b"));
    QCOMPARE(edit->text(), hex ? before.left(2) + u'B' : before);
}

void TestCommPortPage::ruleReplacesTypedText_data() {
    QTest::addColumn<QString>("editName");
    QTest::addColumn<QString>("keys");  // typed after selecting the whole text
    QTest::addColumn<QString>("expected");

    QTest::newRow("Edit21 70000") << "Edit21"
                                  << "70000"
                                  << "4001";
    QTest::newRow("Edit21 65535 kept") << "Edit21"
                                       << "65535"
                                       << "65535";
    QTest::newRow("Edit21 emptied") << "Edit21"
                                    << "5\b"
                                    << "4001";
    QTest::newRow("Edit36 70000") << "Edit36"
                                  << "70000"
                                  << "10000";
    QTest::newRow("Edit36 emptied") << "Edit36"
                                    << "5\b"
                                    << "10000";
    QTest::newRow("Edit39 65536") << "Edit39"
                                  << "65536"
                                  << "4002";
    QTest::newRow("Edit39 emptied") << "Edit39"
                                    << "5\b"
                                    << "4002";
    QTest::newRow("Edit40 70000") << "Edit40"
                                  << "70000"
                                  << "300";
    QTest::newRow("Edit40 emptied") << "Edit40"
                                    << "5\b"
                                    << "300";
    QTest::newRow("Edit40 digit filter") << "Edit40"
                                         << "1a-2"
                                         << "12";
    QTest::newRow("Edit22 256") << "Edit22"
                                << "256"
                                << "255";
    QTest::newRow("Edit22 emptied") << "Edit22"
                                    << "5\b"
                                    << "192";
    QTest::newRow("Edit2 256") << "Edit2"
                               << "256"
                               << "255";
    QTest::newRow("Edit2 emptied") << "Edit2"
                                   << "5\b"
                                   << "12";
    for (const QString& name : kByteEdits) {
        QTest::addRow("%s 300", qPrintable(name)) << name << "300"
                                                  << "255";
        QTest::addRow("%s emptied stays", qPrintable(name)) << name << "5\b"
                                                            << "";
    }
    QTest::newRow("Edit1 255 kept") << "Edit1"
                                    << "255"
                                    << "255";
}

void TestCommPortPage::ruleReplacesTypedText() {
    QFETCH(QString, editName);
    QFETCH(QString, keys);
    QFETCH(QString, expected);
    Fixture f;
    QVERIFY(f.showActive());
    // The client-mode edits take keys once client mode is on.
    clickButton(f.button("CheckBox11"));
    QLineEdit* edit = f.edit(editName);
    QVERIFY(edit->isEnabled());
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    typeKeys(edit, keys);
    QCOMPARE(edit->text(), expected);
}

// Typing the MAC address pair by pair: each full pair moves the focus to the next MAC edit
// in the tab order; the last keeps it. The set writes what was typed.
void TestCommPortPage::macPairsMoveTheFocusOn() {
    Fixture f;
    QVERIFY(f.showActive());
    QLineEdit* first = f.page.macEdit(0);
    first->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(first->hasFocus());
    const QStringList typed{"ab", "01", "cd", "ef", "23", "4f"};
    for (int i = 0; i < 6; ++i) {
        QLineEdit* edit = f.page.macEdit(i);
        QVERIFY2(edit->hasFocus(), qPrintable(edit->objectName()));
        QVERIFY(edit->hasSelectedText() || i == 0);
        if (i == 0) {
            edit->selectAll();
        }
        // Keys go to whichever widget has the focus, as on the keyboard.
        typeKeys(QApplication::focusWidget(), typed.at(i));
    }
    QCOMPARE(f.macTexts(), (QStringList{"AB", "01", "CD", "EF", "23", "4F"}));
    QVERIFY(f.page.macEdit(5)->hasFocus());

    // 0xAB has the group bit set: the edit "AB" shows it first. Make it unicast, typed too.
    QLineEdit* firstAgain = f.page.macEdit(0);
    firstAgain->setFocus(Qt::TabFocusReason);
    typeKeys(QApplication::focusWidget(), QStringLiteral("ac"));
    QVERIFY(f.page.macEdit(1)->hasFocus());
    f.page.SetCommPortParameters();
    QCOMPARE(f.library.callTexts("GetParameter"), QStringList{});
    QCOMPARE(f.memoryBytes(0xAC, 6), QString("AC 01 CD EF 23 4F"));

    // Pairs put in by code move the focus the same way: the read when the page opens leaves
    // it in the last MAC edit.
    QLineEdit* port = f.edit("Edit21");
    port->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(port->hasFocus());
    f.setMemory(0xAC, {kReaderMac[0], kReaderMac[1], kReaderMac[2], kReaderMac[3], kReaderMac[4],
                       kReaderMac[5]});
    f.page.QueryMacAddress();
    QCOMPARE(f.macTexts(), kReaderMacTexts);
    QVERIFY(f.page.macEdit(5)->hasFocus());
}

void TestCommPortPage::clicksEnableDependentControls_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QStringList>("enabledWhenTicked");
    QTest::addColumn<QStringList>("disabledWhenTicked");

    QTest::newRow("client mode") << "CheckBox11" << kClientModeControls << QStringList{};
    QTest::newRow("automatic IP") << "CheckBox12" << QStringList{} << kAddressEdits;
}

void TestCommPortPage::clicksEnableDependentControls() {
    QFETCH(QString, box);
    QFETCH(QStringList, enabledWhenTicked);
    QFETCH(QStringList, disabledWhenTicked);
    Fixture f;
    QVERIFY(f.showActive());
    const QStringList alwaysEnabled = QStringList{"Edit21", "Edit40"} + kMacEdits;
    for (bool ticked : {true, false}) {
        clickButton(f.button(box));
        QCOMPARE(f.button(box)->isChecked(), ticked);
        for (const QString& name : enabledWhenTicked) {
            QVERIFY2(f.enabled(name) == ticked, qPrintable(name));
        }
        for (const QString& name : disabledWhenTicked) {
            QVERIFY2(f.enabled(name) == !ticked, qPrintable(name));
        }
        for (const QString& name : alwaysEnabled) {
            QVERIFY2(f.enabled(name), qPrintable(name));
        }
    }
}

// Nothing filled the MAC edits: the reader's own MAC goes into the record, read first.
void TestCommPortPage::setWithStartValues() {
    Fixture f;
    f.page.SetCommPortParameters();
    const QStringList expected =
        QStringList{"GetParameter(7, 0xAC, 6)", "SetParameter(7, 0xA9, 29, " + kStartRecord + ")"} +
        kSetCallsAfterRecord;
    QCOMPARE(f.library.callTexts(), expected);
    QCOMPARE(f.messages(), QStringList{kSetSucceeded});
    QCOMPARE(f.macTexts(), kReaderMacTexts);
}

void TestCommPortPage::setFieldBytes_data() {
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<int>("address");
    QTest::addColumn<QString>("bytes");

    const auto row = [](const char* tag, const QStringList& settings, int address,
                        const char* bytes) {
        QTest::newRow(tag) << settings << address << QString::fromLatin1(bytes);
    };
    row("client mode on", {"CheckBox11=1"}, 0xA9, "03 00 00");
    row("client mode off", {"CheckBox11=0"}, 0xA9, "01 00 00");
    row("automatic IP", {"CheckBox12=1"}, 0xA9, "01 01 00");
    row("both", {"CheckBox11=1", "CheckBox12=1"}, 0xA9, "03 01 00");
    row("MAC", {"Edit8=02", "Edit9=A1", "Edit10=5C", "Edit11=00", "Edit12=7E", "Edit13=F0"}, 0xAC,
        "02 A1 5C 00 7E F0");
    row("IP address", {"Edit22=10", "Edit23=0", "Edit24=0", "Edit25=255"}, 0xB2, "0A 00 00 FF");
    row("subnet mask", {"Edit26=255", "Edit27=255", "Edit28=0", "Edit29=0"}, 0xB6, "FF FF 00 00");
    row("gateway", {"Edit30=172", "Edit31=16", "Edit32=1", "Edit33=1"}, 0xBA, "AC 10 01 01");
    row("reader port 4001", {}, 0xBE, "0F A1");
    row("reader port 65535", {"Edit21=65535"}, 0xBE, "FF FF");
    row("reader port 0", {"Edit21=0"}, 0xBE, "00 00");
    row("target IP in its order", {"Edit20=10", "Edit19=20", "Edit16=30", "Edit35=40"}, 0xC0,
        "0A 14 1E 28");
    row("target port 300", {"Edit36=300"}, 0xC4, "01 2C");
    row("client port 65535", {"Edit39=65535"}, 0xEC, "FF FF");
    row("keep-alive 300", {}, 0x50, "01 2C");
    row("keep-alive 65535", {"Edit40=65535"}, 0x50, "FF FF");
    row("RS-485 230400", {"ComboBox12=7"}, 0x83, "07");
    row("RS-485 2400", {"ComboBox12=0"}, 0x83, "00");
    row("ID response", {"CheckBox6=1"}, 0x85, "01");
    row("Wiegand 50", {"ComboBox11=3"}, 0x87, "04");
    row("interval 100 ms", {"ComboBox9=0"}, 0x8B, "01");
    row("pulse width 255", {"Edit1=255"}, 0x88, "FF");
    row("pulse period 0", {"Edit2=0"}, 0x89, "00");
    row("start byte 7", {"ComboBox27=7"}, 0x8F, "07");
    row("start byte 0", {"ComboBox27=0"}, 0x8F, "00");
}

void TestCommPortPage::setFieldBytes() {
    QFETCH(QStringList, settings);
    QFETCH(int, address);
    QFETCH(QString, bytes);
    Fixture f;
    f.apply(settings);
    f.page.SetCommPortParameters();
    QCOMPARE(f.memoryBytes(address, static_cast<int>(bytes.split(u' ').size())), bytes);
    QCOMPARE(f.messages(), QStringList{kSetSucceeded});
    // The record went in one call of 29 bytes.
    QCOMPARE(f.library.callTexts("SetParameter").first().left(26),
             QString("SetParameter(7, 0xA9, 29, "));
    QCOMPARE(f.library.callTexts("SetParameter").size(), 10);
}

// "自动获取IP" disables the address edits; the set still writes what they show.
void TestCommPortPage::setWritesDisabledAddresses() {
    Fixture f;
    QVERIFY(f.showActive());
    f.apply({"Edit22=10", "Edit29=7", "Edit33=9"});
    clickButton(f.button("CheckBox12"));
    QVERIFY(!f.enabled("Edit22"));
    f.page.SetCommPortParameters();
    QCOMPARE(f.memoryBytes(0xA9, 29),
             QString("01 01 00 00 1A 2B 3C 4D 5E 0A A8 00 B2 FF FF FF 07 C0 A8 00 09 0F A1 C0 A8 "
                     "00 01 27 10"));
}

void TestCommPortPage::setMacGuard_data() {
    QTest::addColumn<QStringList>("macTexts");  // in the edits before the set
    QTest::addColumn<QString>("readerMac");     // in the reader before the set
    QTest::addColumn<bool>("readFails");        // the reader's MAC cannot be read
    QTest::addColumn<bool>("reads");            // the set reads the reader's MAC first
    QTest::addColumn<QString>("writtenMac");    // "" = no record written
    QTest::addColumn<QStringList>("shownMac");  // in the edits after the set
    QTest::addColumn<QStringList>("log");

    const QStringList ff(6, QStringLiteral("FF"));
    const QString reader = QStringLiteral("00 1A 2B 3C 4D 5E");
    const QStringList group{"01", "00", "5E", "00", "00", "FB"};
    const QStringList unicast{"02", "00", "5E", "00", "00", "FB"};
    const QStringList failed{"设置TCP/IP参数失败!", kSetFailed};

    QTest::newRow("never read: FF six times")
        << ff << reader << false << true << reader << kReaderMacTexts << QStringList{kSetSucceeded};
    QTest::newRow("typed multicast 01:00:5E") << group << reader << false << true << reader
                                              << kReaderMacTexts << QStringList{kSetSucceeded};
    QTest::newRow("typed FF:00:...")
        << QStringList{"FF", "00", "00", "00", "00", "01"} << reader << false << true << reader
        << kReaderMacTexts << QStringList{kSetSucceeded};
    QTest::newRow("typed unicast 02:00:5E")
        << unicast << reader << false << false << "02 00 5E 00 00 FB" << unicast
        << QStringList{kSetSucceeded};
    QTest::newRow("one typed digit is the low nibble")
        << QStringList{"A", "1", "2", "3", "4", "5"} << reader << false << false
        << "0A 01 02 03 04 05" << QStringList{"A", "1", "2", "3", "4", "5"}
        << QStringList{kSetSucceeded};
    QTest::newRow("MAC read fails") << ff << reader << true << true << "" << ff << failed;
    QTest::newRow("reader's own MAC is a group address")
        << ff << "FF FF FF FF FF FF" << false << true << "" << ff << failed;
    QTest::newRow("reader's own MAC is multicast")
        << group << "03 00 00 00 00 01" << false << true << "" << group << failed;
}

void TestCommPortPage::setMacGuard() {
    QFETCH(QStringList, macTexts);
    QFETCH(QString, readerMac);
    QFETCH(bool, readFails);
    QFETCH(bool, reads);
    QFETCH(QString, writtenMac);
    QFETCH(QStringList, shownMac);
    QFETCH(QStringList, log);
    Fixture f;
    for (int i = 0; i < 6; ++i) {
        f.library.memory[static_cast<std::size_t>(0xAC + i)] =
            static_cast<std::uint8_t>(readerMac.split(u' ').at(i).toUInt(nullptr, 16));
    }
    f.setMac(macTexts);
    if (readFails) {
        f.library.failCallIndex(0);
    }
    f.page.SetCommPortParameters();

    const QStringList calls = f.library.callTexts();
    QCOMPARE(calls.first() == "GetParameter(7, 0xAC, 6)", reads);
    QCOMPARE(calls.filter("GetParameter").size(), reads ? 1 : 0);
    const QStringList recordCalls = calls.filter("0xA9");
    if (writtenMac.isEmpty()) {
        QCOMPARE(recordCalls, QStringList{});
        QCOMPARE(f.memoryBytes(0xA9, 3), QString("EE EE EE"));
    } else {
        QCOMPARE(recordCalls.size(), 1);
        QCOMPARE(f.memoryBytes(0xAC, 6), writtenMac);
    }
    // Every other step went on.
    QCOMPARE(calls.mid(calls.size() - kSetCallsAfterRecord.size()), kSetCallsAfterRecord);
    QCOMPARE(f.macTexts(), shownMac);
    QCOMPARE(f.messages(), log);
}

// The read when the page opens fills the MAC edits through the record's own MAC binding:
// a set afterwards writes that MAC without reading it again. A failed read is silent.
void TestCommPortPage::macReadOnOpeningFeedsTheRecord() {
    Fixture f;
    f.library.failAddress(0xB0);
    f.page.QueryMacAddress();
    QCOMPARE(f.macTexts(), QStringList(6, QStringLiteral("FF")));
    QCOMPARE(f.messages(), QStringList{});

    f.library.clearFailures();
    f.setMemory(0xAC, {0x02, 0xA1, 0x5C, 0x00, 0x7E, 0xF0});
    f.page.QueryMacAddress();
    QCOMPARE(f.macTexts(), (QStringList{"02", "A1", "5C", "00", "7E", "F0"}));
    QCOMPARE(f.library.callTexts().constLast(), QString("GetParameter(7, 0xAC, 6)"));
    f.library.clearCalls();
    f.setMemory(0xAC, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00});

    f.page.SetCommPortParameters();
    QCOMPARE(f.library.callTexts().filter("GetParameter"), QStringList{});
    QCOMPARE(f.memoryBytes(0xAC, 6), QString("02 A1 5C 00 7E F0"));
}

void TestCommPortPage::macBelongsToItsConnection_data() {
    QTest::addColumn<QStringList>("steps");  // "read", "reconnect", "type", "code"
    QTest::addColumn<bool>("readsFirst");    // the set reads the connected reader's MAC
    QTest::addColumn<QString>("writtenMac");

    const QString own = QStringLiteral("00 1A 2B 3C 4D 5E");
    const QString earlier = QStringLiteral("02 A1 5C 00 7E F0");
    const QString typed = QStringLiteral("02 00 00 00 00 07");
    QTest::newRow("read in this connection") << QStringList{"read"} << false << earlier;
    QTest::newRow("read, then reconnected") << QStringList{"read", "reconnect"} << true << own;
    QTest::newRow("typed, then reconnected") << QStringList{"type", "reconnect"} << true << own;
    QTest::newRow("read, reconnected, typed")
        << QStringList{"read", "reconnect", "type"} << false << typed;
    // Only the user's typing makes the edits this reader's; a text put in by code does not.
    QTest::newRow("read, reconnected, put in by code")
        << QStringList{"read", "reconnect", "code"} << true << own;
}

// The MAC edits belong to the reader of the connection they were read or typed in: after
// connecting again, a set writes the connected reader's own MAC, read first and shown, unless
// the user typed one since.
void TestCommPortPage::macBelongsToItsConnection() {
    QFETCH(QStringList, steps);
    QFETCH(bool, readsFirst);
    QFETCH(QString, writtenMac);
    Fixture f;
    for (const QString& step : steps) {
        if (step == "read") {
            // Another reader's MAC, read into the edits.
            f.setMemory(0xAC, {0x02, 0xA1, 0x5C, 0x00, 0x7E, 0xF0});
            f.page.QueryMacAddress();
            f.setMemory(0xAC, {kReaderMac[0], kReaderMac[1], kReaderMac[2], kReaderMac[3],
                               kReaderMac[4], kReaderMac[5]});
        } else if (step == "reconnect") {
            QCOMPARE(f.session.open(READER_LINK_TCP, "127.0.0.1"), 0);
        } else if (step == "type") {
            f.setMac({"02", "00", "00", "00", "00", "07"});
        } else {
            f.page.macEdit(5)->setText(QStringLiteral("F0"));
        }
    }
    f.library.clearCalls();
    f.page.SetCommPortParameters();
    const QStringList calls = f.library.callTexts();
    QCOMPARE(calls.filter("GetParameter").size(), readsFirst ? 1 : 0);
    QCOMPARE(calls.first().endsWith(", 0xAC, 6)"), readsFirst);
    QCOMPARE(f.memoryBytes(0xAC, 6), writtenMac);
    QCOMPARE(f.macTexts().join(u' '), writtenMac);
    QCOMPARE(f.messages(), QStringList{kSetSucceeded});
}

void TestCommPortPage::setStopsAtTextThatIsNotANumber_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<int>("calls");  // SetParameter calls made before the stop

    // The record is converted whole before anything is written: nothing at all.
    QTest::newRow("Edit27 emptied") << "Edit27"
                                    << "" << 0;
    QTest::newRow("Edit23 emptied") << "Edit23"
                                    << "" << 0;
    QTest::newRow("Edit35 emptied while disabled") << "Edit35"
                                                   << "" << 0;
    QTest::newRow("Edit33 negative") << "Edit33"
                                     << "-1" << 0;
    QTest::newRow("MAC Edit10 emptied") << "Edit10"
                                        << "" << 0;
    // The pulse width stops the set after the output interval, step 8.
    QTest::newRow("Edit1 emptied") << "Edit1"
                                   << "" << 7;
    QTest::newRow("Edit1 above the int range") << "Edit1"
                                               << "99999999999" << 7;
    QTest::newRow("Edit1 negative") << "Edit1"
                                    << "-5" << 7;
    // A typed start byte that is no item stops the set at its own step.
    QTest::newRow("ComboBox27 typed 8") << "ComboBox27"
                                        << "8" << 9;
    QTest::newRow("ComboBox27 emptied") << "ComboBox27"
                                        << "" << 9;
}

void TestCommPortPage::setStopsAtTextThatIsNotANumber() {
    QFETCH(QString, name);
    QFETCH(QString, pasted);
    QFETCH(int, calls);
    Fixture f;
    // Even the MAC guard's read waits until the record is converted.
    if (auto* box = f.page.findChild<QComboBox*>(name)) {
        box->setEditText(pasted);
    } else {
        f.edit(name)->setText(pasted);
    }
    QCOMPARE(controlValue(f.page, name), pasted);
    QString error;
    try {
        f.page.SetCommPortParameters();
    } catch (const ConversionError& conversionError) {
        error = conversionError.message();
    }
    QCOMPARE(error, QString("'%1' is not a valid integer value").arg(pasted));
    const QStringList written = f.library.callTexts("SetParameter");
    QCOMPARE(written.size(), calls);
    if (calls == 0) {
        QCOMPARE(f.library.callTexts(), QStringList{});
    } else {
        QCOMPARE(written.mid(1), kSetCallsAfterRecord.mid(0, calls - 1));
    }
    QVERIFY(f.messages().isEmpty());
}

// The start byte's list takes typed text: an item's text selects the item, anything else is
// refused; after a query of a byte without an item the empty list writes that byte back.
void TestCommPortPage::startByteTypedText() {
    Fixture f;
    QVERIFY(f.showActive());
    QComboBox* box = f.list("ComboBox27");
    QLineEdit* typed = box->lineEdit();
    f.setMac({"02", "00", "00", "00", "00", "01"});
    box->setFocus();
    QTest::keyClick(typed, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(typed, QStringLiteral("3"));
    QCOMPARE(box->currentText(), QString("3"));
    QCOMPARE(box->currentIndex(), 3);
    f.page.SetCommPortParameters();
    QCOMPARE(f.library.callTexts().constLast(), QString("SetParameter(7, 0x8F, 1, 03)"));
    // A full-width digit of a Chinese input method is the ASCII one, as in the decimal edits;
    // a letter is refused.
    QTest::keyClick(typed, Qt::Key_Backspace);
    typeText(box, QStringLiteral("５x"));
    QCOMPARE(box->currentText(), QString("5"));
    QCOMPARE(box->currentIndex(), 5);
    f.page.SetCommPortParameters();
    QCOMPARE(f.library.callTexts().constLast(), QString("SetParameter(7, 0x8F, 1, 05)"));

    QTest::keyClick(typed, Qt::Key_Backspace);
    QTest::keyClicks(typed, QStringLiteral("9"));
    QCOMPARE(box->currentText(), QString("9"));
    QCOMPARE(box->count(), 8);
    f.library.clearCalls();
    QString error;
    try {
        f.page.SetCommPortParameters();
    } catch (const ConversionError& conversionError) {
        error = conversionError.message();
    }
    QCOMPARE(error, QString("'9' is not a valid integer value"));
    QCOMPARE(f.library.callTexts("SetParameter").size(), 9);
    QVERIFY(f.library.callTexts().filter("0x8F").isEmpty());

    // A stored 9 has no item: the list shows none and keeps the byte.
    f.setMemory(0x8F, {9});
    f.page.QueryCommPortParameters();
    QCOMPARE(box->currentIndex(), -1);
    QCOMPARE(box->currentText(), QString());
    f.library.clearCalls();
    f.library.memory[0x8F] = 0xEE;
    f.page.SetCommPortParameters();
    QCOMPARE(f.library.callTexts().constLast(), QString("SetParameter(7, 0x8F, 1, 09)"));
    QTest::keyClicks(typed, QStringLiteral("6"));
    f.page.SetCommPortParameters();
    QCOMPARE(f.library.callTexts().constLast(), QString("SetParameter(7, 0x8F, 1, 06)"));
}

void TestCommPortPage::setFailureLogsFieldMessage_data() {
    addFieldFailureRows(
        {
            {addr::TcpIpRecord, "设置TCP/IP参数失败!"},
            {model::clientLocalPort, "设置TCP/IP参数失败! "},
            {model::keepAliveTime, "设置TCP/IP参数失败! "},
            {model::rs485BaudRate, "设置RS-485波特率参数失败! "},
            {model::rs485IdResponse, "设置ID应答传输参数失败! "},
            {model::wiegandProtocol, "设置Wiegand协议参数失败！"},
            {model::wiegandInterval, "设置Wiegand输出间隔参数失败！"},
            {model::wiegandPulseWidth, "设置Wiegand输出脉冲宽度参数失败！"},
            {model::wiegandPulsePeriod, "设置Wiegand输出脉冲周期参数失败！"},
            {model::wiegandStartByte, "设置Wiegand输出起始字节参数失败！"},
        },
        kSetSucceeded, kSetFailed);
}

void TestCommPortPage::setFailureLogsFieldMessage() {
    Fixture f;
    // A unicast MAC in the edits: the set reads nothing first.
    f.setMac({"02", "A1", "5C", "00", "7E", "F0"});
    verifyFieldFailure(f.library, f.memo, [&] { f.page.SetCommPortParameters(); });
    QCOMPARE(f.library.callTexts().constLast(), QString("SetParameter(7, 0x8F, 1, 05)"));
}

void TestCommPortPage::queryFillsControlsAndRunsRules() {
    Fixture f;
    f.fillMemoryWithChangedValues();
    f.page.QueryCommPortParameters();
    QCOMPARE(f.library.callTexts(), kQueryCalls);
    QCOMPARE(f.messages(), QStringList{kQuerySucceeded});
    for (const auto& [name, value] : kChangedCommPortControls) {
        QVERIFY2(controlValue(f.page, name) == value,
                 qPrintable(name + ": " + controlValue(f.page, name)));
    }
    for (const QString& name : kClientModeControls) {
        QVERIFY2(f.enabled(name), qPrintable(name));
    }
    for (const QString& name : kAddressEdits) {
        QVERIFY2(!f.enabled(name), qPrintable(name));
    }

    // And back: a set writes the same bytes again.
    const auto before = f.library.memory;
    f.library.memory.fill(0);
    f.page.SetCommPortParameters();
    QCOMPARE(f.library.callTexts("GetParameter").size(), 10);
    for (const auto& [address, width] : std::initializer_list<std::pair<int, int>>{{0xA9, 29},
                                                                                   {0xEC, 2},
                                                                                   {0x50, 2},
                                                                                   {0x83, 1},
                                                                                   {0x85, 1},
                                                                                   {0x87, 3},
                                                                                   {0x8B, 1},
                                                                                   {0x8F, 1}}) {
        QCOMPARE(f.memoryBytes(address, width),
                 hexBytes(before.data() + address, std::size_t(width)));
    }
}

void TestCommPortPage::queryWorkModeAndAutomaticIp_data() {
    QTest::addColumn<int>("workMode");
    QTest::addColumn<int>("automaticIp");
    QTest::addColumn<bool>("clientMode");
    QTest::addColumn<bool>("automatic");

    QTest::newRow("0x00 0x00") << 0x00 << 0x00 << false << false;
    QTest::newRow("0x01 0x01") << 0x01 << 0x01 << false << true;
    QTest::newRow("0x02 0x02") << 0x02 << 0x02 << true << false;
    QTest::newRow("0x03 0x03") << 0x03 << 0x03 << true << true;
    QTest::newRow("0xFD 0xFE") << 0xFD << 0xFE << false << false;
}

void TestCommPortPage::queryWorkModeAndAutomaticIp() {
    QFETCH(int, workMode);
    QFETCH(int, automaticIp);
    QFETCH(bool, clientMode);
    QFETCH(bool, automatic);
    Fixture f;
    // The opposite state first, so every control must change.
    f.button("CheckBox11")->setChecked(!clientMode);
    f.button("CheckBox12")->setChecked(!automatic);
    f.library.memory[0xA9] = static_cast<std::uint8_t>(workMode);
    f.library.memory[0xAA] = static_cast<std::uint8_t>(automaticIp);
    f.page.QueryCommPortParameters();
    QCOMPARE(f.button("CheckBox11")->isChecked(), clientMode);
    QCOMPARE(f.button("CheckBox12")->isChecked(), automatic);
    for (const QString& name : kClientModeControls) {
        QVERIFY2(f.enabled(name) == clientMode, qPrintable(name));
    }
    for (const QString& name : kAddressEdits) {
        QVERIFY2(f.enabled(name) == !automatic, qPrintable(name));
    }
}

void TestCommPortPage::queryFailureLogsFieldMessage_data() {
    addFieldFailureRows(
        {
            {addr::TcpIpRecord, "查询TCP/IP参数失败 !"},
            {model::clientLocalPort, "查询TCP/IP参数失败 !"},
            {model::keepAliveTime, "查询TCP/IP参数失败 !"},
            {model::rs485BaudRate, "查询RS-485波特率参数失败！"},
            {model::rs485IdResponse, "查询ID应答传输参数失败！"},
            {model::wiegandProtocol, "查询Wiegand协议参数失败！"},
            {model::wiegandInterval, "查询Wiegand输出间隔参数失败！"},
            {model::wiegandPulseWidth, "查询Wiegand输出脉冲宽度参数失败！"},
            {model::wiegandPulsePeriod, "查询Wiegand输出脉冲周期参数失败！"},
            {model::wiegandStartByte, "查询Wiegand输出起始字节参数失败！"},
        },
        kQuerySucceeded, kQueryFailed);
}

void TestCommPortPage::queryFailureLogsFieldMessage() {
    Fixture f;
    f.fillMemoryWithChangedValues();
    verifyFieldFailure(f.library, f.memo, [&] { f.page.QueryCommPortParameters(); });
    QCOMPARE(f.library.callTexts(), kQueryCalls);
    // The fields around the failed one arrived: the start byte and the client-mode box.
    QFETCH(int, address);
    if (address != 0x8F) {
        QCOMPARE(controlValue(f.page, "ComboBox27"), QString("3"));
    }
    if (address < 0xA9 || address > 0xC5) {
        QCOMPARE(controlValue(f.page, "CheckBox11"), QString("1"));
    }
}

// A failed record read leaves every record control and the enabled states as they were; the
// single fields are still read.
void TestCommPortPage::queryRecordFailureKeepsControls() {
    Fixture f;
    f.fillMemoryWithChangedValues();
    // Automatic IP on (address edits disabled), client mode off.
    f.button("CheckBox12")->setChecked(true);
    f.library.failAddress(0xB2);
    f.page.QueryCommPortParameters();
    QCOMPARE(f.messages(), (QStringList{"查询TCP/IP参数失败 !", kQueryFailed}));

    Fixture start;
    start.button("CheckBox12")->setChecked(true);
    for (const auto& [name, value] : kChangedCommPortControls) {
        const bool inRecord =
            !QStringList{"Edit39",    "Edit40", "ComboBox12", "CheckBox6", "ComboBox11",
                         "ComboBox9", "Edit1",  "Edit2",      "ComboBox27"}
                 .contains(name);
        const QString expected = inRecord ? controlValue(start.page, name) : value;
        QVERIFY2(controlValue(f.page, name) == expected, qPrintable(name));
    }
    for (const QString& name : kClientModeControls + kAddressEdits) {
        QVERIFY2(!f.enabled(name), qPrintable(name));
    }
}

void TestCommPortPage::queryListWithoutItemKeepsByte_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("stored");

    QTest::newRow("Wiegand interval 0") << "ComboBox9" << 0x8B << 0;
    QTest::newRow("Wiegand interval 11") << "ComboBox9" << 0x8B << 11;
    QTest::newRow("Wiegand protocol 0") << "ComboBox11" << 0x87 << 0;
    QTest::newRow("Wiegand protocol 5") << "ComboBox11" << 0x87 << 5;
    QTest::newRow("RS-485 rate 8") << "ComboBox12" << 0x83 << 8;
    QTest::newRow("start byte 0xFF") << "ComboBox27" << 0x8F << 0xFF;
}

void TestCommPortPage::queryListWithoutItemKeepsByte() {
    QFETCH(QString, name);
    QFETCH(int, address);
    QFETCH(int, stored);
    Fixture f;
    f.library.memory[static_cast<std::size_t>(address)] = static_cast<std::uint8_t>(stored);
    f.page.QueryCommPortParameters();
    QCOMPARE(f.list(name)->currentIndex(), -1);
    QCOMPARE(controlValue(f.page, name), QString());
    QCOMPARE(f.messages(), QStringList{kQuerySucceeded});

    f.library.memory[static_cast<std::size_t>(address)] = 0xEE;
    f.page.SetCommPortParameters();
    QCOMPARE(f.library.memory[static_cast<std::size_t>(address)],
             static_cast<std::uint8_t>(stored));
    QCOMPARE(f.messages().constLast(), kSetSucceeded);

    // Once the user picks an item, the item's value goes.
    f.list(name)->setCurrentIndex(1);
    f.page.SetCommPortParameters();
    QVERIFY(f.library.memory[static_cast<std::size_t>(address)] != stored);
}

void TestCommPortPage::defaultSet() {
    Fixture f;
    f.fillMemoryWithChangedValues();
    f.page.QueryCommPortParameters();
    f.setMac({"02", "00", "00", "00", "00", "01"});
    f.apply({"Edit36=1234", "Edit39=2345", "Edit40=3456"});
    f.library.clearCalls();
    const QStringList logBefore = f.messages();

    f.page.applyDefaultSet();
    const QList<std::pair<QString, QString>> defaults{
        {"ComboBox11", "Wiegand 26"},
        {"ComboBox12", "9600bps"},
        {"CheckBox6", "0"},
        {"ComboBox9", "09-1000ms"},
        {"Edit1", "8"},
        {"Edit2", "12"},
        {"ComboBox27", "0"},
        {"Edit21", "4001"},
        {"Edit22", "192"},
        {"Edit23", "168"},
        {"Edit24", "0"},
        {"Edit25", "178"},
        {"Edit26", "255"},
        {"Edit27", "255"},
        {"Edit28", "255"},
        {"Edit29", "0"},
        {"Edit30", "192"},
        {"Edit31", "168"},
        {"Edit32", "0"},
        {"Edit33", "1"},
        // Not in the default set: as they were.
        {"CheckBox11", "1"},
        {"CheckBox12", "1"},
        {"Edit8", "02"},
        {"Edit13", "01"},
        {"Edit20", "10"},
        {"Edit36", "1234"},
        {"Edit39", "2345"},
        {"Edit40", "3456"},
    };
    for (const auto& [name, value] : defaults) {
        QVERIFY2(controlValue(f.page, name) == value,
                 qPrintable(name + ": " + controlValue(f.page, name)));
    }
    QVERIFY(!f.enabled("CheckBox6"));
    QCOMPARE(f.library.callTexts(), QStringList{});
    QCOMPARE(f.messages(), logBefore);

    // Nothing enables "ID应答传输" again: a query that ticks it leaves it disabled.
    f.page.QueryCommPortParameters();
    QCOMPARE(controlValue(f.page, "CheckBox6"), QString("1"));
    QVERIFY(!f.enabled("CheckBox6"));
}

// "默认参数" puts in the set of the page the user is looking at: on page 2 the RS-485,
// Wiegand and TCP/IP values, on page 1 only the buzzer.
void TestCommPortPage::defaultsFollowTheShownPage() {
    RecordingReaderLibrary library;
    TForm1 form(library);
    form.show();
    CommPortPage& page = *form.commPortPage();
    auto* buzzer = control<QCheckBox>(*form.PageControl3()->widget(0), "CheckBox1");
    const auto changeAll = [&] {
        buzzer->setChecked(false);
        control<QLineEdit>(page, "Edit33")->setText("77");
        control<QLineEdit>(page, "Edit2")->setText("99");
        control<QComboBox>(page, "ComboBox12")->setCurrentIndex(6);
    };
    const auto commPortDefaults = [&] {
        return controlValue(page, "Edit33") == "1" && controlValue(page, "Edit2") == "12" &&
               controlValue(page, "ComboBox12") == "9600bps" &&
               !control<QWidget>(page, "CheckBox6")->isEnabled();
    };

    changeAll();
    form.PageControl1()->setCurrentIndex(1);
    form.BitBtn1()->click();
    QVERIFY(buzzer->isChecked());
    QVERIFY(!commPortDefaults());
    QCOMPARE(controlValue(page, "Edit33"), QString("77"));

    changeAll();
    form.PageControl1()->setCurrentIndex(2);
    library.clearCalls();
    form.BitBtn1()->click();
    QVERIFY(!buzzer->isChecked());
    QVERIFY(commPortDefaults());
    QCOMPARE(library.callTexts(), QStringList{});
    QCOMPARE(form.PageControl1()->currentIndex(), 2);
}

// Every caption and list item fits its control, and no control of the page lies under the
// window's right-hand buttons, which stand in front of the tab area.
void TestCommPortPage::layoutFitsTextsAndClearsRightButtons() {
    RecordingReaderLibrary library;
    TForm1 form(library);
    form.show();
    form.PageControl1()->setCurrentIndex(2);
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    CommPortPage& page = *form.commPortPage();
    const QRect buttons = QRect(
        form.BitBtn1()->mapTo(&form, QPoint(0, 0)),
        form.Button4()->mapTo(&form, QPoint(form.Button4()->width(), form.Button4()->height())));
    const QRect pageArea = QRect(page.mapTo(&form, QPoint(0, 0)), page.size());
    const auto widgets = page.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    QCOMPARE(widgets.size(), 3);
    for (QWidget* widget : page.findChildren<QWidget*>()) {
        if (widget->objectName().isEmpty() || widget->objectName().startsWith(u"qt_")) {
            continue;  // the inner parts of list boxes
        }
        const QRect onWindow(widget->mapTo(&form, QPoint(0, 0)), widget->size());
        QVERIFY2(!onWindow.intersects(buttons), qPrintable(widget->objectName()));
        QVERIFY2(pageArea.contains(onWindow), qPrintable(widget->objectName()));
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(label->text()));
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            QVERIFY2(button->sizeHint().width() <= button->width(), qPrintable(button->text()));
        } else if (auto* box = qobject_cast<QComboBox*>(widget)) {
            QVERIFY2(box->sizeHint().width() <= box->width(), qPrintable(box->objectName()));
        } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
            QVERIFY2(group->fontMetrics().horizontalAdvance(group->title()) + 20 <= group->width(),
                     qPrintable(group->title()));
        }
    }
}

QTEST_MAIN(TestCommPortPage)
#include "tst_commportpage.moc"
