#include "app/Main.h"
#include "reader/ReaderLibrary.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(QObject::tr("参数配置程序"));
    SharedReaderLibrary library;
    TForm1 window(library);
    window.show();
    return QApplication::exec();
}
