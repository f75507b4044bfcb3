#pragma once

// A small test harness for the Windows build, where QtTest is not available:
// each failed CHECK is printed with its line, and the program ends with
// "windows: N passed, N failed" and a failing status when anything failed (an
// exception that escapes ends it with a failing status too).

#include <cstdio>

namespace check {

inline int passed = 0;
inline int failed = 0;

inline void Record(bool ok, const char* what, int line)
{
    ++(ok ? passed : failed);
    if (!ok)
        std::printf("FAIL %s (line %d)\n", what, line);
}

inline int Summary()
{
    std::printf("windows: %d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}

} // namespace check

#define CHECK(condition) check::Record((condition), #condition, __LINE__)
