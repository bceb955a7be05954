// SPDX-License-Identifier: LGPL-2.1-or-later
// Why a link could not be opened or an exchange failed: a result code of Reader.h and a
// short text in the system's words ("no such device", "no answer within 520 ms").
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "ModbusRequest.h"

namespace reader {

struct LinkFailure {
    int16_t code = 0;  // READER_OK or a READER_ERROR_... of Reader.h
    std::string reason;
};

// What the system's error number means for a link: "no such device", "permission denied:
// add the user to the dialout group", "busy", "connection refused", ...
LinkFailure failureFromErrno(int error);

// What a failed exchange met, for its reason.
struct ExchangeDetail {
    bool timedOut = false;          // no complete reply before the timeout
    bool silent = true;             // not a byte came back (a late reply may still come whole)
    bool lateReplyDropped = false;  // an earlier request's late reply came first, put aside
    int exceptionCode = 0;          // the reader's exception code, for Outcome::Exception
    int error = 0;                  // errno, for Outcome::Broken
};

LinkFailure failureOf(Outcome outcome, const ExchangeDetail& detail,
                      std::chrono::microseconds timeout);

}  // namespace reader
