#pragma once

namespace thiessen {

// Lambert's azimuthal equal-area projection on the WGS84 ellipsoid, centred on
// a point of the catchment: areas on the map are areas on the ellipsoid, so
// Thiessen cells drawn on it have their true areas. Coordinates come out in
// metres.
class EqualAreaProjection {
public:
    EqualAreaProjection(double centreLongitude, double centreLatitude);

    struct Point {
        double x;
        double y;
    };
    Point Forward(double longitude, double latitude) const;
    // Longitude (x) and latitude (y) of a point of the map.
    Point Inverse(double x, double y) const;

private:
    double lambda0_;
    double sinBeta1_;
    double cosBeta1_;
    double rq_; // radius of the sphere of equal area
    double d_;  // scale correction at the centre
};

} // namespace thiessen
