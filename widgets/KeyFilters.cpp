// SPDX-License-Identifier: LGPL-2.1-or-later
#include "KeyFilters.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QValidator>
#include <QWidget>

namespace {

constexpr char16_t kFirstFullWidth = 0xFF01;  // "！"
constexpr char16_t kLastFullWidth = 0xFF5E;   // "～"
constexpr char16_t kFullWidthOffset = 0xFF01 - 0x21;
constexpr char16_t kIdeographicSpace = 0x3000;

// The filter of an edit box as its validator: sees every change of the text, whatever
// made it (keys, paste, drop, input-method commit, setText).
class KeyFilterValidator : public QValidator {
  public:
    KeyFilterValidator(KeyFilterFunction filter, QObject* parent)
        : QValidator(parent), filter_(filter) {}

    State validate(QString& input, int& pos) const override {
        const QString filtered = filterText(input, filter_);
        if (filtered.isNull()) {
            return Invalid;
        }
        // The filter maps one character to one, so the cursor keeps its place.
        input = filtered;
        (void)pos;
        return Acceptable;
    }

  private:
    KeyFilterFunction filter_;
};

}  // namespace

QChar toHalfWidth(QChar character) {
    const char16_t code = character.unicode();
    if (code >= kFirstFullWidth && code <= kLastFullWidth) {
        return QChar(static_cast<char16_t>(code - kFullWidthOffset));
    }
    if (code == kIdeographicSpace) {
        return QChar(u' ');
    }
    return character;
}

QString toHalfWidth(const QString& text) {
    QString result = text;
    for (QChar& character : result) {
        character = toHalfWidth(character);
    }
    return result;
}

QString filterText(const QString& text, KeyFilterFunction filter) {
    QString result(text.size(), Qt::Uninitialized);
    for (qsizetype index = 0; index < text.size(); ++index) {
        const QChar admitted = filter(text[index]);
        // Backspace is a key, never a character of the text.
        if (admitted.isNull() || admitted == QChar(8)) {
            return {};
        }
        result[index] = admitted;
    }
    return result;
}

QChar Edit1eyPress(QChar key) {
    key = toHalfWidth(key);
    if (key == QChar(8) || (key >= u'0' && key <= u'9')) {
        return key;
    }
    return {};
}

QChar Edit9KeyPress(QChar key) {
    key = toHalfWidth(key);
    if (key >= u'a' && key <= u'f') {
        return key.toUpper();
    }
    if (key == QChar(8) || (key >= u'0' && key <= u'9') || (key >= u'A' && key <= u'F')) {
        return key;
    }
    return {};
}

KeyPressFilter::KeyPressFilter(KeyFilterFunction filter, QObject* parent)
    : QObject(parent), filter_(filter) {}

void KeyPressFilter::install(QWidget* widget, KeyFilterFunction filter) {
    widget->installEventFilter(new KeyPressFilter(filter, widget));
    QLineEdit* edit = qobject_cast<QLineEdit*>(widget);
    // An editable list takes its keys itself and hands them to its own edit.
    if (auto* list = qobject_cast<QComboBox*>(widget); list && list->isEditable()) {
        edit = list->lineEdit();
    }
    if (edit) {
        edit->setValidator(new KeyFilterValidator(filter, edit));
    }
}

bool KeyPressFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    auto* keyEvent = static_cast<QKeyEvent*>(event);
    const QString text = keyEvent->text();
    if (text.size() != 1 || !text[0].isPrint() ||
        (keyEvent->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        return false;
    }
    const QChar admitted = filter_(text[0]);
    if (admitted.isNull()) {
        return true;
    }
    if (admitted == text[0]) {
        return false;
    }
    // Deliver the converted character in place of the typed one; it passes this filter.
    QKeyEvent converted(QEvent::KeyPress, keyEvent->key(), keyEvent->modifiers(), QString(admitted),
                        keyEvent->isAutoRepeat(), static_cast<quint16>(keyEvent->count()));
    QCoreApplication::sendEvent(watched, &converted);
    return true;
}
