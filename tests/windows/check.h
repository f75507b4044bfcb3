#pragma once

// A small test harness for the Windows build, where QtTest is not available:
// each CHECK is counted, each failure is printed with its place, and the
// program ends with "windows: N passed, N failed" and a failing status when
// anything failed.

#include <cstdio>
#include <string>

namespace check {

inline int passed = 0;
inline int failed = 0;
inline std::string currentCase;

inline void Record(bool ok, const char* what, const char* file, int line)
{
    if (ok) {
        ++passed;
        return;
    }
    ++failed;
    std::printf("FAIL %s: %s (%s:%d)\n", currentCase.c_str(), what, file, line);
}

// Runs one named case; an exception that escapes it counts as a failure.
template <typename Body> void Case(const char* name, Body body)
{
    currentCase = name;
    const int failedBefore = failed;
    try {
        body();
    } catch (const std::exception& error) {
        Record(false, error.what(), "exception", 0);
    }
    std::printf("%s %s\n", failed == failedBefore ? "PASS" : "FAIL", name);
}

inline int Summary()
{
    std::printf("windows: %d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}

} // namespace check

#define CHECK(condition) check::Record((condition), #condition, __FILE__, __LINE__)
