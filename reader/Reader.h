// The reader access library: every reader operation of the tool goes through these eleven
// calls. C linkage and fixed-width types keep the ABI stable for other callers.
//
// Every call returns 0 on success and a non-zero value on failure. A call with a handle that
// is not open (0, unknown or closed) fails and leaves every buffer untouched.
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
/* Reads or writes length bytes (1..125) of the parameter memory at address (0x00..0xFF);
 * an access that would cross 0xFF fails without traffic. */
READER_API int16_t GetParameter(int32_t handle, int32_t address, int32_t length, uint8_t* buffer);
READER_API int16_t SetParameter(int32_t handle, int32_t address, int32_t length,
                                const uint8_t* buffer);
/* Four version numbers, most significant first. */
READER_API int16_t GetFirmwareVersion(int32_t handle, uint8_t* version);
READER_API int16_t GetSdkVersion(int32_t handle, uint8_t* version);
/* 1 enables, 0 disables the reader's offline recording. */
READER_API int16_t SetOLEnable(int32_t handle, uint8_t enable);

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

#ifdef __cplusplus
}
#endif

#endif
