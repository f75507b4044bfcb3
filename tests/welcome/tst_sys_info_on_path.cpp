// System Info on a machine without a registry: the tool is found on PATH and
// really started, even from a folder whose name has a space.
#include "launcher.h"
#include "registry.h"
#include "runtime_library.h"
#include "sys_info.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace rainfall;

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestSysInfoOnPath : public QObject {
    Q_OBJECT

private slots:
    void startsTheToolFoundOnPath();
    void unavailableWithoutATool();

private:
    QByteArray savedPath_ = qgetenv("PATH");

private slots:
    void cleanup() { qputenv("PATH", savedPath_); }
};

void TestSysInfoOnPath::startsTheToolFoundOnPath()
{
    QTemporaryDir root;
    const QDir dir(root.path());
    QVERIFY(dir.mkpath("system tools"));
    const QString marker = dir.filePath("hardinfo ran");
    QFile tool(dir.filePath("system tools/hardinfo"));
    QVERIFY(tool.open(QIODevice::WriteOnly));
    tool.write("#!/bin/sh\nprintf '%s' \"$0\" > '" + QFile::encodeName(marker) + "'\n");
    tool.close();
    QVERIFY(tool.setPermissions(tool.permissions() | QFileDevice::ExeOwner));
    qputenv("PATH", QFile::encodeName(dir.filePath("system tools")) + ":/usr/bin:/bin");
    std::vector<std::string> messages;

    StartSysInfo(SystemRegistry(), SystemLauncher(), DefaultRunTimeLibrary(),
                 [&](const std::string& prompt, int) { messages.push_back(prompt); });

    QVERIFY(messages.empty());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(ReadAll(marker), QFile::encodeName(tool.fileName()), 5000);
}

void TestSysInfoOnPath::unavailableWithoutATool()
{
    QTemporaryDir empty;
    qputenv("PATH", QFile::encodeName(empty.path()));
    std::vector<std::pair<std::string, int>> messages;

    StartSysInfo(
        SystemRegistry(), SystemLauncher(), DefaultRunTimeLibrary(),
        [&](const std::string& prompt, int style) { messages.emplace_back(prompt, style); });

    QCOMPARE(messages, (std::vector<std::pair<std::string, int>>{
                           {"System Information Is Unavailable At This Time", 0}}));
}

QTEST_GUILESS_MAIN(TestSysInfoOnPath)
#include "tst_sys_info_on_path.moc"
