// SPDX-License-Identifier: LGPL-2.1-or-later
#include "RfChannelPage.h"

#include "ui_RfModuleGroup.h"

#include "params/FieldRun.h"
#include "params/ModelItems.h"
#include "params/RfSummary.h"

#include <QBoxLayout>

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

namespace {

constexpr int kModules = static_cast<int>(std::tuple_size_v<decltype(RfChannel::modules)>);
// Keeps the module groups clear of the window's right-hand buttons, which lie in front of
// the page's right edge.
constexpr int kRightButtonsMargin = 86;

// What start-up selects in a band variant's lists (the items come from the model's band).
struct BandStart {
    std::array<int, kModules> frequencyItems;  // module 1 to 4 of a channel
    std::optional<int> tagTypeItem;            // without: the designed tag type stays
};

std::optional<BandStart> bandStart(int bandVariant) {
    switch (bandVariant) {
        case 0:
            return BandStart{{46, 46, 46, 46}, 9};
        case 1:
            return BandStart{{50, 60, 70, 80}, std::nullopt};
        default:
            return std::nullopt;
    }
}

}  // namespace

// One module's group box with its lists, named after the module.
struct RfModuleControls {
    RfModuleControls(const RfModule& names, QWidget* page)
        : group(new QGroupBox(page)),
          ui(setUp(group)),
          frequency(ListValue::items(ui.FrequencyList, *model::rfModules[0].frequency.list)) {
        group->setObjectName(QStringLiteral("Module%1Group").arg(names.number));
        group->setTitle(RfChannelPage::tr("模块%1").arg(names.number));
        ui.FrequencyList->setObjectName(QLatin1String(names.frequency));
        ui.PowerList->setObjectName(QLatin1String(names.power));
        ui.RateList->setObjectName(QLatin1String(names.rate));
        ui.TagTypeList->setObjectName(QLatin1String(names.tagType));
        const model::RfModule& module = model::rfModules[0];
        fillItems(ui.PowerList, *module.powerRate.low);
        ui.PowerList->setCurrentIndex(ui.PowerList->count() - 1);
        fillItems(ui.RateList, *module.powerRate.list);
        ui.RateList->setCurrentIndex(2);
        fillItems(ui.TagTypeList, *module.tagType.list);
        ui.TagTypeList->setCurrentIndex(7);
    }

    static Ui::RfModuleGroup setUp(QGroupBox* group) {
        Ui::RfModuleGroup ui;
        ui.setupUi(group);
        return ui;
    }

    QGroupBox* group;
    Ui::RfModuleGroup ui;
    ListValue frequency;
};

// The module groups and the channel's three fields, each one byte per module.
struct RfChannelPage::Fields {
    using Modules = std::vector<RfModuleControls>;

    Fields(const RfChannel& channel, QWidget* page)
        : modules(createModules(channel, page)),
          frequencies{
              channel.frequencies,
              perModule(channel.frequencies,
                        [](const RfModuleControls& m) { return encoding::list(m.frequency); }),
              tr("设置频率参数失败！"), tr("查询频率参数失败！")},
          powerRates{channel.powerRates,
                     perModule(channel.powerRates,
                               [](const RfModuleControls& m) {
                                   const model::Parameter& powerRate =
                                       model::rfModules[0].powerRate;
                                   return encoding::nibblePair(
                                       ListValue::items(m.ui.RateList, *powerRate.list),
                                       ListValue::items(m.ui.PowerList, *powerRate.low));
                               }),
                     tr("设置功率和速率参数失败！"), tr("查询功率和速率参数失败！")},
          tagTypes{channel.tagTypes,
                   perModule(channel.tagTypes,
                             [](const RfModuleControls& m) {
                                 return encoding::list(ListValue::items(
                                     m.ui.TagTypeList, *model::rfModules[0].tagType.list));
                             }),
                   tr("设置标签类型参数失败！"), tr("查询标签类型参数失败！")} {}

    static Modules createModules(const RfChannel& channel, QWidget* page) {
        Modules created;
        created.reserve(channel.modules.size());
        for (const RfModule& names : channel.modules) {
            created.emplace_back(names, page);
        }
        return created;
    }

    // A field of one byte per module, module 1 (or 5) at its lowest address.
    FieldEncoding perModule(Field field,
                            const std::function<FieldEncoding(const RfModuleControls&)>& byte) {
        std::vector<RecordPart> parts;
        for (std::size_t i = 0; i < modules.size(); ++i) {
            parts.push_back({Field{field.address + static_cast<int>(i), 1}, byte(modules[i])});
        }
        return encoding::record(field, std::move(parts));
    }

    // Whether every frequency list has a value to write: an item, or the byte a query read.
    // Lists without items (no band) have none before a query.
    bool frequenciesKnown() const {
        return std::all_of(modules.begin(), modules.end(),
                           [](const RfModuleControls& m) { return m.frequency.hasValue(); });
    }

    Modules modules;
    FieldBinding frequencies, powerRates, tagTypes;
};

RfChannelPage::RfChannelPage(const RfChannel& channel, ReaderSession& session, OperationLog& log,
                             QWidget* parent)
    : QWidget(parent),
      fields_(std::make_unique<Fields>(channel, this)),
      session_(session),
      log_(log) {
    auto* groups = new QHBoxLayout;
    groups->setSpacing(2);
    for (const RfModuleControls& module : fields_->modules) {
        groups->addWidget(module.group);
    }
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(4, 6, kRightButtonsMargin, 4);
    page->addLayout(groups);
    page->addStretch();
}

RfChannelPage::~RfChannelPage() = default;

void RfChannelPage::formShow(const WindowVariants& variants) {
    const std::optional<BandStart> band = bandStart(variants.band);
    for (int i = 0; i < kModules; ++i) {
        const Ui::RfModuleGroup& u = fields_->modules[static_cast<std::size_t>(i)].ui;
        u.FrequencyList->clear();
        if (!band) {
            continue;
        }
        fillItems(u.FrequencyList, *model::rfModules[0].frequency.list,
                  windowContext(variants.band));
        u.FrequencyList->setCurrentIndex(band->frequencyItems[static_cast<std::size_t>(i)]);
        if (band->tagTypeItem) {
            u.TagTypeList->setCurrentIndex(*band->tagTypeItem);
        }
    }
}

void RfChannelPage::SetRfChannelParameters() {
    const Fields& f = *fields_;
    FieldRun run(session_, log_);
    // Without a band the frequency lists have no items; until a query has read the reader's
    // channel numbers there is nothing to write back, and the reader keeps its own.
    if (f.frequenciesKnown()) {
        run.set(f.frequencies);
    }
    run.set(f.powerRates);
    run.set(f.tagTypes);
    rf::finishSet(run);
}

void RfChannelPage::QueryRfChannelParameters() {
    const Fields& f = *fields_;
    FieldRun run(session_, log_);
    run.query(f.frequencies);
    run.query(f.powerRates);
    run.query(f.tagTypes);
    rf::finishQuery(run);
}
