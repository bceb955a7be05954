// SPDX-License-Identifier: LGPL-2.1-or-later
#include "PositioningPage.h"

#include "ui_PositioningPage.h"

#include "params/ControlRules.h"
#include "params/FieldRun.h"
#include "params/ModelItems.h"

struct PositioningPage::Fields {
    explicit Fields(Ui::PositioningPage& u)
        : readMode{model::cardReadMode,
                   encoding::onOffByte(u.RadioButton9, u.RadioButton6),
                   {},
                   tr("查询读写器读卡模式参数失败！")},
          sensitivity{
              model::positioningSensitivity,
              encoding::list(ListValue::items(u.ComboBox13, *model::positioningSensitivity.list)),
              tr("设置定位灵敏读参数失败！"), tr("查询定位灵敏读参数失败！")},
          failureJudgement{
              model::tagFailureJudgement,
              encoding::list(ListValue::items(u.ComboBox18, *model::tagFailureJudgement.list)),
              tr("设置标签失效判定灵敏度参数失败！"), tr("查询标签失效判定灵敏度参数失败！")} {}

    FieldBinding readMode, sensitivity, failureJudgement;
};

PositioningPage::PositioningPage(ReaderSession& session, OperationLog& log, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::PositioningPage>()), session_(session), log_(log) {
    ui_->setupUi(this);
    fields_ = std::make_unique<Fields>(*ui_);
}

PositioningPage::~PositioningPage() = default;

void PositioningPage::formShow(const WindowVariants& /*variants*/) {
    fillItems(ui_->ComboBox13, *model::positioningSensitivity.list);
    fillItems(ui_->ComboBox18, *model::tagFailureJudgement.list);
}

void PositioningPage::applyDefaultSet() {
    ui_->RadioButton9->setChecked(true);
    ui_->ComboBox13->setCurrentIndex(0);
    ui_->ComboBox18->setCurrentIndex(0);
}

void PositioningPage::SetPositioningParameters() {
    const Fields& f = *fields_;
    FieldRun run(session_, log_);
    run.set(f.sensitivity);
    run.set(f.failureJudgement);
    run.finish(tr("设置Kelvarn参数成功！"), tr("设置Kelvarn参数失败！"));
}

void PositioningPage::QueryPositioningParameters() {
    const Fields& f = *fields_;
    FieldRun run(session_, log_);
    run.query(f.readMode);
    run.query(f.sensitivity);
    run.query(f.failureJudgement);
    run.finish(tr("查询Kelvarn参数成功！"), tr("查询Kelvarn参数失败！"));
}
