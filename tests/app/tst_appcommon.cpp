// The helpers shared by every page: key filters, hex pairs, the JPEG picture.

#include "app/HexPair.h"
#include "app/JpegImage.h"
#include "app/KeyFilters.h"
#include "app/OperationLog.h"
#include "params/CommPortPage.h"
#include "reader/ReaderLibrary.h"
#include "tests/support/RecordingReaderLibrary.h"

#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

class TestAppCommon : public QObject {
    Q_OBJECT

  private slots:
    void keyFilters_data() {
        QTest::addColumn<bool>("hex");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::newRow("decimal 1 a 2") << false << "1a2"
                                       << "12";
        QTest::newRow("decimal rejects signs and blanks") << false << "-3 +4.5"
                                                          << "345";
        QTest::newRow("hex a b") << true << "ab"
                                 << "AB";
        QTest::newRow("hex mixed") << true << "0x9fG-Ec"
                                   << "09FEC";
        QTest::newRow("hex rejects letters past f") << true << "ghz"
                                                    << "";
    }

    void keyFilters() {
        QFETCH(bool, hex);
        QFETCH(QString, typed);
        QFETCH(QString, text);
        QLineEdit edit;
        KeyPressFilter::install(&edit, hex ? Edit9KeyPress : Edit1eyPress);
        QTest::keyClicks(&edit, typed);
        QCOMPARE(edit.text(), text);
        // Backspace always passes.
        if (!text.isEmpty()) {
            QTest::keyClick(&edit, Qt::Key_Backspace);
            QCOMPARE(edit.text(), text.chopped(1));
        }
    }

    void macEditsTakeOneHexPair() {
        RecordingReaderLibrary library;
        ReaderSession session(library);
        QPlainTextEdit memo;
        OperationLog log(&memo);
        CommPortPage page(session, log);
        for (int index = 0; index < 6; ++index) {
            QLineEdit* edit = page.macEdit(index);
            QCOMPARE(edit->objectName(), QStringLiteral("Edit%1").arg(8 + index));
            QCOMPARE(edit->text(), QStringLiteral("FF"));
            edit->clear();
            // At most three characters; the pair is the first two.
            QTest::keyClicks(edit, QStringLiteral("a7cd"));
            QCOMPARE(edit->text(), QStringLiteral("A7C"));
            QCOMPARE(HexPairToByte(edit->text()), 0xA7);
        }
    }

    void hexPairToByte_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("byte");
        QTest::newRow("FF") << "FF" << 255;
        QTest::newRow("00") << "00" << 0;
        QTest::newRow("7F") << "7F" << 0x7F;
        QTest::newRow("A0") << "A0" << 0xA0;
        // Where the digits end and the letters begin.
        QTest::newRow("99") << "99" << 0x99;
        QTest::newRow("9A") << "9A" << 0x9A;
        QTest::newRow("A9") << "A9" << 0xA9;
        QTest::newRow("09") << "09" << 0x09;
        QTest::newRow("0A") << "0A" << 0x0A;
        QTest::newRow("third ignored") << "ABC" << 0xAB;
        QTest::newRow("one character is the low nibble") << "A" << 0x0A;
        QTest::newRow("empty") << "" << 0;
    }

    void hexPairToByte() {
        QFETCH(QString, text);
        QFETCH(int, byte);
        QCOMPARE(int(HexPairToByte(text)), byte);
    }

    void byteToHexPair_data() {
        QTest::addColumn<int>("byte");
        QTest::addColumn<QString>("text");
        QTest::newRow("171") << 171 << "AB";
        QTest::newRow("10") << 10 << "0A";
        QTest::newRow("255") << 255 << "FF";
        QTest::newRow("0") << 0 << "00";
    }

    void byteToHexPair() {
        QFETCH(int, byte);
        QFETCH(QString, text);
        QCOMPARE(ByteToHexPair(static_cast<std::uint8_t>(byte)), text);
        QCOMPARE(int(HexPairToByte(text)), byte);
    }

    void logoDecodes() {
        QFile file(QStringLiteral(":/app/logo.jpg"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QImage image = decodeJpeg(file.readAll());
        QCOMPARE(image.size(), QSize(155, 102));
        // The logo is a blue picture, not a grey placeholder.
        const QColor corner = image.pixelColor(2, 2);
        QVERIFY2(corner.blue() > corner.red() + 60, qPrintable(corner.name()));
    }

    void badJpegGivesNullImage_data() {
        QTest::addColumn<QByteArray>("data");
        QFile file(QStringLiteral(":/app/logo.jpg"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray logo = file.readAll();
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not a JPEG") << QByteArray("GIF89a this is no jpeg at all");
        QTest::newRow("header cut short") << logo.left(40);
        // The frame header's sample precision is set to 0, which no decoder supports.
        QByteArray badFrame = logo;
        const qsizetype frame = badFrame.indexOf(QByteArray("\xFF\xC0", 2));
        QVERIFY(frame > 0);
        badFrame[frame + 4] = char(0);
        QTest::newRow("broken frame header") << badFrame;
    }

    void badJpegGivesNullImage() {
        QFETCH(QByteArray, data);
        QVERIFY(decodeJpeg(data).isNull());
    }
};

QTEST_MAIN(TestAppCommon)
#include "tst_appcommon.moc"
