// reader-sim as a process: Modbus TCP with libmodbus and mbpoll, RTU on its pseudo-terminal
// with raw frames and mbpoll, the memory file, reset, signals and a vanishing serial device.

#include <modbus.h>

#include <QProcess>
#include <QTest>

#include <array>
#include <cstdint>
#include <memory>

#include "tests/support/SimProcess.h"

namespace {

struct ModbusDeleter {
    void operator()(modbus_t* ctx) const {
        modbus_close(ctx);
        modbus_free(ctx);
    }
};
using Modbus = std::unique_ptr<modbus_t, ModbusDeleter>;

Modbus connectTcp(quint16 port, int unit = 255) {
    Modbus ctx(modbus_new_tcp("127.0.0.1", port));
    if (!ctx) {
        return nullptr;
    }
    modbus_set_slave(ctx.get(), unit);
    modbus_set_response_timeout(ctx.get(), 5, 0);
    if (modbus_connect(ctx.get()) != 0) {
        return nullptr;
    }
    return ctx;
}

}  // namespace

class TestReaderSim : public QObject {
    Q_OBJECT

private slots:
    void tcpReadsFactoryImage();
};

void TestReaderSim::tcpReadsFactoryImage() {
    SimProcess sim;
    QVERIFY(sim.start());
    QVERIFY(sim.tcpPort() != 0);
    Modbus ctx = connectTcp(sim.tcpPort());
    QVERIFY(ctx);
    std::array<std::uint16_t, 6> ip{};
    QCOMPARE(modbus_read_registers(ctx.get(), 0xB2, 6, ip.data()), 6);
    QCOMPARE(ip, (std::array<std::uint16_t, 6>{192, 168, 0, 178, 255, 255}));
}

QTEST_GUILESS_MAIN(TestReaderSim)
#include "tst_readersim.moc"
