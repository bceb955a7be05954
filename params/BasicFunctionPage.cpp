// SPDX-License-Identifier: LGPL-2.1-or-later
#include "BasicFunctionPage.h"

#include "ui_BasicFunctionPage.h"

#include "model/Addresses.h"
#include "params/ControlRules.h"
#include "params/FieldRun.h"
#include "params/RangeRules.h"
#include "widgets/KeyFilters.h"

// The page's fields in the order of the set operation.
struct BasicFunctionPage::Fields {
    explicit Fields(Ui::BasicFunctionPage& u)
        : trigger{model::triggerMode,
                  encoding::flagBits(model::triggerMode, {{u.RadioButton1, u.RadioButton2}}),
                  tr("设置触发参数失败 !"), tr("查询触发参数失败 !")},
          triggerDelay{model::triggerDelay, encoding::number(u.Edit34),
                       tr("设置触发延时工作时间参数失败 !"), tr("查询触发延时工作时间参数失败 !")},
          shutdownDelay{model::shutdownDelay, encoding::number(u.Edit4),
                        tr("设置触发自动关机延时参数失败 !"), tr("查询触发自动关机延时参数失败 !")},
          residualClear{
              model::residualClear, encoding::flagBits(model::residualClear, {{u.CheckBox25}}),
              tr("设置触发残留数据清除使能参数失败 !"), tr("查询触发清除残留数据使能参数失败 !")},
          residualClearWait{model::residualClearWait, encoding::number(u.Edit41),
                            tr("设置触发残留数据清除等待时间参数失败 !"),
                            tr("查询触发清除残留数据等待时间参数失败 !")},
          buzzer{model::buzzer, encoding::onOffByte(u.CheckBox1), tr("设置蜂鸣器参数失败 !"),
                 tr("查询蜂鸣器参数失败 !"), OnFailure::KeepFlag},
          userCode{model::userCode, encoding::number(u.Edit3), tr("设置用户编码参数失败 !"),
                   tr("查询用户编码参数失败 !")},
          tagRefresh{model::tagRefreshInterval, encoding::number(u.Edit14),
                     tr("设置标签刷新时间间隔参数失败 !"), tr("查询标签刷新时间间隔参数失败 !")},
          relayAutoClose{
              model::relaysCloseOnCard,
              encoding::flagBits(model::relaysCloseOnCard, {{u.CheckBox3}, {u.CheckBox14}}),
              tr("设置继电器自动闭合参数失败 ! "), tr("查询继电器自动闭合参数失败 ! ")},
          relayAutoOpen{
              model::relaysOpenAfterDelay,
              encoding::flagBits(model::relaysOpenAfterDelay, {{u.CheckBox2}, {u.CheckBox4}}),
              tr("设置继电器自动断开参数失败 ! "), tr("查询继电器自动断开参数失败 ! ")},
          relay1Delay{model::relay1Delay, encoding::number(u.Edit37),
                      tr("设置继电器1延时参数失败 !"), tr("查询继电器1延时参数失败！")},
          relay2Delay{model::relay2Delay, encoding::number(u.Edit38),
                      tr("设置继电器2延时参数失败 !"), tr("查询继电器2延时参数失败！")},
          idMatchControl{model::idMatchControl, idMatchEncoding(u), tr("设置ID匹配控制参数失败 !"),
                         tr("查询ID匹配控制参数失败 !")},
          idMatchInterval{model::idMatchInterval, encoding::number(u.Edit15),
                          tr("设置ID匹配检测时间间隔参数失败 !"),
                          tr("查询ID匹配检测时间间隔参数失败 !")} {}

    // Match and mismatch exclude each other; the relay and alarm bits belong to mismatch.
    // Single alarm is whatever is not continuous, so its bit is written but never read.
    static FieldEncoding idMatchEncoding(Ui::BasicFunctionPage& u) {
        return FieldEncoding(
            [&u](int) {
                std::uint8_t control = 0;
                if (u.CheckBox19->isChecked()) {
                    control = flagBit(idmatch::MatchBit, true);
                }
                if (u.CheckBox21->isChecked()) {
                    const bool continuous = u.RadioButton7->isChecked();
                    control = static_cast<std::uint8_t>(
                        flagBit(idmatch::MismatchBit, true) |
                        flagBit(idmatch::Relay1Bit, u.CheckBox20->isChecked()) |
                        flagBit(idmatch::Relay2Bit, u.CheckBox22->isChecked()) |
                        flagBit(idmatch::ContinuousAlarmBit, continuous) |
                        flagBit(idmatch::SingleAlarmBit, !continuous));
                }
                return Bytes{control};
            },
            [&u](const Bytes& bytes) {
                u.CheckBox19->setChecked(hasBit(bytes[0], idmatch::MatchBit));
                u.CheckBox21->setChecked(hasBit(bytes[0], idmatch::MismatchBit));
                u.CheckBox20->setChecked(hasBit(bytes[0], idmatch::Relay1Bit));
                u.CheckBox22->setChecked(hasBit(bytes[0], idmatch::Relay2Bit));
                (hasBit(bytes[0], idmatch::ContinuousAlarmBit) ? u.RadioButton7 : u.RadioButton8)
                    ->setChecked(true);
            });
    }

    FieldBinding trigger, triggerDelay, shutdownDelay, residualClear, residualClearWait, buzzer,
        userCode, tagRefresh, relayAutoClose, relayAutoOpen, relay1Delay, relay2Delay,
        idMatchControl, idMatchInterval;
};

BasicFunctionPage::BasicFunctionPage(ReaderSession& session, OperationLog& log, QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::BasicFunctionPage>()),
      session_(session),
      log_(log) {
    Ui::BasicFunctionPage& u = *ui_;
    u.setupUi(this);
    fields_ = std::make_unique<Fields>(u);

    for (QLineEdit* edit :
         {u.Edit3, u.Edit4, u.Edit14, u.Edit15, u.Edit34, u.Edit37, u.Edit38, u.Edit41}) {
        KeyPressFilter::install(edit, Edit1eyPress);
    }

    // Selecting either trigger button runs the rule; the deselected one runs nothing.
    for (QRadioButton* button : {u.RadioButton1, u.RadioButton2}) {
        connect(button, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked) {
                RadioButton1Click();
            }
        });
    }
    connect(u.CheckBox2, &QCheckBox::toggled, this, &BasicFunctionPage::CheckBox2Click);
    connect(u.CheckBox4, &QCheckBox::toggled, this, &BasicFunctionPage::CheckBox4Click);
    connect(u.CheckBox19, &QCheckBox::toggled, this, &BasicFunctionPage::CheckBox19Click);
    connect(u.CheckBox21, &QCheckBox::toggled, this, &BasicFunctionPage::CheckBox21Click);
    for (QLineEdit* edit : {u.Edit4, u.Edit34, u.Edit41, u.Edit37, u.Edit38}) {
        connect(edit, &QLineEdit::textChanged, this, [this, edit] { Edit4Change(edit); });
    }
    connect(u.Edit15, &QLineEdit::textChanged, this, &BasicFunctionPage::Edit15Change);
    connect(u.Edit3, &QLineEdit::textChanged, this, &BasicFunctionPage::Edit3Change);
    connect(u.Edit14, &QLineEdit::textChanged, this, &BasicFunctionPage::Edit14Change);
}

BasicFunctionPage::~BasicFunctionPage() = default;

void BasicFunctionPage::applyDefaultSet() {
    ui_->CheckBox1->setChecked(true);
}

void BasicFunctionPage::SetBasicParameters() {
    const Fields& f = *fields_;
    FieldRun run(session_, log_);
    run.set(f.trigger);
    run.set(f.triggerDelay);
    run.set(f.shutdownDelay);
    run.set(f.residualClear);
    // Without clearing the reader keeps its old wait.
    if (ui_->CheckBox25->isChecked()) {
        run.set(f.residualClearWait);
    }
    run.set(f.buzzer);
    run.set(f.userCode);
    run.set(f.tagRefresh);
    run.set(f.relayAutoClose);
    run.set(f.relayAutoOpen);
    run.set(f.relay1Delay);
    run.set(f.relay2Delay);
    run.set(f.idMatchControl);
    run.set(f.idMatchInterval);
    run.finish(tr("设置读写器参数成功 !"), tr("设置读写器参数失败 !"));
}

void BasicFunctionPage::QueryBasicParameters() {
    const Fields& f = *fields_;
    FieldRun run(session_, log_);
    run.query(f.trigger);
    run.query(f.triggerDelay);
    run.query(f.shutdownDelay);
    run.query(f.residualClear);
    run.query(f.residualClearWait);
    run.query(f.buzzer);
    run.query(f.userCode);
    run.query(f.tagRefresh);
    run.query(f.relayAutoClose);
    run.query(f.relayAutoOpen);
    run.query(f.relay1Delay);
    run.query(f.relay2Delay);
    run.query(f.idMatchInterval);
    run.query(f.idMatchControl);
    run.finish(tr("查询读写器参数成功 !"), tr("查询读写器参数失败 !"));
}

void BasicFunctionPage::RadioButton1Click() {
    Ui::BasicFunctionPage& u = *ui_;
    // The residual wait follows the trigger, not CheckBox25.
    enableAll({u.Label45, u.Edit34, u.Label55, u.Label7, u.Edit4, u.Label5, u.CheckBox25, u.Edit41,
               u.Label85},
              u.RadioButton1->isChecked());
}

void BasicFunctionPage::CheckBox2Click() {
    Ui::BasicFunctionPage& u = *ui_;
    enableAll({u.Label51, u.Edit37, u.Label53}, u.CheckBox2->isChecked());
}

void BasicFunctionPage::CheckBox4Click() {
    Ui::BasicFunctionPage& u = *ui_;
    enableAll({u.Label52, u.Edit38, u.Label54}, u.CheckBox4->isChecked());
}

void BasicFunctionPage::CheckBox19Click() {
    Ui::BasicFunctionPage& u = *ui_;
    if (!u.CheckBox19->isChecked()) {
        return;
    }
    u.CheckBox21->setChecked(false);
    CheckBox21Click();
}

void BasicFunctionPage::CheckBox21Click() {
    Ui::BasicFunctionPage& u = *ui_;
    const bool on = u.CheckBox21->isChecked();
    if (on) {
        u.CheckBox19->setChecked(false);
    }
    enableAll({u.Label41, u.Edit15, u.Label42, u.CheckBox20, u.CheckBox22, u.RadioButton7,
               u.RadioButton8},
              on);
}

void BasicFunctionPage::Edit4Change(QLineEdit* edit) {
    applyRangeRule(edit, range::ByteOr10);
}

void BasicFunctionPage::Edit15Change() {
    applyRangeRule(ui_->Edit15, range::ByteOr10);
}

void BasicFunctionPage::Edit3Change() {
    applyRangeRule(ui_->Edit3, range::UserCode);
}

void BasicFunctionPage::Edit14Change() {
    applyRangeRule(ui_->Edit14, range::TagRefresh);
}
