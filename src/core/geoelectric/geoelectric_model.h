#pragma once
// Direct-current response of a geo-electric array over a horizontally layered earth: the
// resistivity transform of the earth, its J0 Hankel transform by a linear digital filter, and the
// potential difference and apparent resistivity of every configuration of the array; and the
// forward window's Direct recalculation of a whole model set with it.

#include <array>
#include <string>
#include <vector>

#include "core/arrays/array_description.h"
#include "core/bounded_array.h"
#include "core/forward/tmodel.h"
#include "core/geoelectric/j0_filter.h"

namespace tem {

inline constexpr int MaxResponseConfigs = 30;
/// Apparent resistivities (ohm-m) and their derivatives are never reported smaller than this.
inline constexpr double MinAppRes = 1e-6;

struct TResponse {
    OneBased<float, MaxResponseConfigs> Voltages; ///< potential difference per ampere (V/A)
    OneBased<float, MaxResponseConfigs> AppReses; ///< apparent resistivity (ohm-m)
    OneBased<OneBased<float, MaxModelParams>, MaxResponseConfigs> AppResDeriv; ///< per model parameter
};

/// Resistivity transform (ohm-m) of the model at the wavenumber lambda = e^-LogX (1/m).
double MonopoleT(const TModel& model, double LogX);

/// Fills Voltages and AppReses (and, with CalcDeriv, AppResDeriv) for configurations
/// 1 .. numBipoles. Separations below 1e-7 m are left out, as in the geometric factor. Throws
/// ActionError when the model cannot describe an earth (see CheckLayeredModel).
void ForwardModel(bool CalcDeriv, const TModel& Model, const TArrayConfiguration& ArrayConfig,
                  TResponse& Response, const TFilter& Fltr);

struct ForwardStore;

/// The Direct recalculation: for every model the geo-electric response of the array with the J0
/// filter of `filterPointsPerDecade` (3, 6 or 12): ln10responses = log10 apparent resistivity,
/// RespVoltages = voltage, per bipole. Returns the response table of model 0: bipole, "%7.6g" of
/// voltage, apparent resistivity and effective depth. Throws ActionError.
std::vector<std::array<std::string, 4>> DirectRecalculation(const ArrayDescription& array,
                                                            ForwardStore& store, int filterPointsPerDecade);

} // namespace tem
