#include "RfBasicPage.h"

#include "ui_RfBasicPage.h"

#include "params/ControlRules.h"
#include "params/FieldRun.h"
#include "params/RfSummary.h"

namespace {

constexpr int kRssiFirst = -110;
constexpr int kRssiLast = -10;
constexpr int kAttenuationSteps = 32;  // 0 to 31 dB

}  // namespace

struct RfBasicPage::Fields {
    explicit Fields(Ui::RfBasicPage& u)
        : attenuations{addr::Attenuations,
                       encoding::record(
                           addr::Attenuations,
                           {{addr::Attenuation1, encoding::list(ListValue::position(u.ComboBox5))},
                            {addr::Attenuation2,
                             encoding::list(ListValue::position(u.ComboBox8))}}),
                       tr("设置衰减系数失败 !"), tr("查询通道衰减系数失败 !")},
          rssi{addr::RssiThreshold, encoding::list(ListValue::itemNumber(u.ComboBox6)),
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
    fillNumbers(ui_->ComboBox6, kRssiFirst, kRssiLast);
    for (QComboBox* attenuation : {ui_->ComboBox5, ui_->ComboBox8}) {
        attenuation->clear();
        for (int db = 0; db < kAttenuationSteps; ++db) {
            attenuation->addItem(tr("%1 dB").arg(db));
        }
        attenuation->setCurrentIndex(0);
    }
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
