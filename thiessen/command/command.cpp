#include "thiessen/command/command.h"

#include "thiessen/catchment.h"
#include "thiessen/catchment_rainfall.h"
#include "thiessen/data_error.h"
#include "thiessen/output.h"
#include "thiessen/series_reader.h"

#include <stdexcept>
#include <utility>

namespace thiessen {

namespace {

constexpr const char* Usage =
    "Usage: thiessen weights [--cells CELLS.geojson] [--picture MAP.svg] GAUGES BOUNDARY\n"
    "       thiessen series [--missing TOKEN]... GAUGES BOUNDARY SERIES\n"
    "       thiessen --help | --version\n";

constexpr const char* Help =
    "thiessen - catchment rainfall by the Thiessen polygon method\n"
    "\n"
    "%s"
    "\n"
    "Commands:\n"
    "  weights   Builds the Thiessen polygon of every gauge, clipped to the catchment,\n"
    "            and prints CSV with the header id,area,weight and one row per gauge\n"
    "            in the order of GAUGES. A gauge's weight is its polygon's area divided\n"
    "            by the catchment's; the weights sum to 1.\n"
    "  series    Prints the catchment rainfall of every time step as CSV with the\n"
    "            header time,rainfall,gauges: the weighted sum of the gauges' values\n"
    "            and the number of gauges that reported. At a step where some gauges\n"
    "            did not report, the weights are those of the Thiessen polygons of\n"
    "            the gauges that did. Where no gauge reported, rainfall is empty.\n"
    "\n"
    "Files:\n"
    "  GAUGES    CSV with a header naming the columns id,x,y (planar coordinates in\n"
    "            any unit; areas come out in that unit squared) or id,lon,lat (WGS84\n"
    "            degrees; the gauges go on an equal-area map of the catchment and\n"
    "            areas come out in square kilometres). Other columns are ignored.\n"
    "  BOUNDARY  The catchment: GeoJSON (.geojson, .json: a Polygon or MultiPolygon,\n"
    "            or a Feature or FeatureCollection of them), WKT (.wkt) or an ESRI\n"
    "            shapefile (.shp), in the same coordinates as the gauges.\n"
    "  SERIES    CSV whose first column is the time and whose other columns are\n"
    "            named by gauge ids, in any order. A missing value is an empty\n"
    "            field, NA or NaN.\n"
    "  CSV files may use ';' as the separator (then ',' is a decimal comma), CR LF\n"
    "  line ends and a UTF-8 byte-order mark.\n"
    "\n"
    "Options:\n"
    "  --cells FILE     weights: also write the clipped polygons, with their gauges'\n"
    "                   ids, areas and weights, as GeoJSON\n"
    "  --picture FILE   weights: also draw a map of the polygons as SVG\n"
    "  --missing TOKEN  series: one more text that marks a missing value, such as\n"
    "                   -9999; may be given more than once\n"
    "  -h, --help       print this help and exit\n"
    "  -v, --version    print the version and exit\n"
    "\n"
    "Files written with --cells and --picture appear whole or not at all.\n"
    "\n"
    "Exit status: 0 on success, 1 for bad data (the message names the file, the\n"
    "line and the column), 2 for a wrong command line.\n";

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Request {
    std::string command;
    std::vector<std::string> files;
    std::string cells, picture;
    std::vector<std::string> missingTokens;
    bool help = false, version = false;
};

// Takes an option's value, written as "--name value" or "--name=value".
bool TakeOption(const std::string& name, const std::vector<std::string>& arguments, std::size_t& i,
                std::string& value)
{
    const std::string& argument = arguments[i];
    if (argument.rfind(name + "=", 0) == 0) {
        value = argument.substr(name.size() + 1);
    } else if (argument == name) {
        if (i + 1 >= arguments.size())
            throw UsageError(name + " needs a value");
        value = arguments[++i];
    } else {
        return false;
    }
    if (value.empty())
        throw UsageError(name + " needs a value");
    return true;
}

Request Parse(const std::vector<std::string>& arguments)
{
    Request request;
    bool onlyFiles = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        std::string value;
        if (onlyFiles || argument == "-" || argument.empty() || argument[0] != '-') {
            if (request.command.empty())
                request.command = argument;
            else
                request.files.push_back(argument);
        } else if (argument == "--") {
            onlyFiles = true;
        } else if (argument == "-h" || argument == "--help") {
            request.help = true;
        } else if (argument == "-v" || argument == "--version") {
            request.version = true;
        } else if (TakeOption("--cells", arguments, i, value)) {
            request.cells = value;
        } else if (TakeOption("--picture", arguments, i, value)) {
            request.picture = value;
        } else if (TakeOption("--missing", arguments, i, value)) {
            request.missingTokens.push_back(value);
        } else {
            throw UsageError("unknown option " + argument);
        }
    }
    return request;
}

void CheckRequest(const Request& request)
{
    if (request.command.empty())
        throw UsageError("no command given");
    if (request.command != "weights" && request.command != "series")
        throw UsageError("unknown command " + request.command);
    const std::size_t expected = request.command == "weights" ? 2 : 3;
    if (request.files.size() != expected)
        throw UsageError(request.command + " takes " + std::to_string(expected) + " files, not " +
                         std::to_string(request.files.size()));
    if (request.command == "weights" && !request.missingTokens.empty())
        throw UsageError("--missing belongs to series");
    if (request.command == "series" && (!request.cells.empty() || !request.picture.empty()))
        throw UsageError("--cells and --picture belong to weights");
}

void Print(std::FILE* out, const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), out);
}

int Weights(const Request& request, std::FILE* out)
{
    Geos geos;
    const Catchment catchment = LoadCatchment(geos, request.files[0], request.files[1]);
    // The files first: a result on the screen should mean that they are written.
    if (!request.cells.empty())
        WriteFileAtomically(request.cells, CellsGeoJson(geos, catchment));
    if (!request.picture.empty())
        WriteFileAtomically(request.picture, MapSvg(geos, catchment));
    Print(out, WeightsCsv(catchment));
    return 0;
}

int Series(const Request& request, std::FILE* out, std::FILE* err)
{
    Geos geos;
    const Catchment catchment = LoadCatchment(geos, request.files[0], request.files[1]);
    std::vector<std::string> ids;
    for (const Gauge& gauge : catchment.gauges.gauges)
        ids.push_back(gauge.id);
    SeriesReader reader(request.files[2], ids, request.missingTokens);
    CatchmentRainfall rainfall(*catchment.diagram);
    SeriesStep step;
    long emptySteps = 0, firstEmptyLine = 0;
    // The header comes with the first step, so that a file refused at its
    // first line leaves no output.
    bool headerPrinted = false;
    while (reader.Next(step)) {
        if (!std::exchange(headerPrinted, true))
            Print(out, SeriesCsvHeader());
        const StepRainfall result = rainfall.Compute(step.values);
        if (!result.rainfall && emptySteps++ == 0)
            firstEmptyLine = step.line;
        Print(out, SeriesCsvLine(step.time, result));
    }
    if (!headerPrinted)
        Print(out, SeriesCsvHeader());
    if (emptySteps > 0)
        std::fprintf(err,
                     "thiessen: %s: no gauge reported at %ld step%s (the first on line %ld); "
                     "the rainfall of %s is left empty\n",
                     request.files[2].c_str(), emptySteps, emptySteps == 1 ? "" : "s",
                     firstEmptyLine, emptySteps == 1 ? "that step" : "those steps");
    return 0;
}

} // namespace

int RunCommand(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err)
{
    Request request;
    try {
        request = Parse(arguments);
        if (request.help) {
            std::fprintf(out, Help, Usage);
            return 0;
        }
        if (request.version) {
            std::fprintf(out, "thiessen %s\n", THIESSEN_VERSION);
            return 0;
        }
        CheckRequest(request);
    } catch (const UsageError& error) {
        std::fprintf(err, "thiessen: %s\n%s", error.what(), Usage);
        return 2;
    }
    try {
        return request.command == "weights" ? Weights(request, out) : Series(request, out, err);
    } catch (const std::exception& error) {
        std::fflush(out);
        std::fprintf(err, "thiessen: %s\n", error.what());
        return 1;
    }
}

} // namespace thiessen
