// SPDX-License-Identifier: LGPL-2.1-or-later
#include "PortDialog.h"

#include "session/ReaderLibrary.h"
#include "ui_PortDialog.h"
#include "widgets/ErrorReporting.h"

TForm2::TForm2(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::TForm2>()) {
    ui_->setupUi(this);
    setFixedSize(size());
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    connect(ui_->Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->Button2, &QPushButton::clicked, this, &QDialog::reject);
}

TForm2::~TForm2() = default;

QLineEdit* TForm2::Edit1() const {
    return ui_->Edit1;
}

void TForm2::choosePort(ReaderLibrary& library, QWidget* parent) {
    TForm2 dialog(parent);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    try {
        library.SelectPort(toInteger(dialog.Edit1()->text()));
    } catch (const ConversionError& error) {
        reportError(error.message());
    }
}
