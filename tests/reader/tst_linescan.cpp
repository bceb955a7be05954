// SPDX-License-Identifier: LGPL-2.1-or-later
// The scan routine of scan/ in-process: its plan lists, the readers it finds on a simulated
// bus at their rates, its progress, its stop between probes, stations that answer oddly, and
// a line that cannot be opened.
#include <QtTest>

#include <atomic>
#include <set>
#include <utility>

#include "FakePeers.h"
#include "scan/LineScan.h"
#include "tests/support/SimProcess.h"

namespace {

using namespace std::chrono_literals;

QString listText(const std::vector<int>& list) {
    QStringList parts;
    for (const int value : list) {
        parts << QString::number(value);
    }
    return parts.join(u',');
}

}  // namespace

class tst_LineScan : public QObject {
    Q_OBJECT

  private slots:
    void lists_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");  // the list, or the error's text
        QTest::newRow("stations") << "stations"
                                  << "1-3,7,5-6"
                                  << "1,2,3,7,5,6";
        QTest::newRow("stations once each") << "stations"
                                            << "3,1-4,3"
                                            << "3,1,2,4";
        QTest::newRow("whole range") << "stations"
                                     << "247"
                                     << "247";
        QTest::newRow("station 0") << "stations"
                                   << "0-3"
                                   << "station 0 is not one of 1..247";
        QTest::newRow("station 255") << "stations"
                                     << "255"
                                     << "station 255 is not one of 1..247";
        QTest::newRow("backwards") << "stations"
                                   << "9-4"
                                   << "station list: the range '9-4' runs backwards";
        QTest::newRow("empty item") << "stations"
                                    << "1,,3"
                                    << "station list: an empty item";
        QTest::newRow("empty") << "stations"
                               << ""
                               << "station list: an empty item";
        QTest::newRow("not a number") << "stations"
                                      << "1-x"
                                      << "station list: '1-x' is not a station or a range N-M";
        QTest::newRow("rates") << "rates"
                               << "19200,9600,19200"
                               << "19200,9600";
        QTest::newRow("rate 1200")
            << "rates"
            << "9600,1200"
            << "rate 1200 is not one of 2400, 4800, 9600, 19200, 38400, 57600, 115200";
        QTest::newRow("rate word")
            << "rates"
            << "fast"
            << "rate list: 'fast' is not a rate (2400, 4800, 9600, 19200, 38400, 57600, 115200)";
    }

    void lists() {
        QFETCH(QString, kind);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const std::string input = text.toStdString();
        try {
            const auto list =
                kind == u"stations" ? scan::parseStationList(input) : scan::parseRateList(input);
            QCOMPARE(listText(list), expected);
        } catch (const scan::PlanError& error) {
            QCOMPARE(QString::fromUtf8(error.what()), expected);
        }
    }

    // 9600 first, then the library's other rates; every station.
    void defaults() {
        const scan::ScanPlan plan;
        QCOMPARE(listText(plan.rates), QStringLiteral("9600,2400,4800,19200,38400,57600,115200"));
        QCOMPARE(plan.stations.size(), std::size_t(247));
        QCOMPARE(plan.stations.front(), 1);
        QCOMPARE(plan.stations.back(), 247);
        QCOMPARE(plan.answerTime, scan::kScanAnswerTime);
    }

    // Exactly the readers present, each at its own rate with its serial number; a station
    // found is not probed again at the next rate, and the progress counts down to what was
    // actually probed.
    void findsTheReadersOfABus() {
        SimProcess bus(SimProcess::busOptions({"2", "7@19200", "9"}));
        QVERIFY(bus.start());
        scan::ScanPlan plan;
        plan.device = bus.ptyLink().toStdString();
        plan.stations = scan::parseStationList("1-10");
        plan.rates = {9600, 19200};
        std::vector<scan::ScanProgress> progress;
        std::vector<std::pair<int, int>> reported;
        const std::atomic<bool> stop{false};
        const auto result = scan::scanLine(
            plan, stop,
            {[&](const scan::ScanProgress& p) { progress.push_back(p); },
             [&](const scan::FoundReader& r) { reported.emplace_back(r.station, r.rate); }});
        QCOMPARE(QString::fromStdString(result.lineError), QString());
        QVERIFY(!result.stopped);
        QCOMPARE(result.readers.size(), std::size_t(3));
        const std::vector<std::pair<int, int>> expected{{2, 9600}, {9, 9600}, {7, 19200}};
        QCOMPARE(reported, expected);
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const scan::FoundReader& reader = result.readers[i];
            QCOMPARE(std::pair(reader.station, reader.rate), expected[i]);
            QCOMPARE(QString::fromStdString(reader.firmware), QStringLiteral("2.1.0.7"));
            QCOMPARE(QString::fromStdString(reader.serialNumber), bus.serialNumber(reader.station));
            QVERIFY(reader.problem.empty());
        }
        QVERIFY(result.oddAnswers.empty());
        QCOMPARE(result.probed, 10 + 8);
        QCOMPARE(int(progress.size()), result.probed);
        QCOMPARE(progress.front().total, 20);
        QCOMPARE(progress.back().total, result.probed);
        for (int i = 0; i < result.probed; ++i) {
            const auto& p = progress[std::size_t(i)];
            QCOMPARE(p.probed, i);
            QVERIFY(p.rate == 9600 || (p.station != 2 && p.station != 9));
        }
    }

    // The stop is honoured before the next probe: what was found stays in the result.
    void stopsBetweenProbes() {
        SimProcess bus(SimProcess::busOptions({"1", "3"}));
        QVERIFY(bus.start());
        scan::ScanPlan plan;
        plan.device = bus.ptyLink().toStdString();
        plan.stations = scan::parseStationList("1-20");
        std::atomic<bool> stop{false};
        const auto result =
            scan::scanLine(plan, stop, {.progress = [&](const scan::ScanProgress& p) {
                               if (p.probed == 4) {
                                   stop = true;
                               }
                           }});
        QVERIFY(result.stopped);
        QCOMPARE(result.probed, 5);
        QCOMPARE(result.readers.size(), std::size_t(2));
        QVERIFY(result.lineError.empty());
    }

    // A station whose answer is no reader's answer to the probe is named, not taken for a
    // reader; the scan goes on.
    void oddAnswers() {
        FakeRtuPeer peer([](const Bytes& r, int) -> FakeRtuPeer::Answer {
            switch (r[0]) {
                case 4:  // exception 02 to every request: no reader's memory
                    return {rtuFrame(4, {static_cast<uint8_t>(r[1] | 0x80), 0x02})};
                case 5: {
                    auto answer = normalAnswer(r, 0);
                    answer.bytes.back() ^= 0x5A;  // two readers at once: a bad CRC
                    return answer;
                }
                case 6:
                    return normalAnswer(r, 1);
                default:
                    return {};
            }
        });
        scan::ScanPlan plan;
        plan.device = peer.device().toStdString();
        plan.stations = scan::parseStationList("3-7");
        plan.rates = {9600};
        const std::atomic<bool> stop{false};
        const auto result = scan::scanLine(plan, stop);
        QCOMPARE(result.probed, 5);
        QCOMPARE(result.readers.size(), std::size_t(1));
        QCOMPARE(result.readers[0].station, 6);
        QCOMPARE(QString::fromStdString(result.readers[0].firmware), QStringLiteral("1.2.3.4"));
        QCOMPARE(result.oddAnswers.size(), std::size_t(2));
        QCOMPARE(result.oddAnswers[0].station, 4);
        QVERIFY(QString::fromStdString(result.oddAnswers[0].reason)
                    .endsWith("exception 02 from the reader"));
        QCOMPARE(result.oddAnswers[1].station, 5);
        QVERIFY(QString::fromStdString(result.oddAnswers[1].reason).endsWith("garbled reply"));
        std::set<int> units;
        for (const Bytes& request : peer.requests()) {
            units.insert(request[0]);
        }
        QCOMPARE(units, (std::set<int>{3, 4, 5, 6, 7}));
    }

    void lineCannotBeOpened() {
        scan::ScanPlan plan;
        plan.device = "/nonexistent/ttyBUS";
        int progressCalls = 0;
        const std::atomic<bool> stop{false};
        const auto result = scan::scanLine(
            plan, stop, {.progress = [&](const scan::ScanProgress&) { ++progressCalls; }});
        QCOMPARE(QString::fromStdString(result.lineError),
                 QStringLiteral("/nonexistent/ttyBUS: no such device"));
        QCOMPARE(result.probed, 0);
        QCOMPARE(progressCalls, 0);
        plan.answerTime = 0ms;
        QVERIFY_THROWS_EXCEPTION(scan::PlanError, scan::scanLine(plan, stop));
    }
};

QTEST_GUILESS_MAIN(tst_LineScan)
#include "tst_linescan.moc"
