// The welcome window: the tip list on real files, the registry read and tool
// launch against fakes that record every call, and the window itself, whose
// look is compared with reference pictures.
#include "stats/runtime_error.h"
#include "tests/pictures.h"
#include "welcome/logic/sys_info.h"
#include "welcome/window/frmtip.h"

#include <QAccessible>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QWindow>

#include <cmath>
#include <cstring>
#include <map>
#include <optional>
#include <set>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

using namespace rainfall;
using Lines = QList<QByteArray>;

namespace {

// Real files, unless `files` lists the only ones that exist; a program
// directory and a random draw of the test's choosing.
class ChosenRunTime : public SystemRunTimeLibrary {
public:
    std::string programDirectory;
    float draw = 0;
    std::optional<std::set<std::string>> files;
    int existenceTests = 0;
    int seeds = 0;

    std::string ProgramDirectory() override { return programDirectory; }
    bool OrdinaryFileExists(const std::string& path) override
    {
        ++existenceTests;
        return files ? files->count(path) > 0 : SystemRunTimeLibrary::OrdinaryFileExists(path);
    }
    void SeedFromClock() override { ++seeds; }
    float NextRandom() override { return draw; }
};

// A registry of the test's making that records every call with its arguments.
// The handle of a key is 100 and up, by its place in `keys`.
class RecordingRegistry : public Registry {
public:
    // Key path -> value name -> value: its type code, then its data bytes.
    std::map<std::string, std::map<std::string, QByteArray>> keys;
    bool failEveryCall = false; // every call throws, as an unbindable function would
    QStringList calls;

    RegStatus RegOpenKeyExA(RegKey root, const char* key, std::uint32_t options,
                            std::uint32_t access, RegKey* handle) override
    {
        Record(QString("RegOpenKeyExA(%1, %2, %3, 0x%4)")
                   .arg(root == RootLocalMachine ? "HKLM" : "another root", key,
                        QString::number(options), QString::number(access, 16)));
        const auto found = keys.find(key);
        if (root != RootLocalMachine || found == keys.end())
            return ErrorFileNotFound;
        *handle = 100 + static_cast<RegKey>(std::distance(keys.begin(), found));
        return ErrorSuccess;
    }

    RegStatus RegQueryValueExA(RegKey handle, const char* name, std::uint32_t* reserved,
                               std::uint32_t* type, std::uint8_t* data,
                               std::uint32_t* size) override
    {
        Record(QString("RegQueryValueExA(%1, %2, %3, %4)")
                   .arg(QString::number(handle), name, reserved ? "reserved" : "null",
                        QString::number(*size)));
        if (handle < 100 || handle >= 100 + keys.size())
            return ErrorInvalidHandle;
        const auto& values = std::next(keys.begin(), long(handle - 100))->second;
        const auto found = values.find(name);
        if (found == values.end())
            return ErrorFileNotFound;
        const QByteArray bytes = found->second.mid(1);
        const bool fits = bytes.size() <= *size;
        if (fits)
            std::memcpy(data, bytes.data(), bytes.size());
        *type = std::uint8_t(found->second[0]);
        *size = std::uint32_t(bytes.size());
        return fits ? ErrorSuccess : ErrorMoreData;
    }

    RegStatus RegCloseKey(RegKey handle) override
    {
        Record(QString("RegCloseKey(%1)").arg(handle));
        return ErrorSuccess;
    }

private:
    void Record(const QString& call)
    {
        calls << call;
        if (failEveryCall)
            throw RuntimeError(RuntimeError::Kind::InvalidArgument, "advapi32 is missing");
    }
};

// Records what it is asked to start ("path, window style"); starts only the
// `programs` and fails on every other path, as a real launcher would.
class RecordingLauncher : public Launcher {
public:
    std::set<std::string> programs;
    QStringList starts;

    std::int64_t StartProgram(const std::string& path, int windowStyle) override
    {
        starts << QString("%1, %2").arg(QString::fromStdString(path)).arg(windowStyle);
        if (programs.count(path) == 0)
            throw RuntimeError(RuntimeError::Kind::FileError, "cannot start \"" + path + "\"");
        return 4242;
    }
};

const float LargestBelowOne = std::nextafter(1.0f, 0.0f);
// The system-information tool where the launcher finds it.
const QString Tool = "C:\\Program Files\\Microsoft Shared\\MSInfo\\msinfo32.exe";
const QString ToolInTools = "C:\\Tools\\MSINFO32.EXE";

// A registry value as the fake registry holds it.
QByteArray Value(std::uint32_t type, const QByteArray& data)
{
    return QByteArray(1, static_cast<char>(type)) + data;
}

QByteArray Sz(const QByteArray& text)
{
    return Value(RegSz, text + QByteArray(1, '\0'));
}

void Store(RecordingRegistry& registry, const char* key, const char* name, const QByteArray& value)
{
    if (!value.isNull()) // null: none
        registry.keys[key][name] = value;
}

class RecordingToolkit : public Toolkit {
public:
    QStringList boxes; // "prompt, style, title, over the parent"

    void MsgBox(QWidget* parent, const QString& prompt, int style, const QString& title) override
    {
        boxes << QString("%1, %2, \"%3\", over %4")
                     .arg(prompt, QString::number(style), title, parent->objectName());
    }
    void Beep() override {}
    void End() override {}
};

// The platform of one welcome window: a program directory of its own with the
// tip file given (null: none), an empty registry, and a launcher that starts
// nothing.
struct Platform {
    QTemporaryDir programDirectory;
    RecordingToolkit toolkit;
    ChosenRunTime runtime;
    RecordingRegistry registry;
    RecordingLauncher launcher;

    explicit Platform(const QByteArray& tipFile = {})
    {
        runtime.programDirectory = QFile::encodeName(programDirectory.path()).data();
        runtime.draw = 0.5;
        QFile file(programDirectory.filePath("TIPOFDAY.TXT"));
        if (!tipFile.isNull() && (!file.open(QIODevice::WriteOnly) || file.write(tipFile) < 0))
            qFatal("cannot write the tip file");
    }
    QPointer<frmTip> Open() { return new frmTip({toolkit, runtime, registry, launcher}); }
};

// Notes the windows on the screen when the main window is shown.
class ShowWatcher : public QObject {
public:
    QStringList onScreen;
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::Show && object->objectName() == "W")
            for (QWidget* window : QApplication::topLevelWidgets())
                if (window->isVisible())
                    onScreen << window->objectName();
        return false;
    }
};

// The text a label lays out, underlined characters in [ ].
QString LaidOutText(const QLabel* label)
{
    QTextDocument document;
    if (label->textFormat() == Qt::PlainText)
        document.setPlainText(label->text());
    else
        document.setHtml(label->text());
    QString seen;
    for (auto piece = document.begin().begin(); !piece.atEnd(); ++piece) {
        const QString text = piece.fragment().text().replace(QChar::LineSeparator, '\n');
        seen += piece.fragment().charFormat().fontUnderline() ? "[" + text + "]" : text;
    }
    return seen;
}

} // namespace

class TestWelcome : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void loadTips_data();
    void loadTips();
    void getKeyValue_data();
    void getKeyValue();
    void startSysInfo_data();
    void startSysInfo();
#ifdef Q_OS_UNIX
    void startSysInfoOnThisMachine_data();
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
    QApplication::setStyle("Fusion");
    QApplication::setPalette(pictures::Distinct());
}

void TestWelcome::cleanup()
{
    qDeleteAll(QApplication::topLevelWidgets());
    QApplication::setPalette(pictures::Distinct());
}

void TestWelcome::loadTips_data()
{
    // TIPOFDAY.TXT, and the same in a hidden folder, a hidden file and a link.
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("path"); // the path asked for, in the same directory
    QTest::addColumn<float>("r");
    QTest::addColumn<Lines>("lines");
    QTest::addColumn<int>("position"); // 0: not found, nothing read or shown
    const auto row = [](const char* name, const QByteArray& file, float r, const Lines& lines,
                        int position, const QString& path = "TIPOFDAY.TXT") -> QTestData& {
        return QTest::newRow(name) << file << path << r << lines << position;
    };

    const QByteArray three = "First tip\r\nSecond tip\r\nThird tip\r\n";
    const Lines threeLines{"First tip", "Second tip", "Third tip"};
    row("three lines, r = 0.5", three, 0.5, threeLines, 2);
    row("three lines, largest r below 1", three, LargestBelowOne, threeLines, 3);
    row("one line", "Only tip\r\n", LargestBelowOne, {"Only tip"}, 1);
    row("empty file", "", LargestBelowOne, {}, 1);
    row("all lines empty", "\r\n\r\n\r\n", 0.5, {"", "", ""}, 2);
    row("no final terminator", "First\r\nLast", LargestBelowOne, {"First", "Last"}, 2);
    row("line feeds alone end no line", "one\ntwo\n", 0, {"one\ntwo\n"}, 1);
    row("CR, CR LF and LF mixed", "a\r\n\rb\n\rc", 0, {"a", "", "b\n", "c"}, 1);
    row("spaces, 8-bit text and a zero byte kept", QByteArray("  R\xe9gion \0 x \r\n", 15), 0,
        {QByteArray("  R\xe9gion \0 x ", 13)}, 1);
    row("empty path", three, 0, {}, 0, "");
    row("missing", three, 0, {}, 0, "missing.txt");
    row("a directory", three, 0, {}, 0, "folder");
    row("a hidden file", three, 0, {}, 0, ".hidden.txt");
    row("a path ending in a separator", three, 0, {}, 0, ".folder/");
    row("in a hidden folder", three, 0, threeLines, 1, ".folder/TIPOFDAY.TXT");
    row("a link to a tip file", three, 0, threeLines, 1, "link.txt");
    // So many lines that the position is only right when computed in double
    // precision; the file is cut short once it is read, which must not touch
    // the tips.
    const int many = 1 << 19;
    row("half a million lines, largest r below 1", QByteArray("Tip\r\n").repeated(many) + "Last",
        LargestBelowOne, Lines(many, "Tip") << "Last", many + 1);
}

void TestWelcome::loadTips()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, path);
    QFETCH(float, r);
    QFETCH(Lines, lines);
    QFETCH(int, position);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("folder") && QDir(dir.path()).mkpath(".folder"));
    for (const char* name : {"TIPOFDAY.TXT", ".hidden.txt", ".folder/TIPOFDAY.TXT"}) {
        QFile tips(dir.filePath(name));
        QVERIFY(tips.open(QIODevice::WriteOnly) && tips.write(file) == file.size());
    }
#ifdef Q_OS_WIN
    // Hidden there by an attribute, not by the leading full stop. A symbolic
    // link needs a privilege, and Wine 8.0 makes none: a hard link.
    for (const char* name : {".hidden.txt", ".folder"})
        QVERIFY(
            SetFileAttributesW(dir.filePath(name).toStdWString().c_str(), FILE_ATTRIBUTE_HIDDEN));
    QVERIFY(CreateHardLinkW(dir.filePath("link.txt").toStdWString().c_str(),
                            dir.filePath("TIPOFDAY.TXT").toStdWString().c_str(), nullptr));
#else
    QVERIFY(QFile::link(dir.filePath("TIPOFDAY.TXT"), dir.filePath("link.txt")));
#endif
    ChosenRunTime runtime;
    runtime.draw = r;
    std::vector<std::string> shown;
    TipOfDay tips(runtime, [&](std::string_view text) { shown.emplace_back(text); });

    const std::string sFile = path.isEmpty() ? "" : QFile::encodeName(dir.filePath(path)).data();
    QCOMPARE(tips.LoadTips(sFile), position == 0 ? FlagFalse : FlagTrue);
    QVERIFY(QFile::resize(dir.filePath("TIPOFDAY.TXT"), 0));

    QCOMPARE(runtime.existenceTests, path.isEmpty() ? 0 : 1);
    Lines read;
    for (std::int32_t i = 1; i <= tips.TipLines().Count(); ++i)
        read << QByteArray::fromStdString(std::string(tips.TipLines().Item(i)));
    QCOMPARE(read, lines);
    QCOMPARE(tips.TipIndex(), position);
    // An empty file shows nothing: the label keeps what it shows.
    QCOMPARE(shown, lines.isEmpty() ? std::vector<std::string>{}
                                    : std::vector{lines[position - 1].toStdString()});
}

void TestWelcome::getKeyValue_data()
{
    QTest::addColumn<QByteArray>("value"); // null: the key does not exist
    QTest::addColumn<QString>("before");   // KeyVal when GetKeyValue is called
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("after");

    const QByteArray path = "C:\\Program Files\\Common Files\\MSInfo\\msinfo32.exe";
    QTest::newRow("REG_SZ with its terminating 0") << Sz(path) << "" << -1 << path;
    QTest::newRow("REG_SZ without a terminating 0") << Value(RegSz, path) << "" << -1 << path;
    QTest::newRow("REG_SZ ending in two zeros: one is cut")
        << Value(RegSz, QByteArray("ab\0\0", 4)) << "" << -1 << QByteArray("ab\0", 3);
    QTest::newRow("no data at all") << Value(RegSz, "") << "old" << -1 << QByteArray("");
    QTest::newRow("REG_DWORD, appended to KeyVal")
        << Value(RegDword, "\xff\x0a\x0b\x0c") << "x" << -1 << QByteArray("&hx0C0B0AFF");
    QTest::newRow("REG_EXPAND_SZ leaves KeyVal")
        << Value(RegExpandSz, "%ProgramFiles%\\msinfo32.exe") << "old" << -1 << QByteArray("old");
    QTest::newRow("exactly 1024 bytes")
        << Sz(QByteArray(1023, 'p')) << "" << -1 << QByteArray(1023, 'p');
    QTest::newRow("over 1024 bytes") << Sz(QByteArray(1024, 'p')) << "old" << 0 << QByteArray("");
    QTest::newRow("key missing: the open fails") << QByteArray() << "old" << 0 << QByteArray("");
}

void TestWelcome::getKeyValue()
{
    QFETCH(QByteArray, value);
    QFETCH(QString, before);
    QFETCH(int, result);
    QFETCH(QByteArray, after);
    RecordingRegistry registry;
    Store(registry, "SOFTWARE\\Test", "Value", value);

    std::string KeyVal = before.toStdString();
    QCOMPARE(GetKeyValue(registry, RootLocalMachine, "SOFTWARE\\Test", "Value", KeyVal), result);

    QCOMPARE(QByteArray::fromStdString(KeyVal), after);
    // Opened for reading only, queried with a 1024-byte buffer, closed once:
    // the handle 0 too when the open failed.
    QStringList calls{"RegOpenKeyExA(HKLM, SOFTWARE\\Test, 0, 0x20019)"};
    if (!value.isNull())
        calls << "RegQueryValueExA(100, Value, null, 1024)";
    calls << QString("RegCloseKey(%1)").arg(value.isNull() ? 0 : 100);
    QCOMPARE(registry.calls, calls);
}

void TestWelcome::startSysInfo_data()
{
    QTest::addColumn<QByteArray>("toolPath");      // lookup 1
    QTest::addColumn<QByteArray>("toolDirectory"); // lookup 2
    QTest::addColumn<bool>("registryFails");
    QTest::addColumn<QString>("started"); // the path the launch is asked for; null: none
    QTest::addColumn<int>("lookups");

    const QByteArray tools = Sz("C:\\Tools"), noTool = Sz("C:\\Empty"), none;
    QTest::newRow("lookup 1 wins, started as read")
        << Sz(Tool.toLocal8Bit()) << tools << false << Tool << 1;
    QTest::newRow("lookup 2, tool in the directory") << none << tools << false << ToolInTools << 2;
    QTest::newRow("lookup 2, tool not in the directory")
        << none << noTool << false << QString() << 2;
    QTest::newRow("both absent") << none << none << false << QString() << 2;
    QTest::newRow("empty path") << Sz("") << tools << false << "" << 1;
    QTest::newRow("REG_EXPAND_SZ leaves the path empty")
        << Value(RegExpandSz, "%ProgramFiles%\\msinfo32.exe") << none << false << "" << 1;
    QTest::newRow("the tool fails to start")
        << Sz("C:\\Gone\\msinfo32.exe") << none << false << "C:\\Gone\\msinfo32.exe" << 1;
    QTest::newRow("registry functions missing")
        << Sz(Tool.toLocal8Bit()) << none << true << QString() << 1;
}

void TestWelcome::startSysInfo()
{
    QFETCH(QByteArray, toolPath);
    QFETCH(QByteArray, toolDirectory);
    QFETCH(bool, registryFails);
    QFETCH(QString, started);
    QFETCH(int, lookups);
    RecordingRegistry registry;
    Store(registry, ToolPathKey, ToolPathValue, toolPath);
    Store(registry, ToolDirectoryKey, ToolDirectoryValue, toolDirectory);
    registry.failEveryCall = registryFails;
    ChosenRunTime runtime;
    runtime.files = {ToolInTools.toStdString()};
    RecordingLauncher launcher;
    launcher.programs = {Tool.toStdString(), ToolInTools.toStdString()};
    QStringList messages;

    StartSysInfo(registry, launcher, runtime,
                 [&](const std::string& prompt) { messages << QString::fromStdString(prompt); });

    QCOMPARE(launcher.starts, started.isNull() ? QStringList() : QStringList{started + ", 1"});
    const bool toolStarted = started == Tool || started == ToolInTools;
    QCOMPARE(messages.join(""),
             toolStarted ? "" : "System Information Is Unavailable At This Time");
    const QStringList opens = registry.calls.filter("RegOpenKeyExA");
    QCOMPARE(opens.size(), lookups);
    QVERIFY(opens[0].contains(ToolPathKey));
    QVERIFY(lookups == 1 || opens[1].contains(ToolDirectoryKey));
    QCOMPARE(registry.calls.filter("RegCloseKey").size(), lookups);
}

#ifdef Q_OS_UNIX
// Without a registry, the tool is the first system-information program on
// PATH, in the order of a list of them; only full PATH entries count.
void TestWelcome::startSysInfoOnThisMachine_data()
{
    // Programs are "directory/name", with a "!" in front when not executable
    // and a "/" behind for a directory; in PATH, %1 is their root directory.
    QTest::addColumn<QString>("programs");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("started"); // empty: none, the unavailable message
    const auto row = [](const char* name, const char* programs, const char* path,
                        const char* started) {
        QTest::newRow(name) << QString(programs) << QString(path) << QString(started);
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

void TestWelcome::startSysInfoOnThisMachine()
{
    QFETCH(QString, programs);
    QFETCH(QString, path);
    QFETCH(QString, started);
    QTemporaryDir root;
    const QDir dir(root.path());
    for (const QString& program : programs.split(' ')) {
        QFile file(dir.filePath(QString(program).remove('!')));
        QVERIFY(dir.mkpath(program.endsWith('/') ? file.fileName() : QFileInfo(file).path()));
        if (program.endsWith('/'))
            continue;
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\nprintf '%s' \"$0\" > \"${0%/*}/../started\"\n");
        if (!program.startsWith('!'))
            QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
    }
    // Relative entries then name real programs, which must still be passed over.
    const QString savedDirectory = QDir::currentPath();
    const QByteArray savedPath = qgetenv("PATH");
    QVERIFY(QDir::setCurrent(root.path()));
    qputenv("PATH", QFile::encodeName(path.arg(root.path())));
    QStringList messages;
    StartSysInfo(DefaultRegistry(), DefaultLauncher(), DefaultRunTimeLibrary(),
                 [&](const std::string& prompt) { messages << QString::fromStdString(prompt); });
    qputenv("PATH", savedPath);
    QVERIFY(QDir::setCurrent(savedDirectory));

    const auto startedAs = [&dir] {
        QFile marker(dir.filePath("started"));
        return marker.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(marker.readAll()) : "";
    };
    QTRY_COMPARE_WITH_TIMEOUT(startedAs(), started.isEmpty() ? "" : dir.filePath(started), 10000);
    QCOMPARE(messages.join(""), started.isEmpty() ? SysInfoUnavailableText : "");
}
#endif

// Keys pressed in turn from start-up, where the window asks to be centred on
// its screen, with the focus on OK.
void TestWelcome::keys_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("focus");   // after each key, while the window is there
    QTest::addColumn<QString>("pressed"); // "OK", "System Info" or nothing

    const auto row = [](const char* name, const char* keys, const char* focus,
                        const char* pressed) {
        QTest::newRow(name) << QString(keys) << QString(focus) << QString(pressed);
    };
    row("Tab cycle", "Tab Tab Tab", "Picture1 Command1 cmdOK", "");
    row("Shift+Tab cycle", "Shift+Tab Shift+Tab Shift+Tab", "Command1 Picture1 cmdOK", "");
    row("Enter", "Return", "", "OK");
    row("Escape", "Esc", "", "OK");
    row("Enter on the tip panel", "Tab Return", "Picture1", "OK");
    row("Space on the tip panel", "Tab Space", "Picture1 Picture1", "");
    row("Enter on System Info", "Tab Tab Return", "Picture1 Command1 Command1", "System Info");
    row("Escape on System Info", "Tab Tab Esc", "Picture1 Command1", "OK");
}

void TestWelcome::keys()
{
    QFETCH(QString, keys);
    QFETCH(QString, focus);
    QFETCH(QString, pressed);
    Platform platform;
    const QPointer<frmTip> tip = platform.Open();
    tip->show();
    QApplication::setActiveWindow(tip);
    QVERIFY(QTest::qWaitForWindowActive(tip));
    QCOMPARE(QApplication::focusWidget()->objectName(), "cmdOK");
    QVERIFY(tip->testAttribute(Qt::WA_Moved)); // placed by the program
    QVERIFY((tip->geometry().center() - tip->screen()->availableGeometry().center())
                .manhattanLength() <= 1);

    ShowWatcher watcher;
    qApp->installEventFilter(&watcher);
    QStringList focusSeen;
    for (const QString& key : keys.split(' ')) {
        const QKeyCombination combination = QKeySequence(key)[0];
        QTest::keyClick(QApplication::focusWidget(), combination.key(),
                        combination.keyboardModifiers());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (!tip.isNull())
            focusSeen << QApplication::focusWidget()->objectName();
    }

    QCOMPARE(focusSeen.join(' '), focus);
    // OK: the welcome window is unloaded, and only then the main window shown.
    QCOMPARE(tip.isNull(), pressed == "OK");
    QVERIFY(tip.isNull() || tip->isVisible());
    QCOMPARE(watcher.onScreen.join(' '), pressed == "OK" ? "W" : "");
    // System Info: an untitled box over the welcome window says the tool, which
    // the empty registry does not know, is unavailable.
    QCOMPARE(platform.toolkit.boxes.join(""),
             pressed == "System Info"
                 ? "System Information Is Unavailable At This Time, 0, \"\", over frmTip"
                 : "");
}

// The real event loop: OK leaves the program running with the main window
// alone, shown without an owner and not modal; closing the welcome window any
// other way ends the program without one.
void TestWelcome::programEnds_data()
{
    QTest::addColumn<bool>("pressOk");
    QTest::newRow("OK, then the main window closed") << true;
    QTest::newRow("close box of the welcome window") << false;
}

void TestWelcome::programEnds()
{
    QFETCH(bool, pressOk);
    Platform platform;
    const QPointer<frmTip> tip = platform.Open();
    tip->show();
    QObject timers;   // none of them outlives this test
    QStringList open; // the windows open a while after the click
    QTimer::singleShot(0, &timers, [&] {
        if (pressOk)
            tip->findChild<QPushButton*>("cmdOK")->click();
        else
            tip->windowHandle()->close(); // what the window manager's close box does
    });
    QTimer::singleShot(300, &timers, [&] {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->isVisible()) {
                open << window->objectName() + (window->parentWidget() ? " owned" : "") +
                            (window->isModal() ? " modal" : "");
                window->windowHandle()->close();
            }
    });
    QTimer::singleShot(10000, &timers, [] { QApplication::exit(99); });

    QCOMPARE(QApplication::exec(), 0); // its last window closed, not the time limit
    QVERIFY(tip.isNull());
    QCOMPARE(open, pressOk ? QStringList{"W"} : QStringList());
}

// The tip panel as it is laid out and as a screen reader reads it: named
// "Tip of the day", described by the tip it holds.
void TestWelcome::tipPanel_data()
{
    // Null: no tip file; "unreadable": one that cannot be read even by root,
    // a link to /proc/self/mem or, on Windows, a file the test holds open
    // without sharing it.
    QTest::addColumn<QByteArray>("tipFile");
    QTest::addColumn<QString>("shown"); // underlined characters in [ ]
    const auto row = [](const char* name, const QByteArray& tip, const QString& shown) {
        QTest::newRow(name) << tip << shown;
    };
    row("tip chosen at random", "First tip\r\nSecond tip\r\nThird tip\r\n", "Second tip");
    row("empty tip file", "", "");
    row("one ampersand underlines the next character", "Save &Time\r\n", "Save [T]ime");
    row("two ampersands show one", "R&&D\r\n", "R&D");
    row("three ampersands", "a&&&b\r\n", "a&[b]");
    row("ampersand at the end", "end&\r\n", "end");
    row("markup shown as text, spaces kept", "<i>x</i>  &amp;\r\n", "<i>x</i>  [a]mp;");
    row("8-bit text in the system code page",
        QStringEncoder(QStringConverter::System).encode(QString::fromUtf8("Région\r\n")),
        QString::fromUtf8("Région"));
    row("no tip file", QByteArray(),
        "That the TIPOFDAY.TXT file was not found? \n\nCreate a text file named TIPOFDAY.TXT "
        "using NotePad with 1 tip per line. Then place it in the same directory as the "
        "application. ");
#ifdef Q_OS_WIN
    row("unreadable tip file", "unreadable",
        "The tip file \"TIPOFDAY.TXT\" could not be read: permission denied.");
#else
    row("unreadable tip file", "unreadable",
        "The tip file \"TIPOFDAY.TXT\" could not be read: input/output error.");
#endif
    // Only what the panel could ever show is laid out.
    QByteArray lines;
    QString first65;
    for (int i = 1; i <= 200000; ++i) {
        lines += "Tip line " + QByteArray::number(i) + "\n";
        if (i <= 65)
            first65 += QString("Tip line %1").arg(i) + (i < 65 ? "\n" : "");
    }
    row("200,000 lines joined by line feeds: the first 65", lines, first65);
    row("one line of 2 MB: its first 4096 characters", QByteArray(2 << 20, 'x'),
        QString(4096, 'x'));
}

void TestWelcome::tipPanel()
{
    QFETCH(QByteArray, tipFile);
    QFETCH(QString, shown);
    const bool unreadable = tipFile == "unreadable";
    Platform platform(unreadable ? QByteArray() : tipFile);
    const QString file = platform.programDirectory.filePath("TIPOFDAY.TXT");
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

    QCOMPARE(platform.runtime.seeds, 1);
    QCOMPARE(LaidOutText(tip->findChild<QLabel*>("lblTipText")), shown);
    const auto* panel = QAccessible::queryAccessibleInterface(tip->findChild<QWidget*>("Picture1"));
    QCOMPARE(panel->text(QAccessible::Name), "Tip of the day");
    QCOMPARE(panel->text(QAccessible::Description), QString(shown).remove('[').remove(']'));
}

// The window with a tip and with the text about the missing tip file, under a
// palette in which every system colour differs and under a dark one.
void TestWelcome::pictures_data()
{
    QTest::addColumn<QPalette>("palette");
    QTest::addColumn<QByteArray>("tipFile");

    const QByteArray tip = "To draw Thiessen polygons, join neighbouring gauges by straight "
                           "lines, then draw the perpendicular bisector of each line; the "
                           "bisectors enclose one polygon around each gauge. R&&D, &Save.\r\n";
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
    const QPointer<frmTip> tip = platform.Open();
    tip->show();
    QApplication::setActiveWindow(tip);
    QVERIFY(QTest::qWaitForWindowActive(tip));
    pictures::Compare(tip, QTest::currentDataTag());
}

QTEST_MAIN(TestWelcome)
#include "tst_welcome.moc"
