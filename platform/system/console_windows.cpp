// The console of the command prompt that started a Windows GUI program.
#include "platform/system/console.h"

#include <windows.h>

#include <cstdio>

namespace rainfall {

void UseStartingConsole()
{
    // A GUI program's standard handles lead nowhere unless it was started
    // with them redirected.
    const auto unconnected = [](DWORD handle) {
        return ::GetFileType(::GetStdHandle(handle)) == FILE_TYPE_UNKNOWN;
    };
    const bool output = unconnected(STD_OUTPUT_HANDLE);
    const bool errors = unconnected(STD_ERROR_HANDLE);
    if ((!output && !errors) || !::AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (output)
        (void)std::freopen("CONOUT$", "w", stdout);
    if (errors)
        (void)std::freopen("CONOUT$", "w", stderr);
}

} // namespace rainfall
