// SPDX-License-Identifier: LGPL-2.1-or-later
// The baseline of startup-bench: an empty Qt widget window of a given size, nothing else.
// Usage: startup-empty-window WIDTH HEIGHT
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    QWidget window;
    window.setFixedSize(arguments.value(1, QStringLiteral("728")).toInt(),
                        arguments.value(2, QStringLiteral("498")).toInt());
    window.show();
    return QApplication::exec();
}
