#include "core/geoelectric/j0_filter.h"

#include <initializer_list>

namespace tem {

namespace {

// Resistivity-sounding filters for a generalised electrode array (Geophysical Prospecting 32,
// 1984, 105-123). The coefficients run from the smallest to the largest abscissa lambda * r.
TFilter makeFilter(int decade, double shift, int upper, std::initializer_list<double> coefficients)
{
    TFilter f;
    f.Decade = decade;
    f.Shift = shift;
    f.Upper = upper;
    f.Length = int(coefficients.size());
    int i = 1;
    for (double c : coefficients)
        f.Filter[i++] = c;
    return f;
}

} // namespace

const TFilter& J0Filter3()
{
    static const TFilter f =
        makeFilter(3, -0.3481185, 8,
                   {0.0011202648, 0.0006611306, 0.0028179051, 0.0052906108, 0.011619926, 0.025430473,
                    0.053202168, 0.11831727, 0.23852339, 0.4919097, 0.54266651, -0.6116561, 0.14173189,
                    -0.027630381, 0.007935737, -0.0027463511, 0.00092351432, -0.0002193375});
    return f;
}

const TFilter& J0Filter6()
{
    static const TFilter f = makeFilter(
        6, -0.046339794, 15,
        {8.4425526e-05, -0.00021882381, 0.00039923559, -0.00049027701, 0.000592497,   -0.00054020889,
         0.00060583179, -0.0004291559,  0.00057101276, -0.00022915809, 0.00059304408, 7.7189702e-05,
         0.00077478667, 0.00060252276,  0.0012970289,  0.0016092431,   0.002541381,   0.0036642011,
         0.0053314638,  0.0079850087,   0.011444049,   0.017186041,    0.024696153,   0.036848033,
         0.053164166,   0.078516672,    0.11274909,    0.1623984,      0.22316687,    0.28858818,
         0.30261711,    0.1549609,      -0.31944102,   -0.53691781,    0.51952565,    -0.19766413,
         0.055804654,   -0.016775565,   0.0060349908,  -0.0024666537,  0.0010562826,  -0.00044021318,
         0.00016384342, -4.7368911e-05, 7.7514972e-06});
    return f;
}

const TFilter& J0Filter12()
{
    // Designed by scripts/design_j0_dc_filter.py for the published header; see the script for the
    // method.
    static const TFilter f = makeFilter(12, 0.069287577, 94,
                                        {
#include "core/geoelectric/j0_filter12_coefficients.inc"
                                        });
    return f;
}

const TFilter* J0FilterForDecade(int pointsPerDecade)
{
    switch (pointsPerDecade) {
    case 3:
        return &J0Filter3();
    case 6:
        return &J0Filter6();
    case 12:
        return &J0Filter12();
    default:
        return nullptr;
    }
}

} // namespace tem
