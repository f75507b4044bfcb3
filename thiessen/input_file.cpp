#include "thiessen/input_file.h"

#include "thiessen/data_error.h"

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

} // namespace thiessen
