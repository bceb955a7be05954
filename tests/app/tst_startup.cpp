// SPDX-License-Identifier: LGPL-2.1-or-later
// Start-up: readerconfig's command line, the choice of the interface language, the English
// interface compiled into the program, and the command lines of the installed programs run
// as processes (--help, --version, an unknown option).

#include "WindowTestSupport.h"
#include "app/ConnectionGroup.h"
#include "app/StartupOptions.h"
#include "batch/BatchDialog.h"
#include "tests/support/RecordingReaderLibrary.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTranslator>

using namespace windowtest;
using Action = StartupOptions::Action;
Q_DECLARE_METATYPE(StartupOptions::Action)

namespace {

// Every caption a widget shows: button texts, labels, group titles, tab texts, list items.
QStringList captions(QWidget* root) {
    QStringList texts{root->windowTitle()};
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* widget : widgets) {
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            texts << button->text();
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            texts << label->text();
        } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
            texts << group->title();
        } else if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
            for (int i = 0; i < tabs->count(); ++i) {
                texts << tabs->tabText(i);
            }
        } else if (auto* list = qobject_cast<QComboBox*>(widget)) {
            for (int i = 0; i < list->count(); ++i) {
                texts << list->itemText(i);
            }
        }
    }
    return texts;
}

QStringList withChineseCharacters(const QStringList& texts) {
    static const QRegularExpression han(QStringLiteral("[\\x{3000}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));
    QStringList found;
    for (const QString& text : texts) {
        if (text.contains(han)) {
            found << text;
        }
    }
    return found;
}

struct ProgramRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ProgramRun runProgram(const QString& program, const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // --help and --version must not need a display.
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(READER_BIN_DIR "/") + program, arguments);
    ProgramRun run;
    if (!process.waitForFinished(20000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

}  // namespace

class TestStartup : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void parsesCommandLine_data();
    void parsesCommandLine();
    void chosenLanguage_data();
    void chosenLanguage();
    void windowVariantOneShowsProductPage();
    void englishInterface();
    void chineseStaysWithoutTranslation();
    void programCommandLines_data();
    void programCommandLines();
};

void TestStartup::parsesCommandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Action>("action");
    QTest::addColumn<int>("windowVariant");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("textContains");

    const Action run = Action::Run;
    const Action error = Action::Error;
    QTest::newRow("nothing") << QStringList{} << run << 0 << QString() << QString();
    QTest::newRow("variant 1") << QStringList{"--window-variant", "1"} << run << 1 << QString()
                               << QString();
    QTest::newRow("variant 2, joined value")
        << QStringList{"--window-variant=2"} << run << 2 << QString() << QString();
    QTest::newRow("variant 0") << QStringList{"--window-variant", "0"} << run << 0 << QString()
                               << QString();
    QTest::newRow("variant 3") << QStringList{"--window-variant", "3"} << error << 0 << QString()
                               << "'3' is not 0, 1 or 2";
    QTest::newRow("variant -1") << QStringList{"--window-variant", "-1"} << error << 0 << QString()
                                << "'-1' is not 0, 1 or 2";
    QTest::newRow("variant 01") << QStringList{"--window-variant", "01"} << error << 0 << QString()
                                << "'01' is not 0, 1 or 2";
    QTest::newRow("variant text") << QStringList{"--window-variant", "one"} << error << 0
                                  << QString() << "'one' is not 0, 1 or 2";
    QTest::newRow("variant without value")
        << QStringList{"--window-variant"} << error << 0 << QString() << "Missing value";
    QTest::newRow("english") << QStringList{"--language", "en"} << run << 0 << "en" << QString();
    QTest::newRow("english locale name")
        << QStringList{"--language", "en_GB"} << run << 0 << "en" << QString();
    QTest::newRow("chinese") << QStringList{"--language", "zh_CN", "--window-variant", "2"} << run
                             << 2 << "zh" << QString();
    QTest::newRow("french") << QStringList{"--language", "fr"} << error << 0 << QString()
                            << "'fr' is not zh or en";
    QTest::newRow("help") << QStringList{"--help"} << Action::Help << 0 << QString()
                          << "Usage: readerconfig [options]";
    QTest::newRow("short help") << QStringList{"-h"} << Action::Help << 0 << QString()
                                << "--language";
    QTest::newRow("version") << QStringList{"--version"} << Action::Version << 0 << QString()
                             << "readerconfig 1.4.2.1";
    QTest::newRow("unknown option")
        << QStringList{"--verbose"} << error << 0 << QString() << "Unknown option 'verbose'";
    QTest::newRow("stray argument")
        << QStringList{"file.txt"} << error << 0 << QString() << "unexpected argument 'file.txt'";
    QTest::newRow("trace to a file")
        << QStringList{"--trace", "/tmp/frames.txt"} << run << 0 << QString() << QString();
    QTest::newRow("trace without value")
        << QStringList{"--trace"} << error << 0 << QString() << "Missing value";
    QTest::newRow("toolkit options pass")
        << QStringList{"-platform", "offscreen", "-style", "fusion", "-reverse"} << run << 0
        << QString() << QString();
}

void TestStartup::parsesCommandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(Action, action);
    QFETCH(int, windowVariant);
    QFETCH(QString, language);
    QFETCH(QString, textContains);
    const StartupOptions options =
        parseStartupOptions(QStringList{QStringLiteral("readerconfig")} + arguments);
    QCOMPARE(options.action, action);
    if (action == Action::Run) {
        QCOMPARE(options.windowVariant, windowVariant);
        QCOMPARE(options.language, language);
        QCOMPARE(options.trace,
                 arguments.contains("--trace") ? QString("/tmp/frames.txt") : QString());
    }
    QVERIFY2(options.text.contains(textContains), qPrintable(options.text));
    if (action == Action::Error) {
        // A usage error shows the usage too.
        QVERIFY2(options.text.contains(QLatin1String("--window-variant")),
                 qPrintable(options.text));
    }
}

void TestStartup::chosenLanguage_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("systemLocale");
    QTest::addColumn<QString>("language");
    QTest::newRow("english system") << QString() << "en_US"
                                    << "en";
    QTest::newRow("british system") << QString() << "en_GB"
                                    << "en";
    QTest::newRow("chinese system") << QString() << "zh_CN"
                                    << "zh";
    QTest::newRow("german system stays chinese") << QString() << "de_DE"
                                                 << "zh";
    QTest::newRow("C locale stays chinese") << QString() << "C"
                                            << "zh";
    QTest::newRow("option beats english system") << "zh"
                                                 << "en_US"
                                                 << "zh";
    QTest::newRow("option beats chinese system") << "en"
                                                 << "zh_CN"
                                                 << "en";
}

void TestStartup::chosenLanguage() {
    QFETCH(QString, option);
    QFETCH(QString, systemLocale);
    QFETCH(QString, language);
    QCOMPARE(interfaceLanguage(option, QLocale(systemLocale)), language);
}

void TestStartup::windowVariantOneShowsProductPage() {
    const StartupOptions options = parseStartupOptions(
        {QStringLiteral("readerconfig"), QStringLiteral("--window-variant"), QStringLiteral("1")});
    RecordingReaderLibrary library;
    TForm1 window(library, options.windowVariant);
    window.show();
    QTabWidget* pages = window.PageControl1();
    QVERIFY(pages->isTabVisible(TForm1::ProductPageIndex));
    QCOMPARE(pages->currentIndex(), int(TForm1::ProductPageIndex));
    QCOMPARE(pages->tabText(TForm1::ProductPageIndex), QStringLiteral("产品参数"));
    QVERIFY(!pages->isTabVisible(TForm1::PositioningPageIndex));
}

// With the English translation installed the main window, its pages and the batch dialog
// show English captions only.
void TestStartup::englishInterface() {
    QTranslator translator;
    QVERIFY(installInterfaceTranslation(QStringLiteral("en"), translator));
    RecordingReaderLibrary library;
    {
        TForm1 window(library);
        window.show();
        QCOMPARE(window.windowTitle(), QStringLiteral("Reader Configuration (V1.4.2.1)"));
        QCOMPARE(window.connectionGroup()->Button1()->text(), QStringLiteral("Connect"));
        QCOMPARE(window.connectionGroup()->Button2()->text(), QStringLiteral("Close"));
        QCOMPARE(window.BitBtn3()->text(), QStringLiteral("Query"));
        QCOMPARE(window.Button4()->text(), QStringLiteral("Exit"));
        QCOMPARE(window.PageControl1()->tabText(TForm1::ReaderParametersPageIndex),
                 QStringLiteral("Reader"));
        QCOMPARE(window.PageControl3()->tabText(0), QStringLiteral("Basic"));
        QCOMPARE(window.statusPanelText(0), QStringLiteral("COM1:Off"));
        QCOMPARE(logMessages(window), QStringList{QStringLiteral("Program running normally!")});
        QStringList groups;
        for (const QGroupBox* group : window.findChildren<QGroupBox*>()) {
            groups << group->title();
        }
        QVERIFY2(groups.contains(QStringLiteral("Trigger")), qPrintable(groups.join(u'|')));
        const QStringList chinese = withChineseCharacters(captions(&window));
        QVERIFY2(chinese.isEmpty(), qPrintable(chinese.join(u'|')));
    }
    {
        TForm3 dialog(library);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Batch configuration"));
        const QStringList texts = captions(&dialog);
        for (const char* caption :
             {"Load from file", "Save to file", "Export from reader", "Import into reader"}) {
            QVERIFY2(texts.contains(QLatin1String(caption)), caption);
        }
        const QStringList chinese = withChineseCharacters(texts);
        QVERIFY2(chinese.isEmpty(), qPrintable(chinese.join(u'|')));
    }
    QVERIFY(QCoreApplication::removeTranslator(&translator));
}

// Chinese is the program's own language: nothing to load, and the window keeps its texts.
void TestStartup::chineseStaysWithoutTranslation() {
    QTranslator translator;
    QVERIFY(installInterfaceTranslation(QStringLiteral("zh"), translator));
    QVERIFY(translator.isEmpty());
    RecordingReaderLibrary library;
    TForm1 window(library);
    QCOMPARE(window.windowTitle(), QStringLiteral("读写器参数配置程序（V1.4.2.1）"));
    QCOMPARE(window.connectionGroup()->Button1()->text(), QStringLiteral("联机"));
}

void TestStartup::programCommandLines_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("outContains");
    QTest::addColumn<QString>("errContains");
    QTest::newRow("readerconfig --help")
        << "readerconfig" << QStringList{"--help"} << 0 << "--window-variant" << QString();
    QTest::newRow("readerconfig --version")
        << "readerconfig" << QStringList{"--version"} << 0 << "readerconfig 1.4.2.1" << QString();
    QTest::newRow("readerconfig unknown")
        << "readerconfig" << QStringList{"--bogus"} << 2 << QString() << "--language";
    QTest::newRow("readerconfig bad variant")
        << "readerconfig" << QStringList{"--window-variant", "7"} << 2 << QString()
        << "'7' is not 0, 1 or 2";
    QTest::newRow("reader-sim --help")
        << "reader-sim" << QStringList{"--help"} << 0 << "--memory" << QString();
    QTest::newRow("reader-sim --version")
        << "reader-sim" << QStringList{"--version"} << 0 << "reader-sim 1.4.2.1" << QString();
    QTest::newRow("reader-sim unknown")
        << "reader-sim" << QStringList{"--bogus"} << 2 << QString() << "usage: reader-sim";
    QTest::newRow("reader-bench --help")
        << "reader-bench" << QStringList{"--help"} << 0 << "--iterations" << QString();
    QTest::newRow("reader-bench --version")
        << "reader-bench" << QStringList{"--version"} << 0 << "reader-bench 1.4.2.1" << QString();
    QTest::newRow("reader-bench unknown")
        << "reader-bench" << QStringList{"--bogus"} << 2 << QString() << "--exports";
    QTest::newRow("reader-bench zero iterations")
        << "reader-bench" << QStringList{"--iterations", "0"} << 2 << QString() << "at least 1";
}

void TestStartup::programCommandLines() {
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, outContains);
    QFETCH(QString, errContains);
    const ProgramRun run = runProgram(program, arguments);
    QVERIFY2(run.exitCode == exitCode, qPrintable(run.out + run.err));
    QVERIFY2(run.out.contains(outContains), qPrintable(run.out));
    QVERIFY2(run.err.contains(errContains), qPrintable(run.err));
    if (exitCode == 2) {
        QVERIFY2(run.out.isEmpty(), qPrintable(run.out));
    }
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
