// SPDX-License-Identifier: LGPL-2.1-or-later
#include "UploadPage.h"

#include "ui_UploadPage.h"

#include "params/ControlRules.h"
#include "params/FieldRun.h"
#include "params/RangeRules.h"
#include "widgets/KeyFilters.h"

struct UploadPage::Fields {
    explicit Fields(Ui::UploadPage& u)
        : mode{model::uploadMode,
               encoding::flagBits(model::uploadMode, {{u.RadioButton4, u.RadioButton3}}),
               tr("设置即时/定时发送参数失败 !"), tr("查询即时/定时发送参数失败！")},
          period{model::uploadPeriod, encoding::number(u.Edit5), tr("定时发送时间参数失败 !"),
                 tr("查询定时发送时间参数失败 !")},
          interfaces{model::outputInterfaces,
                     encoding::flagBits(model::outputInterfaces, {{u.CheckBox7},
                                                                  {u.CheckBox8},
                                                                  {u.CheckBox5},
                                                                  {u.CheckBox10},
                                                                  {u.CheckBox9},
                                                                  {u.CheckBox13},
                                                                  {u.CheckBox24},
                                                                  {u.CheckBox23}}),
                     tr("设置通信口参数失败 !"), tr("查询通信口参数失败！")} {}

    FieldBinding mode, period, interfaces;
};

UploadPage::UploadPage(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::UploadPage>()) {
    Ui::UploadPage& u = *ui_;
    u.setupUi(this);
    fields_ = std::make_unique<Fields>(u);

    KeyPressFilter::install(u.Edit5, Edit1eyPress);
    // Selecting either button runs the rule; the deselected one runs nothing.
    for (QRadioButton* button : {u.RadioButton3, u.RadioButton4}) {
        connect(button, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked) {
                RadioButton4Click();
            }
        });
    }
    connect(u.Edit5, &QLineEdit::textChanged, this, &UploadPage::Edit5Change);
}

UploadPage::~UploadPage() = default;

void UploadPage::setSteps(FieldRun& run) const {
    run.set(fields_->mode);
    run.set(fields_->period);
    run.set(fields_->interfaces);
}

void UploadPage::querySteps(FieldRun& run) const {
    run.query(fields_->mode);
    run.query(fields_->period);
    run.query(fields_->interfaces);
}

void UploadPage::RadioButton4Click() {
    Ui::UploadPage& u = *ui_;
    enableAll({u.Label6, u.Edit5, u.Label14}, u.RadioButton4->isChecked());
}

void UploadPage::Edit5Change() {
    applyRangeRule(ui_->Edit5, range::UploadPeriod);
}
