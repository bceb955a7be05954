#include "BasicFunctionPage.h"

BasicFunctionPage::BasicFunctionPage(ReaderSession& session, OperationLog& log, QWidget* parent)
    : QWidget(parent), session_(session), log_(log) {}
