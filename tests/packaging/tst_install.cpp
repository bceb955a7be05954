// SPDX-License-Identifier: LGPL-2.1-or-later
// The install tree (cmake --install into a temporary prefix) and the Debian packages: the
// files and where they go, the library's SONAME, the programs' RUNPATH, the desktop entry
// and AppStream validators, the installed programs running from the prefix, a C program
// and a CMake project built against the installed library; each package's files, control
// files and dependencies, the packages unpacked into a scratch root with their programs and
// a C client of libreader-dev running from there, and lintian.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
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

// The Debian package each installed path belongs to.
QString packageOf(const QString& path) {
    if (path.contains(QLatin1String("readerctl"))) {
        return QStringLiteral("readerctl");
    }
    if (path.contains(QLatin1String("reader-sim"))) {
        return QStringLiteral("reader-sim");
    }
    if (path.contains(QLatin1String("/libReader.so."))) {
        return QStringLiteral("libreader1");
    }
    if (path.startsWith(QLatin1String("bin/readerconfig")) ||
        path.startsWith(QLatin1String("share/"))) {
        return QStringLiteral("readerconfig");
    }
    return QStringLiteral("libreader-dev");
}

QStringList packageNames() {
    QStringList names{"libreader1", "libreader-dev", "readerconfig", "reader-sim"};
    if (READER_HAS_READERCTL) {
        names << "readerctl";
    }
    return names;
}

const QString kDebVersion = QStringLiteral(READER_DEB_VERSION);

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

    QTemporaryDir packageDir_;
    QMap<QString, QString> debs_;  // package name -> .deb file
    QString packageError_;
    QString root_;  // every package unpacked (dpkg-deb -x) into one scratch root

    QString installed(const QString& path) const { return prefix_ + u'/' + path; }

    // Builds the packages with cpack once, and unpacks them all into root_. False (with
    // packageError_) when that fails.
    bool buildPackages();

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
    void debianPackages();
    void packageFiles_data();
    void packageFiles();
    void packageDepends_data();
    void packageDepends();
    void libraryPackageControl();
    void unpackedProgramsRun_data();
    void unpackedProgramsRun();
    void unpackedCClient();
    void aptResolves();
    void lintianClean();
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
    if (READER_SYSTEM_LIBDIR) {
        // Built for a system library directory the programs have no RUNPATH; moved into the
        // test's prefix they find the library only this way.
        environment.insert(QStringLiteral("LD_LIBRARY_PATH"), installed(kLibDir));
    }
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

bool TestInstall::buildPackages() {
    if (!debs_.isEmpty() || !packageError_.isEmpty()) {
        return packageError_.isEmpty();
    }
    packageError_ = QStringLiteral("no package built");
    if (!packageDir_.isValid()) {
        return false;
    }
    const Run cpack = run(QStringLiteral(READER_CPACK),
                          {"-G", "DEB", "--config", READER_BUILD_DIR "/CPackConfig.cmake", "-B",
                           packageDir_.path()});
    if (cpack.exitCode != 0) {
        packageError_ = QStringLiteral("cpack failed: ") + cpack.all();
        return false;
    }
    for (const QString& file : QDir(packageDir_.path()).entryList({QStringLiteral("*.deb")})) {
        debs_.insert(file.section(u'_', 0, 0), packageDir_.filePath(file));
    }
    root_ = packageDir_.filePath(QStringLiteral("root"));
    for (const QString& deb : std::as_const(debs_)) {
        const Run extract = run(QStringLiteral("dpkg-deb"), {"-x", deb, root_});
        if (extract.exitCode != 0) {
            packageError_ = deb + QStringLiteral(": ") + extract.all();
            return false;
        }
    }
    packageError_.clear();
    return true;
}

void TestInstall::debianPackages() {
    QVERIFY2(buildPackages(), qPrintable(packageError_));
    QStringList built = debs_.keys();
    QStringList expected = packageNames();
    built.sort();
    expected.sort();
    QCOMPARE(built, expected);
    for (auto deb = debs_.cbegin(); deb != debs_.cend(); ++deb) {
        // name_version_arch.deb, the version with its Debian revision.
        QVERIFY2(QFileInfo(deb.value()).fileName().startsWith(deb.key() + u'_' + kDebVersion + u'_'),
                 qPrintable(deb.value()));
        const Run version = run(QStringLiteral("dpkg-deb"), {"--field", deb.value(), "Version"});
        QCOMPARE(version.out.trimmed(), kDebVersion);
        const Run maintainer =
            run(QStringLiteral("dpkg-deb"), {"--field", deb.value(), "Maintainer"});
        QCOMPARE(maintainer.out.trimmed(), QStringLiteral(READER_MAINTAINER));
    }
}

void TestInstall::packageFiles_data() {
    QTest::addColumn<QString>("package");
    for (const QString& package : packageNames()) {
        QTest::newRow(qPrintable(package)) << package;
    }
}

// Each package holds its own part of the install tree and nothing else but its copyright,
// its changelog and its lintian overrides; the copyright and the changelog are Debian's.
void TestInstall::packageFiles() {
    QFETCH(QString, package);
    QVERIFY2(buildPackages(), qPrintable(packageError_));
    QVERIFY(debs_.contains(package));
    const Run contents = run(QStringLiteral("dpkg-deb"), {"--contents", debs_.value(package)});
    QVERIFY2(contents.exitCode == 0, qPrintable(contents.all()));
    QStringList packaged;
    for (const QString& line : contents.out.split(u'\n', Qt::SkipEmptyParts)) {
        // "-rwxr-xr-x root/root 123 2026-12-10 13:00 ./usr/bin/readerconfig[ -> target]"
        if (line.startsWith(u'd')) {
            continue;
        }
        QVERIFY2(line.section(u' ', 1, 1, QString::SectionSkipEmpty) == QLatin1String("root/root"),
                 qPrintable(line));
        packaged << line.section(u' ', 5, 5, QString::SectionSkipEmpty);
    }
    const QString doc = QStringLiteral("./usr/share/doc/") + package;
    QStringList wanted{doc + "/copyright", doc + "/changelog.Debian.gz"};
    for (const QString& path : expectedPaths()) {
        if (packageOf(path) == package) {
            wanted << QStringLiteral("./usr/") + path;
        }
    }
    for (const QString& path : wanted) {
        QVERIFY2(packaged.contains(path), qPrintable(path + QStringLiteral(" missing")));
    }
    const QString overrides = QStringLiteral("./usr/share/lintian/overrides/") + package;
    // The export's per-configuration file, named after the build type.
    const QRegularExpression configurationTargets(
        QStringLiteral("^\\./usr/%1/cmake/Reader/ReaderTargets-[a-z]+\\.cmake$")
            .arg(QRegularExpression::escape(kLibDir)));
    for (const QString& path : packaged) {
        QVERIFY2(wanted.contains(path) || path == overrides ||
                     (package == QLatin1String("libreader-dev") &&
                      configurationTargets.match(path).hasMatch()),
                 qPrintable(path + QStringLiteral(" does not belong in ") + package));
    }

    // The machine-readable copyright: LGPL 2.1 or later, pointing at Debian's copy of it.
    QFile copyright(root_ + "/usr/share/doc/" + package + "/copyright");
    QVERIFY(copyright.open(QIODevice::ReadOnly));
    const QByteArray copyrightText = copyright.readAll();
    QVERIFY(copyrightText.startsWith(
        "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"));
    for (const char* field : {"\nUpstream-Name: readerconfig\n", "\nFiles: *\n", "\nCopyright: ",
                              "\nLicense: LGPL-2.1+\n", "/usr/share/common-licenses/LGPL-2.1"}) {
        QVERIFY2(copyrightText.contains(field), field);
    }
    // The licence named is the one at the root of the source tree.
    QFile license(QStringLiteral(READER_SOURCE_DIR "/LICENSE"));
    QVERIFY(license.open(QIODevice::ReadOnly));
    QVERIFY(license.readAll().contains("GNU LESSER GENERAL PUBLIC LICENSE\n"
                                       "                       Version 2.1, February 1999"));

    // The changelog: its newest entry is this version, signed by the maintainer.
    const Run changelog = run(QStringLiteral("/bin/sh"),
                              {"-c", "gzip -dc \"$0\" | dpkg-parsechangelog -l - -S Version",
                               root_ + "/usr/share/doc/" + package + "/changelog.Debian.gz"});
    QVERIFY2(changelog.exitCode == 0, qPrintable(changelog.all()));
    QCOMPARE(changelog.out.trimmed(), kDebVersion);
    const Run signer = run(QStringLiteral("/bin/sh"),
                           {"-c", "gzip -dc \"$0\" | dpkg-parsechangelog -l - -S Maintainer",
                            root_ + "/usr/share/doc/" + package + "/changelog.Debian.gz"});
    QCOMPARE(signer.out.trimmed(), QStringLiteral(READER_MAINTAINER));
}

void TestInstall::packageDepends_data() {
    QTest::addColumn<QString>("package");
    QTest::addColumn<QStringList>("needed");
    QTest::addColumn<QStringList>("absent");
    const QString library = QStringLiteral("libreader1 (>= %1)").arg(kDebVersion);
    const QStringList gui{"libqt6gui6", "libqt6widgets6", "qt6-qpa-plugins"};
    QTest::newRow("libreader1") << "libreader1" << QStringList{"libc6", "libmodbus5"}
                                << (gui + QStringList{"libqt6core6", "libreader1"});
    QTest::newRow("libreader-dev") << "libreader-dev"
                                   << QStringList{QStringLiteral("libreader1 (= %1)").arg(kDebVersion)}
                                   << gui;
    QTest::newRow("readerconfig")
        << "readerconfig"
        << QStringList{"libc6", "libstdc++6", "libqt6core6", "libqt6gui6", "libqt6widgets6",
                       "libjpeg62-turbo", "qt6-qpa-plugins", library}
        << QStringList{"libreader-dev"};
    // The virtual reader needs Qt Core, never Qt's GUI libraries.
    QTest::newRow("reader-sim") << "reader-sim" << QStringList{"libc6", "libqt6core6"} << gui;
    if (READER_HAS_READERCTL) {
        // The command line needs no Qt at all.
        QTest::newRow("readerctl") << "readerctl" << QStringList{"libc6", library}
                                   << (gui + QStringList{"libqt6core6"});
    }
}

void TestInstall::packageDepends() {
    QFETCH(QString, package);
    QFETCH(QStringList, needed);
    QFETCH(QStringList, absent);
    QVERIFY2(buildPackages(), qPrintable(packageError_));
    const Run depends = run(QStringLiteral("dpkg-deb"), {"--field", debs_.value(package), "Depends"});
    QVERIFY2(depends.exitCode == 0, qPrintable(depends.all()));
    // "libc6 (>= 2.34), libqt6core6 (>= 6.1.2)": each dependency without its version, and whole.
    QStringList names;
    QStringList whole;
    for (const QString& dependency : depends.out.trimmed().split(u',', Qt::SkipEmptyParts)) {
        whole << dependency.trimmed();
        names << dependency.trimmed().section(u' ', 0, 0);
    }
    for (const QString& dependency : needed) {
        QVERIFY2(dependency.contains(u' ') ? whole.contains(dependency) : names.contains(dependency),
                 qPrintable(dependency + QStringLiteral(" missing in ") + depends.out));
    }
    for (const QString& name : absent) {
        QVERIFY2(!names.contains(name),
                 qPrintable(name + QStringLiteral(" should not be in ") + depends.out));
    }
    for (const QString& name : std::as_const(names)) {
        QVERIFY2(!name.endsWith(QLatin1String("-dev")) || package == QLatin1String("libreader-dev"),
                 qPrintable(depends.out));
    }
}

// libreader1 runs ldconfig through a trigger and has no maintainer scripts; its shlibs file
// makes programs built against it depend on this version or later.
void TestInstall::libraryPackageControl() {
    QVERIFY2(buildPackages(), qPrintable(packageError_));
    const QString control = packageDir_.filePath(QStringLiteral("libreader1-control"));
    const Run extract = run(QStringLiteral("dpkg-deb"), {"-e", debs_.value("libreader1"), control});
    QVERIFY2(extract.exitCode == 0, qPrintable(extract.all()));
    QStringList files = QDir(control).entryList(QDir::Files);
    files.sort();
    QCOMPARE(files, (QStringList{"control", "md5sums", "shlibs", "triggers"}));
    QFile triggers(control + "/triggers");
    QVERIFY(triggers.open(QIODevice::ReadOnly));
    QCOMPARE(triggers.readAll(), QByteArray("activate-noawait ldconfig\n"));
    QFile shlibs(control + "/shlibs");
    QVERIFY(shlibs.open(QIODevice::ReadOnly));
    QCOMPARE(shlibs.readAll().trimmed(),
             QStringLiteral("libReader " READER_SOVERSION " libreader1 (>= %1)").arg(kDebVersion).toUtf8());
    QCOMPARE(dynamicEntry(root_ + "/usr/" + kLibDir + "/libReader.so." READER_SOVERSION,
                          QStringLiteral("SONAME")),
             QStringLiteral("libReader.so." READER_SOVERSION));
    // The other packages have neither triggers nor maintainer scripts.
    for (auto deb = debs_.cbegin(); deb != debs_.cend(); ++deb) {
        if (deb.key() == QLatin1String("libreader1")) {
            continue;
        }
        const QString other = packageDir_.filePath(deb.key() + "-control");
        QVERIFY(run(QStringLiteral("dpkg-deb"), {"-e", deb.value(), other}).exitCode == 0);
        QStringList otherFiles = QDir(other).entryList(QDir::Files);
        otherFiles.sort();
        QCOMPARE(otherFiles, (QStringList{"control", "md5sums"}));
    }
}

void TestInstall::unpackedProgramsRun_data() {
    QTest::addColumn<QString>("program");
    QTest::newRow("readerconfig") << "readerconfig";
    QTest::newRow("reader-sim") << "reader-sim";
    if (READER_HAS_READERCTL) {
        QTest::newRow("readerctl") << "readerctl";
    }
}

// The packaged programs run from the scratch root, with the packaged library.
void TestInstall::unpackedProgramsRun() {
    QFETCH(QString, program);
    QVERIFY2(buildPackages(), qPrintable(packageError_));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_LIBRARY_PATH"), root_ + "/usr/" + kLibDir);
    environment.remove(QStringLiteral("DISPLAY"));
    const QString path = root_ + "/usr/bin/" + program;
    QCOMPARE(dynamicEntry(path, QStringLiteral("RUNPATH")), kExpectedRunpath);
    const Run version = run(path, {"--version"}, environment);
    QVERIFY2(version.exitCode == 0, qPrintable(version.all()));
    QVERIFY2(version.out.contains(program + QStringLiteral(" " READER_VERSION)),
             qPrintable(version.out));
    const Run ldd = run(QStringLiteral("ldd"), {path}, environment);
    QVERIFY2(ldd.exitCode == 0 && !ldd.out.contains(QLatin1String("not found")), qPrintable(ldd.all()));
    if (ldd.out.contains(QLatin1String("libReader.so"))) {
        QVERIFY2(ldd.out.contains(QFileInfo(root_ + "/usr/" + kLibDir).canonicalFilePath() +
                                  "/libReader.so." READER_SOVERSION),
                 qPrintable(ldd.out));
    }
}

// A C client of libreader-dev: pkg-config finds the packaged reader.pc under the scratch
// root, the program builds against the packaged header and library and asks the packaged
// reader-sim for its versions.
void TestInstall::unpackedCClient() {
    QVERIFY2(buildPackages(), qPrintable(packageError_));
    QTemporaryDir work;
    QFile source(work.filePath(QStringLiteral("main.c")));
    QVERIFY(source.open(QIODevice::WriteOnly));
    source.write(kCProgram);
    source.close();
    // The packaged pkg-config file names the prefix the packages install into.
    QFile pc(root_ + "/usr/" + kLibDir + "/pkgconfig/reader.pc");
    QVERIFY(pc.open(QIODevice::ReadOnly));
    QVERIFY(pc.readAll().startsWith("prefix=/usr\n"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PKG_CONFIG_SYSROOT_DIR"), root_);
    environment.insert(QStringLiteral("PKG_CONFIG_LIBDIR"), root_ + "/usr/" + kLibDir + "/pkgconfig");
    environment.remove(QStringLiteral("PKG_CONFIG_PATH"));
    const Run flags =
        run(QStringLiteral("pkg-config"), {"--cflags", "--libs", "reader"}, environment);
    QVERIFY2(flags.exitCode == 0, qPrintable(flags.all()));
    QVERIFY2(flags.out.contains(QStringLiteral("-I") + root_ + "/usr/include") &&
                 flags.out.contains(QStringLiteral("-L") + root_ + "/usr/" + kLibDir),
             qPrintable(flags.out));
    const Run compile = run(QStringLiteral("/bin/sh"),
                            {"-c", "cc -std=c99 -Wall -Werror " READER_SANITIZE_FLAGS
                                   " -o uses-reader main.c $(pkg-config --cflags --libs reader)"},
                            environment, work.path());
    QVERIFY2(compile.exitCode == 0, qPrintable(compile.all()));
    environment.insert(QStringLiteral("LD_LIBRARY_PATH"), root_ + "/usr/" + kLibDir);

    QProcess sim;
    sim.setProcessEnvironment(environment);
    sim.setProcessChannelMode(QProcess::MergedChannels);
    sim.start(root_ + "/usr/bin/reader-sim", {"--tcp", "127.0.0.1:0", "--firmware", "3.1.4.1"});
    static const QRegularExpression listening(QStringLiteral("listening on tcp [0-9.]+:(\\d+)"));
    QByteArray output;
    int port = 0;
    while (port == 0 && sim.waitForReadyRead(10000)) {
        output += sim.readAll();
        const QRegularExpressionMatch match = listening.match(QString::fromLocal8Bit(output));
        if (match.hasMatch()) {
            port = match.captured(1).toInt();
        }
    }
    QVERIFY2(port > 0, output.constData());
    const Run program =
        run(work.filePath(QStringLiteral("uses-reader")), {QString::number(port)}, environment);
    sim.terminate();
    QVERIFY(sim.waitForFinished(10000));
    QVERIFY2(program.exitCode == 0, qPrintable(program.all()));
    QCOMPARE(program.out.trimmed(), kCProgramOutput);
    // It really ran against the packaged library.
    const Run ldd =
        run(QStringLiteral("ldd"), {work.filePath(QStringLiteral("uses-reader"))}, environment);
    QVERIFY2(ldd.out.contains(QFileInfo(root_ + "/usr/" + kLibDir).canonicalFilePath() +
                              "/libReader.so." READER_SOVERSION),
             qPrintable(ldd.out));
}

// apt resolves the packages' dependencies together (a dry run: nothing is installed).
void TestInstall::aptResolves() {
    QVERIFY2(buildPackages(), qPrintable(packageError_));
    if (QStandardPaths::findExecutable(QStringLiteral("apt-get")).isEmpty()) {
        QSKIP("apt-get is not installed");
    }
    QStringList arguments{"install", "--simulate", "-y"};
    arguments << debs_.values();
    const Run apt = run(QStringLiteral("apt-get"), arguments);
    QVERIFY2(apt.exitCode == 0, qPrintable(apt.all()));
    for (const QString& package : packageNames()) {
        QVERIFY2(apt.out.contains(QStringLiteral("Inst ") + package + u' '), qPrintable(apt.out));
    }
}

// lintian finds no error and no warning in any package. Only packages of a build for /usr
// without sanitizers are shipped (scripts/package builds those); others get a RUNPATH or
// instrumented programs that lintian rightly reports.
void TestInstall::lintianClean() {
    if (!READER_SYSTEM_LIBDIR || QByteArray(READER_SANITIZE_FLAGS).size() > 0) {
        QSKIP("lintian checks the packages of a build configured with "
              "-DCMAKE_INSTALL_PREFIX=/usr and no sanitizers, as scripts/package makes them");
    }
    if (QStandardPaths::findExecutable(QStringLiteral("lintian")).isEmpty()) {
        QSKIP("lintian is not installed (scripts/setup installs it)");
    }
    QVERIFY2(buildPackages(), qPrintable(packageError_));
    QStringList arguments{"--fail-on", "error,warning"};
    arguments << debs_.values();
    const Run lintian = run(QStringLiteral("lintian"), arguments);
    static const QRegularExpression finding(QStringLiteral("^[EW]: "),
                                            QRegularExpression::MultilineOption);
    QVERIFY2(lintian.exitCode == 0 && !lintian.out.contains(finding), qPrintable(lintian.all()));
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
