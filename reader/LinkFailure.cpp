// SPDX-License-Identifier: LGPL-2.1-or-later
#include "LinkFailure.h"

#include "Reader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace reader {

LinkFailure failureFromErrno(int error) {
    switch (error) {
        case 0:
            return {READER_ERROR_LINK_LOST, "link failed"};
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR:
            return {READER_ERROR_NO_DEVICE, "no such device"};
        case EACCES:
        case EPERM:
            return {READER_ERROR_PERMISSION,
                    "permission denied: add the user to the dialout group"};
        case EBUSY:
        case EWOULDBLOCK:
            return {READER_ERROR_BUSY, "busy: the device is in use by another program"};
        case ECONNREFUSED:
            return {READER_ERROR_REFUSED, "connection refused"};
        case ETIMEDOUT:
            return {READER_ERROR_UNREACHABLE, "no connection in time"};
        case EHOSTUNREACH:
        case ENETUNREACH:
        case EHOSTDOWN:
        case ENETDOWN:
        case EADDRNOTAVAIL:
            return {READER_ERROR_UNREACHABLE, "unreachable"};
        case ECONNRESET:
        case ECONNABORTED:
        case EPIPE:
        case ENOTCONN:
            return {READER_ERROR_LINK_LOST, "connection reset"};
        case EIO:
        case EBADF:
            return {READER_ERROR_LINK_LOST, "device gone (I/O error)"};
        default:
            return {READER_ERROR_LINK_LOST, std::strerror(error)};
    }
}

LinkFailure failureOf(Outcome outcome, const ExchangeDetail& detail,
                      std::chrono::microseconds timeout) {
    switch (outcome) {
        case Outcome::Ok:
            return {};
        case Outcome::Exception: {
            char text[48];
            std::snprintf(text, sizeof text, "exception %02X from the reader",
                          static_cast<unsigned>(detail.exceptionCode & 0xFF));
            return {READER_ERROR_EXCEPTION, text};
        }
        case Outcome::Garbled:
            if (detail.timedOut) {
                const auto ms = std::chrono::round<std::chrono::milliseconds>(timeout).count();
                return {READER_ERROR_TIMEOUT, "no answer within " + std::to_string(ms) + " ms"};
            }
            return {READER_ERROR_GARBLED, "garbled reply"};
        case Outcome::Broken:
            return failureFromErrno(detail.error);
    }
    return {READER_ERROR_INTERNAL, "internal error"};
}

}  // namespace reader
