#pragma once

#include <QObject>

class QWidget;

// Key filters of the edit boxes. A typed character the filter does not admit is discarded
// before the box sees it; backspace and keys without a printable character (arrows, Tab,
// Enter, shortcuts) always pass.
//
// Edit1eyPress admits "0".."9"; Edit9KeyPress admits hex digits and turns "a".."f" into
// "A".."F". Each returns the admitted character, or a null QChar to discard it.
QChar Edit1eyPress(QChar key);
QChar Edit9KeyPress(QChar key);

using KeyFilterFunction = QChar (*)(QChar);

// Applies a key filter to the key presses of one or more widgets.
class KeyPressFilter : public QObject {
    Q_OBJECT
  public:
    KeyPressFilter(KeyFilterFunction filter, QObject* parent);

    // Installs a filter owned by the widget itself.
    static void install(QWidget* widget, KeyFilterFunction filter);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    KeyFilterFunction filter_;
};
