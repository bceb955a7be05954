#include "FieldRun.h"

#include "app/OperationLog.h"
#include "app/Pause.h"
#include "reader/ReaderLibrary.h"

#include <cassert>

FieldRun::FieldRun(ReaderSession& session, OperationLog& log) : session_(session), log_(log) {}

bool FieldRun::set(const FieldBinding& binding) {
    return write(binding.field, binding.encoding.encode(binding.field.width), binding.setFailure,
                 binding.onFailure);
}

bool FieldRun::query(const FieldBinding& binding) {
    return read(
        binding.field, binding.queryFailure,
        [&binding](const Bytes& bytes) { binding.encoding.decode(bytes); }, binding.onFailure);
}

bool FieldRun::write(Field field, const Bytes& bytes, const QString& failureMessage,
                     OnFailure onFailure) {
    assert(!bytes.empty() && static_cast<int>(bytes.size()) <= field.width);
    const std::int16_t result = session_.library().SetParameter(
        session_.handle(), field.address, static_cast<std::int32_t>(bytes.size()), bytes.data());
    return check(result == 0, failureMessage, onFailure);
}

bool FieldRun::read(Field field, const QString& failureMessage,
                    const std::function<void(const Bytes&)>& fill, OnFailure onFailure) {
    Bytes bytes(static_cast<std::size_t>(field.width));
    const std::int16_t result = session_.library().GetParameter(session_.handle(), field.address,
                                                                field.width, bytes.data());
    if (!check(result == 0, failureMessage, onFailure)) {
        return false;
    }
    fill(bytes);
    return true;
}

bool FieldRun::call(
    const std::function<std::int16_t(ReaderLibrary&, std::int32_t handle)>& libraryCall,
    const QString& failureMessage, OnFailure onFailure) {
    return check(libraryCall(session_.library(), session_.handle()) == 0, failureMessage,
                 onFailure);
}

void FieldRun::pause(int milliseconds) {
    pauseFor(milliseconds);
}

void FieldRun::finish(const QString& successMessage, const QString& failureMessage) {
    log_.append(succeeded_ ? successMessage : failureMessage);
}

bool FieldRun::check(bool ok, const QString& failureMessage, OnFailure onFailure) {
    if (!ok) {
        // A few steps fail silently: only the summary tells.
        if (!failureMessage.isEmpty()) {
            log_.append(failureMessage);
        }
        if (onFailure == OnFailure::ClearFlag) {
            succeeded_ = false;
        }
    }
    return ok;
}
