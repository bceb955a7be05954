// SPDX-License-Identifier: LGPL-2.1-or-later
// readerctl scan against reader-sim --bus: several readers on one pseudo-terminal, each with
// its own station, rate and serial number, silent for absent stations and other rates, and
// colliding on unit 255.

#include "tests/support/ProgramRun.h"
#include "tests/support/SimProcess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

#include <set>

namespace {

using Run = ProgramRun;

Run readerctl(const QStringList& arguments,
              const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    return runProgram(READERCTL_PATH, arguments, environment);
}

QString line(const SimProcess& bus) {
    return QStringLiteral("serial:") + bus.ptyLink();
}

// The readers of the tests' bus, and a scan of stations 1..12 at 9600 and 19200 bps. The
// answer time leaves room for a loaded test machine; the default one is the benchmark's.
const QStringList kBus{"2", "7@19200", "11"};
const QStringList kPlan{"--stations", "1-12", "--rates", "9600,19200", "--answer-time", "100"};
constexpr int kProbes = 12 + 10;  // stations 2 and 11 are not probed again at 19200

}  // namespace

class ScanTest : public QObject {
    Q_OBJECT
  private slots:
    void findsExactlyTheReadersPresent();
    void jsonNamesEachReaderForLaterCommands();
    void neverUnit255OnTheBus();
    void nothingFoundIsNoFailure();
    void badArguments_data();
    void badArguments();
    void lineThatCannotBeOpened();
    void ctrlCStopsBetweenProbes();
    void progressLineOnATerminal();
};

void ScanTest::findsExactlyTheReadersPresent() {
    SimProcess bus(SimProcess::busOptions(kBus));
    QVERIFY(bus.start());
    const Run run = readerctl(QStringList{"scan", line(bus)} + kPlan);
    QCOMPARE(run.err, QString());
    QCOMPARE(run.exitCode, 0);
    const QStringList lines = run.out.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 4);
    const QString reader("station %1, %2 bps, firmware 2.1.0.7, serial number %3");
    QCOMPARE(lines[0], reader.arg(2).arg(9600).arg(bus.serialNumber(2)));
    QCOMPARE(lines[1], reader.arg(11).arg(9600).arg(bus.serialNumber(11)));
    QCOMPARE(lines[2], reader.arg(7).arg(19200).arg(bus.serialNumber(7)));
    QVERIFY2(QRegularExpression(QString("^3 readers found, %1 probes at 9600/19200 bps, "
                                        "\\d+\\.\\d s$")
                                    .arg(kProbes))
                 .match(lines[3])
                 .hasMatch(),
             qPrintable(lines[3]));
    QVERIFY(bus.serialNumber(2) != bus.serialNumber(11));
}

// One object with the line, the rates, the probes and each reader under the name that later
// commands take with --station: a reader found at 19200 bps is reached there, and keeps that
// rate.
void ScanTest::jsonNamesEachReaderForLaterCommands() {
    SimProcess bus(SimProcess::busOptions(kBus));
    QVERIFY(bus.start());
    const Run run = readerctl(QStringList{"scan", line(bus), "--json"} + kPlan);
    QCOMPARE(run.exitCode, 0);
    QJsonParseError error;
    const QJsonObject report = QJsonDocument::fromJson(run.out.toUtf8(), &error).object();
    QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(run.out));
    QCOMPARE(report.keys(), (QStringList{"error", "line", "milliseconds", "odd_answers", "rates",
                                         "readers", "stations_probed", "stopped"}));
    QCOMPARE(report["line"].toString(), line(bus));
    QCOMPARE(report["rates"].toArray(), (QJsonArray{9600, 19200}));
    QCOMPARE(report["stations_probed"].toInt(), kProbes);
    QVERIFY(report["milliseconds"].toInt() > 0);
    QCOMPARE(report["stopped"].toBool(true), false);
    QVERIFY(report["error"].isNull());
    QCOMPARE(report["odd_answers"].toArray(), QJsonArray());
    const QJsonArray readers = report["readers"].toArray();
    QCOMPARE(readers.size(), 3);
    const QList<std::pair<int, int>> expected{{2, 9600}, {11, 9600}, {7, 19200}};
    for (int i = 0; i < readers.size(); ++i) {
        const QJsonObject reader = readers[i].toObject();
        QCOMPARE(reader.keys(),
                 (QStringList{"firmware", "rate", "reader", "serial_number", "station"}));
        const auto [station, rate] = expected[i];
        QCOMPARE(reader["station"].toInt(), station);
        QCOMPARE(reader["rate"].toInt(), rate);
        QCOMPARE(reader["firmware"].toString(), QString("2.1.0.7"));
        QCOMPARE(reader["serial_number"].toString(), bus.serialNumber(station));
        QCOMPARE(reader["reader"].toString(), line(bus) + QString("@%1").arg(rate));
    }
    for (int repeat = 0; repeat < 2; ++repeat) {  // the second finds the rate unchanged
        for (const auto& value : readers) {
            const QJsonObject reader = value.toObject();
            const Run get =
                readerctl({"--station", QString::number(reader["station"].toInt()), "get",
                           reader["reader"].toString(), "product_serial_number"});
            QCOMPARE(get.err, QString());
            QCOMPARE(get.out, "product_serial_number=" + reader["serial_number"].toString() + "\n");
        }
    }
}

// Every request of a scan names a station of the plan, as the library's trace shows: unit
// 255 would make every reader of the bus answer at once.
void ScanTest::neverUnit255OnTheBus() {
    SimProcess bus(SimProcess::busOptions(kBus));
    QVERIFY(bus.start());
    QTemporaryDir folder;
    const QString tracePath = folder.filePath("trace.txt");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("READER_TRACE", tracePath);
    const Run run = readerctl({"scan", line(bus), "--stations", "1-12,200-203,247", "--rates",
                               "9600,19200", "--answer-time", "50"},
                              environment);
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.startsWith("station 2, 9600 bps"), qPrintable(run.out));
    QFile trace(tracePath);
    QVERIFY(trace.open(QIODevice::ReadOnly));
    const QRegularExpression requestLine(" -> ([0-9A-F]{2}) ");
    std::multiset<int> units;
    for (const QByteArray& traceLine : trace.readAll().split('\n')) {
        const auto match = requestLine.match(QString::fromLatin1(traceLine));
        if (match.hasMatch()) {
            units.insert(match.captured(1).toInt(nullptr, 16));
        }
    }
    const std::set<int> planned{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 200, 201, 202, 203, 247};
    // Each station once at 9600; the 15 not found then at 19200; the firmware and the serial
    // number of each of the three readers.
    QCOMPARE(units.size(), std::size_t(17 + 15 + 3 * 2));
    for (const int unit : units) {
        QVERIFY2(planned.contains(unit), qPrintable(QString::number(unit)));
    }
    QCOMPARE(units.count(255), std::size_t(0));
}

// An empty line is an answer for a script: the scan completed, nothing failed.
void ScanTest::nothingFoundIsNoFailure() {
    SimProcess bus(SimProcess::busOptions(kBus));
    QVERIFY(bus.start());
    const Run run =
        readerctl({"scan", line(bus), "--stations", "3-6", "--rates", "9600", "--json"});
    QCOMPARE(run.exitCode, 0);
    const QJsonObject report = QJsonDocument::fromJson(run.out.toUtf8()).object();
    QCOMPARE(report["readers"].toArray(), QJsonArray());
    QCOMPARE(report["stations_probed"].toInt(), 4);
    const Run text = readerctl({"scan", line(bus), "--stations", "3-6", "--rates", "9600"});
    QCOMPARE(text.exitCode, 0);
    QVERIFY2(text.out.startsWith("0 readers found, 4 probes at 9600 bps, "), qPrintable(text.out));
}

void ScanTest::badArguments_data() {
    QTest::addColumn<QStringList>("arguments");  // after "scan"; %1 is the bus's line
    QTest::addColumn<QString>("message");
    QTest::newRow("station 0") << QStringList{"%1", "--stations", "0-3"}
                               << "station 0 is not one of 1..247";
    QTest::newRow("station 255") << QStringList{"%1", "--stations", "1,255"}
                                 << "station 255 is not one of 1..247";
    QTest::newRow("backwards range")
        << QStringList{"%1", "--stations", "20-10"} << "the range '20-10' runs backwards";
    QTest::newRow("empty item") << QStringList{"%1", "--stations", "1,,3"}
                                << "station list: an empty item";
    QTest::newRow("not a range") << QStringList{"%1", "--stations", "1-5-9"}
                                 << "'1-5-9' is not a station or a range N-M";
    QTest::newRow("rate 1200") << QStringList{"%1", "--rates", "9600,1200"}
                               << "rate 1200 is not one of 2400, 4800, 9600";
    QTest::newRow("rate text") << QStringList{"%1", "--rates", "fast"}
                               << "rate list: 'fast' is not a rate";
    QTest::newRow("answer time 0")
        << QStringList{"%1", "--answer-time", "0"} << "answer time 0 ms is not one of 1..5000 ms";
    QTest::newRow("answer time 5001") << QStringList{"%1", "--answer-time", "5001"}
                                      << "answer time 5001 ms is not one of 1..5000 ms";
    QTest::newRow("a TCP reader") << QStringList{"tcp:127.0.0.1"}
                                  << "scan needs a serial line, serial:DEVICE";
    QTest::newRow("a rate in the name")
        << QStringList{"%1@19200"} << "scan takes its rates from --rates, not from @RATE";
    QTest::newRow("a station") << QStringList{"--station", "3", "%1"}
                               << "scan probes the stations of --stations, not --station";
    QTest::newRow("no line") << QStringList{} << "LINE is required";
}

// A bad list or line is a usage error before anything goes out on the line.
void ScanTest::badArguments() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    SimProcess bus(SimProcess::busOptions(kBus));
    QVERIFY(bus.start());
    QTemporaryDir folder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("READER_TRACE", folder.filePath("trace.txt"));
    QStringList command{"scan"};
    for (const QString& argument : arguments) {
        command << (argument.contains("%1") ? argument.arg(line(bus)) : argument);
    }
    const Run run = readerctl(command, environment);
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.out, QString());
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(!QFile::exists(folder.filePath("trace.txt")) ||
            QFile(folder.filePath("trace.txt")).size() == 0);
}

void ScanTest::lineThatCannotBeOpened() {
    const Run run = readerctl({"scan", "serial:/nonexistent/ttyBUS", "--json"});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("/nonexistent/ttyBUS: no such device"), qPrintable(run.err));
    const QJsonObject report = QJsonDocument::fromJson(run.out.toUtf8()).object();
    QCOMPARE(report["error"].toString(), QString("/nonexistent/ttyBUS: no such device"));
    QCOMPARE(report["stations_probed"].toInt(), 0);
}

// Ctrl+C ends the scan before its next probe: what was found is printed, and the exit code
// says it was stopped.
void ScanTest::ctrlCStopsBetweenProbes() {
    SimProcess bus(SimProcess::busOptions(kBus));
    QVERIFY(bus.start());
    QProcess process;
    process.start(READERCTL_PATH, {"scan", line(bus), "--answer-time", "100"});
    QVERIFY(process.waitForStarted());
    QByteArray out;
    while (!out.contains("station 2, 9600 bps") && process.state() == QProcess::Running) {
        process.waitForReadyRead(1000);
        out += process.readAllStandardOutput();
    }
    QCOMPARE(::kill(static_cast<pid_t>(process.processId()), SIGINT), 0);
    QVERIFY(process.waitForFinished(10000));
    out += process.readAllStandardOutput();
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 128 + SIGINT);
    const QString text = QString::fromUtf8(out);
    QVERIFY2(text.startsWith("station 2, 9600 bps, firmware 2.1.0.7, serial number " +
                             bus.serialNumber(2) + "\n"),
             qPrintable(text));
    QVERIFY2(text.contains(QRegularExpression("readers? found, \\d+ probes at "
                                              "9600/2400/4800/19200/38400/57600/115200 bps, "
                                              "\\d+\\.\\d s; stopped before the end\n$")),
             qPrintable(text));
    QVERIFY2(err.contains("scan stopped (Ctrl+C)"), qPrintable(err));
}

// On a terminal a progress line on stderr shows the probes, the station, the rate and the
// time; the readers found come above it.
void ScanTest::progressLineOnATerminal() {
    SimProcess bus(SimProcess::busOptions(kBus));
    QVERIFY(bus.start());
    const QStringList command = QStringList{READERCTL_PATH, "scan", line(bus)} + kPlan;
    // script(1) runs readerctl with a pseudo-terminal as its stdin, stdout and stderr.
    QProcess process;
    process.start("script", {"-qefc", command.join(u' '), "/dev/null"});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 0);
    const QString screen = QString::fromUtf8(process.readAllStandardOutput());
    QVERIFY2(screen.contains(QRegularExpression("\r\x1b\\[Kprobed 0/24, station 1 at 9600 bps, "
                                                "00:00\\.\\d")),
             qPrintable(screen));
    QVERIFY2(screen.contains(QRegularExpression("\r\x1b\\[Kprobed 21/22, station 12 at 19200 "
                                                "bps, 00:0\\d\\.\\d")),
             qPrintable(screen));
    QVERIFY2(screen.contains("\r\x1b[Kstation 7, 19200 bps, firmware 2.1.0.7"), qPrintable(screen));
    QVERIFY2(screen.contains("3 readers found, 22 probes"), qPrintable(screen));
}

QTEST_GUILESS_MAIN(ScanTest)
#include "tst_scan.moc"
