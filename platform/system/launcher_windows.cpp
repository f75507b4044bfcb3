#include "launcher.h"

#include "runtime_error.h"
#include "windows_error.h"

#include <windows.h>

namespace rainfall {

namespace {

// The ShowWindow command for a window style of the program.
WORD ShowCommand(int windowStyle)
{
    switch (windowStyle) {
    case 0:
        return SW_HIDE;
    case 2:
        return SW_SHOWMINIMIZED;
    case 3:
        return SW_SHOWMAXIMIZED;
    case 4:
        return SW_SHOWNOACTIVATE;
    case 6:
        return SW_SHOWMINNOACTIVE;
    default:
        return SW_SHOWNORMAL;
    }
}

class CreateProcessLauncher : public Launcher {
public:
    std::int64_t StartProgram(const std::string& path, int windowStyle) override
    {
        if (path.empty())
            throw RuntimeError(RuntimeError::Kind::FileError, "cannot start an empty path");
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = ShowCommand(windowStyle);
        PROCESS_INFORMATION process{};
        // lpApplicationName names the file, so Windows never splits the path
        // at a space ("C:\Program Files\..." cannot start "C:\Program.exe").
        // The command line only tells the program its own name.
        std::string commandLine = "\"" + path + "\"";
        if (!::CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &process))
            throw RuntimeError(RuntimeError::Kind::FileError,
                               "cannot start \"" + path +
                                   "\": " + WindowsErrorText(::GetLastError()));
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
        return process.dwProcessId;
    }
};

} // namespace

Launcher& SystemLauncher()
{
    static CreateProcessLauncher launcher;
    return launcher;
}

} // namespace rainfall
