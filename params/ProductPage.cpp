// SPDX-License-Identifier: LGPL-2.1-or-later
#include "ProductPage.h"

#include "ui_ProductPage.h"

#include "params/FieldRun.h"
#include "params/ModelItems.h"
#include "widgets/KeyFilters.h"
#include "widgets/OperationLog.h"
#include "widgets/ProgramRandom.h"

#include <array>

namespace {

constexpr int kFactoryWindow = 1;
constexpr int kModelCodeLength = 8;
constexpr int kSerialHeadLength = 12;  // model code, year, month
constexpr int kValidatedLength = 9;

// The model codes a serial number carries, by position of the model list.
constexpr std::array<const char*, 6> kModelCodes{"QLX7311E", "QLX7321E", "QLX7331X",
                                                 "QLX7311R", "QLX7321R", "QLX7331R"};

// The PCB type code written with each identifier, by position of the PCB list.
constexpr std::array<std::uint8_t, model::items::kPcbIdentifiers.size()> kPcbTypeCodes{
    0x14, 0x14, 0x14, 0x15, 0x16, 0x17};

const Bytes kProductMarker{0xAA, 0x77, 0x11, 0x00};

// The MAC draws its first four bytes from a random number below 2^31 - 1.
constexpr std::int32_t kMacRandomBound = 2147483647;

QString twoDigits(int number) {
    return QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0'));
}

// A product mark is valid when its first nine characters are "1"-"9" or "A"-"Z".
bool isValidMark(const Bytes& mark) {
    for (int i = 0; i < kValidatedLength; ++i) {
        const std::uint8_t c = mark.at(static_cast<std::size_t>(i));
        if (!((c >= '1' && c <= '9') || (c >= 'A' && c <= 'Z'))) {
            return false;
        }
    }
    return true;
}

// The PCB list shows the identifier's row; an identifier without a row changes nothing.
FieldEncoding pcbIdentifier(QComboBox* list) {
    return FieldEncoding(
        [list](int) {
            return Bytes{static_cast<std::uint8_t>(
                model::storedValue(*model::pcbIdentifier.list, list->currentIndex()))};
        },
        [list](const Bytes& bytes) {
            const int row = model::itemPosition(*model::pcbIdentifier.list, bytes.at(0));
            if (row >= 0) {
                list->setCurrentIndex(row);
            }
        });
}

// A unicast, locally administered address: the random first byte loses its group bit and
// gains the local bit. Then three more random bytes and the sequence number.
Bytes macAddress(std::int32_t random, int sequence) {
    Bytes mac = bigEndian(random, 4);
    mac[0] = static_cast<std::uint8_t>((mac[0] & 0xFC) | 0x02);
    const Bytes sequenceBytes = bigEndian(sequence, 2);
    mac.insert(mac.end(), sequenceBytes.begin(), sequenceBytes.end());
    return mac;
}

}  // namespace

struct ProductPage::Fields {
    explicit Fields(Ui::ProductPage& u)
        : pcbIdentifier{model::pcbIdentifier, ::pcbIdentifier(u.ComboBox16),
                        tr("设置PCB主板标识参数失败 !"), tr("查询PCB主板标识参数失败 !")},
          pcbVersion{model::pcbVersion,
                     encoding::list(ListValue::items(u.ComboBox17, *model::pcbVersion.list)),
                     tr("设置PCB主板版本参数失败 !"), tr("查询PCB板版本参数失败 !")},
          magicNumber{
              model::magicNumber, encoding::list(ListValue::itemText(u.ComboBox20)), {}, {}} {}

    FieldBinding pcbIdentifier, pcbVersion, magicNumber;
};

ProductPage::ProductPage(ReaderSession& session, OperationLog& log, QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::ProductPage>()),
      session_(session),
      log_(log),
      clock_([] { return QDate::currentDate(); }) {
    Ui::ProductPage& u = *ui_;
    u.setupUi(this);
    fillItems(u.ComboBox16, *model::pcbIdentifier.list);
    u.ComboBox16->setCurrentIndex(2);
    fillItems(u.ComboBox17, *model::pcbVersion.list);
    fields_ = std::make_unique<Fields>(u);
    KeyPressFilter::install(u.Edit18, Edit1eyPress);
    connect(u.ComboBox14, &QComboBox::activated, this, &ProductPage::ComboBox14Change);
}

ProductPage::~ProductPage() = default;

void ProductPage::formShow(const WindowVariants& variants) {
    if (variants.window == kFactoryWindow) {
        ComboBox14Change();
    }
}

void ProductPage::applyDefaultSet() {
    ui_->ComboBox14->setCurrentIndex(1);
    ComboBox14Change();
}

void ProductPage::ComboBox14Change() {
    const int model = ui_->ComboBox14->currentIndex();
    if (model < 0) {
        return;
    }
    const QDate today = clock_();
    ui_->Edit17->setText(QLatin1String(kModelCodes.at(static_cast<std::size_t>(model))) +
                         twoDigits(today.year() - 2000) + twoDigits(today.month()));
}

void ProductPage::SetProductParameters() {
    Ui::ProductPage& u = *ui_;
    const Fields& f = *fields_;
    FieldRun run(session_, log_);

    bool isNumber = false;
    int sequence = u.Edit18->text().toInt(&isNumber);
    if (!isNumber || sequence < 0) {
        sequence = 1;
    }
    u.Edit18->setText(QStringLiteral("%1").arg(sequence, 4, 10, QLatin1Char('0')));

    const QByteArray serial = (u.Edit17->text() + u.Edit18->text()).toLatin1();
    run.write(model::productSerialNumber,
              Bytes(serial.begin(),
                    serial.begin() +
                        std::min<qsizetype>(serial.size(), model::productSerialNumber.width)),
              tr("设置产品序列号参数失败 !"));
    // The type code follows its identifier only; either failure is one message.
    if (run.set(f.pcbIdentifier)) {
        run.write(model::pcbType,
                  {kPcbTypeCodes.at(static_cast<std::size_t>(u.ComboBox16->currentIndex()))},
                  f.pcbIdentifier.setFailure);
    }
    run.set(f.pcbVersion);
    run.write(model::macAddress, macAddress(drawRandomBelow(kMacRandomBound), sequence), {});
    run.set(f.magicNumber);
    run.write(model::productMarker, kProductMarker, {});
    run.finish(tr("设置产品参数成功 !"), tr("设置产品参数失败 !"));
}

void ProductPage::QueryProductParameters() {
    Ui::ProductPage& u = *ui_;
    const Fields& f = *fields_;
    FieldRun run(session_, log_);

    // An invalid mark is a finding about the data, not a failed call: the flag stays.
    run.read(model::productSerialNumber, tr("查询产品标志参数失败 !"), [&](const Bytes& mark) {
        if (!isValidMark(mark)) {
            log_.append(tr("产品标志参数无效 !"));
            return;
        }
        const QString text = QString::fromLatin1(reinterpret_cast<const char*>(mark.data()),
                                                 static_cast<qsizetype>(mark.size()));
        int model = -1;
        for (std::size_t row = 0; row < kModelCodes.size(); ++row) {
            if (text.left(kModelCodeLength) == QLatin1String(kModelCodes[row])) {
                model = static_cast<int>(row);
            }
        }
        u.ComboBox14->setCurrentIndex(model);
        u.Edit17->setText(text.left(kSerialHeadLength));
        u.Edit18->setText(text.mid(kSerialHeadLength));
    });
    run.query(f.pcbIdentifier);
    run.query(f.pcbVersion);
    run.query(f.magicNumber);
    run.finish(tr("查询产品参数成功 !"), tr("查询产品参数失败 !"));
}
