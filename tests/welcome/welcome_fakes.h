#pragma once
// Stand-ins for the platform that the welcome window's tests choose and watch.

#include "launcher.h"
#include "registry.h"
#include "runtime_error.h"
#include "runtime_library.h"

#include <cstring>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace rainfall {

// The real files, but a program directory and random draws of the test's
// choosing; it counts the existence tests it is asked to make.
class ChosenRunTime : public SystemRunTimeLibrary {
public:
    std::string programDirectory;
    std::deque<float> draws; // handed out in order, then 0
    int existenceTests = 0;
    int seeds = 0;

    std::string ProgramDirectory() override { return programDirectory; }
    bool OrdinaryFileExists(const std::string& path) override
    {
        ++existenceTests;
        return SystemRunTimeLibrary::OrdinaryFileExists(path);
    }
    void SeedFromClock() override { ++seeds; }
    float NextRandom() override
    {
        if (draws.empty())
            return 0;
        const float r = draws.front();
        draws.pop_front();
        return r;
    }
};

// A registry of the test's making that records every call.
class RecordingRegistry : public Registry {
public:
    struct Value {
        std::uint32_t type;
        std::string bytes;
    };
    struct Open {
        RegKey root;
        std::string key;
        std::uint32_t options;
        std::uint32_t access;
    };
    struct Query {
        RegKey key;
        std::string value;
        bool reservedIsNull;
        std::uint32_t bufferSize;
    };

    // Key path -> value name -> value.
    std::map<std::string, std::map<std::string, Value>> keys;
    bool failEveryCall = false; // every call throws, as an unbindable function would

    std::vector<Open> opens;
    std::vector<Query> queries;
    std::vector<RegKey> closes;

    RegStatus RegOpenKeyExA(RegKey hKey, const char* lpSubKey, std::uint32_t ulOptions,
                            std::uint32_t samDesired, RegKey* phkResult) override
    {
        opens.push_back({hKey, lpSubKey, ulOptions, samDesired});
        FailIfAsked();
        const auto found = keys.find(lpSubKey);
        if (hKey != RootLocalMachine || found == keys.end())
            return ErrorFileNotFound;
        *phkResult = HandleOf(found->first);
        return ErrorSuccess;
    }

    RegStatus RegQueryValueExA(RegKey hKey, const char* lpValueName, std::uint32_t* lpReserved,
                               std::uint32_t* lpType, std::uint8_t* lpData,
                               std::uint32_t* lpcbData) override
    {
        queries.push_back({hKey, lpValueName, lpReserved == nullptr, *lpcbData});
        FailIfAsked();
        const std::map<std::string, Value>* values = ValuesOf(hKey);
        if (values == nullptr)
            return ErrorInvalidHandle;
        const auto found = values->find(lpValueName);
        if (found == values->end())
            return ErrorFileNotFound;
        const Value& value = found->second;
        *lpType = value.type;
        const auto size = static_cast<std::uint32_t>(value.bytes.size());
        if (size > *lpcbData) {
            *lpcbData = size;
            return ErrorMoreData;
        }
        std::memcpy(lpData, value.bytes.data(), size);
        *lpcbData = size;
        return ErrorSuccess;
    }

    RegStatus RegCloseKey(RegKey hKey) override
    {
        closes.push_back(hKey);
        FailIfAsked();
        return ValuesOf(hKey) != nullptr ? ErrorSuccess : ErrorInvalidHandle;
    }

    // The handle the open of `key` hands out: never 0.
    RegKey HandleOf(const std::string& key) const
    {
        return static_cast<RegKey>(std::distance(keys.begin(), keys.find(key)) + 100);
    }

private:
    void FailIfAsked() const
    {
        if (failEveryCall)
            throw RuntimeError(RuntimeError::Kind::InvalidArgument, "advapi32 is missing");
    }

    const std::map<std::string, Value>* ValuesOf(RegKey handle) const
    {
        for (const auto& [key, values] : keys)
            if (HandleOf(key) == handle)
                return &values;
        return nullptr;
    }
};

// A launcher that records what it is asked to start; it starts only the
// paths it is told are programs and fails on every other, as a real one would.
class RecordingLauncher : public Launcher {
public:
    struct Start {
        std::string path;
        int windowStyle;
    };
    std::set<std::string> programs;
    std::vector<Start> starts;

    std::int64_t StartProgram(const std::string& path, int windowStyle) override
    {
        starts.push_back({path, windowStyle});
        if (programs.count(path) == 0)
            throw RuntimeError(RuntimeError::Kind::FileError, "cannot start \"" + path + "\"");
        return 4242;
    }
};

} // namespace rainfall
