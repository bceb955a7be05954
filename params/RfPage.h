#pragma once

#include <QWidget>

#include <memory>

class OperationLog;
class QTabWidget;
class ReaderSession;
class RfBasicPage;
class RfChannel1Page;
class RfChannel2Page;

namespace Ui {
class RfPage;
}

// The page "射频参数": the sub-pages "基本参数", "通道一设置" and "通道二设置".
class RfPage : public QWidget {
    Q_OBJECT
  public:
    RfPage(ReaderSession& session, OperationLog& log, QWidget* parent = nullptr);
    ~RfPage() override;

    QTabWidget* PageControl4() const;
    RfBasicPage* rfBasicPage() const { return rfBasicPage_; }
    RfChannel1Page* rfChannel1Page() const { return rfChannel1Page_; }
    RfChannel2Page* rfChannel2Page() const { return rfChannel2Page_; }

  private:
    std::unique_ptr<Ui::RfPage> ui_;
    ReaderSession& session_;
    OperationLog& log_;
    RfBasicPage* rfBasicPage_;
    RfChannel1Page* rfChannel1Page_;
    RfChannel2Page* rfChannel2Page_;
};
