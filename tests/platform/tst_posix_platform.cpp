// The operating-system layer where it is POSIX: the program's own directory,
// files read whole, the random generator, and the launcher's failures.
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
    void ordinaryFileExists();
    void fileReadAsItIs();
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

// An ordinary file counts, through a link too; a directory, a device, a
// hidden file, a link to nothing and the empty path do not.
void TestPosixPlatform::ordinaryFileExists()
{
    QTemporaryDir root;
    const QDir dir(root.path());
    QVERIFY(QFile(dir.filePath("tips.txt")).open(QIODevice::WriteOnly));
    QVERIFY(QFile(dir.filePath(".tips.txt")).open(QIODevice::WriteOnly));
    QVERIFY(QFile::link(dir.filePath("tips.txt"), dir.filePath("link.txt")));
    QVERIFY(QFile::link(dir.filePath("gone.txt"), dir.filePath("dangling.txt")));
    QStringList found;
    for (const QString& path :
         {dir.filePath("tips.txt"), dir.filePath("link.txt"), dir.path(), QString("/dev/null"),
          dir.filePath(".tips.txt"), dir.filePath("dangling.txt"), QString()})
        found << QString::number(SystemRunTimeLibrary().OrdinaryFileExists(path.toStdString()));
    QCOMPARE(found.join(""), "1100000");
}

// A file is read as it is while it is read, though it holds less than its size
// said when it was opened, as if it shrank meanwhile (a sysfs file says 4096
// bytes), or more (a /proc file says 0). A file that fails while it is read is
// an error (even root cannot read its own /proc/self/mem at address 0).
void TestPosixPlatform::fileReadAsItIs()
{
    for (const char* path : {"/sys/devices/system/cpu/online", "/proc/version"}) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            QSKIP("no sysfs or procfs");
        const std::string read = SystemRunTimeLibrary().ReadWholeFile(path);
        QCOMPARE(QByteArray::fromStdString(read), file.readAll());
    }
    QVERIFY_THROWS_EXCEPTION(RuntimeError, SystemRunTimeLibrary().ReadWholeFile("/proc/self/mem"));
}

// Every draw lies in [0, 1); two starts a moment apart draw differently, so
// they show different tips.
void TestPosixPlatform::randomDrawsAreSeededFromTheClock()
{
    SystemRunTimeLibrary first, second;
    first.SeedFromClock();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    second.SeedFromClock();
    int same = 0;
    for (int i = 0; i < 100; ++i) {
        const float r = first.NextRandom();
        QVERIFY(r >= 0 && r < 1);
        same += r == second.NextRandom();
    }
    QVERIFY(same < 10);
}

// What cannot be started, a missing file or a directory, is an error, never a
// silent success.
void TestPosixPlatform::failureToStart()
{
    for (const char* path : {"/nonexistent/tool", "/"})
        QVERIFY_THROWS_EXCEPTION(RuntimeError, DefaultLauncher().StartProgram(path, NormalFocus));
}

QTEST_GUILESS_MAIN(TestPosixPlatform)
#include "tst_posix_platform.moc"
