// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include "params/ParameterPage.h"

#include <QDate>
#include <QWidget>

#include <functional>
#include <memory>

class OperationLog;
class ReaderSession;

namespace Ui {
class ProductPage;
}

// The page "产品参数" (window variant 1 only): the reader's factory identity — model and
// serial number, magic number, PCB identifier and version. Writing the identity also gives
// the reader a new MAC address and the product marker.
class ProductPage : public QWidget, public ParameterPage {
    Q_OBJECT
  public:
    using Clock = std::function<QDate()>;

    ProductPage(ReaderSession& session, OperationLog& log, QWidget* parent = nullptr);
    ~ProductPage() override;

    void SetProductParameters();
    void QueryProductParameters();

    void query() override { QueryProductParameters(); }
    void set() override { SetProductParameters(); }
    // The model "QLX-7321E" and its serial number.
    void applyDefaultSet() override;
    // In the factory window the serial number is built at once.
    void formShow(const WindowVariants& variants) override;

    // The date the serial number is built from; today's by default.
    void setClock(Clock clock) { clock_ = std::move(clock); }

    void ComboBox14Change();

  private:
    struct Fields;

    std::unique_ptr<Ui::ProductPage> ui_;
    std::unique_ptr<Fields> fields_;
    ReaderSession& session_;
    OperationLog& log_;
    Clock clock_;
};
