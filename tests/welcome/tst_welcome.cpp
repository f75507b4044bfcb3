// The welcome window: the tip list on real files, the system-information
// launcher against a registry and a launcher that record every call, and the
// window itself, whose look is compared with pictures.
#include "errors/runtime_error.h"
#include "tests/pictures.h"
#include "tests/recording_toolkit.h"
#include "welcome/logic/sys_info.h"
#include "welcome/window/frmtip.h"

#include <QAccessible>
#include <QPointer>
#include <QScopeGuard>
#include <QScreen>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <cmath>
#include <cstring>
#include <map>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

using namespace rainfall;
using Lines = QList<QByteArray>;

namespace {

// A program directory of the test's own, a random draw of its choosing, and
// real files, of which only `tools` count as ordinary ones when there are any.
class ChosenRunTime : public SystemRunTimeLibrary {
public:
    QTemporaryDir directory;
    float draw = 0.5;
    QStringList tools, calls;

    std::string ProgramDirectory() override { return QFile::encodeName(directory.path()).data(); }
    bool OrdinaryFileExists(const std::string& path) override
    {
        calls << "exists";
        return tools.isEmpty() ? SystemRunTimeLibrary::OrdinaryFileExists(path)
                               : tools.contains(QString::fromStdString(path));
    }
    void SeedFromClock() override { calls << "seed"; }
    float NextRandom() override { return draw; }
    QString Write(const QString& name, const QByteArray& content)
    {
        QFile file(directory.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(name));
        return file.fileName();
    }
};

// Values by "key\value": their type code, then their data. The handle of the
// only key that opens is 7; calls are recorded, and all fail when `broken`.
class RecordingRegistry : public Registry {
public:
    std::map<std::string, QByteArray> values;
    bool broken = false;
    QStringList calls;
    std::string opened;

    RegStatus RegOpenKeyExA(RegKey root, const char* key, std::uint32_t options,
                            std::uint32_t access, RegKey* handle) override
    {
        Record(
            QString("open %1 %2 %3").arg(root == RootLocalMachine).arg(options).arg(access, 0, 16));
        opened = key;
        *handle = 7;
        return values.lower_bound(opened + "\\") != values.end() &&
                       values.lower_bound(opened + "\\")->first.starts_with(opened + "\\")
                   ? ErrorSuccess
                   : ErrorFileNotFound;
    }
    RegStatus RegQueryValueExA(RegKey handle, const char* name, std::uint32_t* reserved,
                               std::uint32_t* type, std::uint8_t* data,
                               std::uint32_t* size) override
    {
        Record(QString("query %1 %2 %3").arg(handle).arg(reserved == nullptr).arg(*size));
        const auto found = values.find(opened + "\\" + name);
        if (found == values.end())
            return ErrorFileNotFound;
        const QByteArray bytes = found->second.mid(1);
        *type = std::uint8_t(found->second[0]);
        if (bytes.size() > *size)
            return ErrorMoreData;
        std::memcpy(data, bytes.data(), bytes.size());
        *size = std::uint32_t(bytes.size());
        return ErrorSuccess;
    }
    RegStatus RegCloseKey(RegKey handle) override
    {
        Record(QString("close %1").arg(handle));
        return ErrorSuccess;
    }

private:
    void Record(const QString& call)
    {
        calls << call;
        if (broken)
            throw RuntimeError(RuntimeError::Kind::InvalidArgument, "advapi32 is missing");
    }
};

// Starts only C:\Tools\MSINFO32.EXE and fails on every other path, as a real
// launcher would; records "path, window style".
class RecordingLauncher : public Launcher {
public:
    QStringList starts;
    std::int64_t StartProgram(const std::string& path, int windowStyle) override
    {
        starts << QString("%1, %2").arg(QString::fromStdString(path)).arg(windowStyle);
        if (path != "C:\\Tools\\MSINFO32.EXE")
            throw RuntimeError(RuntimeError::Kind::FileError, "cannot start " + path);
        return 4242;
    }
};

// The platform of one welcome window, with its tip file (null: none).
struct Platform {
    RecordingToolkit toolkit;
    ChosenRunTime runtime;
    RecordingRegistry registry;
    RecordingLauncher launcher;

    explicit Platform(const QByteArray& tipFile = {})
    {
        if (!tipFile.isNull())
            runtime.Write("TIPOFDAY.TXT", tipFile);
    }
    QPointer<frmTip> Open()
    {
        frmTip* tip = new frmTip({toolkit, runtime, registry, launcher});
        tip->show();
        QApplication::setActiveWindow(tip);
        if (!QTest::qWaitForWindowActive(tip))
            qFatal("the welcome window does not become active");
        return tip;
    }
};

const float LargestBelowOne = std::nextafter(1.0f, 0.0f);

} // namespace

class TestWelcome : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void loadTips_data();
    void loadTips();
    void startSysInfo_data();
    void startSysInfo();
#ifdef Q_OS_UNIX
    void startSysInfoOnThisMachine();
#endif
    void keys_data();
    void keys();
    void programEnds_data();
    void programEnds();
    void tipPanel_data();
    void tipPanel();
    void pictures_data();
    void pictures();
};

void TestWelcome::initTestCase()
{
    pictures::Prepare();
}

void TestWelcome::cleanup()
{
    qDeleteAll(QApplication::topLevelWidgets());
    QApplication::setPalette(pictures::Distinct());
}

void TestWelcome::loadTips_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("path"); // the path asked for, in the program directory
    QTest::addColumn<float>("r");
    QTest::addColumn<Lines>("lines");
    QTest::addColumn<int>("position"); // 0: not found, nothing read or shown
    const auto row = [](const char* name, const QByteArray& file, float r, const Lines& lines,
                        int position, const QString& path = "TIPOFDAY.TXT") {
        QTest::newRow(name) << file << path << r << lines << position;
    };
    const QByteArray three = "First tip\r\nSecond tip\r\nThird tip\r\n";
    const Lines threeLines{"First tip", "Second tip", "Third tip"};
    row("three lines, r = 0.5", three, 0.5, threeLines, 2);
    row("three lines, largest r below 1", three, LargestBelowOne, threeLines, 3);
    row("empty file", "", LargestBelowOne, {}, 1);
    row("all lines empty", "\r\n\r\n\r\n", 0.5, {"", "", ""}, 2);
    row("no final terminator", "First\r\nLast", LargestBelowOne, {"First", "Last"}, 2);
    row("CR, CR LF and LF", "a\r\n\rb\n\rc", 0, {"a", "", "b\n", "c"}, 1);
    row("8-bit text and a zero byte kept", QByteArray("  R\xe9gion \0 x \r\n", 15), 0,
        {QByteArray("  R\xe9gion \0 x ", 13)}, 1);
    row("empty path", three, 0, {}, 0, "");
    row("missing", three, 0, {}, 0, "missing.txt");
    row("a directory", three, 0, {}, 0, "folder");
    row("a hidden file", three, 0, {}, 0, ".hidden.txt");
    // So many lines that the position is only right in double precision; the
    // file is cut short once it is read, which must not touch the tips.
    const int many = 1 << 19;
    row("half a million lines", QByteArray("Tip\r\n").repeated(many) + "Last", LargestBelowOne,
        Lines(many, "Tip") << "Last", many + 1);
}

void TestWelcome::loadTips()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, path);
    QFETCH(float, r);
    QFETCH(Lines, lines);
    QFETCH(int, position);
    ChosenRunTime runtime;
    runtime.draw = r;
    QVERIFY(QDir(runtime.directory.path()).mkdir("folder"));
    const QString hidden = runtime.Write(".hidden.txt", file);
#ifdef Q_OS_WIN // hidden there by an attribute, not by the leading full stop
    QVERIFY(SetFileAttributesW(hidden.toStdWString().c_str(), FILE_ATTRIBUTE_HIDDEN));
#endif
    const QString tipFile = runtime.Write("TIPOFDAY.TXT", file);
    Lines read, shown;
    TipOfDay tips(runtime,
                  [&](std::string_view text) { shown << QByteArray(text.data(), text.size()); });

    const QString sFile = path.isEmpty() ? "" : runtime.directory.filePath(path);
    QCOMPARE(tips.LoadTips(QFile::encodeName(sFile).toStdString()), position ? -1 : 0);
    QVERIFY(QFile::resize(tipFile, 0));

    QCOMPARE(runtime.calls.size(), path.isEmpty() ? 0 : 1); // the existence test
    for (std::int32_t i = 1; i <= tips.TipLines().Count(); ++i)
        read << QByteArray::fromStdString(std::string(tips.TipLines().Item(i)));
    QCOMPARE(read, lines);
    QCOMPARE(tips.TipIndex(), position);
    QCOMPARE(shown, lines.isEmpty() ? Lines() : Lines{lines[position - 1]});
}

// The tool's program file (lookup 1), else its directory (lookup 2) with
// MSINFO32.EXE in it, as type code and data. Every key opened is opened for
// reading and closed once, the handle too when the open failed; every value
// is queried with a 1024-byte buffer. Anything but a started tool shows the
// unavailable message, and so does any error on the way.
void TestWelcome::startSysInfo_data()
{
    QTest::addColumn<QByteArray>("program");   // null: none
    QTest::addColumn<QByteArray>("directory"); // null: none
    QTest::addColumn<QString>("started");      // null: no start tried
    QTest::addColumn<QString>("calls");        // the registry's
    const QString one = "open 1 0 20019, query 7 1 1024, close 7", none = "open 1 0 20019, close 7";
    const auto row = [](const char* name, const QByteArray& program, const QByteArray& directory,
                        const QString& started, const QString& calls) {
        QTest::newRow(name) << program << directory << started << calls;
    };
    const QByteArray tools("\1C:\\Tools\0", 10);
    const QString tool = "C:\\Tools\\MSINFO32.EXE";
    row("lookup 1 wins, as read", "\1" + tool.toLatin1() + '\0', tools, tool, one);
    row("lookup 1 without a final 0", "\1" + tool.toLatin1(), {}, tool, one);
    row("lookup 1 a REG_DWORD", "\4\xff\x0a\x0b\x0c", {}, "&h0C0B0AFF", one);
    row("lookup 1 a REG_EXPAND_SZ: no path", "\2%SystemRoot%\\msinfo32.exe", tools, "", one);
    row("lookup 1 empty", "\1", tools, "", one);
    row("lookup 1 of 1024 bytes", "\1" + QByteArray(1023, 'p') + '\0', {}, QString(1023, 'p'), one);
    row("lookup 1 over 1024 bytes", "\1" + QByteArray(1024, 'p') + '\0', tools, tool,
        one + ", " + one);
    row("lookup 2, tool in the directory", {}, tools, tool, none + ", " + one);
    row("lookup 2, tool not there", {}, QByteArray("\1C:\\Empty\0", 10), {}, none + ", " + one);
    row("both absent", {}, {}, {}, none + ", " + none);
}

void TestWelcome::startSysInfo()
{
    QFETCH(QByteArray, program);
    QFETCH(QByteArray, directory);
    QFETCH(QString, started);
    QFETCH(QString, calls);
    Platform platform;
    if (!program.isNull())
        platform.registry.values[std::string(ToolPathKey) + "\\" + ToolPathValue] = program;
    if (!directory.isNull())
        platform.registry.values[std::string(ToolDirectoryKey) + "\\" + ToolDirectoryValue] =
            directory;
    platform.runtime.tools = QStringList{"C:\\Tools\\MSINFO32.EXE"};
    QStringList messages;
    const auto start = [&] {
        StartSysInfo(
            platform.registry, platform.launcher, platform.runtime,
            [&](const std::string& prompt) { messages << QString::fromStdString(prompt); });
    };
    start();
    QCOMPARE(platform.launcher.starts.join(""), started.isNull() ? "" : started + ", 1");
    QCOMPARE(platform.registry.calls.join(", "), calls);
    const bool toolStarted = started == "C:\\Tools\\MSINFO32.EXE";
    QCOMPARE(messages.join(""), toolStarted ? "" : SysInfoUnavailableText);
    platform.registry.broken = true;
    start();
    QCOMPARE(messages.size(), toolStarted ? 1 : 2);
}

#ifdef Q_OS_UNIX
// Without a registry, the tool is the first system-information program on
// PATH, in the order of a list of them; a program that is not executable, a
// directory and relative PATH entries do not count. It is started as exactly
// that file, though its folder's name has a space and a program "my" is there.
void TestWelcome::startSysInfoOnThisMachine()
{
    ChosenRunTime runtime;
    const QDir root(runtime.directory.path());
    QVERIFY(root.mkpath("a") && root.mkpath("my tools/cpu-x"));
    const QString marker = root.filePath("started");
    for (const char* program :
         {"a/hardinfo", "a/kinfocenter", "my tools/lshw-gtk", "my", "hardinfo"})
        QFile(runtime.Write(program,
                            "#!/bin/sh\necho \"$0\" >> '" + QFile::encodeName(marker) + "'\n"))
            .setPermissions(QFileDevice::ReadOwner |
                            (QString(program) == "a/hardinfo" ? QFileDevice::ReadOwner
                                                              : QFileDevice::ExeOwner));
    const auto startedAs = [&marker] {
        QFile started(marker);
        return started.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(started.readAll()) : "";
    };
    const QString savedDirectory = QDir::currentPath();
    const QByteArray savedPath = qgetenv("PATH");
    QStringList messages;
    QString expected;
    const std::pair<const char*, const char*> runs[] = {{":.:%1/my tools:%1/a", "a/kinfocenter"},
                                                        {"%1/my tools", "my tools/lshw-gtk"},
                                                        {"%1/none", ""}};
    for (const auto& [path, program] : runs) {
        QDir::setCurrent(root.path()); // relative entries then name real programs
        qputenv("PATH", QFile::encodeName(QString(path).arg(root.path())));
        StartSysInfo(DefaultRegistry(), DefaultLauncher(), runtime, [&](const std::string& prompt) {
            messages << QString::fromStdString(prompt);
        });
        qputenv("PATH", savedPath);
        QDir::setCurrent(savedDirectory);
        expected += *program ? root.filePath(program) + "\n" : "";
        QTRY_COMPARE(startedAs(), expected);
    }
    QCOMPARE(messages, QStringList{SysInfoUnavailableText});
}
#endif

// Keys pressed in turn from start-up, where the window asks to be centred on
// its screen, with the focus on OK.
void TestWelcome::keys_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("focus"); // after each key, while the window is there
    QTest::addColumn<QString>("shown"); // the windows then, and the boxes shown
    const auto row = [](const char* keys, const char* focus, const char* shown) {
        QTest::newRow(keys) << QString(keys) << QString(focus) << QString(shown);
    };
    row("Tab Tab Tab", "Picture1 Command1 cmdOK", "frmTip");
    row("Shift+Tab Shift+Tab Shift+Tab", "Command1 Picture1 cmdOK", "frmTip");
    row("Return", "", "W"); // OK: the welcome window gives way to W
    row("Esc", "", "W");
    row("Tab Return", "Picture1", "W");
    row("Tab Space", "Picture1 Picture1", "frmTip");
    row("Tab Tab Return", "Picture1 Command1 Command1",
        "frmTip, Average Rainfall|System Information Is Unavailable At This Time");
    row("Tab Tab Esc", "Picture1 Command1", "W");
}

void TestWelcome::keys()
{
    QFETCH(QString, keys);
    QFETCH(QString, focus);
    QFETCH(QString, shown);
    Platform platform("Tip\r\n");
    const QPointer<frmTip> tip = platform.Open();
    QVERIFY(tip->testAttribute(Qt::WA_Moved)); // placed by the program
    QCOMPARE(tip->geometry().center(), tip->screen()->availableGeometry().center());
    QVERIFY(tip->font().italic()); // the window's own font, which no control uses
    QCOMPARE(tip->focusWidget()->objectName(), "cmdOK");

    QStringList focusSeen;
    for (const QString& key : keys.split(' ')) {
        const QKeyCombination combination = QKeySequence(key)[0];
        QTest::keyClick(tip->focusWidget(), combination.key(), combination.keyboardModifiers());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (!tip.isNull())
            focusSeen << tip->focusWidget()->objectName();
    }
    QCOMPARE(focusSeen.join(' '), focus);
    QStringList windows; // W shown without an owner and not modal
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && !window->parentWidget() && !window->isModal())
            windows << window->objectName();
    QCOMPARE((QStringList{windows.join(' ')} + platform.toolkit.boxes).join(", "), shown);
}

// The real event loop: OK leaves the program running with W alone; closing
// the welcome window any other way ends the program without W.
void TestWelcome::programEnds_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("open"); // a while after; the program ends once it is closed
    QTest::newRow("OK") << "OK"
                        << "W";
    QTest::newRow("close box") << "close box"
                               << "";
}

void TestWelcome::programEnds()
{
    QFETCH(QString, how);
    QFETCH(QString, open);
    Platform platform("Tip\r\n");
    const QPointer<frmTip> tip = platform.Open();
    QStringList seen;
    QObject timers; // none of them outlives this test
    QTimer::singleShot(0, &timers, [&] {
        if (how == "OK")
            tip->findChild<QPushButton*>("cmdOK")->click();
        else
            tip->windowHandle()->close(); // what the window manager's close box does
    });
    QTimer::singleShot(300, &timers, [&] {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->isVisible() && window->close())
                seen << window->objectName();
    });
    QTimer::singleShot(10000, &timers, [] { QApplication::exit(99); });
    QCOMPARE(QApplication::exec(), 0); // its last window closed, not the time limit
    QCOMPARE(seen.join(' '), open);
}

// The tip as a screen reader reads the panel named "Tip of the day"; how the
// ampersands underline and markup shows, the pictures show.
void TestWelcome::tipPanel_data()
{
    QTest::addColumn<QByteArray>("tipFile"); // null: none
    QTest::addColumn<QString>("shown");
    const auto row = [](const char* name, const QByteArray& tip, const QString& shown) {
        QTest::newRow(name) << tip << shown;
    };
    row("tip chosen at random", "First tip\r\nSecond tip\r\nThird tip\r\n", "Second tip");
    row("empty tip file", "", "");
    row("ampersands", "Save &Time, R&&D, a&&&b, end&\r\n", "Save Time, R&D, a&b, end");
    row("8-bit text in the system code page",
        QStringEncoder(QStringConverter::System).encode(QString::fromUtf8("Région\r\n")),
        QString::fromUtf8("Région"));
    row("no tip file", {},
        "That the TIPOFDAY.TXT file was not found? \n\nCreate a text file named TIPOFDAY.TXT "
        "using NotePad with 1 tip per line. Then place it in the same directory as the "
        "application. ");
    // One that cannot be read even by root: a link to /proc/self/mem or, on
    // Windows, a file the test holds open without sharing it.
#ifdef Q_OS_WIN
    row("unreadable tip file", "unreadable",
        "The tip file \"TIPOFDAY.TXT\" could not be read: permission denied.");
#else
    row("unreadable tip file", "unreadable",
        "The tip file \"TIPOFDAY.TXT\" could not be read: input/output error.");
#endif
    // Only what the panel could ever show is laid out.
    QByteArray lines;
    QStringList first65;
    for (int i = 1; i <= 200000; ++i) {
        lines += "Tip line " + QByteArray::number(i) + "\n";
        if (i <= 65)
            first65 << QString("Tip line %1").arg(i);
    }
    row("200,000 lines joined by line feeds: the first 65", lines, first65.join('\n'));
    row("one line of 2 MB: its first 4096 characters", QByteArray(2 << 20, 'x'),
        QString(4096, 'x'));
}

void TestWelcome::tipPanel()
{
    QFETCH(QByteArray, tipFile);
    QFETCH(QString, shown);
    const bool unreadable = tipFile == "unreadable";
    Platform platform(unreadable ? QByteArray() : tipFile);
    const QString file = platform.runtime.directory.filePath("TIPOFDAY.TXT");
#ifdef Q_OS_WIN
    const HANDLE held = unreadable ? CreateFileW(file.toStdWString().c_str(), GENERIC_WRITE, 0,
                                                 nullptr, CREATE_NEW, 0, nullptr)
                                   : nullptr;
    QVERIFY(held != INVALID_HANDLE_VALUE);
    const auto release = qScopeGuard([held] {
        if (held)
            CloseHandle(held);
    });
#else
    QVERIFY(!unreadable || QFile::link("/proc/self/mem", file));
#endif
    const QPointer<frmTip> tip = platform.Open();
    QCOMPARE(platform.runtime.calls.first(), "seed");
    const auto* panel = QAccessible::queryAccessibleInterface(tip->findChild<QWidget*>("Picture1"));
    QCOMPARE(panel->text(QAccessible::Name), "Tip of the day");
    QCOMPARE(panel->text(QAccessible::Description), shown);
}

// With a tip and with the text about the missing tip file, under a palette in
// which every system colour differs, and with a tip under a dark one.
void TestWelcome::pictures_data()
{
    QTest::addColumn<QPalette>("palette");
    QTest::addColumn<QByteArray>("tipFile");
    const QByteArray tip = "To draw Thiessen polygons, join neighbouring gauges by straight "
                           "lines, then draw the perpendicular bisector of each line; the "
                           "bisectors enclose one polygon around each gauge. R&&D, &Save, "
                           "<b>x</b>  y.\r\n";
    QTest::newRow("welcome-window") << pictures::Distinct() << tip;
    QTest::newRow("welcome-window-no-tip-file") << pictures::Distinct() << QByteArray();
    QTest::newRow("welcome-window-dark") << pictures::Dark() << tip;
}

void TestWelcome::pictures()
{
    QFETCH(QPalette, palette);
    QFETCH(QByteArray, tipFile);
    QApplication::setPalette(palette);
    Platform platform(tipFile);
    pictures::Compare(platform.Open(), QTest::currentDataTag());
}

QTEST_MAIN(TestWelcome)
#include "tst_welcome.moc"
