// SPDX-License-Identifier: LGPL-2.1-or-later
#include "SimProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>
#include <QtDebug>

#include "model/BatchText.h"
#include "model/Parameters.h"

namespace {

// Process start on a loaded machine, possibly under the sanitizers.
constexpr int kStartTimeoutMs = 30000;
constexpr int kStopTimeoutMs = 15000;

}  // namespace

SimProcess::SimProcess() : SimProcess(Options{}) {}

SimProcess::SimProcess(Options options) : options_(std::move(options)) {
    process_.setProgram(executable());
    process_.setProcessChannelMode(QProcess::SeparateChannels);
}

SimProcess::~SimProcess() {
    stop();
}

QString SimProcess::executable() {
    return QStringLiteral(READER_SIM_PATH);
}

bool SimProcess::start() {
    if (isRunning()) {
        return true;
    }
    if (!dir_.isValid()) {
        qWarning("SimProcess: no temporary folder");
        return false;
    }
    memoryFile_ = options_.memoryFile.isEmpty() ? dir_.filePath(QStringLiteral("memory.txt"))
                                                : options_.memoryFile;
    QStringList args;
    if (options_.tcp) {
        args << QStringLiteral("--tcp") << QStringLiteral("127.0.0.1:0");
    }
    if (options_.pty) {
        ptyLink_ = dir_.filePath(QStringLiteral("ttySIM"));
        args << QStringLiteral("--pty") << ptyLink_;
    }
    if (options_.bus.isEmpty()) {
        if (options_.station >= 0) {
            args << QStringLiteral("--station") << QString::number(options_.station);
        }
        args << QStringLiteral("--memory") << memoryFile_;
    }
    for (const QString& station : options_.bus) {
        args << QStringLiteral("--bus")
             << station + u':' + memoryFile(station.section(u'@', 0, 0).toInt());
    }
    if (options_.replyDelayMs > 0) {
        args << QStringLiteral("--reply-delay") << QString::number(options_.replyDelayMs);
    }
    if (!options_.firmware.isEmpty()) {
        args << QStringLiteral("--firmware") << options_.firmware;
    }
    if (options_.lineRate) {
        args << QStringLiteral("--line-rate");
    }
    for (const QString& range : options_.fail) {
        args << QStringLiteral("--fail") << range;
    }
    args << options_.extraArguments;

    stderr_.clear();
    tcpPort_ = 0;
    process_.setArguments(args);
    process_.start();
    if (!process_.waitForStarted(kStartTimeoutMs)) {
        qWarning() << "SimProcess: cannot start" << executable() << process_.errorString();
        return false;
    }
    const QDeadlineTimer deadline(kStartTimeoutMs);
    QByteArray out;
    while (!out.contains('\n')) {
        if (process_.state() == QProcess::NotRunning || deadline.hasExpired()) {
            stderr_ += process_.readAllStandardError();
            qWarning().noquote() << "SimProcess: reader-sim" << args.join(u' ')
                                 << "did not become ready:" << QString::fromLocal8Bit(stderr_);
            kill();
            return false;
        }
        process_.waitForReadyRead(100);
        out += process_.readAllStandardOutput();
    }
    const QString line = QString::fromLocal8Bit(out.left(out.indexOf('\n')));
    readyLine_ = line;
    if (options_.tcp) {
        static const QRegularExpression portPattern(QStringLiteral(R"(tcp [0-9.]+:(\d+))"));
        const auto match = portPattern.match(line);
        if (!match.hasMatch()) {
            qWarning().noquote() << "SimProcess: unexpected ready line:" << line;
            kill();
            return false;
        }
        tcpPort_ = static_cast<quint16>(match.captured(1).toUInt());
    }
    return true;
}

void SimProcess::stop() {
    if (process_.state() == QProcess::NotRunning) {
        return;
    }
    process_.terminate();
    if (!process_.waitForFinished(kStopTimeoutMs)) {
        qWarning("SimProcess: reader-sim ignored SIGTERM");
        kill();
    }
    stderr_ += process_.readAllStandardError();
}

void SimProcess::kill() {
    if (process_.state() == QProcess::NotRunning) {
        return;
    }
    process_.kill();
    process_.waitForFinished(kStopTimeoutMs);
    stderr_ += process_.readAllStandardError();
}

bool SimProcess::isRunning() const {
    return process_.state() != QProcess::NotRunning;
}

bool SimProcess::waitForFinished(int msecs) {
    if (process_.state() == QProcess::NotRunning) {
        return true;
    }
    const bool finished = process_.waitForFinished(msecs);
    stderr_ += process_.readAllStandardError();
    return finished;
}

QString SimProcess::errorOutput() {
    if (process_.state() != QProcess::NotRunning) {
        stderr_ += process_.readAllStandardError();
    }
    return QString::fromLocal8Bit(stderr_);
}

QString SimProcess::memoryFile(int station) const {
    return dir_.filePath(QStringLiteral("station-%1.txt").arg(station));
}

SimProcess::Options SimProcess::busOptions(QStringList stations) {
    Options options;
    options.tcp = false;
    options.pty = true;
    options.bus = std::move(stations);
    return options;
}

QString SimProcess::serialNumber(int station) const {
    const auto memory = readMemoryFile(station);
    const auto* first = memory.data() + model::productSerialNumber.address;
    return QString::fromLatin1(reinterpret_cast<const char*>(first),
                               model::productSerialNumber.width);
}

std::array<std::uint8_t, 256> SimProcess::readMemoryFile() const {
    return readMemoryFileAt(memoryFile_);
}

std::array<std::uint8_t, 256> SimProcess::readMemoryFile(int station) const {
    return readMemoryFileAt(memoryFile(station));
}

std::array<std::uint8_t, 256> SimProcess::readMemoryFileAt(const QString& path) {
    std::array<std::uint8_t, 256> memory{};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning() << "SimProcess: cannot read" << path;
        return memory;
    }
    const QByteArray text = file.readAll();
    const auto parsed = batchtext::parse(std::string_view(text.constData(), text.size()));
    if (!parsed.rejected.empty() || parsed.blocks.size() != batchtext::kBlockCount) {
        qWarning() << "SimProcess: malformed memory file" << path;
    }
    for (const auto& line : parsed.blocks) {
        std::copy(line.bytes.begin(), line.bytes.end(),
                  memory.begin() + line.block * batchtext::kBlockSize);
    }
    return memory;
}

void SimProcess::writeMemoryFile(const QString& path, const std::array<std::uint8_t, 256>& memory) {
    const std::string text = batchtext::formatMemory(memory);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !file.commit()) {
        qWarning() << "SimProcess: cannot write" << path;
    }
}

std::array<std::uint8_t, 256> SimProcess::randomMemory(quint32 seed) {
    QRandomGenerator random(seed);
    std::array<std::uint8_t, 256> memory{};
    for (std::uint8_t& byte : memory) {
        byte = static_cast<std::uint8_t>(random.bounded(256));
    }
    return memory;
}
