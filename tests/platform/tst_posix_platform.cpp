// The operating-system layer where it is POSIX: the program's own directory,
// the random generator, and the launcher, which starts exactly the file named.
#include "platform/system/launcher.h"
#include "platform/system/runtime_library.h"
#include "stats/runtime_error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

using namespace rainfall;

namespace {

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

} // namespace

class TestPosixPlatform : public QObject {
    Q_OBJECT

private slots:
    void programDirectoryIsTheExecutablesNotTheWorkingDirectory();
    void randomDrawsAreSeededFromTheClock();
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

// Every draw lies in [0, 1) and the whole range is reached; two starts a
// moment apart draw differently, so they show different tips.
void TestPosixPlatform::randomDrawsAreSeededFromTheClock()
{
    SystemRunTimeLibrary first, second;
    first.SeedFromClock();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    second.SeedFromClock();
    float lowest = 1, highest = 0;
    int same = 0;
    for (int i = 0; i < 100000; ++i) {
        const float r = first.NextRandom();
        lowest = std::min(lowest, r);
        highest = std::max(highest, r);
        same += r == second.NextRandom();
    }
    QVERIFY(lowest >= 0 && lowest < 0.001f);
    QVERIFY(highest < 1 && highest > 0.999f);
    QVERIFY(same < 10);
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
    QVERIFY(DefaultLauncher().StartProgram(QFile::encodeName(program).toStdString(), NormalFocus) >
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
            DefaultLauncher().StartProgram(QFile::encodeName(path).toStdString(), NormalFocus));
}

QTEST_GUILESS_MAIN(TestPosixPlatform)
#include "tst_posix_platform.moc"
