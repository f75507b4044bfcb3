#pragma once

#include "registry.h"

#include <cstdint>
#include <functional>
#include <string>

namespace rainfall {

class Launcher;
class RunTimeLibrary;

// Where the system-information tool is recorded, both under
// HKEY_LOCAL_MACHINE: first its program file, then the directory it is in.
constexpr const char* ToolPathKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const char* ToolPathValue = "PATH";
constexpr const char* ToolDirectoryKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr const char* ToolDirectoryValue = "MSINFO";
constexpr const char* ToolFileInDirectory = "\\MSINFO32.EXE";

constexpr const char* SysInfoUnavailableText = "System Information Is Unavailable At This Time";

// Reads the value `SubKeyRef` of the key `KeyName` below `KeyRoot` as text into
// `KeyVal`: a REG_SZ as it stands, a REG_DWORD as "&h" and its hexadecimal
// digits (two per byte, most significant first, appended to what `KeyVal`
// held); any other type leaves `KeyVal` as it was. Returns FlagTrue when the
// key opened and the value was read, whatever its type; otherwise FlagFalse
// with `KeyVal` empty. A value of more than 1024 bytes counts as absent. The
// key is closed once on every way out, an exception too.
std::int16_t GetKeyValue(Registry& registry, const RegKey& KeyRoot, const std::string& KeyName,
                         const std::string& SubKeyRef, std::string& KeyVal);

// Shows a message box with a prompt and a style number and returns when it is
// closed.
using MessageBoxFunction = std::function<void(const std::string& prompt, int style)>;

// Starts the system-information tool: at the path the registry records for it,
// or else as MSINFO32.EXE in the directory it records, if that file is there.
// When neither is found, or the start fails, or any other error occurs on the
// way, `msgBox` shows the unavailable message (style 0). Nothing is thrown.
void StartSysInfo(Registry& registry, Launcher& launcher, RunTimeLibrary& runtime,
                  const MessageBoxFunction& msgBox);

} // namespace rainfall
