// SPDX-License-Identifier: LGPL-2.1-or-later
#include "SimWindow.h"

#include "app/ConnectionGroup.h"

#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>

namespace {
constexpr int kTcpLink = 0;
}

SimWindow::SimWindow(ReaderLibrary& library, quint16 port, int windowVariant)
    : offThread_(library), form(offThread_, windowVariant) {
    library.SelectStation(-1);
    library.SelectPort(port);
    form.show();
    form.connectionGroup()->Edit71()->setText(QStringLiteral("127.0.0.1"));
    connectLink(kTcpLink);
}

SimWindow::SimWindow(ReaderLibrary& library, const QString& serialLink, int windowVariant)
    : offThread_(library), form(offThread_, windowVariant) {
    library.SelectStation(-1);
    form.show();
    connectLink(form.connectionGroup()->ComboBox1()->findText(serialLink));
}

void SimWindow::connectLink(int linkIndex) {
    ConnectionGroup& group = *form.connectionGroup();
    group.ComboBox1()->setCurrentIndex(linkIndex);
    emit group.ComboBox1()->activated(linkIndex);
    group.Button1()->click();
    form.Memo1()->clear();
}

SimWindow::~SimWindow() {
    if (form.connectionGroup()->Button2()->isEnabled()) {
        form.connectionGroup()->Button2()->click();
    }
}

bool SimWindow::connected() const {
    return form.BitBtn3()->isEnabled();
}

void SimWindow::showPage(int page, int subPage) {
    form.PageControl1()->setCurrentIndex(page);
    if (QTabWidget* subPages = page == 1   ? form.PageControl3()
                               : page == 3 ? form.PageControl2()
                               : page == 4 ? form.PageControl4()
                                           : nullptr) {
        subPages->setCurrentIndex(subPage);
    }
    form.Memo1()->clear();
}
