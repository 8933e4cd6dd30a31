#pragma once
// Gauss-Legendre nodes and weights on [-1, 1].

#include <vector>

namespace tem::engine {

struct QuadratureRule {
    std::vector<double> nodes;
    std::vector<double> weights;
};

QuadratureRule GaussLegendre(int points);

} // namespace tem::engine
