#include "CommPortPage.h"

#include "app/KeyFilters.h"
#include "params/FieldEncoding.h"
#include "reader/ReaderLibrary.h"
#include "ui_CommPortPage.h"

CommPortPage::CommPortPage(ReaderSession& session, OperationLog& log, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::CommPortPage>()), session_(session), log_(log) {
    ui_->setupUi(this);
    for (int index = 0; index < 6; ++index) {
        KeyPressFilter::install(macEdit(index), Edit9KeyPress);
    }
}

CommPortPage::~CommPortPage() = default;

void CommPortPage::QueryMacAddress() {
    // Read whether or not a reader is connected; a failure changes nothing and logs nothing.
    Bytes mac(static_cast<std::size_t>(addr::MacAddress.width));
    if (session_.library().GetParameter(session_.handle(), addr::MacAddress.address,
                                        addr::MacAddress.width, mac.data()) != 0) {
        return;
    }
    encoding::hexPairs({ui_->Edit8, ui_->Edit9, ui_->Edit10, ui_->Edit11, ui_->Edit12, ui_->Edit13})
        .decode(mac);
}

QLineEdit* CommPortPage::macEdit(int index) const {
    QLineEdit* const edits[] = {ui_->Edit8,  ui_->Edit9,  ui_->Edit10,
                                ui_->Edit11, ui_->Edit12, ui_->Edit13};
    return edits[index];
}
