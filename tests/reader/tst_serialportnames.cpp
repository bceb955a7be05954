// SPDX-License-Identifier: LGPL-2.1-or-later
// Where OpenReader's link names lead: COMn through READER_COMn or the system's serial devices
// (USB adapters by their by-id name first, then built-in ports), USB through READER_USB.
#include <QtTest>

#include <array>
#include <filesystem>
#include <fstream>
#include <string_view>

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

// A sysfs tree and a /dev folder as the kernel and udev lay them out, in a temporary folder.
class FakeSystem {
  public:
    bool isValid() const { return dir_.isValid(); }
    std::string sys() const { return root() + "/sys"; }
    std::string dev() const { return root() + "/dev"; }
    std::string root() const { return dir_.path().toStdString(); }

    // A hardware tty: sysfs keeps it under the device it sits on, with a "device" link up to
    // that device, and a link in /sys/class/tty; the node in /dev when withNode.
    void tty(const std::string& deviceDir, const std::string& name, bool withNode = true) {
        const std::string ttyDir = deviceDir + "/tty/" + name;
        folder("sys/" + ttyDir);
        link("sys/" + ttyDir + "/device", "../../../" + leaf(deviceDir));
        link("sys/class/tty/" + name, "../../" + ttyDir);
        if (withNode) {
            file("dev/" + name, "");
        }
    }
    // A tty of no device: consoles, the pseudo-terminal master.
    void virtualTty(const std::string& name) {
        folder("sys/devices/virtual/tty/" + name);
        link("sys/class/tty/" + name, "../../devices/virtual/tty/" + name);
        file("dev/" + name, "");
    }
    void file(const std::string& path, const std::string& text) {
        folder(std::filesystem::path(path).parent_path().string());
        std::ofstream(root() + "/" + path) << text;
    }
    void link(const std::string& path, const std::string& target) {
        folder(std::filesystem::path(path).parent_path().string());
        std::filesystem::create_symlink(target, root() + "/" + path);
    }
    void folder(const std::string& path) {
        std::filesystem::create_directories(root() + "/" + path);
    }

  private:
    static std::string leaf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

    QTemporaryDir dir_;
};

// The PC's xHCI root hub, in sysfs.
constexpr std::string_view kRootHub = "devices/pci0000:00/0000:00:14.0/usb1/";

// A USB device with the strings it reports and its first interface, on the root hub (which
// has strings of its own).
void addUsbDevice(FakeSystem& system, const std::string& port, const std::string& product,
                  const std::string& manufacturer, const std::string& serial) {
    const std::string hub = "sys/" + std::string(kRootHub.substr(0, kRootHub.size() - 1));
    system.file(hub + "/idVendor", "1d6b\n");
    system.file(hub + "/product", "xHCI Host Controller\n");
    system.file(hub + "/manufacturer", "Linux 6.1.0 xhci-hcd\n");
    system.file(hub + "/" + port + "/idVendor", "0403\n");
    system.file(hub + "/" + port + "/product", product + "\n");
    system.file(hub + "/" + port + "/manufacturer", manufacturer + "\n");
    if (!serial.empty()) {
        system.file(hub + "/" + port + "/serial", serial + "\n");
    }
    system.folder(hub + "/" + port + "/" + port + ":1.0");
}

// The parts of a system the enumeration is tried on, by name.
void addPart(FakeSystem& system, const QString& part) {
    const std::string usb(kRootHub);
    if (part == "FTDI adapter") {  // udev gave it a by-id link
        addUsbDevice(system, "1-2", "FT232R  USB UART ", "FTDI", "A1B2C3");
        system.folder("sys/" + usb + "1-2/1-2:1.0/ttyUSB3");
        system.tty(usb + "1-2/1-2:1.0/ttyUSB3", "ttyUSB3");
        system.link("dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0", "../../ttyUSB3");
    } else if (part == "Prolific adapter") {  // no by-id link, no serial number
        addUsbDevice(system, "1-4", "USB-Serial Controller", "Prolific Technology Inc.", "");
        system.folder("sys/" + usb + "1-4/1-4:1.0/ttyUSB0");
        system.tty(usb + "1-4/1-4:1.0/ttyUSB0", "ttyUSB0");
    } else if (part == "UART") {  // a 16550A that answered the kernel's probe
        system.folder("sys/devices/pnp0/00:00/00:00:0/00:00:0.0");
        system.tty("devices/pnp0/00:00/00:00:0/00:00:0.0", "ttyS0");
        system.file("sys/devices/pnp0/00:00/00:00:0/00:00:0.0/tty/ttyS0/type", "4\n");
    } else if (part == "placeholder") {  // a name the 8250 driver keeps with no UART behind it
        const std::string port = "devices/platform/serial8250/serial8250:0/serial8250:0.1";
        system.folder("sys/" + port);
        system.tty(port, "ttyS1");
        system.file("sys/" + port + "/tty/ttyS1/type", "0\n");
    } else if (part == "reader") {  // the reader's own CDC-ACM port
        addUsbDevice(system, "1-3", "RFID Reader", "Reader", "0001");
        system.tty(usb + "1-3/1-3:1.0", "ttyACM0");
    } else if (part == "no node") {  // sysfs has it, /dev does not
        addUsbDevice(system, "1-5", "CP2102 USB to UART Bridge Controller", "Silicon Labs", "01");
        system.folder("sys/" + usb + "1-5/1-5:1.0/ttyUSB1");
        system.tty(usb + "1-5/1-5:1.0/ttyUSB1", "ttyUSB1", false);
    } else if (part == "consoles") {
        for (const char* name : {"console", "tty", "tty0", "tty1", "ptmx"}) {
            system.virtualTty(name);
        }
    } else {
        QFAIL(qPrintable("no such part: " + part));
    }
}

// Every field of a device, for comparing and for showing a difference.
QString described(const SerialDevice& device) {
    return QStringList{QString::fromStdString(device.path),
                       QString::fromStdString(device.byId),
                       device.usb ? QStringLiteral("usb") : QStringLiteral("built-in"),
                       QString::fromStdString(device.description),
                       QString::fromStdString(device.manufacturer),
                       QString::fromStdString(device.serialNumber)}
        .join(u'|');
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

    // The system's devices as sysfs and /dev show them: the tree of each row, the devices
    // found (paths below the tree's root).
    void systemDevices_data() {
        QTest::addColumn<QStringList>("parts");
        QTest::addColumn<std::vector<SerialDevice>>("expected");
        const SerialDevice ftdi{
            "dev/ttyUSB3", "dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0",
            true,          "FT232R USB UART",
            "FTDI",        "A1B2C3"};
        const SerialDevice prolific{
            "dev/ttyUSB0", {}, true, "USB-Serial Controller", "Prolific Technology Inc.", {}};
        const SerialDevice uart{"dev/ttyS0", {}, false, {}, {}, {}};
        QTest::newRow("USB adapter: its by-id name, its USB device's strings")
            << QStringList{"FTDI adapter"} << std::vector{ftdi};
        QTest::newRow("USB adapter without a by-id link")
            << QStringList{"Prolific adapter"} << std::vector{prolific};
        QTest::newRow("a UART that answered the probe is a built-in port")
            << QStringList{"UART"} << std::vector{uart};
        QTest::newRow("no placeholder port, CDC-ACM port, device without a node or console")
            << QStringList{"placeholder", "reader", "no node", "consoles"}
            << std::vector<SerialDevice>{};
        QTest::newRow("all together")
            << QStringList{"consoles", "reader", "FTDI adapter",    "placeholder",
                           "no node",  "UART",   "Prolific adapter"}
            << std::vector{uart, prolific, ftdi};
    }

    void systemDevices() {
        QFETCH(QStringList, parts);
        QFETCH(std::vector<SerialDevice>, expected);
        FakeSystem system;
        QVERIFY(system.isValid());
        system.folder("sys/class/tty");
        system.folder("dev");
        for (const QString& part : parts) {
            addPart(system, part);
        }
        for (SerialDevice& device : expected) {
            device.path = system.root() + "/" + device.path;
            if (!device.byId.empty()) {
                device.byId = system.root() + "/" + device.byId;
            }
        }
        QStringList found;
        for (const SerialDevice& device : reader::serialDevicesIn(system.sys(), system.dev())) {
            found << described(device);
        }
        QStringList wanted;
        for (const SerialDevice& device : expected) {
            wanted << described(device);
        }
        found.sort();  // in no particular order
        wanted.sort();
        QCOMPARE(found, wanted);
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
