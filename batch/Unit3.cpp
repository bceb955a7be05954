#include "Unit3.h"

TForm3::TForm3(ReaderLibrary& library, QWidget* parent) : QDialog(parent), library_(library) {
    setWindowTitle(tr("批量配置参数"));
}

void TForm3::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TForm3::FormShow() { readerHandle_ = tag_; }
