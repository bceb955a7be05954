// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <QDialog>

#include <atomic>
#include <memory>
#include <thread>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace scan {
struct FoundReader;
struct ScanProgress;
struct ScanResult;
}  // namespace scan

// "查找读写器" (F3): scans a serial port for readers, station by station and rate by rate
// (9600 first), with the scan of readerctl scan. The scan runs on a worker thread, so the
// window stays responsive; the stop button ends it between two probes. Each reader found is
// listed with station, rate, firmware and serial number; choosing one reports it. A reader at
// a station the window cannot address is listed but cannot be chosen.
class FindReaderDialog : public QDialog {
    Q_OBJECT
  public:
    // device: "COM1".."COM8"; empty when the window has no serial port selected. lastStation:
    // the highest station that can be chosen.
    FindReaderDialog(const QString& device, int lastStation, QWidget* parent = nullptr);
    ~FindReaderDialog() override;

    QLineEdit* stationsEdit() const { return stations_; }
    QPushButton* startButton() const { return start_; }
    QPushButton* stopButton() const { return stop_; }
    QPushButton* chooseButton() const { return choose_; }
    QProgressBar* progressBar() const { return progress_; }
    QTreeWidget* readers() const { return readers_; }
    QLabel* statusLabel() const { return status_; }
    bool isScanning() const { return worker_ != nullptr; }

  signals:
    void readerChosen(int station, int rate);

  private:
    void startScan();
    void stopScan();
    void chooseReader();
    void onProgress(const scan::ScanProgress& progress);
    void onFound(const scan::FoundReader& reader);
    void onFinished(const scan::ScanResult& result);
    void finishWorker();

    // Enables the choice for a reader the window can address; says why not for another.
    void showChoice(const QTreeWidgetItem* current);

    QString device_;
    int lastStation_;
    QString outcome_;  // how the last scan ended; empty while one runs
    QLineEdit* stations_;
    QProgressBar* progress_;
    QTreeWidget* readers_;
    QLabel* status_;
    QPushButton* start_;
    QPushButton* stop_;
    QPushButton* choose_;
    std::atomic<bool> stopRequested_{false};
    std::unique_ptr<std::thread> worker_;
};
