#pragma once

// The geometry engine, GEOS, through its thread-safe C API. A Geos object is
// one GEOS context: every geometry made with it belongs to it and must be
// used on the thread that made it.

#define GEOS_USE_ONLY_R_API
#include <geos_c.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace thiessen {

// A failure inside GEOS, with GEOS's own words for it.
class GeometryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Geos;

struct GeometryDeleter {
    GEOSContextHandle_t context = nullptr;
    void operator()(GEOSGeometry* geometry) const;
};

// A geometry owned by the program.
using Geometry = std::unique_ptr<GEOSGeometry, GeometryDeleter>;

class Geos {
public:
    Geos();
    ~Geos();
    Geos(const Geos&) = delete;
    Geos& operator=(const Geos&) = delete;

    GEOSContextHandle_t Handle() const { return handle_; }

    // Takes ownership of what a GEOS call returned; a null result throws a
    // GeometryError with GEOS's message and the name of the operation.
    Geometry Own(GEOSGeometry* geometry, const char* operation) const;
    // A copy of a geometry.
    Geometry Clone(const GEOSGeometry* geometry) const;

    Geometry Point(double x, double y) const;
    // A rectangle as a polygon.
    Geometry Box(double minX, double minY, double maxX, double maxY) const;
    // A geometry collection (or multipoint, ...) made of the given parts.
    Geometry Collection(int type, std::vector<Geometry> parts) const;

    double Area(const GEOSGeometry* geometry) const;
    Geometry Intersection(const GEOSGeometry* a, const GEOSGeometry* b) const;

    // The last error GEOS reported on this context, emptied by the call.
    std::string TakeLastError() const;

private:
    static void RecordError(const char* message, void* self);

    GEOSContextHandle_t handle_;
    mutable std::string lastError_;
};

// Throws a GeometryError that names the operation when a GEOS call that
// returns a status reported an error.
void CheckStatus(const Geos& geos, int status, const char* operation);

} // namespace thiessen
