#include "core/forward/tmodel.h"

#include <cmath>
#include <limits>

#include "core/action_error.h"
#include "core/files/value_forms.h"

namespace tem {

namespace {

bool fitsSingle(double v)
{
    return std::isfinite(v) && std::fabs(v) <= std::numeric_limits<float>::max();
}

std::string checkValues(int nLayer, int nParam, auto thickness, auto resistivity)
{
    if (nLayer < 1 || nLayer > MaxModelLayers)
        return "A layered earth needs 1 to " + std::to_string(MaxModelLayers) + " layers, not " +
               std::to_string(nLayer) + ".";
    if (nParam != 2 * nLayer - 1)
        return "A layered earth of " + std::to_string(nLayer) + " layers has " +
               std::to_string(2 * nLayer - 1) + " parameters, not " + std::to_string(nParam) + ".";
    for (int i = 1; i < nLayer; ++i) {
        const double h = thickness(i);
        if (!fitsSingle(h) || h < 0)
            return "The thickness of layer " + std::to_string(i) + " (" + FormatGeneral(h) +
                   " m) must be a number of 0 or more.";
    }
    for (int i = 1; i <= nLayer; ++i) {
        const double rho = resistivity(i);
        if (!fitsSingle(rho) || !(float(rho) > 0))
            return "The resistivity of layer " + std::to_string(i) + " (" + FormatGeneral(rho) +
                   " ohm-m) must be a number above 0.";
    }
    return {};
}

} // namespace

std::string CheckLayeredModel(const TModel& model)
{
    if (model.NLayer < 1 || model.NLayer > MaxModelLayers || model.NParam != 2 * model.NLayer - 1)
        return checkValues(
            model.NLayer, model.NParam, [](int) { return 0.0; }, [](int) { return 1.0; });
    return checkValues(
        model.NLayer, model.NParam, [&](int i) { return double(model.Param[i]); },
        [&](int i) { return double(model.Param[model.NLayer - 1 + i]); });
}

TModel MakeLayeredModel(const std::vector<double>& thicknesses, const std::vector<double>& resistivities)
{
    const int nLayer = int(resistivities.size());
    if (resistivities.empty() || thicknesses.size() + 1 != resistivities.size())
        throw ActionError("A layered earth needs one thickness fewer than resistivities (" +
                          std::to_string(thicknesses.size()) + " thicknesses, " +
                          std::to_string(resistivities.size()) + " resistivities).");
    const std::string problem = checkValues(
        nLayer, 2 * nLayer - 1, [&](int i) { return thicknesses[std::size_t(i - 1)]; },
        [&](int i) { return resistivities[std::size_t(i - 1)]; });
    if (!problem.empty())
        throw ActionError(problem);
    TModel m;
    m.NLayer = nLayer;
    m.NParam = 2 * nLayer - 1;
    for (int i = 1; i < nLayer; ++i)
        m.Param[i] = float(thicknesses[std::size_t(i - 1)]);
    for (int i = 1; i <= nLayer; ++i)
        m.Param[nLayer - 1 + i] = float(resistivities[std::size_t(i - 1)]);
    return m;
}

} // namespace tem
