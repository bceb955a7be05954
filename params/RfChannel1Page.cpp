#include "RfChannel1Page.h"

#include "ui_RfChannel1Page.h"

RfChannel1Page::RfChannel1Page(ReaderSession& session, OperationLog& log, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::RfChannel1Page>()), session_(session), log_(log) {
    ui_->setupUi(this);
}

RfChannel1Page::~RfChannel1Page() = default;
