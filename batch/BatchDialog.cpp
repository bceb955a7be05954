// SPDX-License-Identifier: LGPL-2.1-or-later
#include "BatchDialog.h"

#include "ui_BatchDialog.h"

#include "batch/BatchFile.h"
#include "model/BatchText.h"
#include "model/IdentityRule.h"
#include "session/DeadLinkGuard.h"
#include "session/ReaderLibrary.h"
#include "widgets/ButtonKeys.h"
#include "widgets/ErrorReporting.h"
#include "widgets/WaitCursor.h"

#include <QFileDialog>
#include <QLabel>
#include <QShowEvent>

#include <array>
#include <cstdint>

namespace {

constexpr int kBlock2 = 0x2;  // the product serial number
constexpr qsizetype kListedRejections = 10;

QString blockText(const batchtext::Block& bytes) {
    // The serial number is ASCII; anything else is fill or damage, not part of a file name.
    QString text;
    for (std::uint8_t byte : bytes) {
        if (byte >= 0x20 && byte < 0x7F && byte != '/' && byte != '\\') {
            text += QChar(byte);
        }
    }
    return text;
}

}  // namespace

TForm3::TForm3(ReaderLibrary& library, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TForm3>()), library_(library) {
    ui_->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowTitle(tr("批量配置参数"));
    ui_->BitBtn1->setText(tr("从文件导入"));
    ui_->BitBtn2->setText(tr("保存到文件"));
    ui_->BitBtn3->setText(tr("从读写器导出"));
    ui_->BitBtn4->setText(tr("导入到读写器"));
    ui_->BitBtn5->setText(tr("退出"));

    // The status bar's one panel; it takes the bar's width like the last panel of a
    // panelled status bar, and a second label names lines that the import rejected.
    statusPanel_ = new QLabel(ui_->StatusBar1);
    statusPanel_->setObjectName(QStringLiteral("StatusPanel"));
    statusPanel_->setMinimumWidth(100);
    ui_->StatusBar1->addWidget(statusPanel_);
    statusDetail_ = new QLabel(ui_->StatusBar1);
    statusDetail_->setObjectName(QStringLiteral("StatusDetail"));
    // A long list of rejected lines is clipped, instead of widening the dialog to fit it.
    statusDetail_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    ui_->StatusBar1->addWidget(statusDetail_, 1);

    openFileChooser_ = [this](const QString& name) { return runOpenDialog(name); };
    saveFileChooser_ = [this](const QString& name) { return runSaveDialog(name); };

    connect(ui_->BitBtn1, &QPushButton::clicked, this, &TForm3::BitBtn1Click);
    connect(ui_->BitBtn2, &QPushButton::clicked, this, &TForm3::BitBtn2Click);
    connect(ui_->BitBtn3, &QPushButton::clicked, this, &TForm3::BitBtn3Click);
    connect(ui_->BitBtn4, &QPushButton::clicked, this, &TForm3::BitBtn4Click);
    connect(ui_->BitBtn5, &QPushButton::clicked, this, &TForm3::BitBtn5Click);
    // No button is the default: Enter presses only a focused button.
    pressFocusedButtonOnEnter(this);
}

TForm3::~TForm3() = default;

void TForm3::showEvent(QShowEvent* event) {
    // A window system show (restoring a minimised dialog) must not wipe the text.
    if (!event->spontaneous()) {
        FormShow();
    }
    QDialog::showEvent(event);
}

void TForm3::FormShow() {
    ui_->Memo1->clear();
    readerHandle_ = tag_;
}

// Import from file.
void TForm3::BitBtn1Click() {
    const QString path = openFileChooser_(QString());
    if (path.isEmpty()) {
        return;
    }
    QString error;
    if (const auto lines = batchfile::loadLines(path, &error)) {
        ui_->Memo1->setPlainText(lines->join(u'\n'));
    } else {
        reportError(error);
    }
}

// Save to file.
void TForm3::BitBtn2Click() {
    const QString path = saveFileChooser_(DefaultFileName() + QStringLiteral(".Txt"));
    if (path.isEmpty()) {
        return;
    }
    const batchfile::SaveResult result =
        batchfile::saveWithBackup(path, batchfile::encodeLines(memoLines()));
    if (!result.ok) {
        reportError(result.error);
    }
}

// Export from the reader.
void TForm3::BitBtn3Click() {
    const WaitCursor waiting;
    ui_->Memo1->clear();
    bool ok = true;
    // Once the link is found dead, the remaining blocks fail without waiting for it.
    DeadLinkGuard link(readerHandle_);
    for (int block = 0; block < batchtext::kBlockCount; ++block) {
        batchtext::Block bytes{};
        if (link.run(library_, [&] {
                return library_.GetParameter(readerHandle_, block * batchtext::kBlockSize,
                                             batchtext::kBlockSize, bytes.data());
            }) != 0) {
            ok = false;
            continue;
        }
        ui_->Memo1->appendPlainText(QString::fromLatin1(batchtext::formatBlockLine(block, bytes)));
    }
    showStatus(ok ? tr("从读写器导出参数成功!") : tr("从读写器导出参数失败!"));
}

// Import into the reader. Each line stands by itself, so a later line for a block overwrites
// an earlier one; a line that is not a block line writes nothing and fails the import.
void TForm3::BitBtn4Click() {
    const WaitCursor waiting;
    bool ok = true;
    // Once the link is found dead, the remaining writes fail without waiting for it.
    DeadLinkGuard link(readerHandle_);
    auto write = [&](int address, int length, const std::uint8_t* bytes) {
        if (link.run(library_, [&] {
                return library_.SetParameter(readerHandle_, address, length, bytes);
            }) != 0) {
            ok = false;
        }
    };
    QStringList rejectedNumbers;
    QStringList rejectedReasons;
    const QStringList lines = memoLines();
    for (qsizetype index = 0; index < lines.size(); ++index) {
        if (lines[index].isEmpty()) {
            continue;  // carries nothing to write
        }
        batchtext::LineError error{};
        const auto line = batchtext::parseBlockLine(lines[index].toUtf8().toStdString(), &error);
        if (!line) {
            ok = false;
            // The first few name the fault; listing thousands would stall every repaint.
            if (rejectedNumbers.size() == kListedRejections) {
                rejectedNumbers << QStringLiteral("…");
                rejectedReasons << QStringLiteral("…");
            } else if (rejectedNumbers.size() < kListedRejections) {
                rejectedNumbers << QString::number(index + 1);
                rejectedReasons << tr("line %1: %2").arg(index + 1).arg(batchtext::describe(error));
            }
            continue;
        }
        // The identity bytes of each reader stay as they are (model/IdentityRule.h).
        const int blockAddress = line->block * batchtext::kBlockSize;
        for (const Field run : batchtext::writableRuns(line->block)) {
            write(run.address, run.width, line->bytes.data() + (run.address - blockAddress));
        }
    }
    showStatus(
        ok ? tr("导入参数到读写器成功!") : tr("导入参数到读写器失败!"),
        rejectedNumbers.isEmpty() ? QString() : tr("无效行: %1").arg(rejectedNumbers.join(u", ")),
        rejectedReasons.join(u'\n'));
}

void TForm3::BitBtn5Click() {
    reject();
}

// The serial number from the first block 2 line, for the proposed file name.
QString TForm3::DefaultFileName() const {
    for (const QString& text : memoLines()) {
        const auto line = batchtext::parseBlockLine(text.toUtf8().toStdString());
        if (line && line->block == kBlock2) {
            return blockText(line->bytes);
        }
    }
    return {};
}

QString TForm3::runOpenDialog(const QString& proposedName) {
    QFileDialog OpenDialog1(this);
    OpenDialog1.setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1.setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog1.setFileMode(QFileDialog::ExistingFile);
    if (!proposedName.isEmpty()) {
        OpenDialog1.selectFile(proposedName);
    }
    if (OpenDialog1.exec() != QDialog::Accepted || OpenDialog1.selectedFiles().isEmpty()) {
        return {};
    }
    return OpenDialog1.selectedFiles().constFirst();
}

QString TForm3::runSaveDialog(const QString& proposedName) {
    QFileDialog SaveDialog1(this);
    SaveDialog1.setObjectName(QStringLiteral("SaveDialog1"));
    SaveDialog1.setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog1.setDefaultSuffix(QStringLiteral("Txt"));
    SaveDialog1.selectFile(proposedName);
    if (SaveDialog1.exec() != QDialog::Accepted || SaveDialog1.selectedFiles().isEmpty()) {
        return {};
    }
    return SaveDialog1.selectedFiles().constFirst();
}

QStringList TForm3::memoLines() const {
    const QString text = ui_->Memo1->toPlainText();
    if (text.isEmpty()) {
        return {};
    }
    QStringList lines = text.split(u'\n');
    if (lines.constLast().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

void TForm3::showStatus(const QString& text, const QString& detail, const QString& detailToolTip) {
    statusPanel_->setText(text);
    statusDetail_->setText(detail);
    statusPanel_->setToolTip(detailToolTip);
    statusDetail_->setToolTip(detailToolTip);
}
