#include "CommPortPage.h"

#include "app/KeyFilters.h"
#include "ui_CommPortPage.h"

CommPortPage::CommPortPage(ReaderSession& session, OperationLog& log, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::CommPortPage>()), session_(session), log_(log) {
    ui_->setupUi(this);
    for (int index = 0; index < 6; ++index) {
        KeyPressFilter::install(macEdit(index), Edit9KeyPress);
    }
}

CommPortPage::~CommPortPage() = default;

QLineEdit* CommPortPage::macEdit(int index) const {
    QLineEdit* const edits[] = {ui_->Edit8,  ui_->Edit9,  ui_->Edit10,
                                ui_->Edit11, ui_->Edit12, ui_->Edit13};
    return edits[index];
}
