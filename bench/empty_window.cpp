// SPDX-License-Identifier: LGPL-2.1-or-later
// The baselines of startup-bench: an empty Qt widget window of a given size, nothing else; or,
// with --chinese, the same window with the least a Chinese widget window shows: a tab widget
// with the main window's six captions, a group box with a list and one line of text. The
// second is what any window drawing Chinese text pays for fonts and widgets before its own
// work begins.
// Usage: startup-empty-window WIDTH HEIGHT [--chinese]
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    QWidget window;
    window.setFixedSize(arguments.value(1, QStringLiteral("728")).toInt(),
                        arguments.value(2, QStringLiteral("498")).toInt());
    if (arguments.value(3) == QStringLiteral("--chinese")) {
        auto* tabs = new QTabWidget(&window);
        tabs->setGeometry(184, 16, 532, 308);
        for (const char* caption :
             {"产品参数", "读写器参数", "通信口参数", "数据格式", "射频参数", "Kelvarn"}) {
            tabs->addTab(new QWidget, QString::fromUtf8(caption));
        }
        auto* group = new QGroupBox(QStringLiteral("通信设置"), &window);
        group->setGeometry(14, 124, 164, 155);
        auto* links = new QComboBox(group);
        links->addItem(QStringLiteral("COM1"));
        links->move(10, 24);
        auto* line = new QLabel(QStringLiteral("程序正常运行 !"), &window);
        line->setGeometry(14, 328, 701, 20);
    }
    window.show();
    return QApplication::exec();
}
