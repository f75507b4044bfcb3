#pragma once

#include <windows.h>

#include <string>

namespace rainfall {

// The system's own words for a Win32 error code, without the final line break.
std::string WindowsErrorText(DWORD error);

} // namespace rainfall
