// SPDX-License-Identifier: LGPL-2.1-or-later
#include "RfBasicPage.h"

#include "ui_RfBasicPage.h"

#include "params/ControlRules.h"
#include "params/FieldRun.h"
#include "params/ModelItems.h"
#include "params/RfSummary.h"

struct RfBasicPage::Fields {
    explicit Fields(Ui::RfBasicPage& u)
        : attenuations{addr::Attenuations,
                       encoding::record(
                           addr::Attenuations,
                           {{model::attenuation1, encoding::list(ListValue::items(
                                                      u.ComboBox5, *model::attenuation1.list))},
                            {model::attenuation2, encoding::list(ListValue::items(
                                                      u.ComboBox8, *model::attenuation2.list))}}),
                       tr("设置衰减系数失败 !"), tr("查询通道衰减系数失败 !")},
          rssi{model::rssiThreshold, encoding::list(ListValue::itemNumber(u.ComboBox6)),
               tr("设置RSSI参数失败！"), tr("查询RSSI参数失败！")} {}

    FieldBinding attenuations, rssi;
};

RfBasicPage::RfBasicPage(ReaderSession& session, OperationLog& log, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::RfBasicPage>()), session_(session), log_(log) {
    ui_->setupUi(this);
    fields_ = std::make_unique<Fields>(*ui_);
}

RfBasicPage::~RfBasicPage() = default;

void RfBasicPage::formShow(const WindowVariants& /*variants*/) {
    fillNumbers(ui_->ComboBox6, static_cast<int>(model::rssiThreshold.minimum),
                static_cast<int>(model::rssiThreshold.maximum));
    fillItems(ui_->ComboBox5, *model::attenuation1.list);
    fillItems(ui_->ComboBox8, *model::attenuation2.list);
}

void RfBasicPage::SetRfBasicParameters() {
    const Fields& f = *fields_;
    FieldRun run(session_, log_);
    run.set(f.attenuations);
    run.set(f.rssi);
    rf::finishSet(run);
}

void RfBasicPage::QueryRfBasicParameters() {
    const Fields& f = *fields_;
    FieldRun run(session_, log_);
    run.query(f.attenuations);
    run.query(f.rssi);
    rf::finishQuery(run);
}
