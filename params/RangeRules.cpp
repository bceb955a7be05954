#include "RangeRules.h"

#include "app/ErrorReporting.h"

#include <QLineEdit>

void applyRangeRule(QLineEdit* edit, const RangeRule& rule) {
    std::optional<int> replacement;
    try {
        const int value = toInteger(edit->text());
        if (value < 0) {
            replacement = rule.notNumberValue;
        } else if (value > rule.maximum) {
            replacement = rule.aboveValue;
        }
    } catch (const ConversionError&) {
        replacement = rule.notNumberValue;
    }
    if (replacement) {
        edit->setText(QString::number(*replacement));
    }
}
