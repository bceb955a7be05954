// SPDX-License-Identifier: LGPL-2.1-or-later
#include "BusSim.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QtDebug>

#include "model/BatchText.h"
#include "model/Parameters.h"
#include "tests/support/SimProcess.h"

namespace {
constexpr int kStartTimeoutMs = 30000;
}

BusSim::BusSim(const std::vector<Station>& stations, Options options) {
    device_ = dir_.filePath(QStringLiteral("ttyBUS"));
    QStringList args{QStringLiteral("--pty"), device_};
    for (const Station& s : stations) {
        args << QStringLiteral("--bus")
             << QStringLiteral("%1@%2:%3")
                    .arg(s.station)
                    .arg(s.rate)
                    .arg(dir_.filePath(QStringLiteral("station%1.txt").arg(s.station)));
    }
    if (options.lineRate) {
        args << QStringLiteral("--line-rate");
    }
    if (options.replyDelay.count() > 0) {
        args << QStringLiteral("--reply-delay") << QString::number(options.replyDelay.count());
    }
    process_.setProgram(SimProcess::executable());
    process_.setArguments(args);
    process_.setProcessChannelMode(QProcess::SeparateChannels);
}

BusSim::~BusSim() {
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(15000)) {
            process_.kill();
            process_.waitForFinished(15000);
        }
    }
}

bool BusSim::start() {
    process_.start();
    const QDeadlineTimer deadline(kStartTimeoutMs);
    QByteArray out;
    while (!out.contains('\n')) {
        if (process_.state() == QProcess::NotRunning || deadline.hasExpired()) {
            qWarning().noquote() << "BusSim: reader-sim" << process_.arguments().join(u' ')
                                 << "did not become ready:"
                                 << QString::fromLocal8Bit(process_.readAllStandardError());
            return false;
        }
        process_.waitForReadyRead(100);
        out += process_.readAllStandardOutput();
    }
    return true;
}

QString BusSim::serialNumber(int station) const {
    QFile file(dir_.filePath(QStringLiteral("station%1.txt").arg(station)));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray text = file.readAll();
    const auto parsed = batchtext::parse(std::string_view(text.constData(), text.size()));
    for (const auto& line : parsed.blocks) {
        if (line.block == model::productSerialNumber.address / batchtext::kBlockSize) {
            return QString::fromLatin1(reinterpret_cast<const char*>(line.bytes.data()),
                                       model::productSerialNumber.width);
        }
    }
    return {};
}
