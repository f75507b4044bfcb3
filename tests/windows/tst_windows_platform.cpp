// The program's Windows side against a real Windows (or Wine): the registry
// through advapi32, the existence test on real files, the start of a real
// program by a path with a space, and the program's own directory. What the
// program makes of the registry's values is tested on Linux, with a registry
// of the tests' own.
#include "tests/windows/check.h"

#include "platform/system/launcher.h"
#include "platform/system/runtime_library.h"
#include "welcome/logic/sys_info.h"

#include <windows.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

using namespace rainfall;

namespace {

void SetValue(const char* key, const char* name, const std::string& data)
{
    CHECK(RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, name, REG_SZ, data.data(), DWORD(data.size())) ==
          ERROR_SUCCESS);
}

// A new, empty directory of its own, with a space in its name.
std::string NewDirectory()
{
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    for (unsigned attempt = GetTickCount();; ++attempt) {
        std::string directory = base;
        directory += "rainfall test " + std::to_string(attempt);
        if (CreateDirectoryA(directory.c_str(), nullptr))
            return directory;
    }
}

// Whether the probe was started as exactly `path`, once and once only: it
// writes the path it runs as to the marker file.
bool ProbeRanAs(const std::string& marker, const std::string& path)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (GetFileAttributesA(marker.c_str()) == INVALID_FILE_ATTRIBUTES &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::ostringstream runs;
    runs << std::ifstream(marker).rdbuf();
    DeleteFileA(marker.c_str());
    return lstrcmpiA(runs.str().c_str(), (path + "\n").c_str()) == 0;
}

// Only a file that is neither hidden nor a system file counts.
void ExistenceTestOnRealFiles()
{
    const std::string root = NewDirectory();
    for (const auto& [name, attributes] : {std::pair{"\\ordinary", FILE_ATTRIBUTE_NORMAL},
                                           {"\\hidden", FILE_ATTRIBUTE_HIDDEN},
                                           {"\\system", FILE_ATTRIBUTE_SYSTEM}}) {
        std::ofstream(root + name) << "tip\r\n";
        CHECK(SetFileAttributesA((root + name).c_str(), attributes));
    }
    RunTimeLibrary& runtime = DefaultRunTimeLibrary();
    CHECK(runtime.OrdinaryFileExists(root + "\\ordinary"));
    for (const char* name : {"\\hidden", "\\system", "", "\\missing"})
        CHECK(!runtime.OrdinaryFileExists(root + name));
    CHECK(!runtime.OrdinaryFileExists(""));
}

// The tool is found through the registry and started as exactly the file
// named, though a program "...\rainfall.exe" stands where a split at the
// space would lead. Without the registry's values, and where the file named
// cannot start, the tool is unavailable.
void StartSysInfoThroughTheRegistry()
{
    const std::string root = NewDirectory(), marker = root + "\\runs.txt";
    const std::string probe = DefaultRunTimeLibrary().ProgramDirectory() + "\\probe.exe";
    const std::string tool = root + ToolFileInDirectory;
    CopyFileA(probe.c_str(), tool.c_str(), FALSE);
    CopyFileA(probe.c_str(), (root.substr(0, root.find("rainfall test")) + "rainfall.exe").c_str(),
              FALSE);
    SetEnvironmentVariableA("RAINFALL_PROBE_MARKER", marker.c_str());
    std::string messages;
    const auto start = [&] {
        StartSysInfo(DefaultRegistry(), DefaultLauncher(), DefaultRunTimeLibrary(),
                     [&](const std::string& prompt) { messages += prompt + "|"; });
    };
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, ToolPathKey);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, ToolDirectoryKey);
    start();
    CHECK(messages == std::string(SysInfoUnavailableText) + "|");
    SetValue(ToolDirectoryKey, ToolDirectoryValue, root + '\0');
    start();
    CHECK(ProbeRanAs(marker, tool));
    SetValue(ToolPathKey, ToolPathValue, root + "\\no such tool.exe" + '\0');
    start();
    CHECK(messages == std::string(SysInfoUnavailableText) + "|" + SysInfoUnavailableText + "|");
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, ToolPathKey);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, ToolDirectoryKey);
}

void ProgramDirectoryIsTheExecutables()
{
    char self[MAX_PATH];
    const std::string path(self, GetModuleFileNameA(nullptr, self, MAX_PATH));
    CHECK(lstrcmpiA(DefaultRunTimeLibrary().ProgramDirectory().c_str(),
                    path.substr(0, path.rfind('\\')).c_str()) == 0);
}

} // namespace

int main()
{
    ExistenceTestOnRealFiles();
    StartSysInfoThroughTheRegistry();
    ProgramDirectoryIsTheExecutables();
    return check::Summary();
}
