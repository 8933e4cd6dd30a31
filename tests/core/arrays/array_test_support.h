#pragma once
// Small builders shared by the array tests.

#include <utility>
#include <vector>

#include "core/arrays/array_description.h"

namespace tem::testing {

using Pairs = std::vector<std::pair<double, double>>; ///< (separation, share) of each pair

/// One configuration per entry.
inline TArrayConfiguration MakeArray(const std::vector<Pairs>& configs)
{
    TArrayConfiguration a;
    int i = 0;
    for (const Pairs& c : configs) {
        ++i;
        int j = 0;
        for (const auto& [r, q] : c) {
            ++j;
            a.CP[i][j] = r;
            a.CPProp[i][j] = q;
        }
        a.numCurPot[i] = j;
        if (j > a.MaxCP)
            a.MaxCP = j;
    }
    a.numBipoles = i;
    return a;
}

/// Current electrodes at -L and +L, potential electrodes at -l/2 and +l/2.
inline Pairs SchlumbergerPairs(double L, double l)
{
    const double h = l / 2;
    return {{L - h, 1}, {L + h, -1}, {L + h, -1}, {L - h, 1}};
}

/// Wenner alpha with spacing a.
inline Pairs WennerPairs(double a)
{
    return {{a, 1}, {2 * a, -1}, {2 * a, -1}, {a, 1}};
}

} // namespace tem::testing
