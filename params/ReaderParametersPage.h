// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <QWidget>

#include <memory>

class OperationLog;
class QTabWidget;
class ReaderSession;
class BasicFunctionPage;
class ExtendedFunctionPage;

namespace Ui {
class ReaderParametersPage;
}

// The page "读写器参数": the sub-pages "基本功能" and "扩展功能".
class ReaderParametersPage : public QWidget {
    Q_OBJECT
  public:
    ReaderParametersPage(ReaderSession& session, OperationLog& log, QWidget* parent = nullptr);
    ~ReaderParametersPage() override;

    QTabWidget* PageControl3() const;
    BasicFunctionPage* basicFunctionPage() const { return basicFunctionPage_; }
    ExtendedFunctionPage* extendedFunctionPage() const { return extendedFunctionPage_; }

  private:
    std::unique_ptr<Ui::ReaderParametersPage> ui_;
    ReaderSession& session_;
    OperationLog& log_;
    BasicFunctionPage* basicFunctionPage_;
    ExtendedFunctionPage* extendedFunctionPage_;
};
