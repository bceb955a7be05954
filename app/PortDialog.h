// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <QDialog>

#include <memory>

class QLineEdit;
class ReaderLibrary;

namespace Ui {
class TForm2;
}

// The port dialog "选择端口": the TCP port that later TCP/IP connections use. "确定"
// accepts, "取消" and Escape reject. Enter presses the focused button, or "确定" when the
// focus is elsewhere.
class TForm2 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm2(QWidget* parent = nullptr);
    ~TForm2() override;

    QLineEdit* Edit1() const;

    // Shows a fresh dialog modally; on OK passes the entered port to SelectPort. A text that
    // is not a decimal number is reported as a conversion error and selects nothing.
    static void choosePort(ReaderLibrary& library, QWidget* parent);

  private:
    std::unique_ptr<Ui::TForm2> ui_;
};
