#pragma once
// Direct-current response of a geo-electric array over a horizontally layered earth: the
// resistivity transform of the earth, its J0 Hankel transform by a linear digital filter, and the
// potential difference and apparent resistivity of every configuration of the array.

#include "core/arrays/array_description.h"
#include "core/bounded_array.h"
#include "core/forward/j0_filter.h"
#include "core/forward/tmodel.h"

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

/// The transform together with its derivatives with respect to Param[1 .. NParam] in dT.
double MonopoleTAndDeriv(const TModel& model, double LogX, OneBased<double, MaxModelParams>& dT);

/// Fills Voltages and AppReses (and, with CalcDeriv, AppResDeriv) for configurations
/// 1 .. numBipoles. Separations below 1e-7 m are left out, as in the geometric factor. Throws
/// ActionError when the model cannot describe an earth (see CheckLayeredModel).
void ForwardModel(bool CalcDeriv, const TModel& Model, const TArrayConfiguration& ArrayConfig,
                  TResponse& Response, const TFilter& Fltr);

} // namespace tem
