// Where OpenReader's link names lead: COMn through READER_COMn or /dev/ttyS(n-1), USB through
// READER_USB.
#include <QtTest>

#include "reader/SerialPortNames.h"

class tst_SerialPortNames : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        for (int n = 1; n <= 9; ++n) {
            qunsetenv(qPrintable(QStringLiteral("READER_COM%1").arg(n)));
        }
        qunsetenv("READER_USB");
    }

    void comPorts_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("environment");  // READER_COMn=value, or empty
        QTest::addColumn<QString>("device");          // empty: not a port
        QTest::newRow("COM1") << QByteArray("COM1") << QByteArray() << "/dev/ttyS0";
        QTest::newRow("COM8") << QByteArray("COM8") << QByteArray() << "/dev/ttyS7";
        QTest::newRow("COM3 configured")
            << QByteArray("COM3") << QByteArray("READER_COM3=/tmp/ttySIM") << "/tmp/ttySIM";
        QTest::newRow("other port configured")
            << QByteArray("COM2") << QByteArray("READER_COM3=/tmp/ttySIM") << "/dev/ttyS1";
        QTest::newRow("empty setting counts as unset")
            << QByteArray("COM4") << QByteArray("READER_COM4=") << "/dev/ttyS3";
        QTest::newRow("COM0") << QByteArray("COM0") << QByteArray() << QString();
        QTest::newRow("COM9") << QByteArray("COM9") << QByteArray("READER_COM9=/tmp/x")
                              << QString();
        QTest::newRow("COM01") << QByteArray("COM01") << QByteArray() << QString();
        QTest::newRow("COM1x") << QByteArray("COM1x") << QByteArray() << QString();
        QTest::newRow("COM") << QByteArray("COM") << QByteArray() << QString();
        QTest::newRow("path") << QByteArray("/dev/ttyS0") << QByteArray() << QString();
        QTest::newRow("lower case") << QByteArray("com1") << QByteArray() << QString();
    }

    void comPorts() {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, environment);
        QFETCH(QString, device);
        if (!environment.isEmpty()) {
            const auto parts = environment.split('=');
            qputenv(parts[0].constData(), parts[1]);
        }
        const auto resolved = reader::serialDeviceFor(name.constData());
        QCOMPARE(resolved ? QString::fromStdString(*resolved) : QString(), device);
    }

    void noName() { QVERIFY(!reader::serialDeviceFor(nullptr)); }

    void usbConfigured() {
        qputenv("READER_USB", "/tmp/ttyUSBREADER");
        QCOMPARE(reader::usbDevice().value_or(""), std::string("/tmp/ttyUSBREADER"));
    }
};

QTEST_GUILESS_MAIN(tst_SerialPortNames)
#include "tst_serialportnames.moc"
