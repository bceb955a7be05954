// The readerctl program against reader-sim processes over TCP and a pseudo-terminal, next to
// the batch dialog with the same library.

#include "batch/BatchDialog.h"
#include "model/BatchText.h"
#include "model/Catalog.h"
#include "session/ReaderLibrary.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/ReaderIdentity.h"
#include "tests/support/SimProcess.h"
#include "widgets/ErrorReporting.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace {

using Memory = std::array<std::uint8_t, 256>;
constexpr std::uint8_t kLinkTcp = 2;

// memory with every byte of the identity changed too, so that a write of it would show.
Memory changedCopy(const Memory& memory, const QList<int>& addresses) {
    Memory changed = memory;
    for (int address : addresses) {
        changed[static_cast<std::size_t>(address)] ^= 0x5A;
    }
    for (std::size_t address = 0; address < changed.size(); ++address) {
        if (belongsToTheReader(address)) {
            changed[address] ^= 0xA5;
        }
    }
    return changed;
}

// What a reader holds after a batch text of file: the file outside the identity bytes.
Memory afterImport(const Memory& reader, const Memory& file) {
    Memory result = file;
    for (std::size_t address = 0; address < result.size(); ++address) {
        if (belongsToTheReader(address)) {
            result[address] = reader[address];
        }
    }
    return result;
}

QByteArray batchText(const Memory& memory) {
    return QByteArray::fromStdString(batchtext::formatMemory(memory, "\r\n"));
}

QString differences(const Memory& actual, const Memory& expected) {
    QStringList list;
    for (std::size_t a = 0; a < actual.size(); ++a) {
        if (actual[a] != expected[a]) {
            list << QString("0x%1: %2 expected %3")
                        .arg(a, 2, 16, QChar(u'0'))
                        .arg(actual[a], 2, 16, QChar(u'0'))
                        .arg(expected[a], 2, 16, QChar(u'0'));
        }
    }
    return list.join(u", ");
}

// The rows of an RFC 4180 text, each a list of its fields: fields are separated by commas,
// rows end in CRLF, a field holding a comma, a quote or a line end is quoted and its quotes
// are doubled. Nothing when the text breaks these rules.
std::optional<QList<QStringList>> csvRows(const QString& text) {
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool inQuotes = false;
    bool wasQuoted = false;  // the field's closing quote came: only ',' or CRLF may follow
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (inQuotes) {
            if (c == u'"' && text.mid(i, 2) == "\"\"") {
                field += c;
                ++i;
            } else if (c == u'"') {
                inQuotes = false;
                wasQuoted = true;
            } else {
                field += c;
            }
        } else if (c == u',' || text.mid(i, 2) == "\r\n") {
            row << field;
            field.clear();
            wasQuoted = false;
            if (c == u'\r') {
                rows << row;
                row.clear();
                ++i;
            }
        } else if (wasQuoted || c == u'\r' || c == u'\n' || (c == u'"' && !field.isEmpty())) {
            return std::nullopt;
        } else if (c == u'"') {
            inQuotes = true;
        } else {
            field += c;
        }
    }
    if (inQuotes || !row.isEmpty() || !field.isEmpty()) {
        return std::nullopt;  // the last row must end in CRLF
    }
    return rows;
}

using Run = ProgramRun;

}  // namespace

class ReaderCtlTest : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void exportEqualsTheBatchDialogText();
    void exportNamesTheFailingBlock();
    void importWritesOnlyWhatDiffers_data();
    void importWritesOnlyWhatDiffers();
    void verifyCatchesAMismatch_data();
    void verifyCatchesAMismatch();
    void diffNamesFieldsAndRecognisesNoChange();
    void overAPseudoTerminal();
    void getAndSet();
    void showEveryField();
    void getAndSetByName();
    void setByNameVerifies();
    void badInputWritesNothing_data();
    void badInputWritesNothing();
    void applyToSixteenReaders();
    void profileAppliedOnceThenUnchanged();
    void oneTransactionAtATimeOnABus();
    void csvReportKeepsEveryFieldInItsColumn();
    void progressLineOnATerminal();
    void versionFlag_data();
    void versionFlag();
    void helpOfEachCommand_data();
    void helpOfEachCommand();

  private:
    std::unique_ptr<SimProcess> startSim(const Memory& memory, SimProcess::Options options = {});
    static QString tcpName(const SimProcess& sim) {
        return QString("tcp:127.0.0.1:%1").arg(sim.tcpPort());
    }
    Run readerctl(const QStringList& arguments);
    QString writeFile(const QString& name, const QByteArray& data);

    std::unique_ptr<QTemporaryDir> folder;
    int sims = 0;
};

void ReaderCtlTest::init() {
    folder = std::make_unique<QTemporaryDir>();
    QVERIFY(folder->isValid());
}

std::unique_ptr<SimProcess> ReaderCtlTest::startSim(const Memory& memory,
                                                    SimProcess::Options options) {
    options.memoryFile = folder->filePath(QString("sim%1.mem").arg(++sims));
    SimProcess::writeMemoryFile(options.memoryFile, memory);
    auto sim = std::make_unique<SimProcess>(options);
    if (!sim->start()) {
        return nullptr;
    }
    return sim;
}

Run ReaderCtlTest::readerctl(const QStringList& arguments) {
    return runProgram(READERCTL_PATH, arguments);
}

QString ReaderCtlTest::writeFile(const QString& name, const QByteArray& data) {
    const QString path = folder->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size()) {
        qWarning("cannot write %s", qPrintable(path));
    }
    return path;
}

static QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

void ReaderCtlTest::exportEqualsTheBatchDialogText() {
    const Memory memory = SimProcess::randomMemory(31);
    const auto sim = startSim(memory);
    QVERIFY(sim);

    // The batch dialog's export, saved as it saves it.
    SharedReaderLibrary library;
    library.SelectPort(sim->tcpPort());
    library.SelectStation(-1);
    std::int32_t handle = 0;
    QCOMPARE(library.OpenReader(&handle, kLinkTcp, "127.0.0.1"), 0);
    const QString dialogPath = folder->filePath("dialog.Txt");
    {
        TForm3 dialog(library);
        dialog.setTag(handle);
        dialog.show();
        QTest::mouseClick(dialog.findChild<QPushButton*>("BitBtn3"), Qt::LeftButton);
        dialog.setSaveFileChooser([&](const QString&) { return dialogPath; });
        QTest::mouseClick(dialog.findChild<QPushButton*>("BitBtn2"), Qt::LeftButton);
    }
    library.CloseReader(handle);
    const QByteArray dialogText = readFile(dialogPath);
    QCOMPARE(dialogText, batchText(memory));

    const QString ctlPath = folder->filePath("ctl.txt");
    const Run toFile = readerctl({"export", tcpName(*sim), "-o", ctlPath});
    QCOMPARE(toFile.err, QString());
    QCOMPARE(toFile.exitCode, 0);
    QCOMPARE(readFile(ctlPath), dialogText);

    const Run toStdout = readerctl({"--station", "1", "export", tcpName(*sim)});
    QCOMPARE(toStdout.exitCode, 0);
    QCOMPARE(toStdout.out.toLatin1(), dialogText);
}

void ReaderCtlTest::exportNamesTheFailingBlock() {
    SimProcess::Options options;
    options.fail = {"0x4C"};
    const auto sim = startSim(SimProcess::randomMemory(41), options);
    QVERIFY(sim);
    const QString path = folder->filePath("export.txt");
    const Run run = readerctl({"export", tcpName(*sim), "-o", path});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.err, QString("readerctl: %1: reading block 4 (0x40-0x4F): refused by the reader\n")
                          .arg(tcpName(*sim)));
    QVERIFY(!QFile::exists(path));
}

void ReaderCtlTest::importWritesOnlyWhatDiffers_data() {
    QTest::addColumn<QList<int>>("changed");
    QTest::addColumn<QString>("summary");
    QTest::newRow("identity only") << QList<int>{} << "ok, unchanged";
    QTest::newRow("one field") << QList<int>{0x94} << "ok, 1 block written, 1 byte changed";
    QTest::newRow("block 6 around the PCB")
        << QList<int>{0x60, 0x6A, 0x6F} << "ok, 1 block written, 3 bytes changed";
    QTest::newRow("TCP/IP record and the last block")
        << QList<int>{0xA9, 0xB2, 0xC5, 0xFF} << "ok, 4 blocks written, 4 bytes changed";
}

void ReaderCtlTest::importWritesOnlyWhatDiffers() {
    QFETCH(QList<int>, changed);
    QFETCH(QString, summary);
    const Memory reader = SimProcess::randomMemory(51);
    const Memory file = changedCopy(reader, changed);
    const QString path = writeFile("config.txt", batchText(file));
    const auto sim = startSim(reader);
    QVERIFY(sim);
    const auto twin = startSim(reader);
    QVERIFY(twin);

    const Run run = readerctl({"import", tcpName(*sim), path});
    QCOMPARE(run.err, QString());
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.startsWith(tcpName(*sim) + ": " + summary), qPrintable(run.out));
    if (!changed.isEmpty()) {
        QVERIFY2(run.out.contains("verify passed"), qPrintable(run.out));
    }
    const Memory written = sim->readMemoryFile();
    QVERIFY2(written == afterImport(reader, file),
             qPrintable(differences(written, afterImport(reader, file))));

    // The batch dialog leaves a reader exactly so.
    SharedReaderLibrary library;
    library.SelectPort(twin->tcpPort());
    library.SelectStation(-1);
    std::int32_t handle = 0;
    QCOMPARE(library.OpenReader(&handle, kLinkTcp, "127.0.0.1"), 0);
    {
        TForm3 dialog(library);
        dialog.setTag(handle);
        dialog.show();
        dialog.setOpenFileChooser([&](const QString&) { return path; });
        QTest::mouseClick(dialog.findChild<QPushButton*>("BitBtn1"), Qt::LeftButton);
        QTest::mouseClick(dialog.findChild<QPushButton*>("BitBtn4"), Qt::LeftButton);
    }
    library.CloseReader(handle);
    QCOMPARE(twin->readMemoryFile(), written);

    const Run again = readerctl({"import", tcpName(*sim), path});
    QCOMPARE(again.exitCode, 0);
    QVERIFY2(again.out.startsWith(tcpName(*sim) + ": ok, unchanged"), qPrintable(again.out));
}

void ReaderCtlTest::verifyCatchesAMismatch_data() {
    QTest::addColumn<QStringList>("stuck");
    QTest::addColumn<QStringList>("fail");
    QTest::addColumn<QStringList>("flags");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");  // on stderr when failed, on stdout otherwise
    QTest::addColumn<bool>("written");
    QTest::newRow("byte kept behind the writer's back: rolled back")
        << QStringList{"0x95"} << QStringList{} << QStringList{} << 1
        << "rolled back: verify failed at 0x95: wrote 0F, read back 55" << false;
    QTest::newRow("no rollback") << QStringList{"0x95"} << QStringList{}
                                 << QStringList{"--no-rollback"} << 1
                                 << "failed: verify failed at 0x95: wrote 0F, read back 55; not "
                                    "rolled back: block 9 written"
                                 << true;
    QTest::newRow("no verify") << QStringList{"0x95"} << QStringList{} << QStringList{"--no-verify"}
                               << 0 << "ok, 1 block written, 2 bytes changed, verify skipped"
                               << true;
    QTest::newRow("failing block")
        << QStringList{} << QStringList{"0xE4"} << QStringList{} << 1
        << "failed: reading block E (0xE0-0xEF): refused by the reader" << false;
}

void ReaderCtlTest::verifyCatchesAMismatch() {
    QFETCH(QStringList, stuck);
    QFETCH(QStringList, fail);
    QFETCH(QStringList, flags);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QFETCH(bool, written);
    Memory reader{};
    reader.fill(0x55);
    Memory file = reader;
    file[0x94] = 0x0F;
    file[0x95] = 0x0F;
    SimProcess::Options options;
    options.extraArguments = {};
    for (const QString& range : stuck) {
        options.extraArguments << "--stuck" << range;
    }
    options.fail = fail;
    const auto sim = startSim(reader, options);
    QVERIFY(sim);
    const Run run = readerctl(
        QStringList{"import", tcpName(*sim), writeFile("config.txt", batchText(file))} + flags);
    QCOMPARE(run.exitCode, exitCode);
    const QString expected = tcpName(*sim) + ": " + message;
    if (exitCode == 0) {
        QVERIFY2(run.out.startsWith(expected), qPrintable(run.out));
    } else {
        QCOMPARE(run.err, "readerctl: " + expected + "\n");
    }
    QCOMPARE(sim->readMemoryFile()[0x94], written ? 0x0F : 0x55);
}

void ReaderCtlTest::diffNamesFieldsAndRecognisesNoChange() {
    Memory reader{};
    reader[0x94] = 0;
    reader[0x95] = 60;
    reader[0x65] = 1;
    reader[0xB2] = 192;
    reader[0xB3] = 168;
    reader[0xB4] = 1;
    reader[0xB5] = 10;
    reader[0x68] = 3;
    reader[0x87] = 3;
    Memory file = reader;
    file[0x87] = 1;
    file[0x95] = 120;
    file[0x65] = 0;
    file[0xB5] = 11;
    file[0x68] = 4;
    file[0x12] = 0xAB;
    const QString path = writeFile("config.txt", batchText(file));
    const auto sim = startSim(reader);
    QVERIFY(sim);

    const Run diff = readerctl({"diff", tcpName(*sim), path});
    QCOMPARE(diff.err, QString());
    QCOMPARE(diff.out, QString("0x12: 00 -> AB\n"
                               "0x65 buzzer: on -> off\n"
                               "0x68 PCB version: V1.3 -> V1.4 (kept)\n"
                               "0x87 Wiegand protocol: Wiegand 42 -> Wiegand 26\n"
                               "0x94-0x95 tag refresh interval: 60 -> 120\n"
                               "0xB2-0xB5 IP address: 192.168.1.10 -> 192.168.1.11\n"));
    QCOMPARE(diff.exitCode, 1);
    QCOMPARE(sim->readMemoryFile(), reader);

    // The same lines as JSON: null key and label outside named fields, values as texts.
    const Run json = readerctl({"diff", tcpName(*sim), path, "--json"});
    QCOMPARE(json.exitCode, 1);
    const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8()).object();
    QCOMPARE(object["reader"].toString(), tcpName(*sim));
    const QJsonArray changes = object["changes"].toArray();
    QStringList rows;
    for (const QJsonValue& change : changes) {
        const QJsonObject line = change.toObject();
        QCOMPARE(line.size(), 6);
        rows << QString("%1|%2|%3|%4|%5|%6")
                    .arg(line["key"].isNull() ? "null" : line["key"].toString(),
                         line["label"].isNull() ? "null" : line["label"].toString(),
                         line["address"].toString(), line["before"].toString(),
                         line["after"].toString(), line["kept"].toBool() ? "kept" : "written");
    }
    QCOMPARE(rows, (QStringList{
                       "null|null|0x12|00|AB|written",
                       "buzzer|buzzer|0x65|on|off|written",
                       "pcb_version|PCB version|0x68|V1.3|V1.4|kept",
                       "wiegand_protocol|Wiegand protocol|0x87|Wiegand 42|Wiegand 26|written",
                       "tag_refresh_interval|tag refresh interval|0x94-0x95|60|120|written",
                       "ip_address|IP address|0xB2-0xB5|192.168.1.10|192.168.1.11|written",
                   }));

    QCOMPARE(readerctl({"import", tcpName(*sim), path}).exitCode, 0);
    const Run after = readerctl({"diff", tcpName(*sim), path});
    QCOMPARE(after.out, QString("0x68 PCB version: V1.3 -> V1.4 (kept)\n"));
    QCOMPARE(after.exitCode, 0);

    sim->kill();
    const Run dead = readerctl({"diff", tcpName(*sim), path});
    QCOMPARE(dead.exitCode, 3);
    QVERIFY2(dead.err.startsWith("readerctl: " + tcpName(*sim) + ": cannot open the link"),
             qPrintable(dead.err));
}

void ReaderCtlTest::overAPseudoTerminal() {
    const Memory reader = SimProcess::randomMemory(61);
    SimProcess::Options options;
    options.tcp = false;
    options.pty = true;
    options.station = 9;
    const auto sim = startSim(reader, options);
    QVERIFY(sim);
    const QString name = "serial:" + sim->ptyLink();

    const Run exported = readerctl({"--station", "9", "export", name});
    QCOMPARE(exported.err, QString());
    QCOMPARE(exported.out.toLatin1(), batchText(reader));

    const Memory file = changedCopy(reader, {0x30, 0x94, 0xF0});
    const Run imported = readerctl(
        {"import", name + "@115200", writeFile("config.txt", batchText(file)), "--station", "9"});
    QCOMPARE(imported.err, QString());
    QCOMPARE(imported.exitCode, 0);
    QVERIFY2(imported.out.contains("3 blocks written, 3 bytes changed, verify passed"),
             qPrintable(imported.out));
    QCOMPARE(sim->readMemoryFile(), afterImport(reader, file));

    // The reader went back to 9600 when the link closed: a plain open reaches it.
    const Run after = readerctl({"--station", "9", "get", name, "0x94"});
    QCOMPARE(after.err, QString());
    QCOMPARE(after.out, QString("%1\n").arg(file[0x94], 2, 16, QChar(u'0')).toUpper());
}

void ReaderCtlTest::getAndSet() {
    const Memory reader = SimProcess::randomMemory(71);
    const auto sim = startSim(reader);
    QVERIFY(sim);
    const Run set = readerctl({"set", tcpName(*sim), "0x94", "00", "0x78", "FFa0"});
    QCOMPARE(set.err, QString());
    QCOMPARE(set.exitCode, 0);
    const Run get = readerctl({"get", tcpName(*sim), "148", "4"});
    QCOMPARE(get.out, QString("00 78 FF A0\n"));
    const Run last = readerctl({"get", tcpName(*sim), "0xFF"});
    QCOMPARE(last.out, QString("%1\n").arg(reader[0xFF], 2, 16, QChar(u'0')).toUpper());
    Memory expected = reader;
    expected[0x94] = 0x00;
    expected[0x95] = 0x78;
    expected[0x96] = 0xFF;
    expected[0x97] = 0xA0;
    QCOMPARE(sim->readMemoryFile(), expected);
}

// A reader whose bytes the tests below name: buzzer on, Wiegand 42, refresh 60, 192.168.1.10,
// PCB version V1.3.
static Memory namedFieldsReader() {
    Memory reader = SimProcess::randomMemory(141);
    reader[0x65] = 1;
    reader[0x87] = 3;
    reader[0x94] = 0;
    reader[0x95] = 60;
    reader[0xB2] = 192;
    reader[0xB3] = 168;
    reader[0xB4] = 1;
    reader[0xB5] = 10;
    reader[0x68] = 3;
    return reader;
}

void ReaderCtlTest::showEveryField() {
    const Memory reader = namedFieldsReader();
    const auto sim = startSim(reader);
    QVERIFY(sim);

    const Run json = readerctl({"show", tcpName(*sim), "--json"});
    QCOMPARE(json.err, QString());
    QCOMPARE(json.exitCode, 0);
    QJsonParseError error{};
    const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8(), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(object["reader"].toString(), tcpName(*sim));
    const QJsonArray fields = object["fields"].toArray();
    // Every named field once.
    QStringList keys;
    QHash<QString, QJsonObject> byKey;
    for (const QJsonValue& value : fields) {
        const QJsonObject field = value.toObject();
        keys << field["key"].toString();
        byKey.insert(field["key"].toString(), field);
    }
    QStringList modelKeys;
    for (const model::Parameter* field : model::allParameters()) {
        modelKeys << QString::fromUtf8(field->key);
    }
    QCOMPARE(keys.size(), modelKeys.size());
    keys.sort();
    modelKeys.sort();
    QCOMPARE(keys, modelKeys);

    const auto row = [&](const QString& key) {
        const QJsonObject field = byKey.value(key);
        return QStringList{field["label"].toString(),
                           field["value"].toString(),
                           field["address"].toString(),
                           field["bytes"].toString(),
                           field["identity"].toBool() ? "identity" : "writable",
                           field["page"].toString()};
    };
    QCOMPARE(row("buzzer"),
             (QStringList{"buzzer", "on", "0x65", "01", "writable", "Basic functions"}));
    QCOMPARE(row("wiegand_protocol"), (QStringList{"Wiegand protocol", "Wiegand 42", "0x87", "03",
                                                   "writable", "Communication ports"}));
    QCOMPARE(row("tag_refresh_interval"), (QStringList{"tag refresh interval", "60", "0x94-0x95",
                                                       "00 3C", "writable", "Basic functions"}));
    QCOMPARE(row("ip_address"), (QStringList{"IP address", "192.168.1.10", "0xB2-0xB5",
                                             "C0 A8 01 0A", "writable", "Communication ports"}));
    QCOMPARE(row("pcb_version"),
             (QStringList{"PCB version", "V1.3", "0x68", "03", "identity", "Product"}));

    // The text: one line per field under its page's title, the identity marked.
    const Run text = readerctl({"show", tcpName(*sim)});
    QCOMPARE(text.exitCode, 0);
    QVERIFY2(text.out.contains(QRegularExpression(
                 "\\n  wiegand_protocol +Wiegand protocol +Wiegand 42 +0x87 +03\\n")),
             qPrintable(text.out));
    QVERIFY2(text.out.contains(QRegularExpression(
                 "\\n  pcb_version +PCB version +V1.3 +0x68 +03  \\(reader's own\\)\\n")),
             qPrintable(text.out));
    QVERIFY2(text.out.contains("\nCommunication ports\n"), qPrintable(text.out));
    QCOMPARE(
        text.out.count(QRegularExpression("^  [a-z0-9_]+ ", QRegularExpression::MultilineOption)),
        modelKeys.size());

    // Every value written back as show prints it changes nothing.
    QStringList settings{"set", tcpName(*sim), "--json"};
    for (const QJsonValue& value : fields) {
        const QJsonObject field = value.toObject();
        if (!field["identity"].toBool()) {
            settings << field["key"].toString() + "=" + field["value"].toString();
        }
    }
    const Run same = readerctl(settings);
    QCOMPARE(same.err, QString());
    QCOMPARE(same.exitCode, 0);
    const QJsonObject result = QJsonDocument::fromJson(same.out.toUtf8()).object();
    QCOMPARE(result["changed"].toArray().size(), 0);
    QCOMPARE(result["unchanged"].toArray().size(), settings.size() - 3);
    QCOMPARE(sim->readMemoryFile(), reader);
}

void ReaderCtlTest::getAndSetByName() {
    const Memory reader = namedFieldsReader();
    const auto sim = startSim(reader);
    QVERIFY(sim);
    const QStringList settings{"buzzer=off", "wiegand_protocol=Wiegand 26",
                               "ip_address=192.168.1.11", "tag_refresh_interval=120",
                               "trigger_delay=" + QString::number(reader[0x90])};
    const Run set = readerctl(QStringList{"set", tcpName(*sim)} + settings);
    QCOMPARE(set.err, QString());
    QCOMPARE(set.exitCode, 0);
    QCOMPARE(set.out, QString("changed buzzer: on -> off\n"
                              "changed wiegand_protocol: Wiegand 42 -> Wiegand 26\n"
                              "changed tag_refresh_interval: 60 -> 120\n"
                              "changed ip_address: 192.168.1.10 -> 192.168.1.11\n"
                              "unchanged trigger_delay: %1\n")
                          .arg(reader[0x90]));
    Memory expected = reader;
    expected[0x65] = 0;
    expected[0x87] = 1;
    expected[0x95] = 120;
    expected[0xB5] = 11;
    QVERIFY2(sim->readMemoryFile() == expected,
             qPrintable(differences(sim->readMemoryFile(), expected)));

    const Run get = readerctl({"get", tcpName(*sim), "ip_address", "buzzer", "wiegand_protocol"});
    QCOMPARE(get.err, QString());
    QCOMPARE(get.exitCode, 0);
    QCOMPARE(get.out,
             QString("ip_address=192.168.1.11\nbuzzer=off\nwiegand_protocol=Wiegand 26\n"));

    const Run json = readerctl({"get", tcpName(*sim), "tag_refresh_interval", "--json"});
    QCOMPARE(json.exitCode, 0);
    const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8()).object();
    QCOMPARE(object["reader"].toString(), tcpName(*sim));
    QCOMPARE(object["fields"].toArray().size(), 1);
    const QJsonObject field = object["fields"].toArray()[0].toObject();
    QCOMPARE(field["key"].toString(), QString("tag_refresh_interval"));
    QCOMPARE(field["label"].toString(), QString("tag refresh interval"));
    QCOMPARE(field["value"].toString(), QString("120"));
    QCOMPARE(field["address"].toString(), QString("0x94-0x95"));
    QCOMPARE(field["bytes"].toString(), QString("00 78"));
    QCOMPARE(field["identity"].toBool(), false);

    // The raw form answers in JSON too.
    const Run raw = readerctl({"get", tcpName(*sim), "0x94", "2", "--json"});
    QCOMPARE(raw.exitCode, 0);
    const QJsonObject bytes = QJsonDocument::fromJson(raw.out.toUtf8()).object();
    QCOMPARE(bytes["reader"].toString(), tcpName(*sim));
    QCOMPARE(bytes["address"].toString(), QString("0x94-0x95"));
    QCOMPARE(bytes["bytes"].toString(), QString("00 78"));

    // The same values again: every key unchanged, the memory as it was.
    const Run again = readerctl(QStringList{"set", tcpName(*sim), "--json"} + settings);
    QCOMPARE(again.exitCode, 0);
    const QJsonObject result = QJsonDocument::fromJson(again.out.toUtf8()).object();
    QCOMPARE(result["reader"].toString(), tcpName(*sim));
    QCOMPARE(result["changed"].toArray().size(), 0);
    QStringList unchanged;
    for (const QJsonValue& value : result["unchanged"].toArray()) {
        unchanged << value.toObject()["key"].toString();
    }
    QCOMPARE(unchanged, (QStringList{"buzzer", "wiegand_protocol", "trigger_delay",
                                     "tag_refresh_interval", "ip_address"}));
    QCOMPARE(sim->readMemoryFile(), expected);
}

void ReaderCtlTest::setByNameVerifies() {
    const Memory reader = namedFieldsReader();
    SimProcess::Options options;
    options.extraArguments << "--stuck"
                           << "0x95";
    const auto sim = startSim(reader, options);
    QVERIFY(sim);
    const Run set = readerctl({"set", tcpName(*sim), "buzzer=off", "tag_refresh_interval=120"});
    QCOMPARE(set.exitCode, 1);
    QCOMPARE(set.err, QString("readerctl: %1: verify failed at 0x95: wrote 78, read back 3C\n")
                          .arg(tcpName(*sim)));
}

void ReaderCtlTest::badInputWritesNothing_data() {
    // SIM stands for the running simulator's name, FILE for a good batch text, LIST for a
    // good readers list.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("fileText");  // replaces FILE's content when not empty
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    const QByteArray good;
    QTest::newRow("unknown scheme") << QStringList{"import", "modbus:127.0.0.1", "FILE"} << good
                                    << 2 << "reader 'modbus:127.0.0.1': unknown scheme";
    QTest::newRow("bad hex in a line")
        << QStringList{"import", "SIM", "FILE"}
        << QByteArray(
               "1:00000000000000000000000000000000\r\n9:0000000000000000000000000000000G\r\n")
        << 2 << "line 2: a character after ':' is not a hex digit";
    QTest::newRow("short line") << QStringList{"import", "SIM", "FILE"}
                                << QByteArray("\r\n\r\n3:0000\r\n") << 2
                                << "line 3: not exactly 32 hex digits after ':'";
    QTest::newRow("bad line in apply")
        << QStringList{"apply", "FILE", "--readers", "LIST"} << QByteArray("garbage\n") << 2
        << "config.txt: line 1: block number is not a hex digit";
    QTest::newRow("address past 0xFF") << QStringList{"get", "SIM", "0x100"} << good << 2
                                       << "address '0x100' is not a number from 0 to 255";
    QTest::newRow("run past 0xFF")
        << QStringList{"get", "SIM", "0xF0", "17"} << good << 2 << "0xF0+17 runs past 0xFF";
    QTest::newRow("set past 0xFF")
        << QStringList{"set", "SIM", "0xFF", "0102"} << good << 2 << "0xFF+2 runs past 0xFF";
    QTest::newRow("set identity") << QStringList{"set", "SIM", "0x66", "01", "02"} << good << 2
                                  << "0x67 belongs to the reader's identity";
    QTest::newRow("set MAC address") << QStringList{"set", "SIM", "0xAA", "01020304"} << good << 2
                                     << "0xAC belongs to the reader's identity";
    QTest::newRow("set half a byte") << QStringList{"set", "SIM", "0x94", "123"} << good << 2
                                     << "'123' is not whole bytes of hex digits";
    QTest::newRow("missing list") << QStringList{"apply", "FILE", "--readers",
                                                 "/nonexistent/readers.txt"}
                                  << good << 2 << "/nonexistent/readers.txt: cannot be read";
    QTest::newRow("no list") << QStringList{"apply", "FILE"} << good << 2
                             << "apply needs the readers: --readers LIST or --retry REPORT";
    QTest::newRow("list and retry")
        << QStringList{"apply", "FILE", "--readers", "LIST", "--retry", "LIST"} << good << 2
        << "--readers excludes --retry";
    QTest::newRow("retry of a file that is no report")
        << QStringList{"apply", "FILE", "--retry", "LIST"} << good << 2
        << "readers.txt: not a JSON report of apply or import";
    QTest::newRow("malformed profile")
        << QStringList{"import", "SIM", "PROFILE.yaml"} << QByteArray("buzzer: off\n  x: [\n") << 2
        << "profile.yaml:2:4: illegal map value";
    QTest::newRow("malformed JSON profile")
        << QStringList{"apply", "PROFILE.json", "--readers", "LIST"}
        << QByteArray("{\"buzzer\": \"off\"\n \"x\"}") << 2
        << "profile.json:2:4: syntax error while parsing object - unexpected string literal; "
           "expected '}'";
    QTest::newRow("profile with an unknown key")
        << QStringList{"diff", "SIM", "PROFILE.yml"}
        << QByteArray("buzzer: off\nwiegand_protocl: Wiegand 26\n") << 2
        << "profile.yml:2:1: no field is named 'wiegand_protocl'; closest: wiegand_protocol";
    QTest::newRow("profile with a bad value")
        << QStringList{"import", "SIM", "PROFILE.json"}
        << QByteArray("{\"buzzer\": false, \"tag_refresh_interval\": -1}") << 2
        << "profile.json:1:43: '-1' is not a number 0..65535 for tag_refresh_interval";
    QTest::newRow("bad station") << QStringList{"--station", "0", "import", "SIM", "FILE"} << good
                                 << 2 << "station '0' is not a number from 1 to 247";
    QTest::newRow("no jobs") << QStringList{"apply", "FILE", "--readers", "LIST", "--jobs", "0"}
                             << good << 2 << "--jobs must be at least 1";
    QTest::newRow("report kind") << QStringList{"apply", "FILE",     "--readers",
                                                "LIST",  "--report", "out.xml"}
                                 << good << 2 << "report 'out.xml': name it OUT.csv or OUT.json";
    QTest::newRow("report cannot be written")
        << QStringList{"apply", "FILE", "--readers", "LIST", "--report", "/nonexistent/out.csv"}
        << good << 2 << "/nonexistent/out.csv: cannot be written";
    QTest::newRow("no command") << QStringList{} << good << 2 << "A subcommand is required";
    QTest::newRow("unknown key")
        << QStringList{"set", "SIM", "buzzer=off", "wiegand_protocl=Wiegand 26"} << good << 2
        << "no field is named 'wiegand_protocl'; closest: wiegand_protocol";
    QTest::newRow("unknown key in get") << QStringList{"get", "SIM", "ip_adress"} << good << 2
                                        << "no field is named 'ip_adress'; closest: ip_address";
    QTest::newRow("list item that does not exist")
        << QStringList{"set", "SIM", "buzzer=off", "wiegand_protocol=Wiegand 27"} << good << 2
        << "'Wiegand 27' is not an item of wiegand_protocol: Wiegand 26, Wiegand 34";
    QTest::newRow("number out of range")
        << QStringList{"set", "SIM", "tag_refresh_interval=65536", "buzzer=off"} << good << 2
        << "'65536' is not a number 0..65535 for tag_refresh_interval";
    QTest::newRow("identity field")
        << QStringList{"set", "SIM", "buzzer=off", "pcb_version=V1.4"} << good << 2
        << "pcb_version (0x68) belongs to the reader's identity";
    QTest::newRow("raw get with more than a length")
        << QStringList{"get", "SIM", "0x94", "2", "3"} << good << 2
        << "get READER ADDR [LEN] takes an address and at most a length";
    QTest::newRow("raw set without bytes")
        << QStringList{"set", "SIM", "0x94"} << good << 2 << "needs the bytes after the address";
    QTest::newRow("not KEY=VALUE") << QStringList{"set", "SIM", "buzzer=off", "buzzer"} << good << 2
                                   << "'buzzer' is not KEY=VALUE";
}

void ReaderCtlTest::badInputWritesNothing() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, fileText);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const Memory reader = SimProcess::randomMemory(81);
    const auto sim = startSim(reader);
    QVERIFY(sim);
    Memory file{};
    file.fill(0x33);
    const bool profile = !arguments.filter("PROFILE").isEmpty();
    const QString filePath =
        writeFile("config.txt", fileText.isEmpty() || profile ? batchText(file) : fileText);
    const QString listPath = writeFile("readers.txt", (tcpName(*sim) + "\n").toLatin1());
    for (QString& argument : arguments) {
        if (argument.startsWith("PROFILE")) {
            argument = writeFile(argument.replace("PROFILE", "profile"), fileText);
        }
        argument.replace("SIM", tcpName(*sim)).replace("FILE", filePath).replace("LIST", listPath);
    }
    const Run run = readerctl(arguments);
    QCOMPARE(run.exitCode, exitCode);
    const QString firstLine = run.err.section(u'\n', 0, 0);
    QVERIFY2(firstLine.startsWith("readerctl: ") && firstLine.contains(message),
             qPrintable(run.err));
    QCOMPARE(sim->readMemoryFile(), reader);
}

void ReaderCtlTest::applyToSixteenReaders() {
    constexpr int kReaders = 16;
    constexpr int kDead = 5;
    constexpr int kStuck = 11;
    const Memory file = SimProcess::randomMemory(91);
    const QString filePath = writeFile("config.txt", batchText(file));
    std::vector<std::unique_ptr<SimProcess>> fleet;
    std::vector<Memory> before;
    QByteArray list = "# the fleet\n";
    for (int i = 0; i < kReaders; ++i) {
        // Every reader at its own station: a request that went out with another reader's
        // station would stay unanswered.
        SimProcess::Options options;
        options.station = i + 1;
        if (i == kStuck) {
            options.extraArguments << "--stuck"
                                   << "0xC0";
        }
        before.push_back(SimProcess::randomMemory(100 + quint32(i)));
        before.back()[0xC0] = static_cast<std::uint8_t>(file[0xC0] ^ 0xFF);
        fleet.push_back(startSim(before.back(), options));
        QVERIFY(fleet.back());
        list += QString("%1 --station %2  # reader %3\n")
                    .arg(tcpName(*fleet.back()))
                    .arg(i + 1)
                    .arg(i)
                    .toLatin1();
    }
    fleet[kDead]->kill();
    const QString listPath = writeFile("readers.txt", list);
    const QString jsonPath = folder->filePath("report.json");

    const Run first =
        readerctl({"apply", filePath, "--readers", listPath, "--jobs", "4", "--report", jsonPath});
    QCOMPARE(first.exitCode, 1);
    QCOMPARE(first.out.count(u'\n'), kReaders + 1);  // one line a reader and the summary
    QVERIFY2(first.out.endsWith("16 readers: 14 ok (14 changed, 0 unchanged), 2 failed\n"),
             qPrintable(first.out.right(300)));
    const QJsonObject report = QJsonDocument::fromJson(readFile(jsonPath)).object();
    const QJsonArray rows = report["readers"].toArray();
    QCOMPARE(rows.size(), kReaders);
    for (int i = 0; i < kReaders; ++i) {
        const QJsonObject row = rows[i].toObject();
        const QString name = tcpName(*fleet[static_cast<std::size_t>(i)]);
        QCOMPARE(row["reader"].toString(), name);
        QCOMPARE(row["station"].toInt(), i + 1);
        const QString display = QString("%1 station %2").arg(name).arg(i + 1);
        if (i == kDead) {
            QCOMPARE(row["result"].toString(), QString("failed"));
            QVERIFY2(row["error"].toString().startsWith(display + ": cannot open the link"),
                     qPrintable(row["error"].toString()));
            QCOMPARE(row["changed"].toBool(), false);
        } else if (i == kStuck) {
            QCOMPARE(row["result"].toString(), QString("rolled back"));
            QCOMPARE(row["rollback"].toString(), QString("done"));
            QCOMPARE(row["changed"].toBool(), false);
            QCOMPARE(row["verify"].toString(), QString("failed"));
            QVERIFY2(fleet[kStuck]->readMemoryFile() == before[kStuck],
                     qPrintable(differences(fleet[kStuck]->readMemoryFile(), before[kStuck])));
            auto hex = [](std::uint8_t byte) {
                return QString("%1").arg(byte, 2, 16, QChar(u'0')).toUpper();
            };
            QCOMPARE(row["error"].toString(),
                     QString("%1: verify failed at 0xC0: wrote %2, read back %3")
                         .arg(display, hex(file[0xC0]), hex(before[kStuck][0xC0])));
        } else {
            QCOMPARE(row["result"].toString(), QString("ok"));
            QCOMPARE(row["verify"].toString(), QString("passed"));
            QCOMPARE(row["changed"].toBool(), true);
            QVERIFY(row["error"].isNull());
            const Memory memory = fleet[static_cast<std::size_t>(i)]->readMemoryFile();
            const Memory expected = afterImport(before[static_cast<std::size_t>(i)], file);
            QVERIFY2(memory == expected, qPrintable(differences(memory, expected)));
        }
    }
    QCOMPARE(report["summary"].toObject()["failed"].toInt(), 2);

    // A second run finds nothing to change and says so.
    const QString csvPath = folder->filePath("report.csv");
    const Run second =
        readerctl({"apply", filePath, "--readers", listPath, "--jobs", "4", "--report", csvPath});
    QCOMPARE(second.exitCode, 1);
    QVERIFY2(second.out.endsWith("16 readers: 14 ok (0 changed, 14 unchanged), 2 failed\n"),
             qPrintable(second.out.right(300)));
    const QList<QByteArray> csv = readFile(csvPath).split('\n');
    QCOMPARE(csv.size(), kReaders + 2);  // header, rows, nothing after the last line end
    QCOMPARE(csv[0], QByteArray("reader,result,blocks_written,bytes_changed,verify,rollback,"
                                "milliseconds,error\r"));
    for (int i = 0; i < kReaders; ++i) {
        const QList<QByteArray> cells = csv[i + 1].split(',');
        QCOMPARE(cells[1], QByteArray(i == kDead ? "failed" : i == kStuck ? "rolled back" : "ok"));
        if (i != kDead && i != kStuck) {
            QCOMPARE(cells[2] + "," + cells[3] + "," + cells[4], QByteArray("0,0,none"));
        }
    }

    // A retry from the first report takes only the two that failed, in the list's order.
    const Run retry = readerctl({"apply", filePath, "--retry", jsonPath, "--jobs", "4"});
    QCOMPARE(retry.exitCode, 1);
    const QStringList retried = retry.out.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(retried.size(), 3);
    QVERIFY2(retried[0].startsWith(QString("%1 station %2: failed: cannot open the link")
                                       .arg(tcpName(*fleet[kDead]))
                                       .arg(kDead + 1)),
             qPrintable(retry.out));
    QVERIFY2(retried[1].startsWith(QString("%1 station %2: rolled back: verify failed")
                                       .arg(tcpName(*fleet[kStuck]))
                                       .arg(kStuck + 1)),
             qPrintable(retry.out));
    QCOMPARE(retried[2], QString("2 readers: 0 ok (0 changed, 0 unchanged), 2 failed"));

    // Without the two, everything succeeds and nothing changes.
    QByteArray healthy;
    for (int i = 0; i < kReaders; ++i) {
        if (i != kDead && i != kStuck) {
            healthy += QString("%1 --station %2\n")
                           .arg(tcpName(*fleet[static_cast<std::size_t>(i)]))
                           .arg(i + 1)
                           .toLatin1();
        }
    }
    const Run third = readerctl(
        {"apply", filePath, "--readers", writeFile("healthy.txt", healthy), "--jobs", "16"});
    QCOMPARE(third.exitCode, 0);
    QVERIFY2(third.out.endsWith("14 readers: all ok, nothing changed\n"), qPrintable(third.out));
}

void ReaderCtlTest::profileAppliedOnceThenUnchanged() {
    std::vector<std::unique_ptr<SimProcess>> fleet;
    std::vector<Memory> before;
    QByteArray list;
    for (int i = 0; i < 3; ++i) {
        before.push_back(SimProcess::randomMemory(140 + quint32(i)));
        before.back()[0x65] = 1;  // buzzer on
        fleet.push_back(startSim(before.back()));
        QVERIFY(fleet.back());
        list += (tcpName(*fleet.back()) + "\n").toLatin1();
    }
    const QString listPath = writeFile("readers.txt", list);
    const QString profile = writeFile("door.yaml",
                                      "# doors of hall 2\n"
                                      "buzzer: off\n"
                                      "wiegand_protocol: Wiegand 34\n"
                                      "tag_refresh_interval: 120\n");

    const Run diff = readerctl({"diff", tcpName(*fleet[0]), profile, "--json"});
    QCOMPARE(diff.exitCode, 1);
    const QJsonArray changes = QJsonDocument::fromJson(diff.out.toUtf8())["changes"].toArray();
    QCOMPARE(changes.size(), 3);
    QCOMPARE(changes[0]["key"].toString(), QString("buzzer"));
    QCOMPARE(changes[0]["before"].toString(), QString("on"));
    QCOMPARE(changes[0]["after"].toString(), QString("off"));

    const Run first = readerctl({"apply", profile, "--readers", listPath, "--jobs", "3", "--json"});
    QCOMPARE(first.exitCode, 0);
    const QJsonDocument report = QJsonDocument::fromJson(first.out.toUtf8());
    QVERIFY2(report.isObject(), qPrintable(first.out));  // stdout is the report alone
    const QJsonArray rows = report["readers"].toArray();
    QCOMPARE(rows.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const QJsonObject row = rows[i].toObject();
        QCOMPARE(row["result"].toString(), QString("ok"));
        QCOMPARE(row["changed"].toBool(), true);
        QStringList keys;
        for (const QJsonValue field : row["fields"].toArray()) {
            keys << field["key"].toString();
        }
        QCOMPARE(keys, (QStringList{"buzzer", "wiegand_protocol", "tag_refresh_interval"}));
        // Only the named fields changed; every other byte is as the reader had it.
        Memory expected = before[static_cast<std::size_t>(i)];
        expected[0x65] = 0;
        expected[0x87] = 2;
        expected[0x94] = 0;
        expected[0x95] = 120;
        const Memory memory = fleet[static_cast<std::size_t>(i)]->readMemoryFile();
        QVERIFY2(memory == expected, qPrintable(differences(memory, expected)));
    }

    // The same profile again writes nothing, and says so reader by reader.
    const Run second = readerctl({"apply", profile, "--readers", listPath, "--json"});
    QCOMPARE(second.exitCode, 0);
    const QJsonDocument again = QJsonDocument::fromJson(second.out.toUtf8());
    for (const QJsonValue row : again["readers"].toArray()) {
        QCOMPARE(row["result"].toString(), QString("ok"));
        QCOMPARE(row["changed"].toBool(), false);
        QCOMPARE(row["fields"].toArray().size(), 0);
    }
    QCOMPARE(again["summary"]["changed"].toInt(), 0);
    const Run text = readerctl({"import", tcpName(*fleet[1]), profile});
    QCOMPARE(text.exitCode, 0);
    QCOMPARE(text.out, tcpName(*fleet[1]) + ": ok, unchanged, " +
                           text.out.section(u',', 2).trimmed().section(u' ', 0, 0) + " ms\n");
    QCOMPARE(readerctl({"diff", tcpName(*fleet[2]), profile}).exitCode, 0);
}

void ReaderCtlTest::oneTransactionAtATimeOnABus() {
    // Three readers on one line, each taking 20 ms to answer: transactions run side by side
    // on one line would collide and fail.
    SimProcess::Options options;
    options.tcp = false;
    options.pty = true;
    options.bus = QStringList{"2", "5", "9"};
    options.replyDelayMs = 20;
    std::vector<Memory> before;
    SimProcess bus(options);
    for (const int station : {2, 5, 9}) {
        before.push_back(SimProcess::randomMemory(150 + quint32(station)));
        SimProcess::writeMemoryFile(bus.memoryFile(station), before.back());
    }
    QVERIFY(bus.start());
    const auto tcpReader = startSim(SimProcess::randomMemory(160));
    QVERIFY(tcpReader);
    const QString line = "serial:" + bus.ptyLink();
    const QString list =
        writeFile("readers.txt", QString("%1 --station 2\n%2\n%1 --station 5\n%1 --station 9\n")
                                     .arg(line, tcpName(*tcpReader))
                                     .toLatin1());
    const Memory file = SimProcess::randomMemory(170);
    const Run run = readerctl(
        {"apply", writeFile("config.txt", batchText(file)), "--readers", list, "--jobs", "4"});
    QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
    QVERIFY2(run.out.endsWith("4 readers: 4 ok (4 changed, 0 unchanged), 0 failed\n"),
             qPrintable(run.out));
    for (std::size_t i = 0; i < 3; ++i) {
        const int station = std::array{2, 5, 9}[i];
        const Memory memory = bus.readMemoryFile(station);
        QVERIFY2(memory == afterImport(before[i], file),
                 qPrintable(differences(memory, afterImport(before[i], file))));
    }
}

void ReaderCtlTest::csvReportKeepsEveryFieldInItsColumn() {
    const Memory file = SimProcess::randomMemory(131);
    Memory reader = file;
    reader[0xC0] ^= 0xFF;
    SimProcess::Options station2;
    station2.station = 2;
    const auto good = startSim(reader, station2);
    QVERIFY(good);
    SimProcess::Options stuckOptions;
    stuckOptions.extraArguments << "--stuck"
                                << "0xC0";
    const auto stuck = startSim(reader, stuckOptions);
    QVERIFY(stuck);
    const auto dead = startSim(reader);
    QVERIFY(dead);
    dead->kill();
    const QString list =
        writeFile("readers.txt", QString("%1 --station 2\n%2\n%3\n")
                                     .arg(tcpName(*good), tcpName(*stuck), tcpName(*dead))
                                     .toLatin1());
    const QString csvPath = folder->filePath("report.csv");
    const Run run = readerctl({"apply", writeFile("config.txt", batchText(file)), "--readers", list,
                               "--report", csvPath});
    QCOMPARE(run.exitCode, 1);

    // Every error holds a comma; each stays one field.
    const auto rows = csvRows(QString::fromUtf8(readFile(csvPath)));
    QVERIFY2(rows, readFile(csvPath).constData());
    const auto hex = [](std::uint8_t byte) {
        return QString("%1").arg(byte, 2, 16, QChar(u'0')).toUpper();
    };
    const QList<QStringList> expected{
        {"reader", "result", "blocks_written", "bytes_changed", "verify", "rollback",
         "milliseconds", "error"},
        {tcpName(*good) + " station 2", "ok", "1", "1", "passed", "not needed", "MS", ""},
        {tcpName(*stuck), "rolled back", "1", "1", "failed", "done", "MS",
         QString("%1: verify failed at 0xC0: wrote %2, read back %3")
             .arg(tcpName(*stuck), hex(file[0xC0]), hex(reader[0xC0]))},
        {tcpName(*dead), "failed", "0", "0", "none", "not needed", "MS",
         tcpName(*dead) +
             ": cannot open the link: no connection (refused, unreachable or no such device)"},
    };
    QCOMPARE(rows->size(), expected.size());
    for (qsizetype i = 0; i < rows->size(); ++i) {
        QStringList row = rows->at(i);
        QVERIFY2(row.size() == expected[i].size(), qPrintable(row.join(u'|')));
        if (i > 0) {
            bool number = false;
            row[6].toLongLong(&number);
            QVERIFY2(number, qPrintable(row[6]));
            row[6] = "MS";
        }
        QCOMPARE(row, expected[i]);
    }
}

void ReaderCtlTest::progressLineOnATerminal() {
    const Memory file = SimProcess::randomMemory(121);
    const auto good = startSim(SimProcess::randomMemory(122));
    QVERIFY(good);
    const auto dead = startSim(SimProcess::randomMemory(123));
    QVERIFY(dead);
    dead->kill();
    const QString list = writeFile(
        "readers.txt", QString("%1\n%2\n").arg(tcpName(*good), tcpName(*dead)).toLatin1());
    const QStringList command{
        READERCTL_PATH, "apply", writeFile("config.txt", batchText(file)), "--readers", list,
        "--jobs",       "2"};
    // script(1) runs readerctl with a pseudo-terminal as its stdin, stdout and stderr.
    QProcess process;
    process.start("script", {"-qefc", command.join(u' '), "/dev/null"});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 1);
    const QString screen = QString::fromUtf8(process.readAllStandardOutput());
    QVERIFY2(screen.contains(QRegularExpression("\r\x1b\\[K2 done, 1 failed, 0 remaining, "
                                                "00:\\d\\d\\.\\d")),
             qPrintable(screen));
    // Only failures get a line of their own above the progress line.
    QVERIFY2(screen.contains(tcpName(*dead) + ": failed: cannot open the link"),
             qPrintable(screen));
    QVERIFY2(!screen.contains(tcpName(*good) + ": ok"), qPrintable(screen));
    QVERIFY2(screen.contains("2 readers: 1 ok (1 changed, 0 unchanged), 1 failed"),
             qPrintable(screen));
    const Memory written = good->readMemoryFile();
    QCOMPARE(written[0x94], file[0x94]);
}

void ReaderCtlTest::versionFlag_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("--version") << QStringList{"--version"};
    QTest::newRow("-v") << QStringList{"-v"};
    QTest::newRow("after a command") << QStringList{"export", "--version"};
}

void ReaderCtlTest::versionFlag() {
    QFETCH(QStringList, arguments);
    const Run run = readerctl(arguments);
    QCOMPARE(run.err, QString());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QString("readerctl " READER_VERSION "\n"));
}

void ReaderCtlTest::helpOfEachCommand_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("usage");
    QTest::addColumn<QStringList>("names");  // options, arguments and words the help shows
    QTest::newRow("readerctl") << QStringList{"--help"} << "Usage: readerctl [OPTIONS] SUBCOMMAND"
                               << QStringList{"--station N", "-v,--version", "show", "export",
                                              "diff",        "import",       "get",  "set",
                                              "apply",       "Exit codes:"};
    QTest::newRow("export") << QStringList{"export", "--help"}
                            << "Usage: readerctl export [OPTIONS] READER"
                            << QStringList{"-o,--output FILE", "three requests"};
    QTest::newRow("diff") << QStringList{"diff", "--help"}
                          << "Usage: readerctl diff [OPTIONS] READER FILE"
                          << QStringList{"FILE", "(kept)", "--json"};
    QTest::newRow("import") << QStringList{"import", "-h"}
                            << "Usage: readerctl import [OPTIONS] READER FILE"
                            << QStringList{"--no-verify",    "--no-rollback", "--reset",
                                           "malformed line", "profile",       "--json",
                                           "rolled back"};
    QTest::newRow("show") << QStringList{"show", "--help"}
                          << "Usage: readerctl show [OPTIONS] READER"
                          << QStringList{"--json", "(reader's own)", "KEY=VALUE"};
    QTest::newRow("get") << QStringList{"get", "--help"}
                         << "Usage: readerctl get [OPTIONS] READER KEY|ADDR..."
                         << QStringList{"ADDR [LEN]", "1..125", "--json", "buzzer=on"};
    QTest::newRow("set") << QStringList{"set", "--help"}
                         << "Usage: readerctl set [OPTIONS] READER SETTING..."
                         << QStringList{"KEY=VALUE", "ADDR HEX", "identity", "--json", "unchanged"};
    QTest::newRow("apply") << QStringList{"apply", "--help"}
                           << "Usage: readerctl apply [OPTIONS] FILE"
                           << QStringList{"--readers LIST",   "--retry REPORT", "--jobs N",
                                          "--report OUT",     "--no-verify",    "--no-rollback",
                                          "--reset",          "--json",         "progress line",
                                          "one after another"};
}

void ReaderCtlTest::helpOfEachCommand() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, usage);
    QFETCH(QStringList, names);
    const Run run = readerctl(arguments);
    QCOMPARE(run.err, QString());
    QCOMPARE(run.exitCode, 0);
    const QStringList lines = run.out.split(u'\n');
    QVERIFY2(lines.size() > 2, qPrintable(run.out));
    QVERIFY2(!lines[0].isEmpty(), qPrintable(run.out));  // what the command does
    QCOMPARE(lines[1], usage);
    for (const QString& name : names) {
        QVERIFY2(run.out.contains(name), qPrintable(name + " missing in:\n" + run.out));
    }
    QVERIFY2(run.out.contains("Exit codes: 0 success"), qPrintable(run.out));
}

QTEST_MAIN(ReaderCtlTest)
#include "tst_readerctl.moc"
