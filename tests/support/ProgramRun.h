// SPDX-License-Identifier: LGPL-2.1-or-later
// Runs a command-line program of the project to its end, as a shell would, for end-to-end
// tests of its output and exit code.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

struct ProgramRun {
    int exitCode = -1;  // -1 when it crashed or did not finish within two minutes
    QString out;
    QString err;
};

inline ProgramRun runProgram(
    const QString& program, const QStringList& arguments,
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    ProgramRun run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        run.err = QString("%1 did not finish").arg(program.section(u'/', -1));
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}
