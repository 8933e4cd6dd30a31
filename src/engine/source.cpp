#include "engine/source.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "engine/constants.h"
#include "engine/quadrature.h"

namespace tem::engine {

namespace {

struct Vector3 {
    double x = 0, y = 0, z = 0;
};

Vector3 Cross(const Vector3& a, const Vector3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Dot(const Vector3& a, const Vector3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
double Norm(const Vector3& a)
{
    return std::sqrt(Dot(a, a));
}

/// H of a straight wire from a to b carrying one ampere, at r (Biot-Savart, exact).
Vector3 WireField(const Vector3& a, const Vector3& b, const Vector3& r)
{
    Vector3 ab{b.x - a.x, b.y - a.y, b.z - a.z};
    double length = Norm(ab);
    Vector3 t{ab.x / length, ab.y / length, ab.z / length};
    Vector3 u{r.x - a.x, r.y - a.y, r.z - a.z};
    Vector3 v{r.x - b.x, r.y - b.y, r.z - b.z};
    Vector3 c = Cross(t, u);
    double c2 = Dot(c, c);
    if (c2 <= 1e-24 * Dot(u, u))
        return {}; // on the wire's line, outside the wire: no field
    double factor = (Dot(t, u) / Norm(u) - Dot(t, v) / Norm(v)) / (4 * Pi * c2);
    return {c.x * factor, c.y * factor, c.z * factor};
}

double Component3(const Vector3& h, Component component)
{
    switch (component) {
    case Component::X:
        return h.x;
    case Component::Y:
        return h.y;
    case Component::Z:
        return h.z;
    }
    return 0;
}

/// Lagrange weights of the eight lattice nodes -3..4 around a point at fraction t in [0, 1).
std::array<double, 8> LagrangeWeights(double t)
{
    std::array<double, 8> w{};
    for (int j = 0; j < 8; ++j) {
        double value = 1;
        for (int m = 0; m < 8; ++m)
            if (m != j)
                value *= (t - (m - 3)) / static_cast<double>(j - m);
        w[j] = value;
    }
    return w;
}

} // namespace

double SignedArea(const std::vector<Point2>& corners)
{
    double twice = 0;
    const std::size_t n = corners.size();
    for (std::size_t i = 0; i < n; ++i) {
        const Point2& a = corners[i];
        const Point2& b = corners[(i + 1) % n];
        twice += a.x * b.y - b.x * a.y;
    }
    return twice / 2;
}

double DistanceToWires(const std::vector<Point2>& corners, Point2 point)
{
    double best = INFINITY;
    const std::size_t n = corners.size();
    for (std::size_t i = 0; i < n; ++i) {
        const Point2& a = corners[i];
        const Point2& b = corners[(i + 1) % n];
        double dx = b.x - a.x, dy = b.y - a.y;
        double length2 = dx * dx + dy * dy;
        double s = length2 > 0 ? ((point.x - a.x) * dx + (point.y - a.y) * dy) / length2 : 0;
        s = std::clamp(s, 0.0, 1.0);
        best = std::min(best, std::hypot(point.x - (a.x + s * dx), point.y - (a.y + s * dy)));
    }
    return best;
}

SourceWeights ComputeSourceWeights(const LoopAndReceiver& geometry, const DigitalFilter& hankel,
                                   const SourceSettings& settings)
{
    const std::vector<Point2>& corners = geometry.corners;
    const std::size_t n_corners = corners.size();
    const double orientation = SignedArea(corners) >= 0 ? 1.0 : -1.0;
    const double total_height = geometry.loop_height + geometry.receiver_height;
    const Point2 r = geometry.receiver;
    SourceWeights result;

    // Static field.
    Vector3 receiver3{r.x, r.y, geometry.receiver_height};
    Vector3 h_static;
    for (std::size_t i = 0; i < n_corners; ++i) {
        const Point2& a = corners[i];
        const Point2& b = corners[(i + 1) % n_corners];
        if (a == b)
            continue;
        Vector3 h = WireField({a.x, a.y, geometry.loop_height}, {b.x, b.y, geometry.loop_height}, receiver3);
        h_static = {h_static.x + h.x, h_static.y + h.y, h_static.z + h.z};
    }
    result.static_field = Mu0 * orientation * Component3(h_static, geometry.component);

    // Quadrature points along the wires: distance rho from the receiver and the weight that
    // multiplies g(rho) (vertical component) or Phi(rho) (horizontal components).
    struct WirePoint {
        double rho, weight;
    };
    std::vector<WirePoint> points;
    const QuadratureRule rule = GaussLegendre(settings.points_per_piece);
    for (std::size_t i = 0; i < n_corners; ++i) {
        const Point2& a = corners[i];
        const Point2& b = corners[(i + 1) % n_corners];
        double length = std::hypot(b.x - a.x, b.y - a.y);
        if (length <= 0)
            continue;
        double tx = (b.x - a.x) / length, ty = (b.y - a.y) / length;
        double wx = r.x - a.x, wy = r.y - a.y;
        double along = tx * wx + ty * wy;            // receiver's foot point, from a
        double normal_offset = -(wx * ty - wy * tx); // (a - r) . n, n = (t_y, -t_x)
        double d = std::abs(normal_offset);
        double factor = 0;
        switch (geometry.component) {
        case Component::Z:
            factor = normal_offset;
            break;
        case Component::X:
            factor = ty;
            break;
        case Component::Y:
            factor = -tx;
            break;
        }
        // Parts of the wire on either side of the foot point, as distances |s| from it.
        std::vector<std::pair<double, double>> parts;
        double s0 = -along, s1 = length - along;
        if (s0 < 0 && s1 > 0) {
            parts.push_back({0, -s0});
            parts.push_back({0, s1});
        } else {
            parts.push_back({std::min(std::abs(s0), std::abs(s1)), std::max(std::abs(s0), std::abs(s1))});
        }
        for (auto [lo, hi] : parts) {
            // Variable v with ds = rho dv: s = d sinh v (or s = e^v when the receiver is on the
            // wire's line), which spreads the points where the integrand changes fastest.
            bool on_line = d < 1e-9 * length;
            if (on_line && lo <= 0)
                continue;
            double v0 = on_line ? std::log(lo) : std::asinh(lo / d);
            double v1 = on_line ? std::log(hi) : std::asinh(hi / d);
            int pieces = std::max(1, static_cast<int>(std::ceil((v1 - v0) / settings.piece_length)));
            double piece = (v1 - v0) / pieces;
            for (int k = 0; k < pieces; ++k) {
                for (std::size_t q = 0; q < rule.nodes.size(); ++q) {
                    double v = v0 + piece * (k + 0.5 * (rule.nodes[q] + 1));
                    double w = 0.5 * piece * rule.weights[q];
                    double rho = on_line ? std::exp(v) : d * std::cosh(v);
                    // Vertical: d g(rho)/rho ds = d g dv. Horizontal: Phi ds = Phi rho dv.
                    double weight = geometry.component == Component::Z ? factor * w : factor * rho * w;
                    points.push_back({rho, weight});
                }
            }
        }
    }
    if (points.empty())
        return result;

    // Spread each point over the eight nearest nodes of the offset lattice rho_n = exp(a n).
    const double a = hankel.spacing;
    double min_rho = points.front().rho, max_rho = min_rho;
    for (const WirePoint& p : points) {
        min_rho = std::min(min_rho, p.rho);
        max_rho = std::max(max_rho, p.rho);
    }
    LatticeRange offsets{static_cast<int>(std::floor(std::log(min_rho) / a)) - 3,
                         static_cast<int>(std::floor(std::log(max_rho) / a)) + 4};
    std::vector<double> node_weight(offsets.count(), 0.0);
    for (const WirePoint& p : points) {
        double x = std::log(p.rho) / a;
        int base = static_cast<int>(std::floor(x));
        std::array<double, 8> lw = LagrangeWeights(x - base);
        for (int j = 0; j < 8; ++j)
            node_weight[base - 3 + j - offsets.first] += p.weight * lw[j];
    }

    // Hankel filter: F(rho_n) = (1/rho_n) sum_i f(base_i / rho_n) h_i, lambda = exp(a (i - c - n)).
    const std::vector<double>& h = geometry.component == Component::Z ? hankel.second : hankel.first;
    const int size = hankel.size();
    LatticeRange wavenumbers{-hankel.centre - offsets.last, size - 1 - hankel.centre - offsets.first};
    std::vector<double> weights(wavenumbers.count(), 0.0);
    for (int nn = offsets.first; nn <= offsets.last; ++nn) {
        double c = node_weight[nn - offsets.first] / std::exp(a * nn);
        if (c == 0)
            continue;
        for (int i = 0; i < size; ++i)
            weights[i - hankel.centre - nn - wavenumbers.first] += c * h[i];
    }
    const double scale = Mu0 * orientation / (4 * Pi);
    for (int p = wavenumbers.first; p <= wavenumbers.last; ++p) {
        double lambda = std::exp(a * p);
        double damping = lambda * total_height > 60 ? 0.0 : std::exp(-lambda * total_height);
        weights[p - wavenumbers.first] *= scale * lambda * damping;
    }
    // Trim the wavenumbers that cannot matter: those the height damps away, and the tails where the
    // filter weights fall below 1e-13 of the largest (|r_TE| <= 1, so they change nothing that the
    // filter itself resolves).
    double largest = 0;
    for (double w : weights)
        largest = std::max(largest, std::abs(w));
    const double negligible = 1e-13 * largest;
    int first = 0, last = wavenumbers.count() - 1;
    while (first <= last && std::abs(weights[first]) <= negligible)
        ++first;
    while (last >= first && std::abs(weights[last]) <= negligible)
        --last;
    if (first > last)
        return result;
    result.wavenumbers = {wavenumbers.first + first, wavenumbers.first + last};
    result.weights.assign(weights.begin() + first, weights.begin() + last + 1);
    return result;
}

} // namespace tem::engine
