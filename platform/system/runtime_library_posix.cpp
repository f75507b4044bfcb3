// The program's directory and the existence test on Linux.
#include "platform/system/runtime_library.h"

#include "errors/runtime_error.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

namespace rainfall {

std::string SystemRunTimeLibrary::ProgramDirectory()
{
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            throw RuntimeError(RuntimeError::Kind::FileError,
                               "the program's directory is unknown: " +
                                   std::generic_category().message(errno));
        if (static_cast<std::size_t>(length) < buffer.size()) {
            const std::string executable(buffer.data(), static_cast<std::size_t>(length));
            const std::size_t slash = executable.rfind('/');
            return slash == 0 ? "/" : executable.substr(0, slash);
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool SystemRunTimeLibrary::OrdinaryFileExists(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (nameStart >= path.size() || path[nameStart] == '.')
        return false;
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

} // namespace rainfall
