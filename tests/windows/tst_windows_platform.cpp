// The program's Windows side against a real Windows (or Wine): the registry
// through advapi32, the existence test on real files, the start of a real
// program, the tip file, and the statistics core under the Windows run-time.
#include "tests/windows/check.h"

#include "platform/system/launcher.h"
#include "platform/system/registry.h"
#include "platform/system/runtime_library.h"
#include "stats/evaluation.h"
#include "stats/number_text.h"
#include "welcome/logic/flag.h"
#include "welcome/logic/sys_info.h"
#include "welcome/logic/tip_of_day.h"

#include <windows.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace rainfall;

namespace {

const std::string TestKey = "SOFTWARE\\AverageRainfallTest";
const std::string ToolKey = ToolPathKey;
const std::string ToolLocationKey = ToolDirectoryKey;

// Runs a command line (parsed the Windows way) and returns its exit code.
DWORD RunAndWait(std::string commandLine)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &process))
        return GetLastError() + 1000000;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// Writes a value with the system's own reg tool, as an installer would.
bool RegAdd(const std::string& key, const std::string& value, const std::string& type,
            const std::string& data)
{
    return RunAndWait("reg.exe add \"HKLM\\" + key + "\" /v " + value + " /t " + type + " /d \"" +
                      data + "\" /f") == 0;
}

void RegDelete(const std::string& key)
{
    RunAndWait("reg.exe delete \"HKLM\\" + key + "\" /f");
}

// A new, empty directory of its own for each use, also across runs.
std::string NewTempDirectory()
{
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    for (unsigned attempt = GetTickCount();; ++attempt) {
        const std::string directory =
            std::string(base) + "rainfall-test-" + std::to_string(attempt);
        if (CreateDirectoryA(directory.c_str(), nullptr))
            return directory;
    }
}

void WriteFile(const std::string& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

// The lines the probe wrote: the paths of the programs that really ran. Waits
// a little after the first one, so that a second start would be seen too.
std::vector<std::string> ProbeRuns(const std::string& marker)
{
    using namespace std::chrono_literals;
    const auto deadline = std::chrono::steady_clock::now() + 15s;
    while (ReadFile(marker).empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(50ms);
    std::this_thread::sleep_for(500ms);
    std::vector<std::string> runs;
    std::istringstream lines(ReadFile(marker));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        runs.push_back(line);
    }
    DeleteFileA(marker.c_str());
    return runs;
}

// The probe program is built beside this test.
std::string ProbePath()
{
    return DefaultRunTimeLibrary().ProgramDirectory() + "\\probe.exe";
}

bool SamePath(const std::string& a, const std::string& b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

struct Folders {
    std::string root = NewTempDirectory();
    std::string spaced = root + "\\Program Files";
    std::string tool = spaced + "\\probe.exe";
    std::string decoy = root + "\\Program.exe";
    std::string marker = root + "\\runs.txt";

    Folders()
    {
        CreateDirectoryA(spaced.c_str(), nullptr);
        CopyFileA(ProbePath().c_str(), tool.c_str(), FALSE);
        CopyFileA(ProbePath().c_str(), decoy.c_str(), FALSE);
        SetEnvironmentVariableA("RAINFALL_PROBE_MARKER", marker.c_str());
    }
};

void StatisticsUnderWindowsRunTime()
{
    RainfallSums sums;
    AddPair(sums, 2, 10);
    AddPair(sums, 4, 30);
    const Statistics result = Evaluate(sums);
    CHECK(StrText(result.Mean) == " 3");
    CHECK(StrText(result.StdDev) == " 1.414214");
    CHECK(result.WeightedMean && StrText(*result.WeightedMean) == " 3.5");
    CHECK(StrText(result.SumOfAreas) == " 40");
    CHECK(StrText(-0.5f) == "-.5");
    CHECK(StrText(123456789.f) == " 1.234568E+08");
    CHECK(ParseValue(" 1.234568E+08") == 1.234568e8);
    CHECK(ParseValue("3.2.1") == 3.2);
}

void GetKeyValueReadsTheRegistry()
{
    RegDelete(TestKey);
    const std::string longText(1100, 'x');
    CHECK(RegAdd(TestKey, "Text", "REG_SZ", "C:\\Tools\\tool.exe"));
    CHECK(RegAdd(TestKey, "Empty", "REG_SZ", ""));
    CHECK(RegAdd(TestKey, "Number", "REG_DWORD", "0x12345678"));
    CHECK(RegAdd(TestKey, "Expand", "REG_EXPAND_SZ", "%SystemRoot%\\tool.exe"));
    CHECK(RegAdd(TestKey, "Long", "REG_SZ", longText));

    struct Row {
        std::string key;
        std::string value;
        std::int16_t found;
        std::string text;
    };
    const std::vector<Row> rows = {
        {TestKey, "Text", FlagTrue, "C:\\Tools\\tool.exe"},
        {TestKey, "Empty", FlagTrue, ""},
        {TestKey, "Number", FlagTrue, "&h12345678"},
        {TestKey, "Expand", FlagTrue, ""}, // a type the program does not read
        {TestKey, "Long", FlagFalse, ""},  // more than the 1024-byte buffer
        {TestKey, "Missing", FlagFalse, ""},
        {TestKey + "\\Missing", "Text", FlagFalse, ""},
    };
    for (const Row& row : rows) {
        std::string text;
        const std::int16_t found =
            GetKeyValue(DefaultRegistry(), RootLocalMachine, row.key, row.value, text);
        CHECK(found == row.found);
        CHECK(text == row.text);
        if (found != row.found || text != row.text)
            std::printf("  value %s: found %d, text '%s'\n", row.value.c_str(), found,
                        text.c_str());
    }
    RegDelete(TestKey);
}

void ExistenceTestOnRealFiles()
{
    const std::string root = NewTempDirectory();
    const std::string ordinary = root + "\\ordinary.txt";
    const std::string hidden = root + "\\hidden.txt";
    const std::string system = root + "\\system.txt";
    const std::string directory = root + "\\folder";
    for (const std::string& file : {ordinary, hidden, system})
        WriteFile(file, "tip\r\n");
    CreateDirectoryA(directory.c_str(), nullptr);
    CHECK(SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
    CHECK(SetFileAttributesA(system.c_str(), FILE_ATTRIBUTE_SYSTEM));

    RunTimeLibrary& runtime = DefaultRunTimeLibrary();
    CHECK(runtime.OrdinaryFileExists(ordinary));
    CHECK(!runtime.OrdinaryFileExists(hidden));
    CHECK(!runtime.OrdinaryFileExists(system));
    CHECK(!runtime.OrdinaryFileExists(directory));
    CHECK(!runtime.OrdinaryFileExists(root + "\\missing.txt"));
    CHECK(!runtime.OrdinaryFileExists(""));
}

void PathWithSpaceStartsExactlyThatFile()
{
    const Folders folders;
    // The decoy is real: read as a command line, the path starts it.
    CHECK(RunAndWait(folders.tool) == 0);
    const std::vector<std::string> parsed = ProbeRuns(folders.marker);
    CHECK(parsed.size() == 1 && SamePath(parsed[0], folders.decoy));

    DefaultLauncher().StartProgram(folders.tool, NormalFocus);
    const std::vector<std::string> runs = ProbeRuns(folders.marker);
    CHECK(runs.size() == 1 && SamePath(runs[0], folders.tool));
}

void LaunchFailureIsAnError()
{
    bool failed = false;
    try {
        DefaultLauncher().StartProgram(NewTempDirectory() + "\\no such tool.exe", NormalFocus);
    } catch (const std::exception&) {
        failed = true;
    }
    CHECK(failed);
}

void StartSysInfoFollowsTheRegistry()
{
    const Folders folders;
    std::vector<std::string> messages;
    const auto record = [&messages](const std::string& prompt) { messages.push_back(prompt); };
    const auto start = [&] {
        StartSysInfo(DefaultRegistry(), DefaultLauncher(), DefaultRunTimeLibrary(), record);
    };

    RegDelete(ToolKey);
    RegDelete(ToolLocationKey);
    start();
    CHECK(messages.size() == 1 && messages.back() == SysInfoUnavailableText);

    // Only the directory is recorded, and the tool is not in it.
    CHECK(RegAdd(ToolLocationKey, ToolDirectoryValue, "REG_SZ", folders.spaced));
    start();
    CHECK(messages.size() == 2);

    // Now it is.
    const std::string inDirectory = folders.spaced + ToolFileInDirectory;
    CopyFileA(ProbePath().c_str(), inDirectory.c_str(), FALSE);
    start();
    std::vector<std::string> runs = ProbeRuns(folders.marker);
    CHECK(messages.size() == 2);
    CHECK(runs.size() == 1 && SamePath(runs[0], inDirectory));

    // The program file itself is recorded: it wins, started exactly as read.
    CHECK(RegAdd(ToolKey, ToolPathValue, "REG_SZ", folders.tool));
    start();
    runs = ProbeRuns(folders.marker);
    CHECK(messages.size() == 2);
    CHECK(runs.size() == 1 && SamePath(runs[0], folders.tool));

    RegDelete(ToolKey);
    RegDelete(ToolLocationKey);
}

void TipFileWithWindowsLineEnds()
{
    const std::string file = NewTempDirectory() + "\\TIPOFDAY.TXT";
    WriteFile(file, "First tip\r\nSecond tip\r\nThird tip\r\n");
    std::string shown;
    TipOfDay tips(DefaultRunTimeLibrary(), [&shown](std::string_view tip) { shown = tip; });
    CHECK(tips.LoadTips(file) == FlagTrue);
    CHECK(tips.TipLines().Count() == 3);
    CHECK(tips.TipLines().Item(2) == "Second tip");
    CHECK(tips.TipIndex() >= 1 && tips.TipIndex() <= 3);
    CHECK(shown == tips.TipLines().Item(tips.TipIndex()));

    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string directory(self);
    directory.resize(directory.rfind('\\'));
    CHECK(SamePath(DefaultRunTimeLibrary().ProgramDirectory(), directory));
}

} // namespace

int main()
{
    check::Case("statistics under the Windows run-time", StatisticsUnderWindowsRunTime);
    check::Case("GetKeyValue reads the registry", GetKeyValueReadsTheRegistry);
    check::Case("existence test on real files", ExistenceTestOnRealFiles);
    check::Case("a path with a space starts exactly that file", PathWithSpaceStartsExactlyThatFile);
    check::Case("a launch that fails is an error", LaunchFailureIsAnError);
    check::Case("StartSysInfo follows the registry", StartSysInfoFollowsTheRegistry);
    check::Case("tip file with Windows line ends", TipFileWithWindowsLineEnds);
    return check::Summary();
}
