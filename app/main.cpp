#include "app/Main.h"
#include "reader/ReaderLibrary.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // The application title names the program (task bar, message boxes). It is not set as
    // the display name, which X11 would append to every window's caption.
    QApplication::setApplicationName(QObject::tr("参数配置程序"));
    SharedReaderLibrary library;
    TForm1 window(library);
    window.show();
    return QApplication::exec();
}
