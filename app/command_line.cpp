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

const Program AverageRainfall = {
    RAINFALL_NAME,
    "Usage: " RAINFALL_NAME " [--help | --version]\n"
    "\n"
    "The catchment-average rainfall by the Thiessen polygon method: enter the\n"
    "precipitation at each rain gauge and the area of its Thiessen polygon, and\n"
    "the program shows their count, mean, standard deviation, area-weighted mean\n"
    "and the sum of the areas. It starts at the welcome window.\n",
    0,
};

const Program ThiessenPolygons = {
    RAINFALL_NAME "-thiessen",
    "Usage: " RAINFALL_NAME "-thiessen [GAUGES [BOUNDARY [SERIES]]]\n"
    "       " RAINFALL_NAME "-thiessen --help | --version\n"
    "\n"
    "The Thiessen Polygons window: a map of the rain gauges' Thiessen polygons\n"
    "clipped to the catchment, their areas and weights, the catchment rainfall of\n"
    "what is typed into it and of a series, step by step. It opens the gauges,\n"
    "the catchment boundary and a rainfall series if they are given.\n",
    3,
};

CommandLine ReadCommandLine(const Program& program, int argc, const char* const* argv)
{
    CommandLine command;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "-h" || argument == "--help")
            return {CommandLine::ShowHelp, {}};
        if (argument == "-v" || argument == "--version")
            return {CommandLine::ShowVersion, {}};
        if (argument.size() < 2 || argument[0] != '-') {
            if (command.files.size() == program.maxFiles)
                return {CommandLine::Refuse, "unexpected argument '" + std::string(argument) + "'"};
            command.files.emplace_back(argument);
            continue;
        }
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

std::string HelpText(const Program& program)
{
    std::string text = program.usage;
    text += "\n"
            "Options:\n"
            "  -h, --help     show this help and exit\n"
            "  -v, --version  show the version and exit\n"
            "\n"
            "Qt's own options, such as -platform or -style, are passed on to Qt.\n";
    return text;
}

std::string VersionText(const Program& program)
{
    std::string text = program.name;
    text += " " RAINFALL_VERSION "\n";
    return text;
}

} // namespace rainfall
