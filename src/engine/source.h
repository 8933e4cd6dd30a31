#pragma once
// The source: a closed horizontal polygonal loop of straight wires carrying one ampere, and the
// receiver component it is seen by. Reduces the geometry to one vector of Hankel-filter weights,
// so that the secondary field at any frequency is a single dot product with the kernel r_TE.
//
// Field of the loop (quasi-static, loop and receiver in the air, z up, loop height h_s, receiver
// height h_r, H = h_s + h_r), from the area integral of vertical magnetic dipoles turned into a
// line integral over the wires (t the unit tangent, n = (t_y, -t_x), A a wire's first corner, R
// the receiver, rho the horizontal distance from the receiver to the wire point):
//   Hz_s =  1/(4 pi) sum_wires ((A - R).n) int g(rho) / rho ds
//   Hx_s =  1/(4 pi) sum_wires t_y int Phi(rho) ds
//   Hy_s = -1/(4 pi) sum_wires t_x int Phi(rho) ds
// with g(rho)   = int_0^inf r_TE e^{-lambda H} lambda J1(lambda rho) dlambda
// and  Phi(rho) = int_0^inf r_TE e^{-lambda H} lambda J0(lambda rho) dlambda.
// The static free-space field (the whole field at zero frequency) follows Biot and Savart exactly.
// Field values are B per ampere (T/A) along the receiver axis (X and Y as in the files, Z up, along
// the loop's moment), with the loop's current taken in the sense that makes its moment point up,
// whatever the order of its corners.

#include <vector>

#include "engine/transform.h"

namespace tem::engine {

enum class Component { X = 1, Y = 2, Z = 3 };

struct Point2 {
    double x = 0, y = 0;
    bool operator==(const Point2&) const = default;
};

struct LoopAndReceiver {
    std::vector<Point2> corners; ///< absolute horizontal coordinates, m, in order along the wire
    double loop_height = 0;      ///< m above the ground surface
    Point2 receiver;
    double receiver_height = 0; ///< m above the ground surface
    Component component = Component::Z;
};

/// Numerical settings of the wire integration; the forward model accepts 1 to 64 points per piece
/// and a piece length from 0.01 to 10, and refuses other values.
struct SourceSettings {
    int points_per_piece = 8;  ///< Gauss-Legendre points per piece of a wire
    double piece_length = 0.5; ///< piece length in asinh(distance along wire / perpendicular distance)
};

struct SourceWeights {
    double static_field = 0;     ///< T/A at zero frequency, the free-space field
    LatticeRange wavenumbers;    ///< lambda_p = exp(spacing * p)
    std::vector<double> weights; ///< D_p: B_secondary(omega) = sum_p r_TE(lambda_p, omega) D_p
};

/// Signed area of the polygon, m^2 (positive when the corners run counter-clockwise in x, y).
double SignedArea(const std::vector<Point2>& corners);

/// Smallest horizontal distance from `point` to the closed polygon's wires, m.
double DistanceToWires(const std::vector<Point2>& corners, Point2 point);

/// The closest a receiver may come to a wire (horizontally), m.
inline constexpr double MinimumWireDistance = 0.01;

/// Needs at least three corners, a non-zero area and the receiver no closer than
/// MinimumWireDistance to a wire (the caller checks).
SourceWeights ComputeSourceWeights(const LoopAndReceiver& geometry, const DigitalFilter& hankel,
                                   const SourceSettings& settings = {});

} // namespace tem::engine
