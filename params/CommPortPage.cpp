// SPDX-License-Identifier: LGPL-2.1-or-later
#include "CommPortPage.h"

#include "ui_CommPortPage.h"

#include "model/Addresses.h"
#include "params/ControlRules.h"
#include "params/FieldRun.h"
#include "params/ModelItems.h"
#include "params/RangeRules.h"
#include "session/ReaderLibrary.h"
#include "widgets/ErrorReporting.h"
#include "widgets/KeyFilters.h"

#include <functional>

namespace {

// The work-mode byte: bit 0 always set, bit 1 client mode.
constexpr std::uint8_t kWorkModeBase = flagBit(model::flags::kTcpWorkMode[0].bit, true);
constexpr int kClientModeBit = model::flags::kTcpWorkMode[1].bit;
// The MAC edits hold one hex pair each.
constexpr int kMacPairLength = 2;

FieldEncoding workModeEncoding(QAbstractButton* clientMode) {
    return FieldEncoding(
        [clientMode](int) {
            return Bytes{static_cast<std::uint8_t>(
                kWorkModeBase | flagBit(kClientModeBit, clientMode->isChecked()))};
        },
        [clientMode](const Bytes& bytes) {
            clientMode->setChecked(hasBit(bytes.at(0), kClientModeBit));
        });
}

// The start byte's list can also be typed into. A text that names an item is that item; an
// empty text without a selection is the byte a query kept; any other text is refused, so no
// byte the user cannot see is written.
FieldEncoding startByteEncoding(QComboBox* list) {
    const FieldEncoding shown =
        encoding::list(ListValue::items(list, *model::wiegandStartByte.list));
    return FieldEncoding(
        [list, shown](int width) {
            const QString text = list->currentText();
            const int item = list->findText(text);
            if (item >= 0) {
                return Bytes{static_cast<std::uint8_t>(
                    model::storedValue(*model::wiegandStartByte.list, item))};
            }
            if (text.isEmpty() && list->currentIndex() < 0) {
                return shown.encode(width);
            }
            throw ConversionError(text);
        },
        [shown](const Bytes& bytes) { shown.decode(bytes); });
}

void setTexts(std::initializer_list<QLineEdit*> edits, std::initializer_list<const char*> texts) {
    auto text = texts.begin();
    for (QLineEdit* edit : edits) {
        edit->setText(QString::fromLatin1(*text++));
    }
}

// The MAC edits as hex pairs; shown tells when bytes read from the reader fill them.
FieldEncoding macEncoding(std::vector<QLineEdit*> edits, std::function<void()> shown) {
    const FieldEncoding pairs = encoding::hexPairs(std::move(edits));
    return FieldEncoding([pairs](int width) { return pairs.encode(width); },
                         [pairs, shown](const Bytes& bytes) {
                             pairs.decode(bytes);
                             shown();
                         });
}

}  // namespace

// The page's fields in the order of the set operation.
struct CommPortPage::Fields {
    Fields(Ui::CommPortPage& u, std::function<void()> macShown)
        : mac{model::macAddress,
              macEncoding({u.Edit8, u.Edit9, u.Edit10, u.Edit11, u.Edit12, u.Edit13},
                          std::move(macShown)),
              {},
              {}},
          tcpIp{addr::TcpIpRecord,
                encoding::record(addr::TcpIpRecord,
                                 {
                                     {model::tcpWorkMode, workModeEncoding(u.CheckBox11)},
                                     {model::automaticIp,
                                      encoding::flagBits(model::automaticIp, {{u.CheckBox12}})},
                                     {model::macAddress, mac.encoding},
                                     {model::ipAddress,
                                      encoding::octets({u.Edit22, u.Edit23, u.Edit24, u.Edit25})},
                                     {model::subnetMask,
                                      encoding::octets({u.Edit26, u.Edit27, u.Edit28, u.Edit29})},
                                     {model::gateway,
                                      encoding::octets({u.Edit30, u.Edit31, u.Edit32, u.Edit33})},
                                     {model::tcpPort, encoding::number(u.Edit21)},
                                     {model::targetIpAddress,
                                      encoding::octets({u.Edit20, u.Edit19, u.Edit16, u.Edit35})},
                                     {model::targetPort, encoding::number(u.Edit36)},
                                 }),
                tr("设置TCP/IP参数失败!"), tr("查询TCP/IP参数失败 !")},
          clientPort{model::clientLocalPort, encoding::number(u.Edit39), tr("设置TCP/IP参数失败! "),
                     tr("查询TCP/IP参数失败 !")},
          keepAlive{model::keepAliveTime, encoding::number(u.Edit40), tr("设置TCP/IP参数失败! "),
                    tr("查询TCP/IP参数失败 !")},
          rs485Baud{model::rs485BaudRate,
                    encoding::list(ListValue::items(u.ComboBox12, *model::rs485BaudRate.list)),
                    tr("设置RS-485波特率参数失败! "), tr("查询RS-485波特率参数失败！")},
          idResponse{model::rs485IdResponse, encoding::onOffByte(u.CheckBox6),
                     tr("设置ID应答传输参数失败! "), tr("查询ID应答传输参数失败！")},
          wiegandProtocol{
              model::wiegandProtocol,
              encoding::list(ListValue::items(u.ComboBox11, *model::wiegandProtocol.list)),
              tr("设置Wiegand协议参数失败！"), tr("查询Wiegand协议参数失败！")},
          wiegandInterval{
              model::wiegandInterval,
              encoding::list(ListValue::items(u.ComboBox9, *model::wiegandInterval.list)),
              tr("设置Wiegand输出间隔参数失败！"), tr("查询Wiegand输出间隔参数失败！")},
          pulseWidth{model::wiegandPulseWidth, encoding::number(u.Edit1),
                     tr("设置Wiegand输出脉冲宽度参数失败！"),
                     tr("查询Wiegand输出脉冲宽度参数失败！")},
          pulsePeriod{model::wiegandPulsePeriod, encoding::number(u.Edit2),
                      tr("设置Wiegand输出脉冲周期参数失败！"),
                      tr("查询Wiegand输出脉冲周期参数失败！")},
          startByte{model::wiegandStartByte, startByteEncoding(u.ComboBox27),
                    tr("设置Wiegand输出起始字节参数失败！"),
                    tr("查询Wiegand输出起始字节参数失败！")} {}

    // The MAC edits alone: the read when the page opens and the MAC part of the record.
    FieldBinding mac;
    FieldBinding tcpIp, clientPort, keepAlive, rs485Baud, idResponse, wiegandProtocol,
        wiegandInterval, pulseWidth, pulsePeriod, startByte;
};

CommPortPage::CommPortPage(ReaderSession& session, OperationLog& log, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::CommPortPage>()), session_(session), log_(log) {
    Ui::CommPortPage& u = *ui_;
    u.setupUi(this);
    fillItems(u.ComboBox12, *model::rs485BaudRate.list);
    u.ComboBox12->setCurrentIndex(2);
    fillItems(u.ComboBox11, *model::wiegandProtocol.list);
    fillItems(u.ComboBox9, *model::wiegandInterval.list);
    u.ComboBox9->setCurrentIndex(9);
    fillItems(u.ComboBox27, *model::wiegandStartByte.list);
    u.ComboBox27->setCurrentIndex(5);
    fields_ = std::make_unique<Fields>(u, [this] { macConnection_ = session_.connection(); });

    for (QLineEdit* edit :
         {u.Edit21, u.Edit22, u.Edit23, u.Edit24, u.Edit25, u.Edit26, u.Edit27, u.Edit28,
          u.Edit29, u.Edit30, u.Edit31, u.Edit32, u.Edit33, u.Edit40, u.Edit39, u.Edit36,
          u.Edit20, u.Edit19, u.Edit16, u.Edit35, u.Edit1,  u.Edit2}) {
        KeyPressFilter::install(edit, Edit1eyPress);
    }
    for (int index = 0; index < 6; ++index) {
        KeyPressFilter::install(macEdit(index), Edit9KeyPress);
    }
    // The start byte's items are digits: typed ones as the decimal edits take them.
    KeyPressFilter::install(u.ComboBox27, Edit1eyPress);

    connect(u.Edit21, &QLineEdit::textChanged, this, &CommPortPage::Edit21Change);
    connect(u.Edit36, &QLineEdit::textChanged, this, &CommPortPage::Edit36Change);
    connect(u.Edit39, &QLineEdit::textChanged, this, &CommPortPage::Edit39Change);
    connect(u.Edit40, &QLineEdit::textChanged, this, &CommPortPage::Edit40Change);
    connect(u.Edit22, &QLineEdit::textChanged, this, &CommPortPage::Edit22Change);
    connect(u.Edit2, &QLineEdit::textChanged, this, &CommPortPage::Edit2Change);
    for (QLineEdit* edit :
         {u.Edit23, u.Edit24, u.Edit25, u.Edit26, u.Edit27, u.Edit28, u.Edit29, u.Edit30, u.Edit31,
          u.Edit32, u.Edit33, u.Edit20, u.Edit19, u.Edit16, u.Edit35, u.Edit1}) {
        connect(edit, &QLineEdit::textChanged, this, [this, edit] { ByteEditChange(edit); });
    }
    // The last MAC edit keeps the focus after its pair.
    for (QLineEdit* edit : {u.Edit8, u.Edit9, u.Edit10, u.Edit11, u.Edit12}) {
        connect(edit, &QLineEdit::textChanged, this, [this, edit] { Edit9Change(edit); });
    }
    // What the user types into the MAC edits is meant for the reader connected now.
    for (int index = 0; index < 6; ++index) {
        connect(macEdit(index), &QLineEdit::textEdited, this,
                [this] { macConnection_ = session_.connection(); });
    }
    connect(u.CheckBox11, &QCheckBox::toggled, this, &CommPortPage::CheckBox11Click);
    connect(u.CheckBox12, &QCheckBox::toggled, this, &CommPortPage::CheckBox12Click);
    connect(u.ComboBox27, &QComboBox::editTextChanged, this, &CommPortPage::ComboBox27Change);
}

CommPortPage::~CommPortPage() = default;

void CommPortPage::applyDefaultSet() {
    Ui::CommPortPage& u = *ui_;
    u.ComboBox11->setCurrentIndex(0);
    u.ComboBox12->setCurrentIndex(2);
    u.CheckBox6->setChecked(false);
    u.CheckBox6->setEnabled(false);
    u.ComboBox9->setCurrentIndex(9);
    u.Edit1->setText(QStringLiteral("8"));
    u.Edit2->setText(QStringLiteral("12"));
    u.ComboBox27->setCurrentIndex(0);
    u.Edit21->setText(QStringLiteral("4001"));
    setTexts({u.Edit22, u.Edit23, u.Edit24, u.Edit25}, {"192", "168", "0", "178"});
    setTexts({u.Edit26, u.Edit27, u.Edit28, u.Edit29}, {"255", "255", "255", "0"});
    setTexts({u.Edit30, u.Edit31, u.Edit32, u.Edit33}, {"192", "168", "0", "1"});
}

void CommPortPage::SetCommPortParameters() {
    const Fields& f = *fields_;
    FieldRun run(session_, log_);
    // Every text of the record is converted before anything is written.
    Bytes tcpIp = f.tcpIp.encoding.encode(f.tcpIp.field.width);
    if (withConnectedReadersMac(run, tcpIp)) {
        run.write(f.tcpIp.field, tcpIp, f.tcpIp.setFailure);
    }
    run.set(f.clientPort);
    run.set(f.keepAlive);
    run.set(f.rs485Baud);
    run.set(f.idResponse);
    run.set(f.wiegandProtocol);
    run.set(f.wiegandInterval);
    run.set(f.pulseWidth);
    run.set(f.pulsePeriod);
    run.set(f.startByte);
    run.finish(tr("设置通信口参数成功 !"), tr("设置通信口参数失败 !"));
}

bool CommPortPage::withConnectedReadersMac(FieldRun& run, Bytes& tcpIp) {
    const FieldBinding& mac = fields_->mac;
    const auto macStart = tcpIp.begin() + fields_->tcpIp.field.offsetOf(mac.field);
    if (macConnection_ == session_.connection() && !isGroupMacAddress(*macStart)) {
        return true;
    }
    // The MAC edits hold the start texts (FF six times, a group address), another reader's
    // MAC (read or typed before this connection) or a group address: the reader keeps its
    // own MAC, shown in the edits. Without it there is no record to write.
    const QString& failure = fields_->tcpIp.setFailure;
    Bytes own;
    if (!run.read(mac.field, failure, [&own](const Bytes& bytes) { own = bytes; })) {
        return false;
    }
    if (isGroupMacAddress(own.at(0))) {
        run.fail(failure);
        return false;
    }
    mac.encoding.decode(own);
    std::copy(own.begin(), own.end(), macStart);
    return true;
}

void CommPortPage::QueryCommPortParameters() {
    const Fields& f = *fields_;
    FieldRun run(session_, log_);
    if (run.query(f.tcpIp)) {
        CheckBox11Click();
        CheckBox12Click();
    }
    run.query(f.clientPort);
    run.query(f.keepAlive);
    run.query(f.rs485Baud);
    run.query(f.idResponse);
    run.query(f.wiegandProtocol);
    run.query(f.wiegandInterval);
    run.query(f.pulseWidth);
    run.query(f.pulsePeriod);
    run.query(f.startByte);
    run.finish(tr("查询通信口参数成功!"), tr("查询通信口参数失败!"));
}

void CommPortPage::QueryMacAddress() {
    // Read whether or not a reader is connected; a failure changes nothing and logs nothing.
    // The binding has no messages and the run no summary: the opening read stays silent.
    FieldRun run(session_, log_);
    run.query(fields_->mac);
}

QLineEdit* CommPortPage::macEdit(int index) const {
    QLineEdit* const edits[] = {ui_->Edit8,  ui_->Edit9,  ui_->Edit10,
                                ui_->Edit11, ui_->Edit12, ui_->Edit13};
    return edits[index];
}

void CommPortPage::Edit21Change() {
    applyRangeRule(ui_->Edit21, range::ReaderPort);
}

void CommPortPage::Edit36Change() {
    applyRangeRule(ui_->Edit36, range::TargetPort);
}

void CommPortPage::Edit39Change() {
    applyRangeRule(ui_->Edit39, range::ClientPort);
}

void CommPortPage::Edit40Change() {
    applyRangeRule(ui_->Edit40, range::KeepAlive);
}

void CommPortPage::Edit22Change() {
    applyRangeRule(ui_->Edit22, range::FirstIpOctet);
}

void CommPortPage::Edit2Change() {
    applyRangeRule(ui_->Edit2, range::PulsePeriod);
}

void CommPortPage::ByteEditChange(QLineEdit* edit) {
    applyRangeRule(edit, range::Byte);
}

void CommPortPage::Edit9Change(QLineEdit* edit) {
    moveFocusOnWhenFull(edit, kMacPairLength);
}

void CommPortPage::CheckBox11Click() {
    Ui::CommPortPage& u = *ui_;
    enableAll({u.Label56, u.Label57, u.Label58, u.Edit16, u.Edit19, u.Edit20, u.Edit35, u.Edit36,
               u.Edit39},
              u.CheckBox11->isChecked());
}

void CommPortPage::CheckBox12Click() {
    Ui::CommPortPage& u = *ui_;
    enableAll({u.Edit22, u.Edit23, u.Edit24, u.Edit25, u.Edit26, u.Edit27, u.Edit28, u.Edit29,
               u.Edit30, u.Edit31, u.Edit32, u.Edit33},
              !u.CheckBox12->isChecked());
}

void CommPortPage::ComboBox27Change(const QString& text) {
    QComboBox* list = ui_->ComboBox27;
    const int item = list->findText(text);
    if (item >= 0 && item != list->currentIndex()) {
        list->setCurrentIndex(item);
    }
}
