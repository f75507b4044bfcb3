// The welcome window's logic: the tip list on real files, and the start of the
// system-information tool through the registry Windows records it in and, on
// Linux, through the programs on PATH.
#include "platform/system/launcher.h"
#include "tests/welcome/platform.h"
#include "welcome/logic/sys_info.h"
#include "welcome/logic/tip_of_day.h"

#include <QDir>
#include <QTest>

using namespace rainfall;

namespace {

// Records "path, window style"; fails unless the path names the tool.
class RecordingLauncher : public Launcher {
public:
    QStringList starts;
    QString tool = "C:\\Tools\\MSINFO32.EXE";
    std::int64_t StartProgram(const std::string& path, int windowStyle) override
    {
        starts << QString("%1, %2").arg(path.c_str()).arg(windowStyle);
        if (path.c_str() != tool)
            throw RuntimeError(RuntimeError::Kind::FileError, "cannot start " + path);
        return 4242;
    }
};

} // namespace

class TestWelcomeLogic : public QObject {
    Q_OBJECT

private slots:
    void loadTips_data();
    void loadTips();
    void startSysInfo_data();
    void startSysInfo();
#ifdef Q_OS_UNIX
    void toolOnPath();
#endif
};

// The tip chosen by the draw among the lines of the tip file.
void TestWelcomeLogic::loadTips_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<float>("draw");
    QTest::addColumn<QByteArray>("shown");
    const QByteArray three = "First tip\r\nSecond tip\r\nThird tip\r\n";
    QTest::newRow("three lines") << three << 0.5f << QByteArray("Second tip");
    QTest::newRow("the draw 0: the first") << three << 0.0f << QByteArray("First tip");
    // 2 * r + 1 rounds up to 3 in single precision.
    QTest::newRow("two lines, the largest draw: the last")
        << QByteArray("First\rSecond") << 0.99999994f << QByteArray("Second");
    QTest::newRow("empty file") << QByteArray("") << 0.5f << QByteArray("");
    QTest::newRow("CR, then LF alone")
        << QByteArray("a\r\n\rb\n\rc") << 0.5f << QByteArray("b\n"); // the third of four
}

void TestWelcomeLogic::loadTips()
{
    QFETCH(QByteArray, file);
    QFETCH(float, draw);
    QFETCH(QByteArray, shown);
    ChosenRunTime runtime;
    runtime.SeedFromClock();
    runtime.draw = draw;
    const QString path = runtime.Write("TIPOFDAY.TXT", file);
    QByteArray tip;
    TipOfDay tips(runtime, [&tip](std::string_view text) {
        tip = QByteArray(text.data(), qsizetype(text.size()));
    });
    QCOMPARE(tips.LoadTips(QFile::encodeName(path).toStdString()), -1);
    QCOMPARE(tip, shown);
}

// The tool's program file, else MSINFO32.EXE in its directory, as type code and
// data. Anything but a started tool shows the unavailable message.
void TestWelcomeLogic::startSysInfo_data()
{
    QTest::addColumn<QByteArray>("program");   // null: none
    QTest::addColumn<QByteArray>("directory"); // null: none
    QTest::addColumn<QString>("started");      // null: no start tried
    const auto row = [](const char* name, const QByteArray& program, const QByteArray& directory,
                        const QString& started) {
        QTest::newRow(name) << program << directory << started;
    };
    const QByteArray tools("\1C:\\Tools\0", 10), tool = "\1C:\\Tools\\MSINFO32.EXE";
    row("program file first, as read", tool + '\0', "\1C:\\Empty\0", "C:\\Tools\\MSINFO32.EXE");
    row("program file without a final 0", tool, {}, "C:\\Tools\\MSINFO32.EXE");
    row("program file that cannot start", "\1C:\\Gone.exe\0", tools, "C:\\Gone.exe");
    row("directory, tool in it", {}, tools, "C:\\Tools\\MSINFO32.EXE");
    row("directory, tool not in it", {}, "\1C:\\Empty\0", {});
    // Its bytes as stored, least significant first; the launch fails.
    row("program as a REG_DWORD", QByteArray("\4\1\xAB\x2C\x3D", 5), {}, "&h3D2CAB01");
    const QByteArray longPath = "C:\\" + QByteArray(1000, 'x');
    row("program path of 1004 bytes", "\1" + longPath + '\0', {}, longPath);
}

void TestWelcomeLogic::startSysInfo()
{
    QFETCH(QByteArray, program);
    QFETCH(QByteArray, directory);
    QFETCH(QString, started);
    ReadOnlyRegistry registry;
    if (!program.isNull())
        registry.values[{"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH"}] = program;
    if (!directory.isNull())
        registry.values[{"SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO"}] = directory;
    RecordingLauncher launcher;
    ChosenRunTime runtime;
    runtime.tools = QStringList{launcher.tool};
    QString messages;
    StartSysInfo(registry, launcher, runtime,
                 [&](const std::string& prompt) { messages += prompt.c_str(); });
    QCOMPARE(launcher.starts.join(""), started.isNull() ? "" : started + ", 1");
    QCOMPARE(messages,
             started == launcher.tool ? "" : "System Information Is Unavailable At This Time");
    QCOMPARE(registry.closes, registry.opens); // every key closed once, opened or not
}

#ifdef Q_OS_UNIX
// Without a registry, the tool is the first of a list of system-information
// programs found on PATH, best first, by its full path, whatever the case of
// the key's and value's names. A relative PATH
// entry, a program that cannot run and a directory do not count.
void TestWelcomeLogic::toolOnPath()
{
    ChosenRunTime runtime;
    const QDir root(runtime.directory.path());
    QStringList path{"."}, expected; // the working directory holds every program
    for (const QString program :
         {"hardinfo", "kinfocenter", "cpu-x", "lshw-gtk", "gnome-system-monitor"}) {
        QVERIFY(root.mkdir(program + "s"));
        for (const QString& file : {program + "s/" + program, program})
            QFile(runtime.Write(file, "")).setPermissions(QFileDevice::ExeOwner);
        path.prepend(root.filePath(program + "s")); // the folders in the reverse order
        expected << root.filePath(program + "s/" + program);
    }
    runtime.Write("gnome-system-monitors/hardinfo",
                  ""); // first on PATH, cannot run
    QVERIFY(root.mkdir("gnome-system-monitors/kinfocenter"));
    const QString savedDirectory = QDir::currentPath();
    const QByteArray savedPath = qgetenv("PATH");
    QDir::setCurrent(root.path());
    qputenv("PATH", QFile::encodeName(path.join(':')));
    QStringList found; // each removed once it is found
    std::string tool;
    while (found.size() < 9 &&
           GetKeyValue(DefaultRegistry(), RootLocalMachine,
                       "Software\\Microsoft\\Shared tools\\MSInfo", "Path", tool) != 0)
        QFile::remove(found.emplace_back(tool.c_str()));
    qputenv("PATH", savedPath);
    QDir::setCurrent(savedDirectory);
    QCOMPARE(found, expected);
    QCOMPARE(tool, ""); // a value that cannot be read leaves no text behind,
    tool = "C:\\Tools"; // nor does a key that cannot be opened
    QCOMPARE(GetKeyValue(DefaultRegistry(), RootLocalMachine, "SOFTWARE", "PATH", tool), 0);
    QCOMPARE(tool, "");
}
#endif

QTEST_GUILESS_MAIN(TestWelcomeLogic)
#include "tst_welcome_logic.moc"
