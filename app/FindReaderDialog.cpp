// SPDX-License-Identifier: LGPL-2.1-or-later
#include "app/FindReaderDialog.h"

#include "scan/LineScan.h"
#include "scan/ScanPlan.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { StationColumn, RateColumn, FirmwareColumn, SerialColumn };

}  // namespace

FindReaderDialog::FindReaderDialog(const QString& device, int lastStation, QWidget* parent)
    : QDialog(parent),
      device_(device),
      lastStation_(lastStation),
      stations_(new QLineEdit(QStringLiteral("1-20"), this)),
      progress_(new QProgressBar(this)),
      readers_(new QTreeWidget(this)),
      status_(new QLabel(this)),
      start_(new QPushButton(tr("开始查找"), this)),
      stop_(new QPushButton(tr("停止"), this)),
      choose_(new QPushButton(tr("选用"), this)) {
    setObjectName(QStringLiteral("FindReaderDialog"));
    setWindowTitle(tr("查找读写器"));
    resize(520, 360);
    readers_->setRootIsDecorated(false);
    readers_->setHeaderLabels({tr("站号"), tr("波特率"), tr("固件版本"), tr("序列号")});
    readers_->setColumnWidth(StationColumn, 60);
    readers_->setColumnWidth(RateColumn, 90);
    readers_->setColumnWidth(FirmwareColumn, 100);
    progress_->setRange(0, 1);
    progress_->setValue(0);
    stop_->setEnabled(false);
    choose_->setEnabled(false);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("串口：%1").arg(device.isEmpty() ? tr("无") : device), this));
    top->addSpacing(20);
    top->addWidget(new QLabel(tr("站号范围"), this));
    top->addWidget(stations_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(start_);
    buttons->addWidget(stop_);
    buttons->addStretch();
    buttons->addWidget(choose_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(progress_);
    layout->addWidget(readers_);
    layout->addWidget(status_);
    layout->addLayout(buttons);

    if (device_.isEmpty()) {
        start_->setEnabled(false);
        status_->setText(tr("请先在通信口中选择一个串口 !"));
    }
    connect(start_, &QPushButton::clicked, this, &FindReaderDialog::startScan);
    connect(stop_, &QPushButton::clicked, this, &FindReaderDialog::stopScan);
    connect(choose_, &QPushButton::clicked, this, &FindReaderDialog::chooseReader);
    connect(readers_, &QTreeWidget::itemDoubleClicked, this, &FindReaderDialog::chooseReader);
    connect(readers_, &QTreeWidget::currentItemChanged, this, &FindReaderDialog::showChoice);
}

void FindReaderDialog::showChoice(const QTreeWidgetItem* current) {
    const int station = current ? current->data(StationColumn, Qt::UserRole).toInt() : 0;
    const bool addressable = current && station <= lastStation_;
    choose_->setEnabled(addressable);
    // The scan's outcome stays in view beside the reason.
    QStringList lines;
    if (!outcome_.isEmpty()) {
        lines << outcome_;
    }
    if (current && !addressable) {
        lines << tr("站%1超出本程序的站地址（1-%2）!").arg(station).arg(lastStation_);
    }
    if (!lines.isEmpty()) {
        status_->setText(lines.join(QStringLiteral("  ")));
    }
}

FindReaderDialog::~FindReaderDialog() {
    stopRequested_ = true;
    finishWorker();
}

void FindReaderDialog::finishWorker() {
    if (worker_) {
        worker_->join();
        worker_.reset();
    }
}

void FindReaderDialog::startScan() {
    if (worker_) {
        return;
    }
    scan::ScanPlan plan;
    plan.device = device_.toStdString();
    try {
        plan.stations = scan::parseStationList(stations_->text().toStdString());
        scan::checkPlan(plan);
    } catch (const scan::PlanError& error) {
        status_->setText(QString::fromStdString(error.what()));
        return;
    }
    outcome_.clear();
    readers_->clear();
    progress_->setRange(0, 1);
    progress_->setValue(0);
    status_->setText(tr("正在查找…"));
    start_->setEnabled(false);
    stations_->setEnabled(false);
    stop_->setEnabled(true);
    stopRequested_ = false;
    // The callbacks come on the worker: each hands a copy to this dialog's thread. A dialog
    // deleted meanwhile waits for the worker first, and drops what is still queued.
    worker_ = std::make_unique<std::thread>([this, plan] {
        scan::ScanCallbacks callbacks;
        callbacks.progress = [this](const scan::ScanProgress& progress) {
            QMetaObject::invokeMethod(
                this, [this, progress] { onProgress(progress); }, Qt::QueuedConnection);
        };
        callbacks.found = [this](const scan::FoundReader& reader) {
            QMetaObject::invokeMethod(
                this, [this, reader] { onFound(reader); }, Qt::QueuedConnection);
        };
        scan::ScanResult result;
        try {
            result = scan::scanLine(plan, stopRequested_, callbacks);
        } catch (const std::exception& error) {
            result.lineError = error.what();
        }
        QMetaObject::invokeMethod(
            this, [this, result] { onFinished(result); }, Qt::QueuedConnection);
    });
}

void FindReaderDialog::stopScan() {
    stopRequested_ = true;
    stop_->setEnabled(false);
    status_->setText(tr("正在停止…"));
}

void FindReaderDialog::onProgress(const scan::ScanProgress& progress) {
    progress_->setRange(0, std::max(1, progress.probed + progress.total));
    progress_->setValue(progress.probed);
    status_->setText(tr("正在查找：站%1，%2 bps").arg(progress.station).arg(progress.rate));
}

void FindReaderDialog::onFound(const scan::FoundReader& reader) {
    auto* row = new QTreeWidgetItem;
    row->setText(StationColumn, QString::number(reader.station));
    row->setText(RateColumn, QString::number(reader.rate));
    row->setText(FirmwareColumn, QString::fromStdString(reader.firmware));
    row->setText(SerialColumn, QString::fromStdString(reader.serialNumber));
    if (!reader.problem.empty()) {
        row->setToolTip(SerialColumn, QString::fromStdString(reader.problem));
    }
    row->setData(StationColumn, Qt::UserRole, reader.station);
    row->setData(RateColumn, Qt::UserRole, reader.rate);
    readers_->addTopLevelItem(row);
}

void FindReaderDialog::onFinished(const scan::ScanResult& result) {
    finishWorker();
    progress_->setRange(0, 1);
    progress_->setValue(1);
    start_->setEnabled(true);
    stations_->setEnabled(true);
    stop_->setEnabled(false);
    if (!result.lineError.empty()) {
        outcome_ = tr("查找失败：%1").arg(QString::fromStdString(result.lineError));
    } else if (result.stopped) {
        outcome_ = tr("已停止，找到%1台读写器").arg(result.readers.size());
    } else {
        outcome_ = tr("查找完成，找到%1台读写器").arg(result.readers.size());
    }
    status_->setText(outcome_);
    if (!readers_->currentItem() && readers_->topLevelItemCount() > 0) {
        readers_->setCurrentItem(readers_->topLevelItem(0));
    }
    showChoice(readers_->currentItem());
}

void FindReaderDialog::chooseReader() {
    if (const QTreeWidgetItem* row = readers_->currentItem(); row && choose_->isEnabled()) {
        emit readerChosen(row->data(StationColumn, Qt::UserRole).toInt(),
                          row->data(RateColumn, Qt::UserRole).toInt());
    }
}
