#pragma once

#include <memory>
#include <string>

namespace thiessen {

struct Point {
    double x;
    double y;
};

// A coordinate system as a file or the command line gives it, or none: then
// the coordinates are planar in a unit nobody told. Axes are taken in the
// order GIS files store them: x is the easting or the longitude.
class CoordinateSystem {
public:
    CoordinateSystem() = default; // unknown
    // Anything PROJ reads: "EPSG:32617", WKT (also an ESRI .prj's), a PROJ
    // string. Throws a DataError naming source when PROJ cannot read it.
    CoordinateSystem(const std::string& definition, const std::string& source);
    static CoordinateSystem Wgs84();

    bool Known() const { return !definition_.empty(); }
    bool Geographic() const { return geographic_; }
    const std::string& Definition() const { return definition_; }
    // Its name, "WGS 84 / UTM zone 17N", for messages.
    const std::string& Name() const { return name_; }

private:
    std::string definition_;
    std::string name_;
    bool geographic_ = false;
};

// The coordinate system a --crs option names: what PROJ reads, or the path
// of a file holding it (a .prj). Throws a DataError that names the option.
CoordinateSystem CoordinateSystemFromOption(const std::string& text);

// The length in metres of the shortest path on the WGS84 ellipsoid between
// two points given by longitude (x) and latitude (y).
double GeodesicDistance(Point from, Point to);

// A transformation between two coordinate systems through PROJ, with its own
// PROJ context, so that each thread can have its own. Points that cannot be
// transformed come out as NaN.
class Transformation {
public:
    // From a known system to WGS84 longitude and latitude, in degrees; the
    // identity when it is WGS84 already.
    static Transformation ToWgs84(const CoordinateSystem& from);
    // From WGS84 longitude and latitude to Lambert's azimuthal equal-area
    // projection on the WGS84 ellipsoid centred at (longitude, latitude), in
    // metres: areas on this map are areas on the ellipsoid.
    static Transformation EqualAreaMap(double longitude, double latitude);

    Transformation(Transformation&&) noexcept;
    Transformation& operator=(Transformation&&) noexcept;
    ~Transformation();

    Point Forward(Point point) const;
    Point Inverse(Point point) const;

private:
    struct Proj;
    explicit Transformation(std::unique_ptr<Proj> proj);
    std::unique_ptr<Proj> proj_; // null for the identity
};

} // namespace thiessen
