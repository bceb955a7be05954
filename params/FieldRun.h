// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include "model/Addresses.h"
#include "params/FieldEncoding.h"
#include "session/DeadLinkGuard.h"

#include <QString>

#include <cstdint>
#include <functional>

class OperationLog;
class ReaderLibrary;
class ReaderSession;

// Whether a failed step turns an operation's summary into the failure line.
enum class OnFailure { ClearFlag, KeepFlag };

// One field of a page: where it lies, how its controls encode it, and what the log says
// when its set or query fails (an empty message logs nothing: only the summary tells). Both
// directions of an operation derive from it.
struct FieldBinding {
    Field field;
    FieldEncoding encoding;
    QString setFailure;
    QString queryFailure;
    OnFailure onFailure = OnFailure::ClearFlag;
};

// Runs one query or set operation of a page: one library call per step, the step's message
// in the log when its call fails (followed by a line with the library's reason), and one
// summary line at the end. A failed step never stops the operation and leaves its controls
// as they were. A text that is not a number stops it with ConversionError at the step that
// converts it. After two link-level failures in a row the remaining steps fail without
// traffic, each still with its message, so a dead reader does not cost a timeout per field.
class FieldRun {
  public:
    FieldRun(ReaderSession& session, OperationLog& log);

    // The binding's controls converted and written.
    bool set(const FieldBinding& binding);
    // The binding's field read and shown in its controls.
    bool query(const FieldBinding& binding);

    // Irregular steps: bytes (at most field.width of them) written at field.address ...
    bool write(Field field, const Bytes& bytes, const QString& failureMessage,
               OnFailure onFailure = OnFailure::ClearFlag);
    // ... field.width bytes read and handed to fill when the call succeeded ...
    bool read(Field field, const QString& failureMessage,
              const std::function<void(const Bytes&)>& fill,
              OnFailure onFailure = OnFailure::ClearFlag);
    // ... or another call of the library, with the session's handle.
    bool call(const std::function<std::int16_t(ReaderLibrary&, std::int32_t handle)>& libraryCall,
              const QString& failureMessage, OnFailure onFailure = OnFailure::ClearFlag);
    // ... or a step that cannot be carried out: its message, as if its call had failed.
    void fail(const QString& failureMessage, OnFailure onFailure = OnFailure::ClearFlag);
    // A blocking pause between two steps.
    void pause(int milliseconds);

    bool succeeded() const { return succeeded_; }
    // Logs the summary line.
    void finish(const QString& successMessage, const QString& failureMessage);

  private:
    // Runs one library call through the dead-link guard and logs its failure.
    bool run(const std::function<std::int16_t()>& call, const QString& failureMessage,
             OnFailure onFailure);
    // The message (and the library's reason for a call that was made); the flag rule.
    void logFailure(const QString& failureMessage, OnFailure onFailure, bool withReason);

    ReaderSession& session_;
    DeadLinkGuard guard_;
    OperationLog& log_;
    bool succeeded_ = true;
};
