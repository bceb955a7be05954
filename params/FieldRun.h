#pragma once

#include "params/MemoryMap.h"

#include <QString>

#include <functional>

class OperationLog;
class QLineEdit;
class ReaderSession;

// Runs one query or set operation of a page: one library call per step, the step's
// message in the log when its call fails, and one summary line at the end. A failed step
// never stops the operation and leaves its controls as they were.
class FieldRun {
  public:
    // Whether a failed step turns the summary into the failure line.
    enum class OnFailure { ClearFlag, KeepFlag };

    FieldRun(ReaderSession& session, OperationLog& log);

    // Writes bytes (at most field.width of them) at field.address.
    bool write(Field field, const Bytes& bytes, const QString& failureMessage,
               OnFailure onFailure = OnFailure::ClearFlag);
    // Reads field.width bytes and hands them to fill when the call succeeded.
    bool read(Field field, const QString& failureMessage,
              const std::function<void(const Bytes&)>& fill,
              OnFailure onFailure = OnFailure::ClearFlag);

    bool succeeded() const { return succeeded_; }
    // Logs the summary line.
    void finish(const QString& successMessage, const QString& failureMessage);

  private:
    bool check(bool ok, const QString& failureMessage, OnFailure onFailure);

    ReaderSession& session_;
    OperationLog& log_;
    bool succeeded_ = true;
};

// The edit's text as a decimal number in field.width bytes, high byte first (a one-byte
// field takes the low 8 bits). Throws ConversionError for a text that is not a number,
// which includes a negative one.
Bytes editBytes(const QLineEdit* edit, Field field);

// A read step's fill: the edit shows the field's unsigned number in decimal.
std::function<void(const Bytes&)> showNumberIn(QLineEdit* edit);
