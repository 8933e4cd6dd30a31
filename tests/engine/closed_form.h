#pragma once
// Closed forms used as independent references by the engine tests.
//
// Central-loop step-off response of a circular loop (radius a, one ampere) lying on a homogeneous
// half-space of conductivity sigma, receiver at the centre (Ward and Hohmann, 1988, Electromagnetic
// theory for geophysical applications, eqs. 4.97 and 4.98), with theta = sqrt(mu0 sigma / (4 t)):
//   hz(t)     = 1/(2a) [ 3/(sqrt(pi) theta a) e^{-theta^2 a^2} + (1 - 3/(2 theta^2 a^2)) erf(theta a) ]
//   dhz/dt(t) = -1/(mu0 sigma a^3) [ 3 erf(theta a) - 2/sqrt(pi) theta a (3 + 2 theta^2 a^2) e^{-theta^2 a^2}
//   ]
// hz(0+) = 1/(2a) is the static field of the loop, so B = mu0 hz is continuous at turn-off.

#include <cmath>
#include <vector>

#include "engine/constants.h"
#include "engine/source.h"

namespace tem::engine::test {

/// B_z (T/A) at the centre, t > 0 after switching one ampere off.
inline double CentralLoopB(double radius, double resistivity, double t)
{
    double theta_a = std::sqrt(Mu0 / resistivity / (4 * t)) * radius;
    double x2 = theta_a * theta_a;
    return Mu0 / (2 * radius) *
           (3 / (std::sqrt(Pi) * theta_a) * std::exp(-x2) + (1 - 3 / (2 * x2)) * std::erf(theta_a));
}

/// -dB_z/dt (V/(A m^2)) at the centre, t > 0 after switching one ampere off.
inline double CentralLoopDbdt(double radius, double resistivity, double t)
{
    double sigma = 1 / resistivity;
    double theta_a = std::sqrt(Mu0 * sigma / (4 * t)) * radius;
    double x2 = theta_a * theta_a;
    return 1 / (sigma * radius * radius * radius) *
           (3 * std::erf(theta_a) - 2 / std::sqrt(Pi) * theta_a * (3 + 2 * x2) * std::exp(-x2));
}

/// A regular polygon of `sides` corners with the area of a circle of `radius`, centred on `centre`.
inline std::vector<Point2> CircleAsPolygon(double radius, int sides, Point2 centre = {},
                                           bool clockwise = false)
{
    double corner_radius = radius * std::sqrt(2 * Pi / (sides * std::sin(2 * Pi / sides)));
    std::vector<Point2> corners;
    for (int i = 0; i < sides; ++i) {
        double angle = 2 * Pi * i / sides * (clockwise ? -1 : 1);
        corners.push_back(
            {centre.x + corner_radius * std::cos(angle), centre.y + corner_radius * std::sin(angle)});
    }
    return corners;
}

} // namespace tem::engine::test
