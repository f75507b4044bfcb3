#pragma once

#include <cstddef>
#include <random>
#include <string>
#include <string_view>

namespace rainfall {

#ifdef _WIN32
constexpr char PathSeparator = '\\';
#else
constexpr char PathSeparator = '/';
#endif

// `directory`, the platform's separator and `name`. The separator is added
// even when the directory already ends in one; both systems read a doubled
// separator as one.
std::string JoinPath(const std::string& directory, const std::string& name);

// The bytes of a whole file: read into memory, or, for a large file, mapped
// straight from the system's file cache so that they are neither copied nor
// held twice. Move-only; a mapping is released with the object.
class FileText {
public:
    FileText() = default;
    explicit FileText(std::string text) : text_(std::move(text)) {}
    // Takes over a read-only mapping of `size` bytes at `data`.
    static FileText Mapping(const char* data, std::size_t size);

    FileText(FileText&& other) noexcept;
    FileText& operator=(FileText&& other) noexcept;
    FileText(const FileText&) = delete;
    FileText& operator=(const FileText&) = delete;
    ~FileText();

    std::string_view view() const noexcept
    {
        return mapped_ != nullptr ? std::string_view(mapped_, mappedSize_)
                                  : std::string_view(text_);
    }

private:
    void Release() noexcept;

    std::string text_;
    const char* mapped_ = nullptr;
    std::size_t mappedSize_ = 0;
};

// What the program needs of the language's run-time library: its own
// directory, files, and random numbers. Behind an interface so that tests can
// move the program's directory and choose the random draws.
class RunTimeLibrary {
public:
    virtual ~RunTimeLibrary() = default;

    // The directory that holds the running program's executable (not the
    // working directory), without a final separator.
    virtual std::string ProgramDirectory() = 0;

    // Whether `path` names an ordinary file. A directory does not count, nor
    // does a hidden file: on Windows one marked hidden or system, elsewhere
    // one whose name starts with a full stop. An empty path names nothing.
    virtual bool OrdinaryFileExists(const std::string& path) = 0;

    // The whole content of a file, byte for byte. A file that cannot be opened
    // or read is a FileError RuntimeError whose detail gives the system's
    // reason ("Permission denied").
    virtual FileText ReadWholeFile(const std::string& path) = 0;

    // Seeds the random generator from the clock.
    virtual void SeedFromClock() = 0;
    // The next random draw r, 0 <= r < 1.
    virtual float NextRandom() = 0;
};

// The run-time library of this machine. Its random numbers come from a
// Mersenne twister; each draw takes 24 of its bits, so every float of the form
// k / 2^24 is equally likely, down to 0 and up to the largest float below 1.
class SystemRunTimeLibrary : public RunTimeLibrary {
public:
    std::string ProgramDirectory() override;
    bool OrdinaryFileExists(const std::string& path) override;
    // Files smaller than MapFrom are read, so that every failure is reported
    // as an error; larger ones are mapped, which spares copying them through
    // freshly allocated memory, the bulk of the time a large file would take.
    // (A read error in a mapped file cannot be reported: it stops the
    // program, which is why small files are not mapped.)
    static constexpr std::size_t MapFrom = std::size_t{1} << 20;

    FileText ReadWholeFile(const std::string& path) override;
    void SeedFromClock() override;
    float NextRandom() override;

private:
    std::mt19937 generator_;
};

// The run-time library the windows use unless they are given another.
RunTimeLibrary& DefaultRunTimeLibrary();

} // namespace rainfall
