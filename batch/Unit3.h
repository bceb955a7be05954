#pragma once

#include <QDialog>

#include <cstdint>

class ReaderLibrary;

// The batch configuration dialog "批量配置参数": exports a reader's whole parameter memory
// as text, saves and loads that text, and writes it into a reader.
class TForm3 : public QDialog {
    Q_OBJECT
public:
    explicit TForm3(ReaderLibrary& library, QWidget* parent = nullptr);

    // The reader handle handed over by the main window; taken up when the dialog is shown.
    void setTag(std::int32_t tag) { tag_ = tag; }
    std::int32_t tag() const { return tag_; }
    std::int32_t readerHandle() const { return readerHandle_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();

    ReaderLibrary& library_;
    std::int32_t tag_ = 0;
    std::int32_t readerHandle_ = 0;
};
