#include "platform/system/launcher.h"

#include "errors/runtime_error.h"
#include "platform/system/windows_error.h"

#include <windows.h>

namespace rainfall {

namespace {

class CreateProcessLauncher : public Launcher {
public:
    std::int64_t StartProgram(const std::string& path, int windowStyle) override
    {
        if (path.empty())
            throw RuntimeError(RuntimeError::Kind::FileError, "cannot start an empty path");
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        // The program's window styles are the ShowWindow commands by number:
        // 1, NormalFocus, is SW_SHOWNORMAL.
        startup.wShowWindow = static_cast<WORD>(windowStyle);
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

Launcher& DefaultLauncher()
{
    static CreateProcessLauncher launcher;
    return launcher;
}

} // namespace rainfall
