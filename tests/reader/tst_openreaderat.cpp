// SPDX-License-Identifier: LGPL-2.1-or-later
// OpenReaderAt: handles that keep their own port and station, used from several threads at
// once, against reader-sim processes over TCP and a pseudo-terminal.

#include "reader/Reader.h"
#include "tests/support/SimProcess.h"

#include <QTest>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

class OpenReaderAtTest : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void handlesKeepTheirPortAndStation();
    void wrongStationStaysUnanswered();
    void serialDevicePath();
    void refusesBadArguments_data();
    void refusesBadArguments();
    void parallelHandlesOnDifferentStations();
};

namespace {

std::unique_ptr<SimProcess> startSim(int station, bool pty = false) {
    SimProcess::Options options;
    options.station = station;
    options.pty = pty;
    options.tcp = !pty;
    auto sim = std::make_unique<SimProcess>(options);
    return sim->start() ? std::move(sim) : nullptr;
}

int32_t openAt(const SimProcess& sim, int32_t station) {
    int32_t handle = 0;
    if (OpenReaderAt(&handle, READER_LINK_TCP, "127.0.0.1", sim.tcpPort(), station) != 0) {
        return 0;
    }
    return handle;
}

}  // namespace

void OpenReaderAtTest::init() {
    SelectStation(0);
    SelectPort(4001);
}

void OpenReaderAtTest::handlesKeepTheirPortAndStation() {
    const auto simA = startSim(3);
    QVERIFY(simA);
    const auto simB = startSim(4);
    QVERIFY(simB);
    const int32_t a = openAt(*simA, 3);
    const int32_t b = openAt(*simB, 4);
    QVERIFY(a != 0 && b != 0);
    // The process-wide selections name neither reader; the handles do not follow them.
    QCOMPARE(SelectStation(200), 0);
    QCOMPARE(SelectPort(1), 0);
    const uint8_t valueA = 0x3A;
    const uint8_t valueB = 0x4B;
    QCOMPARE(SetParameter(a, 0x94, 1, &valueA), 0);
    QCOMPARE(SetParameter(b, 0x94, 1, &valueB), 0);
    uint8_t back = 0;
    QCOMPARE(GetParameter(a, 0x94, 1, &back), 0);
    QCOMPARE(back, valueA);
    QCOMPARE(GetParameter(b, 0x94, 1, &back), 0);
    QCOMPARE(back, valueB);
    QCOMPARE(simA->readMemoryFile()[0x94], valueA);
    QCOMPARE(simB->readMemoryFile()[0x94], valueB);
    CloseReader(a);
    CloseReader(b);
}

void OpenReaderAtTest::wrongStationStaysUnanswered() {
    const auto sim = startSim(5);
    QVERIFY(sim);
    const int32_t wrong = openAt(*sim, 6);
    const int32_t any = openAt(*sim, 0);
    QVERIFY(wrong != 0 && any != 0);
    SelectStation(5);  // would reach the reader, were the handle to follow it
    uint8_t byte = 0;
    QVERIFY(GetParameter(wrong, 0x94, 1, &byte) != 0);
    SelectStation(6);
    QCOMPARE(GetParameter(any, 0x94, 1, &byte), 0);
    CloseReader(wrong);
    CloseReader(any);
}

void OpenReaderAtTest::serialDevicePath() {
    const auto sim = startSim(9, true);
    QVERIFY(sim);
    const QByteArray device = sim->ptyLink().toLocal8Bit();
    int32_t handle = 0;
    QCOMPARE(OpenReaderAt(&handle, READER_LINK_SERIAL, device.constData(), 0, 9), 0);
    uint8_t bytes[16] = {};
    QCOMPARE(GetParameter(handle, 0x20, 16, bytes), 0);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(bytes), 16),
             QByteArray(reinterpret_cast<const char*>(sim->readMemoryFile().data() + 0x20), 16));
    CloseReader(handle);
    // OpenReader keeps its port names: a device path is no COM port.
    QVERIFY(OpenReader(&handle, READER_LINK_SERIAL, device.constData()) != 0);
}

void OpenReaderAtTest::refusesBadArguments_data() {
    QTest::addColumn<int>("linkType");
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<int>("port");
    QTest::newRow("port 0") << int(READER_LINK_TCP) << QByteArray("127.0.0.1") << 0;
    QTest::newRow("port 65536") << int(READER_LINK_TCP) << QByteArray("127.0.0.1") << 65536;
    QTest::newRow("unknown link") << 9 << QByteArray("127.0.0.1") << 502;
    QTest::newRow("missing device")
        << int(READER_LINK_SERIAL) << QByteArray("/nonexistent/tty") << 0;
    QTest::newRow("usb device missing")
        << int(READER_LINK_USB) << QByteArray("/nonexistent/acm") << 0;
}

void OpenReaderAtTest::refusesBadArguments() {
    QFETCH(int, linkType);
    QFETCH(QByteArray, address);
    QFETCH(int, port);
    int32_t handle = -7;
    QVERIFY(OpenReaderAt(&handle, static_cast<uint8_t>(linkType), address.constData(), port, 1) !=
            0);
    QCOMPARE(handle, -7);
    QVERIFY(OpenReaderAt(nullptr, READER_LINK_TCP, "127.0.0.1", 502, 1) != 0);
}

void OpenReaderAtTest::parallelHandlesOnDifferentStations() {
    constexpr int kReaders = 6;
    constexpr int kRounds = 40;
    std::vector<std::unique_ptr<SimProcess>> sims;
    for (int i = 0; i < kReaders; ++i) {
        sims.push_back(startSim(10 + i));
        QVERIFY(sims.back());
    }
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < kReaders; ++i) {
        threads.emplace_back([&, i] {
            // Opens and calls interleave across threads.
            for (int round = 0; round < kRounds; ++round) {
                const int32_t handle = openAt(*sims[static_cast<std::size_t>(i)], 10 + i);
                const auto value = static_cast<uint8_t>(i * 16 + round % 16);
                uint8_t back = 0;
                if (handle == 0 || SetParameter(handle, 0xF0, 1, &value) != 0 ||
                    GetParameter(handle, 0xF0, 1, &back) != 0 || back != value) {
                    ++failures;
                }
                CloseReader(handle);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    QCOMPARE(failures.load(), 0);
}

QTEST_GUILESS_MAIN(OpenReaderAtTest)
#include "tst_openreaderat.moc"
