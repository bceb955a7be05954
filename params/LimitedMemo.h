// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include "widgets/KeyFilters.h"

#include <QPlainTextEdit>

// A multi-line text box with a length limit and a key filter that also guards the ways
// around the keyboard. Typing, pasting, dropping and input-method text stop at the limit
// (0: no limit); lowering the limit keeps the text already there. With a key filter, the
// filter decides over every typed character, Enter included (a filter that does not admit
// it keeps the box on one logical line), and pasted, dropped and input-method text keeps
// only the characters the filter admits, converted as typing would convert them. Tab
// moves the focus on.
class LimitedMemo : public QPlainTextEdit {
    Q_OBJECT
  public:
    explicit LimitedMemo(QWidget* parent = nullptr);

    int maxLength() const { return maxLength_; }
    void setMaxLength(int length) { maxLength_ = length; }

    void setKeyFilter(KeyFilterFunction filter);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

  private:
    // The characters of text that may go in place of the selection: filtered, then cut to
    // the room the limit leaves.
    QString admitted(const QString& text) const;
    int room() const;

    int maxLength_ = 0;
    KeyFilterFunction filter_ = nullptr;
};
