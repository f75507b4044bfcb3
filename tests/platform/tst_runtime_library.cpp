// The run-time library adapter: the program's directory, the existence test of
// an ordinary file, whole-file reading and the random draws.
#include "runtime_error.h"
#include "runtime_library.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <thread>
#include <unistd.h>

using namespace rainfall;

namespace {

std::string Path(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestRunTimeLibrary : public QObject {
    Q_OBJECT

private slots:
    void programDirectoryIsTheExecutablesNotTheWorkingDirectory();
    void joinPathAddsTheSeparatorEvenAfterOne();
    void ordinaryFileExists_data();
    void ordinaryFileExists();
    void readWholeFileKeepsEveryByte_data();
    void readWholeFileKeepsEveryByte();
    void readWholeFileReadsFilesWithoutASize();
    void readWholeFileFailure_data();
    void readWholeFileFailure();
    void drawsStayBelowOne();
    void seedingFromTheClockChangesTheDraws();
};

void TestRunTimeLibrary::programDirectoryIsTheExecutablesNotTheWorkingDirectory()
{
    QTemporaryDir elsewhere;
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(elsewhere.path()));
    const std::string directory = SystemRunTimeLibrary().ProgramDirectory();
    QVERIFY(QDir::setCurrent(before));
    QCOMPARE(QString::fromStdString(directory), QCoreApplication::applicationDirPath());
}

void TestRunTimeLibrary::joinPathAddsTheSeparatorEvenAfterOne()
{
    const std::string separator(1, PathSeparator);
    QCOMPARE(JoinPath("dir", "TIPOFDAY.TXT"), "dir" + separator + "TIPOFDAY.TXT");
    QCOMPARE(JoinPath("dir" + separator, "TIPOFDAY.TXT"),
             "dir" + separator + separator + "TIPOFDAY.TXT");
}

void TestRunTimeLibrary::ordinaryFileExists_data()
{
    QTest::addColumn<QString>("relativePath");
    QTest::addColumn<bool>("exists");

    QTest::newRow("ordinary file") << "tips.txt" << true;
    QTest::newRow("empty file") << "empty.txt" << true;
    QTest::newRow("link to an ordinary file") << "link.txt" << true;
    QTest::newRow("ordinary file in a hidden folder") << ".folder/tips.txt" << true;
    QTest::newRow("missing") << "missing.txt" << false;
    QTest::newRow("directory") << "folder" << false;
    QTest::newRow("hidden file") << ".hidden.txt" << false;
    QTest::newRow("path ending in a separator") << "folder/" << false;
}

void TestRunTimeLibrary::ordinaryFileExists()
{
    QFETCH(QString, relativePath);
    QFETCH(bool, exists);

    QTemporaryDir root;
    const QDir dir(root.path());
    WriteFile(dir.filePath("tips.txt"), "a tip");
    WriteFile(dir.filePath("empty.txt"), "");
    WriteFile(dir.filePath(".hidden.txt"), "a hidden tip");
    QVERIFY(QFile::link(dir.filePath("tips.txt"), dir.filePath("link.txt")));
    QVERIFY(dir.mkpath("folder"));
    QVERIFY(dir.mkpath(".folder"));
    WriteFile(dir.filePath(".folder/tips.txt"), "a tip");

    QCOMPARE(SystemRunTimeLibrary().OrdinaryFileExists(Path(dir.filePath(relativePath))), exists);
}

void TestRunTimeLibrary::readWholeFileKeepsEveryByte_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("line ends of every kind") << QByteArray("a\r\nb\rc\nd\r\n");
    QTest::newRow("zero bytes and 8-bit text") << QByteArray("x\0y\xe9\xff", 5);
    QByteArray large(3 * 65536 + 17, 'r');
    large[70000] = '\r';
    QTest::newRow("larger than one read") << large;
    QByteArray mapped(SystemRunTimeLibrary::MapFrom + 1, 'm');
    mapped[0] = '\r';
    mapped[mapped.size() - 1] = '\n';
    QTest::newRow("large enough to be mapped") << mapped;
}

void TestRunTimeLibrary::readWholeFileKeepsEveryByte()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir root;
    const QString path = QDir(root.path()).filePath("file.txt");
    WriteFile(path, bytes);

    FileText read = SystemRunTimeLibrary().ReadWholeFile(Path(path));
    const FileText kept = std::move(read); // the bytes move with the object
    const std::string_view text = kept.view();
    QCOMPARE(QByteArray(text.data(), static_cast<qsizetype>(text.size())), bytes);
}

// Files of /proc report a size of 0 and still have content.
void TestRunTimeLibrary::readWholeFileReadsFilesWithoutASize()
{
    const FileText status = SystemRunTimeLibrary().ReadWholeFile("/proc/self/status");
    QVERIFY(status.view().find("Pid:") != std::string_view::npos);
}

void TestRunTimeLibrary::readWholeFileFailure_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("reason");

    QTest::newRow("missing") << "missing"
                             << "No such file or directory";
    QTest::newRow("no read permission") << "no permission"
                                        << "Permission denied";
    QTest::newRow("read fails") << "read fails"
                                << "Input/output error";
}

void TestRunTimeLibrary::readWholeFileFailure()
{
    QFETCH(QString, how);
    QFETCH(QString, reason);

    QTemporaryDir root;
    const QString path = QDir(root.path()).filePath("file.txt");
    if (how == "no permission") {
        if (::geteuid() == 0)
            QSKIP("running as root, which may read a file without read permission");
        WriteFile(path, "a tip");
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
    } else if (how == "read fails") {
        // Reading a process's memory at address 0 fails even for root.
        QVERIFY(QFile::link("/proc/self/mem", path));
    }

    try {
        SystemRunTimeLibrary().ReadWholeFile(Path(path));
        QFAIL("the file was read");
    } catch (const RuntimeError& error) {
        QCOMPARE(error.kind(), RuntimeError::Kind::FileError);
        QCOMPARE(QString::fromStdString(error.detail()), reason);
    }
}

void TestRunTimeLibrary::drawsStayBelowOne()
{
    SystemRunTimeLibrary library;
    library.SeedFromClock();
    float lowest = 1;
    float highest = 0;
    for (int i = 0; i < 200000; ++i) {
        const float r = library.NextRandom();
        QVERIFY2(r >= 0 && r < 1, qPrintable(QString::number(double(r), 'g', 9)));
        lowest = std::min(lowest, r);
        highest = std::max(highest, r);
    }
    // The draws spread over the whole range, not only a part of it.
    QVERIFY(lowest < 0.001f);
    QVERIFY(highest > 0.999f);
}

void TestRunTimeLibrary::seedingFromTheClockChangesTheDraws()
{
    const auto firstDraws = [] {
        SystemRunTimeLibrary library;
        library.SeedFromClock();
        std::vector<float> draws;
        for (int i = 0; i < 4; ++i)
            draws.push_back(library.NextRandom());
        return draws;
    };
    const std::vector<float> unseeded = [] {
        SystemRunTimeLibrary library;
        return std::vector<float>{library.NextRandom(), library.NextRandom(), library.NextRandom(),
                                  library.NextRandom()};
    }();
    const std::vector<float> first = firstDraws();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const std::vector<float> second = firstDraws();
    QVERIFY(first != second);
    QVERIFY(first != unseeded);
}

QTEST_GUILESS_MAIN(TestRunTimeLibrary)
#include "tst_runtime_library.moc"
