// SPDX-License-Identifier: LGPL-2.1-or-later
// The helpers shared by every page: key filters, hex pairs, the JPEG picture.

#include "app/JpegImage.h"
#include "params/CommPortPage.h"
#include "session/ReaderLibrary.h"
#include "tests/support/RecordingReaderLibrary.h"
#include "tests/support/TextInput.h"
#include "widgets/HexPair.h"
#include "widgets/KeyFilters.h"
#include "widgets/OperationLog.h"
#include "widgets/Pause.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

class TestAppCommon : public QObject {
    Q_OBJECT

  private slots:
    // The blocking pause on the GUI thread: timers run through it, user input does not.
    void pauseKeepsTimersRunningWithoutInput() {
        QPushButton button(QStringLiteral("设置"));
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));
        QSignalSpy clicked(&button, &QPushButton::clicked);
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, &button, [&ticks] { ++ticks; });
        timer.start(20);
        QTimer::singleShot(40, &button, [&button] {
            const QPointF centre = QRectF(button.rect()).center();
            const QPointF global = button.mapToGlobal(centre);
            for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                QCoreApplication::postEvent(
                    &button,
                    new QMouseEvent(
                        type, centre, global, Qt::LeftButton,
                        type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, {}));
            }
        });
        QElapsedTimer clock;
        clock.start();
        pauseFor(200);
        QVERIFY(clock.elapsed() >= 195);
        timer.stop();
        QVERIFY2(ticks >= 3, qPrintable(QString::number(ticks)));
        QCoreApplication::processEvents();
        QCOMPARE(clicked.count(), 0);
    }

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

    void filtersSeeEveryWayOfInput_data() {
        QTest::addColumn<bool>("hex");
        QTest::addColumn<QString>("way");  // see enterText()
        QTest::addColumn<QString>("entered");
        QTest::addColumn<QString>("text");  // after "7" and the entered text
        const QStringList ways{"type", "paste", "drop", "commit"};
        for (const QString& way : ways) {
            const QByteArray w = way.toLatin1();
            QTest::addRow("decimal, %s 12", w.constData()) << false << way << "12"
                                                           << "712";
            QTest::addRow("decimal, %s full-width １２", w.constData()) << false << way << "１２"
                                                                        << "712";
            QTest::addRow("hex, %s 7f", w.constData()) << true << way << "7f"
                                                       << "77F";
            QTest::addRow("hex, %s full-width ＡｂＣ", w.constData()) << true << way << "ＡｂＣ"
                                                                      << "7ABC";
        }
        // Typed keys are filtered one by one; anything else that holds a character the
        // filter refuses is refused whole, so a number never turns into another one.
        QTest::newRow("decimal, type 1a2") << false << "type"
                                           << "1a2"
                                           << "712";
        QTest::newRow("hex, type zz9") << true << "type"
                                       << "zz9"
                                       << "79";
        for (const QString& way :
             {QStringLiteral("paste"), QStringLiteral("drop"), QStringLiteral("commit")}) {
            const QByteArray w = way.toLatin1();
            QTest::addRow("decimal, %s abc", w.constData()) << false << way << "abc"
                                                            << "7";
            QTest::addRow("decimal, %s 1a2", w.constData()) << false << way << "1a2"
                                                            << "7";
            QTest::addRow("decimal, %s -5", w.constData()) << false << way << "-5"
                                                           << "7";
            QTest::addRow("decimal, %s 1.5", w.constData()) << false << way << "1.5"
                                                            << "7";
            QTest::addRow("decimal, %s 五", w.constData()) << false << way << "五"
                                                           << "7";
            QTest::addRow("hex, %s zz", w.constData()) << true << way << "zz"
                                                       << "7";
            QTest::addRow("hex, %s 0x1F", w.constData()) << true << way << "0x1F"
                                                         << "7";
            QTest::addRow("hex, %s tab", w.constData()) << true << way << "A\tB"
                                                        << "7";
        }
    }

    void filtersSeeEveryWayOfInput() {
        QFETCH(bool, hex);
        QFETCH(QString, way);
        QFETCH(QString, entered);
        QFETCH(QString, text);
        QLineEdit edit(QStringLiteral("7"));
        KeyPressFilter::install(&edit, hex ? Edit9KeyPress : Edit1eyPress);
        edit.resize(200, 24);
        edit.end(false);
        enterText(&edit, way, entered);
        QCOMPARE(edit.text(), text);
        QCOMPARE(edit.cursorPosition(), text == QStringLiteral("7") ? 1 : int(text.size()));
    }

    void filterPassesHalfWidthCharacters_data() {
        QTest::addColumn<QString>("character");
        QTest::addColumn<QString>("decimal");  // what Edit1eyPress gives; empty: refused
        QTest::addColumn<QString>("hex");      // what Edit9KeyPress gives
        QTest::newRow("０") << "０"
                            << "0"
                            << "0";
        QTest::newRow("９") << "９"
                            << "9"
                            << "9";
        QTest::newRow("Ａ") << "Ａ"
                            << ""
                            << "A";
        QTest::newRow("ｆ") << "ｆ"
                            << ""
                            << "F";
        QTest::newRow("Ｇ") << "Ｇ"
                            << ""
                            << "";
        QTest::newRow("full-width minus") << "－"
                                          << ""
                                          << "";
        QTest::newRow("ideographic space") << "\u3000"
                                           << ""
                                           << "";
        QTest::newRow("一") << "一"
                            << ""
                            << "";
    }

    void filterPassesHalfWidthCharacters() {
        QFETCH(QString, character);
        QFETCH(QString, decimal);
        QFETCH(QString, hex);
        const QChar key = character.at(0);
        const auto asText = [](QChar admitted) {
            return admitted.isNull() ? QString() : QString(admitted);
        };
        QCOMPARE(asText(Edit1eyPress(key)), decimal);
        QCOMPARE(asText(Edit9KeyPress(key)), hex);
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

    void macEditsFilterEveryWayOfInput_data() {
        QTest::addColumn<QString>("way");  // see enterText()
        QTest::addColumn<QString>("entered");
        QTest::addColumn<QString>("text");  // after "1" and the entered text
        for (const char* way : {"paste", "drop", "commit"}) {
            QTest::addRow("%s zz", way) << way << "zz"
                                        << "1";
            QTest::addRow("%s 0x", way) << way << "0x"
                                        << "1";
            QTest::addRow("%s a7", way) << way << "a7"
                                        << "1A7";
            QTest::addRow("%s full-width ｃ９", way) << way << "ｃ９"
                                                     << "1C9";
        }
    }

    void macEditsFilterEveryWayOfInput() {
        QFETCH(QString, way);
        QFETCH(QString, entered);
        QFETCH(QString, text);
        RecordingReaderLibrary library;
        ReaderSession session(library);
        QPlainTextEdit memo;
        OperationLog log(&memo);
        CommPortPage page(session, log);
        page.show();
        for (int index = 0; index < 6; ++index) {
            QLineEdit* edit = page.macEdit(index);
            edit->setText(QStringLiteral("1"));
            enterText(edit, way, entered);
            QCOMPARE(edit->text(), text);
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
