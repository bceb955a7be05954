// SPDX-License-Identifier: LGPL-2.1-or-later
#include "DataFramePage.h"

#include "ui_DataFramePage.h"

#include "params/ControlRules.h"
#include "params/FieldRun.h"
#include "params/ModelItems.h"
#include "widgets/HexPair.h"
#include "widgets/KeyFilters.h"

namespace {

constexpr int kCodeDigits = 8;
constexpr std::uint8_t kCodeEnd = 0xFF;

// A preamble or end code typed as hex pairs. The set writes the whole field: the entered
// bytes, then 0xFF up to its end, so no tail of an older, longer code stays behind and the
// reader holds exactly the code shown. The query shows the bytes before the first 0xFF.
FieldEncoding frameCode(QLineEdit* edit) {
    return FieldEncoding(
        [edit](int width) {
            Bytes bytes = HexPairsToBytes(edit->text(), width);
            bytes.resize(static_cast<std::size_t>(width), kCodeEnd);
            return bytes;
        },
        [edit](const Bytes& bytes) {
            QString text;
            for (std::uint8_t byte : bytes) {
                if (byte == kCodeEnd) {
                    break;
                }
                text += ByteToHexPair(byte);
            }
            edit->setText(text);
        });
}

}  // namespace

struct DataFramePage::Fields {
    explicit Fields(Ui::DataFramePage& u)
        : format{model::outputFormat, encoding::onOffByte(u.RadioButton10, u.RadioButton5),
                 tr("设置输出数据格式参数失败 !"), tr("查询输出数据格式参数失败 !")},
          flags{
              model::frameContent,
              encoding::flagBits(model::frameContent,
                                 {{u.CheckBox15}, {u.CheckBox16}, {u.CheckBox17}, {u.CheckBox18}}),
              tr("设置数据格式标志参数失败 !"), tr("查询数据格式标志参数失败 !")},
          idPart{model::outputIdPart,
                 encoding::nibblePair(ListValue::items(u.ComboBox10, *model::outputIdPart.list),
                                      ListValue::items(u.ComboBox4, *model::outputIdPart.low)),
                 tr("设置输出标签起始字节和字节数参数失败 !"),
                 tr("查询输出标签起始字节和字节数参数失败 !")},
          preamble{model::framePreamble, frameCode(u.Edit6), tr("设置前导码参数失败 !"),
                   tr("查询前导码参数失败 !")},
          endCode{model::frameEndCode, frameCode(u.Edit7), tr("设置结束码参数失败 !"),
                  tr("查询结束码参数失败 !")} {}

    FieldBinding format, flags, idPart, preamble, endCode;
};

DataFramePage::DataFramePage(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::DataFramePage>()) {
    Ui::DataFramePage& u = *ui_;
    u.setupUi(this);
    fillItems(u.ComboBox10, *model::outputIdPart.list);
    fillItems(u.ComboBox4, *model::outputIdPart.low);
    u.ComboBox4->setCurrentIndex(u.ComboBox4->count() - 1);
    fields_ = std::make_unique<Fields>(u);

    connect(u.CheckBox15, &QCheckBox::toggled, this, &DataFramePage::CheckBox15Click);
    connect(u.CheckBox17, &QCheckBox::toggled, this, &DataFramePage::CheckBox17Click);
    connect(u.CheckBox18, &QCheckBox::toggled, this, &DataFramePage::CheckBox18Click);
    for (QLineEdit* edit : {u.Edit6, u.Edit7}) {
        KeyPressFilter::install(edit, Edit9KeyPress);
        connect(edit, &QLineEdit::textChanged, this, [this, edit] { Edit6Change(edit); });
    }
}

DataFramePage::~DataFramePage() = default;

void DataFramePage::setSteps(FieldRun& run) const {
    run.set(fields_->format);
    run.set(fields_->flags);
    run.set(fields_->idPart);
    run.set(fields_->preamble);
    run.set(fields_->endCode);
}

void DataFramePage::querySteps(FieldRun& run) const {
    run.query(fields_->format);
    run.query(fields_->flags);
    run.query(fields_->idPart);
    run.query(fields_->preamble);
    run.query(fields_->endCode);
}

void DataFramePage::CheckBox15Click() {
    enableAll({ui_->Label25, ui_->Edit6}, ui_->CheckBox15->isChecked());
}

void DataFramePage::CheckBox17Click() {
    Ui::DataFramePage& u = *ui_;
    enableAll({u.Label29, u.ComboBox4, u.Label30, u.ComboBox10}, u.CheckBox17->isChecked());
}

void DataFramePage::CheckBox18Click() {
    enableAll({ui_->Label27, ui_->Edit7}, ui_->CheckBox18->isChecked());
}

void DataFramePage::Edit6Change(QLineEdit* edit) {
    moveFocusOnWhenFull(edit, kCodeDigits);
}
