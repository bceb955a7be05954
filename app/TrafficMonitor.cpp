// SPDX-License-Identifier: LGPL-2.1-or-later
#include "app/TrafficMonitor.h"

#include "params/ModelItems.h"
#include "reader/Reader.h"

#include <QBrush>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// Rows kept: the oldest go first, so a monitor left open for hours stays small.
constexpr int kMaxRows = 20000;

enum Column { TimeColumn, LinkColumn, DirectionColumn, BytesColumn, MeaningColumn };

#ifdef READER_HAS_TRACE_CALLBACK
// Runs on the library's calling thread: copies the event and hands it to the monitor's
// thread. A monitor deleted meanwhile drops the queued call.
void onTrace(void* context, const ReaderTraceEvent* event) {
    auto* monitor = static_cast<TrafficMonitor*>(context);
    TrafficEvent copy;
    copy.timeUs = event->time_us;
    copy.link = QString::fromUtf8(event->link ? event->link : "");
    copy.kind = event->direction == READER_TRACE_REQUEST ? TrafficEvent::Kind::Request
                : event->direction == READER_TRACE_REPLY ? TrafficEvent::Kind::Reply
                                                         : TrafficEvent::Kind::Note;
    if (event->bytes && event->length > 0) {
        copy.bytes = QByteArray(reinterpret_cast<const char*>(event->bytes), event->length);
    }
    copy.elapsedUs = event->elapsed_us;
    copy.note = QString::fromUtf8(event->note ? event->note : "");
    QMetaObject::invokeMethod(
        monitor, [monitor, copy] { monitor->append(copy); }, Qt::QueuedConnection);
}
#endif

}  // namespace

TrafficMonitor::TrafficMonitor(QWidget* parent)
    : QWidget(parent, Qt::Window),
      rows_(new QTreeWidget(this)),
      pause_(new QPushButton(tr("暂停"), this)),
      clear_(new QPushButton(tr("清除"), this)),
      save_(new QPushButton(tr("保存…"), this)),
      decoder_(windowLanguage()) {
    setObjectName(QStringLiteral("TrafficMonitor"));
    setWindowTitle(tr("通信监视"));
    resize(1000, 420);
    rows_->setRootIsDecorated(false);
    rows_->setUniformRowHeights(true);
    rows_->setHeaderLabels({tr("时间"), tr("链路"), tr("方向"), tr("字节"), tr("含义")});
    rows_->setColumnWidth(TimeColumn, 95);
    rows_->setColumnWidth(LinkColumn, 200);
    rows_->setColumnWidth(DirectionColumn, 65);
    rows_->setColumnWidth(BytesColumn, 260);
    pause_->setCheckable(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(pause_);
    buttons->addWidget(clear_);
    buttons->addWidget(save_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(rows_);
    layout->addLayout(buttons);

    connect(clear_, &QPushButton::clicked, rows_, &QTreeWidget::clear);
    connect(save_, &QPushButton::clicked, this, &TrafficMonitor::saveClicked);
}

TrafficMonitor::~TrafficMonitor() {
    listen(false);
}

void TrafficMonitor::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    listen(true);
}

void TrafficMonitor::hideEvent(QHideEvent* event) {
    listen(false);
    QWidget::hideEvent(event);
}

void TrafficMonitor::listen(bool on) {
    if (on == listening_) {
        return;
    }
    listening_ = on;
#ifdef READER_HAS_TRACE_CALLBACK
    // The library traces nothing while no callback is set: a closed monitor costs nothing.
    ReaderSetTraceCallback(on ? &onTrace : nullptr, on ? this : nullptr);
#endif
}

void TrafficMonitor::append(const TrafficEvent& event) {
    if (pause_->isChecked()) {
        return;
    }
    auto* row = new QTreeWidgetItem;
    row->setText(TimeColumn, QDateTime::fromMSecsSinceEpoch(event.timeUs / 1000)
                                 .toString(QStringLiteral("HH:mm:ss.zzz")));
    row->setText(LinkColumn, event.link);
    bool failed = false;
    QString meaning;
    const std::string link = event.link.toStdString();
    switch (event.kind) {
        case TrafficEvent::Kind::Request:
            row->setText(DirectionColumn, tr("请求"));
            break;
        case TrafficEvent::Kind::Reply:
            row->setText(DirectionColumn, tr("应答"));
            break;
        case TrafficEvent::Kind::Note:
            row->setText(DirectionColumn, tr("提示"));
            meaning = event.note;
            failed = true;
            break;
    }
    if (!event.bytes.isEmpty()) {
        row->setText(BytesColumn, QString::fromLatin1(event.bytes.toHex(' ').toUpper()));
        const auto* wire = reinterpret_cast<const std::uint8_t*>(event.bytes.constData());
        meaning = QString::fromStdString(
            decoder_.describe(link,
                              event.kind == TrafficEvent::Kind::Reply ? traffic::Direction::Reply
                                                                      : traffic::Direction::Request,
                              {wire, static_cast<std::size_t>(event.bytes.size())}));
        failed = decoder_.failed();
    }
    if (event.kind != TrafficEvent::Kind::Request && event.elapsedUs > 0) {
        meaning += tr("（%1 ms）").arg(event.elapsedUs / 1000.0, 0, 'f', 1);
    }
    row->setText(MeaningColumn, meaning);
    row->setToolTip(MeaningColumn, meaning);
    if (failed) {
        for (int column = 0; column < rows_->columnCount(); ++column) {
            row->setForeground(column, QBrush(Qt::red));
        }
    }
    rows_->addTopLevelItem(row);
    while (rows_->topLevelItemCount() > kMaxRows) {
        delete rows_->takeTopLevelItem(0);
    }
    rows_->scrollToItem(row);
}

QString TrafficMonitor::text() const {
    QString lines;
    for (int i = 0; i < rows_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = rows_->topLevelItem(i);
        QStringList columns;
        for (int column = 0; column < rows_->columnCount(); ++column) {
            columns << row->text(column);
        }
        lines += columns.join(u'\t') + u'\n';
    }
    return lines;
}

bool TrafficMonitor::saveTo(const QString& path) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        return false;
    }
    file.write(text().toUtf8());
    return file.commit();
}

void TrafficMonitor::saveClicked() {
    const QString path =
        QFileDialog::getSaveFileName(this, tr("保存通信记录"), QString(), tr("文本文件 (*.txt)"));
    if (!path.isEmpty() && !saveTo(path)) {
        QMessageBox::warning(this, windowTitle(), tr("无法保存到“%1” !").arg(path));
    }
}
