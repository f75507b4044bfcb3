// The run-time library adapter: the program's directory, the existence test of
// an ordinary file and whole-file reading.
#include "runtime_library.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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
    void ordinaryFileExists_data();
    void ordinaryFileExists();
    void readWholeFileKeepsEveryByte_data();
    void readWholeFileKeepsEveryByte();
    void readWholeFileReadsFilesWithoutASize();
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

QTEST_GUILESS_MAIN(TestRunTimeLibrary)
#include "tst_runtime_library.moc"
