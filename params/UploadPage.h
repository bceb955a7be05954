// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <QWidget>

#include <memory>

class FieldRun;

namespace Ui {
class UploadPage;
}

// The sub-page "主动上传" of "数据格式": immediate or timed upload, the timer period and the
// interfaces the tag data goes out through. Its steps run inside the data-frame operations.
class UploadPage : public QWidget {
    Q_OBJECT
  public:
    explicit UploadPage(QWidget* parent = nullptr);
    ~UploadPage() override;

    // The upload mode, the period and the interface mask, in this order.
    void setSteps(FieldRun& run) const;
    void querySteps(FieldRun& run) const;

  private:
    struct Fields;

    void RadioButton4Click();
    void Edit5Change();

    std::unique_ptr<Ui::UploadPage> ui_;
    std::unique_ptr<Fields> fields_;
};
