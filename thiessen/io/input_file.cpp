#include "thiessen/io/input_file.h"

#include "thiessen/base/data_error.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <filesystem>
#endif

namespace thiessen {

InputFile OpenInputFile(const std::string& path)
{
#ifdef _WIN32
    std::FILE* file = _wfopen(std::filesystem::u8path(path).c_str(), L"rb");
#else
    std::FILE* file = std::fopen(path.c_str(), "rb");
#endif
    if (file == nullptr)
        throw DataError(path, std::string("the file cannot be opened: ") + std::strerror(errno));
    return InputFile(file, &std::fclose);
}

std::string ReadWholeFile(const std::string& path)
{
    const InputFile file = OpenInputFile(path);
    std::string contents;
    char block[65536];
    while (const size_t read = std::fread(block, 1, sizeof block, file.get()))
        contents.append(block, read);
    if (std::ferror(file.get()))
        throw DataError(path, std::string("the file could not be read: ") + std::strerror(errno));
    return contents;
}

} // namespace thiessen
