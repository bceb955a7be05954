// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include "params/ParameterPage.h"

#include <QWidget>

#include <memory>

class OperationLog;
class QLineEdit;
class ReaderSession;

namespace Ui {
class BasicFunctionPage;
}

// The sub-page "基本功能": trigger, relay, buzzer, user code, tag refresh and ID match
// settings.
//
// Every rule runs whether the change comes from the user or from code (the query): check
// boxes and radio buttons through toggled(), edits through textChanged().
class BasicFunctionPage : public QWidget, public ParameterPage {
    Q_OBJECT
  public:
    BasicFunctionPage(ReaderSession& session, OperationLog& log, QWidget* parent = nullptr);
    ~BasicFunctionPage() override;

    void SetBasicParameters();
    void QueryBasicParameters();

    void query() override { QueryBasicParameters(); }
    void set() override { SetBasicParameters(); }
    // The buzzer "蜂鸣器" on.
    void applyDefaultSet() override;

  private:
    void RadioButton1Click();
    void CheckBox2Click();
    void CheckBox4Click();
    void CheckBox19Click();
    void CheckBox21Click();
    void Edit4Change(QLineEdit* edit);
    void Edit15Change();
    void Edit3Change();
    void Edit14Change();

    struct Fields;

    std::unique_ptr<Ui::BasicFunctionPage> ui_;
    std::unique_ptr<Fields> fields_;
    ReaderSession& session_;
    OperationLog& log_;
};
