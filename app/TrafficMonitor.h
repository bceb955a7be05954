// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include "app/TrafficFrame.h"

#include <QByteArray>
#include <QString>
#include <QWidget>

class QPushButton;
class QTreeWidget;

// One event of the library's trace, copied off the library's thread.
struct TrafficEvent {
    qint64 timeUs = 0;  // since the Unix epoch
    QString link;
    enum class Kind { Request, Reply, Note } kind = Kind::Request;
    QByteArray bytes;   // the frame as on the wire; empty for a note
    int elapsedUs = 0;  // replies and notes: since the request
    QString note;       // notes: "no answer", "garbled reply", ...
};

// The traffic monitor (F2): every exchange of the reader links as it happens, with its time,
// link, direction, bytes and what it means in the parameter model's terms; failures and
// time-outs marked. It listens to the library's trace only while it is open.
class TrafficMonitor : public QWidget {
    Q_OBJECT
  public:
    explicit TrafficMonitor(QWidget* parent = nullptr);
    ~TrafficMonitor() override;

    QTreeWidget* rows() const { return rows_; }
    QPushButton* pauseButton() const { return pause_; }
    QPushButton* clearButton() const { return clear_; }
    QPushButton* saveButton() const { return save_; }
    // The rows as text, one line each, tab between the columns.
    QString text() const;
    // Writes text() to a file; false (and nothing written) when it cannot.
    bool saveTo(const QString& path) const;

  public slots:
    void append(const TrafficEvent& event);

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void listen(bool on);
    void saveClicked();

    QTreeWidget* rows_;
    QPushButton* pause_;
    QPushButton* clear_;
    QPushButton* save_;
    traffic::FrameDecoder decoder_;
    bool listening_ = false;
};
