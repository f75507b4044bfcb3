// The program's directory and the existence test on Windows.
#include "platform/system/runtime_library.h"

#include "errors/runtime_error.h"
#include "platform/system/windows_error.h"

#include <windows.h>

#include <vector>

namespace rainfall {

std::string SystemRunTimeLibrary::ProgramDirectory()
{
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            throw RuntimeError(RuntimeError::Kind::FileError,
                               "the program's directory is unknown: " +
                                   WindowsErrorText(::GetLastError()));
        if (length < buffer.size()) {
            const std::string executable(buffer.data(), length);
            return executable.substr(0, executable.find_last_of("\\/"));
        }
        buffer.resize(buffer.size() * 2);
    }
}

// A directory listing with the path as its pattern, as the system's own "dir"
// makes it: true when it yields at least one entry that is neither a directory
// nor hidden nor a system file.
bool SystemRunTimeLibrary::OrdinaryFileExists(const std::string& path)
{
    if (path.empty())
        return false;
    constexpr DWORD NotOrdinary =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    WIN32_FIND_DATAA entry{};
    const HANDLE search = ::FindFirstFileA(path.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    bool found = false;
    do
        found = (entry.dwFileAttributes & NotOrdinary) == 0;
    while (!found && ::FindNextFileA(search, &entry));
    ::FindClose(search);
    return found;
}

} // namespace rainfall
