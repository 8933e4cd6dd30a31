#pragma once
// Linear digital filters for the J0 Hankel transform of a resistivity transform: the potential of
// a point electrode over a layered earth, sampled at 3, 6 or 12 points per decade.

#include "core/bounded_array.h"

namespace tem {

inline constexpr int MaxFilterLength = 167;

struct TFilter {
    int Decade = 0;   ///< samples per decade
    double Shift = 0; ///< abscissa shift (natural log)
    int Length = 0;   ///< number of coefficients in use
    int Upper = 0;    ///< samples above the shifted origin
    OneBased<double, MaxFilterLength> Filter;
};

const TFilter& J0Filter3();
const TFilter& J0Filter6();
const TFilter& J0Filter12();
/// The filter with 3, 6 or 12 points per decade; nullptr for any other count.
const TFilter* J0FilterForDecade(int pointsPerDecade);

} // namespace tem
