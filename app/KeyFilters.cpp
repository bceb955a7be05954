#include "KeyFilters.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

QChar Edit1eyPress(QChar key) {
    if (key == QChar(8) || (key >= u'0' && key <= u'9')) {
        return key;
    }
    return {};
}

QChar Edit9KeyPress(QChar key) {
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
