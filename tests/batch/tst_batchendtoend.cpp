// SPDX-License-Identifier: LGPL-2.1-or-later
// The batch dialog with the real reader library against two reader-sim processes over TCP.

#include "batch/BatchDialog.h"
#include "session/ReaderLibrary.h"
#include "tests/support/ReaderIdentity.h"
#include "tests/support/SimProcess.h"
#include "widgets/ErrorReporting.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <memory>

namespace {

using Memory = std::array<std::uint8_t, 256>;
constexpr std::uint8_t kLinkTcp = 2;

}  // namespace

class BatchEndToEndTest : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void copiesOneReaderIntoAnother();
    void exportFromAReaderWithAFailingBlock();

  private:
    // Starts a simulator on the given memory and opens a TCP link to it.
    std::unique_ptr<SimProcess> startSim(const QString& name, const Memory& memory,
                                         QStringList fail, std::int32_t* handle);
    // A fresh dialog for the reader, as Shift+F1 creates it.
    std::unique_ptr<TForm3> openDialog(std::int32_t handle);
    static void click(TForm3& dialog, const char* button) {
        QTest::mouseClick(dialog.findChild<QPushButton*>(button), Qt::LeftButton);
    }
    static QString status(TForm3& dialog) {
        return dialog.findChild<QLabel*>("StatusPanel")->text();
    }
    static QStringList lines(TForm3& dialog) {
        const QString text = dialog.findChild<QPlainTextEdit*>("Memo1")->toPlainText();
        return text.isEmpty() ? QStringList() : text.split(u'\n');
    }

    SharedReaderLibrary library;
    QStringList errors;
    std::unique_ptr<QTemporaryDir> folder;
    QList<std::int32_t> openHandles;
};

void BatchEndToEndTest::init() {
    errors.clear();
    setErrorReporter([this](const QString& message) { errors << message; });
    folder = std::make_unique<QTemporaryDir>();
    QVERIFY(folder->isValid());
    library.SelectStation(-1);
}

void BatchEndToEndTest::cleanup() {
    for (std::int32_t handle : openHandles) {
        library.CloseReader(handle);
    }
    openHandles.clear();
    setErrorReporter({});
}

std::unique_ptr<SimProcess> BatchEndToEndTest::startSim(const QString& name, const Memory& memory,
                                                        QStringList fail, std::int32_t* handle) {
    SimProcess::Options options;
    options.memoryFile = folder->filePath(name + ".mem");
    options.fail = std::move(fail);
    SimProcess::writeMemoryFile(options.memoryFile, memory);
    auto sim = std::make_unique<SimProcess>(options);
    if (!sim->start()) {
        return nullptr;
    }
    library.SelectPort(sim->tcpPort());
    *handle = 0;
    if (library.OpenReader(handle, kLinkTcp, "127.0.0.1") != 0) {
        qWarning("cannot open 127.0.0.1:%u", unsigned(sim->tcpPort()));
        return nullptr;
    }
    openHandles << *handle;
    return sim;
}

std::unique_ptr<TForm3> BatchEndToEndTest::openDialog(std::int32_t handle) {
    auto dialog = std::make_unique<TForm3>(library);
    dialog->setTag(handle);
    dialog->show();
    return dialog;
}

void BatchEndToEndTest::copiesOneReaderIntoAnother() {
    const Memory configured = SimProcess::randomMemory(11);
    const Memory other = SimProcess::randomMemory(12);
    for (std::size_t address = 0; address < other.size(); ++address) {
        QVERIFY(!belongsToTheReader(address) || configured[address] != other[address]);
    }
    std::int32_t handleA = 0;
    std::int32_t handleB = 0;
    const auto simA = startSim("a", configured, {}, &handleA);
    QVERIFY(simA);
    const auto simB = startSim("b", other, {}, &handleB);
    QVERIFY(simB);
    QVERIFY(handleA != handleB);

    const QString path = folder->filePath("config.Txt");
    {
        const auto dialog = openDialog(handleA);
        click(*dialog, "BitBtn3");
        QCOMPARE(status(*dialog), QString("从读写器导出参数成功!"));
        QCOMPARE(lines(*dialog).size(), 16);
        dialog->setSaveFileChooser([&](const QString&) { return path; });
        click(*dialog, "BitBtn2");
    }
    {
        const auto dialog = openDialog(handleB);
        QCOMPARE(lines(*dialog), QStringList());
        dialog->setOpenFileChooser([&](const QString&) { return path; });
        click(*dialog, "BitBtn1");
        QCOMPARE(lines(*dialog).size(), 16);
        click(*dialog, "BitBtn4");
        QCOMPARE(status(*dialog), QString("导入参数到读写器成功!"));
    }
    QCOMPARE(errors, QStringList());

    QCOMPARE(simA->readMemoryFile(), configured);
    const Memory copied = simB->readMemoryFile();
    for (std::size_t address = 0; address < copied.size(); ++address) {
        const std::uint8_t expected =
            belongsToTheReader(address) ? other[address] : configured[address];
        QVERIFY2(copied[address] == expected, qPrintable(QString("byte 0x%1: %2, expected %3")
                                                             .arg(address, 2, 16, QChar(u'0'))
                                                             .arg(copied[address])
                                                             .arg(expected)));
    }
}

void BatchEndToEndTest::exportFromAReaderWithAFailingBlock() {
    const Memory memory = SimProcess::randomMemory(21);
    std::int32_t handle = 0;
    const auto sim = startSim("failing", memory, {"0x4C"}, &handle);
    QVERIFY(sim);

    const auto dialog = openDialog(handle);
    click(*dialog, "BitBtn3");
    QCOMPARE(status(*dialog), QString("从读写器导出参数失败!"));
    const QStringList exported = lines(*dialog);
    QCOMPARE(exported.size(), 15);
    QString digits;
    for (const QString& line : exported) {
        digits += line[0];
    }
    QCOMPARE(digits, QString("012356789ABCDEF"));
}

QTEST_MAIN(BatchEndToEndTest)
#include "tst_batchendtoend.moc"
