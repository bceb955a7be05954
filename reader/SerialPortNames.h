// SPDX-License-Identifier: LGPL-2.1-or-later
// Where the link names of OpenReader lead on this system. The library and the window's link
// box both ask here, so "COM1" means the same device to both.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace reader {

inline constexpr int kComPortCount = 8;

// A serial device as the system reports it.
struct SerialDevice {
    std::string path;          // /dev/ttyUSB0
    std::string byId;          // its /dev/serial/by-id link; empty for built-in ports
    bool usb = false;          // a USB-serial adapter
    std::string description;   // "FT232R USB UART"
    std::string manufacturer;  // "FTDI"
    std::string serialNumber;

    bool operator==(const SerialDevice&) const = default;
};

// What one of COM1..COM8 stands for.
struct ComPort {
    std::string device;                // the path opened; empty: no device
    bool configured = false;           // named by READER_COMn
    std::optional<SerialDevice> info;  // the system's description of that device, if known
};

// The devices the system reports, in no particular order, read from sysfs (/sys/class/tty)
// with their /dev/serial/by-id names. A device counts when it has a node in /dev and is a tty
// of real hardware (a USB adapter, a UART that answered the kernel's probe: a serial port
// whose type is 0 is an empty placeholder), or a Bluetooth RFCOMM, USB gadget or tty0tty
// null-modem port. Pseudo-terminals, consoles and the reader's own CDC-ACM port are not serial
// ports here.
std::vector<SerialDevice> systemSerialDevices();
// The same from a sysfs tree under sysRoot ("/sys") and device nodes under devRoot ("/dev"):
// the reported paths start with devRoot.
std::vector<SerialDevice> serialDevicesIn(const std::string& sysRoot, const std::string& devRoot);

// COM1..COM8 from the devices found and the configured paths (READER_COMn, index n-1):
// a configured name takes its path; the others take, in order, the USB adapters sorted by
// their by-id name (so a replugged adapter keeps its name whatever ttyUSB number it gets),
// then the built-in ports by number. A device that a configured name already reaches is not
// given a second name.
std::array<ComPort, kComPortCount> comPortsFrom(
    std::vector<SerialDevice> found,
    const std::array<std::optional<std::string>, kComPortCount>& configured);

// COM1..COM8 on this system now: READER_COMn and the devices the system reports.
std::array<ComPort, kComPortCount> comPorts();

// "COM1".."COM8": the device that name stands for now, if any. Other names: nullopt.
std::optional<std::string> serialDeviceFor(const char* portName);
// 1..8 for "COM1".."COM8", 0 for anything else.
int comPortNumber(const char* portName);

// The reader's USB CDC-ACM device: READER_USB when set, else the first /dev/ttyACM*.
std::optional<std::string> usbDevice();

// Replaces the system's enumeration (tests: pseudo-terminals stand in for devices); an empty
// function restores it.
void setSerialDeviceSource(std::function<std::vector<SerialDevice>()> source);

}  // namespace reader
