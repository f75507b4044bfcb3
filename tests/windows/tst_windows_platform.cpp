// The program's Windows side against a real Windows (or Wine): the registry
// through advapi32, the existence test on real files, the start of a real
// program by a path with a space, and the program's own directory. Started
// with RAINFALL_PROBE_MARKER set, the program is the started program: it
// appends the path it runs as to that file, so the test sees which one ran.
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

void SetValue(const char* key, const char* name, DWORD type, const std::string& data)
{
    CHECK(RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, name, type, data.data(), DWORD(data.size())) ==
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

// The paths the started programs ran as, one a line, once they have written.
std::string Runs(const std::string& marker)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (GetFileAttributesA(marker.c_str()) == INVALID_FILE_ATTRIBUTES &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::ostringstream runs;
    runs << std::ifstream(marker).rdbuf();
    DeleteFileA(marker.c_str());
    return runs.str();
}

void GetKeyValueReadsTheRegistry()
{
    const char* key = "SOFTWARE\\AverageRainfallTest";
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, key);
    SetValue(key, "Text", REG_SZ, std::string("C:\\Tools\\tool.exe", 18));
    SetValue(key, "Number", REG_DWORD, "\x78\x56\x34\x12");
    SetValue(key, "Long", REG_SZ, std::string(1100, 'x'));
    for (const auto& [name, text] : {std::pair{"Text", "C:\\Tools\\tool.exe"},
                                     {"Number", "&h12345678"},
                                     {"Long", ""},
                                     {"Missing", ""}}) {
        std::string read = *text ? "" : "old"; // a failure leaves nothing behind
        CHECK(GetKeyValue(DefaultRegistry(), RootLocalMachine, key, name, read) ==
              (*text ? -1 : 0));
        CHECK(read == text);
    }
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, key);
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

// The tool is started as exactly the file named, though a program
// "...\rainfall.exe" stands where a split at the space would lead; the
// registry decides which file that is, and without it the tool is
// unavailable.
void StartSysInfoFollowsTheRegistry()
{
    const std::string root = NewDirectory(), marker = root + "\\runs.txt";
    char self[MAX_PATH];
    const std::string probe(self, GetModuleFileNameA(nullptr, self, MAX_PATH));
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
    SetValue(ToolDirectoryKey, ToolDirectoryValue, REG_SZ, root + "\\none" + '\0');
    start();
    CHECK(messages == std::string(SysInfoUnavailableText) + "|" + SysInfoUnavailableText + "|");
    SetValue(ToolDirectoryKey, ToolDirectoryValue, REG_SZ, root + '\0');
    start();
    CHECK(lstrcmpiA(Runs(marker).c_str(), (tool + "\n").c_str()) == 0);
    SetValue(ToolPathKey, ToolPathValue, REG_SZ, probe + '\0');
    start();
    CHECK(lstrcmpiA(Runs(marker).c_str(), (probe + "\n").c_str()) == 0);
    CHECK(messages.size() == 2 * (std::string(SysInfoUnavailableText).size() + 1));
    bool refused = false;
    try {
        DefaultLauncher().StartProgram(root + "\\no such tool.exe", NormalFocus);
    } catch (const std::exception&) {
        refused = true;
    }
    CHECK(refused);
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
    char marker[MAX_PATH], self[MAX_PATH];
    if (GetEnvironmentVariableA("RAINFALL_PROBE_MARKER", marker, MAX_PATH) != 0) {
        std::ofstream(marker, std::ios::app)
            << std::string(self, GetModuleFileNameA(nullptr, self, MAX_PATH)) << "\n";
        return 0;
    }
    check::Case("GetKeyValue reads the registry", GetKeyValueReadsTheRegistry);
    check::Case("existence test on real files", ExistenceTestOnRealFiles);
    check::Case("StartSysInfo follows the registry", StartSysInfoFollowsTheRegistry);
    check::Case("the program's directory", ProgramDirectoryIsTheExecutables);
    return check::Summary();
}
