#pragma once

// The thiessen command run in the test's process, as a user runs it, with
// what it printed and its exit status.

#include "thiessen/command/command.h"

#include <cstdio>
#include <string>
#include <vector>

namespace thiessen {

struct Outcome {
    int status;
    std::string out, err;
};

inline std::string ReadAll(std::FILE* file)
{
    std::rewind(file);
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        text.append(buffer, n);
    std::fclose(file);
    return text;
}

inline Outcome RunWith(const std::vector<std::string>& arguments)
{
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int status = RunCommand(arguments, out, err);
    return {status, ReadAll(out), ReadAll(err)};
}

} // namespace thiessen
