#include "thiessen/geometry/geos.h"

namespace thiessen {

void GeometryDeleter::operator()(GEOSGeometry* geometry) const
{
    GEOSGeom_destroy_r(context, geometry);
}

Geos::Geos() : handle_(GEOS_init_r())
{
    if (handle_ == nullptr)
        throw GeometryError("the geometry engine could not start");
    GEOSContext_setErrorMessageHandler_r(handle_, &Geos::RecordError, this);
}

Geos::~Geos()
{
    GEOS_finish_r(handle_);
}

void Geos::RecordError(const char* message, void* self)
{
    static_cast<Geos*>(self)->lastError_ = message;
}

std::string Geos::TakeLastError() const
{
    std::string error;
    error.swap(lastError_);
    return error;
}

Geometry Geos::Own(GEOSGeometry* geometry, const char* operation) const
{
    if (geometry == nullptr) {
        std::string reason = TakeLastError();
        throw GeometryError(std::string(operation) + " failed" +
                            (reason.empty() ? std::string() : ": " + reason));
    }
    return Geometry(geometry, GeometryDeleter{handle_});
}

Geometry Geos::Clone(const GEOSGeometry* geometry) const
{
    return Own(GEOSGeom_clone_r(handle_, geometry), "copying a geometry");
}

Geometry Geos::Point(double x, double y) const
{
    return Own(GEOSGeom_createPointFromXY_r(handle_, x, y), "making a point");
}

Geometry Geos::Box(double minX, double minY, double maxX, double maxY) const
{
    return Own(GEOSGeom_createRectangle_r(handle_, minX, minY, maxX, maxY), "making a rectangle");
}

Geometry Geos::Collection(int type, std::vector<Geometry> parts) const
{
    std::vector<GEOSGeometry*> raw;
    raw.reserve(parts.size());
    for (Geometry& part : parts)
        raw.push_back(part.get());
    GEOSGeometry* collection =
        GEOSGeom_createCollection_r(handle_, type, raw.data(), static_cast<unsigned>(raw.size()));
    Geometry owned = Own(collection, "making a collection");
    // The collection now owns the parts.
    for (Geometry& part : parts)
        part.release();
    return owned;
}

double Geos::Area(const GEOSGeometry* geometry) const
{
    double area = 0;
    CheckStatus(*this, GEOSArea_r(handle_, geometry, &area), "measuring an area");
    return area;
}

Geometry Geos::Intersection(const GEOSGeometry* a, const GEOSGeometry* b) const
{
    return Own(GEOSIntersection_r(handle_, a, b), "intersecting two geometries");
}

void CheckStatus(const Geos& geos, int status, const char* operation)
{
    if (status == 0) {
        std::string reason = geos.TakeLastError();
        throw GeometryError(std::string(operation) + " failed" +
                            (reason.empty() ? std::string() : ": " + reason));
    }
}

} // namespace thiessen
