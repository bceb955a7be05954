// SPDX-License-Identifier: LGPL-2.1-or-later
// The page "产品参数" of the factory window: its controls, the serial number built from the
// model and the date, the identity set and query against the recording fake, and both
// against reader-sim.

#include "params/PageIndex.h"
#include "params/ProductPage.h"
#include "tests/support/PageTestSupport.h"
#include "tests/support/ReaderIdentity.h"
#include "tests/support/SimWindow.h"
#include "widgets/ProgramRandom.h"

#include "batch/BatchDialog.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr int kFactoryWindow = 1;

struct Fixture : PageOnFake<ProductPage> {
    Fixture() {
        page.setClock([] { return QDate(2012, 3, 14); });
        page.formShow({kFactoryWindow, 1});
    }
    QLineEdit* edit(const char* name) { return control<QLineEdit>(page, QLatin1String(name)); }
    QComboBox* list(const char* name) { return control<QComboBox>(page, QLatin1String(name)); }
    // The bytes the set wrote at an address, as "XX XX" ("" when nothing was written there).
    QString written(const QString& addressText) const {
        for (const QString& call : library.callTexts("SetParameter")) {
            if (call.startsWith("SetParameter(7, " + addressText + ",")) {
                return call.section(", ", 3).chopped(1);
            }
        }
        return {};
    }
    void storeMark(const char* mark) { std::copy(mark, mark + 16, library.memory.begin() + 0x20); }
};

const QString kSetSucceeded = "设置产品参数成功 !";
const QString kSetFailed = "设置产品参数失败 !";
const QString kQuerySucceeded = "查询产品参数成功 !";
const QString kQueryFailed = "查询产品参数失败 !";

// Gives the reader behind port a new identity through the factory window: model QLX-7321R in
// November 2024, sequence number 42, PCB QLX_PCB_034 V1.2; waits until it is stored.
void setIdentity(ReaderLibrary& library, SimProcess& sim) {
    {
        SimWindow setter(library, sim.tcpPort(), kFactoryWindow);
        QVERIFY(setter.connected());
        setter.showPage(page::Product);
        QCOMPARE(setter.form.PageControl1()->currentIndex(), int(page::Product));
        auto& page = *setter.form.productPage();
        page.setClock([] { return QDate(2024, 11, 2); });
        control<QComboBox>(page, "ComboBox14")->setCurrentIndex(4);
        page.ComboBox14Change();
        control<QLineEdit>(page, "Edit18")->setText("42");
        control<QComboBox>(page, "ComboBox16")->setCurrentText("QLX_PCB_034");
        control<QComboBox>(page, "ComboBox17")->setCurrentText("V1.2");
        setter.set();
        QCOMPARE(setter.messages(), QStringList{kSetSucceeded});
    }
    QTRY_COMPARE_WITH_TIMEOUT(sim.readMemoryFile()[0x6D], std::uint8_t{0x00}, 10000);
}

}  // namespace

class TestProductPage : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void startState_data();
    void startState();
    void modelChangeBuildsSerialHead_data();
    void modelChangeBuildsSerialHead();
    void defaultSetPicksSecondModel();

    void setSequenceNumber_data();
    void setSequenceNumber();
    void setPcbRow_data();
    void setPcbRow();
    void failedPcbIdentifierSkipsTypeCode();
    void silentFailuresClearTheFlag_data();
    void silentFailuresClearTheFlag();
    void macIsUnicastAndLocal();

    void queryShowsIdentity();
    void queryRefusesInvalidMark_data();
    void queryRefusesInvalidMark();
    void queryLists_data();
    void queryLists();
    void unknownMagicNumberIsWrittenBack();
    void queryFailure_data();
    void queryFailure();

    void setAndQueryAgainstSimulator();
    void batchLeavesAnotherReadersIdentity();
};

void TestProductPage::startState_data() {
    addStartStateColumns();
    startStateRow("GroupBox13", "产品标识设置", "", true);
    startStateRow("Label34", "产品型号", "", true);
    startStateRow("ComboBox14", "", "QLX-7311E", true);
    startStateRow("Label35", "产品序列号", "", true);
    startStateRow("Edit17", "", "QLX7311E1203", true);
    startStateRow("Edit18", "", "0001", true);
    startStateRow("Label86", "读写器幻数", "", true);
    startStateRow("ComboBox20", "", "6461", true);
    startStateRow("GroupBox10", "PCB设置", "", true);
    startStateRow("Label24", "PCB标志", "", true);
    startStateRow("ComboBox16", "", "QLX_PCB_031", true);
    startStateRow("Label21", "PCB版本", "", true);
    startStateRow("ComboBox17", "", "V1.0", true);
}

void TestProductPage::startState() {
    Fixture f;
    verifyStartStateRow(f.page);
    QVERIFY(f.edit("Edit17")->isReadOnly());
    QCOMPARE(f.edit("Edit18")->maxLength(), 4);
    QCOMPARE(f.list("ComboBox17")->count(), 11);
    QCOMPARE(f.list("ComboBox17")->itemText(10), QString());
}

void TestProductPage::modelChangeBuildsSerialHead_data() {
    QTest::addColumn<int>("downPresses");  // from "QLX-7311E"
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("head");

    QTest::newRow("QLX-7321R in March 2012") << 4 << QDate(2012, 3, 1) << "QLX7321R1203";
    QTest::newRow("QLX-7331 in December 2009") << 2 << QDate(2009, 12, 31) << "QLX7331X0912";
    QTest::newRow("QLX-7331R in January 2026") << 5 << QDate(2026, 1, 5) << "QLX7331R2601";
}

// The user picks a model with the keyboard; the rule runs on the pick.
void TestProductPage::modelChangeBuildsSerialHead() {
    QFETCH(int, downPresses);
    QFETCH(QDate, today);
    QFETCH(QString, head);
    Fixture f;
    f.page.setClock([today] { return today; });
    f.page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.page));
    QComboBox* models = f.list("ComboBox14");
    models->setFocus();
    for (int i = 0; i < downPresses; ++i) {
        QTest::keyClick(models, Qt::Key_Down);
    }
    QCOMPARE(f.edit("Edit17")->text(), head);
}

void TestProductPage::defaultSetPicksSecondModel() {
    Fixture f;
    f.list("ComboBox14")->setCurrentIndex(5);
    f.edit("Edit17")->setText("x");
    f.page.applyDefaultSet();
    QCOMPARE(controlValue(f.page, "ComboBox14"), QString("QLX-7321E"));
    QCOMPARE(f.edit("Edit17")->text(), QString("QLX7321E1203"));
    QVERIFY(f.library.calls().empty());
}

void TestProductPage::setSequenceNumber_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("serial");  // hex of the 16 characters at 0x20
    QTest::addColumn<QString>("macTail");

    const auto hex = [](const char* text) { return QByteArray(text).toHex(' ').toUpper(); };
    QTest::newRow("7") << "7"
                       << "0007" << QString(hex("QLX7311E12030007")) << "00 07";
    QTest::newRow("12") << "12"
                        << "0012" << QString(hex("QLX7311E12030012")) << "00 0C";
    QTest::newRow("empty") << ""
                           << "0001" << QString(hex("QLX7311E12030001")) << "00 01";
    QTest::newRow("1000") << "1000"
                          << "1000" << QString(hex("QLX7311E12031000")) << "03 E8";
    QTest::newRow("9999") << "9999"
                          << "9999" << QString(hex("QLX7311E12039999")) << "27 0F";
}

void TestProductPage::setSequenceNumber() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, serial);
    QFETCH(QString, macTail);
    Fixture f;
    f.edit("Edit18")->setText(typed);
    f.page.SetProductParameters();
    QCOMPARE(f.edit("Edit18")->text(), shown);
    QCOMPARE(f.written("0x20"), serial);
    QCOMPARE(f.written("0xAC").right(5), macTail);
    QCOMPARE(f.library.callTexts("SetParameter").size(), 7);
    QCOMPARE(f.written("0x6A"), QString("AA 77 11 00"));
    QCOMPARE(f.written("0x60"), QString("19 3D"));
    QCOMPARE(f.messages(), QStringList{kSetSucceeded});
}

void TestProductPage::setPcbRow_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<QString>("typeCode");

    QTest::newRow("018") << "QLX_PCB_018"
                         << "12"
                         << "14";
    QTest::newRow("020") << "QLX_PCB_020"
                         << "14"
                         << "14";
    QTest::newRow("031") << "QLX_PCB_031"
                         << "1F"
                         << "14";
    QTest::newRow("032") << "QLX_PCB_032"
                         << "20"
                         << "15";
    QTest::newRow("034") << "QLX_PCB_034"
                         << "22"
                         << "16";
    QTest::newRow("035") << "QLX_PCB_035"
                         << "23"
                         << "17";
}

void TestProductPage::setPcbRow() {
    QFETCH(QString, item);
    QFETCH(QString, identifier);
    QFETCH(QString, typeCode);
    Fixture f;
    f.list("ComboBox16")->setCurrentText(item);
    f.list("ComboBox17")->setCurrentIndex(10);
    f.page.SetProductParameters();
    const QStringList calls = f.library.callTexts("SetParameter");
    QCOMPARE(calls.at(1), "SetParameter(7, 0x67, 1, " + identifier + ")");
    QCOMPARE(calls.at(2), "SetParameter(7, 0x69, 1, " + typeCode + ")");
    QCOMPARE(calls.at(3), QString("SetParameter(7, 0x68, 1, 0A)"));
}

void TestProductPage::failedPcbIdentifierSkipsTypeCode() {
    Fixture f;
    f.library.failAddress(0x67);
    f.page.SetProductParameters();
    QCOMPARE(f.written("0x69"), QString());
    QCOMPARE(f.messages(), (QStringList{"设置PCB主板标识参数失败 !", kSetFailed}));
    // The type code's own failure says the same.
    Fixture g;
    g.library.failAddress(0x69);
    g.page.SetProductParameters();
    QCOMPARE(g.messages(), (QStringList{"设置PCB主板标识参数失败 !", kSetFailed}));
    QCOMPARE(g.library.callTexts("SetParameter").size(), 7);
}

void TestProductPage::silentFailuresClearTheFlag_data() {
    QTest::addColumn<int>("address");
    QTest::addColumn<QStringList>("log");

    QTest::newRow("serial") << 0x20 << QStringList{"设置产品序列号参数失败 !", kSetFailed};
    QTest::newRow("version") << 0x68 << QStringList{"设置PCB主板版本参数失败 !", kSetFailed};
    QTest::newRow("MAC") << 0xAC << QStringList{kSetFailed};
    QTest::newRow("magic number") << 0x60 << QStringList{kSetFailed};
    QTest::newRow("marker") << 0x6A << QStringList{kSetFailed};
}

void TestProductPage::silentFailuresClearTheFlag() {
    QFETCH(int, address);
    QFETCH(QStringList, log);
    Fixture f;
    f.library.failAddress(address);
    f.page.SetProductParameters();
    QCOMPARE(f.messages(), log);
    QCOMPARE(f.library.callTexts("SetParameter").size(), 7);
}

// No seed gives a group (multicast) address, and every address is locally administered;
// the same seed gives the same address.
void TestProductPage::macIsUnicastAndLocal() {
    Fixture f;
    QSet<QString> firstBytes;
    for (std::uint32_t seed = 1; seed <= 200; ++seed) {
        seedProgramRandom(seed);
        f.library.clearCalls();
        f.page.SetProductParameters();
        const QString mac = f.written("0xAC");
        const int first = mac.left(2).toInt(nullptr, 16);
        QVERIFY2((first & 0x01) == 0, qPrintable(mac));
        QVERIFY2((first & 0x02) != 0, qPrintable(mac));
        firstBytes << mac.left(2);

        seedProgramRandom(seed);
        f.library.clearCalls();
        f.page.SetProductParameters();
        QCOMPARE(f.written("0xAC"), mac);
    }
    // The other bits of the first byte still come from the random number.
    QVERIFY(firstBytes.size() > 20);
}

void TestProductPage::queryShowsIdentity() {
    Fixture f;
    f.storeMark("QLX7331X19110042");
    f.setMemory(0x67, {34});
    f.setMemory(0x68, {3});
    f.setMemory(0x60, {0x19, 0x3D});
    f.list("ComboBox20")->setCurrentIndex(-1);
    f.page.QueryProductParameters();
    QCOMPARE(f.library.callTexts(),
             (QStringList{"GetParameter(7, 0x20, 16)", "GetParameter(7, 0x67, 1)",
                          "GetParameter(7, 0x68, 1)", "GetParameter(7, 0x60, 2)"}));
    QCOMPARE(controlValue(f.page, "ComboBox14"), QString("QLX-7331"));
    QCOMPARE(f.edit("Edit17")->text(), QString("QLX7331X1911"));
    QCOMPARE(f.edit("Edit18")->text(), QString("0042"));
    QCOMPARE(controlValue(f.page, "ComboBox16"), QString("QLX_PCB_034"));
    QCOMPARE(controlValue(f.page, "ComboBox17"), QString("V1.3"));
    QCOMPARE(controlValue(f.page, "ComboBox20"), QString("6461"));
    QCOMPARE(f.messages(), QStringList{kQuerySucceeded});
}

void TestProductPage::queryRefusesInvalidMark_data() {
    QTest::addColumn<QByteArray>("mark");
    QTest::addColumn<bool>("valid");

    QTest::newRow("ninth character 0") << QByteArray("QLX7321R01030001") << false;
    QTest::newRow("lower case") << QByteArray("qlx7321R12030001") << false;
    QTest::newRow("dash") << QByteArray("QLX-7321R1203000") << false;
    QTest::newRow("erased") << QByteArray(16, '\xFF') << false;
    QTest::newRow("unknown model") << QByteArray("ABCDEFGH12030001") << true;
}

void TestProductPage::queryRefusesInvalidMark() {
    QFETCH(QByteArray, mark);
    QFETCH(bool, valid);
    Fixture f;
    f.storeMark(mark.constData());
    f.page.QueryProductParameters();
    if (valid) {
        QCOMPARE(f.messages(), QStringList{kQuerySucceeded});
        QCOMPARE(f.list("ComboBox14")->currentIndex(), -1);
        QCOMPARE(f.edit("Edit17")->text(), QString::fromLatin1(mark.left(12)));
        return;
    }
    // A finding about the data: its own line, the controls kept, the summary untouched.
    QCOMPARE(f.messages(), (QStringList{"产品标志参数无效 !", kQuerySucceeded}));
    QCOMPARE(controlValue(f.page, "ComboBox14"), QString("QLX-7311E"));
    QCOMPARE(f.edit("Edit17")->text(), QString("QLX7311E1203"));
    QCOMPARE(f.edit("Edit18")->text(), QString("0001"));
}

void TestProductPage::queryLists_data() {
    QTest::addColumn<int>("pcb");
    QTest::addColumn<int>("version");
    QTest::addColumn<QString>("pcbShown");
    QTest::addColumn<int>("versionPosition");

    QTest::newRow("18, 0") << 18 << 0 << "QLX_PCB_018" << 0;
    QTest::newRow("35, 9") << 35 << 9 << "QLX_PCB_035" << 9;
    QTest::newRow("19 keeps the list, 10 the empty item") << 19 << 10 << "QLX_PCB_031" << 10;
    QTest::newRow("0 keeps the list, 11 none") << 0 << 11 << "QLX_PCB_031" << -1;
}

void TestProductPage::queryLists() {
    QFETCH(int, pcb);
    QFETCH(int, version);
    QFETCH(QString, pcbShown);
    QFETCH(int, versionPosition);
    Fixture f;
    f.storeMark("QLX7311E12030001");
    f.setMemory(0x67, {std::uint8_t(pcb)});
    f.setMemory(0x68, {std::uint8_t(version)});
    f.page.QueryProductParameters();
    QCOMPARE(controlValue(f.page, "ComboBox16"), pcbShown);
    QCOMPARE(f.list("ComboBox17")->currentIndex(), versionPosition);
    QCOMPARE(f.messages(), QStringList{kQuerySucceeded});
}

// A magic number outside the list: no selection, the success line, and a set that runs to
// its end writing that number back, so the identity is never half written.
void TestProductPage::unknownMagicNumberIsWrittenBack() {
    Fixture f;
    f.storeMark("QLX7311E12030001");
    f.setMemory(0x60, {0x12, 0x34});
    f.page.QueryProductParameters();
    QCOMPARE(f.list("ComboBox20")->currentIndex(), -1);
    QCOMPARE(f.messages(), QStringList{kQuerySucceeded});
    f.library.clearCalls();
    f.memo.clear();
    f.page.SetProductParameters();
    QCOMPARE(f.written("0x60"), QString("12 34"));
    QCOMPARE(f.written("0x6A"), QString("AA 77 11 00"));
    QCOMPARE(f.messages(), QStringList{kSetSucceeded});
}

void TestProductPage::queryFailure_data() {
    addFieldFailureRows({{model::productSerialNumber, "查询产品标志参数失败 !"},
                         {model::pcbIdentifier, "查询PCB主板标识参数失败 !"},
                         {model::pcbVersion, "查询PCB板版本参数失败 !"},
                         {model::magicNumber, ""}},
                        kQuerySucceeded, kQueryFailed);
}

void TestProductPage::queryFailure() {
    Fixture f;
    f.storeMark("QLX7321R12030001");
    verifyFieldFailure(f.library, f.memo, [&] { f.page.QueryProductParameters(); });
}

void TestProductPage::setAndQueryAgainstSimulator() {
    SimProcess sim;
    QVERIFY(sim.start());
    SharedReaderLibrary library;
    setIdentity(library, sim);
    if (QTest::currentTestFailed()) {
        return;
    }
    const auto memory = sim.readMemoryFile();
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(memory.data()) + 0x20, 16),
             QByteArray("QLX7321R24110042"));
    QCOMPARE(memory[0x67], std::uint8_t{0x22});
    QCOMPARE(memory[0x68], std::uint8_t{2});
    QCOMPARE(memory[0x69], std::uint8_t{0x16});
    QCOMPARE(memory[0x6A], std::uint8_t{0xAA});
    QCOMPARE(memory[0x6B], std::uint8_t{0x77});
    QCOMPARE(memory[0x6C], std::uint8_t{0x11});
    QCOMPARE(memory[0xAC] & 0x03, 0x02);
    QCOMPARE(memory[0xB0], std::uint8_t{0x00});
    QCOMPARE(memory[0xB1], std::uint8_t{42});

    SimWindow reader(library, sim.tcpPort(), kFactoryWindow);
    QVERIFY(reader.connected());
    reader.showPage(page::Product);
    reader.query();
    QCOMPARE(reader.messages(), QStringList{kQuerySucceeded});
    const auto& page = *reader.form.productPage();
    QCOMPARE(controlValue(page, "ComboBox14"), QString("QLX-7321R"));
    QCOMPARE(controlValue(page, "Edit17"), QString("QLX7321R2411"));
    QCOMPARE(controlValue(page, "Edit18"), QString("0042"));
    QCOMPARE(controlValue(page, "ComboBox16"), QString("QLX_PCB_034"));
    QCOMPARE(controlValue(page, "ComboBox17"), QString("V1.2"));
    QCOMPARE(reader.errors.errors, QStringList{});
}

// A reader given its identity here, copied into another reader with the batch dialog: the
// other reader takes the configuration and keeps its own serial number, PCB identity and MAC.
void TestProductPage::batchLeavesAnotherReadersIdentity() {
    SimProcess configured;
    QVERIFY(configured.start());
    SharedReaderLibrary library;
    setIdentity(library, configured);
    if (QTest::currentTestFailed()) {
        return;
    }
    const auto source = configured.readMemoryFile();
    // The MAC's random bytes may match the other reader's by chance; every identity byte
    // must differ for the check below to tell kept from copied.
    auto other = SimProcess::randomMemory(7);
    for (std::size_t address = 0; address < other.size(); ++address) {
        if (belongsToTheReader(address) && source[address] == other[address]) {
            other[address] ^= 0xFF;
        }
    }
    QTemporaryDir folder;
    SimProcess::Options options;
    options.memoryFile = folder.filePath("other.mem");
    SimProcess::writeMemoryFile(options.memoryFile, other);
    SimProcess target(options);
    QVERIFY(target.start());

    library.SelectStation(-1);
    std::int32_t from = 0;
    std::int32_t into = 0;
    library.SelectPort(configured.tcpPort());
    QCOMPARE(library.OpenReader(&from, READER_LINK_TCP, "127.0.0.1"), std::int16_t(0));
    library.SelectPort(target.tcpPort());
    QCOMPARE(library.OpenReader(&into, READER_LINK_TCP, "127.0.0.1"), std::int16_t(0));
    ScopedErrorReporter errors;
    const auto press = [](TForm3& dialog, const char* button) {
        QTest::mouseClick(dialog.findChild<QPushButton*>(button), Qt::LeftButton);
        return dialog.findChild<QLabel*>("StatusPanel")->text();
    };
    // As the operator does: export from one reader and save, then load and import into the
    // other, each in the dialog opened for its reader.
    const QString path = folder.filePath("copy.Txt");
    {
        TForm3 dialog(library);
        dialog.setTag(from);
        dialog.show();
        QCOMPARE(press(dialog, "BitBtn3"), QString("从读写器导出参数成功!"));
        dialog.setSaveFileChooser([&](const QString&) { return path; });
        press(dialog, "BitBtn2");
    }
    {
        TForm3 dialog(library);
        dialog.setTag(into);
        dialog.show();
        dialog.setOpenFileChooser([&](const QString&) { return path; });
        press(dialog, "BitBtn1");
        QCOMPARE(press(dialog, "BitBtn4"), QString("导入参数到读写器成功!"));
    }
    library.CloseReader(from);
    library.CloseReader(into);
    QCOMPARE(errors.errors, QStringList{});

    QTRY_COMPARE_WITH_TIMEOUT(target.readMemoryFile()[0xF0], source[0xF0], 10000);
    const auto copied = target.readMemoryFile();
    for (std::size_t address = 0; address < copied.size(); ++address) {
        const std::uint8_t expected =
            belongsToTheReader(address) ? other[address] : source[address];
        QVERIFY2(copied[address] == expected, qPrintable(QString("byte 0x%1: %2, expected %3")
                                                             .arg(address, 2, 16, QChar(u'0'))
                                                             .arg(copied[address])
                                                             .arg(expected)));
    }
    QCOMPARE(configured.readMemoryFile(), source);
}

QTEST_MAIN(TestProductPage)
#include "tst_productpage.moc"
