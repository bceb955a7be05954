// SPDX-License-Identifier: LGPL-2.1-or-later
// ReaderBeginOperation: an operation the user starts tries a TCP link at once, even within
// the reconnect pause that calls failing in a row set, against reader-sim processes.
#include <QtTest>

#include <array>
#include <memory>
#include <thread>

#include "reader/LineTiming.h"
#include "reader/Reader.h"
#include "tests/support/SimProcess.h"

namespace {

QString lastReason() {
    std::array<char, 300> text{};
    ReaderLastError(text.data(), static_cast<int32_t>(text.size()));
    return QString::fromUtf8(text.data());
}

int16_t firmware(int32_t handle) {
    std::array<uint8_t, 4> version{};
    return GetFirmwareVersion(handle, version.data());
}

}  // namespace

class tst_BeginOperation : public QObject {
    Q_OBJECT

  private slots:
    void tryAtOnce_data() {
        QTest::addColumn<bool>("readerBack");
        QTest::newRow("the reader came back") << true;
        QTest::newRow("the reader is still gone") << false;
    }

    void tryAtOnce() {
        QFETCH(bool, readerBack);
        auto sim = std::make_unique<SimProcess>();
        QVERIFY(sim->start());
        const quint16 port = sim->tcpPort();
        int32_t h = 0;
        QCOMPARE(OpenReaderAt(&h, READER_LINK_TCP, "127.0.0.1", port, 0), 0);
        QCOMPARE(firmware(h), 0);
        sim.reset();  // stopped: the connection goes, the port refuses
        // Calls failing in a row, each after the pause the one before set.
        for (int failures = 1; failures <= 4; ++failures) {
            QVERIFY(ReaderIsLinkFailure(firmware(h)) != 0);
            QVERIFY2(!lastReason().contains("next connection in"), qPrintable(lastReason()));
            std::this_thread::sleep_for(reader::reconnectPause(failures) +
                                        std::chrono::milliseconds(20));
        }
        QVERIFY(ReaderIsLinkFailure(firmware(h)) != 0);  // the fifth: no call for 4 s
        std::unique_ptr<SimProcess> back;
        if (readerBack) {
            SimProcess::Options options;
            options.tcp = false;
            options.extraArguments = {"--tcp", QStringLiteral("127.0.0.1:%1").arg(port)};
            back = std::make_unique<SimProcess>(options);
            QVERIFY(back->start());
        }
        // Within the pause a call fails at once, without a connection attempt.
        QCOMPARE(int(firmware(h)), int(READER_ERROR_UNREACHABLE));
        QVERIFY2(lastReason().contains("next connection in"), qPrintable(lastReason()));
        QCOMPARE(ReaderBeginOperation(h), 0);
        if (readerBack) {
            QCOMPARE(firmware(h), 0);
            QCOMPARE(firmware(h), 0);
        } else {
            QCOMPARE(int(firmware(h)), int(READER_ERROR_REFUSED));  // tried, and refused
            // The next call without a new operation is within the pause again.
            QCOMPARE(int(firmware(h)), int(READER_ERROR_UNREACHABLE));
        }
        QCOMPARE(CloseReader(h), 0);
        QCOMPARE(int(ReaderBeginOperation(h)), int(READER_ERROR_NOT_OPEN));
    }
};

QTEST_GUILESS_MAIN(tst_BeginOperation)
#include "tst_beginoperation.moc"
