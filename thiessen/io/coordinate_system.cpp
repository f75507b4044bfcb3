#include "thiessen/io/coordinate_system.h"

#include "thiessen/base/data_error.h"
#include "thiessen/io/input_file.h"

#include <geodesic.h>
#include <proj.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>

#ifdef _WIN32
#include <windows.h>
#endif

namespace thiessen {

namespace {

using Context = std::unique_ptr<PJ_CONTEXT, decltype(&proj_context_destroy)>;
using Object = std::unique_ptr<PJ, decltype(&proj_destroy)>;

// A PROJ context that says nothing on standard error: failures come back as
// null results, which this program words itself. On Windows proj.db travels
// beside the program, unless PROJ_DATA says otherwise.
Context NewContext()
{
    Context context(proj_context_create(), &proj_context_destroy);
    proj_log_level(context.get(), PJ_LOG_NONE);
#ifdef _WIN32
    if (std::getenv("PROJ_DATA") == nullptr && std::getenv("PROJ_LIB") == nullptr) {
        wchar_t module[MAX_PATH];
        const DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
        const std::u8string utf8 =
            std::filesystem::path(module, module + length).parent_path().u8string();
        const std::string folder(utf8.begin(), utf8.end());
        const char* paths[] = {folder.c_str()};
        proj_context_set_search_paths(context.get(), 1, paths);
    }
#endif
    return context;
}

Object Own(PJ* object)
{
    return Object(object, &proj_destroy);
}

// The horizontal part of a system: a compound system's first, a bound
// system's source.
Object Horizontal(PJ_CONTEXT* context, Object crs)
{
    switch (proj_get_type(crs.get())) {
    case PJ_TYPE_COMPOUND_CRS:
        return Horizontal(context, Own(proj_crs_get_sub_crs(context, crs.get(), 0)));
    case PJ_TYPE_BOUND_CRS:
        return Horizontal(context, Own(proj_get_source_crs(context, crs.get())));
    default:
        return crs;
    }
}

bool IsGeographic(PJ_TYPE type)
{
    return type == PJ_TYPE_GEOGRAPHIC_2D_CRS || type == PJ_TYPE_GEOGRAPHIC_3D_CRS;
}

bool IsCrs(PJ_TYPE type)
{
    return IsGeographic(type) || type == PJ_TYPE_PROJECTED_CRS || type == PJ_TYPE_COMPOUND_CRS ||
           type == PJ_TYPE_BOUND_CRS || type == PJ_TYPE_GEODETIC_CRS;
}

constexpr const char* kWgs84 = "EPSG:4326";

} // namespace

CoordinateSystem::CoordinateSystem(const std::string& definition, const std::string& source)
{
    const Context context = NewContext();
    Object crs = Own(proj_create(context.get(), definition.c_str()));
    if (crs == nullptr || !IsCrs(proj_get_type(crs.get())))
        throw DataError(source, "the coordinate system cannot be read; expected an EPSG code "
                                "(EPSG:32617), WKT or a PROJ string");
    crs = Horizontal(context.get(), std::move(crs));
    definition_ = definition;
    const char* name = proj_get_name(crs.get());
    name_ = name != nullptr ? name : "";
    geographic_ = IsGeographic(proj_get_type(crs.get()));
}

CoordinateSystem CoordinateSystem::Wgs84()
{
    static const CoordinateSystem wgs84(kWgs84, kWgs84);
    return wgs84;
}

CoordinateSystem CoordinateSystemFromOption(const std::string& text)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(std::filesystem::u8path(text), error))
        return CoordinateSystem(text, "--crs " + text);
    return CoordinateSystem(ReadWholeFile(text), text);
}

double GeodesicDistance(Point from, Point to)
{
    static const geod_geodesic wgs84 = [] {
        geod_geodesic geodesic;
        geod_init(&geodesic, 6378137, 1 / 298.257223563);
        return geodesic;
    }();
    double distance = 0;
    geod_inverse(&wgs84, from.y, from.x, to.y, to.x, &distance, nullptr, nullptr);
    return distance;
}

struct Transformation::Proj {
    Context context = NewContext();
    Object operation{nullptr, &proj_destroy};
};

Transformation::Transformation(std::unique_ptr<Proj> proj) : proj_(std::move(proj)) {}
Transformation::Transformation(Transformation&&) noexcept = default;
Transformation& Transformation::operator=(Transformation&&) noexcept = default;
Transformation::~Transformation() = default;

Transformation Transformation::ToWgs84(const CoordinateSystem& from)
{
    auto proj = std::make_unique<Proj>();
    PJ_CONTEXT* context = proj->context.get();
    const Object source = Own(proj_create(context, from.Definition().c_str()));
    const Object target = Own(proj_create(context, kWgs84));
    if (source == nullptr || target == nullptr)
        throw DataError(from.Name(), "the coordinate system cannot be read");
    if (proj_is_equivalent_to_with_ctx(context, source.get(), target.get(),
                                       PJ_COMP_EQUIVALENT_EXCEPT_AXIS_ORDER_GEOGCRS))
        return Transformation(nullptr);
    const Object operation =
        Own(proj_create_crs_to_crs_from_pj(context, source.get(), target.get(), nullptr, nullptr));
    if (operation != nullptr)
        proj->operation = Own(proj_normalize_for_visualization(context, operation.get()));
    if (proj->operation == nullptr)
        throw DataError(from.Name(), "no transformation to longitude and latitude was found");
    return Transformation(std::move(proj));
}

Transformation Transformation::EqualAreaMap(double longitude, double latitude)
{
    auto proj = std::make_unique<Proj>();
    char definition[256];
    std::snprintf(definition, sizeof definition,
                  "+proj=pipeline +step +proj=unitconvert +xy_in=deg +xy_out=rad "
                  "+step +proj=laea +lon_0=%.17g +lat_0=%.17g +ellps=WGS84",
                  longitude, latitude);
    proj->operation = Own(proj_create(proj->context.get(), definition));
    if (proj->operation == nullptr)
        throw DataError("the map", "the equal-area projection cannot be made");
    return Transformation(std::move(proj));
}

namespace {

Point Apply(PJ* operation, PJ_DIRECTION direction, Point point)
{
    const PJ_COORD result = proj_trans(operation, direction, proj_coord(point.x, point.y, 0, 0));
    if (!std::isfinite(result.xy.x) || !std::isfinite(result.xy.y) ||
        std::abs(result.xy.x) == HUGE_VAL)
        return {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN()};
    return {result.xy.x, result.xy.y};
}

} // namespace

Point Transformation::Forward(Point point) const
{
    return proj_ ? Apply(proj_->operation.get(), PJ_FWD, point) : point;
}

Point Transformation::Inverse(Point point) const
{
    return proj_ ? Apply(proj_->operation.get(), PJ_INV, point) : point;
}

} // namespace thiessen
