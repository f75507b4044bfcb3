// The parts of the run-time library that standard C++ covers on every system.
#include "runtime_library.h"

#include "runtime_error.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

namespace rainfall {

namespace {

[[noreturn]] void CannotRead(int error)
{
    throw RuntimeError(RuntimeError::Kind::FileError, std::generic_category().message(error));
}

struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

std::string JoinPath(const std::string& directory, const std::string& name)
{
    return directory + PathSeparator + name;
}

// The file is read into one string of its own size, so a large file takes no
// more memory than its bytes. The size is only a hint: a file that is shorter
// when read (or reports no size, like those of /proc) is still read whole.
std::string SystemRunTimeLibrary::ReadWholeFile(const std::string& path)
{
    errno = 0;
    const std::unique_ptr<std::FILE, CloseFile> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        CannotRead(errno != 0 ? errno : EIO);

    std::error_code sizeError;
    const std::uintmax_t size = std::filesystem::file_size(path, sizeError);
    std::string text(sizeError ? 0 : static_cast<std::size_t>(size), '\0');
    errno = 0;
    const std::size_t got = std::fread(text.data(), 1, text.size(), file.get());
    if (got < text.size()) {
        text.resize(got);
    } else {
        char chunk[65536];
        std::size_t more = 0;
        while ((more = std::fread(chunk, 1, sizeof chunk, file.get())) > 0)
            text.append(chunk, more);
    }
    if (std::ferror(file.get()))
        CannotRead(errno != 0 ? errno : EIO);
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
