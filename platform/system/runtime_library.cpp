// The parts of the run-time library that standard C++ covers on every system.
#include "platform/system/runtime_library.h"

#include "errors/runtime_error.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>
#include <system_error>

namespace rainfall {

std::string JoinPath(const std::string& directory, const std::string& name)
{
    return directory + PathSeparator + name;
}

// Reads plainly to the end, straight into the text at the size the file has
// when it is opened; a file that changes meanwhile is read as it then is.
// Every failure is reported, never a crash.
std::string SystemRunTimeLibrary::ReadWholeFile(const std::string& path)
{
    const auto cannotRead = [] {
        throw RuntimeError(RuntimeError::Kind::FileError, std::generic_category().message(errno));
    };
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                               &std::fclose);
    if (!file)
        cannotRead();
    std::string text;
    if (std::fseek(file.get(), 0, SEEK_END) == 0) {
        text.resize(static_cast<std::size_t>(std::max(0L, std::ftell(file.get()))));
        std::rewind(file.get());
    }
    text.resize(std::fread(text.data(), 1, text.size(), file.get()));
    char rest[65536]; // of a file that grew, or has no known size
    while (const std::size_t count = std::fread(rest, 1, sizeof rest, file.get()))
        text.append(rest, count);
    if (std::ferror(file.get()))
        cannotRead();
    return text;
}

void SystemRunTimeLibrary::SeedFromClock()
{
    const auto now = std::chrono::system_clock::now().time_since_epoch().count();
    generator_.seed(static_cast<std::mt19937::result_type>(now ^ (now >> 32)));
}

float SystemRunTimeLibrary::NextRandom()
{
    constexpr float Scale = 1.0f / 16777216.0f; // 2^-24
    return static_cast<float>(generator_() >> 8) * Scale;
}

RunTimeLibrary& DefaultRunTimeLibrary()
{
    static SystemRunTimeLibrary library;
    return library;
}

} // namespace rainfall
