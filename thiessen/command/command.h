#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace thiessen {

// The thiessen command: arguments without the program's name; results go to
// out, messages to err. Returns the exit status: 0 on success, 1 for bad
// data, 2 for a usage error.
int RunCommand(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err);

} // namespace thiessen
