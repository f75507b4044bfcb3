// The registry where there is none: the system-information tool's path is
// answered from the programs on PATH, every other key is missing.
#include "registry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <array>

using namespace rainfall;

namespace {

const char* const ToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";

// Restores PATH when a test is done with it.
class PathGuard {
public:
    PathGuard() : saved_(qgetenv("PATH")) {}
    ~PathGuard() { qputenv("PATH", saved_); }

private:
    QByteArray saved_;
};

void AddProgram(const QString& path, bool executable = true)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nexit 0\n");
    file.close();
    if (executable)
        QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
}

struct Answer {
    RegStatus status;
    QString value;
};

// Opens the tool's key and reads its PATH value the way the program does.
Answer ReadToolPath(Registry& registry, const char* key = ToolKey, const char* value = "PATH")
{
    RegKey handle = 0;
    RegStatus status = registry.RegOpenKeyExA(RootLocalMachine, key, 0, KeyRead, &handle);
    if (status != ErrorSuccess)
        return {status, {}};
    std::array<std::uint8_t, 1024> buffer{};
    std::uint32_t size = buffer.size();
    std::uint32_t type = 0;
    status = registry.RegQueryValueExA(handle, value, nullptr, &type, buffer.data(), &size);
    registry.RegCloseKey(handle);
    if (status != ErrorSuccess)
        return {status, {}};
    if (type != RegSz || size == 0 || buffer[size - 1] != 0)
        return {-1, "not a REG_SZ with its terminating 0"};
    return {status, QString::fromLocal8Bit(reinterpret_cast<const char*>(buffer.data()), size - 1)};
}

} // namespace

class TestPathRegistry : public QObject {
    Q_OBJECT

private slots:
    void toolPathFromPath_data();
    void toolPathFromPath();
    void otherKeysAndValuesAreMissing_data();
    void otherKeysAndValuesAreMissing();
};

void TestPathRegistry::toolPathFromPath_data()
{
    // Each program is "directory/name", with a "-" in front when it is not
    // executable; PATH lists the directories in the given order.
    QTest::addColumn<QStringList>("programs");
    QTest::addColumn<QStringList>("pathDirectories");
    QTest::addColumn<QString>("found");

    QTest::newRow("hardinfo") << QStringList{"bin/hardinfo"} << QStringList{"bin"}
                              << "bin/hardinfo";
    QTest::newRow("none installed") << QStringList{"bin/other"} << QStringList{"bin"} << "";
    QTest::newRow("last of the list") << QStringList{"bin/gnome-system-monitor"}
                                      << QStringList{"bin"} << "bin/gnome-system-monitor";
    QTest::newRow("the list's order wins over PATH's")
        << QStringList{"first/kinfocenter", "second/hardinfo"} << QStringList{"first", "second"}
        << "second/hardinfo";
    QTest::newRow("first PATH directory for one program")
        << QStringList{"first/cpu-x", "second/cpu-x"} << QStringList{"first", "second"}
        << "first/cpu-x";
    QTest::newRow("not executable")
        << QStringList{"-bin/hardinfo", "bin/lshw-gtk"} << QStringList{"bin"} << "bin/lshw-gtk";
    QTest::newRow("a directory of that name")
        << QStringList{"bin/hardinfo/"} << QStringList{"bin"} << "";
    QTest::newRow("empty and relative PATH entries")
        << QStringList{"bin/hardinfo"} << QStringList{"", "relative", "bin"} << "bin/hardinfo";
}

void TestPathRegistry::toolPathFromPath()
{
    QFETCH(QStringList, programs);
    QFETCH(QStringList, pathDirectories);
    QFETCH(QString, found);

    QTemporaryDir root;
    const QDir dir(root.path());
    for (QString program : programs) {
        const bool executable = !program.startsWith('-');
        if (!executable)
            program.remove(0, 1);
        QVERIFY(dir.mkpath(QFileInfo(dir.filePath(program)).path()));
        if (program.endsWith('/'))
            QVERIFY(dir.mkpath(program));
        else
            AddProgram(dir.filePath(program), executable);
    }
    QStringList path;
    for (const QString& directory : pathDirectories)
        path << (directory.isEmpty() || directory == "relative" ? directory
                                                                : dir.filePath(directory));
    const PathGuard guard;
    qputenv("PATH", QFile::encodeName(path.join(':')));

    const Answer answer = ReadToolPath(SystemRegistry());
    if (found.isEmpty()) {
        QCOMPARE(answer.status, ErrorFileNotFound);
    } else {
        QCOMPARE(answer.status, ErrorSuccess);
        QCOMPARE(answer.value, dir.filePath(found));
    }
}

void TestPathRegistry::otherKeysAndValuesAreMissing_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<RegStatus>("status");

    QTest::newRow("key in other case") << "software\\microsoft\\shared tools\\msinfo"
                                       << "path" << ErrorSuccess;
    QTest::newRow("tool directory key") << "SOFTWARE\\Microsoft\\Shared Tools Location"
                                        << "MSINFO" << ErrorFileNotFound;
    QTest::newRow("parent key") << "SOFTWARE\\Microsoft\\Shared Tools"
                                << "PATH" << ErrorFileNotFound;
    QTest::newRow("other value") << ToolKey << "MSINFO" << ErrorFileNotFound;
}

void TestPathRegistry::otherKeysAndValuesAreMissing()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(RegStatus, status);

    QTemporaryDir root;
    AddProgram(QDir(root.path()).filePath("hardinfo"));
    const PathGuard guard;
    qputenv("PATH", QFile::encodeName(root.path()));

    const Answer answer =
        ReadToolPath(SystemRegistry(), key.toLatin1().constData(), value.toLatin1().constData());
    QCOMPARE(answer.status, status);
}

QTEST_GUILESS_MAIN(TestPathRegistry)
#include "tst_path_registry.moc"
