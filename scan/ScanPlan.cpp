// SPDX-License-Identifier: LGPL-2.1-or-later
#include "ScanPlan.h"

#include "reader/LineTiming.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>
#include <charconv>
#include <optional>

namespace scan {

namespace {

std::optional<int> wholeNumber(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// The comma-separated items of text; an empty item is an error.
std::vector<std::string_view> items(std::string_view text, std::string_view what) {
    std::vector<std::string_view> parts;
    for (;;) {
        const auto comma = text.find(',');
        const std::string_view part = text.substr(0, comma);
        if (part.empty()) {
            throw PlanError(fmt::format("{} list: an empty item", what));
        }
        parts.push_back(part);
        if (comma == std::string_view::npos) {
            return parts;
        }
        text.remove_prefix(comma + 1);
    }
}

void addOnce(std::vector<int>& list, int value) {
    if (std::find(list.begin(), list.end(), value) == list.end()) {
        list.push_back(value);
    }
}

std::string rateNames() {
    return fmt::format("{}", fmt::join(reader::kRates, ", "));
}

void checkStation(int station) {
    if (station < kFirstStation || station > kLastStation) {
        throw PlanError(
            fmt::format("station {} is not one of {}..{}", station, kFirstStation, kLastStation));
    }
}

void checkRate(int rate) {
    if (reader::codeForRate(rate) < 0) {
        throw PlanError(fmt::format("rate {} is not one of {}", rate, rateNames()));
    }
}

}  // namespace

std::vector<int> allStations() {
    std::vector<int> stations;
    for (int station = kFirstStation; station <= kLastStation; ++station) {
        stations.push_back(station);
    }
    return stations;
}

std::vector<int> defaultRates() {
    std::vector<int> rates{reader::kOpeningRate};
    for (const int rate : reader::kRates) {
        addOnce(rates, rate);
    }
    return rates;
}

std::vector<int> parseStationList(std::string_view text) {
    std::vector<int> stations;
    for (const std::string_view item : items(text, "station")) {
        const auto dash = item.find('-');
        const auto first = wholeNumber(item.substr(0, dash));
        const auto last =
            dash == std::string_view::npos ? first : wholeNumber(item.substr(dash + 1));
        if (!first || !last) {
            throw PlanError(
                fmt::format("station list: '{}' is not a station or a range N-M", item));
        }
        checkStation(*first);
        checkStation(*last);
        if (*last < *first) {
            throw PlanError(fmt::format("station list: the range '{}' runs backwards", item));
        }
        for (int station = *first; station <= *last; ++station) {
            addOnce(stations, station);
        }
    }
    return stations;
}

std::vector<int> parseRateList(std::string_view text) {
    std::vector<int> rates;
    for (const std::string_view item : items(text, "rate")) {
        const auto rate = wholeNumber(item);
        if (!rate) {
            throw PlanError(fmt::format("rate list: '{}' is not a rate ({})", item, rateNames()));
        }
        checkRate(*rate);
        addOnce(rates, *rate);
    }
    return rates;
}

void checkPlan(const ScanPlan& plan) {
    if (plan.device.empty()) {
        throw PlanError("no serial device to scan");
    }
    if (plan.stations.empty()) {
        throw PlanError("no station to probe");
    }
    if (plan.rates.empty()) {
        throw PlanError("no rate to probe at");
    }
    std::for_each(plan.stations.begin(), plan.stations.end(), checkStation);
    std::for_each(plan.rates.begin(), plan.rates.end(), checkRate);
    if (plan.answerTime < reader::kMinAnswerTime || plan.answerTime > reader::kMaxAnswerTime) {
        throw PlanError(fmt::format("answer time {} ms is not one of {}..{} ms",
                                    plan.answerTime.count(), reader::kMinAnswerTime.count(),
                                    reader::kMaxAnswerTime.count()));
    }
}

}  // namespace scan
