#include "Fields.h"

#include "model/Catalog.h"
#include "model/Codec.h"
#include "model/IdentityRule.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>
#include <cctype>

namespace ctl {

std::string identityRefusal(std::string_view what) {
    return fmt::format(
        "{} belongs to the reader's identity (blocks 0 and 2, 0x67-0x69, MAC 0xAC-0xB1) and is "
        "never written",
        what);
}

bool isAddressWord(std::string_view word) {
    return !word.empty() && std::isdigit(static_cast<unsigned char>(word.front())) != 0;
}

const model::Parameter& fieldOfKey(std::string_view key) {
    if (const model::Parameter* field = model::findParameter(key)) {
        return *field;
    }
    const std::vector<std::string_view> closest = model::closestKeys(key);
    throw UsageError(closest.empty() ? fmt::format("no field is named '{}'", key)
                                     : fmt::format("no field is named '{}'; closest: {}", key,
                                                   fmt::join(closest, ", ")));
}

const model::Parameter& writableFieldOfKey(std::string_view key) {
    const model::Parameter& field = fieldOfKey(key);
    if (model::isIdentity(field)) {
        throw UsageError(
            identityRefusal(fmt::format("{} ({})", field.key, model::addressText(field.range()))));
    }
    return field;
}

Assignment checkedAssignment(std::string_view key, std::string_view value) {
    const model::Parameter& field = writableFieldOfKey(key);
    Assignment assignment{&field, std::string(value), {}};
    try {
        assignment.bytes = model::fromText(field, assignment.text);
    } catch (const model::ValueError& error) {
        throw UsageError(error.what());
    }
    return assignment;
}

bool assigns(const std::vector<Assignment>& assignments, const model::Parameter& field) {
    return std::any_of(assignments.begin(), assignments.end(),
                       [&](const Assignment& a) { return a.field == &field; });
}

std::vector<Assignment> parseAssignments(const std::vector<std::string>& words) {
    std::vector<Assignment> assignments;
    for (const std::string& word : words) {
        const std::size_t equals = word.find('=');
        if (equals == std::string::npos) {
            throw UsageError(fmt::format("'{}' is not KEY=VALUE", word));
        }
        Assignment assignment = checkedAssignment(std::string_view(word).substr(0, equals),
                                                  std::string_view(word).substr(equals + 1));
        if (assigns(assignments, *assignment.field)) {
            throw UsageError(fmt::format("{} is given twice", assignment.field->key));
        }
        assignments.push_back(std::move(assignment));
    }
    return assignments;
}

FieldWrites planFieldWrites(const batchtext::Memory& current,
                            const std::vector<Assignment>& assignments) {
    FieldWrites plan;
    plan.target = current;
    std::vector<const Assignment*> ordered;
    for (const Assignment& assignment : assignments) {
        ordered.push_back(&assignment);
    }
    std::sort(ordered.begin(), ordered.end(), [](const Assignment* a, const Assignment* b) {
        return a->field->address < b->field->address;
    });
    for (const Assignment* assignment : ordered) {
        const Field range = assignment->field->range();
        const auto at = plan.target.begin() + range.address;
        if (std::equal(assignment->bytes.begin(), assignment->bytes.end(), at)) {
            plan.unchanged.push_back(assignment->field);
            continue;
        }
        std::copy(assignment->bytes.begin(), assignment->bytes.end(), at);
        plan.changed.push_back(assignment->field);
        // Neighbouring fields go out together, up to one request's worth.
        if (!plan.writes.empty() && plan.writes.back().end() == range.address &&
            plan.writes.back().width + range.width <= kMaxWrite) {
            plan.writes.back().width += range.width;
        } else {
            plan.writes.push_back(range);
        }
    }
    return plan;
}

FieldSetResult setFields(ReaderLink& link, const std::vector<Assignment>& assignments) {
    FieldSetResult result;
    result.before = link.readMemory();
    result.plan = planFieldWrites(result.before, assignments);
    const batchtext::Memory& target = result.plan.target;
    for (const Field run : result.plan.writes) {
        link.write(run.address, target.data() + run.address, run.width);
    }
    for (const Field run : result.plan.writes) {
        if (auto mismatch = link.readBackMismatch(run, target)) {
            throw ReaderError(*mismatch);
        }
    }
    return result;
}

std::string fieldValue(const model::Parameter& field, const batchtext::Memory& memory) {
    return model::toText(field, batchtext::bytesIn(memory, field.range()));
}

nlohmann::ordered_json fieldJson(const model::Parameter& field, const batchtext::Memory& memory) {
    return {
        {"key", field.key},
        {"label", field.label.en},
        {"value", fieldValue(field, memory)},
        {"address", model::addressText(field.range())},
        {"bytes", model::hexBytes(batchtext::bytesIn(memory, field.range()))},
        {"identity", model::isIdentity(field)},
    };
}

nlohmann::ordered_json diffJson(const DiffLine& line) {
    const bool named = line.parameter != nullptr;
    return {
        {"key",
         named ? nlohmann::ordered_json(line.parameter->key) : nlohmann::ordered_json(nullptr)},
        {"label", named ? nlohmann::ordered_json(line.parameter->label.en)
                        : nlohmann::ordered_json(nullptr)},
        {"address", model::addressText(line.field)},
        {"before", line.before},
        {"after", line.after},
        {"kept", line.kept},
    };
}

std::string_view pageTitle(model::Page page) {
    switch (page) {
        case model::Page::Product:
            return "Product";
        case model::Page::BasicFunction:
            return "Basic functions";
        case model::Page::ExtendedFunction:
            return "Extended functions";
        case model::Page::CommPort:
            return "Communication ports";
        case model::Page::Upload:
            return "Upload";
        case model::Page::DataFrame:
            return "Data frame";
        case model::Page::RfBasic:
            return "RF basics";
        case model::Page::RfChannel1:
            return "RF channel 1";
        case model::Page::RfChannel2:
            return "RF channel 2";
        case model::Page::Positioning:
            return "Positioning";
        case model::Page::Batch:
            break;
    }
    return "Batch text only";
}

}  // namespace ctl
