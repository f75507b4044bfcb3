#include "thiessen/command/command.h"

#include "thiessen/base/data_error.h"
#include "thiessen/io/series_reader.h"
#include "thiessen/output/output.h"
#include "thiessen/study/catchment.h"
#include "thiessen/study/catchment_rainfall.h"

#include <stdexcept>
#include <utility>

namespace thiessen {

namespace {

constexpr const char* Usage =
    "Usage: thiessen weights [FILE OPTIONS] [--cells CELLS.geojson] [--picture MAP.svg]\n"
    "                        GAUGES BOUNDARY\n"
    "       thiessen series [FILE OPTIONS] [--missing TOKEN]... GAUGES BOUNDARY SERIES\n"
    "       thiessen --help | --version\n"
    "FILE OPTIONS: [--layer NAME] [--gauges-layer NAME] [--id FIELD] [--crs CRS]\n";

constexpr const char* Help =
    "thiessen - catchment rainfall by the Thiessen polygon method\n"
    "\n"
    "%s"
    "\n"
    "Commands:\n"
    "  weights   Builds the Thiessen polygon of every gauge, clipped to the catchment,\n"
    "            and prints CSV with the header id,area_km2,weight (id,area,weight\n"
    "            where the unit is unknown) and one row per gauge in the order of\n"
    "            GAUGES. A gauge's weight is its polygon's area divided by the\n"
    "            catchment's; the weights sum to 1.\n"
    "  series    Prints the catchment rainfall of every time step as CSV with the\n"
    "            header time,rainfall,gauges: the weighted sum of the gauges' values\n"
    "            and the number of gauges that reported. At a step where some gauges\n"
    "            did not report, the weights are those of the Thiessen polygons of\n"
    "            the gauges that did. Where no gauge reported, rainfall is empty.\n"
    "\n"
    "Files:\n"
    "  GAUGES    CSV with a header naming the columns id,x,y or id,lon,lat (WGS84\n"
    "            degrees); other columns are ignored. Or a point layer: GeoPackage\n"
    "            (.gpkg), shapefile (.shp, or zipped .zip), GeoJSON, FlatGeobuf (.fgb),\n"
    "            KML or GML, whose id field is --id or the one field named id,\n"
    "            station_id, gauge_id, station, gauge, code or name.\n"
    "  BOUNDARY  The catchment: polygons in any of those formats, or WKT (.wkt).\n"
    "            Several features are merged into one catchment; invalid polygons\n"
    "            are repaired, and standard error says what and where.\n"
    "  SERIES    CSV whose first column is the time and whose other columns are\n"
    "            named by gauge ids, in any order. A missing value is an empty\n"
    "            field, NA or NaN.\n"
    "  CSV files may use ';' as the separator (then ',' is a decimal comma), CR LF\n"
    "  line ends and a UTF-8 byte-order mark.\n"
    "\n"
    "Coordinate systems:\n"
    "  They come from the files: a shapefile's .prj, a GeoPackage's own, WGS84\n"
    "  for GeoJSON and for lon,lat columns. x,y columns take --crs, or\n"
    "  else the boundary's system. When the systems are known, everything goes on\n"
    "  an equal-area map of the catchment (Lambert azimuthal, on the WGS84\n"
    "  ellipsoid), the edges drawn as the files have them, and areas come out in\n"
    "  square kilometres (area_km2). When no file names one, both are planar in\n"
    "  the same unknown unit, and areas come out in it squared (area).\n"

    "\n"
    "Options:\n"
    "  --layer NAME     the boundary's layer, in a file that has several\n"
    "  --gauges-layer NAME  the gauges' layer, in a file that has several\n"
    "  --id FIELD       the field of the gauges' layer that holds their ids\n"
    "  --crs CRS        the coordinate system of x,y gauges: EPSG:32617, WKT, a PROJ\n"
    "                   string or a .prj file\n"
    "  --cells FILE     weights: also write the clipped polygons, with their gauges'\n"
    "                   ids, areas and weights, as GeoJSON (WGS84 where the\n"
    "                   coordinate systems are known; null for a gauge of no area)\n"
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
    std::string layer, gaugesLayer, idField, crs;
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
        } else if (TakeOption("--layer", arguments, i, value)) {
            request.layer = value;
        } else if (TakeOption("--gauges-layer", arguments, i, value)) {
            request.gaugesLayer = value;
        } else if (TakeOption("--id", arguments, i, value)) {
            request.idField = value;
        } else if (TakeOption("--crs", arguments, i, value)) {
            request.crs = value;
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

// The catchment of the request's files; what was repaired or looks wrong is
// said on standard error.
Catchment Load(const Geos& geos, const Request& request, std::FILE* err)
{
    CatchmentOptions options;
    options.boundaryLayer = request.layer;
    options.gauges = {request.gaugesLayer, request.idField};
    if (!request.crs.empty())
        options.gaugesSystem = CoordinateSystemFromOption(request.crs);
    Catchment catchment = LoadCatchment(geos, request.files[0], request.files[1], options);
    for (const std::string& warning : catchment.warnings)
        std::fprintf(err, "thiessen: %s\n", warning.c_str());
    return catchment;
}

int Weights(const Request& request, std::FILE* out, std::FILE* err)
{
    Geos geos;
    const Catchment catchment = Load(geos, request, err);

    // The files first: a result on the screen should mean that they are written.
    if (!request.cells.empty())
        WriteFileAtomically(request.cells, CellsGeoJson(geos, catchment));
    if (!request.picture.empty())
        WriteFileAtomically(request.picture, MapSvg(geos, catchment));
    Print(out, WeightsCsv(catchment));
    if (!catchment.map)
        std::fprintf(err,
                     "thiessen: neither %s nor %s names its coordinate system: the areas are "
                     "in their coordinates' unit, squared, whatever that is\n",
                     request.files[0].c_str(), request.files[1].c_str());
    return 0;
}

int Series(const Request& request, std::FILE* out, std::FILE* err)
{
    Geos geos;
    const Catchment catchment = Load(geos, request, err);
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
        return request.command == "weights" ? Weights(request, out, err)
                                            : Series(request, out, err);
    } catch (const GeometryError&) {
        // The boundary is repaired before it is used, so this is GEOS failing
        // on something the program did not foresee; its words mean nothing to
        // a user.
        std::fflush(out);
        std::fprintf(err,
                     "thiessen: %s: the Thiessen polygons could not be built on this "
                     "boundary\n",
                     request.files[1].c_str());
        return 1;
    } catch (const std::exception& error) {
        std::fflush(out);
        std::fprintf(err, "thiessen: %s\n", error.what());
        return 1;
    }
}

} // namespace thiessen
