// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

// The addresses the window's operations and the batch code move: each named field's place,
// taken from its declaration in the model, and the runs of neighbouring fields that move in
// one call.

#include "model/MemoryMap.h"
#include "model/Parameters.h"

namespace addr {

// Blocks the batch dialog moves whole.
inline constexpr Field Block0 = model::identityBlock.range();
inline constexpr Field Block1{0x10, kParameterBlockSize};

// Product identification.
inline constexpr Field ProductMark = model::productSerialNumber.range();
inline constexpr Field MagicNumber = model::magicNumber.range();
inline constexpr Field PcbNumber = model::pcbIdentifier.range();
inline constexpr Field PcbVersion = model::pcbVersion.range();
inline constexpr Field PcbType = model::pcbType.range();
inline constexpr Field ProductMarker = model::productMarker.range();

// Extended functions.
inline constexpr Field EncryptionKey = model::encryptionKey.range();
inline constexpr Field EncryptionMode = model::encryptionMode.range();
inline constexpr Field OfflineSaveInterval = model::offlineSaveInterval.range();
inline constexpr Field OfflineEnable = model::offlineFunction.range();
inline constexpr Field RangeFilter = model::tagRangeFilter.range();
inline constexpr Field RangeLower = model::tagRangeLower.range();
inline constexpr Field RangeUpper = model::tagRangeUpper.range();
inline constexpr Field MountingSide = model::mountingSide.range();
inline constexpr Field TagSuppression = model::tagSuppression.range();

// Basic functions.
inline constexpr Field UserCode = model::userCode.range();
inline constexpr Field Buzzer = model::buzzer.range();
inline constexpr Field ResidualClear = model::residualClear.range();
inline constexpr Field ResidualClearWait = model::residualClearWait.range();
inline constexpr Field TriggerDelay = model::triggerDelay.range();
inline constexpr Field TriggerMode = model::triggerMode.range();
inline constexpr Field ShutdownDelay = model::shutdownDelay.range();
inline constexpr Field TagRefreshInterval = model::tagRefreshInterval.range();
inline constexpr Field IdMatchInterval = model::idMatchInterval.range();
inline constexpr Field IdMatchControl = model::idMatchControl.range();
inline constexpr Field Relay1Delay = model::relay1Delay.range();
inline constexpr Field Relay2Delay = model::relay2Delay.range();
inline constexpr Field RelayAutoClose = model::relaysCloseOnCard.range();
inline constexpr Field RelayAutoOpen = model::relaysOpenAfterDelay.range();

// Communication ports.
inline constexpr Field KeepAliveTime = model::keepAliveTime.range();
inline constexpr Field Rs485Baud = model::rs485BaudRate.range();
inline constexpr Field Rs485IdResponse = model::rs485IdResponse.range();
inline constexpr Field WiegandProtocol = model::wiegandProtocol.range();
inline constexpr Field WiegandPulseWidth = model::wiegandPulseWidth.range();
inline constexpr Field WiegandPulsePeriod = model::wiegandPulsePeriod.range();
inline constexpr Field WiegandInterval = model::wiegandInterval.range();
inline constexpr Field WiegandStartByte = model::wiegandStartByte.range();
inline constexpr Field TcpWorkMode = model::tcpWorkMode.range();
inline constexpr Field AutomaticIp = model::automaticIp.range();
inline constexpr Field TcpReserved = model::tcpReserved.range();
inline constexpr Field MacAddress = model::macAddress.range();
inline constexpr Field IpAddress = model::ipAddress.range();
inline constexpr Field SubnetMask = model::subnetMask.range();
inline constexpr Field Gateway = model::gateway.range();
inline constexpr Field TcpPort = model::tcpPort.range();
inline constexpr Field TargetIp = model::targetIpAddress.range();
inline constexpr Field TargetPort = model::targetPort.range();
inline constexpr Field ClientLocalPort = model::clientLocalPort.range();
// The TCP/IP settings, always moved whole: work mode to target port.
inline constexpr Field TcpIpRecord{TcpWorkMode.address, TargetPort.end() - TcpWorkMode.address};

// Upload and data frame.
inline constexpr Field OutputInterfaces = model::outputInterfaces.range();
inline constexpr Field OutputFormat = model::outputFormat.range();
inline constexpr Field OutputIdPart = model::outputIdPart.range();
inline constexpr Field UploadMode = model::uploadMode.range();
inline constexpr Field UploadPeriod = model::uploadPeriod.range();
inline constexpr Field FrameContent = model::frameContent.range();
inline constexpr Field FramePreamble = model::framePreamble.range();
inline constexpr Field FrameEndCode = model::frameEndCode.range();

// RF.
inline constexpr Field RssiThreshold = model::rssiThreshold.range();
inline constexpr Field Attenuation1 = model::attenuation1.range();
inline constexpr Field Attenuation2 = model::attenuation2.range();

// Runs of one byte per RF module, four modules (one channel) a call.
constexpr Field moduleRun(const model::Parameter& first) {
    return {first.address, 4};
}
inline constexpr Field TagTypes1to4 = moduleRun(model::rfModules[0].tagType);
inline constexpr Field TagTypes5to8 = moduleRun(model::rfModules[4].tagType);
inline constexpr Field PowerRate1to4 = moduleRun(model::rfModules[0].powerRate);
inline constexpr Field PowerRate5to8 = moduleRun(model::rfModules[4].powerRate);
inline constexpr Field Frequency1to4 = moduleRun(model::rfModules[0].frequency);
inline constexpr Field Frequency5to8 = moduleRun(model::rfModules[4].frequency);
// Both attenuations in one call; both tag value bounds in one call.
inline constexpr Field Attenuations{Attenuation1.address,
                                    Attenuation2.end() - Attenuation1.address};
inline constexpr Field RangeBounds{RangeLower.address, RangeUpper.end() - RangeLower.address};

// Positioning.
inline constexpr Field TagFailureJudgement = model::tagFailureJudgement.range();
inline constexpr Field CardReadMode = model::cardReadMode.range();
inline constexpr Field PositioningSensitivity = model::positioningSensitivity.range();

static_assert(TcpIpRecord == Field{0xA9, 29});
static_assert(TcpIpRecord.contains(MacAddress));
static_assert(model::rfModules[3].frequency.address + 1 == Frequency5to8.address);
static_assert(FrameEndCode.end() == kParameterMemorySize);

}  // namespace addr

// Bits of the ID match control byte (addr::IdMatchControl), as the model names them.
namespace idmatch {
inline constexpr int MatchBit = model::flags::kIdMatchControl[0].bit;
inline constexpr int MismatchBit = model::flags::kIdMatchControl[1].bit;
inline constexpr int ContinuousAlarmBit = model::flags::kIdMatchControl[2].bit;
inline constexpr int SingleAlarmBit = model::flags::kIdMatchControl[3].bit;
inline constexpr int Relay1Bit = model::flags::kIdMatchControl[4].bit;
inline constexpr int Relay2Bit = model::flags::kIdMatchControl[5].bit;
}  // namespace idmatch
