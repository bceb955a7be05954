// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <QString>
#include <QStringList>

class QLocale;
class QTranslator;

// The command line of readerconfig and the interface language it leads to.
struct StartupOptions {
    enum class Action {
        Run,      // open the window
        Help,     // print text to standard output, exit 0
        Version,  // print text to standard output, exit 0
        Error,    // print text to standard error, exit 2
    };
    Action action = Action::Run;
    QString text;
    // 0 the standard pages, 1 with the product page, 2 with the positioning page.
    int windowVariant = 0;
    // "zh" or "en"; empty when the command line names none (the system locale decides).
    QString language;
    // Where the library traces the traffic: "1" or "stderr", or a file; empty for no trace
    // beyond what READER_TRACE asks for.
    QString trace;
};

// Parses the arguments, program name first, as the process got them: the toolkit's own
// options (-platform, -style, ...) are accepted and ignored. Never exits the process, and
// needs no application object, so --help and --version work without a display.
StartupOptions parseStartupOptions(const QStringList& arguments);

// The interface language for a --language value (empty: none given) and the system locale:
// "en" for English, otherwise "zh", the program's own language.
QString interfaceLanguage(const QString& option, const QLocale& system);

// Loads the compiled translation for language into translator and installs it in the
// application. Chinese needs none: it returns true without installing anything.
bool installInterfaceTranslation(const QString& language, QTranslator& translator);
