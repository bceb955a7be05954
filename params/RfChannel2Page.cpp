#include "RfChannel2Page.h"

#include "ui_RfChannel2Page.h"

RfChannel2Page::RfChannel2Page(ReaderSession& session, OperationLog& log, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::RfChannel2Page>()), session_(session), log_(log) {
    ui_->setupUi(this);
}

RfChannel2Page::~RfChannel2Page() = default;
