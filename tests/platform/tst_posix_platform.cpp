// The platform where it is POSIX: the program's own directory; the registry,
// which answers the system-information tool's path from the programs on PATH;
// and the launcher, which starts exactly the file named.
#include "launcher.h"
#include "registry.h"
#include "runtime_error.h"
#include "runtime_library.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <array>

using namespace rainfall;

namespace {

const char* const ToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";

// A shell script, executable unless told otherwise, that writes $0 to `marker`.
void WriteScript(const QString& path, const QString& marker = "/dev/null", bool executable = true)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nprintf '%s' \"$0\" > '" + QFile::encodeName(marker) + "'\n");
    file.close();
    if (executable)
        QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
}

// Reads a REG_SZ below HKEY_LOCAL_MACHINE as the program does; null if missing.
QString ReadString(Registry& registry, const QByteArray& key, const QByteArray& value)
{
    RegKey handle = 0;
    std::array<std::uint8_t, 1024> buffer{};
    std::uint32_t size = buffer.size(), type = 0;
    const bool read =
        registry.RegOpenKeyExA(RootLocalMachine, key.data(), 0, KeyRead, &handle) == 0 &&
        registry.RegQueryValueExA(handle, value.data(), nullptr, &type, buffer.data(), &size) == 0;
    registry.RegCloseKey(handle);
    return read && type == RegSz ? QString::fromLocal8Bit(reinterpret_cast<char*>(buffer.data()))
                                 : QString();
}

} // namespace

class TestPosixPlatform : public QObject {
    Q_OBJECT

private slots:
    void programDirectoryIsTheExecutablesNotTheWorkingDirectory();
    void toolPathFromPath_data();
    void toolPathFromPath();
    void startsExactlyTheNamedFile();
    void failureToStart();
};

void TestPosixPlatform::programDirectoryIsTheExecutablesNotTheWorkingDirectory()
{
    QTemporaryDir elsewhere;
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(elsewhere.path()));
    const std::string directory = SystemRunTimeLibrary().ProgramDirectory();
    QVERIFY(QDir::setCurrent(before));
    QCOMPARE(QString::fromStdString(directory), QCoreApplication::applicationDirPath());
}

void TestPosixPlatform::toolPathFromPath_data()
{
    // Programs are "directory/name", with a "!" in front when not executable
    // and a "/" behind for a directory; in PATH, %1 is their root directory.
    QTest::addColumn<QString>("programs");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("found"); // empty: missing
    const auto row = [](const char* name, const char* programs, const char* path,
                        const char* found) {
        QTest::newRow(name) << QString(programs) << QString(path) << QString(found);
    };

    row("hardinfo", "bin/hardinfo", "%1/bin", "bin/hardinfo");
    row("none installed", "bin/other", "%1/bin", "");
    row("the list's order wins over PATH's", "first/kinfocenter second/hardinfo",
        "%1/first:%1/second", "second/hardinfo");
    row("first PATH directory for one program", "first/cpu-x second/cpu-x", "%1/first:%1/second",
        "first/cpu-x");
    row("not executable, or a directory", "!bin/hardinfo bin/kinfocenter/ bin/lshw-gtk", "%1/bin",
        "bin/lshw-gtk");
    row("empty and relative PATH entries passed over", "bin/gnome-system-monitor", ":bin:%1/bin",
        "bin/gnome-system-monitor");
}

void TestPosixPlatform::toolPathFromPath()
{
    QFETCH(QString, programs);
    QFETCH(QString, path);
    QFETCH(QString, found);
    QTemporaryDir root;
    const QDir dir(root.path());
    for (const QString& program : programs.split(' ')) {
        const QString file = dir.filePath(QString(program).remove('!'));
        QVERIFY(dir.mkpath(program.endsWith('/') ? file : QFileInfo(file).path()));
        if (!program.endsWith('/'))
            WriteScript(file, "/dev/null", !program.startsWith('!'));
    }
    // Relative entries then name real programs, which must still be passed over.
    const QString savedDirectory = QDir::currentPath();
    const QByteArray savedPath = qgetenv("PATH");
    QVERIFY(QDir::setCurrent(root.path()));
    qputenv("PATH", QFile::encodeName(path.arg(root.path())));

    Registry& registry = SystemRegistry();
    const QString read = ReadString(registry, ToolKey, "PATH");
    // Names compare without regard to case; no other key or value is there.
    const QString readInLowerCase = ReadString(registry, QByteArray(ToolKey).toLower(), "path");
    const QString others =
        ReadString(registry, ToolKey, "MSINFO") +
        ReadString(registry, "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO");
    qputenv("PATH", savedPath);
    QVERIFY(QDir::setCurrent(savedDirectory));
    QCOMPARE(read, found.isEmpty() ? QString() : dir.filePath(found));
    QCOMPARE(readInLowerCase, read);
    QCOMPARE(others, QString());
}

// "my tools/show info" must start that script, not a program "my" beside the
// folder with the rest of the path as its arguments.
void TestPosixPlatform::startsExactlyTheNamedFile()
{
    QTemporaryDir root;
    const QDir dir(root.path());
    QVERIFY(dir.mkpath("my tools"));
    const QString program = dir.filePath("my tools/show info");
    WriteScript(program, dir.filePath("started"));
    WriteScript(dir.filePath("my"), dir.filePath("decoy started"));

    const auto startedAs = [&] {
        QFile started(dir.filePath("started"));
        return started.open(QIODevice::ReadOnly) ? started.readAll() : QByteArray();
    };
    QVERIFY(SystemLauncher().StartProgram(QFile::encodeName(program).toStdString(), NormalFocus) >
            0);
    QTRY_COMPARE_WITH_TIMEOUT(startedAs(), QFile::encodeName(program), 10000);
    QVERIFY(!QFile::exists(dir.filePath("decoy started")));
}

// What cannot be started is an error, never a silent success.
void TestPosixPlatform::failureToStart()
{
    QTemporaryDir root;
    WriteScript(root.filePath("not executable"), "/dev/null", false);
    for (const QString& path :
         {QString(), root.filePath("missing"), root.filePath("not executable"), root.path()})
        QVERIFY_THROWS_EXCEPTION(
            RuntimeError,
            SystemLauncher().StartProgram(QFile::encodeName(path).toStdString(), NormalFocus));
}

QTEST_GUILESS_MAIN(TestPosixPlatform)
#include "tst_posix_platform.moc"
