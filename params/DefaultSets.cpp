#include "DefaultSets.h"

#include "params/BasicFunctionPage.h"

#include <QCheckBox>

DefaultSet defaultSetForPage(int page) {
    switch (page) {
        case 0:
            return DefaultSet::Product;
        case 1:
            return DefaultSet::BuzzerRs485Wiegand;
        case 2:
            return DefaultSet::TcpIp;
        case 5:
            return DefaultSet::Positioning;
        default:
            return DefaultSet::None;
    }
}

namespace {

void applyProductSet(const ParameterPages& /*pages*/) {
    // Product page: ComboBox14 item 1 "QLX-7321E", then its ComboBox14Change.
}

void applyBuzzerRs485WiegandSet(const ParameterPages& pages) {
    if (pages.basic) {
        pages.basic->buzzerCheckBox()->setChecked(true);
    }
    // Communication-port page: ComboBox11 item 0, ComboBox12 item 2, CheckBox6 disabled
    // and unchecked, ComboBox9 item 9, Edit1 "8", Edit2 "12", ComboBox27 item 0.
}

void applyTcpIpSet(const ParameterPages& /*pages*/) {
    // Communication-port page: Edit21 "4001"; Edit22..Edit25 "192", "168", "0", "178";
    // Edit26..Edit29 "255", "255", "255", "0"; Edit30..Edit33 "192", "168", "0", "1".
}

void applyPositioningSet(const ParameterPages& /*pages*/) {
    // Positioning page: RadioButton9 checked, ComboBox13 item 0, ComboBox18 item 0.
}

}  // namespace

void applyDefaultSet(DefaultSet set, const ParameterPages& pages) {
    switch (set) {
        case DefaultSet::Product:
            applyProductSet(pages);
            break;
        case DefaultSet::BuzzerRs485Wiegand:
            applyBuzzerRs485WiegandSet(pages);
            break;
        case DefaultSet::TcpIp:
            applyTcpIpSet(pages);
            break;
        case DefaultSet::Positioning:
            applyPositioningSet(pages);
            break;
        case DefaultSet::None:
            break;
    }
}
