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

// The latitude whose authalic q is the given one, by Newton's method on q:
// dq/dphi = 2 (1 - e^2) cos(phi) / (1 - e^2 sin^2(phi))^2.
static double LatitudeOfQ(double q)
{
    double phi = std::asin(std::clamp(q / 2, -1.0, 1.0));
    for (int i = 0; i < 20; ++i) {
        const double sinPhi = std::sin(phi), cosPhi = std::cos(phi);
        if (cosPhi < 1e-12)
            break;
        const double w = 1 - eccentricitySquared * sinPhi * sinPhi;
        const double step =
            (q - AuthalicQ(sinPhi)) * w * w / (2 * (1 - eccentricitySquared) * cosPhi);
        phi += step;
        if (std::abs(step) < 1e-15)
            break;
    }
    return phi;
}

EqualAreaProjection::Point EqualAreaProjection::Inverse(double x, double y) const
{
    const double rho = std::hypot(x / d_, d_ * y);
    if (rho == 0)
        return {lambda0_ / radiansPerDegree, LatitudeOfQ(sinBeta1_ * qAtPole) / radiansPerDegree};
    const double ce = 2 * std::asin(std::min(1.0, rho / (2 * rq_)));
    const double sinCe = std::sin(ce), cosCe = std::cos(ce);
    const double q = qAtPole * (cosCe * sinBeta1_ + d_ * y * sinCe * cosBeta1_ / rho);
    const double lambda = lambda0_ + std::atan2(x * sinCe, d_ * cosBeta1_ * rho * cosCe -
                                                               d_ * d_ * y * sinBeta1_ * sinCe);
    return {std::remainder(lambda / radiansPerDegree, 360.0), LatitudeOfQ(q) / radiansPerDegree};
}

} // namespace thiessen
