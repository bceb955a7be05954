// readerctl show READER [--json]: every named field with its value, from one read of the
// whole memory.

#include "Commands.h"

#include "Fields.h"

#include "model/Catalog.h"
#include "model/Codec.h"

#include <fmt/format.h>

#include <algorithm>
#include <memory>
#include <string>

namespace ctl {

namespace {

struct ShowOptions {
    std::string reader;
    bool json = false;
};

constexpr model::Page kPages[] = {
    model::Page::Product,     model::Page::BasicFunction, model::Page::ExtendedFunction,
    model::Page::CommPort,    model::Page::Upload,        model::Page::DataFrame,
    model::Page::RfBasic,     model::Page::RfChannel1,    model::Page::RfChannel2,
    model::Page::Positioning, model::Page::Batch,
};

int runShow(const ShowOptions& options, const GlobalOptions& global) {
    const ReaderName name = parseReaderName(options.reader, global.stationNumber());
    ReaderLink link(name);
    const batchtext::Memory memory = link.readMemory();

    if (options.json) {
        nlohmann::ordered_json fields = nlohmann::ordered_json::array();
        for (const model::Page page : kPages) {
            for (const model::Parameter* field : model::allParameters()) {
                if (field->page == page) {
                    nlohmann::ordered_json row = fieldJson(*field, memory);
                    row["page"] = pageTitle(page);
                    fields.push_back(std::move(row));
                }
            }
        }
        const nlohmann::ordered_json shown{
            {"reader", name.display()}, {"firmware", link.firmwareVersion()}, {"fields", fields}};
        fmt::print("{}\n", shown.dump(2));
        return kExitOk;
    }

    std::size_t keyWidth = 0;
    std::size_t labelWidth = 0;
    std::size_t valueWidth = 0;
    for (const model::Parameter* field : model::allParameters()) {
        keyWidth = std::max(keyWidth, field->key.size());
        labelWidth = std::max(labelWidth, field->label.en.size());
        valueWidth =
            std::max(valueWidth, std::min<std::size_t>(fieldValue(*field, memory).size(), 24));
    }
    fmt::print("{}, firmware {}\n", name.display(), link.firmwareVersion());
    for (const model::Page page : kPages) {
        bool first = true;
        for (const model::Parameter* field : model::allParameters()) {
            if (field->page != page) {
                continue;
            }
            if (first) {
                fmt::print("\n{}\n", pageTitle(page));
                first = false;
            }
            const std::string line =
                fmt::format("  {:<{}}  {:<{}}  {:<{}}  {:<9}  {}{}", field->key, keyWidth,
                            field->label.en, labelWidth, fieldValue(*field, memory), valueWidth,
                            model::addressText(field->range()),
                            model::hexBytes(batchtext::bytesIn(memory, field->range())),
                            model::isIdentity(*field) ? "  (reader's own)" : "");
            fmt::print("{}\n", line.substr(0, line.find_last_not_of(' ') + 1));
        }
    }
    return kExitOk;
}

}  // namespace

void addShowCommand(CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<ShowOptions>();
    CLI::App* command =
        app.add_subcommand("show", "print every named field: key, label, value, address, bytes");
    addReaderArgument(*command, options->reader);
    command->add_flag("--json", options->json, "print one JSON object (see readerctl(1))");
    describeCommand(
        *command,
        "Reads the whole memory in three requests and prints every named field, page by page:\n"
        "its key, English label, value as the window shows it (English, 2.4 GHz band),\n"
        "address and bytes. Fields that belong to the reader itself (identity) are marked\n"
        "\"(reader's own)\"; set never writes them. Values are written back with\n"
        "'readerctl set READER KEY=VALUE' exactly as shown here.");
    setAction(*command, [options, &global] { return runShow(*options, global); });
}

}  // namespace ctl
