// The thiessen command-line program.

#include "thiessen/command/command.h"

#include <cstdio>

#ifdef _WIN32
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

// The arguments as UTF-8, whatever the console's code page.
static std::vector<std::string> Arguments(int, char**)
{
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string argument(static_cast<std::size_t>(size > 0 ? size - 1 : 0), '\0');
        WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, argument.data(), size, nullptr, nullptr);
        arguments.push_back(argument);
    }
    LocalFree(wide);
    // The same bytes as on every other system: no CR added before LF.
    _setmode(_fileno(stdout), _O_BINARY);
    return arguments;
}
#else
static std::vector<std::string> Arguments(int argc, char** argv)
{
    return std::vector<std::string>(argv + 1, argv + argc);
}
#endif

int main(int argc, char** argv)
{
    return thiessen::RunCommand(Arguments(argc, argv), stdout, stderr);
}
