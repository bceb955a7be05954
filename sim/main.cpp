// SPDX-License-Identifier: LGPL-2.1-or-later
// reader-sim: the virtual reader, or a bus of them. One thread, one poll loop over the TCP
// server and the RTU link; see docs/protocol.md for the Modbus contract and the memory file.

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "FactoryImage.h"
#include "ModbusHandler.h"
#include "Options.h"
#include "ParameterStore.h"
#include "RtuLink.h"
#include "TcpServer.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void onStopSignal(int) {
    stopRequested = 1;
}

// SIGTERM and SIGINT stay blocked except inside ppoll, so a stop request can never slip in
// between the check of the flag and the wait.
sigset_t installStopHandlers() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    sigaddset(&blocked, SIGINT);
    sigset_t previous;
    sigprocmask(SIG_BLOCK, &blocked, &previous);
    sigdelset(&previous, SIGTERM);
    sigdelset(&previous, SIGINT);
    return previous;
}

timespec timeout(const sim::PollSet& poll, sim::Clock::time_point now) {
    if (!poll.deadline()) {
        return {1, 0};
    }
    const auto wait = std::max(*poll.deadline() - now, sim::Clock::duration::zero());
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
    return {static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

// The readers the process plays: one, or every station of a bus.
struct Reader {
    std::unique_ptr<sim::ParameterStore> store;
    std::unique_ptr<sim::ModbusHandler> handler;
};

std::vector<Reader> makeReaders(const sim::Options& options) {
    std::vector<Reader> readers;
    if (options.bus.empty()) {
        Reader reader;
        reader.store = std::make_unique<sim::ParameterStore>(
            options.memoryFile ? sim::ParameterStore::open(*options.memoryFile)
                               : sim::ParameterStore(sim::factoryImage()));
        reader.handler = std::make_unique<sim::ModbusHandler>(*reader.store, options.handler);
        readers.push_back(std::move(reader));
        return readers;
    }
    for (const sim::BusStation& station : options.bus) {
        Reader reader;
        // A new station gets a serial number of its own, so a scan tells the stations apart.
        reader.store = std::make_unique<sim::ParameterStore>(
            sim::ParameterStore::open(station.memoryFile, sim::factoryImage(station.station)));
        sim::ModbusHandler::Config config = options.handler;
        config.station = station.station;
        config.rateCode = station.rateCode;
        reader.handler = std::make_unique<sim::ModbusHandler>(*reader.store, config);
        readers.push_back(std::move(reader));
    }
    return readers;
}

std::string stationList(const sim::Options& options) {
    if (options.bus.empty()) {
        return "station " + std::to_string(options.handler.station);
    }
    std::string list = "stations ";
    for (const sim::BusStation& station : options.bus) {
        list += (&station == &options.bus.front() ? "" : ", ") + std::to_string(station.station);
        if (station.rateCode != sim::reg::kDefaultRateCode) {
            list += "@" + std::to_string(sim::baudRate(station.rateCode));
        }
    }
    return list;
}

int run(const sim::Options& options) {
    std::vector<Reader> readers = makeReaders(options);

    std::unique_ptr<sim::TcpServer> tcp;
    std::unique_ptr<sim::RtuLink> rtu;
    if (options.tcpAddress) {
        tcp = std::make_unique<sim::TcpServer>(*options.tcpAddress, options.tcpPort);
        tcp->setReplyDelay(options.replyDelay);
    }
    if (options.serialDevice) {
        rtu = sim::RtuLink::openDevice(*options.serialDevice, options.lineRate);
    } else if (options.ptyLink) {
        rtu = sim::RtuLink::createPty(*options.ptyLink, options.lineRate);
    }
    if (rtu) {
        rtu->setReplyDelay(options.replyDelay);
        if (options.bus.empty()) {
            rtu->serve(*readers.front().handler);
        }
        for (std::size_t i = 0; i < options.bus.size(); ++i) {
            rtu->addBusStation(*readers[i].handler, options.bus[i].rateCode);
        }
    }
    const sigset_t waitMask = installStopHandlers();

    std::string where;
    if (tcp) {
        where += "tcp " + tcp->address() + ":" + std::to_string(tcp->port());
    }
    if (rtu) {
        where += std::string(where.empty() ? "" : ", ") + "rtu " + rtu->describe();
    }
    std::cout << "reader-sim: listening on " << where << ", " << stationList(options) << std::endl;

    while (!stopRequested) {
        sim::PollSet poll;
        auto now = sim::Clock::now();
        if (tcp) {
            tcp->prepare(poll);
        }
        if (rtu) {
            rtu->prepare(poll, now);
        }
        const timespec wait = timeout(poll, now);
        const int ready = ::ppoll(poll.fds().data(), poll.fds().size(), &wait, &waitMask);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::cerr << "reader-sim: poll: " << std::strerror(errno) << '\n';
            return 1;
        }
        now = sim::Clock::now();
        if (tcp) {
            tcp->dispatch(poll, *readers.front().handler);
        }
        if (rtu && !rtu->dispatch(poll, now)) {
            std::cerr << "reader-sim: " << rtu->error() << '\n';
            return 1;
        }
        for (Reader& reader : readers) {
            const sim::PendingEffects effects = reader.handler->takeEffects();
            if (effects.reset && tcp) {
                tcp->dropAllClients();
            }
            if (effects.rateCode && rtu) {
                rtu->switchRate(*reader.handler, *effects.rateCode);
            }
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    sim::Options options;
    try {
        options = sim::parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::invalid_argument& e) {
        std::cerr << "reader-sim: " << e.what() << '\n' << sim::usage();
        return 2;
    }
    if (options.help) {
        std::cout << sim::usage();
        return 0;
    }
    if (options.version) {
        std::cout << sim::version();
        return 0;
    }
    // A line at --line-rate hands over a byte every 87 us at 115200 bps: the default 50 us of
    // timer slack on each wake-up would stretch the simulated frames and silences.
    if (options.lineRate) {
        ::prctl(PR_SET_TIMERSLACK, 1UL);
    }
    try {
        return run(options);
    } catch (const std::exception& e) {
        std::cerr << "reader-sim: " << e.what() << '\n';
        return 1;
    }
}
