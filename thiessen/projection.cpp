#include "thiessen/projection.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace thiessen {

namespace {

// The WGS84 ellipsoid.
constexpr double semiMajorAxis = 6378137.0;
constexpr double flattening = 1 / 298.257223563;
constexpr double eccentricitySquared = flattening * (2 - flattening);
const double eccentricity = std::sqrt(eccentricitySquared);

constexpr double radiansPerDegree = std::numbers::pi / 180;

// Snyder's q of a latitude, given by its sine: the ellipsoid between the
// equator and that parallel has an area of a²q/2 per radian of longitude. Over
// its value at the pole it is the sine of the authalic latitude, the latitude
// on the sphere of the same area.
double AuthalicQ(double sinLatitude)
{
    double eSin = eccentricity * sinLatitude;
    return (1 - eccentricitySquared) *
           (sinLatitude / (1 - eSin * eSin) + std::atanh(eSin) / eccentricity);
}

const double qAtPole = AuthalicQ(1);

} // namespace

EqualAreaProjection::EqualAreaProjection(double centreLongitude, double centreLatitude)
    : lambda0_(centreLongitude * radiansPerDegree)
{
    double phi1 = centreLatitude * radiansPerDegree;
    double sinPhi1 = std::sin(phi1);
    rq_ = semiMajorAxis * std::sqrt(qAtPole / 2);
    sinBeta1_ = AuthalicQ(sinPhi1) / qAtPole;
    cosBeta1_ = std::sqrt(std::max(0.0, 1 - sinBeta1_ * sinBeta1_));
    // At a pole the scale correction tends to 1, while the ratio below becomes
    // 0/0; within 1e-7 degrees of a pole the pole's own values are used.
    if (std::abs(std::abs(centreLatitude) - 90) < 1e-7) {
        sinBeta1_ = centreLatitude > 0 ? 1 : -1;
        cosBeta1_ = 0;
        d_ = 1;
        return;
    }
    // The parallel's radius over the radius of its image on the sphere of
    // equal area: stretching x by it and shrinking y by it keeps areas and
    // makes the scale true in every direction at the centre.
    double m1 = std::cos(phi1) / std::sqrt(1 - eccentricitySquared * sinPhi1 * sinPhi1);
    d_ = semiMajorAxis * m1 / (rq_ * cosBeta1_);
}

EqualAreaProjection::Point EqualAreaProjection::Forward(double longitude, double latitude) const
{
    double sinBeta = AuthalicQ(std::sin(latitude * radiansPerDegree)) / qAtPole;
    double cosBeta = std::sqrt(std::max(0.0, 1 - sinBeta * sinBeta));
    double dLambda = longitude * radiansPerDegree - lambda0_;
    double cosDLambda = std::cos(dLambda);
    double b = rq_ * std::sqrt(2 / (1 + sinBeta1_ * sinBeta + cosBeta1_ * cosBeta * cosDLambda));
    return {b * d_ * cosBeta * std::sin(dLambda),
            b / d_ * (cosBeta1_ * sinBeta - sinBeta1_ * cosBeta * cosDLambda)};
}

} // namespace thiessen
