// Placeholder until the Modbus implementation lands: every call fails.
#include "Reader.h"

extern "C" {
int16_t OpenReader(int32_t*, uint8_t, const char*) { return 1; }
int16_t CloseReader(int32_t) { return 1; }
int16_t ResetReader(int32_t) { return 1; }
int16_t SetBaudRate(int32_t, int32_t) { return 1; }
int16_t SelectStation(int32_t) { return 0; }
int16_t SelectPort(int32_t) { return 0; }
int16_t GetParameter(int32_t, int32_t, int32_t, uint8_t*) { return 1; }
int16_t SetParameter(int32_t, int32_t, int32_t, const uint8_t*) { return 1; }
int16_t GetFirmwareVersion(int32_t, uint8_t*) { return 1; }
int16_t GetSdkVersion(int32_t, uint8_t*) { return 1; }
int16_t SetOLEnable(int32_t, uint8_t) { return 1; }
}
