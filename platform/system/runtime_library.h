#pragma once

#include <random>
#include <string>

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

    // The whole content of a file, byte for byte, as it reads to its end. A
    // file that cannot be opened or read is a FileError RuntimeError whose
    // detail gives the system's reason ("Permission denied").
    virtual std::string ReadWholeFile(const std::string& path) = 0;

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
    std::string ReadWholeFile(const std::string& path) override;
    void SeedFromClock() override;
    float NextRandom() override;

private:
    std::mt19937 generator_;
};

// The run-time library the windows use unless they are given another.
RunTimeLibrary& DefaultRunTimeLibrary();

} // namespace rainfall
