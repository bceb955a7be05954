// SPDX-License-Identifier: LGPL-2.1-or-later
#include "app/StartupOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

namespace {

// Accepts "en", "zh" and locale names of those languages ("en_GB", "zh_CN").
QString languageCode(const QString& name) {
    const QLocale locale(name);
    if (locale.language() == QLocale::English) {
        return QStringLiteral("en");
    }
    if (locale.language() == QLocale::Chinese) {
        return QStringLiteral("zh");
    }
    return {};
}

}  // namespace

StartupOptions parseStartupOptions(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Configures RFID readers over a serial port, TCP/IP or USB."));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays help on commandline options."));
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Displays version information."));
    const QCommandLineOption windowVariant(
        QStringLiteral("window-variant"),
        QStringLiteral("Pages to show: 0 the standard pages (default), 1 with the product page, "
                       "2 with the positioning page instead of the communication-port page."),
        QStringLiteral("0|1|2"), QStringLiteral("0"));
    const QCommandLineOption language(
        QStringLiteral("language"),
        QStringLiteral("Interface language: zh (Chinese) or en (English). Without it, English "
                       "for an English system locale, otherwise Chinese."),
        QStringLiteral("zh|en"));
    const QCommandLineOption trace(
        QStringLiteral("trace"),
        QStringLiteral("Trace every request and reply to a reader as timestamped hex: to "
                       "standard error for 1 or stderr, else appended to the file named."),
        QStringLiteral("1|stderr|FILE"));
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(windowVariant);
    parser.addOption(language);
    parser.addOption(trace);
    // The toolkit's own options (-platform offscreen, -style fusion, ...) are the
    // application object's business; they are accepted here and left to it.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const char* name :
         {"platform", "platformpluginpath", "platformtheme", "plugin", "qmljsdebugger",
          "qwindowgeometry", "qwindowicon", "qwindowtitle", "session", "display", "name", "title",
          "geometry", "style", "stylesheet"}) {
        QCommandLineOption toolkit(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        toolkit.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(toolkit);
    }
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
        QCommandLineOption toolkit(QString::fromLatin1(name));
        toolkit.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(toolkit);
    }

    StartupOptions options;
    // The first line names the program as the parser sees it (the full path, or a
    // placeholder without an application object): name it as the user calls it.
    QString usage = parser.helpText();
    usage.replace(0, usage.indexOf(u'\n'), QStringLiteral("Usage: readerconfig [options]"));
    auto error = [&](const QString& message) {
        options.action = StartupOptions::Action::Error;
        options.text = QStringLiteral("readerconfig: %1\n\n%2").arg(message, usage);
        return options;
    };
    if (!parser.parse(arguments)) {
        return error(parser.errorText());
    }
    if (!parser.positionalArguments().isEmpty()) {
        return error(QStringLiteral("unexpected argument '%1'")
                         .arg(parser.positionalArguments().constFirst()));
    }
    if (parser.isSet(help)) {
        options.action = StartupOptions::Action::Help;
        options.text = usage;
        return options;
    }
    if (parser.isSet(version)) {
        options.action = StartupOptions::Action::Version;
        options.text = QStringLiteral("readerconfig %1\n").arg(QStringLiteral(READER_VERSION));
        return options;
    }
    const QString variant = parser.value(windowVariant);
    if (variant != QLatin1String("0") && variant != QLatin1String("1") &&
        variant != QLatin1String("2")) {
        return error(QStringLiteral("--window-variant: '%1' is not 0, 1 or 2").arg(variant));
    }
    options.windowVariant = variant.toInt();
    if (parser.isSet(language)) {
        options.language = languageCode(parser.value(language));
        if (options.language.isEmpty()) {
            return error(
                QStringLiteral("--language: '%1' is not zh or en").arg(parser.value(language)));
        }
    }
    options.trace = parser.value(trace);
    return options;
}

QString interfaceLanguage(const QString& option, const QLocale& system) {
    if (!option.isEmpty()) {
        return option;
    }
    return system.language() == QLocale::English ? QStringLiteral("en") : QStringLiteral("zh");
}

bool installInterfaceTranslation(const QString& language, QTranslator& translator) {
    if (language == QLatin1String("zh")) {
        return true;
    }
    if (!translator.load(QStringLiteral(":/i18n/readerconfig_%1.qm").arg(language))) {
        return false;
    }
    return QCoreApplication::installTranslator(&translator);
}
