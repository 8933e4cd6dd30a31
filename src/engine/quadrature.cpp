#include "engine/quadrature.h"

#include <cmath>

#include "engine/constants.h"

namespace tem::engine {

QuadratureRule GaussLegendre(int points)
{
    QuadratureRule rule;
    rule.nodes.resize(points);
    rule.weights.resize(points);
    for (int i = 0; i < points; ++i) {
        // Newton's method on P_n from the Chebyshev-like first guess.
        double x = std::cos(Pi * (i + 0.75) / (points + 0.5));
        double derivative = 1;
        for (int iteration = 0; iteration < 100; ++iteration) {
            double p0 = 1, p1 = x;
            for (int k = 2; k <= points; ++k) {
                double p2 = ((2 * k - 1) * x * p1 - (k - 1) * p0) / k;
                p0 = p1;
                p1 = p2;
            }
            derivative = points * (x * p1 - p0) / (x * x - 1);
            double step = p1 / derivative;
            x -= step;
            if (std::abs(step) < 1e-16)
                break;
        }
        rule.nodes[i] = x;
        rule.weights[i] = 2 / ((1 - x * x) * derivative * derivative);
    }
    return rule;
}

} // namespace tem::engine
