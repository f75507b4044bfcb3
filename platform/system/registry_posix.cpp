// The registry where there is none: only the one value that locates the
// system-information tool is answered, from the programs on PATH.
#include "platform/system/registry.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace rainfall {

namespace {

// The one handle this registry hands out, for the tool's key.
constexpr RegKey ToolKeyHandle = 0x4d53;

// Desktop programs that show the machine's hardware and system, best first.
constexpr std::array<const char*, 5> SystemInfoPrograms = {"hardinfo", "kinfocenter", "cpu-x",
                                                           "lshw-gtk", "gnome-system-monitor"};

// Key and value names of the registry compare without regard to case.
bool SameName(const char* name, std::string_view expected)
{
    return name != nullptr && std::strlen(name) == expected.size() &&
           std::equal(expected.begin(), expected.end(), name, [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

bool IsExecutableFile(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// The full path of `program` in the first PATH directory that holds it. Empty
// and relative PATH entries are passed over: they would name a program by the
// working directory, which is not a full path and not where tools are installed.
std::optional<std::string> FindOnPath(std::string_view program)
{
    const char* path = std::getenv("PATH");
    if (path == nullptr)
        return std::nullopt;
    std::string_view rest = path;
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const std::string_view directory = rest.substr(0, colon);
        rest = colon == std::string_view::npos ? std::string_view{} : rest.substr(colon + 1);
        if (directory.empty() || directory.front() != '/')
            continue;
        std::string candidate = std::string(directory) + "/" + std::string(program);
        if (IsExecutableFile(candidate))
            return candidate;
    }
    return std::nullopt;
}

std::optional<std::string> FindSystemInfoProgram()
{
    for (const char* program : SystemInfoPrograms)
        if (auto found = FindOnPath(program))
            return found;
    return std::nullopt;
}

class PathRegistry : public Registry {
public:
    RegStatus RegOpenKeyExA(RegKey hKey, const char* lpSubKey, std::uint32_t /*ulOptions*/,
                            std::uint32_t /*samDesired*/, RegKey* phkResult) override
    {
        if (phkResult == nullptr)
            return ErrorInvalidParameter;
        if (hKey != RootLocalMachine || !SameName(lpSubKey, ToolPathKey))
            return ErrorFileNotFound;
        *phkResult = ToolKeyHandle;
        return ErrorSuccess;
    }

    RegStatus RegQueryValueExA(RegKey hKey, const char* lpValueName, std::uint32_t* /*lpReserved*/,
                               std::uint32_t* lpType, std::uint8_t* lpData,
                               std::uint32_t* lpcbData) override
    {
        if (hKey != ToolKeyHandle)
            return ErrorInvalidHandle;
        if (lpData != nullptr && lpcbData == nullptr)
            return ErrorInvalidParameter;
        if (!SameName(lpValueName, ToolPathValue))
            return ErrorFileNotFound;
        const std::optional<std::string> program = FindSystemInfoProgram();
        if (!program)
            return ErrorFileNotFound;
        return CopyString(*program, lpType, lpData, lpcbData);
    }

    RegStatus RegCloseKey(RegKey hKey) override
    {
        return hKey == ToolKeyHandle ? ErrorSuccess : ErrorInvalidHandle;
    }

private:
    // Hands out a REG_SZ the way Windows does: with its terminating 0, and the
    // size needed when the caller's buffer is missing or too small.
    static RegStatus CopyString(const std::string& text, std::uint32_t* lpType,
                                std::uint8_t* lpData, std::uint32_t* lpcbData)
    {
        const auto needed = static_cast<std::uint32_t>(text.size() + 1);
        if (lpType != nullptr)
            *lpType = RegSz;
        if (lpcbData == nullptr)
            return ErrorSuccess;
        const bool fits = *lpcbData >= needed;
        if (lpData != nullptr && fits)
            std::memcpy(lpData, text.c_str(), needed);
        *lpcbData = needed;
        return lpData == nullptr || fits ? ErrorSuccess : ErrorMoreData;
    }
};

} // namespace

Registry& DefaultRegistry()
{
    static PathRegistry registry;
    return registry;
}

} // namespace rainfall
