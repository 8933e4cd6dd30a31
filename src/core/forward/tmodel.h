#pragma once
// One horizontally layered earth of the forward model set.

#include <string>
#include <vector>

#include "core/bounded_array.h"

namespace tem {

inline constexpr int MaxModelParams = 32;
/// NParam = 2 * NLayer - 1 must fit in Param[1..32].
inline constexpr int MaxModelLayers = 16;

/// Param[1 .. NLayer-1] are the thicknesses (m) of layers 1 .. NLayer-1; Param[NLayer .. NParam]
/// the resistivities (ohm-m) of layers 1 .. NLayer, the last one the half-space.
struct TModel {
    int NParam = 0;
    int NLayer = 0;
    OneBased<float, MaxModelParams> Param;
    float RMS = 0;
    int LayerBelowBed = 0;
};

/// Builds a model from thicknesses (one fewer than resistivities). Throws ActionError naming the
/// first value that cannot describe an earth: a count beyond the limits, a resistivity that is not
/// positive, a thickness that is negative, or a value that does not fit a single-precision number.
TModel MakeLayeredModel(const std::vector<double>& thicknesses, const std::vector<double>& resistivities);

/// Empty when the model can be evaluated, else the reason (same checks as MakeLayeredModel).
std::string CheckLayeredModel(const TModel& model);

} // namespace tem
