// The tip list: reading the tip file, choosing a tip at random, showing it.
#include "tip_of_day.h"
#include "welcome_fakes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <unistd.h>

using namespace rainfall;

namespace {

const float LargestBelowOne = std::nextafter(1.0f, 0.0f);

// A tip machinery over real files whose shown tips the test can read.
struct TipsUnderTest {
    ChosenRunTime runtime;
    std::vector<std::string> shown;
    TipOfDay tips{runtime, [this](std::string_view text) { shown.emplace_back(text); }};
};

QString WriteTipFile(const QTemporaryDir& dir, const QByteArray& bytes)
{
    const QString path = QDir(dir.path()).filePath("TIPOFDAY.TXT");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write the tip file");
    return path;
}

std::string Path(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QList<QByteArray> Lines(const LineList& list)
{
    QList<QByteArray> lines;
    for (std::int32_t position = 1; position <= list.Count(); ++position) {
        const std::string_view line = list.Item(position);
        lines << QByteArray(line.data(), static_cast<qsizetype>(line.size()));
    }
    return lines;
}

} // namespace

class TestTipOfDay : public QObject {
    Q_OBJECT

private slots:
    void linesOfTheTipFile_data();
    void linesOfTheTipFile();
    void noTipFile_data();
    void noTipFile();
    void unreadableTipFile_data();
    void unreadableTipFile();
    void randomPosition_data();
    void randomPosition();
    void secondLoadAppendsASecondCopy();
    void largeTipFile();
    void notFoundTextIsComposedExactly();
};

void TestTipOfDay::linesOfTheTipFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QList<QByteArray>>("lines");

    QTest::newRow("three lines") << QByteArray("First tip\r\nSecond tip\r\nThird tip\r\n")
                                 << QList<QByteArray>{"First tip", "Second tip", "Third tip"};
    QTest::newRow("one line") << QByteArray("Only tip\r\n") << QList<QByteArray>{"Only tip"};
    QTest::newRow("empty file") << QByteArray() << QList<QByteArray>{};
    QTest::newRow("all lines empty") << QByteArray("\r\n\r\n\r\n") << QList<QByteArray>{"", "", ""};
    QTest::newRow("no final terminator")
        << QByteArray("First\r\nLast") << QList<QByteArray>{"First", "Last"};
    QTest::newRow("line feeds alone")
        << QByteArray("one\ntwo\nthree\n") << QList<QByteArray>{"one\ntwo\nthree\n"};
    QTest::newRow("carriage returns alone")
        << QByteArray("one\rtwo\r") << QList<QByteArray>{"one", "two"};
    QTest::newRow("terminators mixed")
        << QByteArray("a\r\n\rb\n\rc") << QList<QByteArray>{"a", "", "b\n", "c"};
    QTest::newRow("line feed before a carriage return")
        << QByteArray("a\n\r\nb") << QList<QByteArray>{"a\n", "b"};
    QTest::newRow("empty last line ends in CR")
        << QByteArray("a\r\n\r") << QList<QByteArray>{"a", ""};
    QTest::newRow("spaces and 8-bit text kept")
        << QByteArray("  R\xe9gion \0 x \r\n", 15)
        << QList<QByteArray>{QByteArray("  R\xe9gion \0 x ", 13)};
}

void TestTipOfDay::linesOfTheTipFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QList<QByteArray>, lines);
    QTemporaryDir dir;
    TipsUnderTest t;
    t.runtime.draws = {0.5f};

    QCOMPARE(t.tips.LoadTips(Path(WriteTipFile(dir, file))), FlagTrue);

    QCOMPARE(Lines(t.tips.TipLines()), lines);
    const auto n = static_cast<std::int32_t>(lines.size());
    QCOMPARE(t.tips.TipIndex(), static_cast<std::int32_t>(std::floor(n * 0.5 + 1)));
    if (lines.isEmpty()) {
        QVERIFY(t.shown.empty()); // the label keeps what it shows
    } else {
        QCOMPARE(t.shown.size(), std::size_t{1});
        QCOMPARE(QByteArray::fromStdString(t.shown.front()), lines[t.tips.TipIndex() - 1]);
    }
}

void TestTipOfDay::noTipFile_data()
{
    QTest::addColumn<QString>("relativePath");
    QTest::addColumn<int>("existenceTests");

    QTest::newRow("empty path") << QString() << 0;
    QTest::newRow("missing") << "missing.txt" << 1;
    QTest::newRow("a directory") << "folder" << 1;
    QTest::newRow("a hidden file") << ".TIPOFDAY.TXT" << 1;
}

void TestTipOfDay::noTipFile()
{
    QFETCH(QString, relativePath);
    QFETCH(int, existenceTests);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("folder"));
    QFile hidden(QDir(dir.path()).filePath(".TIPOFDAY.TXT"));
    QVERIFY(hidden.open(QIODevice::WriteOnly));
    hidden.write("A hidden tip\r\n");
    hidden.close();
    TipsUnderTest t;

    const std::string path =
        relativePath.isNull() ? "" : Path(QDir(dir.path()).filePath(relativePath));
    QCOMPARE(t.tips.LoadTips(path), FlagFalse);

    QCOMPARE(t.runtime.existenceTests, existenceTests);
    QCOMPARE(t.tips.TipLines().Count(), 0);
    QCOMPARE(t.tips.TipIndex(), 0);
    QVERIFY(t.shown.empty());
}

void TestTipOfDay::unreadableTipFile_data()
{
    QTest::addColumn<bool>("noPermission");

    QTest::newRow("no read permission") << true;
    QTest::newRow("read fails") << false;
}

void TestTipOfDay::unreadableTipFile()
{
    QFETCH(bool, noPermission);
    QTemporaryDir dir;
    QString path;
    if (noPermission) {
        if (::geteuid() == 0)
            QSKIP("running as root, which may read a file without read permission");
        path = WriteTipFile(dir, "A tip\r\n");
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
    } else {
        // Reading a process's memory at address 0 fails even for root.
        path = QDir(dir.path()).filePath("TIPOFDAY.TXT");
        QVERIFY(QFile::link("/proc/self/mem", path));
    }
    TipsUnderTest t;

    QVERIFY_THROWS_EXCEPTION(RuntimeError, t.tips.LoadTips(Path(path)));
    QCOMPARE(t.tips.TipLines().Count(), 0);
    QVERIFY(t.shown.empty());
}

void TestTipOfDay::randomPosition_data()
{
    QTest::addColumn<int>("lineCount");
    QTest::addColumn<float>("r");
    QTest::addColumn<int>("position");

    for (const int n : {1, 3, 1000}) {
        QTest::addRow("%d lines, r = 0", n) << n << 0.0f << 1;
        QTest::addRow("%d lines, largest r below 1", n) << n << LargestBelowOne << n;
    }
    QTest::newRow("3 lines, r = 0.5") << 3 << 0.5f << 2;
    QTest::newRow("3 lines, r just below 2/3") << 3 << std::nextafter(2.0f / 3.0f, 0.0f) << 2;
    QTest::newRow("no lines, largest r below 1") << 0 << LargestBelowOne << 1;
}

void TestTipOfDay::randomPosition()
{
    QFETCH(int, lineCount);
    QFETCH(float, r);
    QFETCH(int, position);
    QByteArray file;
    for (int line = 1; line <= lineCount; ++line)
        file += "Tip " + QByteArray::number(line) + "\r\n";
    QTemporaryDir dir;
    TipsUnderTest t;
    t.runtime.draws = {r};

    QCOMPARE(t.tips.LoadTips(Path(WriteTipFile(dir, file))), FlagTrue);

    QCOMPARE(t.tips.TipIndex(), position);
    if (lineCount > 0)
        QCOMPARE(t.shown.back(), "Tip " + std::to_string(position));
}

// The list is not cleared first; a file without a final terminator must not
// run into the copy after it.
void TestTipOfDay::secondLoadAppendsASecondCopy()
{
    QTemporaryDir dir;
    const std::string path = Path(WriteTipFile(dir, "First\r\nLast"));
    TipsUnderTest t;
    t.runtime.draws = {0, LargestBelowOne};

    QCOMPARE(t.tips.LoadTips(path), FlagTrue);
    QCOMPARE(t.tips.LoadTips(path), FlagTrue);

    QCOMPARE(Lines(t.tips.TipLines()), (QList<QByteArray>{"First", "Last", "First", "Last"}));
    QCOMPARE(t.tips.TipIndex(), 4);
}

// A file this large is mapped rather than read; its lines must come out the same.
void TestTipOfDay::largeTipFile()
{
    QByteArray file;
    int lines = 0;
    while (file.size() <= qsizetype(SystemRunTimeLibrary::MapFrom)) {
        ++lines;
        file += "Tip number " + QByteArray::number(lines) + (lines % 2 ? "\r\n" : "\r");
    }
    file += "Last tip without a terminator";
    QTemporaryDir dir;
    TipsUnderTest t;
    t.runtime.draws = {LargestBelowOne};

    QCOMPARE(t.tips.LoadTips(Path(WriteTipFile(dir, file))), FlagTrue);

    QCOMPARE(t.tips.TipLines().Count(), lines + 1);
    QCOMPARE(t.tips.TipLines().Item(1), "Tip number 1");
    QCOMPARE(t.tips.TipLines().Item(lines), "Tip number " + std::to_string(lines));
    QCOMPARE(t.shown.back(), "Last tip without a terminator");
}

void TestTipOfDay::notFoundTextIsComposedExactly()
{
    QCOMPARE(TipFileNotFoundText(),
             "That the TIPOFDAY.TXT file was not found? \r\n\r\n"
             "Create a text file named TIPOFDAY.TXT using NotePad with 1 tip per line. "
             "Then place it in the same directory as the application. ");
}

QTEST_GUILESS_MAIN(TestTipOfDay)
#include "tst_tip_of_day.moc"
