// SPDX-License-Identifier: LGPL-2.1-or-later
#include "Catalog.h"

#include "model/IdentityRule.h"
#include "model/Parameters.h"

#include <algorithm>
#include <array>
#include <numeric>

namespace model {

namespace {

std::vector<const Parameter*> buildCatalog() {
    std::vector<const Parameter*> all{
        &identityBlock,
        &productSerialNumber,
        &encryptionKey,
        &encryptionMode,
        &keepAliveTime,
        &offlineSaveInterval,
        &offlineFunction,
        &magicNumber,
        &userCode,
        &buzzer,
        &pcbIdentifier,
        &pcbVersion,
        &pcbType,
        &productMarker,
        &tagRangeFilter,
        &tagRangeLower,
        &tagRangeUpper,
        &mountingSide,
        &outputInterfaces,
        &rs485BaudRate,
        &rs485IdResponse,
        &wiegandProtocol,
        &wiegandPulseWidth,
        &wiegandPulsePeriod,
        &wiegandInterval,
        &residualClear,
        &residualClearWait,
        &tagSuppression,
        &wiegandStartByte,
        &triggerDelay,
        &triggerMode,
        &shutdownDelay,
        &tagRefreshInterval,
        &idMatchInterval,
        &idMatchControl,
        &tagFailureJudgement,
        &relay1Delay,
        &relay2Delay,
        &relaysCloseOnCard,
        &relaysOpenAfterDelay,
        &cardReadMode,
        &rssiThreshold,
        &positioningSensitivity,
        &tcpWorkMode,
        &automaticIp,
        &tcpReserved,
        &macAddress,
        &ipAddress,
        &subnetMask,
        &gateway,
        &tcpPort,
        &targetIpAddress,
        &targetPort,
        &attenuation1,
        &attenuation2,
        &clientLocalPort,
        &outputFormat,
        &outputIdPart,
        &uploadMode,
        &uploadPeriod,
        &frameContent,
        &framePreamble,
        &frameEndCode,
    };
    for (const RfModule& module : rfModules) {
        all.insert(all.end(), {&module.tagType, &module.powerRate, &module.frequency});
    }
    std::sort(all.begin(), all.end(),
              [](const Parameter* a, const Parameter* b) { return a->address < b->address; });
    return all;
}

const std::vector<const Parameter*>& catalog() {
    static const std::vector<const Parameter*> all = buildCatalog();
    return all;
}

const std::array<const Parameter*, kParameterMemorySize>& owners() {
    static const auto table = [] {
        std::array<const Parameter*, kParameterMemorySize> owner{};
        for (const Parameter* field : catalog()) {
            for (int address = field->address; address < field->end(); ++address) {
                owner[static_cast<std::size_t>(address)] = field;
            }
        }
        return owner;
    }();
    return table;
}

std::size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    std::iota(row.begin(), row.end(), std::size_t{0});
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] =
                std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::span<const Parameter* const> allParameters() {
    return catalog();
}

const Parameter* findParameter(std::string_view key) {
    const auto& all = catalog();
    const auto found = std::find_if(all.begin(), all.end(),
                                    [key](const Parameter* field) { return field->key == key; });
    return found == all.end() ? nullptr : *found;
}

std::vector<std::string_view> closestKeys(std::string_view key, std::size_t count) {
    std::vector<std::pair<std::size_t, std::string_view>> ranked;
    for (const Parameter* field : catalog()) {
        // A key that contains what was typed ranks as close as one typo.
        const std::size_t distance = field->key.find(key) != std::string_view::npos && !key.empty()
                                         ? 1
                                         : editDistance(key, field->key);
        ranked.emplace_back(distance, field->key);
    }
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string_view> keys;
    for (std::size_t i = 0; i < ranked.size() && i < count; ++i) {
        keys.push_back(ranked[i].second);
    }
    return keys;
}

const Parameter* parameterAt(int address) {
    if (address < 0 || address >= kParameterMemorySize) {
        return nullptr;
    }
    return owners()[static_cast<std::size_t>(address)];
}

bool isIdentity(const Parameter& field) {
    for (int address = field.address; address < field.end(); ++address) {
        if (!batchtext::isIdentityByte(address)) {
            return false;
        }
    }
    return true;
}

}  // namespace model
