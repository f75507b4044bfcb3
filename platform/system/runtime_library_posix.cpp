// The program's directory, the existence test and file reading on Linux.
#include "runtime_library.h"

#include "runtime_error.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

namespace rainfall {

namespace {

[[noreturn]] void CannotRead(int error)
{
    throw RuntimeError(RuntimeError::Kind::FileError, std::generic_category().message(error));
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { ::close(fd_); }
    int get() const { return fd_; }

private:
    int fd_;
};

// Reads to the end. The size is only a hint: a file that turns out shorter or
// longer, or reports no size at all like those of /proc, is still read whole.
std::string ReadToEnd(int fd, std::size_t sizeHint)
{
    std::string text(sizeHint, '\0');
    std::size_t got = 0;
    for (;;) {
        if (got == text.size())
            text.resize(text.size() + 65536);
        const ssize_t count = ::read(fd, text.data() + got, text.size() - got);
        if (count == 0)
            break;
        if (count < 0) {
            if (errno == EINTR)
                continue;
            CannotRead(errno);
        }
        got += static_cast<std::size_t>(count);
    }
    text.resize(got);
    return text;
}

} // namespace

void FileText::Release() noexcept
{
    if (mapped_ != nullptr)
        ::munmap(const_cast<char*>(mapped_), mappedSize_);
    mapped_ = nullptr;
}

FileText SystemRunTimeLibrary::ReadWholeFile(const std::string& path)
{
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0)
        CannotRead(errno);
    struct stat status {};
    if (::fstat(file.get(), &status) != 0)
        CannotRead(errno);
    const auto size = static_cast<std::size_t>(status.st_size);
    if (S_ISREG(status.st_mode) && size >= MapFrom) {
        void* view = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file.get(), 0);
        if (view != MAP_FAILED)
            return FileText::Mapping(static_cast<const char*>(view), size);
        // A file system that cannot map files is read instead.
    }
    return FileText(ReadToEnd(file.get(), size));
}

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
