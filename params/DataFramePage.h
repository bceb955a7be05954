#pragma once

#include <QWidget>

#include <memory>

class OperationLog;
class ReaderSession;

namespace Ui {
class DataFramePage;
}

// The sub-page "数据格式" of "数据格式".
class DataFramePage : public QWidget {
    Q_OBJECT
  public:
    DataFramePage(ReaderSession& session, OperationLog& log, QWidget* parent = nullptr);
    ~DataFramePage() override;

  private:
    std::unique_ptr<Ui::DataFramePage> ui_;
    ReaderSession& session_;
    OperationLog& log_;
};
