/* SPDX-License-Identifier: LGPL-2.1-or-later */
// The reader access library: every reader operation of the tool goes through the eleven
// calls OpenReader .. SetOLEnable; OpenReaderAt opens a link with settings of its own for
// callers that drive several readers at once, and ReaderSetStation, ReaderSetAnswerTime and
// ReaderSetLineRate change them on an open handle for callers that probe a line. C linkage and
// fixed-width types keep the ABI stable for other callers.
//
// Every call returns 0 on success and a non-zero value on failure (one of the result codes
// below). A call with a handle that is not open (0, unknown or closed) fails and leaves every
// buffer untouched. Each call also leaves its result and a short reason, for the calling
// thread, in ReaderLastError; tracing of the traffic is switched by ReaderSetTrace.
#ifndef READER_READER_H
#define READER_READER_H

#include <stdint.h>

#if defined(_WIN32)
#define READER_API __declspec(dllexport)
#else
#define READER_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Results of every call. 0 is success; every other value is a failure of one of three kinds:
 *  - the call itself was refused before any traffic (1..15);
 *  - link-level failures (16..31): the link could not be opened, or the reader was not heard
 *    properly: no answer, a garbled reply, the connection refused, reset or gone. The reader
 *    may well be fine; the line or the connection is not (ReaderIsLinkFailure tells);
 *  - the reader answered, and refused (32..47): a Modbus exception reply or a value no
 *    reader can hold. The link is in step and the next call may succeed. */
enum ReaderResult {
    READER_OK = 0,
    READER_ERROR_NOT_OPEN = 1,     /* handle 0, unknown or closed */
    READER_ERROR_ARGUMENT = 2,     /* bad argument: no traffic */
    READER_ERROR_INTERNAL = 5,     /* the library failed (out of memory, ...) */
    READER_ERROR_NO_DEVICE = 16,   /* no such serial device, or no device for that COM name */
    READER_ERROR_PERMISSION = 17,  /* the device may not be opened by this user */
    READER_ERROR_BUSY = 18,        /* the device is in use by another program */
    READER_ERROR_REFUSED = 19,     /* the TCP connection was refused */
    READER_ERROR_UNREACHABLE = 20, /* the TCP address could not be reached, or not in time */
    READER_ERROR_TIMEOUT = 21,     /* no (complete) answer within the reply timeout */
    READER_ERROR_GARBLED = 22,   /* a reply that is no answer to the request (CRC, unit, length) */
    READER_ERROR_LINK_LOST = 23, /* connection reset or closed, device gone, I/O error */
    READER_ERROR_EXCEPTION = 32, /* the reader answered with a Modbus exception */
    READER_ERROR_BAD_VALUE = 33  /* the reader answered with a value no parameter can hold */
};

/* The parameter memory: 256 bytes in 16 blocks of 16, and the most bytes one GetParameter
 * (READER_MAX_READ) or SetParameter (READER_MAX_WRITE) moves. */
enum {
    READER_MEMORY_SIZE = 256,
    READER_BLOCK_SIZE = 16,
    READER_MAX_READ = 125,
    READER_MAX_WRITE = 123
};

/* Link types of OpenReader. */
enum { READER_LINK_SERIAL = 1, READER_LINK_TCP = 2, READER_LINK_USB = 3 };

/* Opens a link and writes its handle into *handle. address is "COM1".."COM8" for a serial
 * link, the reader's dotted IP address for TCP/IP, and may be NULL for USB. */
READER_API int16_t OpenReader(int32_t* handle, uint8_t linkType, const char* address);
READER_API int16_t CloseReader(int32_t handle);
/* Makes the reader take up the parameters written to it (the reader restarts). */
READER_API int16_t ResetReader(int32_t handle);
/* Rate codes 0..6: 2400, 4800, 9600, 19200, 38400, 57600, 115200 bps. */
READER_API int16_t SetBaudRate(int32_t handle, int32_t rateCode);
/* 1..247 address that station; any other value means the reader at the other end of a
 * point-to-point link. Applies to every later call. */
READER_API int16_t SelectStation(int32_t station);
/* TCP port for later TCP/IP opens (4001 until set). */
READER_API int16_t SelectPort(int32_t port);
/* Reads (1..READER_MAX_READ) or writes (1..READER_MAX_WRITE) length bytes of the parameter memory
 * at address (0x00..0xFF); an access that would cross 0xFF fails without traffic. */
READER_API int16_t GetParameter(int32_t handle, int32_t address, int32_t length, uint8_t* buffer);
READER_API int16_t SetParameter(int32_t handle, int32_t address, int32_t length,
                                const uint8_t* buffer);
/* Four version numbers, most significant first. */
READER_API int16_t GetFirmwareVersion(int32_t handle, uint8_t* version);
READER_API int16_t GetSdkVersion(int32_t handle, uint8_t* version);
/* 1 enables, 0 disables the reader's offline recording. */
READER_API int16_t SetOLEnable(int32_t handle, uint8_t enable);

/* The result of the calling thread's last call (READER_OK after a success) and, when text is
 * not NULL, its reason as a zero-terminated UTF-8 text of at most size - 1 bytes, naming the
 * device or address: "COM1 (/dev/ttyUSB0): permission denied: add the user to the dialout
 * group", "127.0.0.1:4001: no answer within 500 ms", "COM2 (/dev/ttyS1): exception 03 from
 * the reader". Empty after a success. */
READER_API int16_t ReaderLastError(char* text, int32_t size);
/* 1 when result is a link-level failure (16..31), 0 otherwise (success, a refused call, or
 * an answer of the reader). */
READER_API int16_t ReaderIsLinkFailure(int16_t result);
/* Traces every request and reply as timestamped hex, with the link and the time since the
 * request, one line each: target NULL or "" switches tracing off, "1" or "stderr" writes to
 * standard error, anything else is a file path that is appended to. The environment
 * variable READER_TRACE sets the same at load time. Non-zero when the file cannot be
 * opened (tracing is then off). */
READER_API int16_t ReaderSetTrace(const char* target);
/* Per-handle link settings, for callers that drive several readers at once (for example from
 * several threads). SelectPort and SelectStation are process-wide: they cannot give two
 * readers opened side by side different ports or stations. A handle opened by OpenReaderAt
 * keeps its own port and station instead, and SelectPort and SelectStation never affect it.
 *   address  TCP/IP: the dotted IP address. Serial: "COM1".."COM8" as for OpenReader, or
 *            the path of a serial device ("/dev/ttyUSB0"). USB: a device path, or NULL for
 *            the reader found as for OpenReader.
 *   port     TCP port 1..65535 of a TCP/IP link; ignored for the other links.
 *   station  1..247 addresses that station on every call through the handle; any other
 *            value means the reader at the other end of a point-to-point link. */
READER_API int16_t OpenReaderAt(int32_t* handle, uint8_t linkType, const char* address,
                                int32_t port, int32_t station);

/* Settings of one open handle, for callers that probe a line: a scan of an RS-485 bus for its
 * readers addresses one station after another at the shortest safe timeout, rate after rate.
 * None of them sends anything.
 *
 * ReaderSetStation: the station later calls through handle address, as the station of
 * OpenReaderAt: 1..247 that station, any other value the reader at the other end of a
 * point-to-point link (unit 255, which every reader on a bus answers at once: a scan never
 * uses it). The handle no longer follows SelectStation. */
READER_API int16_t ReaderSetStation(int32_t handle, int32_t station);
/* ReaderSetAnswerTime: the time, 1..5000 ms (500 by default), the reader is given to start
 * its answer once the request is on the wire. A serial link waits that long plus the
 * request's and the reply's wire time at the line rate for each answer (TCP and USB: that
 * long), and after a silent timeout or a garbled reply keeps the line quiet for up to
 * 200 ms, less with an answer time below 200 ms: as long as the answer time. */
READER_API int16_t ReaderSetAnswerTime(int32_t handle, int32_t milliseconds);
/* ReaderSetLineRate: switches the local serial port of handle to bitsPerSecond (one of the
 * rates of SetBaudRate) without asking the reader to change: to reach readers that already
 * run at that rate. Fails with READER_ERROR_ARGUMENT for another rate; on TCP and USB there
 * is no serial line to switch, and it succeeds without effect. */
READER_API int16_t ReaderSetLineRate(int32_t handle, int32_t bitsPerSecond);

/* Marks the start of an operation the user started: the next call on handle tries the link
 * even within a reconnect pause after failures (a reader that came back is reached at once;
 * one still dead fails as before, in about a second). A TCP link that failed twice or more
 * in a row otherwise refuses calls without traffic for a growing pause of up to 5 s
 * (READER_ERROR_UNREACHABLE, "next connection in N ms"); serial and USB links have no such
 * pause. Sends nothing. */
READER_API int16_t ReaderBeginOperation(int32_t handle);

/* One event of the traffic, as ReaderSetTraceCallback hands it over. The pointers are valid
 * during the callback only. */
typedef struct ReaderTraceEvent {
    /* microseconds since the Unix epoch */
    int64_t time_us;
    /* the link's label, as in ReaderLastError: "127.0.0.1:4001", "COM1 (/dev/ttyUSB0)" */
    const char* link;
    /* READER_TRACE_REQUEST, READER_TRACE_REPLY or READER_TRACE_NOTE */
    uint8_t direction;
    /* the frame as on the wire (TCP: with its MBAP header; RTU: with its CRC); NULL for notes */
    const uint8_t* bytes;
    int32_t length;
    /* replies and notes: time since the request */
    int32_t elapsed_us;
    /* notes: "no answer", "garbled reply", ...; NULL otherwise */
    const char* note;
} ReaderTraceEvent;
enum { READER_TRACE_REQUEST = 1, READER_TRACE_REPLY = 2, READER_TRACE_NOTE = 3 };
typedef void (*ReaderTraceCallback)(void* context, const ReaderTraceEvent* event);
/* Calls callback for every request, reply and note, on the thread making the call; NULL
 * switches it off. Costs nothing while off. Independent of ReaderSetTrace. */
READER_API int16_t ReaderSetTraceCallback(ReaderTraceCallback callback, void* context);

#ifdef __cplusplus
}
#endif

#endif
