#pragma once

#include "platform/system/registry.h"

#include <cstdint>
#include <functional>
#include <string>

namespace rainfall {

class Launcher;
class RunTimeLibrary;

// The tool's program file in the directory the registry records.
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

// Shows a message with only an OK button and returns when it is closed.
using MessageFunction = std::function<void(const std::string& prompt)>;

// Starts the system-information tool: at the path the registry records for it,
// or else as MSINFO32.EXE in the directory it records, if that file is there.
// When neither is found, or the start fails, or any other error occurs on the
// way, `showMessage` shows the unavailable message. Nothing is thrown.
void StartSysInfo(Registry& registry, Launcher& launcher, RunTimeLibrary& runtime,
                  const MessageFunction& showMessage);

} // namespace rainfall
