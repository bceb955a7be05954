// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

// The runs of neighbouring fields that the window's operations move in one call, built from
// the model's fields (a single field moves by its own range: model::Parameter converts to
// it).

#include "model/MemoryMap.h"
#include "model/Parameters.h"

namespace addr {

// The TCP/IP settings, always moved whole: work mode to target port.
inline constexpr Field TcpIpRecord{model::tcpWorkMode.address,
                                   model::targetPort.end() - model::tcpWorkMode.address};
// Both tag value bounds in one call; both attenuations in one call.
inline constexpr Field RangeBounds{model::tagRangeLower.address,
                                   model::tagRangeUpper.end() - model::tagRangeLower.address};
inline constexpr Field Attenuations{model::attenuation1.address,
                                    model::attenuation2.end() - model::attenuation1.address};

// One byte per RF module, four modules (one channel) a call.
constexpr Field moduleRun(const model::Parameter& first) {
    return {first.address, 4};
}
inline constexpr Field TagTypes1to4 = moduleRun(model::rfModules[0].tagType);
inline constexpr Field TagTypes5to8 = moduleRun(model::rfModules[4].tagType);
inline constexpr Field PowerRate1to4 = moduleRun(model::rfModules[0].powerRate);
inline constexpr Field PowerRate5to8 = moduleRun(model::rfModules[4].powerRate);
inline constexpr Field Frequency1to4 = moduleRun(model::rfModules[0].frequency);
inline constexpr Field Frequency5to8 = moduleRun(model::rfModules[4].frequency);

static_assert(TcpIpRecord == Field{0xA9, 29});
static_assert(TcpIpRecord.contains(model::macAddress.range()));
static_assert(model::rfModules[3].frequency.address + 1 == Frequency5to8.address);
static_assert(model::frameEndCode.end() == kParameterMemorySize);

}  // namespace addr

// Bits of the ID match control byte, as the model names them.
namespace idmatch {
inline constexpr int MatchBit = model::flags::kIdMatchControl[0].bit;
inline constexpr int MismatchBit = model::flags::kIdMatchControl[1].bit;
inline constexpr int ContinuousAlarmBit = model::flags::kIdMatchControl[2].bit;
inline constexpr int SingleAlarmBit = model::flags::kIdMatchControl[3].bit;
inline constexpr int Relay1Bit = model::flags::kIdMatchControl[4].bit;
inline constexpr int Relay2Bit = model::flags::kIdMatchControl[5].bit;
}  // namespace idmatch
