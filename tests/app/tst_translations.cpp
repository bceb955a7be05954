// SPDX-License-Identifier: LGPL-2.1-or-later
// The English translation: scripts/update-translations (lupdate over the sources now), run on
// a copy of translations/readerconfig_en.ts, finds every tr() text of the window there with
// a finished English translation that keeps the text's %1 place markers; and the file
// compiled into the program translates them.

#include "app/StartupOptions.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

namespace {

struct Message {
    QString context;
    QString source;
    QString translation;
    QString type;  // "", "unfinished", "vanished", "obsolete"
};

QList<Message> readTs(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QList<Message> messages;
    QXmlStreamReader xml(&file);
    QString context;
    Message message;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) {
            if (xml.isEndElement() && xml.name() == QLatin1String("message")) {
                messages << message;
            }
            continue;
        }
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            message = Message{context, {}, {}, {}};
        } else if (xml.name() == QLatin1String("source")) {
            message.source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            message.type = xml.attributes().value(QLatin1String("type")).toString();
            message.translation = xml.readElementText();
        }
    }
    return xml.hasError() ? QList<Message>() : messages;
}

QStringList placeMarkers(const QString& text) {
    static const QRegularExpression marker(QStringLiteral("%\\d+"));
    QStringList markers;
    for (auto it = marker.globalMatch(text); it.hasNext();) {
        markers << it.next().captured();
    }
    markers.sort();
    return markers;
}

const QString kTsFile = QStringLiteral(READER_SOURCE_DIR "/translations/readerconfig_en.ts");

}  // namespace

class TestTranslations : public QObject {
    Q_OBJECT

  private slots:
    void everyTextHasEnglish();
    void compiledTranslationIsUsed_data();
    void compiledTranslationIsUsed();
};

void TestTranslations::everyTextHasEnglish() {
    // lupdate keeps the file's translations and adds every text it does not hold yet as
    // unfinished: a text added to the sources without its translation shows up here. The
    // committed file itself is left alone.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString scanned = dir.filePath(QStringLiteral("scanned_en.ts"));
    QVERIFY(QFile::copy(kTsFile, scanned));
    QProcess update;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LUPDATE"), QStringLiteral(READER_LUPDATE));
    update.setProcessEnvironment(environment);
    update.setProcessChannelMode(QProcess::MergedChannels);
    update.start(QStringLiteral(READER_SOURCE_DIR "/scripts/update-translations"), {scanned});
    QVERIFY(update.waitForFinished(120000));
    QVERIFY2(update.exitStatus() == QProcess::NormalExit && update.exitCode() == 0,
             update.readAll().constData());

    const QList<Message> messages = readTs(scanned);
    QVERIFY(messages.size() > 100);
    QStringList missing;
    QStringList badMarkers;
    static const QRegularExpression han(QStringLiteral("[\\x{3000}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));
    for (const Message& message : messages) {
        const QString where = message.context + QStringLiteral(": ") + message.source;
        if (message.type == QLatin1String("vanished") ||
            message.type == QLatin1String("obsolete")) {
            continue;
        }
        if (!message.type.isEmpty() || message.translation.isEmpty() ||
            message.translation.contains(han)) {
            missing << where;
        } else if (placeMarkers(message.source) != placeMarkers(message.translation)) {
            badMarkers << where + QStringLiteral(" -> ") + message.translation;
        }
    }
    QVERIFY2(missing.isEmpty(),
             qPrintable(QStringLiteral("texts without an English translation (run "
                                       "scripts/update-translations and translate them):\n") +
                        missing.join(u'\n')));
    QVERIFY2(badMarkers.isEmpty(), qPrintable(badMarkers.join(u'\n')));
}

void TestTranslations::compiledTranslationIsUsed_data() {
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("english");
    // One text of each window and of the shared helpers; every text of the file must come
    // through the same way.
    for (const Message& message : readTs(kTsFile)) {
        if (message.type.isEmpty()) {
            QTest::newRow(qPrintable(message.context + u' ' + message.source))
                << message.context << message.source << message.translation;
        }
    }
}

void TestTranslations::compiledTranslationIsUsed() {
    QFETCH(QString, context);
    QFETCH(QString, source);
    QFETCH(QString, english);
    QTranslator translator;
    QVERIFY(installInterfaceTranslation(QStringLiteral("en"), translator));
    const QString translated =
        QCoreApplication::translate(context.toUtf8().constData(), source.toUtf8().constData());
    QCoreApplication::removeTranslator(&translator);
    QCOMPARE(translated, english);
}

QTEST_GUILESS_MAIN(TestTranslations)
#include "tst_translations.moc"
