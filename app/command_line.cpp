#include "app/command_line.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace rainfall {

namespace {

// Qt's own command-line options, which QApplication takes out of the
// arguments itself; those in the first list take the next argument as their
// value unless it is given with "=".
constexpr std::array<std::string_view, 12> QtOptionsWithValue = {
    "platform",        "platformpluginpath", "platformtheme", "plugin",
    "qwindowgeometry", "qwindowicon",        "qwindowtitle",  "session",
    "display",         "geometry",           "style",         "stylesheet"};
constexpr std::array<std::string_view, 5> QtFlags = {"reverse", "widgetcount", "nograb", "dograb",
                                                     "sync"};

#ifdef RAINFALL_THIESSEN_WINDOW
constexpr bool ThiessenWindowBuilt = true;
#else
constexpr bool ThiessenWindowBuilt = false;
#endif

bool Contains(auto list, std::string_view name)
{
    return std::find(list.begin(), list.end(), name) != list.end();
}

// The option's name without its leading dashes or its "=value".
std::string_view OptionName(std::string_view argument)
{
    argument.remove_prefix(argument.starts_with("--") ? 2 : 1);
    return argument.substr(0, argument.find('='));
}

} // namespace

CommandLine ReadCommandLine(int argc, const char* const* argv)
{
    CommandLine command;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "-h" || argument == "--help")
            return {CommandLine::ShowHelp, {}};
        if (argument == "-v" || argument == "--version")
            return {CommandLine::ShowVersion, {}};
        if (argument == "--thiessen" && ThiessenWindowBuilt) {
            command.thiessen = true;
            continue;
        }
        if (command.thiessen && (argument.size() < 2 || argument[0] != '-')) {
            command.files.emplace_back(argument);
            if (command.files.size() > 3)
                return {CommandLine::Refuse, "--thiessen takes at most three files"};
            continue;
        }
        if (argument.size() < 2 || argument[0] != '-')
            return {CommandLine::Refuse, "unexpected argument '" + std::string(argument) + "'"};
        const std::string_view name = OptionName(argument);
        if (Contains(QtOptionsWithValue, name)) {
            if (argument.find('=') == std::string_view::npos)
                ++i; // its value
        } else if (!Contains(QtFlags, name)) {
            return {CommandLine::Refuse, "unknown option '" + std::string(argument) + "'"};
        }
    }
    return command;
}

std::string UsageText()
{
    return "Usage: " RAINFALL_NAME " [--help | --version]\n"
#ifdef RAINFALL_THIESSEN_WINDOW
           "       " RAINFALL_NAME " --thiessen [GAUGES [BOUNDARY [SERIES]]]\n"
#endif
           "\n"
           "The catchment-average rainfall by the Thiessen polygon method: enter the\n"
           "precipitation at each rain gauge and the area of its Thiessen polygon, and\n"
           "the program shows their count, mean, standard deviation, area-weighted mean\n"
           "and the sum of the areas. It starts at the welcome window.\n"
           "\n"
           "Options:\n"
           "  -h, --help     show this help and exit\n"
           "  -v, --version  show the version and exit\n"
#ifdef RAINFALL_THIESSEN_WINDOW
           "  --thiessen     open the Thiessen Polygons window instead, with the gauges,\n"
           "                 the catchment boundary and a rainfall series if given\n"
#endif
           "\n"
           "Qt's own options, such as -platform or -style, are passed on to Qt.\n";
}

std::string VersionText()
{
    return RAINFALL_NAME " " RAINFALL_VERSION "\n";
}

} // namespace rainfall
