// Reading a registry value as text, and locating and starting the
// system-information tool, against a registry and launcher that record calls.
#include "flag.h"
#include "sys_info.h"
#include "welcome_fakes.h"

#include <QTest>

using namespace rainfall;

namespace {

const std::string Unavailable = "System Information Is Unavailable At This Time";

// No value at all, for a lookup that is absent.
const QByteArray Absent = QByteArray();

// A value as the test writes it: its type code, then its data bytes.
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
    if (value.isNull())
        return;
    registry.keys[key][name] = {static_cast<std::uint8_t>(value[0]), value.mid(1).toStdString()};
}

// An existence test over a list of files the test names.
class ListedFiles : public ChosenRunTime {
public:
    std::set<std::string> files;
    bool OrdinaryFileExists(const std::string& path) override
    {
        ++existenceTests;
        return files.count(path) > 0;
    }
};

} // namespace

class TestSysInfo : public QObject {
    Q_OBJECT

private slots:
    void getKeyValue_data();
    void getKeyValue();
    void getKeyValueClosesTheKeyWhenAnErrorLeavesIt();
    void startSysInfo_data();
    void startSysInfo();
};

void TestSysInfo::getKeyValue_data()
{
    QTest::addColumn<QByteArray>("value"); // Absent: the key does not exist
    QTest::addColumn<QString>("before");   // KeyVal when GetKeyValue is called
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("after");

    const QByteArray path = "C:\\Program Files\\Common Files\\MSInfo\\msinfo32.exe";
    QTest::newRow("REG_SZ with its terminating 0") << Sz(path) << "" << -1 << path;
    QTest::newRow("REG_SZ without a terminating 0") << Value(RegSz, path) << "" << -1 << path;
    QTest::newRow("REG_SZ ending in two zeros cuts one")
        << Value(RegSz, QByteArray("ab\0\0", 4)) << "" << -1 << QByteArray("ab\0", 3);
    QTest::newRow("REG_SZ that is only its 0") << Sz("") << "old" << -1 << QByteArray("");
    QTest::newRow("no data at all") << Value(RegSz, "") << "old" << -1 << QByteArray("");
    QTest::newRow("REG_DWORD") << Value(RegDword, "\x78\x56\x34\x12") << "" << -1
                               << QByteArray("&h12345678");
    QTest::newRow("REG_DWORD with a most significant 0")
        << Value(RegDword, QByteArray("\x01\x02\x03\0", 4)) << "" << -1 << QByteArray("&h030201");
    QTest::newRow("REG_DWORD appends to KeyVal")
        << Value(RegDword, "\xff\x0a\x0b\x0c") << "x" << -1 << QByteArray("&hx0C0B0AFF");
    QTest::newRow("REG_EXPAND_SZ leaves KeyVal")
        << Value(RegExpandSz, QByteArray("%ProgramFiles%\\msinfo32.exe\0", 28)) << "old" << -1
        << QByteArray("old");
    QTest::newRow("exactly 1024 bytes")
        << Sz(QByteArray(1023, 'p')) << "" << -1 << QByteArray(1023, 'p');
    QTest::newRow("over 1024 bytes") << Sz(QByteArray(1024, 'p')) << "old" << 0 << QByteArray("");
    QTest::newRow("value missing") << QByteArray("") << "old" << 0 << QByteArray("");
    QTest::newRow("key missing") << Absent << "old" << 0 << QByteArray("");
}

void TestSysInfo::getKeyValue()
{
    QFETCH(QByteArray, value);
    QFETCH(QString, before);
    QFETCH(int, result);
    QFETCH(QByteArray, after);
    const std::string key = "SOFTWARE\\Test";
    RecordingRegistry registry;
    if (!value.isNull())
        registry.keys[key]; // the key exists
    if (!value.isEmpty())
        Store(registry, key.c_str(), "Value", value);

    std::string KeyVal = before.toStdString();
    const std::int16_t found = GetKeyValue(registry, RootLocalMachine, key, "Value", KeyVal);

    QCOMPARE(found, result);
    QCOMPARE(QByteArray::fromStdString(KeyVal), after);
    // Opened once, for reading only, below the root asked for.
    QCOMPARE(registry.opens.size(), std::size_t{1});
    QCOMPARE(registry.opens[0].root, RootLocalMachine);
    QCOMPARE(registry.opens[0].key, key);
    QCOMPARE(registry.opens[0].options, 0u);
    QCOMPARE(registry.opens[0].access, KeyRead);
    // Queried with a 1024-byte buffer, unless the key did not open.
    const RegKey handle = value.isNull() ? 0 : registry.HandleOf(key);
    QCOMPARE(registry.queries.size(), std::size_t{value.isNull() ? 0u : 1u});
    if (!value.isNull()) {
        QCOMPARE(registry.queries[0].key, handle);
        QCOMPARE(registry.queries[0].value, "Value");
        QVERIFY(registry.queries[0].reservedIsNull);
        QCOMPARE(registry.queries[0].bufferSize, 1024u);
    }
    // Closed exactly once, the unopened handle 0 too.
    QCOMPARE(registry.closes, std::vector<RegKey>{handle});
}

void TestSysInfo::getKeyValueClosesTheKeyWhenAnErrorLeavesIt()
{
    RecordingRegistry registry;
    registry.failEveryCall = true;
    std::string KeyVal;
    QVERIFY_THROWS_EXCEPTION(
        RuntimeError, GetKeyValue(registry, RootLocalMachine, "SOFTWARE\\Test", "Value", KeyVal));
    QCOMPARE(registry.closes, std::vector<RegKey>{0});
}

void TestSysInfo::startSysInfo_data()
{
    QTest::addColumn<QByteArray>("toolPath");      // lookup 1
    QTest::addColumn<QByteArray>("toolDirectory"); // lookup 2
    QTest::addColumn<QStringList>("files");        // the files that exist
    QTest::addColumn<bool>("registryFails");
    QTest::addColumn<QString>("started"); // the path the launch is asked for, if any
    QTest::addColumn<bool>("startSucceeds");
    QTest::addColumn<int>("lookups");

    const QByteArray tool =
        "C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe";
    const QString inDirectory = "C:\\Tools\\MSINFO32.EXE";
    QTest::newRow("tool path recorded") << Sz(tool) << Sz("C:\\Tools") << QStringList{inDirectory}
                                        << false << QString(tool) << true << 1;
    QTest::newRow("tool path without terminating 0")
        << Value(RegSz, tool) << Absent << QStringList{} << false << QString(tool) << true << 1;
    QTest::newRow("only the directory, tool in it")
        << Absent << Sz("C:\\Tools") << QStringList{inDirectory} << false << inDirectory << true
        << 2;
    QTest::newRow("only the directory, tool not in it")
        << Absent << Sz("C:\\Tools") << QStringList{"C:\\Tools\\other.exe"} << false << QString()
        << false << 2;
    QTest::newRow("neither recorded")
        << Absent << Absent << QStringList{} << false << QString() << false << 2;
    QTest::newRow("empty tool path")
        << Sz("") << Sz("C:\\Tools") << QStringList{inDirectory} << false << "" << false << 1;
    QTest::newRow("REG_EXPAND_SZ tool path")
        << Value(RegExpandSz, "%ProgramFiles%\\msinfo32.exe") << Absent << QStringList{} << false
        << "" << false << 1;
    QTest::newRow("REG_DWORD tool path") << Value(RegDword, "\x01\x02\x03\x04") << Absent
                                         << QStringList{} << false << "&h04030201" << false << 1;
    QTest::newRow("tool path over 1024 bytes")
        << Sz(QByteArray(1100, 'p')) << Sz("C:\\Tools") << QStringList{inDirectory} << false
        << inDirectory << true << 2;
    QTest::newRow("recorded tool cannot start")
        << Sz("C:\\Gone\\msinfo32.exe") << Absent << QStringList{} << false
        << "C:\\Gone\\msinfo32.exe" << false << 1;
    QTest::newRow("registry functions missing")
        << Sz(tool) << Absent << QStringList{} << true << QString() << false << 1;
}

void TestSysInfo::startSysInfo()
{
    QFETCH(QByteArray, toolPath);
    QFETCH(QByteArray, toolDirectory);
    QFETCH(QStringList, files);
    QFETCH(bool, registryFails);
    QFETCH(QString, started);
    QFETCH(bool, startSucceeds);
    QFETCH(int, lookups);

    RecordingRegistry registry;
    Store(registry, ToolPathKey, "PATH", toolPath);
    Store(registry, ToolDirectoryKey, "MSINFO", toolDirectory);
    registry.failEveryCall = registryFails;
    ListedFiles runtime;
    for (const QString& file : files)
        runtime.files.insert(file.toStdString());
    RecordingLauncher launcher;
    if (startSucceeds)
        launcher.programs.insert(started.toStdString());
    std::vector<std::pair<std::string, int>> messages;

    StartSysInfo(registry, launcher, runtime, [&](const std::string& prompt, int style) {
        messages.emplace_back(prompt, style);
    });

    if (started.isNull()) {
        QVERIFY(launcher.starts.empty());
    } else {
        QCOMPARE(launcher.starts.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(launcher.starts[0].path), started);
        QCOMPARE(launcher.starts[0].windowStyle, NormalFocus);
    }
    if (startSucceeds)
        QVERIFY(messages.empty());
    else
        QCOMPARE(messages, (std::vector<std::pair<std::string, int>>{{Unavailable, 0}}));
    QCOMPARE(static_cast<int>(registry.opens.size()), lookups);
    QCOMPARE(registry.opens[0].key, std::string(ToolPathKey));
    if (lookups == 2)
        QCOMPARE(registry.opens[1].key, std::string(ToolDirectoryKey));
    QCOMPARE(registry.closes.size(), registry.opens.size());
}

QTEST_GUILESS_MAIN(TestSysInfo)
#include "tst_sys_info.moc"
