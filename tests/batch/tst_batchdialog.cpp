// SPDX-License-Identifier: LGPL-2.1-or-later
#include "batch/BatchDialog.h"
#include "batch/BatchFile.h"
#include "model/BatchText.h"
#include "tests/support/RecordingReaderLibrary.h"
#include "widgets/ErrorReporting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <memory>

namespace {

constexpr std::int32_t kHandle = 7;

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return "<missing>";
    }
    return file.readAll();
}

void writeFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(data), data.size());
}

// "B:" + the 16 bytes as hex pairs.
QString blockLine(int block, const batchtext::Block& bytes) {
    return QString::fromStdString(batchtext::formatBlockLine(block, bytes));
}

batchtext::Block ascii(const char (&text)[17]) {
    batchtext::Block bytes{};
    std::copy_n(text, 16, bytes.begin());
    return bytes;
}

batchtext::Block filled(std::uint8_t value) {
    batchtext::Block bytes{};
    bytes.fill(value);
    return bytes;
}

// Every file of a folder, so that a failed save can be seen to leave no temporary behind.
QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                                  QDir::Name);
}

// Makes every write of this process past a few bytes fail, like a full disk. Works for root,
// unlike a read-only folder.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

// Replaces the save's system calls for its lifetime, to make one step of a save fail.
class InjectedSystemCalls {
  public:
    InjectedSystemCalls() : saved_(batchfile::systemCalls()) {}
    ~InjectedSystemCalls() { batchfile::systemCalls() = saved_; }
    InjectedSystemCalls(const InjectedSystemCalls&) = delete;
    InjectedSystemCalls& operator=(const InjectedSystemCalls&) = delete;

  private:
    batchfile::SystemCalls saved_;
};

// The steps of a save over an existing file, in their order.
enum class SaveStep {
    CheckExisting,
    SyncNewText,
    SyncBackupCopy,
    RenameNewFile,
    RenameBackup,
    SyncFolder,
};

// Makes step fail with error; every other call goes through.
void failAt(SaveStep step, int error) {
    auto& calls = batchfile::systemCalls();
    const auto real = calls;
    auto syncs = std::make_shared<int>(0);
    auto fail = [error] {
        errno = error;
        return -1;
    };
    calls.stat = [=](const char* path, struct stat* st) {
        return step == SaveStep::CheckExisting ? fail() : real.stat(path, st);
    };
    calls.fdatasync = [=](int fd) {
        const int index = (*syncs)++;
        if ((step == SaveStep::SyncNewText && index == 0) ||
            (step == SaveStep::SyncBackupCopy && index == 1)) {
            return fail();
        }
        return real.fdatasync(fd);
    };
    calls.rename = [=](const char* from, const char* to) {
        const bool toBackup = QByteArray(to).endsWith(".BAK");
        if ((step == SaveStep::RenameNewFile && !toBackup) ||
            (step == SaveStep::RenameBackup && toBackup)) {
            return fail();
        }
        return real.rename(from, to);
    };
    calls.fsyncDirectory = [=](int fd) {
        return step == SaveStep::SyncFolder ? fail() : real.fsyncDirectory(fd);
    };
}

}  // namespace

class BatchDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();

    void showsTheDesignedDialog();
    void showTakesTheTagAndEmptiesTheText();
    void exportFromAFullReader();
    void exportWithFailingReads_data();
    void exportWithFailingReads();
    void importOfAnExportedMemory();
    void importOfLines_data();
    void importOfLines();
    void importWithAFailingWrite();
    void importOverADeadLink_data();
    void importOverADeadLink();
    void saveProposesTheSerialNumber_data();
    void saveProposesTheSerialNumber();
    void saveWritesLinesWithCrLf();
    void saveOverAnExistingFileKeepsABackupBesideIt();
    void saveWhenTheBackupCannotBeMade();
    void saveFailingWhileWritingKeepsOldFiles_data();
    void saveFailingWhileWritingKeepsOldFiles();
    void saveFailingAtAStepKeepsOldFiles_data();
    void saveFailingAtAStepKeepsOldFiles();
    void saveThatCannotPutThePreviousFileBackSaysWhereItIs();
    void loadSplitsAnyLineEnd_data();
    void loadSplitsAnyLineEnd();
    void loadOfAMissingFileReportsAnError();
    void loadOfATooLargeFile_data();
    void loadOfATooLargeFile();
    void exitClosesTheDialog();
    void enterPressesTheFocusedButton_data();
    void enterPressesTheFocusedButton();
    void enterInTheTextPressesNoButton();

  private:
    QPlainTextEdit* memo() const { return dialog->findChild<QPlainTextEdit*>("Memo1"); }
    QString status() const { return dialog->findChild<QLabel*>("StatusPanel")->text(); }
    QString statusDetail() const { return dialog->findChild<QLabel*>("StatusDetail")->text(); }
    void click(const char* button) {
        QPushButton* found = dialog->findChild<QPushButton*>(button);
        QVERIFY(found);
        QTest::mouseClick(found, Qt::LeftButton);
    }
    QStringList memoLines() const {
        const QString text = memo()->toPlainText();
        return text.isEmpty() ? QStringList() : text.split(u'\n');
    }
    // Saves Memo1 to path through the save button.
    void saveTo(const QString& path) {
        dialog->setSaveFileChooser([this, path](const QString& proposed) {
            proposedName = proposed;
            return path;
        });
        click("BitBtn2");
    }
    void loadFrom(const QString& path) {
        dialog->setOpenFileChooser([path](const QString&) { return path; });
        click("BitBtn1");
    }

    RecordingReaderLibrary library;
    std::unique_ptr<TForm3> dialog;
    QStringList errors;
    QString proposedName;
    std::unique_ptr<QTemporaryDir> folder;
};

void BatchDialogTest::init() {
    library = RecordingReaderLibrary();
    for (std::size_t address = 0; address < library.memory.size(); ++address) {
        library.memory[address] = std::uint8_t(address * 7 + 3);
    }
    errors.clear();
    proposedName.clear();
    setErrorReporter([this](const QString& message) { errors << message; });
    folder = std::make_unique<QTemporaryDir>();
    QVERIFY(folder->isValid());

    dialog = std::make_unique<TForm3>(library);
    dialog->setOpenFileChooser([](const QString&) -> QString { qFatal("unexpected open dialog"); });
    dialog->setSaveFileChooser([](const QString&) -> QString { qFatal("unexpected save dialog"); });
    dialog->setTag(kHandle);
    dialog->show();
}

void BatchDialogTest::cleanup() {
    dialog.reset();
    setErrorReporter({});
}

void BatchDialogTest::showsTheDesignedDialog() {
    QCOMPARE(dialog->windowTitle(), QString("批量配置参数"));
    QCOMPARE(dialog->size(), QSize(479, 321));
    QVERIFY(!(dialog->windowFlags() & Qt::WindowMinMaxButtonsHint));
    QVERIFY(!(dialog->windowFlags() & Qt::WindowContextHelpButtonHint));
    const QStringList captions{"从文件导入", "保存到文件", "从读写器导出", "导入到读写器", "退出"};
    for (int i = 0; i < captions.size(); ++i) {
        const auto* button = dialog->findChild<QPushButton*>(QString("BitBtn%1").arg(i + 1));
        QVERIFY(button);
        QCOMPARE(button->text(), captions[i]);
    }
    QVERIFY(dialog->findChild<QStatusBar*>("StatusBar1"));
    QVERIFY(memo());
    QCOMPARE(status(), QString());
}

void BatchDialogTest::showTakesTheTagAndEmptiesTheText() {
    TForm3 fresh(library);
    fresh.findChild<QPlainTextEdit*>("Memo1")->setPlainText("left over");
    fresh.setTag(42);
    QCOMPARE(fresh.readerHandle(), 0);
    fresh.show();
    QCOMPARE(fresh.readerHandle(), 42);
    QCOMPARE(fresh.tag(), 42);
    QCOMPARE(fresh.findChild<QPlainTextEdit*>("Memo1")->toPlainText(), QString());

    QCOMPARE(dialog->readerHandle(), kHandle);
    click("BitBtn3");
    QVERIFY(!library.calls().empty());
    for (const auto& call : library.calls()) {
        QCOMPARE(call.arguments.at(0), kHandle);
    }
}

void BatchDialogTest::exportFromAFullReader() {
    memo()->setPlainText("old text");
    click("BitBtn3");

    QStringList expectedCalls;
    QStringList expectedLines;
    for (int block = 0; block < 16; ++block) {
        expectedCalls << QString("GetParameter(7, 0x%1, 16)")
                             .arg(block * 16, 2, 16, QChar('0'))
                             .toUpper()
                             .replace("0X", "0x")
                             .replace("GETPARAMETER", "GetParameter");
        batchtext::Block bytes{};
        std::copy_n(library.memory.begin() + block * 16, 16, bytes.begin());
        expectedLines << blockLine(block, bytes);
    }
    QCOMPARE(library.callTexts(), expectedCalls);
    const QStringList lines = memoLines();
    QCOMPARE(lines, expectedLines);
    for (int block = 0; block < 16; ++block) {
        QCOMPARE(lines[block].size(), 34);
        QCOMPARE(lines[block][0], QString::number(block, 16).toUpper()[0]);
        QCOMPARE(lines[block], lines[block].toUpper());
    }
    QCOMPARE(status(), QString("从读写器导出参数成功!"));
}

void BatchDialogTest::exportWithFailingReads_data() {
    using Failure = RecordingReaderLibrary::Failure;
    QTest::addColumn<QList<int>>("failingAddresses");
    QTest::addColumn<Failure>("kind");
    QTest::addColumn<int>("calls");
    const QList<int> everyBlock{0x00, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70,
                                0x80, 0x90, 0xA0, 0xB0, 0xC0, 0xD0, 0xE0, 0xF0};
    QTest::newRow("block 3") << QList<int>{0x3F} << Failure::Link << 16;
    QTest::newRow("first and last") << QList<int>{0x00, 0xF0} << Failure::Link << 16;
    QTest::newRow("two apart") << QList<int>{0x20, 0x40} << Failure::Link << 16;
    // Two link failures in a row: the remaining blocks fail without a call.
    QTest::newRow("every block, dead link") << everyBlock << Failure::Link << 2;
    QTest::newRow("dead from block 3") << everyBlock.mid(3) << Failure::Link << 5;
    // The reader answering with a refusal is no dead link.
    QTest::newRow("every block refused") << everyBlock << Failure::Exception << 16;
}

void BatchDialogTest::exportWithFailingReads() {
    QFETCH(QList<int>, failingAddresses);
    QFETCH(RecordingReaderLibrary::Failure, kind);
    QFETCH(int, calls);
    QSet<int> failingBlocks;
    for (int address : failingAddresses) {
        library.failAddress(address, kind);
        failingBlocks << address / 16;
    }
    click("BitBtn3");

    QCOMPARE(library.callTexts().size(), calls);
    QStringList expectedLines;
    for (int block = 0; block < 16; ++block) {
        if (!failingBlocks.contains(block)) {
            batchtext::Block bytes{};
            std::copy_n(library.memory.begin() + block * 16, 16, bytes.begin());
            expectedLines << blockLine(block, bytes);
        }
    }
    QCOMPARE(memoLines(), expectedLines);
    QCOMPARE(status(), QString("从读写器导出参数失败!"));
}

void BatchDialogTest::importOfAnExportedMemory() {
    click("BitBtn3");
    const auto source = library.memory;
    std::array<std::uint8_t, 256> target{};
    for (std::size_t address = 0; address < target.size(); ++address) {
        target[address] = std::uint8_t(0xFF - address);
    }
    library.memory = target;
    library.clearCalls();

    click("BitBtn4");

    auto pairs = [&](int from, int count) {
        QStringList list;
        for (int address = from; address < from + count; ++address) {
            list << QString("%1").arg(source[std::size_t(address)], 2, 16, QChar('0')).toUpper();
        }
        return list.join(' ');
    };
    QStringList expected;
    for (int block = 0; block < 16; ++block) {
        const int address = block * 16;
        const QString hexAddress = "0x" + QString("%1").arg(address, 2, 16, QChar('0')).toUpper();
        if (block == 0 || block == 2) {
            continue;
        }
        if (block == 6) {
            expected << QString("SetParameter(7, 0x60, 7, %1)").arg(pairs(0x60, 7));
            expected << QString("SetParameter(7, 0x6A, 6, %1)").arg(pairs(0x6A, 6));
        } else if (block == 10) {
            expected << QString("SetParameter(7, 0xA0, 12, %1)").arg(pairs(0xA0, 12));
        } else if (block == 11) {
            expected << QString("SetParameter(7, 0xB2, 14, %1)").arg(pairs(0xB2, 14));
        } else {
            expected << QString("SetParameter(7, %1, 16, %2)").arg(hexAddress, pairs(address, 16));
        }
    }
    QCOMPARE(library.callTexts(), expected);
    QCOMPARE(expected.size(), 15);

    for (std::size_t address = 0; address < 256; ++address) {
        const bool kept = address < 0x10 || (address >= 0x20 && address < 0x30) ||
                          (address >= 0x67 && address <= 0x69) ||
                          (address >= 0xAC && address <= 0xB1);
        QCOMPARE(library.memory[address], kept ? target[address] : source[address]);
    }
    QCOMPARE(status(), QString("导入参数到读写器成功!"));
    QCOMPARE(statusDetail(), QString());
}

void BatchDialogTest::importOfLines_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("detail");

    const QString sixteen = "000102030405060708090A0B0C0D0E0F";
    QTest::newRow("block 6 around the PCB identity")
        << "6:" + sixteen
        << QStringList{"SetParameter(7, 0x60, 7, 00 01 02 03 04 05 06)",
                       "SetParameter(7, 0x6A, 6, 0A 0B 0C 0D 0E 0F)"}
        << true << "";
    // Readers configured alike must not share one MAC address (0xAC..0xB1).
    QTest::newRow("blocks 10 and 11 around the MAC address")
        << "a:" + sixteen + "\nb:" + sixteen
        << QStringList{"SetParameter(7, 0xA0, 12, 00 01 02 03 04 05 06 07 08 09 0A 0B)",
                       "SetParameter(7, 0xB2, 14, 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F)"}
        << true << "";
    QTest::newRow("blocks 0 and 2 are never written")
        << "0:" + sixteen + "\n2:" + sixteen << QStringList{} << true << "";
    QTest::newRow("a later line for a block overwrites")
        << "3:" + QString(32, 'A') + "\n3:" + QString(32, 'B')
        << QStringList{"SetParameter(7, 0x30, 16, " + QString("AA ").repeated(15) + "AA)",
                       "SetParameter(7, 0x30, 16, " + QString("BB ").repeated(15) + "BB)"}
        << true << "";
    QTest::newRow("digits in lowercase")
        << "f:" + sixteen.toLower()
        << QStringList{"SetParameter(7, 0xF0, 16, 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E "
                       "0F)"}
        << true << "";
    QTest::newRow("empty lines carry nothing")
        << "\n4:" + QString(32, '1') + "\n\n"
        << QStringList{"SetParameter(7, 0x40, 16, " + QString("11 ").repeated(15) + "11)"} << true
        << "";
    QTest::newRow("malformed lines write nothing, the others still are written")
        << "3:" + QString(31, 'A') + "\n5:" + QString(32, '5') + "\nG:" + QString(32, '1') + "\n4" +
               QString(32, '2') + "\n7:" + QString(32, '7') + " \n8:" + QString(30, '8') + "XY" +
               "\n9:" + QString(32, '9') + QString(QChar(0)) + "\n6:" + QString(33, '6') +
               "\nA:" + QString(32, 'A')
        << QStringList{"SetParameter(7, 0x50, 16, " + QString("55 ").repeated(15) + "55)",
                       "SetParameter(7, 0xA0, 12, " + QString("AA ").repeated(11) + "AA)"}
        << false << "无效行: 1, 3, 4, 5, 6, 7, 8";
    QTest::newRow("a text of the wrong characters")
        << "３:" + QString(32, '3') << QStringList{} << false << "无效行: 1";
    QStringList manyLines;
    for (int line = 1; line <= 300; ++line) {
        manyLines << "note " + QString::number(line);
    }
    QTest::newRow("a long list of rejected lines")
        << manyLines.join(u'\n') << QStringList{} << false
        << "无效行: 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, …";
    QTest::newRow("ten rejected lines are all named")
        << manyLines.mid(0, 10).join(u'\n') << QStringList{} << false
        << "无效行: 1, 2, 3, 4, 5, 6, 7, 8, 9, 10";
}

void BatchDialogTest::importOfLines() {
    QFETCH(QString, text);
    QFETCH(QStringList, calls);
    QFETCH(bool, ok);
    QFETCH(QString, detail);
    memo()->setPlainText(text);
    click("BitBtn4");
    QCOMPARE(library.callTexts(), calls);
    QCOMPARE(status(), ok ? QString("导入参数到读写器成功!") : QString("导入参数到读写器失败!"));
    QCOMPARE(statusDetail(), detail);
    const QString reasons = dialog->findChild<QLabel*>("StatusDetail")->toolTip();
    QCOMPARE(reasons.isEmpty() ? 0 : reasons.count(u'\n') + 1,
             detail.count(u',') + !detail.isEmpty());
    QCOMPARE(memo()->toPlainText(), text);
    // The status bar fits into the dialog, however long its text.
    // A size change travels up from the label in several rounds of posted layout requests.
    for (int round = 0; round < 5; ++round) {
        QCoreApplication::sendPostedEvents();
    }
    QCOMPARE(dialog->size(), QSize(479, 321));
    QVERIFY(dialog->minimumWidth() <= 479);
}

void BatchDialogTest::importWithAFailingWrite() {
    click("BitBtn3");
    library.clearCalls();
    library.failAddress(0x45);
    click("BitBtn4");
    QCOMPARE(library.callTexts().size(), 15);  // the failure stops nothing
    QCOMPARE(status(), QString("导入参数到读写器失败!"));
    QCOMPARE(statusDetail(), QString());

    library.clearFailures();
    click("BitBtn4");
    QCOMPARE(status(), QString("导入参数到读写器成功!"));
}

void BatchDialogTest::importOverADeadLink_data() {
    using Failure = RecordingReaderLibrary::Failure;
    QTest::addColumn<QList<int>>("failingCalls");
    QTest::addColumn<Failure>("kind");
    QTest::addColumn<int>("calls");
    QList<int> fromThird;
    for (int index = 2; index < 15; ++index) {
        fromThird << index;
    }
    QTest::newRow("dead from the third write") << fromThird << Failure::Link << 4;
    QTest::newRow("one lost write") << QList<int>{5} << Failure::Link << 15;
    QTest::newRow("two lost writes apart") << QList<int>{5, 7} << Failure::Link << 15;
    QTest::newRow("refused from the third write") << fromThird << Failure::Exception << 15;
}

void BatchDialogTest::importOverADeadLink() {
    QFETCH(QList<int>, failingCalls);
    QFETCH(RecordingReaderLibrary::Failure, kind);
    QFETCH(int, calls);
    click("BitBtn3");
    library.clearCalls();
    for (int index : failingCalls) {
        library.failCallIndex(index, kind);
    }
    click("BitBtn4");
    QCOMPARE(library.callTexts().size(), calls);
    QCOMPARE(status(), QString("导入参数到读写器失败!"));
    QCOMPARE(statusDetail(), QString());

    // The next import starts with a live link again.
    library.clearFailures();
    library.clearCalls();
    click("BitBtn4");
    QCOMPARE(library.callTexts().size(), 15);
    QCOMPARE(status(), QString("导入参数到读写器成功!"));
}

void BatchDialogTest::saveProposesTheSerialNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("proposed");
    const QString block1 = blockLine(1, filled(0x31));
    QTest::newRow("serial number")
        << block1 + "\n" + blockLine(2, ascii("RD24002312000042")) << "RD24002312000042.Txt";
    QTest::newRow("short serial, zero fill")
        << blockLine(2, ascii("RD24\0\0\0\0\0\0\0\0\0\0\0\0")) << "RD24.Txt";
    QTest::newRow("blank serial area") << blockLine(2, filled(0x00)) << ".Txt";
    QTest::newRow("erased serial area") << blockLine(2, filled(0xFF)) << ".Txt";
    QTest::newRow("no block 2") << block1 << ".Txt";
    QTest::newRow("empty text") << ""
                                << ".Txt";
    QTest::newRow("separators and control characters")
        << blockLine(2, ascii("a/b\\c\td\re\nf\x7fg:hi")) << "abcdefg:hi.Txt";
    QTest::newRow("malformed block 2 lines are passed over")
        << "2:41424344\n2" + QString(32, '4') + "\n" + blockLine(2, ascii("SERIAL0000000001")) +
               "\n" + blockLine(2, ascii("SECOND0000000002"))
        << "SERIAL0000000001.Txt";
}

void BatchDialogTest::saveProposesTheSerialNumber() {
    QFETCH(QString, text);
    QFETCH(QString, proposed);
    memo()->setPlainText(text);
    saveTo(QString());  // the user cancels
    QCOMPARE(proposedName, proposed);
    QCOMPARE(filesIn(folder->path()), QStringList());
    QCOMPARE(errors, QStringList());
}

void BatchDialogTest::saveWritesLinesWithCrLf() {
    click("BitBtn3");
    const QString path = folder->filePath("reader.Txt");
    saveTo(path);
    QCOMPARE(errors, QStringList());
    const QByteArray expected = QByteArray::fromStdString(batchtext::formatMemory(library.memory));
    QCOMPARE(readFile(path), expected);
    QCOMPARE(filesIn(folder->path()), QStringList{"reader.Txt"});

    memo()->setPlainText("3:" + QString(32, 'C') + "\n");  // a closing line end adds no line
    saveTo(path);
    QCOMPARE(readFile(path), "3:" + QByteArray(32, 'C') + "\r\n");
}

void BatchDialogTest::saveOverAnExistingFileKeepsABackupBesideIt() {
    const QString path = folder->filePath("RD2400.Txt");
    const QString backup = folder->filePath("RD2400.BAK");
    writeFile(path, "previous content\r\n");
    writeFile(backup, "older backup\r\n");
    // The backup must not follow the current folder.
    QTemporaryDir elsewhere;
    const QString cwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(elsewhere.path()));

    memo()->setPlainText(blockLine(1, filled(0x10)));
    saveTo(path);
    QVERIFY(QDir::setCurrent(cwd));

    QCOMPARE(errors, QStringList());
    QCOMPARE(readFile(path), "1:" + QByteArray("10").repeated(16) + "\r\n");
    QCOMPARE(readFile(backup), QByteArray("previous content\r\n"));
    QCOMPARE(filesIn(folder->path()), (QStringList{"RD2400.BAK", "RD2400.Txt"}));
    QCOMPARE(filesIn(elsewhere.path()), QStringList());

    // Names without or with other extensions.
    QCOMPARE(batchfile::backupPath("/a/b/name"), QString("/a/b/name.BAK"));
    QCOMPARE(batchfile::backupPath("/a/b.d/x.y.txt"), QString("/a/b.d/x.y.BAK"));
    QCOMPARE(batchfile::backupPath("/a/.Txt"), QString("/a/.BAK"));
    QCOMPARE(batchfile::backupPath("/a/x.BAK"), QString("/a/x.BAK.BAK"));
}

void BatchDialogTest::saveWhenTheBackupCannotBeMade() {
    const QString path = folder->filePath("reader.Txt");
    writeFile(path, "previous content\r\n");
    // A folder in the backup's place cannot be replaced by a file, even by root.
    QVERIFY(QDir(folder->path()).mkpath("reader.BAK/inside"));

    memo()->setPlainText(blockLine(1, filled(0x10)));
    saveTo(path);

    QCOMPARE(errors, QStringList{"Unable to create backup file."});
    QCOMPARE(readFile(path), QByteArray("previous content\r\n"));
    QCOMPARE(filesIn(folder->path()), (QStringList{"reader.BAK", "reader.Txt"}));
}

void BatchDialogTest::saveFailingWhileWritingKeepsOldFiles_data() {
    QTest::addColumn<QByteArray>("previous");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("error");
    // The 16 exported lines take 576 bytes.
    QTest::newRow("writing the new text")
        << QByteArray("previous content\r\n") << 100 << "Cannot write file";
    QByteArray large(200 * 1024 + 17, '\0');
    QRandomGenerator random(5);
    for (char& byte : large) {
        byte = char(random.bounded(256));
    }
    QTest::newRow("writing the backup of a large file")
        << large << 100 * 1024 << "Unable to create backup file.";
}

void BatchDialogTest::saveFailingWhileWritingKeepsOldFiles() {
    QFETCH(QByteArray, previous);
    QFETCH(int, limit);
    QFETCH(QString, error);
    const QString path = folder->filePath("reader.Txt");
    const QString backup = folder->filePath("reader.BAK");
    const QByteArray older = "older backup\r\n";
    writeFile(path, previous);
    writeFile(backup, older);
    click("BitBtn3");
    {
        const FileSizeLimit sizeLimit{rlim_t(limit)};
        saveTo(path);
    }
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].startsWith(error), qPrintable(errors[0]));
    QCOMPARE(readFile(path), previous);
    QCOMPARE(readFile(backup), older);
    QCOMPARE(filesIn(folder->path()), (QStringList{"reader.BAK", "reader.Txt"}));

    // Without the limit the same save goes through.
    errors.clear();
    saveTo(path);
    QCOMPARE(errors, QStringList());
    QCOMPARE(readFile(backup), previous);
    QCOMPARE(readFile(path).size(), 16 * 36);
}

void BatchDialogTest::saveFailingAtAStepKeepsOldFiles_data() {
    QTest::addColumn<SaveStep>("step");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("saved");  // the new text is in place despite the failure
    QTest::newRow("cannot tell whether the file exists")
        << SaveStep::CheckExisting << EIO << "Cannot tell whether file" << false;
    QTest::newRow("syncing the new text fails")
        << SaveStep::SyncNewText << EIO << "Cannot write file" << false;
    QTest::newRow("syncing the backup copy fails")
        << SaveStep::SyncBackupCopy << ENOSPC << "Unable to create backup file." << false;
    QTest::newRow("renaming the new file fails")
        << SaveStep::RenameNewFile << EIO << "Cannot write file" << false;
    QTest::newRow("renaming the backup fails")
        << SaveStep::RenameBackup << EIO << "Unable to create backup file." << false;
    QTest::newRow("syncing the folder fails")
        << SaveStep::SyncFolder << EIO << "may not have reached the disk" << true;
}

// Every step of a save that fails is reported, and none loses the previous file or the
// older backup.
void BatchDialogTest::saveFailingAtAStepKeepsOldFiles() {
    QFETCH(SaveStep, step);
    QFETCH(int, error);
    QFETCH(QString, message);
    QFETCH(bool, saved);
    const QString path = folder->filePath("reader.Txt");
    const QString backup = folder->filePath("reader.BAK");
    const QByteArray previous = "previous content\r\n";
    const QByteArray older = "older backup\r\n";
    writeFile(path, previous);
    writeFile(backup, older);
    memo()->setPlainText(blockLine(1, filled(0x10)));
    const QByteArray text = "1:" + QByteArray("10").repeated(16) + "\r\n";
    {
        const InjectedSystemCalls injected;
        failAt(step, error);
        saveTo(path);
    }
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].contains(message), qPrintable(errors[0]));
    QCOMPARE(readFile(path), saved ? text : previous);
    QCOMPARE(readFile(backup), saved ? previous : older);
    QCOMPARE(filesIn(folder->path()), (QStringList{"reader.BAK", "reader.Txt"}));

    errors.clear();
    saveTo(path);
    QCOMPARE(errors, QStringList());
    QCOMPARE(readFile(path), text);
    QCOMPARE(readFile(backup), saved ? text : previous);
}

// When neither the backup nor the previous file can be renamed into place, the error names
// the file that keeps the previous content.
void BatchDialogTest::saveThatCannotPutThePreviousFileBackSaysWhereItIs() {
    const QString path = folder->filePath("reader.Txt");
    const QString backup = folder->filePath("reader.BAK");
    writeFile(path, "previous content\r\n");
    writeFile(backup, "older backup\r\n");
    memo()->setPlainText(blockLine(1, filled(0x10)));
    {
        const InjectedSystemCalls injected;
        auto& calls = batchfile::systemCalls();
        const auto real = calls;
        auto renames = std::make_shared<int>(0);
        calls.rename = [=](const char* from, const char* to) {
            if ((*renames)++ == 0) {
                return real.rename(from, to);
            }
            errno = EIO;
            return -1;
        };
        saveTo(path);
    }
    QCOMPARE(readFile(path), "1:" + QByteArray("10").repeated(16) + "\r\n");
    QCOMPARE(readFile(backup), QByteArray("older backup\r\n"));
    const QStringList files = filesIn(folder->path());
    QCOMPARE(files.size(), 3);
    const QStringList kept = files.filter(QRegularExpression("^reader\\.Txt\\..*\\.tmp$"));
    QCOMPARE(kept.size(), 1);
    QCOMPARE(readFile(folder->filePath(kept[0])), QByteArray("previous content\r\n"));
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].startsWith("Unable to create backup file."), qPrintable(errors[0]));
    QVERIFY2(errors[0].contains(QDir::toNativeSeparators(folder->filePath(kept[0]))),
             qPrintable(errors[0]));
}

void BatchDialogTest::loadSplitsAnyLineEnd_data() {
    QTest::addColumn<QByteArray>("content");
    const QByteArray a = "1:" + QByteArray(32, 'A');
    const QByteArray b = "2:" + QByteArray(32, 'B');
    const QByteArray c = "hand-written note";
    QTest::newRow("CR LF") << a + "\r\n" + b + "\r\n" + c + "\r\n";
    QTest::newRow("CR") << a + "\r" + b + "\r" + c + "\r";
    QTest::newRow("LF") << a + "\n" + b + "\n" + c + "\n";
    QTest::newRow("no closing line end") << a + "\r\n" + b + "\n" + c;
}

void BatchDialogTest::loadSplitsAnyLineEnd() {
    QFETCH(QByteArray, content);
    const QString path = folder->filePath("load.txt");
    writeFile(path, content);
    memo()->setPlainText("replaced");
    loadFrom(path);
    QCOMPARE(errors, QStringList());
    QCOMPARE(memoLines(),
             (QStringList{"1:" + QString(32, 'A'), "2:" + QString(32, 'B'), "hand-written note"}));
    QCOMPARE(status(), QString());

    // What was loaded saves back as CR LF lines.
    const QString saved = folder->filePath("saved.txt");
    saveTo(saved);
    QCOMPARE(readFile(saved), "1:" + QByteArray(32, 'A') + "\r\n2:" + QByteArray(32, 'B') +
                                  "\r\nhand-written note\r\n");
}

void BatchDialogTest::loadOfAMissingFileReportsAnError() {
    memo()->setPlainText("kept");
    loadFrom(folder->filePath("missing.Txt"));
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].contains("missing.Txt"), qPrintable(errors[0]));
    QCOMPARE(memo()->toPlainText(), QString("kept"));

    dialog->setOpenFileChooser([](const QString&) { return QString(); });  // cancelled
    click("BitBtn1");
    QCOMPARE(memo()->toPlainText(), QString("kept"));
    QCOMPARE(errors.size(), 1);
}

void BatchDialogTest::loadOfATooLargeFile_data() {
    QTest::addColumn<QString>("path");  // in the test folder unless absolute
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("loads");
    QTest::newRow("at the limit") << "big.txt" << batchfile::kMaxLoadSize << true;
    QTest::newRow("one byte more") << "big.txt" << batchfile::kMaxLoadSize + 1 << false;
    QTest::newRow("8 GiB, sparse") << "big.txt" << (qint64(8) << 30) << false;
    QTest::newRow("a device without end") << "/dev/zero" << qint64(-1) << false;
}

void BatchDialogTest::loadOfATooLargeFile() {
    QFETCH(QString, path);
    QFETCH(qint64, size);
    QFETCH(bool, loads);
    if (size >= 0) {
        path = folder->filePath(path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray line = QByteArray(63, 'x') + '\n';
        for (qint64 written = 0; written + line.size() <= qMin(size, batchfile::kMaxLoadSize);
             written += line.size()) {
            QCOMPARE(file.write(line), line.size());
        }
        QVERIFY(file.resize(size));  // the rest, if any, is a hole that reads as NUL bytes
    }
    memo()->setPlainText("kept");
    loadFrom(path);
    if (loads) {
        QCOMPARE(errors, QStringList());
        QCOMPARE(memoLines().size(), int(size / 64));
    } else {
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].contains(QFileInfo(path).fileName()), qPrintable(errors[0]));
        QCOMPARE(memo()->toPlainText(), QString("kept"));
    }
}

void BatchDialogTest::exitClosesTheDialog() {
    QVERIFY(dialog->isVisible());
    click("BitBtn5");
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QVERIFY(library.calls().empty());
}

void BatchDialogTest::enterPressesTheFocusedButton_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("keypad");
    QTest::newRow("从文件导入") << "BitBtn1" << false;
    QTest::newRow("保存到文件") << "BitBtn2" << true;
    QTest::newRow("从读写器导出") << "BitBtn3" << false;
    QTest::newRow("导入到读写器") << "BitBtn4" << true;
    QTest::newRow("退出") << "BitBtn5" << false;
}

void BatchDialogTest::enterPressesTheFocusedButton() {
    QFETCH(QString, button);
    QFETCH(bool, keypad);
    // The user cancels the file dialogs.
    dialog->setOpenFileChooser([](const QString&) { return QString(); });
    dialog->setSaveFileChooser([](const QString&) { return QString(); });
    auto* pressed = dialog->findChild<QPushButton*>(button);
    QVERIFY(pressed);
    QSignalSpy clicks(pressed, &QPushButton::clicked);
    QApplication::setActiveWindow(dialog.get());
    pressed->setFocus();
    QTest::keyClick(pressed, keypad ? Qt::Key_Enter : Qt::Key_Return,
                    keypad ? Qt::KeypadModifier : Qt::NoModifier);
    QCOMPARE(clicks.count(), 1);
}

void BatchDialogTest::enterInTheTextPressesNoButton() {
    QList<std::shared_ptr<QSignalSpy>> spies;
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
        spies << std::make_shared<QSignalSpy>(button, &QPushButton::clicked);
    }
    QCOMPARE(spies.size(), 5);
    QTest::keyClicks(memo(), "0:");
    QTest::keyClick(memo(), Qt::Key_Return);
    QCOMPARE(memo()->toPlainText(), QString("0:\n"));
    for (const auto& spy : spies) {
        QCOMPARE(spy->count(), 0);
    }
    QVERIFY(dialog->isVisible());
}

QTEST_MAIN(BatchDialogTest)
#include "tst_batchdialog.moc"
