// SPDX-License-Identifier: LGPL-2.1-or-later
#include "RecordingReaderLibrary.h"

#include <algorithm>

namespace {

QString hexAddress(std::int64_t address) {
    return QStringLiteral("0x%1").arg(address, 2, 16, QChar(u'0')).toUpper().replace(u'X', u'x');
}

RecordingReaderLibrary::Call makeCall(const QString& name, std::vector<std::int64_t> arguments) {
    RecordingReaderLibrary::Call call;
    call.name = name;
    call.arguments = std::move(arguments);
    QStringList parts;
    for (std::int64_t argument : call.arguments) {
        parts << QString::number(argument);
    }
    call.text = name + u'(' + parts.join(QStringLiteral(", ")) + u')';
    return call;
}

}  // namespace

QString hexBytes(const std::uint8_t* bytes, std::size_t count) {
    QStringList pairs;
    for (std::size_t i = 0; i < count; ++i) {
        pairs << QStringLiteral("%1").arg(bytes[i], 2, 16, QChar(u'0')).toUpper();
    }
    return pairs.join(u' ');
}

void RecordingReaderLibrary::clearFailures() {
    failingAddresses_.clear();
    failingOperations_.clear();
    failingIndices_.clear();
}

QStringList RecordingReaderLibrary::callTexts() const {
    QStringList texts;
    for (const Call& call : calls_) {
        texts << call.text;
    }
    return texts;
}

QStringList RecordingReaderLibrary::callTexts(const QString& name) const {
    QStringList texts;
    for (const Call& call : calls_) {
        if (call.name == name) {
            texts << call.text;
        }
    }
    return texts;
}

ReaderError RecordingReaderLibrary::errorOf(Failure kind) {
    if (kind == Failure::Exception) {
        return {READER_ERROR_EXCEPTION, "127.0.0.1:4001: exception 04 from the reader"};
    }
    return {READER_ERROR_TIMEOUT, "127.0.0.1:4001: no answer within 500 ms"};
}

int16_t RecordingReaderLibrary::record(Call call, int firstAddress, int length) {
    const int index = static_cast<int>(calls_.size());
    calls_.push_back(std::move(call));
    std::optional<Failure> failure;
    if (const auto it = failingOperations_.constFind(calls_.back().name);
        it != failingOperations_.cend()) {
        failure = *it;
    } else if (const auto at = failingIndices_.constFind(index); at != failingIndices_.cend()) {
        failure = *at;
    }
    for (int address = firstAddress; !failure && address >= 0 && address < firstAddress + length;
         ++address) {
        if (const auto it = failingAddresses_.constFind(address); it != failingAddresses_.cend()) {
            failure = *it;
        }
    }
    lastError_ = failure ? errorOf(*failure) : ReaderError{};
    if (onCall) {
        onCall(calls_.back());
    }
    return lastError_.code;
}

// A range the parameter memory does not have: refused like the real library does.
int16_t RecordingReaderLibrary::refuseRange() {
    lastError_ = {READER_ERROR_ARGUMENT, "invalid argument"};
    return lastError_.code;
}

int16_t RecordingReaderLibrary::OpenReader(int32_t* handle, uint8_t linkType, const char* address) {
    Call call = makeCall(QStringLiteral("OpenReader"), {linkType});
    if (address) {
        call.address = QString::fromUtf8(address);
    }
    call.text = QStringLiteral("OpenReader(%1, %2)")
                    .arg(linkType)
                    .arg(address ? u'"' + *call.address + u'"' : QStringLiteral("null"));
    if (const int16_t result = record(std::move(call))) {
        return result;
    }
    *handle = nextHandle;
    return 0;
}

int16_t RecordingReaderLibrary::CloseReader(int32_t handle) {
    return record(makeCall(QStringLiteral("CloseReader"), {handle}));
}

int16_t RecordingReaderLibrary::ResetReader(int32_t handle) {
    return record(makeCall(QStringLiteral("ResetReader"), {handle}));
}

int16_t RecordingReaderLibrary::SetBaudRate(int32_t handle, int32_t rateCode) {
    return record(makeCall(QStringLiteral("SetBaudRate"), {handle, rateCode}));
}

int16_t RecordingReaderLibrary::SelectStation(int32_t station) {
    return record(makeCall(QStringLiteral("SelectStation"), {station}));
}

int16_t RecordingReaderLibrary::SelectPort(int32_t port) {
    return record(makeCall(QStringLiteral("SelectPort"), {port}));
}

int16_t RecordingReaderLibrary::GetParameter(int32_t handle, int32_t address, int32_t length,
                                             uint8_t* buffer) {
    Call call = makeCall(QStringLiteral("GetParameter"), {handle, address, length});
    call.text =
        QStringLiteral("GetParameter(%1, %2, %3)").arg(handle).arg(hexAddress(address)).arg(length);
    const bool outside = address < 0 || length <= 0 || address + length > 256;
    if (const int16_t result = record(std::move(call), address, length)) {
        return result;
    }
    if (outside) {
        return refuseRange();
    }
    std::copy_n(memory.begin() + address, length, buffer);
    return 0;
}

int16_t RecordingReaderLibrary::SetParameter(int32_t handle, int32_t address, int32_t length,
                                             const uint8_t* buffer) {
    Call call = makeCall(QStringLiteral("SetParameter"), {handle, address, length});
    if (length > 0) {
        call.bytes.assign(buffer, buffer + length);
    }
    call.text = QStringLiteral("SetParameter(%1, %2, %3, %4)")
                    .arg(handle)
                    .arg(hexAddress(address))
                    .arg(length)
                    .arg(hexBytes(call.bytes.data(), call.bytes.size()));
    const bool outside = address < 0 || length <= 0 || address + length > 256;
    if (const int16_t result = record(std::move(call), address, length)) {
        return result;
    }
    if (outside) {
        return refuseRange();
    }
    std::copy_n(buffer, length, memory.begin() + address);
    return 0;
}

int16_t RecordingReaderLibrary::GetFirmwareVersion(int32_t handle, uint8_t* version) {
    if (const int16_t result = record(makeCall(QStringLiteral("GetFirmwareVersion"), {handle}))) {
        return result;
    }
    std::copy(firmwareVersion.begin(), firmwareVersion.end(), version);
    return 0;
}

int16_t RecordingReaderLibrary::GetSdkVersion(int32_t handle, uint8_t* version) {
    if (const int16_t result = record(makeCall(QStringLiteral("GetSdkVersion"), {handle}))) {
        return result;
    }
    std::copy(sdkVersion.begin(), sdkVersion.end(), version);
    return 0;
}

int16_t RecordingReaderLibrary::SetOLEnable(int32_t handle, uint8_t enable) {
    return record(makeCall(QStringLiteral("SetOLEnable"), {handle, enable}));
}

int16_t RecordingReaderLibrary::SetLineRate(int32_t handle, int32_t bitsPerSecond) {
    return record(makeCall(QStringLiteral("SetLineRate"), {handle, bitsPerSecond}));
}

int16_t RecordingReaderLibrary::BeginOperation(int32_t handle) {
    operationsBegun.push_back({handle, calls_.size()});
    return 0;
}
