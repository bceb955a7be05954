// One open link to a reader: a libmodbus context over TCP or RTU (serial port or USB
// CDC-ACM), with the timeouts, resynchronisation and reconnection that keep its exchanges
// in step.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "ModbusRequest.h"

typedef struct _modbus modbus_t;

namespace reader {

enum class LinkKind { Serial, Tcp, Usb };

class ModbusLink {
  public:
    // nullptr when the link cannot be opened.
    static std::unique_ptr<ModbusLink> openTcp(const std::string& address, int port);
    static std::unique_ptr<ModbusLink> openSerial(const std::string& device, LinkKind kind);

    ~ModbusLink();
    ModbusLink(const ModbusLink&) = delete;
    ModbusLink& operator=(const ModbusLink&) = delete;

    LinkKind kind() const { return kind_; }
    int32_t lineRate() const { return rate_; }

    // One request to the reader at station (1..247 that station, anything else unit 255).
    // Reads store request.count values.
    Outcome execute(int32_t station, const Request& request, uint16_t* values = nullptr);

    // Switches the local serial port to bitsPerSecond in place, so the line never drops.
    bool switchLineRate(int32_t bitsPerSecond);

    // The reader restarted: a TCP connection is gone, a serial line is back at 9600.
    void readerRestarted();

    // Serialises the calls on this link.
    std::mutex& mutex() { return mutex_; }

    // A link opened with its own station keeps it; the others follow the library-wide one.
    void keepStation(int32_t station) { ownStation_ = station; }
    int32_t stationOr(int32_t libraryStation) const { return ownStation_.value_or(libraryStation); }

  private:
    ModbusLink(modbus_t* ctx, LinkKind kind, std::string device, int32_t rate);

    bool serialLine() const { return kind_ != LinkKind::Tcp; }
    bool ensureConnected();
    void disconnect();
    void drainLateReplies();
    void afterFailure(Outcome outcome);
    std::chrono::microseconds responseTimeout(const Request& request) const;
    Outcome executeDirect(const Request& request, uint16_t* values);

    modbus_t* ctx_;
    LinkKind kind_;
    std::string device_;  // serial device; empty for TCP
    int32_t rate_;
    bool connected_ = true;
    bool resyncPending_ = false;
    std::chrono::steady_clock::time_point lastDisturbance_{};
    std::chrono::steady_clock::time_point lastExchangeEnd_{};
    std::optional<int32_t> ownStation_;
    std::mutex mutex_;
};

}  // namespace reader
