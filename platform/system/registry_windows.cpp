// The Windows registry through advapi32, bound by name when first called, so
// that the program starts even where a function is missing and only the
// System Info button reports it.
#include "platform/system/registry.h"

#include "errors/runtime_error.h"

#include <windows.h>

#include <string>

namespace rainfall {

namespace {

using OpenKeyFunction = LONG(WINAPI*)(HKEY, LPCSTR, DWORD, REGSAM, PHKEY);
using QueryValueFunction = LONG(WINAPI*)(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
using CloseKeyFunction = LONG(WINAPI*)(HKEY);

HMODULE Advapi32()
{
    static const HMODULE module = ::LoadLibraryA("advapi32.dll");
    if (module == nullptr)
        throw RuntimeError(RuntimeError::Kind::FileError, "advapi32.dll could not be loaded");
    return module;
}

template <typename Function> Function Bind(const char* name)
{
    const FARPROC address = ::GetProcAddress(Advapi32(), name);
    if (address == nullptr)
        throw RuntimeError(RuntimeError::Kind::InvalidArgument,
                           std::string(name) + " is missing from advapi32.dll");
    // Through void(*)(): the one function pointer type any other converts to.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

HKEY ToHkey(RegKey key)
{
    return reinterpret_cast<HKEY>(key);
}

class Advapi32Registry : public Registry {
public:
    RegStatus RegOpenKeyExA(RegKey hKey, const char* lpSubKey, std::uint32_t ulOptions,
                            std::uint32_t samDesired, RegKey* phkResult) override
    {
        static const auto open = Bind<OpenKeyFunction>("RegOpenKeyExA");
        HKEY opened = nullptr;
        const LONG status = open(ToHkey(hKey), lpSubKey, ulOptions, samDesired, &opened);
        if (phkResult != nullptr)
            *phkResult = reinterpret_cast<RegKey>(opened);
        return status;
    }

    RegStatus RegQueryValueExA(RegKey hKey, const char* lpValueName, std::uint32_t* lpReserved,
                               std::uint32_t* lpType, std::uint8_t* lpData,
                               std::uint32_t* lpcbData) override
    {
        static const auto query = Bind<QueryValueFunction>("RegQueryValueExA");
        DWORD reserved = lpReserved != nullptr ? *lpReserved : 0;
        DWORD type = 0;
        DWORD size = lpcbData != nullptr ? *lpcbData : 0;
        const LONG status = query(
            ToHkey(hKey), lpValueName, lpReserved != nullptr ? &reserved : nullptr,
            lpType != nullptr ? &type : nullptr, lpData, lpcbData != nullptr ? &size : nullptr);
        if (lpType != nullptr)
            *lpType = type;
        if (lpcbData != nullptr)
            *lpcbData = size;
        return status;
    }

    RegStatus RegCloseKey(RegKey hKey) override
    {
        static const auto close = Bind<CloseKeyFunction>("RegCloseKey");
        return close(ToHkey(hKey));
    }
};

} // namespace

Registry& DefaultRegistry()
{
    static Advapi32Registry registry;
    return registry;
}

} // namespace rainfall
