// SPDX-License-Identifier: LGPL-2.1-or-later
#include "app/Main.h"
#include "app/OffThreadReaderLibrary.h"
#include "app/StartupOptions.h"
#include "reader/Reader.h"
#include "session/ReaderLibrary.h"

#include <QApplication>
#include <QLocale>
#include <QStringList>
#include <QTranslator>

#include <cstdio>

namespace {

void print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}

}  // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const StartupOptions options = parseStartupOptions(arguments);
    switch (options.action) {
        case StartupOptions::Action::Help:
        case StartupOptions::Action::Version:
            print(stdout, options.text);
            return 0;
        case StartupOptions::Action::Error:
            print(stderr, options.text);
            return 2;
        case StartupOptions::Action::Run:
            break;
    }

    if (!options.trace.isEmpty() && ReaderSetTrace(options.trace.toLocal8Bit().constData()) != 0) {
        print(stderr,
              QStringLiteral("readerconfig: --trace: cannot open '%1'\n").arg(options.trace));
        return 2;
    }

    QApplication application(argc, argv);
    QTranslator translator;
    const QString language = interfaceLanguage(options.language, QLocale::system());
    if (!installInterfaceTranslation(language, translator)) {
        print(stderr, QStringLiteral("readerconfig: no %1 translation built in; the interface "
                                     "stays Chinese\n")
                          .arg(language));
    }
    // The application title names the program (task bar, message boxes). It is not set as
    // the display name, which X11 would append to every window's caption.
    QApplication::setApplicationName(QObject::tr("参数配置程序"));
    // Every call of the library runs off the GUI thread, so the window keeps painting while a
    // slow or dead reader holds a call; the operation stays modal.
    SharedReaderLibrary sharedLibrary;
    OffThreadReaderLibrary library(sharedLibrary);
    TForm1 window(library, options.windowVariant);
    window.show();
    return QApplication::exec();
}
