// The operating-system layer where it is POSIX: the program's own directory,
// the random generator, and the launcher's failures (the welcome window's
// tests start real programs through it).
#include "errors/runtime_error.h"
#include "platform/system/launcher.h"
#include "platform/system/runtime_library.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

using namespace rainfall;

class TestPosixPlatform : public QObject {
    Q_OBJECT

private slots:
    void programDirectoryIsTheExecutablesNotTheWorkingDirectory();
    void randomDrawsAreSeededFromTheClock();
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

// What cannot be started is an error, never a silent success.
void TestPosixPlatform::failureToStart()
{
    QTemporaryDir root;
    QFile script(root.filePath("not executable"));
    QVERIFY(script.open(QIODevice::WriteOnly) && script.write("#!/bin/sh\n") > 0);
    for (const QString& path :
         {QString(), root.filePath("missing"), root.filePath("not executable"), root.path()})
        QVERIFY_THROWS_EXCEPTION(
            RuntimeError,
            DefaultLauncher().StartProgram(QFile::encodeName(path).toStdString(), NormalFocus));
}

QTEST_GUILESS_MAIN(TestPosixPlatform)
#include "tst_posix_platform.moc"
