#pragma once

#include <QWidget>

#include <memory>

class OperationLog;
class ReaderSession;

namespace Ui {
class ProductPage;
}

// The page "产品参数": the reader's factory identity (model, serial number, magic
// number, PCB identity and version).
class ProductPage : public QWidget {
    Q_OBJECT
  public:
    ProductPage(ReaderSession& session, OperationLog& log, QWidget* parent = nullptr);
    ~ProductPage() override;

  private:
    std::unique_ptr<Ui::ProductPage> ui_;
    ReaderSession& session_;
    OperationLog& log_;
};
