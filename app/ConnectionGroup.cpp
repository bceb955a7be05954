// SPDX-License-Identifier: LGPL-2.1-or-later
#include "ConnectionGroup.h"

#include "app/LinkBox.h"
#include "reader/LineTiming.h"
#include "reader/Reader.h"
#include "reader/SerialPortNames.h"
#include "session/FailureReason.h"
#include "session/ReaderLibrary.h"
#include "ui_ConnectionGroup.h"
#include "widgets/KeyFilters.h"
#include "widgets/OperationLog.h"
#include "widgets/WaitCursor.h"

#include <QByteArray>
#include <QFocusEvent>

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

constexpr int kTcpLink = 0;
constexpr int kUsbLink = 1;
constexpr int kFirstSerialLink = 2;
constexpr int kRate9600 = 2;
constexpr int kAnyStationItem = 0;
constexpr int kAnyStationUnit = 255;
constexpr char kTagProperty[] = "tag";

}  // namespace

ConnectionGroup::ConnectionGroup(ReaderSession& session, OperationLog& log, QWidget* parent)
    : QGroupBox(parent),
      ui_(std::make_unique<Ui::ConnectionGroup>()),
      session_(session),
      log_(log) {
    ui_->setupUi(this);

    ui_->ComboBox1->setCurrentIndex(kFirstSerialLink);
    ui_->ComboBox1->setProperty(kTagProperty, 0);
    ui_->ComboBox1->setBeforePopup([this] { refreshLinkDevices(); });
    refreshLinkDevices();

    ui_->ComboBox7->addItem(tr("任意站"));
    for (int station = 1; station <= 20; ++station) {
        ui_->ComboBox7->addItem(tr("站%1").arg(station));
    }
    // The station box starts with its first item's text but no item selected.
    showStation();
    // A typed station is taken up here, by its own rules (numbers too, refusal logged),
    // instead of by the box's own matching when editing finishes; see eventFilter().
    QLineEdit* stationEdit = ui_->ComboBox7->lineEdit();
    disconnect(stationEdit, &QLineEdit::editingFinished, ui_->ComboBox7, nullptr);
    ui_->ComboBox7->installEventFilter(this);

    // Lists react to the user's choice only (activated), never to a selection made from code.
    connect(ui_->ComboBox1, &QComboBox::activated, this, &ConnectionGroup::ComboBox1Change);
    connect(ui_->ComboBox7, &QComboBox::activated, this, &ConnectionGroup::stationPicked);
    connect(stationEdit, &QLineEdit::textEdited, this, [this] { stationTyped_ = true; });
    connect(stationEdit, &QLineEdit::returnPressed, this, &ConnectionGroup::commitTypedStation);
    connect(ui_->Button1, &QPushButton::clicked, this, &ConnectionGroup::Button1Click);
    connect(ui_->Button2, &QPushButton::clicked, this, &ConnectionGroup::Button2Click);
    connect(ui_->Button3, &QPushButton::clicked, this, &ConnectionGroup::Button3Click);
}

ConnectionGroup::~ConnectionGroup() = default;

bool ConnectionGroup::isConnected() const {
    return ui_->Button2->isEnabled();
}

int ConnectionGroup::openLinkIndex() const {
    return ui_->ComboBox1->property(kTagProperty).toInt();
}

int ConnectionGroup::stationIndex() const {
    return station_;
}

QString ConnectionGroup::selectedSerialPort() const {
    return ui_->ComboBox1->currentIndex() >= kFirstSerialLink ? ui_->ComboBox1->currentText()
                                                              : QString();
}

QComboBox* ConnectionGroup::ComboBox1() const {
    return ui_->ComboBox1;
}
QComboBox* ConnectionGroup::ComboBox2() const {
    return ui_->ComboBox2;
}
QComboBox* ConnectionGroup::ComboBox7() const {
    return ui_->ComboBox7;
}
QLineEdit* ConnectionGroup::Edit71() const {
    return ui_->Edit71;
}
QLabel* ConnectionGroup::Label2() const {
    return ui_->Label2;
}
QPushButton* ConnectionGroup::Button1() const {
    return ui_->Button1;
}
QPushButton* ConnectionGroup::Button2() const {
    return ui_->Button2;
}
QPushButton* ConnectionGroup::Button3() const {
    return ui_->Button3;
}

void ConnectionGroup::ComboBox1Change() {
    if (ui_->ComboBox1->currentIndex() == kTcpLink) {
        ui_->Label2->setText(tr("IP地址"));
        ui_->Edit71->show();
        ui_->ComboBox2->hide();
    } else {
        ui_->Label2->setText(tr("波特率"));
        ui_->Edit71->hide();
        ui_->ComboBox2->show();
        ui_->ComboBox2->setCurrentIndex(kRate9600);
    }
}

void ConnectionGroup::refreshLinkDevices() {
    const auto ports = reader::comPorts();
    for (int i = 0; i < reader::kComPortCount; ++i) {
        const reader::ComPort& port = ports[static_cast<std::size_t>(i)];
        QStringList lines;
        if (port.device.empty()) {
            lines << tr("无串口设备");
        } else {
            lines << QString::fromStdString(port.device);
            if (port.configured) {
                lines << QStringLiteral("READER_COM%1").arg(i + 1);
            }
            if (port.info) {
                for (const std::string* text :
                     {&port.info->byId, &port.info->description, &port.info->manufacturer,
                      &port.info->serialNumber}) {
                    if (!text->empty()) {
                        lines << QString::fromStdString(*text);
                    }
                }
            }
        }
        ui_->ComboBox1->setItemData(kFirstSerialLink + i, lines.join(u'\n'), Qt::ToolTipRole);
    }
    const auto usb = reader::usbDevice();
    ui_->ComboBox1->setItemData(kUsbLink, usb ? QString::fromStdString(*usb) : tr("无USB设备"),
                                Qt::ToolTipRole);
}

void ConnectionGroup::useFoundReader(int station, int bitsPerSecond) {
    if (station >= 1 && station <= kLastStation) {
        ui_->ComboBox7->setCurrentIndex(station);
        stationPicked(station);
    }
    const int rateCode = reader::codeForRate(bitsPerSecond);
    if (rateCode >= 0 && rateCode < ui_->ComboBox2->count()) {
        ui_->ComboBox2->setCurrentIndex(rateCode);
    }
    found_ = {ui_->ComboBox1->currentIndex(), stationIndex(), rateCode};
    log_.append(tr("选用查找到的读写器：站%1，%2 bps !").arg(station).arg(bitsPerSecond));
}

void ConnectionGroup::ComboBox7Change() {
    // A change of the box takes effect at once; "任意站" means the reader at the other end
    // of a point-to-point link.
    session_.library().SelectStation(station_ == kAnyStationItem ? kAnyStationUnit : station_);
}

void ConnectionGroup::stationPicked(int index) {
    if (index < 0) {
        return;
    }
    station_ = index;
    stationTyped_ = false;
    showStation();
    ComboBox7Change();
}

bool ConnectionGroup::eventFilter(QObject* watched, QEvent* event) {
    // Leaving the station box by Tab or by a click finishes the typing. Losing the focus
    // to another window (a dialog, the window closing) does not: the text stays as typed
    // until the user comes back, and "联机" takes it up.
    if (watched == ui_->ComboBox7 && event->type() == QEvent::FocusOut) {
        switch (static_cast<QFocusEvent*>(event)->reason()) {
            case Qt::TabFocusReason:
            case Qt::BacktabFocusReason:
            case Qt::MouseFocusReason:
            case Qt::ShortcutFocusReason:
                commitTypedStation();
                break;
            default:
                break;
        }
    }
    return QGroupBox::eventFilter(watched, event);
}

bool ConnectionGroup::commitTypedStation() {
    if (!stationTyped_) {
        return true;
    }
    stationTyped_ = false;
    const QString typed = ui_->ComboBox7->currentText();
    const int item = stationItemForText(typed);
    if (item < 0) {
        // Never a guess: on a shared bus a wrong station reconfigures another reader.
        showStation();
        log_.append(tr("站地址“%1”无效，仍为“%2” !").arg(typed, ui_->ComboBox7->currentText()));
        return false;
    }
    station_ = item;
    showStation();
    ComboBox7Change();
    return true;
}

int ConnectionGroup::stationItemForText(const QString& text) const {
    const QString station = toHalfWidth(text).trimmed();
    const int item = ui_->ComboBox7->findText(station, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (item >= 0) {
        return item;
    }
    const bool digitsOnly =
        !station.isEmpty() && station.size() <= 3 &&
        std::all_of(station.begin(), station.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    const int number = digitsOnly ? station.toInt() : -1;
    return number >= 1 && number <= kLastStation ? number : -1;
}

void ConnectionGroup::showStation() {
    QComboBox* box = ui_->ComboBox7;
    box->setCurrentIndex(station_);
    box->setEditText(station_ < 0 ? tr("任意站") : box->itemText(station_));
}

void ConnectionGroup::Button1Click() {
    const WaitCursor waiting;
    ReaderLibrary& library = session_.library();
    // A station still being typed is the one to connect with (or is refused first).
    commitTypedStation();
    const int rateCode = ui_->ComboBox2->currentIndex();
    library.SelectStation(stationIndex());

    const int link = ui_->ComboBox1->currentIndex();
    const QString linkText = ui_->ComboBox1->currentText();
    std::uint8_t linkType = READER_LINK_SERIAL;
    QByteArray address = linkText.toLatin1();
    if (link == kTcpLink) {
        linkType = READER_LINK_TCP;
        address = ui_->Edit71->text().toUtf8();
    } else if (link == kUsbLink) {
        linkType = READER_LINK_USB;
    }
    const char* addressText = link == kUsbLink ? nullptr : address.constData();
    if (session_.open(linkType, addressText) != 0) {
        log_.append(tr("打开读写器不成功 !"));
        if (const QString reason = failureReason(library); !reason.isEmpty()) {
            log_.append(reason);
        }
        emit statusTextChanged(0, QStringLiteral("  ") + linkText + tr(":Closed"));
        return;
    }
    log_.append(tr("打开读写器成功 !"));
    emit statusTextChanged(0, linkText + tr(":打开"));

    if (link >= kFirstSerialLink) {
        // A reader found at another rate answers only there: the line goes to its rate
        // first, so the rate setting below reaches it.
        if (found_.link == link && found_.station == stationIndex() &&
            found_.rateCode == rateCode && rateCode != kRate9600) {
            library.SetLineRate(session_.handle(), reader::rateForCode(rateCode));
        }
        if (library.SetBaudRate(session_.handle(), rateCode) != 0) {
            log_.append(tr("设置波特率不成功 !"));
            emit statusTextChanged(1, tr("通信异常"));
            library.CloseReader(session_.handle());
            // The link is closed again: panel 0 must not go on saying it is open.
            emit statusTextChanged(0, linkText + tr(":关闭"));
            return;
        }
        log_.append(tr("设置波特率成功 !"));
    }

    emit statusTextChanged(1, tr("通信正常"));
    setConnectedState(true);
    ui_->ComboBox1->setProperty(kTagProperty, link);

    // The version calls' results are not checked: the line shows what the buffer holds.
    std::array<unsigned char, 4> version{};
    library.GetFirmwareVersion(session_.handle(), version.data());
    logVersion(tr("读写器固件程序版本是V"), version.data());
    library.GetSdkVersion(session_.handle(), version.data());
    logVersion(tr("读写器SDK版本是V"), version.data());
}

void ConnectionGroup::restoreRateAndClose() {
    ReaderLibrary& library = session_.library();
    library.SetBaudRate(session_.handle(), kRate9600);
    library.CloseReader(session_.handle());
}

void ConnectionGroup::Button2Click() {
    const WaitCursor waiting;
    restoreRateAndClose();
    setConnectedState(false);
    emit statusTextChanged(0, ui_->ComboBox1->currentText() + tr(":关闭"));
    emit statusTextChanged(1, QString());
}

void ConnectionGroup::Button3Click() {
    const WaitCursor waiting;
    ReaderLibrary& library = session_.library();
    // A reader that came back since the last failure is reset now, not refused.
    library.BeginOperation(session_.handle());
    bool ok = true;
    if (openLinkIndex() >= kFirstSerialLink) {
        ok = library.SetBaudRate(session_.handle(), kRate9600) == 0 && ok;
    }
    ok = library.ResetReader(session_.handle()) == 0 && ok;
    if (library.CloseReader(session_.handle()) != 0) {
        ok = false;
    } else {
        emit statusTextChanged(0, ui_->ComboBox1->currentText() + tr(":关闭"));
        emit statusTextChanged(1, QString());
    }
    setConnectedState(false);
    log_.append(ok ? tr("更新读写器工作参数成功 !") : tr("更新读写器工作参数不成功 !"));
}

void ConnectionGroup::setConnectedState(bool connected) {
    ui_->Button1->setEnabled(!connected);
    ui_->Button2->setEnabled(connected);
    ui_->Button3->setEnabled(connected);
    emit connectionChanged(connected);
}

void ConnectionGroup::logVersion(const QString& prefix, const unsigned char* version) {
    log_.append(prefix + QStringLiteral("%1.%2.%3.%4 !")
                             .arg(version[0])
                             .arg(version[1])
                             .arg(version[2])
                             .arg(version[3]));
}
