// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include "params/ParameterPage.h"

#include <QWidget>

#include <memory>

class OperationLog;
class ReaderSession;

namespace Ui {
class PositioningPage;
}

// The page "Kelvarn": the card-read mode, the positioning sensitivity and the tag-failure
// judgement. The card-read mode is only read: the set leaves it as the reader has it.
class PositioningPage : public QWidget, public ParameterPage {
    Q_OBJECT
  public:
    PositioningPage(ReaderSession& session, OperationLog& log, QWidget* parent = nullptr);
    ~PositioningPage() override;

    void SetPositioningParameters();
    void QueryPositioningParameters();

    void query() override { QueryPositioningParameters(); }
    void set() override { SetPositioningParameters(); }
    // "定位读卡" and the first item of both lists.
    void applyDefaultSet() override;
    // Fills both lists and selects their first items.
    void formShow(const WindowVariants& variants) override;

  private:
    struct Fields;

    std::unique_ptr<Ui::PositioningPage> ui_;
    std::unique_ptr<Fields> fields_;
    ReaderSession& session_;
    OperationLog& log_;
};
