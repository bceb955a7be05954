// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <QWidget>

#include <memory>

class FieldRun;
class QLineEdit;

namespace Ui {
class DataFramePage;
}

// The sub-page "数据格式" of "数据格式": HEX or ASCII output and the parts of a data frame
// (preamble, reader number, tag ID bytes, end code). Its steps run inside the data-frame
// operations.
class DataFramePage : public QWidget {
    Q_OBJECT
  public:
    explicit DataFramePage(QWidget* parent = nullptr);
    ~DataFramePage() override;

    // The output format, the frame flags, the tag ID part, the preamble and the end code, in
    // this order.
    void setSteps(FieldRun& run) const;
    void querySteps(FieldRun& run) const;

  private:
    struct Fields;

    void CheckBox15Click();
    void CheckBox17Click();
    void CheckBox18Click();
    void Edit6Change(QLineEdit* edit);

    std::unique_ptr<Ui::DataFramePage> ui_;
    std::unique_ptr<Fields> fields_;
};
