// SPDX-License-Identifier: LGPL-2.1-or-later
// The install tree (cmake --install into a temporary prefix) and the Debian package: the
// files and where they go, the library's SONAME, the programs' RUNPATH, the desktop entry
// and AppStream validators, the installed programs running from the prefix, a C program
// and a CMake project built against the installed library, and the package's dependencies.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
    QString all() const { return out + err; }
};

Run run(const QString& program, const QStringList& arguments,
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
        const QString& directory = QString()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!directory.isEmpty()) {
        process.setWorkingDirectory(directory);
    }
    process.start(program, arguments);
    Run result;
    if (!process.waitForStarted(10000)) {
        result.err = program + QStringLiteral(": did not start");
        return result;
    }
    if (!process.waitForFinished(300000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        result.err = program + QStringLiteral(": crashed or hung");
        return result;
    }
    result.exitCode = process.exitCode();
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

// The dynamic section entry (SONAME, RUNPATH, RPATH) of an ELF file; empty when absent.
QString dynamicEntry(const QString& file, const QString& tag) {
    const Run readelf = run(QStringLiteral("readelf"), {QStringLiteral("-d"), file});
    const QRegularExpression entry(QStringLiteral("\\(%1\\)\\s+.*\\[(.*)\\]").arg(tag));
    const QRegularExpressionMatch match = entry.match(readelf.out);
    return match.hasMatch() ? match.captured(1) : QString();
}

const QString kAppId = QStringLiteral("org.readerconfig.readerconfig");
const QString kLibDir = QStringLiteral(READER_LIBDIR);
const QString kExpectedRunpath =
    READER_SYSTEM_LIBDIR ? QString() : QStringLiteral("$ORIGIN/../") + kLibDir;

// Every path the install puts down, relative to the prefix.
QStringList expectedPaths() {
    QStringList paths{
        "bin/readerconfig",
        "bin/reader-sim",
        kLibDir + "/libReader.so." READER_VERSION,
        kLibDir + "/libReader.so." READER_SOVERSION,
        kLibDir + "/libReader.so",
        QStringLiteral(READER_INCLUDEDIR "/reader/Reader.h"),
        kLibDir + "/pkgconfig/reader.pc",
        kLibDir + "/cmake/Reader/ReaderConfig.cmake",
        kLibDir + "/cmake/Reader/ReaderConfigVersion.cmake",
        kLibDir + "/cmake/Reader/ReaderTargets.cmake",
        "share/applications/" + kAppId + ".desktop",
        "share/metainfo/" + kAppId + ".metainfo.xml",
        "share/man/man1/readerconfig.1.gz",
        "share/man/man1/reader-sim.1.gz",
    };
    for (const char* size : {"48x48", "64x64", "128x128", "256x256"}) {
        paths << QStringLiteral("share/icons/hicolor/%1/apps/%2.png")
                     .arg(QLatin1String(size), kAppId);
    }
    if (READER_HAS_READERCTL) {
        paths << "bin/readerctl"
              << "share/man/man1/readerctl.1.gz";
    }
    return paths;
}

// Talks to a reader-sim on 127.0.0.1:PORT through the installed library.
const char* kCProgram = R"(#include <reader/Reader.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    int32_t handle = 0;
    uint8_t sdk[4];
    uint8_t firmware[4];
    if (argc != 2) {
        return 3;
    }
    SelectPort(atoi(argv[1]));
    if (OpenReader(&handle, READER_LINK_TCP, "127.0.0.1") != 0) {
        return 1;
    }
    if (GetSdkVersion(handle, sdk) != 0 || GetFirmwareVersion(handle, firmware) != 0) {
        return 2;
    }
    printf("sdk %u.%u.%u.%u firmware %u.%u.%u.%u\n", sdk[0], sdk[1], sdk[2], sdk[3],
           firmware[0], firmware[1], firmware[2], firmware[3]);
    CloseReader(handle);
    return 0;
}
)";

const QString kCProgramOutput = QStringLiteral("sdk " READER_VERSION " firmware 3.1.4.1");

const char* kCMakeProject = R"(cmake_minimum_required(VERSION 3.25)
project(UsesReader C)
find_package(Reader 1 REQUIRED)
add_executable(uses-reader main.c)
target_link_libraries(uses-reader PRIVATE Reader::Reader)
)";

}  // namespace

class TestInstall : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir prefixDir_;
    QString prefix_;

    QString installed(const QString& path) const { return prefix_ + u'/' + path; }

    // Starts the installed reader-sim on a free loopback port; returns the port, 0 on failure.
    int startInstalledSim(QProcess& sim) const {
        sim.setProcessChannelMode(QProcess::MergedChannels);
        sim.start(installed(QStringLiteral("bin/reader-sim")),
                  {"--tcp", "127.0.0.1:0", "--firmware", "3.1.4.1"});
        static const QRegularExpression listening(
            QStringLiteral("listening on tcp [0-9.]+:(\\d+)"));
        QByteArray output;
        while (sim.waitForReadyRead(10000)) {
            output += sim.readAll();
            const QRegularExpressionMatch match = listening.match(QString::fromLocal8Bit(output));
            if (match.hasMatch()) {
                return match.captured(1).toInt();
            }
        }
        qWarning("reader-sim: %s", output.constData());
        return 0;
    }

  private slots:
    void initTestCase();
    void installTree_data();
    void installTree();
    void libraryAndRunpath();
    void validators();
    void installedProgramsRun_data();
    void installedProgramsRun();
    void cProgramThroughPkgConfig();
    void cmakeProjectThroughPackageConfig();
    void debianPackage();
};

void TestInstall::initTestCase() {
    QVERIFY(prefixDir_.isValid());
    prefix_ = prefixDir_.path() + QStringLiteral("/prefix");
    const Run install =
        run(QStringLiteral(READER_CMAKE), {"--install", READER_BUILD_DIR, "--prefix", prefix_});
    QVERIFY2(install.exitCode == 0, qPrintable(install.all()));
}

void TestInstall::installTree_data() {
    QTest::addColumn<QString>("path");
    for (const QString& path : expectedPaths()) {
        QTest::newRow(qPrintable(path)) << path;
    }
}

void TestInstall::installTree() {
    QFETCH(QString, path);
    const QFileInfo info(installed(path));
    QVERIFY2(info.exists(), qPrintable(info.filePath()));
    if (path.startsWith(QLatin1String("bin/"))) {
        QVERIFY(info.isExecutable());
    }
    if (path.endsWith(QLatin1String(".png"))) {
        const QString size = path.section(u'/', 3, 3);  // "48x48"
        QFile png(info.filePath());
        QVERIFY(png.open(QIODevice::ReadOnly));
        const QByteArray header = png.read(24);
        QVERIFY(header.startsWith("\x89PNG"));
        const auto be32 = [&header](int at) {
            return (quint8(header[at]) << 24) | (quint8(header[at + 1]) << 16) |
                   (quint8(header[at + 2]) << 8) | quint8(header[at + 3]);
        };
        QCOMPARE(QStringLiteral("%1x%2").arg(be32(16)).arg(be32(20)), size);
    }
}

void TestInstall::libraryAndRunpath() {
    const QString library = installed(kLibDir + "/libReader.so." READER_SOVERSION);
    QCOMPARE(QFileInfo(library).symLinkTarget(),
             QFileInfo(installed(kLibDir + "/libReader.so." READER_VERSION)).absoluteFilePath());
    QCOMPARE(dynamicEntry(library, QStringLiteral("SONAME")),
             QStringLiteral("libReader.so." READER_SOVERSION));
    for (const QString& program :
         {QStringLiteral("bin/readerconfig"), QStringLiteral("bin/reader-sim")}) {
        QCOMPARE(dynamicEntry(installed(program), QStringLiteral("RUNPATH")), kExpectedRunpath);
        QCOMPARE(dynamicEntry(installed(program), QStringLiteral("RPATH")), QString());
    }
    // No installed text file points into the build tree.
    static const QRegularExpression text(QStringLiteral("\\.(pc|cmake|desktop|xml)$"));
    for (const QString& path : expectedPaths()) {
        if (!path.contains(text)) {
            continue;
        }
        QFile file(installed(path));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY2(!file.readAll().contains(READER_BUILD_DIR), qPrintable(path));
    }
}

void TestInstall::validators() {
    const Run desktop = run(QStringLiteral("desktop-file-validate"),
                            {installed("share/applications/" + kAppId + ".desktop")});
    QVERIFY2(desktop.exitCode == 0 && desktop.all().trimmed().isEmpty(), qPrintable(desktop.all()));
    const Run metainfo = run(QStringLiteral("appstreamcli"),
                             {"validate", "--no-net", "--pedantic",
                              installed("share/metainfo/" + kAppId + ".metainfo.xml")});
    QVERIFY2(metainfo.exitCode == 0, qPrintable(metainfo.all()));
    // Not even a pedantic remark: errors, warnings, infos and pedantic notes all start "X: ".
    static const QRegularExpression remark(QStringLiteral("^[EWIP]: "),
                                           QRegularExpression::MultilineOption);
    QVERIFY2(!metainfo.all().contains(remark), qPrintable(metainfo.all()));
    // The metainfo launches the installed desktop entry and names the installed icon.
    QFile xml(installed("share/metainfo/" + kAppId + ".metainfo.xml"));
    QVERIFY(xml.open(QIODevice::ReadOnly));
    QVERIFY(xml.readAll().contains(
        QStringLiteral("<launchable type=\"desktop-id\">%1.desktop<").arg(kAppId).toUtf8()));
    QFile entry(installed("share/applications/" + kAppId + ".desktop"));
    QVERIFY(entry.open(QIODevice::ReadOnly));
    const QByteArray entryText = entry.readAll();
    QVERIFY(entryText.contains("\nIcon=" + kAppId.toUtf8() + "\n"));
    QVERIFY(entryText.contains("\nExec=readerconfig\n"));
    const Run man =
        run(QStringLiteral("man"), {"-l", "-Tutf8", installed("share/man/man1/reader-sim.1.gz")});
    if (man.exitCode != -1 || !QStandardPaths::findExecutable(QStringLiteral("man")).isEmpty()) {
        // Bold and underlined text come as overstrikes (character, backspace, character).
        const QString text = QString(man.out).remove(QRegularExpression(QStringLiteral(".\\x{8}")));
        QVERIFY2(man.exitCode == 0 && text.contains(QLatin1String("--line-rate")),
                 qPrintable(text));
    }
}

void TestInstall::installedProgramsRun_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("output");
    QTest::newRow("reader-sim --help") << "reader-sim" << QStringList{"--help"} << "--memory FILE";
    QTest::newRow("reader-sim --version")
        << "reader-sim" << QStringList{"--version"} << "reader-sim " READER_VERSION;
    // readerconfig loads libReader from the prefix through its RUNPATH.
    QTest::newRow("readerconfig --version")
        << "readerconfig" << QStringList{"--version"} << "readerconfig " READER_VERSION;
    QTest::newRow("readerconfig --help")
        << "readerconfig" << QStringList{"--help"} << "--window-variant";
}

void TestInstall::installedProgramsRun() {
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QString, output);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("LD_LIBRARY_PATH"));
    environment.remove(QStringLiteral("DISPLAY"));
    const Run result = run(installed("bin/" + program), arguments, environment);
    QVERIFY2(result.exitCode == 0, qPrintable(result.all()));
    QVERIFY2(result.out.contains(output), qPrintable(result.out));
}

void TestInstall::cProgramThroughPkgConfig() {
    QTemporaryDir work;
    QFile source(work.filePath(QStringLiteral("main.c")));
    QVERIFY(source.open(QIODevice::WriteOnly));
    source.write(kCProgram);
    source.close();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PKG_CONFIG_PATH"), installed(kLibDir + "/pkgconfig"));
    const Run flags =
        run(QStringLiteral("pkg-config"), {"--cflags", "--libs", "reader"}, environment);
    QVERIFY2(flags.exitCode == 0, qPrintable(flags.all()));
    QStringList includeDirs;
    for (const QString& flag : flags.out.split(u' ', Qt::SkipEmptyParts)) {
        if (flag.startsWith(QLatin1String("-I"))) {
            includeDirs << QDir::cleanPath(flag.mid(2));
        }
    }
    QCOMPARE(includeDirs, QStringList{installed(READER_INCLUDEDIR)});
    const Run version = run(QStringLiteral("pkg-config"), {"--modversion", "reader"}, environment);
    QCOMPARE(version.out.trimmed(), QStringLiteral(READER_VERSION));

    const Run compile = run(QStringLiteral("/bin/sh"),
                            {"-c", "cc -std=c99 -Wall -Werror " READER_SANITIZE_FLAGS
                                   " -o uses-reader main.c $(pkg-config --cflags --libs reader)"},
                            environment, work.path());
    QVERIFY2(compile.exitCode == 0, qPrintable(compile.all()));
    environment.insert(QStringLiteral("LD_LIBRARY_PATH"), installed(kLibDir));
    QProcess sim;
    const int port = startInstalledSim(sim);
    QVERIFY(port > 0);
    const Run program =
        run(work.filePath(QStringLiteral("uses-reader")), {QString::number(port)}, environment);
    QVERIFY2(program.exitCode == 0, qPrintable(program.all()));
    QCOMPARE(program.out.trimmed(), kCProgramOutput);
    sim.terminate();
    QVERIFY(sim.waitForFinished(10000));
    // It really ran against the installed library.
    const Run ldd =
        run(QStringLiteral("ldd"), {work.filePath(QStringLiteral("uses-reader"))}, environment);
    QVERIFY2(ldd.out.contains(QFileInfo(installed(kLibDir)).canonicalFilePath() +
                              "/libReader.so." READER_SOVERSION),
             qPrintable(ldd.out));
}

void TestInstall::cmakeProjectThroughPackageConfig() {
    QTemporaryDir work;
    QVERIFY(QDir(work.path()).mkpath(QStringLiteral("src")));
    QFile lists(work.filePath(QStringLiteral("src/CMakeLists.txt")));
    QVERIFY(lists.open(QIODevice::WriteOnly));
    lists.write(kCMakeProject);
    lists.close();
    QFile source(work.filePath(QStringLiteral("src/main.c")));
    QVERIFY(source.open(QIODevice::WriteOnly));
    source.write(kCProgram);
    source.close();
    const Run configure = run(
        QStringLiteral(READER_CMAKE),
        {"-S", work.filePath("src"), "-B", work.filePath("build"), "-DCMAKE_PREFIX_PATH=" + prefix_,
         // An instrumented library needs an instrumented program.
         QStringLiteral("-DCMAKE_C_FLAGS=" READER_SANITIZE_FLAGS)});
    QVERIFY2(configure.exitCode == 0, qPrintable(configure.all()));
    const Run build = run(QStringLiteral(READER_CMAKE), {"--build", work.filePath("build")});
    QVERIFY2(build.exitCode == 0, qPrintable(build.all()));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QProcess sim;
    const int port = startInstalledSim(sim);
    QVERIFY(port > 0);
    const Run program = run(work.filePath(QStringLiteral("build/uses-reader")),
                            {QString::number(port)}, environment);
    QVERIFY2(program.exitCode == 0, qPrintable(program.all()));
    QCOMPARE(program.out.trimmed(), kCProgramOutput);
    sim.terminate();
    QVERIFY(sim.waitForFinished(10000));
}

void TestInstall::debianPackage() {
    QTemporaryDir work;
    const Run cpack =
        run(QStringLiteral(READER_CPACK),
            {"-G", "DEB", "--config", READER_BUILD_DIR "/CPackConfig.cmake", "-B", work.path()});
    QVERIFY2(cpack.exitCode == 0, qPrintable(cpack.all()));
    const QStringList debs = QDir(work.path()).entryList({QStringLiteral("*.deb")});
    QCOMPARE(debs.size(), 1);
    const QString deb = work.filePath(debs.first());
    QVERIFY(debs.first().startsWith(QLatin1String("readerconfig_" READER_VERSION "_")));

    // Contents: the install tree under /usr.
    const Run contents = run(QStringLiteral("dpkg-deb"), {"--contents", deb});
    QVERIFY2(contents.exitCode == 0, qPrintable(contents.all()));
    QStringList packaged;
    for (const QString& line : contents.out.split(u'\n', Qt::SkipEmptyParts)) {
        // "-rwxr-xr-x root/root 123 2026-12-10 13:00 ./usr/bin/readerconfig[ -> target]"
        const QString path = line.section(u' ', 5, 5, QString::SectionSkipEmpty);
        packaged << path;
    }
    for (const QString& path : expectedPaths()) {
        QVERIFY2(packaged.contains(QStringLiteral("./usr/") + path), qPrintable(path));
    }

    // Dependencies: what the programs link, found by dpkg-shlibdeps, and the platform plugins.
    const Run depends = run(QStringLiteral("dpkg-deb"), {"--field", deb, "Depends"});
    for (const char* package :
         {"libc6", "libstdc++6", "libqt6core6", "libqt6gui6", "libqt6widgets6", "libmodbus5",
          "libjpeg62-turbo", "qt6-qpa-plugins"}) {
        QVERIFY2(QRegularExpression(QStringLiteral("(^|[ ,])%1( |,|$)")
                                        .arg(QRegularExpression::escape(QLatin1String(package))))
                     .match(depends.out.trimmed())
                     .hasMatch(),
                 qPrintable(QLatin1String(package) + QStringLiteral(" missing in ") + depends.out));
    }
    QVERIFY2(!depends.out.contains(QLatin1String("-dev")), qPrintable(depends.out));

    // The packaged programs run from an unpacked copy; the library keeps its SONAME.
    const QString root = work.filePath(QStringLiteral("root"));
    const Run extract = run(QStringLiteral("dpkg-deb"), {"-x", deb, root});
    QVERIFY2(extract.exitCode == 0, qPrintable(extract.all()));
    QCOMPARE(dynamicEntry(root + "/usr/" + kLibDir + "/libReader.so." READER_SOVERSION,
                          QStringLiteral("SONAME")),
             QStringLiteral("libReader.so." READER_SOVERSION));
    QFile pc(root + "/usr/" + kLibDir + "/pkgconfig/reader.pc");
    QVERIFY(pc.open(QIODevice::ReadOnly));
    QVERIFY(pc.readAll().startsWith("prefix=/usr\n"));
    QCOMPARE(dynamicEntry(root + "/usr/bin/readerconfig", QStringLiteral("RUNPATH")),
             kExpectedRunpath);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_LIBRARY_PATH"), root + "/usr/" + kLibDir);
    const Run version = run(root + "/usr/bin/readerconfig", {"--version"}, environment);
    QVERIFY2(version.exitCode == 0 && version.out.contains(QLatin1String(READER_VERSION)),
             qPrintable(version.all()));

    // apt resolves the package's dependencies (a dry run: nothing is installed).
    if (!QStandardPaths::findExecutable(QStringLiteral("apt-get")).isEmpty()) {
        const Run apt = run(QStringLiteral("apt-get"), {"install", "--simulate", "-y", deb});
        QVERIFY2(apt.exitCode == 0, qPrintable(apt.all()));
        QVERIFY2(apt.out.contains(QLatin1String("Inst readerconfig")), qPrintable(apt.out));
    }
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
