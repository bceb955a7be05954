// SPDX-License-Identifier: LGPL-2.1-or-later
#include "FieldRun.h"

#include "session/FailureReason.h"
#include "session/ReaderLibrary.h"
#include "widgets/OperationLog.h"
#include "widgets/Pause.h"

#include <cassert>

FieldRun::FieldRun(ReaderSession& session, OperationLog& log)
    : session_(session), guard_(session.handle()), log_(log) {}

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
    return run(
        [&] {
            return session_.library().SetParameter(session_.handle(), field.address,
                                                   static_cast<std::int32_t>(bytes.size()),
                                                   bytes.data());
        },
        failureMessage, onFailure);
}

bool FieldRun::read(Field field, const QString& failureMessage,
                    const std::function<void(const Bytes&)>& fill, OnFailure onFailure) {
    Bytes bytes(static_cast<std::size_t>(field.width));
    if (!run(
            [&] {
                return session_.library().GetParameter(session_.handle(), field.address,
                                                       field.width, bytes.data());
            },
            failureMessage, onFailure)) {
        return false;
    }
    fill(bytes);
    return true;
}

bool FieldRun::call(
    const std::function<std::int16_t(ReaderLibrary&, std::int32_t handle)>& libraryCall,
    const QString& failureMessage, OnFailure onFailure) {
    return run([&] { return libraryCall(session_.library(), session_.handle()); }, failureMessage,
               onFailure);
}

void FieldRun::fail(const QString& failureMessage, OnFailure onFailure) {
    logFailure(failureMessage, onFailure, false);
}

void FieldRun::pause(int milliseconds) {
    pauseFor(milliseconds);
}

void FieldRun::finish(const QString& successMessage, const QString& failureMessage) {
    log_.append(succeeded_ ? successMessage : failureMessage);
}

bool FieldRun::run(const std::function<std::int16_t()>& call, const QString& failureMessage,
                   OnFailure onFailure) {
    if (guard_.run(session_.library(), call) == 0) {
        return true;
    }
    logFailure(failureMessage, onFailure, guard_.lastCallMade());
    return false;
}

void FieldRun::logFailure(const QString& failureMessage, OnFailure onFailure, bool withReason) {
    // A few steps fail silently: only the summary tells.
    if (!failureMessage.isEmpty()) {
        log_.append(failureMessage);
        if (withReason) {
            if (const QString reason = failureReason(session_.library()); !reason.isEmpty()) {
                log_.append(reason);
            }
        }
    }
    if (onFailure == OnFailure::ClearFlag) {
        succeeded_ = false;
    }
}
