#pragma once

#include <QWidget>

#include <memory>

class OperationLog;
class QCheckBox;
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
class BasicFunctionPage : public QWidget {
    Q_OBJECT
  public:
    BasicFunctionPage(ReaderSession& session, OperationLog& log, QWidget* parent = nullptr);
    ~BasicFunctionPage() override;

    void SetBasicParameters();
    void QueryBasicParameters();

    // The buzzer box "蜂鸣器", ticked by the default set of the page "读写器参数".
    QCheckBox* buzzerCheckBox() const;

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

    std::unique_ptr<Ui::BasicFunctionPage> ui_;
    ReaderSession& session_;
    OperationLog& log_;
};
