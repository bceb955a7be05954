// SPDX-License-Identifier: LGPL-2.1-or-later
#include "ModelItems.h"

#include <QComboBox>
#include <QCoreApplication>

model::Language windowLanguage() {
    // The translation says which language it is: the marker reads "en" once the English
    // translation is installed.
    const QString marker = QCoreApplication::translate(
        "WindowLanguage", "zh", "The language of the window's texts: en for English.");
    return marker == QLatin1String("en") ? model::Language::English : model::Language::Chinese;
}

model::Context windowContext(int bandVariant) {
    return {windowLanguage(), bandVariant};
}

void fillItems(QComboBox* list, const model::List& items, const model::Context& context) {
    list->clear();
    const int count = model::itemCount(items, context);
    for (int position = 0; position < count; ++position) {
        list->addItem(QString::fromStdString(model::itemText(items, position, context)));
    }
    list->setCurrentIndex(count > 0 ? 0 : -1);
}
