// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

class QLabel;
class ReaderLibrary;

namespace Ui {
class TForm3;
}

// The batch configuration dialog "批量配置参数": exports a reader's whole parameter memory
// as text, saves and loads that text, and writes it into a reader.
class TForm3 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm3(ReaderLibrary& library, QWidget* parent = nullptr);
    ~TForm3() override;

    // The reader handle handed over by the main window; taken up when the dialog is shown.
    void setTag(std::int32_t tag) { tag_ = tag; }
    std::int32_t tag() const { return tag_; }
    std::int32_t readerHandle() const { return readerHandle_; }

    // Asks the user for a file: gets the proposed name, returns the chosen path or an empty
    // text when the user cancels. Replaceable so that no file dialog blocks a test.
    using FileChooser = std::function<QString(const QString& proposedName)>;
    void setOpenFileChooser(FileChooser chooser) { openFileChooser_ = std::move(chooser); }
    void setSaveFileChooser(FileChooser chooser) { saveFileChooser_ = std::move(chooser); }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void FormShow();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void BitBtn5Click();
    QString DefaultFileName() const;

    QString runOpenDialog(const QString& proposedName);
    QString runSaveDialog(const QString& proposedName);
    // The lines of Memo1; a line end after the last line does not start another line.
    QStringList memoLines() const;
    void showStatus(const QString& text, const QString& detail = {},
                    const QString& detailToolTip = {});

    std::unique_ptr<Ui::TForm3> ui_;
    QLabel* statusPanel_ = nullptr;
    QLabel* statusDetail_ = nullptr;
    FileChooser openFileChooser_;
    FileChooser saveFileChooser_;
    ReaderLibrary& library_;
    std::int32_t tag_ = 0;
    std::int32_t readerHandle_ = 0;
};
