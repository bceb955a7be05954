#pragma once

#include <QWidget>

class OperationLog;
class ReaderSession;

// The sub-page "基本功能": trigger, relay, buzzer, user code, tag refresh and ID match
// settings.
class BasicFunctionPage : public QWidget {
    Q_OBJECT
public:
    BasicFunctionPage(ReaderSession& session, OperationLog& log, QWidget* parent = nullptr);

private:
    ReaderSession& session_;
    OperationLog& log_;
};
