// Where the link names of OpenReader lead on this system.
#pragma once

#include <optional>
#include <string>

namespace reader {

// "COM1".."COM8": the device named by READER_COMn when set, else /dev/ttyS(n-1).
std::optional<std::string> serialDeviceFor(const char* portName);

// The reader's USB CDC-ACM device: READER_USB when set, else the first /dev/ttyACM*.
std::optional<std::string> usbDevice();

}  // namespace reader
