// SPDX-License-Identifier: LGPL-2.1-or-later
#include "ReaderLibrary.h"

#include "reader/Reader.h"

#include <array>

ReaderError SharedReaderLibrary::lastError() const {
    std::array<char, 512> text{};
    ReaderError error;
    error.code = ReaderLastError(text.data(), static_cast<int32_t>(text.size()));
    error.text = text.data();
    return error;
}

int16_t SharedReaderLibrary::OpenReader(int32_t* handle, uint8_t linkType, const char* address) {
    return ::OpenReader(handle, linkType, address);
}
int16_t SharedReaderLibrary::CloseReader(int32_t handle) {
    return ::CloseReader(handle);
}
int16_t SharedReaderLibrary::ResetReader(int32_t handle) {
    return ::ResetReader(handle);
}
int16_t SharedReaderLibrary::SetBaudRate(int32_t handle, int32_t rateCode) {
    return ::SetBaudRate(handle, rateCode);
}
int16_t SharedReaderLibrary::SelectStation(int32_t station) {
    return ::SelectStation(station);
}
int16_t SharedReaderLibrary::SelectPort(int32_t port) {
    return ::SelectPort(port);
}
int16_t SharedReaderLibrary::GetParameter(int32_t handle, int32_t address, int32_t length,
                                          uint8_t* buffer) {
    return ::GetParameter(handle, address, length, buffer);
}
int16_t SharedReaderLibrary::SetParameter(int32_t handle, int32_t address, int32_t length,
                                          const uint8_t* buffer) {
    return ::SetParameter(handle, address, length, buffer);
}
int16_t SharedReaderLibrary::GetFirmwareVersion(int32_t handle, uint8_t* version) {
    return ::GetFirmwareVersion(handle, version);
}
int16_t SharedReaderLibrary::GetSdkVersion(int32_t handle, uint8_t* version) {
    return ::GetSdkVersion(handle, version);
}
int16_t SharedReaderLibrary::SetOLEnable(int32_t handle, uint8_t enable) {
    return ::SetOLEnable(handle, enable);
}
int16_t SharedReaderLibrary::BeginOperation(int32_t handle) {
    return ::ReaderBeginOperation(handle);
}
int16_t SharedReaderLibrary::SetLineRate(int32_t handle, int32_t bitsPerSecond) {
    return ::ReaderSetLineRate(handle, bitsPerSecond);
}
