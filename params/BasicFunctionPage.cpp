#include "BasicFunctionPage.h"

#include "ui_BasicFunctionPage.h"

#include "app/KeyFilters.h"
#include "params/FieldRun.h"
#include "params/MemoryMap.h"
#include "params/RangeRules.h"

BasicFunctionPage::BasicFunctionPage(ReaderSession& session, OperationLog& log, QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::BasicFunctionPage>()),
      session_(session),
      log_(log) {
    Ui::BasicFunctionPage& u = *ui_;
    u.setupUi(this);

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

namespace {

void enableAll(std::initializer_list<QWidget*> widgets, bool enabled) {
    for (QWidget* widget : widgets) {
        widget->setEnabled(enabled);
    }
}

}  // namespace

QCheckBox* BasicFunctionPage::buzzerCheckBox() const {
    return ui_->CheckBox1;
}

void BasicFunctionPage::SetBasicParameters() {
    Ui::BasicFunctionPage& u = *ui_;
    FieldRun run(session_, log_);

    run.write(addr::TriggerMode, {flagBit(0, u.RadioButton1->isChecked())},
              tr("设置触发参数失败 !"));
    run.write(addr::TriggerDelay, editBytes(u.Edit34, addr::TriggerDelay),
              tr("设置触发延时工作时间参数失败 !"));
    run.write(addr::ShutdownDelay, editBytes(u.Edit4, addr::ShutdownDelay),
              tr("设置触发自动关机延时参数失败 !"));
    // The wait is written only with clearing on; otherwise the reader keeps its old wait.
    const QString residualMessage = tr("设置触发残留数据清除使能参数失败 !");
    if (u.CheckBox25->isChecked()) {
        run.write(addr::ResidualClear, {flagBit(0, true)}, residualMessage);
        run.write(addr::ResidualClearWait, editBytes(u.Edit41, addr::ResidualClearWait),
                  tr("设置触发残留数据清除等待时间参数失败 !"));
    } else {
        run.write(addr::ResidualClear, {flagBit(0, false)}, residualMessage);
    }
    run.write(addr::Buzzer, {onOffByte(u.CheckBox1->isChecked())}, tr("设置蜂鸣器参数失败 !"),
              FieldRun::OnFailure::KeepFlag);
    run.write(addr::UserCode, editBytes(u.Edit3, addr::UserCode), tr("设置用户编码参数失败 !"));
    run.write(addr::TagRefreshInterval, editBytes(u.Edit14, addr::TagRefreshInterval),
              tr("设置标签刷新时间间隔参数失败 !"));
    run.write(addr::RelayAutoClose,
              {static_cast<std::uint8_t>(flagBit(0, u.CheckBox3->isChecked()) |
                                         flagBit(1, u.CheckBox14->isChecked()))},
              tr("设置继电器自动闭合参数失败 ! "));
    run.write(addr::RelayAutoOpen,
              {static_cast<std::uint8_t>(flagBit(0, u.CheckBox2->isChecked()) |
                                         flagBit(1, u.CheckBox4->isChecked()))},
              tr("设置继电器自动断开参数失败 ! "));
    run.write(addr::Relay1Delay, editBytes(u.Edit37, addr::Relay1Delay),
              tr("设置继电器1延时参数失败 !"));
    run.write(addr::Relay2Delay, editBytes(u.Edit38, addr::Relay2Delay),
              tr("设置继电器2延时参数失败 !"));

    // Match and mismatch exclude each other; the alarm and relay bits belong to mismatch.
    std::uint8_t control = 0;
    if (u.CheckBox19->isChecked()) {
        control = flagBit(idmatch::MatchBit, true);
    }
    if (u.CheckBox21->isChecked()) {
        const bool continuous = u.RadioButton7->isChecked();
        control = static_cast<std::uint8_t>(flagBit(idmatch::MismatchBit, true) |
                                            flagBit(idmatch::Relay1Bit, u.CheckBox20->isChecked()) |
                                            flagBit(idmatch::Relay2Bit, u.CheckBox22->isChecked()) |
                                            flagBit(idmatch::ContinuousAlarmBit, continuous) |
                                            flagBit(idmatch::SingleAlarmBit, !continuous));
    }
    run.write(addr::IdMatchControl, {control}, tr("设置ID匹配控制参数失败 !"));
    run.write(addr::IdMatchInterval, editBytes(u.Edit15, addr::IdMatchInterval),
              tr("设置ID匹配检测时间间隔参数失败 !"));

    run.finish(tr("设置读写器参数成功 !"), tr("设置读写器参数失败 !"));
}

void BasicFunctionPage::QueryBasicParameters() {
    Ui::BasicFunctionPage& u = *ui_;
    FieldRun run(session_, log_);

    run.read(addr::TriggerMode, tr("查询触发参数失败 !"), [&](const Bytes& bytes) {
        (hasBit(bytes[0], 0) ? u.RadioButton1 : u.RadioButton2)->setChecked(true);
    });
    run.read(addr::TriggerDelay, tr("查询触发延时工作时间参数失败 !"), showNumberIn(u.Edit34));
    run.read(addr::ShutdownDelay, tr("查询触发自动关机延时参数失败 !"), showNumberIn(u.Edit4));
    run.read(addr::ResidualClear, tr("查询触发清除残留数据使能参数失败 !"),
             [&](const Bytes& bytes) { u.CheckBox25->setChecked(hasBit(bytes[0], 0)); });
    run.read(addr::ResidualClearWait, tr("查询触发清除残留数据等待时间参数失败 !"),
             showNumberIn(u.Edit41));
    run.read(
        addr::Buzzer, tr("查询蜂鸣器参数失败 !"),
        [&](const Bytes& bytes) { u.CheckBox1->setChecked(isOnByte(bytes[0])); },
        FieldRun::OnFailure::KeepFlag);
    run.read(addr::UserCode, tr("查询用户编码参数失败 !"), showNumberIn(u.Edit3));
    run.read(addr::TagRefreshInterval, tr("查询标签刷新时间间隔参数失败 !"),
             showNumberIn(u.Edit14));
    run.read(addr::RelayAutoClose, tr("查询继电器自动闭合参数失败 ! "), [&](const Bytes& bytes) {
        u.CheckBox3->setChecked(hasBit(bytes[0], 0));
        u.CheckBox14->setChecked(hasBit(bytes[0], 1));
    });
    run.read(addr::RelayAutoOpen, tr("查询继电器自动断开参数失败 ! "), [&](const Bytes& bytes) {
        u.CheckBox2->setChecked(hasBit(bytes[0], 0));
        u.CheckBox4->setChecked(hasBit(bytes[0], 1));
    });
    run.read(addr::Relay1Delay, tr("查询继电器1延时参数失败！"), showNumberIn(u.Edit37));
    run.read(addr::Relay2Delay, tr("查询继电器2延时参数失败！"), showNumberIn(u.Edit38));
    run.read(addr::IdMatchInterval, tr("查询ID匹配检测时间间隔参数失败 !"), showNumberIn(u.Edit15));
    // The single-alarm bit is not read: single alarm is whatever is not continuous.
    run.read(addr::IdMatchControl, tr("查询ID匹配控制参数失败 !"), [&](const Bytes& bytes) {
        u.CheckBox19->setChecked(hasBit(bytes[0], idmatch::MatchBit));
        u.CheckBox21->setChecked(hasBit(bytes[0], idmatch::MismatchBit));
        u.CheckBox20->setChecked(hasBit(bytes[0], idmatch::Relay1Bit));
        u.CheckBox22->setChecked(hasBit(bytes[0], idmatch::Relay2Bit));
        (hasBit(bytes[0], idmatch::ContinuousAlarmBit) ? u.RadioButton7 : u.RadioButton8)
            ->setChecked(true);
    });

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
