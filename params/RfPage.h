// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <QWidget>

#include <memory>

class OperationLog;
class QTabWidget;
class ReaderSession;
class RfBasicPage;
class RfChannelPage;

namespace Ui {
class RfPage;
}

// The page "射频参数": the sub-pages "基本参数", "通道一设置" (radio modules 1 to 4) and
// "通道二设置" (radio modules 5 to 8).
class RfPage : public QWidget {
    Q_OBJECT
  public:
    RfPage(ReaderSession& session, OperationLog& log, QWidget* parent = nullptr);
    ~RfPage() override;

    QTabWidget* PageControl4() const;
    RfBasicPage* rfBasicPage() const { return rfBasicPage_; }
    RfChannelPage* rfChannel1Page() const { return rfChannel1Page_; }
    RfChannelPage* rfChannel2Page() const { return rfChannel2Page_; }

    // The operations of the three sub-pages.
    void SetRfBasicParameters();
    void QueryRfBasicParameters();
    void SetRfChannel1Parameters();
    void QueryRfChannel1Parameters();
    void SetRfChannel2Parameters();
    void QueryRfChannel2Parameters();

  private:
    std::unique_ptr<Ui::RfPage> ui_;
    RfBasicPage* rfBasicPage_;
    RfChannelPage* rfChannel1Page_;
    RfChannelPage* rfChannel2Page_;
};
