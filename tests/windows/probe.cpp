// A stand-in for a started tool: appends the path it was started as to the
// file named by RAINFALL_PROBE_MARKER, so a test can see which program ran.
#include <windows.h>

#include <cstdio>

int main()
{
    char marker[MAX_PATH];
    char self[MAX_PATH];
    if (GetEnvironmentVariableA("RAINFALL_PROBE_MARKER", marker, MAX_PATH) == 0)
        return 1;
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    FILE* file = std::fopen(marker, "a");
    if (file == nullptr)
        return 1;
    std::fprintf(file, "%s\n", self);
    std::fclose(file);
    return 0;
}
