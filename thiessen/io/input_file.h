#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace thiessen {

// An input file, open for reading as bytes.
using InputFile = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// Opens a file named by a UTF-8 path, on Windows too, where the C library
// would take the name in the local code page. Throws a DataError, naming the
// file and the reason, when it cannot be opened.
InputFile OpenInputFile(const std::string& path);

// The whole contents of a file, read the same way.
std::string ReadWholeFile(const std::string& path);

} // namespace thiessen
