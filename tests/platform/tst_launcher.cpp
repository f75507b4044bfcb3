// Starting another program: exactly the file named, never a command line.
#include "launcher.h"
#include "runtime_error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace rainfall;

namespace {

// A shell script that writes its own name ($0) into `marker`.
void WriteScript(const QString& path, const QString& marker)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nprintf '%s' \"$0\" > '" + QFile::encodeName(marker) + "'\n");
    file.close();
    QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestLauncher : public QObject {
    Q_OBJECT

private slots:
    void startsExactlyTheNamedFile();
    void failureToStart_data();
    void failureToStart();
};

// "my tools/show info" must start that script, not a program "my" beside the
// folder with the rest of the path as its arguments.
void TestLauncher::startsExactlyTheNamedFile()
{
    QTemporaryDir root;
    const QDir dir(root.path());
    QVERIFY(dir.mkpath("my tools"));
    const QString program = dir.filePath("my tools/show info");
    WriteScript(program, dir.filePath("started"));
    WriteScript(dir.filePath("my"), dir.filePath("decoy started"));

    const std::int64_t pid =
        SystemLauncher().StartProgram(QFile::encodeName(program).toStdString(), NormalFocus);
    QVERIFY(pid > 0);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.filePath("started")), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(ReadAll(dir.filePath("started")), QFile::encodeName(program), 5000);
    QVERIFY(!QFile::exists(dir.filePath("decoy started")));
}

void TestLauncher::failureToStart_data()
{
    QTest::addColumn<QString>("relativePath");

    QTest::newRow("empty path") << "";
    QTest::newRow("missing file") << "missing";
    QTest::newRow("not executable") << "plain.txt";
    QTest::newRow("directory") << "folder";
}

void TestLauncher::failureToStart()
{
    QFETCH(QString, relativePath);
    QTemporaryDir root;
    const QDir dir(root.path());
    QFile plain(dir.filePath("plain.txt"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    QVERIFY(dir.mkpath("folder"));
    const std::string path = relativePath.isEmpty()
                                 ? std::string()
                                 : QFile::encodeName(dir.filePath(relativePath)).toStdString();

    try {
        SystemLauncher().StartProgram(path, NormalFocus);
        QFAIL("a program was started");
    } catch (const RuntimeError& error) {
        QCOMPARE(error.kind(), RuntimeError::Kind::FileError);
    }
}

QTEST_GUILESS_MAIN(TestLauncher)
#include "tst_launcher.moc"
