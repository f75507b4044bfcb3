#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace rainfall {

// What sets each of the program's executables apart on the command line.
struct Program {
    const char* name;     // as it is typed
    const char* usage;    // its usage and what it does
    std::size_t maxFiles; // how many files it opens from the command line
};

// The calculator, which starts at the welcome window and opens no files.
extern const Program AverageRainfall;
// The Thiessen window, with the gauges, boundary and series files given.
extern const Program ThiessenPolygons;

// What the command line asks of the program.
struct CommandLine {
    enum Action { Start, ShowHelp, ShowVersion, Refuse };
    Action action = Start;
    std::string error;                // why it is refused
    std::vector<std::string> files{}; // the files to open, in order
};

// Reads the program's arguments before anything needs a display: --help
// (-h), --version (-v), up to the program's number of files, and Qt's own
// options, which are left to Qt (-platform offscreen, -style fusion, ...).
// Anything else is refused.
CommandLine ReadCommandLine(const Program& program, int argc, const char* const* argv);

// The help text: the program's usage, what it does and its options.
std::string HelpText(const Program& program);

// The program's name and version.
std::string VersionText(const Program& program);

} // namespace rainfall
