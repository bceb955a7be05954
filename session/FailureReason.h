// SPDX-License-Identifier: LGPL-2.1-or-later
// The reason of a failed library call as the operation log shows it, on its own line after
// the failure's message.
#pragma once

#include <QString>

class ReaderLibrary;

// "原因: COM1 (/dev/ttyS0): no such device" for the calling thread's last failed call of
// library; empty when that call succeeded or left no reason.
QString failureReason(const ReaderLibrary& library);
