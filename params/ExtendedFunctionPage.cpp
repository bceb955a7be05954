// SPDX-License-Identifier: LGPL-2.1-or-later
#include "ExtendedFunctionPage.h"

#include "ui_ExtendedFunctionPage.h"

#include "model/Addresses.h"
#include "params/ControlRules.h"
#include "params/FieldRun.h"
#include "params/ModelItems.h"
#include "params/RangeRules.h"
#include "session/ReaderLibrary.h"
#include "widgets/HexPair.h"
#include "widgets/KeyFilters.h"

#include <QApplication>

namespace {

// The reader takes the record interval only a while after offline recording is switched on.
constexpr int kOfflineIntervalPauseMs = 500;

// The encryption mode byte: bits 0-6 the mode (the list position), bit 7 static storage.
constexpr int kStaticStorageBit = model::flags::kStaticStorage[0].bit;
constexpr std::uint8_t kModeMask = flagBit(kStaticStorageBit, true) - 1;
// The two modes whose key the user enters, and the key's length in hex digits.
constexpr int kSharedMode = 2;
constexpr int kCustomerMode = 3;
constexpr int kSharedKeyLength = 16;
constexpr int kCustomerKeyLength = 32;

// What leaving the tag filter puts in place of a range that is not one.
constexpr qint64 kFallbackUpperBound = 2147483647;

// The key box takes what the hexadecimal key filter takes; Enter, like any other key the
// filter does not admit, is discarded.
QChar Memo2KeyPress(QChar key) {
    return Edit9KeyPress(key);
}

// The key: the box's lines joined, two digits a byte, first digit the high nibble. Only
// complete pairs count, at most width of them; the reader's key is never read back.
FieldEncoding keyEncoding(const LimitedMemo* memo) {
    return FieldEncoding(
        [memo](int width) { return HexPairsToBytes(memo->toPlainText().remove(u'\n'), width); },
        [](const Bytes&) {});
}

}  // namespace

// The page's fields in the order of the set operation.
struct ExtendedFunctionPage::Fields {
    Fields(Ui::ExtendedFunctionPage& u, ExtendedFunctionPage& page)
        : offlineEnable{model::offlineFunction, encoding::onOffByte(u.CheckBox66),
                        tr("设置离线功能使能参数失败 !"), tr("查询离线功能使能参数失败 !")},
          offlineInterval{model::offlineSaveInterval, encoding::number(u.Edit72),
                          tr("设置离线功能保存记录时间间隔参数失败 !"),
                          tr("查询离线功能保存记录时间间隔参数失败 !")},
          encryptionMode{model::encryptionMode, modeEncoding(u, page),
                         tr("设置ID加密模式参数失败 !"), tr("查询ID加密模式参数失败 !")},
          key{model::encryptionKey, keyEncoding(u.Memo2), tr("设置密钥参数失败 !"), {}},
          suppression{model::tagSuppression,
                      encoding::list(ListValue::items(u.ComboBox19, *model::tagSuppression.list)),
                      tr("设置标签抑制因子参数失败 !"), tr("查询标签抑制因子参数失败 !")},
          rangeFilter{model::tagRangeFilter,
                      encoding::flagBits(model::tagRangeFilter, {{u.CheckBox27}}),
                      tr("设置标签过滤标志参数失败 !"), tr("查询标签过滤标志参数失败 !")},
          rangeBounds{addr::RangeBounds,
                      encoding::record(addr::RangeBounds,
                                       {{model::tagRangeLower, encoding::number(u.Edit42)},
                                        {model::tagRangeUpper, encoding::number(u.Edit43)}}),
                      tr("设置标签最小和最大值失败 !"), tr("查询标签最小和最大值参数失败 !")},
          mountingSide{
              model::mountingSide,
              encoding::flagBits(model::mountingSide, {{u.RadioButton11, u.RadioButton12}}),
              tr("设置读写器安装属性参数失败 !"), tr("查询读写器安装属性参数失败 !")} {}

    // A mode without an item is kept (the list shows no selection), while static storage
    // always follows its check box. Showing a mode runs the mode's rule before static
    // storage is ticked.
    static FieldEncoding modeEncoding(Ui::ExtendedFunctionPage& u, ExtendedFunctionPage& page) {
        const ListValue mode = ListValue::items(u.ComboBox15, *model::encryptionMode.list);
        return FieldEncoding(
            [mode, &u](int) {
                return Bytes{static_cast<std::uint8_t>(
                    (mode.value() & kModeMask) |
                    flagBit(kStaticStorageBit, u.CheckBox26->isChecked()))};
            },
            [mode, &u, &page](const Bytes& bytes) {
                mode.show(bytes.at(0) & kModeMask);
                page.ComboBox15Change();
                u.CheckBox26->setChecked(hasBit(bytes.at(0), kStaticStorageBit));
            });
    }

    FieldBinding offlineEnable, offlineInterval, encryptionMode, key, suppression, rangeFilter,
        rangeBounds, mountingSide;
};

ExtendedFunctionPage::ExtendedFunctionPage(ReaderSession& session, OperationLog& log,
                                           QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::ExtendedFunctionPage>()),
      session_(session),
      log_(log) {
    Ui::ExtendedFunctionPage& u = *ui_;
    u.setupUi(this);
    fillItems(u.ComboBox15, *model::encryptionMode.list);
    fillItems(u.ComboBox19, *model::tagSuppression.list);
    u.ComboBox19->setCurrentIndex(1);
    fields_ = std::make_unique<Fields>(u, *this);

    u.Memo2->setMaxLength(kCustomerKeyLength);
    u.Memo2->setKeyFilter(Memo2KeyPress);
    KeyPressFilter::install(u.Edit42, Edit1eyPress);
    KeyPressFilter::install(u.Edit43, Edit1eyPress);

    connect(u.CheckBox66, &QCheckBox::toggled, this, &ExtendedFunctionPage::CheckBox66Click);
    connect(u.CheckBox27, &QCheckBox::toggled, this, &ExtendedFunctionPage::CheckBox27Click);
    // Only the user's choice runs the mode's rule.
    connect(u.ComboBox15, &QComboBox::activated, this, &ExtendedFunctionPage::ComboBox15Change);
    connect(u.Edit72, &QLineEdit::textChanged, this, &ExtendedFunctionPage::Edit72Change);
    connect(u.Edit42, &QLineEdit::textChanged, this, &ExtendedFunctionPage::Edit42Change);
    connect(u.Edit43, &QLineEdit::textChanged, this, &ExtendedFunctionPage::Edit43Change);
    focusConnection_ = connect(qApp, &QApplication::focusChanged, this,
                               [this](QWidget*, QWidget* now) { focusChanged(now); });
}

ExtendedFunctionPage::~ExtendedFunctionPage() {
    disconnect(focusConnection_);
}

void ExtendedFunctionPage::formShow(const WindowVariants& /*variants*/) {
    ui_->Memo2->clear();
}

void ExtendedFunctionPage::SetExtendedParameters() {
    const Fields& f = *fields_;
    const Ui::ExtendedFunctionPage& u = *ui_;
    FieldRun run(session_, log_);
    const std::uint8_t offline = f.offlineEnable.encoding.encode(f.offlineEnable.field.width).at(0);
    run.call([offline](ReaderLibrary& library,
                       std::int32_t handle) { return library.SetOLEnable(handle, offline); },
             f.offlineEnable.setFailure);
    if (u.CheckBox66->isChecked()) {
        const Bytes interval = f.offlineInterval.encoding.encode(f.offlineInterval.field.width);
        run.pause(kOfflineIntervalPauseMs);
        run.write(f.offlineInterval.field, interval, f.offlineInterval.setFailure);
    }
    const Bytes mode = f.encryptionMode.encoding.encode(f.encryptionMode.field.width);
    run.write(f.encryptionMode.field, mode, f.encryptionMode.setFailure);
    // Every mode byte but 0 takes the key: also mode 1, whose key box is disabled, and mode 0
    // with static storage.
    if (mode.at(0) != 0) {
        if (const Bytes key = f.key.encoding.encode(f.key.field.width); !key.empty()) {
            run.write(f.key.field, key, f.key.setFailure);
        }
    }
    run.set(f.suppression);
    run.set(f.rangeFilter);
    if (u.CheckBox27->isChecked()) {
        run.set(f.rangeBounds);
    }
    run.set(f.mountingSide);
    run.finish(tr("设置读写器参数成功 !"), tr("设置读写器参数失败 !"));
}

void ExtendedFunctionPage::QueryExtendedParameters() {
    const Fields& f = *fields_;
    FieldRun run(session_, log_);
    run.query(f.offlineEnable);
    run.query(f.offlineInterval);
    run.query(f.encryptionMode);
    run.query(f.suppression);
    // The bounds are read whether or not the filter is on, but not after its flag failed.
    if (run.query(f.rangeFilter)) {
        run.query(f.rangeBounds);
    }
    run.query(f.mountingSide);
    run.finish(tr("查询读写器参数成功 !"), tr("查询读写器参数失败 !"));
}

void ExtendedFunctionPage::CheckBox66Click() {
    Ui::ExtendedFunctionPage& u = *ui_;
    enableAll({u.Edit72, u.Label33, u.Label102}, u.CheckBox66->isChecked());
}

void ExtendedFunctionPage::CheckBox27Click() {
    Ui::ExtendedFunctionPage& u = *ui_;
    enableAll({u.Label87, u.Label88, u.Edit42, u.Edit43}, u.CheckBox27->isChecked());
}

void ExtendedFunctionPage::ComboBox15Change() {
    Ui::ExtendedFunctionPage& u = *ui_;
    const int mode = u.ComboBox15->currentIndex();
    if (mode < 0) {
        return;
    }
    const bool keyEntered = mode == kSharedMode || mode == kCustomerMode;
    enableAll({u.Label43, u.CheckBox26, u.Memo2}, keyEntered);
    if (keyEntered) {
        // A lower limit keeps a longer key already typed; the set writes its first bytes.
        u.Memo2->setMaxLength(mode == kSharedMode ? kSharedKeyLength : kCustomerKeyLength);
        u.Memo2->setFocus(Qt::OtherFocusReason);
    }
}

void ExtendedFunctionPage::Edit72Change() {
    applyRangeRule(ui_->Edit72, range::OfflineInterval);
}

void ExtendedFunctionPage::Edit42Change() {
    applyRangeRule(ui_->Edit42, range::TagBound);
}

void ExtendedFunctionPage::Edit43Change() {
    applyRangeRule(ui_->Edit43, range::TagBound);
}

void ExtendedFunctionPage::GroupBox25Exit() {
    Ui::ExtendedFunctionPage& u = *ui_;
    const std::optional<std::int64_t> lower = ruleNumber(u.Edit42->text(), range::TagBound);
    const std::optional<std::int64_t> upper = ruleNumber(u.Edit43->text(), range::TagBound);
    if (!lower || !upper || *lower >= *upper) {
        u.Edit42->setText(QStringLiteral("0"));
        u.Edit43->setText(QString::number(kFallbackUpperBound));
    }
}

void ExtendedFunctionPage::focusChanged(QWidget* now) {
    if (!now || now->window() != window()) {
        return;
    }
    QGroupBox* group = ui_->GroupBox25;
    const bool wasInside = lastFocus_ && group->isAncestorOf(lastFocus_);
    lastFocus_ = now;
    if (wasInside && !group->isAncestorOf(now)) {
        GroupBox25Exit();
    }
}
