// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <QObject>
#include <QString>

class QWidget;

// Key filters of the edit boxes. A typed character the filter does not admit is discarded
// before the box sees it; backspace and keys without a printable character (arrows, Tab,
// Enter, shortcuts) always pass.
//
// Edit1eyPress admits "0".."9"; Edit9KeyPress admits hex digits and turns "a".."f" into
// "A".."F". Each returns the admitted character, or a null QChar to discard it. Both take
// the full-width forms of a Chinese input method in full-width mode ("１", "ａ") as the
// ASCII characters they stand for.
QChar Edit1eyPress(QChar key);
QChar Edit9KeyPress(QChar key);

using KeyFilterFunction = QChar (*)(QChar);

// The full-width forms U+FF01..U+FF5E as their ASCII characters and the ideographic space
// as a blank; every other character unchanged.
QChar toHalfWidth(QChar character);
QString toHalfWidth(const QString& text);

// The text with every character passed through the filter, or a null QString when the
// filter refuses one of them.
QString filterText(const QString& text, KeyFilterFunction filter);

// Applies a key filter to one or more widgets.
//
// One line per edit box installs it, for every way text enters the box:
//     KeyPressFilter::install(ui->Edit14, Edit1eyPress);
// Typed keys are filtered one by one. On a QLineEdit, and on the edit of an editable QComboBox
// (installed on the list), the filter is also the box's validator, so a paste (Ctrl+V, the
// context menu), a drop and an input-method commit pass through the same filter: lowercase hex
// turns uppercase and full-width characters turn ASCII, and an insertion holding any character the
// filter refuses is refused as a whole (the box keeps its text). Do not give such a box another
// validator: it would replace the filter's.
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
