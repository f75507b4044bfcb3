#pragma once

#include <cstdint>

namespace rainfall {

// A registry key handle as the Win32 registry functions pass it (an HKEY).
using RegKey = std::uintptr_t;
// The status a registry function returns (a LONG); 0 is success.
using RegStatus = std::int32_t;

// HKEY_LOCAL_MACHINE: windows.h defines it as 0x80000002 sign-extended to the
// width of a pointer, so a 64-bit program passes 0xFFFFFFFF80000002.
inline const RegKey RootLocalMachine =
    static_cast<RegKey>(static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80000002u)));

constexpr RegStatus ErrorSuccess = 0;
constexpr RegStatus ErrorFileNotFound = 2;
constexpr RegStatus ErrorInvalidHandle = 6;
constexpr RegStatus ErrorInvalidParameter = 87;
constexpr RegStatus ErrorMoreData = 234;

// Read access to a key and its values (KEY_READ); the program never writes.
constexpr std::uint32_t KeyRead = 0x20019;

// Where Windows records its system-information tool, both keys below
// HKEY_LOCAL_MACHINE: first the tool's program file, then the directory it is in.
constexpr const char* ToolPathKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const char* ToolPathValue = "PATH";
constexpr const char* ToolDirectoryKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr const char* ToolDirectoryValue = "MSINFO";

// Value types.
constexpr std::uint32_t RegSz = 1;
constexpr std::uint32_t RegDword = 4;

// The three registry functions the program uses, with the shapes of their
// Win32 originals in advapi32. Texts are 8-bit text in the system code page.
class Registry {
public:
    virtual ~Registry() = default;

    virtual RegStatus RegOpenKeyExA(RegKey hKey, const char* lpSubKey, std::uint32_t ulOptions,
                                    std::uint32_t samDesired, RegKey* phkResult) = 0;
    // On success *lpcbData is the number of bytes written, with the terminating
    // 0 of string data that has one; data larger than *lpcbData gives
    // ErrorMoreData.
    virtual RegStatus RegQueryValueExA(RegKey hKey, const char* lpValueName,
                                       std::uint32_t* lpReserved, std::uint32_t* lpType,
                                       std::uint8_t* lpData, std::uint32_t* lpcbData) = 0;
    virtual RegStatus RegCloseKey(RegKey hKey) = 0;
};

// The registry of this machine. On Windows the real advapi32 functions, each
// bound by name when it is first called. Elsewhere there is no registry: only
// the tool's program file (ToolPathKey, ToolPathValue) is answered, as a
// REG_SZ with the full path of the first system-information program found on
// PATH (hardinfo, kinfocenter, cpu-x, lshw-gtk, gnome-system-monitor); every
// other key is missing.
Registry& DefaultRegistry();

} // namespace rainfall
