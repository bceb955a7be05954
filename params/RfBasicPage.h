// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include "params/ParameterPage.h"

#include <QWidget>

#include <memory>

class OperationLog;
class ReaderSession;

namespace Ui {
class RfBasicPage;
}

// The sub-page "基本参数" of "射频参数": the attenuation of the two channels and the RSSI
// threshold.
class RfBasicPage : public QWidget, public ParameterPage {
    Q_OBJECT
  public:
    RfBasicPage(ReaderSession& session, OperationLog& log, QWidget* parent = nullptr);
    ~RfBasicPage() override;

    void SetRfBasicParameters();
    void QueryRfBasicParameters();

    void query() override { QueryRfBasicParameters(); }
    void set() override { SetRfBasicParameters(); }
    // Fills the RSSI list (-110 to -10) and the attenuation lists (0 to 31 dB) and selects
    // their first items.
    void formShow(const WindowVariants& variants) override;

  private:
    struct Fields;

    std::unique_ptr<Ui::RfBasicPage> ui_;
    std::unique_ptr<Fields> fields_;
    ReaderSession& session_;
    OperationLog& log_;
};
