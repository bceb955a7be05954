// SPDX-License-Identifier: LGPL-2.1-or-later
#include "Profile.h"

#include "Import.h"

#include <fmt/format.h>
#include <yaml-cpp/yaml.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>

namespace ctl {

namespace {

// A profile names a few dozen fields; anything this large is not one.
constexpr std::size_t kMaxProfileSize = 1024 * 1024;

bool endsWithIgnoringCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           std::equal(suffix.begin(), suffix.end(), text.end() - suffix.size(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

struct Position {
    std::size_t line = 1;
    std::size_t column = 1;
};

// The line and column of the byte at offset (0-based), both counted from 1.
Position positionOf(std::string_view text, std::size_t offset) {
    Position position;
    for (std::size_t i = 0; i < std::min(offset, text.size()); ++i) {
        if (text[i] == '\n') {
            ++position.line;
            position.column = 1;
        } else {
            ++position.column;
        }
    }
    return position;
}

[[noreturn]] void failAt(std::string_view fileName, const YAML::Mark& mark,
                         std::string_view message) {
    throw UsageError(
        fmt::format("{}:{}:{}: {}", fileName, mark.line + 1, mark.column + 1, message));
}

// JSON's own syntax errors, with nlohmann's wording: yaml-cpp takes some texts JSON does not
// (a trailing comma, a comment) and words JSON faults as YAML faults.
void checkJsonSyntax(std::string_view text, std::string_view fileName) {
    try {
        [[maybe_unused]] const nlohmann::json document = nlohmann::json::parse(text);
    } catch (const nlohmann::json::parse_error& error) {
        std::string message = error.what();
        // "[json.exception.parse_error.101] parse error at line 2, column 3: syntax error ..."
        if (const auto colon = message.find(": "); colon != std::string::npos) {
            message.erase(0, colon + 2);
        }
        const Position position = positionOf(text, error.byte == 0 ? 0 : error.byte - 1);
        throw UsageError(
            fmt::format("{}:{}:{}: {}", fileName, position.line, position.column, message));
    }
}

// The value as show prints it: plain YAML and JSON booleans are the switches' "on" and "off".
std::string valueText(const YAML::Node& value) {
    const std::string& scalar = value.Scalar();
    if (value.Tag() == "?") {  // a plain scalar, not quoted
        if (scalar == "true" || scalar == "True" || scalar == "TRUE") {
            return "on";
        }
        if (scalar == "false" || scalar == "False" || scalar == "FALSE") {
            return "off";
        }
    }
    return scalar;
}

}  // namespace

bool isProfilePath(std::string_view path) {
    return endsWithIgnoringCase(path, ".yaml") || endsWithIgnoringCase(path, ".yml") ||
           endsWithIgnoringCase(path, ".json");
}

std::vector<Assignment> parseProfile(std::string_view text, std::string_view fileName,
                                     ProfileFormat format) {
    if (format == ProfileFormat::Json) {
        checkJsonSyntax(text, fileName);
    }
    YAML::Node root;
    try {
        root = YAML::Load(std::string(text));
    } catch (const YAML::ParserException& error) {
        failAt(fileName, error.mark, error.msg);
    }
    if (!root.IsDefined() || root.IsNull() || (root.IsMap() && root.size() == 0)) {
        throw UsageError(fmt::format("{}: names no field", fileName));
    }
    if (!root.IsMap()) {
        failAt(fileName, root.Mark(), "a profile is a mapping of field keys to values");
    }
    std::vector<Assignment> assignments;
    for (const auto& entry : root) {
        const YAML::Node& key = entry.first;
        const YAML::Node& value = entry.second;
        if (!key.IsScalar()) {
            failAt(fileName, key.Mark(), "a field key is a single word");
        }
        if (!value.IsScalar()) {
            failAt(fileName, value.IsNull() ? key.Mark() : value.Mark(),
                   fmt::format("{} needs one value, a word or a number", key.Scalar()));
        }
        // Faults of the key point at the key, faults of the value at the value.
        try {
            writableFieldOfKey(key.Scalar());
        } catch (const UsageError& error) {
            failAt(fileName, key.Mark(), error.what());
        }
        try {
            Assignment assignment = checkedAssignment(key.Scalar(), valueText(value));
            if (assigns(assignments, *assignment.field)) {
                failAt(fileName, key.Mark(),
                       fmt::format("{} is given twice", assignment.field->key));
            }
            assignments.push_back(std::move(assignment));
        } catch (const UsageError& error) {
            if (std::string_view(error.what()).starts_with(fileName)) {
                throw;
            }
            failAt(fileName, value.Mark(), error.what());
        }
    }
    return assignments;
}

std::vector<Assignment> loadProfile(const std::string& path) {
    return parseProfile(
        readTextFile(path, kMaxProfileSize, "a profile"), path,
        endsWithIgnoringCase(path, ".json") ? ProfileFormat::Json : ProfileFormat::Yaml);
}

}  // namespace ctl
