// SPDX-License-Identifier: LGPL-2.1-or-later
#include "RangeRules.h"

#include <QLineEdit>

std::optional<std::int64_t> ruleNumber(const QString& text, const RangeRule& rule) {
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok, 10);
    if (!ok || value < 0 || value > rule.largestNumber) {
        return std::nullopt;
    }
    return value;
}

void applyRangeRule(QLineEdit* edit, const RangeRule& rule) {
    std::optional<std::int64_t> replacement;
    if (const std::optional<std::int64_t> value = ruleNumber(edit->text(), rule); !value) {
        replacement = rule.notNumberValue;
    } else if (*value > rule.maximum) {
        replacement = rule.aboveValue;
    }
    if (replacement) {
        edit->setText(QString::number(*replacement));
    }
}
