#pragma once

#include <string>
#include <vector>

namespace rainfall {

// What the command line asks of the program.
struct CommandLine {
    enum Action { Start, ShowHelp, ShowVersion, Refuse };
    Action action = Start;
    std::string error; // why it is refused
    // --thiessen: the Thiessen window instead of the welcome window, with
    // the gauges, boundary and series files given after it.
    bool thiessen = false;
    std::vector<std::string> files{};
};

// Reads the program's arguments before anything needs a display: --help
// (-h), --version (-v), --thiessen with up to three files, and Qt's own options, which are left to
// Qt
// (-platform offscreen, -style fusion, ...). Anything else is refused.
CommandLine ReadCommandLine(int argc, const char* const* argv);

// The help text: usage, purpose and options.
std::string UsageText();

// The program's name and version.
std::string VersionText();

} // namespace rainfall
