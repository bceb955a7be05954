// Where OpenReader's link names lead: COMn through READER_COMn or the system's serial devices
// (USB adapters by their by-id name first, then built-in ports), USB through READER_USB.
#include <QtTest>

#include <array>

#include "FakePeers.h"
#include "reader/Reader.h"
#include "reader/SerialPortNames.h"

using reader::SerialDevice;

Q_DECLARE_METATYPE(std::vector<SerialDevice>)

namespace {

SerialDevice usbAdapter(const std::string& tty, const std::string& id) {
    return {"/dev/" + tty, "/dev/serial/by-id/" + id, true, "USB UART", "FTDI", id.substr(4, 4)};
}
SerialDevice builtIn(const std::string& tty) {
    return {"/dev/" + tty, {}, false, {}, {}, {}};
}

// COM1..COM8 as a list of device paths, "-" where a name has none.
QStringList pathsOf(const std::array<reader::ComPort, reader::kComPortCount>& ports) {
    QStringList paths;
    for (const auto& port : ports) {
        paths << (port.device.empty() ? QStringLiteral("-") : QString::fromStdString(port.device));
    }
    return paths;
}

}  // namespace

class tst_SerialPortNames : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        for (int n = 1; n <= 9; ++n) {
            qunsetenv(qPrintable(QStringLiteral("READER_COM%1").arg(n)));
        }
        qunsetenv("READER_USB");
        reader::setSerialDeviceSource({});
    }
    void cleanup() { reader::setSerialDeviceSource({}); }

    void mapping_data() {
        QTest::addColumn<std::vector<SerialDevice>>("found");
        QTest::addColumn<QStringList>("configured");  // "n=path"
        QTest::addColumn<QStringList>("expected");    // COM1..COM8
        const auto ftdiA = usbAdapter("ttyUSB1", "usb-FTDI_A1-if00-port0");
        const auto ftdiB = usbAdapter("ttyUSB0", "usb-FTDI_B2-if00-port0");
        const auto pl = usbAdapter("ttyUSB2", "usb-Prolific_X9-if00-port0");
        QTest::newRow("nothing") << std::vector<SerialDevice>{} << QStringList{}
                                 << QStringList{"-", "-", "-", "-", "-", "-", "-", "-"};
        QTest::newRow("built-in ports by number, gaps closed")
            << std::vector{builtIn("ttyS10"), builtIn("ttyS4"), builtIn("ttyS0")} << QStringList{}
            << QStringList{"/dev/ttyS0", "/dev/ttyS4", "/dev/ttyS10", "-", "-", "-", "-", "-"};
        QTest::newRow("USB adapters first, by their by-id name, not their tty number")
            << std::vector{builtIn("ttyS0"), ftdiB, pl, ftdiA} << QStringList{}
            << QStringList{"/dev/ttyUSB1",
                           "/dev/ttyUSB0",
                           "/dev/ttyUSB2",
                           "/dev/ttyS0",
                           "-",
                           "-",
                           "-",
                           "-"};
        QTest::newRow("override takes its name, the others keep their order")
            << std::vector{builtIn("ttyS0"), ftdiA} << QStringList{"1=/tmp/ttySIM"}
            << QStringList{"/tmp/ttySIM", "/dev/ttyUSB1", "/dev/ttyS0", "-", "-", "-", "-", "-"};
        QTest::newRow("override of a found device gives it no second name")
            << std::vector{builtIn("ttyS0"), ftdiA} << QStringList{"3=/dev/ttyUSB1"}
            << QStringList{"/dev/ttyS0", "-", "/dev/ttyUSB1", "-", "-", "-", "-", "-"};
        QTest::newRow("override by the by-id name")
            << std::vector{ftdiA, ftdiB} << QStringList{"2=" + QString::fromStdString(ftdiA.byId)}
            << QStringList{"/dev/ttyUSB0",
                           QString::fromStdString(ftdiA.byId),
                           "-",
                           "-",
                           "-",
                           "-",
                           "-",
                           "-"};
        std::vector<SerialDevice> many;
        for (int i = 0; i < 10; ++i) {
            many.push_back(builtIn("ttyS" + std::to_string(i)));
        }
        QTest::newRow("more devices than names")
            << many << QStringList{}
            << QStringList{"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS3",
                           "/dev/ttyS4", "/dev/ttyS5", "/dev/ttyS6", "/dev/ttyS7"};
    }

    void mapping() {
        QFETCH(std::vector<SerialDevice>, found);
        QFETCH(QStringList, configured);
        QFETCH(QStringList, expected);
        std::array<std::optional<std::string>, reader::kComPortCount> paths;
        for (const QString& entry : configured) {
            paths[entry.section(u'=', 0, 0).toUInt() - 1] = entry.section(u'=', 1).toStdString();
        }
        QCOMPARE(pathsOf(reader::comPortsFrom(found, paths)), expected);
    }

    // A replugged adapter (new ttyUSB number) and a newly plugged one that sorts later leave
    // every name that was given before where it was.
    void namesStayWhenDevicesComeAndGo() {
        const auto a = usbAdapter("ttyUSB0", "usb-FTDI_A1-if00-port0");
        const auto b = usbAdapter("ttyUSB1", "usb-FTDI_B2-if00-port0");
        const std::array<std::optional<std::string>, reader::kComPortCount> none{};
        const auto before = reader::comPortsFrom({a, b, builtIn("ttyS0")}, none);
        auto aReplugged = a;
        aReplugged.path = "/dev/ttyUSB2";
        const auto replugged = reader::comPortsFrom({b, aReplugged, builtIn("ttyS0")}, none);
        QCOMPARE(replugged[0].info->byId, a.byId);
        QCOMPARE(replugged[1].info->byId, b.byId);
        const auto c = usbAdapter("ttyUSB3", "usb-Silicon_Labs_C3-if00-port0");
        const auto added = reader::comPortsFrom({c, a, b, builtIn("ttyS0")}, none);
        QCOMPARE(added[0].device, before[0].device);
        QCOMPARE(added[1].device, before[1].device);
        QCOMPARE(added[2].device, c.path);
        QCOMPARE(added[3].device, before[2].device);
    }

    void names_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("number");
        QTest::newRow("COM1") << QByteArray("COM1") << 1;
        QTest::newRow("COM8") << QByteArray("COM8") << 8;
        QTest::newRow("COM0") << QByteArray("COM0") << 0;
        QTest::newRow("COM9") << QByteArray("COM9") << 0;
        QTest::newRow("COM01") << QByteArray("COM01") << 0;
        QTest::newRow("COM1x") << QByteArray("COM1x") << 0;
        QTest::newRow("COM") << QByteArray("COM") << 0;
        QTest::newRow("path") << QByteArray("/dev/ttyS0") << 0;
        QTest::newRow("lower case") << QByteArray("com1") << 0;
    }

    void names() {
        QFETCH(QByteArray, name);
        QFETCH(int, number);
        QCOMPARE(reader::comPortNumber(name.constData()), number);
        if (number == 0) {
            qputenv("READER_COM9", "/tmp/x");
            QVERIFY(!reader::serialDeviceFor(name.constData()));
        }
        QCOMPARE(reader::comPortNumber(nullptr), 0);
    }

    void emptySettingCountsAsUnset() {
        reader::setSerialDeviceSource([] { return std::vector{builtIn("ttyS3")}; });
        qputenv("READER_COM1", "");
        QCOMPARE(reader::serialDeviceFor("COM1").value_or(""), std::string("/dev/ttyS3"));
        QVERIFY(!reader::serialDeviceFor("COM2"));
    }

    // The library opens exactly the device the mapping gives: pseudo-terminals stand in for
    // a USB adapter and a built-in port, each answering with its own marker byte.
    void libraryOpensTheMappedDevice() {
        const auto answerWith = [](uint8_t marker) {
            return [marker](const Bytes& r, int) {
                return FakeRtuPeer::Answer{rtuFrame(r[0], {0x03, 0x02, 0x00, marker})};
            };
        };
        FakeRtuPeer usb(answerWith(0xA1));
        FakeRtuPeer builtInPort(answerWith(0xB2));
        QVERIFY(usb.isOpen() && builtInPort.isOpen());
        const std::string usbPath = usb.device().toStdString();
        const std::string builtInPath = builtInPort.device().toStdString();
        reader::setSerialDeviceSource([&] {
            return std::vector{SerialDevice{builtInPath, {}, false, {}, {}, {}},
                               SerialDevice{usbPath, "/dev/serial/by-id/usb-X", true, {}, {}, {}}};
        });
        SelectStation(255);
        for (const auto& [name, marker] : {std::pair{"COM1", 0xA1}, std::pair{"COM2", 0xB2}}) {
            int32_t h = 0;
            QCOMPARE(OpenReader(&h, READER_LINK_SERIAL, name), 0);
            std::array<uint8_t, 1> byte{};
            QCOMPARE(GetParameter(h, 0x10, 1, byte.data()), 0);
            QCOMPARE(int(byte[0]), marker);
            QCOMPARE(CloseReader(h), 0);
        }
        int32_t h = 0;
        QCOMPARE(OpenReader(&h, READER_LINK_SERIAL, "COM3"), READER_ERROR_NO_DEVICE);
        std::array<char, 200> text{};
        ReaderLastError(text.data(), int32_t(text.size()));
        QCOMPARE(QString(text.data()), QStringLiteral("COM3: no such device (no serial port)"));
        QCOMPARE(usb.requests().size(), std::size_t(1));
        QCOMPARE(builtInPort.requests().size(), std::size_t(1));
    }

    void usbConfigured() {
        qputenv("READER_USB", "/tmp/ttyUSBREADER");
        QCOMPARE(reader::usbDevice().value_or(""), std::string("/tmp/ttyUSBREADER"));
    }
};

QTEST_GUILESS_MAIN(tst_SerialPortNames)
#include "tst_serialportnames.moc"
