// SPDX-License-Identifier: LGPL-2.1-or-later
// scripts/setup as root, through sudo, and for a user with neither, run against stubs of
// id, dpkg-query, sudo and apt-get on a PATH that holds nothing else but bash, env, grep and
// cat: which apt-get commands it runs, as whom, and what it tells the user.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// "<packages>" in an expected line stands for the package list the script installs.
const QString kPackages = QStringLiteral("<packages>");

bool writeStub(const QString& path, const QByteArray& body) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    file.write("#!" + QStandardPaths::findExecutable(QStringLiteral("bash")).toUtf8() + "\n" +
               body);
    file.close();
    return file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

}  // namespace

class TestSetupScript : public QObject {
    Q_OBJECT

  private slots:
    void runsAptAsRootOrSays_data();
    void runsAptAsRootOrSays();
};

void TestSetupScript::runsAptAsRootOrSays_data() {
    QTest::addColumn<int>("uid");
    QTest::addColumn<bool>("hasSudo");
    QTest::addColumn<bool>("allInstalled");
    QTest::addColumn<bool>("aptFails");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QString>("stderrContains");

    const QStringList asRoot{
        "apt-get update (frontend: )",
        "apt-get install -y <packages> (frontend: noninteractive)",
    };
    QTest::newRow("root") << 0 << false << false << false << 0 << asRoot << QString();
    QTest::newRow("root, sudo present but not used")
        << 0 << true << false << false << 0 << asRoot << QString();
    QTest::newRow("sudo") << 1000 << true << false << false << 0
                          << QStringList{
                                 "sudo apt-get update",
                                 "apt-get update (frontend: )",
                                 "sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y "
                                 "<packages>",
                                 "apt-get install -y <packages> (frontend: noninteractive)",
                             }
                          << QString();
    QTest::newRow("neither root nor sudo") << 1000 << false << false << false << 1 << QStringList{}
                                           << "apt-get update && apt-get install -y <packages>\n";
    QTest::newRow("everything installed, no root needed")
        << 1000 << false << true << false << 0 << QStringList{} << QString();
    QTest::newRow("apt-get fails") << 0 << false << false << true << 100
                                   << QStringList{"apt-get update (frontend: )"} << QString();
}

void TestSetupScript::runsAptAsRootOrSays() {
    QFETCH(int, uid);
    QFETCH(bool, hasSudo);
    QFETCH(bool, allInstalled);
    QFETCH(bool, aptFails);
    QFETCH(int, exitCode);
    QFETCH(QStringList, calls);
    QFETCH(QString, stderrContains);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString bin = dir.filePath(QStringLiteral("bin"));
    QVERIFY(QDir().mkpath(bin));
    for (const char* tool : {"bash", "env", "grep", "cat"}) {
        const QString real = QStandardPaths::findExecutable(QLatin1String(tool));
        QVERIFY2(!real.isEmpty(), tool);
        QVERIFY(QFile::link(real, bin + u'/' + QLatin1String(tool)));
    }
    QVERIFY(writeStub(bin + "/id", "[ \"$1\" = -u ] && echo \"$STUB_UID\"\n"));
    QVERIFY(writeStub(bin + "/dpkg-query",
                      "[ \"$STUB_INSTALLED\" = 1 ] && printf 'install ok installed' && exit 0\n"
                      "echo \"dpkg-query: no packages found matching ${@: -1}\" >&2; exit 1\n"));
    QVERIFY(writeStub(bin + "/apt-get",
                      "echo \"apt-get $* (frontend: ${DEBIAN_FRONTEND:-})\" >>\"$STUB_LOG\"\n"
                      "echo \"apt progress: $1 50%\"\n"
                      "[ \"$STUB_APT_FAILS\" = 1 ] && exit 100\nexit 0\n"));
    if (hasSudo) {
        QVERIFY(writeStub(bin + "/sudo", "echo \"sudo $*\" >>\"$STUB_LOG\"\nexec \"$@\"\n"));
    }

    const QString log = dir.filePath(QStringLiteral("calls.log"));
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), bin);
    environment.insert(QStringLiteral("STUB_LOG"), log);
    environment.insert(QStringLiteral("STUB_UID"), QString::number(uid));
    environment.insert(QStringLiteral("STUB_INSTALLED"), allInstalled ? "1" : "0");
    environment.insert(QStringLiteral("STUB_APT_FAILS"), aptFails ? "1" : "0");
    QProcess setup;
    setup.setProcessEnvironment(environment);
    setup.start(bin + "/bash", {QStringLiteral(READER_SOURCE_DIR "/scripts/setup")});
    QVERIFY(setup.waitForFinished(30000));
    const QString out = QString::fromLocal8Bit(setup.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(setup.readAllStandardError());
    QVERIFY2(setup.exitCode() == exitCode, qPrintable(out + err));

    QStringList logged;
    QFile logFile(log);
    if (logFile.open(QIODevice::ReadOnly)) {
        logged = QString::fromLocal8Bit(logFile.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }
    // The package list: what the script asked dpkg-query about, in its order.
    QString packages;
    for (const QString& call : logged) {
        const qsizetype at = call.indexOf(QLatin1String("install -y "));
        if (at >= 0) {
            packages = call.mid(at + 11).section(QLatin1String(" (frontend"), 0, 0);
        }
    }
    for (const char* needed :
         {"qt6-l10n-tools", "desktop-file-utils", "appstream", "qt6-base-dev"}) {
        if (!calls.isEmpty() && calls.last().contains(kPackages)) {
            QVERIFY2(packages.split(u' ').contains(QLatin1String(needed)), qPrintable(packages));
        }
    }
    QStringList expected;
    for (const QString& call : calls) {
        expected << QString(call).replace(kPackages, packages);
    }
    QCOMPARE(logged, expected);

    if (!calls.isEmpty() && !aptFails) {
        // apt's own output reaches the user.
        QVERIFY2(out.contains(QLatin1String("apt progress: install 50%")), qPrintable(out));
    }
    if (stderrContains.contains(kPackages)) {
        // The command to run as root names every missing package.
        QVERIFY2(err.contains(QLatin1String("needs root")), qPrintable(err));
        QVERIFY2(err.contains(QLatin1String("qt6-l10n-tools")), qPrintable(err));
        QVERIFY2(err.contains(QLatin1String("desktop-file-utils appstream")), qPrintable(err));
        const qsizetype at = err.indexOf(QLatin1String("apt-get install -y "));
        QVERIFY(at >= 0);
        const QString listed = err.mid(at + 19).section(u'\n', 0, 0);
        // Same list as root would install (taken from a root run of the same stubs).
        QVERIFY2(listed.split(u' ').size() > 20, qPrintable(listed));
        QVERIFY2(listed.split(u' ').contains(QLatin1String("xvfb")), qPrintable(listed));
    } else if (exitCode == 0) {
        QVERIFY2(err.isEmpty(), qPrintable(err));
    }
}

QTEST_GUILESS_MAIN(TestSetupScript)
#include "tst_setupscript.moc"
