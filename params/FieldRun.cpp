#include "FieldRun.h"

#include "app/ErrorReporting.h"
#include "app/OperationLog.h"
#include "reader/ReaderLibrary.h"

#include <QLineEdit>

#include <cassert>

FieldRun::FieldRun(ReaderSession& session, OperationLog& log) : session_(session), log_(log) {}

bool FieldRun::write(Field field, const Bytes& bytes, const QString& failureMessage,
                     OnFailure onFailure) {
    assert(!bytes.empty() && static_cast<int>(bytes.size()) <= field.width);
    const int16_t result = session_.library().SetParameter(
        session_.handle(), field.address, static_cast<int32_t>(bytes.size()), bytes.data());
    return check(result == 0, failureMessage, onFailure);
}

bool FieldRun::read(Field field, const QString& failureMessage,
                    const std::function<void(const Bytes&)>& fill, OnFailure onFailure) {
    Bytes bytes(static_cast<std::size_t>(field.width));
    const int16_t result = session_.library().GetParameter(session_.handle(), field.address,
                                                           field.width, bytes.data());
    if (!check(result == 0, failureMessage, onFailure)) {
        return false;
    }
    fill(bytes);
    return true;
}

void FieldRun::finish(const QString& successMessage, const QString& failureMessage) {
    log_.append(succeeded_ ? successMessage : failureMessage);
}

bool FieldRun::check(bool ok, const QString& failureMessage, OnFailure onFailure) {
    if (!ok) {
        log_.append(failureMessage);
        if (onFailure == OnFailure::ClearFlag) {
            succeeded_ = false;
        }
    }
    return ok;
}

Bytes editBytes(const QLineEdit* edit, Field field) {
    // Every field behind an edit is unsigned: a (pasted) negative number would otherwise be
    // written as its two's complement.
    const int value = toInteger(edit->text());
    if (value < 0) {
        throw ConversionError(edit->text());
    }
    return bigEndian(value, field.width);
}

std::function<void(const Bytes&)> showNumberIn(QLineEdit* edit) {
    return [edit](const Bytes& bytes) { edit->setText(QString::number(fromBigEndian(bytes))); };
}
