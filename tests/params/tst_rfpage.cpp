// SPDX-License-Identifier: LGPL-2.1-or-later
// The page "射频参数": the lists by band variant, the three sub-pages' set and query
// operations against the recording fake, the channel tables, and the page in the window.

#include "app/Main.h"
#include "params/ParameterDispatch.h"
#include "params/RfBasicPage.h"
#include "params/RfChannelPage.h"
#include "params/RfPage.h"
#include "tests/support/PageTestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTabWidget>

#include <algorithm>

namespace {

enum SubPage { BasicSubPage = 0, Channel1SubPage = 1, Channel2SubPage = 2 };

// The page on the recording fake, its lists filled as the window's first show fills them.
struct Fixture : PageOnFake<RfPage> {
    explicit Fixture(int band = 1) {
        const WindowVariants variants{0, band};
        page.rfBasicPage()->formShow(variants);
        page.rfChannel1Page()->formShow(variants);
        page.rfChannel2Page()->formShow(variants);
    }

    QComboBox* list(const QString& name) { return control<QComboBox>(page, name); }

    void set(int subPage) {
        switch (subPage) {
            case BasicSubPage:
                page.SetRfBasicParameters();
                break;
            case Channel1SubPage:
                page.SetRfChannel1Parameters();
                break;
            default:
                page.SetRfChannel2Parameters();
                break;
        }
    }
    void query(int subPage) {
        switch (subPage) {
            case BasicSubPage:
                page.QueryRfBasicParameters();
                break;
            case Channel1SubPage:
                page.QueryRfChannel1Parameters();
                break;
            default:
                page.QueryRfChannel2Parameters();
                break;
        }
    }
    void setMemory(int address, const QByteArray& bytes) {
        for (int i = 0; i < bytes.size(); ++i) {
            library.memory[static_cast<std::size_t>(address + i)] =
                static_cast<std::uint8_t>(bytes[i]);
        }
    }
    // "name=value" for each list (see controlValue).
    void verifyValues(const QStringList& expected) {
        for (const QString& entry : expected) {
            const QString name = entry.section(u'=', 0, 0);
            QVERIFY2(controlValue(page, name) == entry.section(u'=', 1),
                     qPrintable(entry + " shows " + controlValue(page, name)));
        }
    }
};

const RfChannel& channelOf(int subPage) {
    return subPage == Channel1SubPage ? rf::ChannelOne : rf::ChannelTwo;
}

// One kind of list (frequency, power, rate or tag type) of all eight modules.
QStringList allModules(const char* RfModule::*list) {
    QStringList names;
    for (const RfChannel* channel : {&rf::ChannelOne, &rf::ChannelTwo}) {
        for (const RfModule& module : channel->modules) {
            names << module.*list;
        }
    }
    return names;
}

}  // namespace

class TestRfPage : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void subPagesAndGroups();
    void moduleGroupsFollowTheTable_data();
    void moduleGroupsFollowTheTable();
    void designedLists();
    void bandVariants_data();
    void bandVariants();

    void setAfterStartUp_data();
    void setAfterStartUp();
    void setChosenItems_data();
    void setChosenItems();
    void queryShowsValuesAndSetWritesThemBack_data();
    void queryShowsValuesAndSetWritesThemBack();
    void pickedItemReplacesKeptValue_data();
    void pickedItemReplacesKeptValue();
    void failedFrequencyReadKeepsFrequencies();
    void failureLogsFieldMessage_data();
    void failureLogsFieldMessage();
    void channelsStayApart_data();
    void channelsStayApart();
    void withoutBandFrequenciesAreNotInvented();

    void windowFillsListsByBandVariant_data();
    void windowFillsListsByBandVariant();
    void windowRoutesChannelTwo();
    void windowLayoutFitsAndClearsRightButtons();
};

void TestRfPage::subPagesAndGroups() {
    Fixture f;
    QTabWidget* tabs = f.page.PageControl4();
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->tabText(0), QString("基本参数"));
    QCOMPARE(tabs->tabText(1), QString("通道一设置"));
    QCOMPARE(tabs->tabText(2), QString("通道二设置"));
    QCOMPARE(tabs->widget(0), static_cast<QWidget*>(f.page.rfBasicPage()));
    QCOMPARE(tabs->widget(1), static_cast<QWidget*>(f.page.rfChannel1Page()));
    QCOMPARE(tabs->widget(2), static_cast<QWidget*>(f.page.rfChannel2Page()));

    QWidget& basic = *f.page.rfBasicPage();
    verifyStartState(basic, "AttenuationGroup", "衰减系数", "", true);
    verifyStartState(basic, "Attenuation1Label", "通道一系数", "", true);
    verifyStartState(basic, "ComboBox5", "", "0 dB", true);
    verifyStartState(basic, "Attenuation2Label", "通道二系数", "", true);
    verifyStartState(basic, "ComboBox8", "", "0 dB", true);
    verifyStartState(basic, "RssiGroup", "RSSI 参数", "", true);
    verifyStartState(basic, "RssiLabel", "RSSI 参数", "", true);
    verifyStartState(basic, "ComboBox6", "", "-110", true);
    // Each attenuation box sits in its group next to its label.
    QCOMPARE(f.list("ComboBox5")->parent(), control<QObject>(basic, "AttenuationGroup"));
    QCOMPARE(f.list("ComboBox6")->parent(), control<QObject>(basic, "RssiGroup"));
}

void TestRfPage::moduleGroupsFollowTheTable_data() {
    QTest::addColumn<int>("subPage");
    QTest::addColumn<int>("module");  // 0..3 within the channel
    for (int subPage : {Channel1SubPage, Channel2SubPage}) {
        for (int module = 0; module < 4; ++module) {
            QTest::addRow("module %d", channelOf(subPage).modules[module].number)
                << subPage << module;
        }
    }
}

void TestRfPage::moduleGroupsFollowTheTable() {
    QFETCH(int, subPage);
    QFETCH(int, module);
    Fixture f;
    const RfModule& names = channelOf(subPage).modules[static_cast<std::size_t>(module)];
    QWidget* page = f.page.PageControl4()->widget(subPage);
    f.page.resize(524, 280);
    f.page.show();
    f.page.PageControl4()->setCurrentIndex(subPage);
    QVERIFY(QTest::qWaitForWindowExposed(&f.page));

    // The group "模块N" on its channel's page holds the module's four lists, with the
    // labels "频率", "功率", "速率", "标签" from top to bottom, each above its list.
    auto* group = control<QGroupBox>(*page, QStringLiteral("Module%1Group").arg(names.number));
    QVERIFY(group);
    QCOMPARE(group->title(), QStringLiteral("模块%1").arg(names.number));
    const QList<std::pair<const char*, const char*>> rows{{"频率", names.frequency},
                                                          {"功率", names.power},
                                                          {"速率", names.rate},
                                                          {"标签", names.tagType}};
    const QList<QLabel*> labels = group->findChildren<QLabel*>();
    QCOMPARE(labels.size(), 4);
    int previousBottom = -1;
    for (const auto& [caption, listName] : rows) {
        auto* list = control<QComboBox>(*group, listName);
        QVERIFY(list);
        const auto label = std::find_if(labels.begin(), labels.end(), [&](QLabel* candidate) {
            return candidate->text() == QString::fromUtf8(caption);
        });
        QVERIFY2(label != labels.end(), caption);
        QVERIFY2((*label)->geometry().top() > previousBottom, caption);
        QVERIFY2(list->geometry().top() >= (*label)->geometry().bottom(), listName);
        previousBottom = list->geometry().bottom();
    }
    // Modules left to right in module order.
    if (module > 0) {
        const RfModule& before = channelOf(subPage).modules[static_cast<std::size_t>(module - 1)];
        auto* left = control<QGroupBox>(*page, QStringLiteral("Module%1Group").arg(before.number));
        QVERIFY(left->geometry().right() < group->geometry().left());
    }
}

void TestRfPage::designedLists() {
    Fixture f;
    for (const RfChannel* channel : {&rf::ChannelOne, &rf::ChannelTwo}) {
        for (const RfModule& module : channel->modules) {
            QComboBox* power = f.list(module.power);
            QComboBox* rate = f.list(module.rate);
            QComboBox* tagType = f.list(module.tagType);
            QCOMPARE(power->count(), 16);
            QCOMPARE(power->itemText(0), QString("Level 0"));
            QCOMPARE(power->itemText(15), QString("Level 15"));
            QCOMPARE(power->currentText(), QString("Level 15"));
            QCOMPARE(rate->count(), 4);
            QCOMPARE(rate->itemText(0), QString("250  Kbps"));
            QCOMPARE(rate->itemText(1), QString("500  Kbps"));
            QCOMPARE(rate->itemText(2), QString("1000 Kbps"));
            QCOMPARE(rate->itemText(3), QString("2000 Kbps"));
            QCOMPARE(rate->currentText(), QString("1000 Kbps"));
            QCOMPARE(tagType->count(), 20);
            QCOMPARE(tagType->itemText(0), QString("Type 1"));
            QCOMPARE(tagType->itemText(19), QString("Type 20"));
            QCOMPARE(tagType->currentText(), QString("Type 8"));
            for (QComboBox* list : {power, rate, tagType, f.list(module.frequency)}) {
                QVERIFY(!list->isEditable());
            }
        }
    }
    QComboBox* rssi = f.list("ComboBox6");
    QCOMPARE(rssi->count(), 101);
    QCOMPARE(rssi->itemText(0), QString("-110"));
    QCOMPARE(rssi->itemText(100), QString("-10"));
    for (const char* name : {"ComboBox5", "ComboBox8"}) {
        QComboBox* attenuation = f.list(name);
        QCOMPARE(attenuation->count(), 32);
        QCOMPARE(attenuation->itemText(0), QString("0 dB"));
        QCOMPARE(attenuation->itemText(31), QString("31 dB"));
        QVERIFY(!attenuation->isEditable());
    }
    QVERIFY(!rssi->isEditable());
}

void TestRfPage::bandVariants_data() {
    QTest::addColumn<int>("band");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QStringList>("selected");  // modules 1 to 8
    QTest::addColumn<QString>("tagType");       // every module

    const QStringList band1{"2450 MHz", "2460 MHz", "2470 MHz", "2480 MHz"};
    QTest::newRow("1") << 1 << 125 << "2400 MHz"
                       << "2524 MHz" << band1 + band1 << "Type 8";
    QTest::newRow("0") << 0 << 78 << "387 MHz"
                       << "464 MHz" << QStringList(8, "433 MHz") << "Type 10";
    QTest::newRow("7") << 7 << 0 << ""
                       << "" << QStringList(8, "") << "Type 8";
}

void TestRfPage::bandVariants() {
    QFETCH(int, band);
    QFETCH(int, count);
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(QStringList, selected);
    QFETCH(QString, tagType);
    Fixture f(band);
    const QStringList frequencies = allModules(&RfModule::frequency);
    for (int i = 0; i < frequencies.size(); ++i) {
        QComboBox* list = f.list(frequencies[i]);
        QCOMPARE(list->count(), count);
        QCOMPARE(list->itemText(0), first);
        QCOMPARE(list->itemText(count - 1), last);
        QCOMPARE(controlValue(f.page, frequencies[i]), selected[i]);
    }
    for (const QString& name : allModules(&RfModule::tagType)) {
        QCOMPARE(controlValue(f.page, name), tagType);
    }
}

void TestRfPage::setAfterStartUp_data() {
    QTest::addColumn<int>("band");
    QTest::addColumn<int>("subPage");
    QTest::addColumn<QStringList>("calls");

    QTest::newRow("basic") << 1 << int(BasicSubPage)
                           << QStringList{"SetParameter(7, 0xC6, 2, 00 00)",
                                          "SetParameter(7, 0xA1, 1, 92)"};
    QTest::newRow("channel 1") << 1 << int(Channel1SubPage)
                               << QStringList{"SetParameter(7, 0xD8, 4, 32 3C 46 50)",
                                              "SetParameter(7, 0xD0, 4, 2F 2F 2F 2F)",
                                              "SetParameter(7, 0xC8, 4, 08 08 08 08)"};
    QTest::newRow("channel 2") << 1 << int(Channel2SubPage)
                               << QStringList{"SetParameter(7, 0xDC, 4, 32 3C 46 50)",
                                              "SetParameter(7, 0xD4, 4, 2F 2F 2F 2F)",
                                              "SetParameter(7, 0xCC, 4, 08 08 08 08)"};
    QTest::newRow("channel 2, band 0") << 0 << int(Channel2SubPage)
                                       << QStringList{"SetParameter(7, 0xDC, 4, 2E 2E 2E 2E)",
                                                      "SetParameter(7, 0xD4, 4, 2F 2F 2F 2F)",
                                                      "SetParameter(7, 0xCC, 4, 0A 0A 0A 0A)"};
}

void TestRfPage::setAfterStartUp() {
    QFETCH(int, band);
    QFETCH(int, subPage);
    QFETCH(QStringList, calls);
    Fixture f(band);
    f.set(subPage);
    QCOMPARE(f.library.callTexts(), calls);
    QCOMPARE(f.messages(), QStringList{"设置射频参数成功！"});
}

void TestRfPage::setChosenItems_data() {
    QTest::addColumn<int>("subPage");
    QTest::addColumn<QStringList>("choices");  // list=position
    QTest::addColumn<QStringList>("calls");

    QTest::newRow("basic: attenuations, RSSI -10")
        << int(BasicSubPage) << QStringList{"ComboBox5=31", "ComboBox8=5", "ComboBox6=100"}
        << QStringList{"SetParameter(7, 0xC6, 2, 1F 05)", "SetParameter(7, 0xA1, 1, F6)"};
    QTest::newRow("basic: RSSI -11")
        << int(BasicSubPage) << QStringList{"ComboBox6=99"}
        << QStringList{"SetParameter(7, 0xC6, 2, 00 00)", "SetParameter(7, 0xA1, 1, F5)"};
    // One module at a time, so each byte shows which module's lists it comes from.
    QTest::newRow("module 1") << int(Channel1SubPage)
                              << QStringList{"ComboBox34=0", "ComboBox25=0", "ComboBox35=0",
                                             "ComboBox3=0"}
                              << QStringList{"SetParameter(7, 0xD8, 4, 00 3C 46 50)",
                                             "SetParameter(7, 0xD0, 4, 00 2F 2F 2F)",
                                             "SetParameter(7, 0xC8, 4, 01 08 08 08)"};
    QTest::newRow("module 2") << int(Channel1SubPage)
                              << QStringList{"ComboBox40=124", "ComboBox43=10", "ComboBox41=3",
                                             "ComboBox42=19"}
                              << QStringList{"SetParameter(7, 0xD8, 4, 32 7C 46 50)",
                                             "SetParameter(7, 0xD0, 4, 2F 3A 2F 2F)",
                                             "SetParameter(7, 0xC8, 4, 08 14 08 08)"};
    QTest::newRow("module 3") << int(Channel1SubPage)
                              << QStringList{"ComboBox22=1", "ComboBox29=1", "ComboBox23=1",
                                             "ComboBox24=1"}
                              << QStringList{"SetParameter(7, 0xD8, 4, 32 3C 01 50)",
                                             "SetParameter(7, 0xD0, 4, 2F 2F 11 2F)",
                                             "SetParameter(7, 0xC8, 4, 08 08 02 08)"};
    QTest::newRow("module 4") << int(Channel1SubPage)
                              << QStringList{"ComboBox30=2", "ComboBox33=2", "ComboBox31=3",
                                             "ComboBox32=2"}
                              << QStringList{"SetParameter(7, 0xD8, 4, 32 3C 46 02)",
                                             "SetParameter(7, 0xD0, 4, 2F 2F 2F 32)",
                                             "SetParameter(7, 0xC8, 4, 08 08 08 03)"};
    QTest::newRow("module 5") << int(Channel2SubPage)
                              << QStringList{"ComboBox36=5", "ComboBox39=5", "ComboBox37=0",
                                             "ComboBox38=4"}
                              << QStringList{"SetParameter(7, 0xDC, 4, 05 3C 46 50)",
                                             "SetParameter(7, 0xD4, 4, 05 2F 2F 2F)",
                                             "SetParameter(7, 0xCC, 4, 05 08 08 08)"};
    QTest::newRow("module 6") << int(Channel2SubPage)
                              << QStringList{"ComboBox44=6", "ComboBox47=6", "ComboBox45=1",
                                             "ComboBox46=5"}
                              << QStringList{"SetParameter(7, 0xDC, 4, 32 06 46 50)",
                                             "SetParameter(7, 0xD4, 4, 2F 16 2F 2F)",
                                             "SetParameter(7, 0xCC, 4, 08 06 08 08)"};
    QTest::newRow("module 7") << int(Channel2SubPage)
                              << QStringList{"ComboBox48=7", "ComboBox51=7", "ComboBox49=3",
                                             "ComboBox50=6"}
                              << QStringList{"SetParameter(7, 0xDC, 4, 32 3C 07 50)",
                                             "SetParameter(7, 0xD4, 4, 2F 2F 37 2F)",
                                             "SetParameter(7, 0xCC, 4, 08 08 07 08)"};
    QTest::newRow("module 8") << int(Channel2SubPage)
                              << QStringList{"ComboBox52=8", "ComboBox55=8", "ComboBox53=0",
                                             "ComboBox54=7"}
                              << QStringList{"SetParameter(7, 0xDC, 4, 32 3C 46 08)",
                                             "SetParameter(7, 0xD4, 4, 2F 2F 2F 08)",
                                             "SetParameter(7, 0xCC, 4, 08 08 08 08)"};
}

void TestRfPage::setChosenItems() {
    QFETCH(int, subPage);
    QFETCH(QStringList, choices);
    QFETCH(QStringList, calls);
    Fixture f;
    for (const QString& choice : choices) {
        f.list(choice.section(u'=', 0, 0))->setCurrentIndex(choice.section(u'=', 1).toInt());
    }
    f.set(subPage);
    QCOMPARE(f.library.callTexts(), calls);
    QCOMPARE(f.messages(), QStringList{"设置射频参数成功！"});
}

void TestRfPage::queryShowsValuesAndSetWritesThemBack_data() {
    QTest::addColumn<int>("subPage");
    QTest::addColumn<int>("address");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QStringList>("shown");  // list=selected text ("" = no selection)

    const auto bytes = [](std::initializer_list<int> values) {
        QByteArray array;
        for (int value : values) {
            array.append(static_cast<char>(value));
        }
        return array;
    };
    QTest::newRow("RSSI 0x92") << int(BasicSubPage) << 0xA1 << bytes({0x92})
                               << QStringList{"ComboBox6=-110"};
    QTest::newRow("RSSI 0xF6") << int(BasicSubPage) << 0xA1 << bytes({0xF6})
                               << QStringList{"ComboBox6=-10"};
    QTest::newRow("RSSI 0xCE") << int(BasicSubPage) << 0xA1 << bytes({0xCE})
                               << QStringList{"ComboBox6=-50"};
    QTest::newRow("RSSI 0x00") << int(BasicSubPage) << 0xA1 << bytes({0x00})
                               << QStringList{"ComboBox6="};
    QTest::newRow("RSSI 0x7F") << int(BasicSubPage) << 0xA1 << bytes({0x7F})
                               << QStringList{"ComboBox6="};
    QTest::newRow("RSSI 0x91, -111")
        << int(BasicSubPage) << 0xA1 << bytes({0x91}) << QStringList{"ComboBox6="};
    QTest::newRow("attenuations 31 and 32") << int(BasicSubPage) << 0xC6 << bytes({31, 32})
                                            << QStringList{"ComboBox5=31 dB", "ComboBox8="};
    QTest::newRow("attenuations 0xFF and 0") << int(BasicSubPage) << 0xC6 << bytes({0xFF, 0})
                                             << QStringList{"ComboBox5=", "ComboBox8=0 dB"};
    QTest::newRow("frequencies 1-4") << int(Channel1SubPage) << 0xD8 << bytes({125, 0, 124, 0x50})
                                     << QStringList{"ComboBox34=", "ComboBox40=2400 MHz",
                                                    "ComboBox22=2524 MHz", "ComboBox30=2480 MHz"};
    QTest::newRow("powers and rates 1-4")
        << int(Channel1SubPage) << 0xD0 << bytes({0x3A, 0x01, 0x12, 0x4F})
        << QStringList{"ComboBox25=Level 10",  "ComboBox35=2000 Kbps", "ComboBox43=Level 1",
                       "ComboBox41=250  Kbps", "ComboBox29=Level 2",   "ComboBox23=500  Kbps",
                       "ComboBox33=Level 15",  "ComboBox31="};
    QTest::newRow("tag types 1-4")
        << int(Channel1SubPage) << 0xC8 << bytes({0, 21, 1, 20})
        << QStringList{"ComboBox3=", "ComboBox42=", "ComboBox24=Type 1", "ComboBox32=Type 20"};
    QTest::newRow("frequencies 5-8") << int(Channel2SubPage) << 0xDC << bytes({1, 2, 3, 0xFF})
                                     << QStringList{"ComboBox36=2401 MHz", "ComboBox44=2402 MHz",
                                                    "ComboBox48=2403 MHz", "ComboBox52="};
    QTest::newRow("powers and rates 5-8")
        << int(Channel2SubPage) << 0xD4 << bytes({0x00, 0x11, 0x22, 0xF3})
        << QStringList{"ComboBox39=Level 0",   "ComboBox37=250  Kbps", "ComboBox47=Level 1",
                       "ComboBox45=500  Kbps", "ComboBox51=Level 2",   "ComboBox49=1000 Kbps",
                       "ComboBox55=Level 3",   "ComboBox53="};
    QTest::newRow("tag types 5-8") << int(Channel2SubPage) << 0xCC << bytes({2, 3, 4, 0x80})
                                   << QStringList{"ComboBox38=Type 2", "ComboBox46=Type 3",
                                                  "ComboBox50=Type 4", "ComboBox54="};
}

void TestRfPage::queryShowsValuesAndSetWritesThemBack() {
    QFETCH(int, subPage);
    QFETCH(int, address);
    QFETCH(QByteArray, stored);
    QFETCH(QStringList, shown);
    Fixture f;
    f.setMemory(address, stored);
    f.query(subPage);
    QCOMPARE(f.messages(), QStringList{"查询射频参数成功！"});
    f.verifyValues(shown);

    // A list without a selection keeps the byte it read; the set writes every byte back.
    f.library.clearCalls();
    f.memo.clear();
    f.set(subPage);
    const QString written =
        QStringLiteral("SetParameter(7, 0x%1, %2, %3)")
            .arg(QString::number(address, 16).toUpper(), QString::number(stored.size()),
                 hexBytes(reinterpret_cast<const std::uint8_t*>(stored.constData()),
                          std::size_t(stored.size())));
    QVERIFY2(f.library.callTexts().contains(written), qPrintable(f.library.callTexts().join(", ")));
    QCOMPARE(f.messages(), QStringList{"设置射频参数成功！"});
}

void TestRfPage::pickedItemReplacesKeptValue_data() {
    QTest::addColumn<int>("subPage");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("pick");  // list=position
    QTest::addColumn<QString>("call");

    QTest::newRow("RSSI 0x00, then -50") << int(BasicSubPage) << 0xA1 << 0x00 << "ComboBox6=60"
                                         << "SetParameter(7, 0xA1, 1, CE)";
    // The two nibbles of a power-and-rate byte are kept apart: a new power keeps the rate
    // code that has no item, and a new rate keeps the power.
    QTest::newRow("rate code 4, then power 3")
        << int(Channel1SubPage) << 0xD0 << 0x4F << "ComboBox25=3"
        << "SetParameter(7, 0xD0, 4, 43 2F 2F 2F)";
    QTest::newRow("rate code 15, then rate 1")
        << int(Channel2SubPage) << 0xD4 << 0xF7 << "ComboBox37=1"
        << "SetParameter(7, 0xD4, 4, 17 2F 2F 2F)";
    QTest::newRow("tag type 0, then type 3")
        << int(Channel1SubPage) << 0xC8 << 0x00 << "ComboBox3=2"
        << "SetParameter(7, 0xC8, 4, 03 08 08 08)";
    QTest::newRow("frequency 200, then 2410 MHz")
        << int(Channel2SubPage) << 0xDC << 200 << "ComboBox36=10"
        << "SetParameter(7, 0xDC, 4, 0A 3C 46 50)";
}

void TestRfPage::pickedItemReplacesKeptValue() {
    QFETCH(int, subPage);
    QFETCH(int, address);
    QFETCH(int, stored);
    QFETCH(QString, pick);
    QFETCH(QString, call);
    Fixture f;
    // The reader holds the page's start values apart from the one byte.
    f.set(subPage);
    f.library.memory[static_cast<std::size_t>(address)] = static_cast<std::uint8_t>(stored);
    f.query(subPage);
    f.list(pick.section(u'=', 0, 0))->setCurrentIndex(pick.section(u'=', 1).toInt());
    f.library.clearCalls();
    f.set(subPage);
    QVERIFY2(f.library.callTexts().contains(call), qPrintable(f.library.callTexts().join(", ")));
}

void TestRfPage::failedFrequencyReadKeepsFrequencies() {
    Fixture f;
    f.setMemory(0xD8, QByteArray::fromHex("01020304"));
    f.setMemory(0xD0, QByteArray::fromHex("3A001133"));
    f.setMemory(0xC8, QByteArray::fromHex("0314010A"));
    f.library.failAddress(0xD8);
    f.page.QueryRfChannel1Parameters();
    QCOMPARE(f.messages(), (QStringList{"查询频率参数失败！", "查询射频参数失败！"}));
    QCOMPARE(f.library.callTexts(),
             (QStringList{"GetParameter(7, 0xD8, 4)", "GetParameter(7, 0xD0, 4)",
                          "GetParameter(7, 0xC8, 4)"}));
    f.verifyValues({"ComboBox34=2450 MHz", "ComboBox40=2460 MHz", "ComboBox22=2470 MHz",
                    "ComboBox30=2480 MHz", "ComboBox25=Level 10", "ComboBox35=2000 Kbps",
                    "ComboBox43=Level 0", "ComboBox41=250  Kbps", "ComboBox29=Level 1",
                    "ComboBox23=500  Kbps", "ComboBox33=Level 3", "ComboBox31=2000 Kbps",
                    "ComboBox3=Type 3", "ComboBox42=Type 20", "ComboBox24=Type 1",
                    "ComboBox32=Type 10"});
}

void TestRfPage::failureLogsFieldMessage_data() {
    // The columns verifyFieldFailure reads, and which operation runs.
    QTest::addColumn<int>("address");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<int>("calls");
    QTest::addColumn<int>("subPage");
    QTest::addColumn<bool>("query");

    struct Step {
        int subPage;
        int address;
        int width;
        const char* setMessage;
        const char* queryMessage;
    };
    const QList<Step> steps{
        {BasicSubPage, 0xC6, 2, "设置衰减系数失败 !", "查询通道衰减系数失败 !"},
        {BasicSubPage, 0xA1, 1, "设置RSSI参数失败！", "查询RSSI参数失败！"},
        {Channel1SubPage, 0xD8, 4, "设置频率参数失败！", "查询频率参数失败！"},
        {Channel1SubPage, 0xD0, 4, "设置功率和速率参数失败！", "查询功率和速率参数失败！"},
        {Channel1SubPage, 0xC8, 4, "设置标签类型参数失败！", "查询标签类型参数失败！"},
        {Channel2SubPage, 0xDC, 4, "设置频率参数失败！", "查询频率参数失败！"},
        {Channel2SubPage, 0xD4, 4, "设置功率和速率参数失败！", "查询功率和速率参数失败！"},
        {Channel2SubPage, 0xCC, 4, "设置标签类型参数失败！", "查询标签类型参数失败！"},
    };
    for (const Step& step : steps) {
        const int calls = step.subPage == BasicSubPage ? 2 : 3;
        for (int address : {step.address, step.address + step.width - 1}) {
            QTest::addRow("set 0x%02X", address)
                << address << QStringList{QString::fromUtf8(step.setMessage), "设置射频参数失败！"}
                << calls << step.subPage << false;
            QTest::addRow("query 0x%02X", address)
                << address
                << QStringList{QString::fromUtf8(step.queryMessage), "查询射频参数失败！"} << calls
                << step.subPage << true;
        }
    }
}

void TestRfPage::failureLogsFieldMessage() {
    QFETCH(int, subPage);
    QFETCH(bool, query);
    Fixture f;
    verifyFieldFailure(f.library, f.memo, [&] { query ? f.query(subPage) : f.set(subPage); });
}

void TestRfPage::channelsStayApart_data() {
    QTest::addColumn<int>("subPage");
    QTest::addColumn<int>("ownFirst");  // the channel's bytes: ownFirst + {0..3, 8..11, 16..19}
    QTest::newRow("channel 1") << int(Channel1SubPage) << 0xC8;
    QTest::newRow("channel 2") << int(Channel2SubPage) << 0xCC;
}

void TestRfPage::channelsStayApart() {
    QFETCH(int, subPage);
    QFETCH(int, ownFirst);
    Fixture f;
    std::array<std::uint8_t, 256> before{};
    for (std::size_t i = 0; i < before.size(); ++i) {
        before[i] = static_cast<std::uint8_t>(0x40 + i % 7);
    }
    f.library.memory = before;
    // Some choices on both channels, so a write of the wrong channel's lists would show.
    f.list("ComboBox25")->setCurrentIndex(1);
    f.list("ComboBox55")->setCurrentIndex(2);
    f.set(subPage);
    f.query(subPage);

    QSet<int> own;
    for (int offset : {0, 8, 16}) {
        for (int i = 0; i < 4; ++i) {
            own << ownFirst + offset + i;
        }
    }
    for (const RecordingReaderLibrary::Call& call : f.library.calls()) {
        const auto first = static_cast<int>(call.arguments.at(1));
        const auto length = static_cast<int>(call.arguments.at(2));
        for (int address = first; address < first + length; ++address) {
            QVERIFY2(own.contains(address), qPrintable(call.text));
        }
    }
    QCOMPARE(int(f.library.calls().size()), 6);
    for (int address = 0; address < 256; ++address) {
        if (!own.contains(address)) {
            QVERIFY2(f.library.memory[static_cast<std::size_t>(address)] ==
                         before[static_cast<std::size_t>(address)],
                     qPrintable(QString::number(address, 16)));
        }
    }
}

void TestRfPage::withoutBandFrequenciesAreNotInvented() {
    Fixture f(7);
    // Before any query there is no channel number to write: the reader keeps its own.
    f.set(Channel1SubPage);
    QCOMPARE(f.library.callTexts(), (QStringList{"SetParameter(7, 0xD0, 4, 2F 2F 2F 2F)",
                                                 "SetParameter(7, 0xC8, 4, 08 08 08 08)"}));
    QCOMPARE(f.messages(), QStringList{"设置射频参数成功！"});

    // After a query each empty list keeps the byte it read, and the set writes it back.
    f.setMemory(0xD8, QByteArray::fromHex("01027D50"));
    f.query(Channel1SubPage);
    f.verifyValues({"ComboBox34=", "ComboBox40=", "ComboBox22=", "ComboBox30="});
    f.library.clearCalls();
    f.set(Channel1SubPage);
    QCOMPARE(f.library.callTexts().first(), QString("SetParameter(7, 0xD8, 4, 01 02 7D 50)"));

    // A failed read leaves the other channel's frequencies unknown, and unwritten.
    f.library.failAddress(0xDC);
    f.query(Channel2SubPage);
    f.library.clearFailures();
    f.library.clearCalls();
    f.set(Channel2SubPage);
    QVERIFY(f.library.callTexts().filter("0xDC").isEmpty());
    QCOMPARE(f.library.callTexts().size(), 2);
}

void TestRfPage::windowFillsListsByBandVariant_data() {
    QTest::addColumn<int>("band");
    QTest::addColumn<QString>("module1");
    QTest::addColumn<QString>("module8");
    QTest::newRow("1") << 1 << "2450 MHz"
                       << "2480 MHz";
    QTest::newRow("0") << 0 << "433 MHz"
                       << "433 MHz";
    QTest::newRow("7") << 7 << ""
                       << "";
}

void TestRfPage::windowFillsListsByBandVariant() {
    QFETCH(int, band);
    QFETCH(QString, module1);
    QFETCH(QString, module8);
    RecordingReaderLibrary library;
    TForm1 form(library, 0, band);
    form.show();
    QCOMPARE(form.PageControl4()->currentIndex(), 0);
    QCOMPARE(controlValue(form, "ComboBox6"), QString("-110"));
    QCOMPARE(form.findChild<QComboBox*>("ComboBox6")->count(), 101);
    QCOMPARE(controlValue(form, "ComboBox5"), QString("0 dB"));
    QCOMPARE(form.findChild<QComboBox*>("ComboBox8")->count(), 32);
    QCOMPARE(controlValue(form, "ComboBox34"), module1);
    QCOMPARE(controlValue(form, "ComboBox52"), module8);
    // Nothing talked to a reader.
    QVERIFY(library.calls().empty());
}

void TestRfPage::windowRoutesChannelTwo() {
    RecordingReaderLibrary library;
    TForm1 form(library);
    form.show();
    form.PageControl1()->setCurrentIndex(TForm1::RfPageIndex);
    form.PageControl4()->setCurrentIndex(Channel2SubPage);
    library.clearCalls();
    form.parameterDispatch().query();
    QCOMPARE(library.callTexts(),
             (QStringList{"GetParameter(0, 0xDC, 4)", "GetParameter(0, 0xD4, 4)",
                          "GetParameter(0, 0xCC, 4)"}));
    for (int subPage : {BasicSubPage, Channel1SubPage, Channel2SubPage}) {
        form.PageControl4()->setCurrentIndex(subPage);
        library.clearCalls();
        form.parameterDispatch().set();
        QCOMPARE(int(library.calls().size()), subPage == BasicSubPage ? 2 : 3);
    }
    QCOMPARE(logMessages(*form.Memo1()).mid(1),
             (QStringList{"查询射频参数成功！", "设置射频参数成功！", "设置射频参数成功！",
                          "设置射频参数成功！"}));
}

void TestRfPage::windowLayoutFitsAndClearsRightButtons() {
    RecordingReaderLibrary library;
    TForm1 form(library);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.PageControl1()->setCurrentIndex(TForm1::RfPageIndex);
    const int buttonsLeft = form.BitBtn1()->mapTo(&form, QPoint(0, 0)).x();
    for (int subPage : {BasicSubPage, Channel1SubPage, Channel2SubPage}) {
        form.PageControl4()->setCurrentIndex(subPage);
        QWidget* page = form.PageControl4()->widget(subPage);
        QCoreApplication::processEvents();
        const QList<QWidget*> widgets = page->findChildren<QWidget*>();
        QVERIFY(widgets.size() >= 5);
        const QRect pageArea(page->mapTo(&form, QPoint(0, 0)), page->size());
        for (QWidget* widget : widgets) {
            // The page's own controls; the lists' popups and frames are parts of the lists.
            if (!widget->isVisible() ||
                !(qobject_cast<QGroupBox*>(widget) || qobject_cast<QLabel*>(widget) ||
                  qobject_cast<QComboBox*>(widget))) {
                continue;
            }
            const QRect placed(widget->mapTo(&form, QPoint(0, 0)), widget->size());
            const QString name = widget->objectName();
            QVERIFY2(placed.right() < buttonsLeft, qPrintable(name));
            QVERIFY2(pageArea.contains(placed), qPrintable(name));
            if (auto* label = qobject_cast<QLabel*>(widget)) {
                QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(name));
                QVERIFY2(label->sizeHint().height() <= label->height(), qPrintable(name));
            } else if (auto* list = qobject_cast<QComboBox*>(widget)) {
                // The widest item shows whole (the list's size hint fits its widest item).
                QVERIFY2(list->count() > 0, qPrintable(name));
                QVERIFY2(list->sizeHint().width() <= list->width(), qPrintable(name));
                QVERIFY2(list->sizeHint().height() <= list->height(), qPrintable(name));
            } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
                QVERIFY2(
                    group->fontMetrics().horizontalAdvance(group->title()) + 16 <= group->width(),
                    qPrintable(name));
                QVERIFY2(group->minimumSizeHint().height() <= group->height(), qPrintable(name));
            }
        }
    }
}

QTEST_MAIN(TestRfPage)
#include "tst_rfpage.moc"
