#pragma once
// Geometric factors, midpoints and effective depths of an array description.

#include <vector>

#include "core/arrays/array_description.h"

namespace tem {

class Operator;

/// -1 for negative x, otherwise +1 (also for 0).
double Sgn(double x);

/// GeomFact[i] = 2 pi / |sum of share / separation| for i = 1 .. numBipoles. A pair with a
/// separation below 1e-7 m is reported and left out; a configuration whose sum vanishes (or is not
/// finite) is reported and gets 0, which the forward model turns into the smallest resistivity.
void CalcGeomFact(TArrayConfiguration& a, Operator& op);

/// The same for the array submerged to SubDepth below a non-conducting surface (with the mirror
/// images of the electrodes): 4 pi / |sum share * (1/r + 1/sqrt(r^2 + (2 SubDepth)^2))|.
void CalcSubmergedGeomFact(TArrayConfiguration& a, Operator& op);

/// MidpointX and MidpointY: the mean of the pairs' centres weighted by |share / separation|.
/// Pairs whose weight is not finite are left out; when no weight remains the plain mean is used.
void CalcMidpoints(TArrayConfiguration& a, TArrayConfigExt& ext);

/// The effective-depth grid: depths D[0..5000] from 0.01 m to 1000 m in steps of 0.001 in
/// log10(depth), and the slice widths W[1..4999] (W[0] and W[5000] are 0).
struct EffectiveDepthGrid {
    std::vector<long double> D;
    std::vector<long double> W;
};
const EffectiveDepthGrid& NDICDepthGrid();

/// Effective depth (median depth of the normalised depth-of-investigation characteristic over a
/// half-space) of one configuration, resolved to the grid; D[4999] when half is never reached.
float NDICEffDepthOf(const TArrayConfiguration& a, int cfg);

/// Fills EffDepth[1 .. numBipoles].
void NDICEffDepth(TArrayConfiguration& a);

/// After a reading or a generator: geometric factors (with their warnings), submerged factors,
/// effective depths and midpoints.
void RecalculateArray(ArrayDescription& d, Operator& op);

} // namespace tem
