#include "thiessen/command/command.h"

#include "thiessen/base/data_error.h"
#include "thiessen/command/series_run.h"
#include "thiessen/io/series_reader.h"
#include "thiessen/output/output.h"
#include "thiessen/study/catchment.h"
#include "thiessen/study/catchment_rainfall.h"

#include <cmath>
#include <stdexcept>
#include <thread>
#include <utility>

namespace thiessen {

namespace {

constexpr const char* Usage =
    "Usage: thiessen weights [FILE OPTIONS] [--all] [--cells CELLS.geojson]\n"
    "                        [--picture MAP.svg] GAUGES BOUNDARY\n"
    "       thiessen series [FILE OPTIONS] [--missing TOKEN]... [--trace TOKEN]... [--long]\n"
    "                       GAUGES BOUNDARY SERIES\n"
    "       thiessen --help | --version\n"
    "FILE OPTIONS: [--layer NAME] [--gauges-layer NAME] [--id FIELD] [--crs CRS] [--by FIELD]\n";

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
    "            catchment's; the weights sum to 1. With --by, the weights of each\n"
    "            sub-basin, with the header catchment,id,area_km2,weight: the\n"
    "            sub-basins in the layer's order, each with the gauges whose polygon\n"
    "            has area in it (all of them with --all); they sum to 1 in each.\n"
    "  series    Prints the catchment rainfall of every time step as CSV with the\n"
    "            header time,rainfall,gauges: the weighted sum of the gauges' values\n"
    "            and the number of gauges that reported. At a step where some gauges\n"
    "            did not report, the weights are those of the Thiessen polygons of\n"
    "            the gauges that did. Where no gauge reported, rainfall is empty.\n"
    "            With --by, the header is time and the sub-basins' names, a column\n"
    "            of rainfall each; --long gives rows of catchment,time,rainfall,gauges.\n"
    "\n"
    "Files:\n"
    "  GAUGES    CSV with a header naming the columns id,x,y or id,lon,lat (WGS84\n"
    "            degrees), or their usual names: station, gauge, code or name for\n"
    "            id (id first, name last; or the column --id names); easting,\n"
    "            northing for x, y; longitude, long, latitude for lon, lat. Other\n"
    "            columns are ignored. Or a point layer: GeoPackage (.gpkg),\n"
    "            shapefile (.shp, or zipped .zip), GeoJSON, FlatGeobuf (.fgb), KML\n"
    "            or GML, whose id field is --id or the one field named id,\n"
    "            station_id, gauge_id, station, gauge, code or name.\n"
    "  BOUNDARY  The catchment: polygons in any of those formats, or WKT (.wkt).\n"
    "            Several features are merged into one catchment, unless --by names\n"
    "            the field whose values name sub-basins: features of the same value\n"
    "            are one sub-basin, and each is computed on its own. Invalid\n"
    "            polygons are repaired, and standard error says what and where.\n"
    "  SERIES    CSV in one of two forms. Wide: the first column is the time, the\n"
    "            others are named by gauge ids, in any order, a line a step. Long:\n"
    "            a line a value, with columns for the gauge (id, station, gauge,\n"
    "            code or name), the time (time, date, datetime) and the value\n"
    "            (value, rainfall, precipitation, prcp), in any order; other\n"
    "            columns are ignored. Long steps come in time order when every time\n"
    "            is ISO 8601 (2026-05-01, 2026-05-01T09:00, with seconds or a Z or\n"
    "            +10:00 offset), else as they first appear; a gauge without a line\n"
    "            at a time is missing then. A missing value is an empty field, NA\n"
    "            or NaN. A gauge the file never names is missing at every step.\n"
    "  CSV files may use ';' or a tab as the separator (then ',' is a decimal\n"
    "  comma), CR LF line ends and a UTF-8 byte-order mark.\n"
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
    "  --id FIELD       the field of the gauges' layer, or the column of their CSV,\n"
    "                   that holds their ids\n"
    "  --crs CRS        the coordinate system of x,y gauges: EPSG:32617, WKT, a PROJ\n"
    "                   string or a .prj file\n"
    "  --by FIELD       the field of the boundary's layer that names sub-basins\n"
    "  --all            weights --by: every gauge in every sub-basin, even of no area\n"
    "  --cells FILE     weights: also write the clipped polygons, with their gauges'\n"
    "                   ids, areas and weights, as GeoJSON (WGS84 where the\n"
    "                   coordinate systems are known; null for a gauge of no area)\n"
    "  --picture FILE   weights: also draw a map of the polygons as SVG\n"
    "  --missing TOKEN  series: one more text that marks a missing value, such as\n"
    "                   -9999; may be given more than once\n"
    "  --trace TOKEN    series: a text that marks a trace of rain, counted as 0,\n"
    "                   such as T; may be given more than once\n"
    "  --long           series: a row per catchment and step\n"
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
    std::string basinField;
    std::vector<std::string> missingTokens, traceTokens;
    bool all = false, longForm = false, help = false, version = false;
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
        } else if (argument == "--all") {
            request.all = true;
        } else if (argument == "--long") {
            request.longForm = true;
        } else if (TakeOption("--cells", arguments, i, value)) {
            request.cells = value;
        } else if (TakeOption("--picture", arguments, i, value)) {
            request.picture = value;
        } else if (TakeOption("--missing", arguments, i, value)) {
            request.missingTokens.push_back(value);
        } else if (TakeOption("--trace", arguments, i, value)) {
            request.traceTokens.push_back(value);
        } else if (TakeOption("--by", arguments, i, value)) {
            request.basinField = value;
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
    if (request.command == "weights" && !request.traceTokens.empty())
        throw UsageError("--trace belongs to series");
    if (request.command == "weights" && request.longForm)
        throw UsageError("--long belongs to series");
    if (request.all && (request.command != "weights" || request.basinField.empty()))
        throw UsageError("--all belongs to weights --by");
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
    options.basinField = request.basinField;
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
        WriteFileAtomically(request.cells, CellsGeoJson(geos, catchment, request.all));
    if (!request.picture.empty())
        WriteFileAtomically(request.picture, MapSvg(geos, catchment));
    Print(out, catchment.subBasins.empty() ? WeightsCsv(catchment)
                                           : SubBasinWeightsCsv(catchment, request.all));
    if (!catchment.map)
        std::fprintf(err,
                     "thiessen: neither %s nor %s names its coordinate system: the areas are "
                     "in their coordinates' unit, squared, whatever that is\n",
                     request.files[0].c_str(), request.files[1].c_str());
    return 0;
}

// The gauges the series never mentions, named: they count as missing at
// every step, which a user should know.
void NameAbsentGauges(const Catchment& catchment, const std::vector<bool>& inFile,
                      const std::string& name, std::FILE* err)
{
    std::vector<std::string> absent;
    for (std::size_t i = 0; i < inFile.size(); ++i)
        if (!inFile[i])
            absent.push_back(catchment.gauges.gauges[i].id);
    if (absent.empty())
        return;
    constexpr std::size_t kShown = 10;
    std::string list;
    for (std::size_t k = 0; k < std::min(absent.size(), kShown); ++k)
        list += (k == 0 ? "" : ", ") + absent[k];
    if (absent.size() > kShown)
        list += " and " + std::to_string(absent.size() - kShown) + " more";
    std::fprintf(err,
                 "thiessen: %s: %zu of the %zu gauges never appear in it (%s); they count as "
                 "missing at every step\n",
                 name.c_str(), absent.size(), inFile.size(), list.c_str());
}

int Series(const Request& request, std::FILE* out, std::FILE* err)
{
    Geos geos;
    const Catchment catchment = Load(geos, request, err);
    std::vector<std::string> ids;
    for (const Gauge& gauge : catchment.gauges.gauges)
        ids.push_back(gauge.id);
    const std::string& name = request.files[2];
    const std::unique_ptr<SeriesSource> source =
        OpenSeries(name, ids, {request.missingTokens, request.traceTokens});
    NameAbsentGauges(catchment, source->GaugesInFile(), name, err);

    const SeriesOutput output{request.longForm              ? SeriesLayout::Long
                              : catchment.subBasins.empty() ? SeriesLayout::OneCatchment
                                                            : SeriesLayout::Wide,
                              catchment.BasinNames(request.files[1])};
    const SeriesNotes notes = WriteSeries(*source, catchment, GaugesInside(geos, catchment), output,
                                          std::thread::hardware_concurrency(), out);
    std::fputs(notes.Text(name).c_str(), err);
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
