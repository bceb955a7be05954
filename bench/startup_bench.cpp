// SPDX-License-Identifier: LGPL-2.1-or-later
// Start-up of readerconfig next to an empty Qt widget window of the same size and to the least
// window with Chinese text (startup-empty-window --chinese), on a private Xvfb display. Each run
// starts the program and watches the display from outside:
//  - mapped: from the start of the process until its window is mapped;
//  - painted: until the window's pixels first differ from what the display showed there
//    when it was mapped (the first frame on screen);
//  - peak RSS: the process's maximum resident set (wait4), after it has run on for --settle
//    ms past the first frame, so work deferred until after the first paint counts too.
// The three programs run in turn, each round starting with another, so all meet the same
// machine state; the first round is a warm-up (font and library caches) and is not counted.
// Medians and readerconfig's ratios to both baselines are printed.
// Usage: startup-bench [--runs N] [--settle MS] [--language zh|en] [--window-variant V]
// (READERCONFIG=PATH chooses another program to measure; the empty window program lies
// beside this one.)
#include <xcb/xcb.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Samples.h"

namespace {

constexpr int kWidth = 728;  // the main window's fixed client size
constexpr int kHeight = 498;

struct Run {
    double mappedMs = 0;
    double paintedMs = 0;
    double peakMiB = 0;
};

pid_t xvfbProcess = 0;

[[noreturn]] void fail(const char* what) {
    if (xvfbProcess > 0) {
        kill(xvfbProcess, SIGTERM);
    }
    std::fprintf(stderr, "startup-bench: %s\n", what);
    std::exit(1);
}

std::string folderOfThisProgram() {
    char path[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        fail("cannot find its own path");
    }
    std::string text(path, static_cast<std::size_t>(length));
    return text.substr(0, text.rfind('/'));
}

// Starts Xvfb on a free display; returns its process and the display name.
std::pair<pid_t, std::string> startXvfb() {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        fail("pipe");
    }
    const pid_t pid = fork();
    if (pid == 0) {
        close(pipeFds[0]);
        const std::string fd = std::to_string(pipeFds[1]);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
               "-nolisten", "tcp", "-br", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    char number[32] = {};
    std::size_t got = 0;
    while (got < sizeof number - 1) {
        const ssize_t n = read(pipeFds[0], number + got, sizeof number - 1 - got);
        if (n <= 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
        if (std::strchr(number, '\n')) {
            break;
        }
    }
    close(pipeFds[0]);
    if (got == 0) {
        fail("Xvfb did not start (is it installed?)");
    }
    return {pid, ":" + std::string(number, std::strcspn(number, "\n"))};
}

// One row of the window across its middle, as the display shows it now.
std::vector<uint8_t> middleRow(xcb_connection_t* x, xcb_window_t window) {
    const xcb_get_image_cookie_t cookie =
        xcb_get_image(x, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, kHeight / 2, kWidth, 1, ~0u);
    xcb_get_image_reply_t* reply = xcb_get_image_reply(x, cookie, nullptr);
    std::vector<uint8_t> row;
    if (reply) {
        const uint8_t* data = xcb_get_image_data(reply);
        row.assign(data, data + xcb_get_image_data_length(reply));
        std::free(reply);
    }
    return row;
}

// Waits for the next top-level window to be mapped; its id, or nothing after the deadline.
std::optional<xcb_window_t> waitForMap(xcb_connection_t* x, Clock::time_point deadline) {
    const int fd = xcb_get_file_descriptor(x);
    while (Clock::now() < deadline) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(x)) {
            const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
            const xcb_window_t window = reinterpret_cast<xcb_map_notify_event_t*>(event)->window;
            std::free(event);
            if (mapped) {
                return window;
            }
        }
        if (xcb_connection_has_error(x)) {
            fail("lost the display");
        }
        pollfd p{fd, POLLIN, 0};
        poll(&p, 1, 5);
    }
    return std::nullopt;
}

Run runOnce(xcb_connection_t* x, const std::string& display, const std::vector<std::string>& argv,
            int settleMs) {
    Run run;
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("DISPLAY", display.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDERR_FILENO);
        std::vector<char*> args;
        for (const std::string& arg : argv) {
            args.push_back(const_cast<char*>(arg.c_str()));
        }
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    const auto window = waitForMap(x, start + std::chrono::seconds(20));
    if (!window) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        fail(("no window mapped by " + argv[0]).c_str());
    }
    run.mappedMs = milliseconds(Clock::now() - start);
    const std::vector<uint8_t> before = middleRow(x, *window);
    for (;;) {
        const auto now = Clock::now();
        if (middleRow(x, *window) != before) {
            run.paintedMs = milliseconds(now - start);
            break;
        }
        if (now - start > std::chrono::seconds(20)) {
            fail(("the window was never painted by " + argv[0]).c_str());
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
    kill(pid, SIGTERM);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.peakMiB = double(usage.ru_maxrss) / 1024.0;
    // Drop the events of the closed window.
    while (xcb_generic_event_t* event = xcb_poll_for_event(x)) {
        std::free(event);
    }
    return run;
}

}  // namespace

int main(int argc, char* argv[]) {
    int runs = 15;
    int settleMs = 1000;
    std::vector<std::string> options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--settle" && i + 1 < argc) {
            settleMs = std::max(0, std::atoi(argv[++i]));
        } else if ((arg == "--language" || arg == "--window-variant") && i + 1 < argc) {
            options.push_back(arg);
            options.push_back(argv[++i]);
        } else {
            std::fprintf(stderr,
                         "usage: startup-bench [--runs N] [--settle MS] [--language zh|en] "
                         "[--window-variant V]\n");
            return 2;
        }
    }
    const std::string folder = folderOfThisProgram();
    const char* program = std::getenv("READERCONFIG");
    std::vector<std::string> window{program ? program : folder + "/readerconfig"};
    window.insert(window.end(), options.begin(), options.end());
    const std::string baseline = folder + "/startup-empty-window";
    const std::vector<std::string> empty{baseline, std::to_string(kWidth), std::to_string(kHeight)};
    std::vector<std::string> chinese = empty;
    chinese.push_back("--chinese");
    constexpr int kPrograms = 3;
    const std::vector<std::string>* programs[kPrograms] = {&empty, &chinese, &window};

    const auto [xvfb, display] = startXvfb();
    xvfbProcess = xvfb;
    xcb_connection_t* x = nullptr;
    for (int attempt = 0; attempt < 100; ++attempt) {
        x = xcb_connect(display.c_str(), nullptr);
        if (!xcb_connection_has_error(x)) {
            break;
        }
        xcb_disconnect(x);
        x = nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!x) {
        fail("cannot connect to Xvfb");
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);

    Samples mapped[kPrograms], painted[kPrograms], peak[kPrograms];
    for (const auto* warmUp : programs) {
        runOnce(x, display, *warmUp, 0);  // not counted
    }
    for (int i = 0; i < runs; ++i) {
        for (int k = 0; k < kPrograms; ++k) {
            const int which = (i + k) % kPrograms;
            const Run run = runOnce(x, display, *programs[which], settleMs);
            mapped[which].add(run.mappedMs);
            painted[which].add(run.paintedMs);
            peak[which].add(run.peakMiB);
        }
    }
    xcb_disconnect(x);
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);

    std::printf("startup-bench: %d runs each, in turn, on Xvfb %s, %dx%d, settle %d ms\n", runs,
                display.c_str(), kWidth, kHeight, settleMs);
    std::printf("%-20s %10s %10s %12s %9s %9s\n", "median", "empty", "Chinese", "readerconfig",
                "/empty", "/Chinese");
    const auto row = [](const char* name, Samples* samples, const char* unit) {
        const double bare = samples[0].p50();
        const double least = samples[1].p50();
        const double measured = samples[2].p50();
        std::printf("%-20s %7.1f %-2s %7.1f %-2s %9.1f %-2s %8.2fx %8.2fx\n", name, bare, unit,
                    least, unit, measured, unit, measured / bare, measured / least);
    };
    row("window mapped", mapped, "ms");
    row("first frame painted", painted, "ms");
    row("peak RSS", peak, "Mi");
    return 0;
}
