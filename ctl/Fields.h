#pragma once

// Named fields as readerctl shows, reads and writes them: KEY=VALUE lists checked against the
// parameter model before anything goes out, the writes that set them (only what differs,
// neighbours merged), and the JSON every command prints with --json. What the bytes mean comes
// from the model alone (model/Catalog.h, model/Codec.h).

#include "MemoryDiff.h"
#include "ReaderLink.h"

#include "model/BatchText.h"
#include "model/Parameter.h"

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>
#include <vector>

namespace ctl {

// "WHAT belongs to the reader's identity (…) and is never written": the refusal of a write to
// the bytes each reader keeps for itself.
std::string identityRefusal(std::string_view what);

// Whether a word names an address (0x.. or digits) rather than a key (snake_case).
bool isAddressWord(std::string_view word);

// The field a key names. Throws UsageError naming the closest keys when none does.
const model::Parameter& fieldOfKey(std::string_view key);

// The field a key names when a set may write it. Throws UsageError naming the closest keys
// when no field has that key, or refusing an identity field.
const model::Parameter& writableFieldOfKey(std::string_view key);

// One KEY=VALUE of a set, checked: the field, the value as written, its bytes.
struct Assignment {
    const model::Parameter* field = nullptr;
    std::string text;
    Bytes bytes;
};

// One value for the field key names, checked against the model. Throws UsageError for an
// unknown key (naming the closest keys), an identity field (never written) or a value the field
// does not take (the model's message).
Assignment checkedAssignment(std::string_view key, std::string_view value);
// Whether assignments already hold one for field.
bool assigns(const std::vector<Assignment>& assignments, const model::Parameter& field);

// Every KEY=VALUE checked against the model, in the order given. Throws UsageError for a word
// without '=', an unknown key (naming the closest keys), a key given twice, an identity field
// (never written) or a value the field does not take (the model's message).
std::vector<Assignment> parseAssignments(const std::vector<std::string>& words);

// What setting the assignments over current takes.
struct FieldWrites {
    batchtext::Memory target{};                      // current with every assignment applied
    std::vector<const model::Parameter*> changed;    // in address order
    std::vector<const model::Parameter*> unchanged;  // in address order
    std::vector<Field> writes;  // the changed fields' bytes, neighbours merged, address order
};
FieldWrites planFieldWrites(const batchtext::Memory& current,
                            const std::vector<Assignment>& assignments);

struct FieldSetResult {
    batchtext::Memory before{};
    FieldWrites plan;
};

// Reads the memory, writes the fields whose bytes differ and reads each write back. Throws
// ReaderError for a failing reader or a read-back that differs ("verify failed at 0x94: wrote
// 0F, read back 55").
FieldSetResult setFields(ReaderLink& link, const std::vector<Assignment>& assignments);

// The field's value in memory as show prints it.
std::string fieldValue(const model::Parameter& field, const batchtext::Memory& memory);

// {"key", "label", "value", "address", "bytes", "identity"}
nlohmann::ordered_json fieldJson(const model::Parameter& field, const batchtext::Memory& memory);
// {"key" (null outside named fields), "label" (null likewise), "address", "before", "after",
// "kept"}
nlohmann::ordered_json diffJson(const DiffLine& line);

// The English title of the window page that shows a field.
std::string_view pageTitle(model::Page page);

}  // namespace ctl
