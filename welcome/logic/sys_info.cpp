#include "welcome/logic/sys_info.h"

#include "platform/system/launcher.h"
#include "platform/system/runtime_library.h"
#include "welcome/logic/flag.h"

#include <algorithm>
#include <array>
#include <exception>

namespace rainfall {

namespace {

constexpr std::uint32_t ValueBufferSize = 1024;

// Closes a key when it goes out of scope, however that happens; a handle that
// was never opened is 0 and closing it is harmless.
class KeyCloser {
public:
    KeyCloser(Registry& registry, const RegKey& key) : registry_(registry), key_(key) {}
    KeyCloser(const KeyCloser&) = delete;
    KeyCloser& operator=(const KeyCloser&) = delete;
    ~KeyCloser()
    {
        try {
            registry_.RegCloseKey(key_);
        } catch (...) {
            // A close that cannot even be made loses nothing: the status of
            // RegCloseKey is never looked at either.
        }
    }

private:
    Registry& registry_;
    const RegKey& key_;
};

// Upper-case hexadecimal digits of a byte, always two.
std::string HexByte(unsigned char byte)
{
    constexpr const char* Digits = "0123456789ABCDEF";
    return {Digits[byte >> 4], Digits[byte & 0x0F]};
}

} // namespace

std::int16_t GetKeyValue(Registry& registry, const RegKey& KeyRoot, const std::string& KeyName,
                         const std::string& SubKeyRef, std::string& KeyVal)
{
    RegKey key = 0;
    const KeyCloser closer(registry, key);
    if (registry.RegOpenKeyExA(KeyRoot, KeyName.c_str(), 0, KeyRead, &key) != ErrorSuccess) {
        KeyVal.clear();
        return FlagFalse;
    }

    std::array<std::uint8_t, ValueBufferSize> buffer{};
    std::uint32_t size = ValueBufferSize;
    std::uint32_t type = 0;
    if (registry.RegQueryValueExA(key, SubKeyRef.c_str(), nullptr, &type, buffer.data(), &size) !=
        ErrorSuccess) {
        KeyVal.clear();
        return FlagFalse;
    }

    // String data usually ends in a 0 that the size counts; drop it, and only it.
    std::size_t length = std::min(size, ValueBufferSize);
    if (length > 0 && buffer[length - 1] == 0)
        --length;
    const std::string text(reinterpret_cast<const char*>(buffer.data()), length);

    if (type == RegSz) {
        KeyVal = text;
    } else if (type == RegDword) {
        for (auto byte = text.rbegin(); byte != text.rend(); ++byte)
            KeyVal += HexByte(static_cast<unsigned char>(*byte));
        KeyVal = "&h" + KeyVal;
    }
    return FlagTrue;
}

namespace {

// Starts the tool, or returns false when the registry does not lead to it.
bool StartRecordedTool(Registry& registry, Launcher& launcher, RunTimeLibrary& runtime)
{
    std::string toolPath;
    if (GetKeyValue(registry, RootLocalMachine, ToolPathKey, ToolPathValue, toolPath) ==
        FlagFalse) {
        // Only the directory is recorded: the tool must be found in it.
        if (GetKeyValue(registry, RootLocalMachine, ToolDirectoryKey, ToolDirectoryValue,
                        toolPath) == FlagFalse ||
            !runtime.OrdinaryFileExists(toolPath + ToolFileInDirectory))
            return false;
        toolPath += ToolFileInDirectory;
    }
    // A recorded path is started as read, without a test: a wrong one fails
    // to start.
    launcher.StartProgram(toolPath, NormalFocus);
    return true;
}

} // namespace

void StartSysInfo(Registry& registry, Launcher& launcher, RunTimeLibrary& runtime,
                  const MessageFunction& showMessage)
{
    bool started = false;
    try {
        started = StartRecordedTool(registry, launcher, runtime);
    } catch (const std::exception&) {
        // Every failure on the way means the same to the user: no tool.
    }
    if (!started)
        showMessage(SysInfoUnavailableText);
}

} // namespace rainfall
