#pragma once

#include <cstdint>
#include <string>

namespace rainfall {

// Window styles of a started program.
constexpr int NormalFocus = 1; // a normal window that receives the focus

// Starts other programs.
class Launcher {
public:
    virtual ~Launcher() = default;

    // Starts the program file `path`, exactly that file: the text is never
    // read as a command line, so spaces in it need no quotes and cannot make it
    // start another program. Returns once the process has started, with its
    // process id; the program does not wait for it. A path that cannot be
    // started (empty, missing, not executable) is a FileError RuntimeError.
    virtual std::int64_t StartProgram(const std::string& path, int windowStyle) = 0;
};

// Starts programs on this machine: CreateProcess with the file named
// explicitly on Windows, posix_spawn without a shell elsewhere, where the
// window style has no meaning and is left to the started program.
Launcher& DefaultLauncher();

} // namespace rainfall
