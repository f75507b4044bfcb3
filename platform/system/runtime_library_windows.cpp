// The program's directory, the existence test and file reading on Windows.
#include "runtime_library.h"

#include "runtime_error.h"
#include "windows_error.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace rainfall {

namespace {

[[noreturn]] void CannotRead(DWORD error)
{
    throw RuntimeError(RuntimeError::Kind::FileError, WindowsErrorText(error));
}

class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle()
    {
        if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle_);
    }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

// Reads to the end; the size is only a hint, as files can change meanwhile.
std::string ReadToEnd(HANDLE file, std::size_t sizeHint)
{
    std::string text(sizeHint, '\0');
    std::size_t got = 0;
    for (;;) {
        if (got == text.size())
            text.resize(text.size() + 65536);
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(text.size() - got, 1u << 30));
        DWORD count = 0;
        if (!::ReadFile(file, text.data() + got, wanted, &count, nullptr))
            CannotRead(::GetLastError());
        if (count == 0)
            break;
        got += count;
    }
    text.resize(got);
    return text;
}

} // namespace

void FileText::Release() noexcept
{
    if (mapped_ != nullptr)
        ::UnmapViewOfFile(mapped_);
    mapped_ = nullptr;
}

// A mapped file cannot be shortened by another program while the mapping
// lasts, so the view stays valid for as long as the tips are kept.
FileText SystemRunTimeLibrary::ReadWholeFile(const std::string& path)
{
    const Handle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE)
        CannotRead(::GetLastError());
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size))
        CannotRead(::GetLastError());
    const auto bytes = static_cast<std::size_t>(size.QuadPart);
    if (bytes >= MapFrom) {
        const Handle mapping(
            ::CreateFileMappingA(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
        if (mapping.get() != nullptr) {
            if (const void* view = ::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0))
                return FileText::Mapping(static_cast<const char*>(view), bytes);
        }
        // A file that cannot be mapped is read instead.
    }
    return FileText(ReadToEnd(file.get(), bytes));
}

std::string SystemRunTimeLibrary::ProgramDirectory()
{
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            throw RuntimeError(RuntimeError::Kind::FileError,
                               "the program's directory is unknown: " +
                                   WindowsErrorText(::GetLastError()));
        if (length < buffer.size()) {
            const std::string executable(buffer.data(), length);
            return executable.substr(0, executable.find_last_of("\\/"));
        }
        buffer.resize(buffer.size() * 2);
    }
}

// A directory listing with the path as its pattern, as the system's own "dir"
// makes it: true when it yields at least one entry that is neither a directory
// nor hidden nor a system file.
bool SystemRunTimeLibrary::OrdinaryFileExists(const std::string& path)
{
    if (path.empty())
        return false;
    constexpr DWORD NotOrdinary =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    WIN32_FIND_DATAA entry{};
    const HANDLE search = ::FindFirstFileA(path.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    bool found = false;
    do
        found = (entry.dwFileAttributes & NotOrdinary) == 0;
    while (!found && ::FindNextFileA(search, &entry));
    ::FindClose(search);
    return found;
}

} // namespace rainfall
