// SPDX-License-Identifier: LGPL-2.1-or-later
// The station chosen in the box ComboBox7, as the unit byte of the requests that "联机" sends:
// the window with the real reader library against a scripted Modbus RTU peer reached as COM1.

#include "WindowTestSupport.h"
#include "app/ConnectionGroup.h"
#include "session/ReaderLibrary.h"
#include "tests/reader/FakePeers.h"

#include <QPushButton>
#include <QTest>

#include <memory>

using namespace windowtest;

namespace {

constexpr int kCom1 = 2;

// Reads answer zeros, writes answer with their echo, each with the request's unit.
FakeRtuPeer::Answer answer(const Bytes& request, int) {
    const uint8_t unit = request[0];
    const uint8_t function = request[1];
    if (function == 0x03 || function == 0x04) {
        const int count = request[4] << 8 | request[5];
        Bytes pdu{function, static_cast<uint8_t>(2 * count)};
        pdu.resize(pdu.size() + static_cast<std::size_t>(2 * count), 0);
        return {rtuFrame(unit, pdu)};
    }
    return {rtuFrame(unit, Bytes(request.begin() + 1, request.begin() + 6))};
}

}  // namespace

class TestStationOnWire : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void unitOfTheConnection_data() {
        QTest::addColumn<QString>("actions");  // see stationActions()
        QTest::addColumn<int>("unit");
        QTest::newRow("untouched") << "" << 255;
        QTest::newRow("任意站 picked") << "pick 0" << 255;
        QTest::newRow("站5 picked") << "pick 5" << 5;
        QTest::newRow("站5 typed, Enter") << "type 站5 enter" << 5;
        QTest::newRow("站7 typed, Tab") << "type 站7 tab" << 7;
        QTest::newRow("12 typed, Enter") << "type 12 enter" << 12;
        QTest::newRow("站20 typed, then 联机") << "type 站20 none" << 20;
        QTest::newRow("站21 typed into the untouched box") << "type 站21 enter" << 255;
        QTest::newRow("x typed over 站5") << "pick 5; type x enter" << 5;
        QTest::newRow("站39 typed over 站3, then 联机") << "pick 3; type 站39 none" << 3;
    }

    void unitOfTheConnection() {
        QFETCH(QString, actions);
        QFETCH(int, unit);
        FakeRtuPeer peer(answer);
        QVERIFY(peer.isOpen());
        qputenv("READER_COM1", peer.device().toLocal8Bit());
        SharedReaderLibrary library;
        TForm1 window(library);
        window.show();
        ConnectionGroup& group = *window.connectionGroup();
        chooseItem(group.ComboBox1(), kCom1);

        stationActions(group.ComboBox7(), actions);
        group.Button1()->click();
        QVERIFY2(group.isConnected(), qPrintable(logLines(window).join(u'\n')));
        group.Button2()->click();

        // The rate set and the firmware read of the connect, the rate set of the disconnect.
        const std::vector<Bytes> requests = peer.requests();
        QVERIFY(requests.size() >= 3);
        for (const Bytes& request : requests) {
            QCOMPARE(int(request[0]), unit);
        }
    }
};

QTEST_MAIN(TestStationOnWire)
#include "tst_stationonwire.moc"
