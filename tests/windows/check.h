#pragma once

// A small test harness for the Windows build, where QtTest is not available:
// each failed CHECK is printed with its line, each case with its outcome, and
// the program ends with "windows: N passed, N failed" and a failing status
// when anything failed.

#include <cstdio>
#include <exception>

namespace check {

inline int passed = 0;
inline int failed = 0;

inline void Record(bool ok, const char* what, int line)
{
    ++(ok ? passed : failed);
    if (!ok)
        std::printf("FAIL %s (line %d)\n", what, line);
}

// Runs one named case; an exception that escapes it counts as a failure.
template <typename Body> void Case(const char* name, Body body)
{
    const int failedBefore = failed;
    try {
        body();
    } catch (const std::exception& error) {
        Record(false, error.what(), 0);
    }
    std::printf("%s %s\n", failed == failedBefore ? "PASS" : "FAIL", name);
}

inline int Summary()
{
    std::printf("windows: %d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}

} // namespace check

#define CHECK(condition) check::Record((condition), #condition, __LINE__)
