#include "core/geoelectric/geoelectric_model.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "core/action_error.h"
#include "core/arrays/array_geometry.h"
#include "core/files/value_forms.h"
#include "core/forward/forward_store.h"

namespace tem {

namespace {

/// The model unpacked once per call: layer i = 0 .. n-1, thickness of the n-1 upper layers.
struct Earth {
    int n = 0;
    std::array<double, MaxModelLayers> h{};
    std::array<double, MaxModelLayers> rho{};
};

Earth unpack(const TModel& m)
{
    const std::string problem = CheckLayeredModel(m);
    if (!problem.empty())
        throw ActionError(problem);
    Earth e;
    e.n = m.NLayer;
    for (int i = 0; i < e.n - 1; ++i)
        e.h[std::size_t(i)] = m.Param[i + 1];
    for (int i = 0; i < e.n; ++i)
        e.rho[std::size_t(i)] = m.Param[m.NLayer + i];
    return e;
}

/// Reflection factor of a layer of thickness h at wavenumber lambda. Above u = 50 the exponential
/// is taken as 0 rather than computed, so nothing underflows.
inline double tauOf(double lambda, double h)
{
    const double u = 2 * lambda * h;
    const double E = u <= 50 ? std::exp(-u) : 0.0;
    return (1 - E) / (1 + E);
}

/// Downward-continued recurrence from the half-space up to the surface.
inline double transform(const Earth& e, double lambda)
{
    double T = e.rho[std::size_t(e.n - 1)];
    for (int i = e.n - 2; i >= 0; --i) {
        const double rho = e.rho[std::size_t(i)];
        const double tau = tauOf(lambda, e.h[std::size_t(i)]);
        T = (rho * tau + T) / (tau * T / rho + 1);
    }
    return T;
}

/// The same with dT/dParam[p], p = 1 .. NParam, carried up layer by layer.
double transformAndDeriv(const Earth& e, double lambda, std::array<double, MaxModelParams + 1>& dT)
{
    const int nLayer = e.n;
    const int nParam = 2 * nLayer - 1;
    dT.fill(0.0);
    double T = e.rho[std::size_t(nLayer - 1)];
    dT[std::size_t(nParam)] = 1;
    for (int i = nLayer - 2; i >= 0; --i) {
        const double rho = e.rho[std::size_t(i)];
        const double u = 2 * lambda * e.h[std::size_t(i)];
        const double E = u <= 50 ? std::exp(-u) : 0.0;
        const double tau = (1 - E) / (1 + E);
        const double D = tau * T / rho + 1;
        const double Tn = (rho * tau + T) / D;
        const double dTdT = (1 - Tn * tau / rho) / D;
        const double dTdRho = (tau + Tn * tau * T / (rho * rho)) / D;
        const double dTdTau = (rho - Tn * T / rho) / D;
        const double dTauDh = lambda * (1 - tau * tau);
        for (int p = 1; p <= nParam; ++p)
            dT[std::size_t(p)] *= dTdT;
        dT[std::size_t(i + 1)] = dTdTau * dTauDh; // thickness of layer i+1
        dT[std::size_t(nLayer + i)] = dTdRho;     // resistivity of layer i+1
        T = Tn;
    }
    return T;
}

/// Smallest magnitude of a reported derivative, keeping its sign (zero counts as negative).
float floorDerivative(double v)
{
    if (std::fabs(v) >= MinAppRes && std::isfinite(v))
        return float(v);
    if (!std::isfinite(v))
        return float(MinAppRes);
    return float(v > 0 ? MinAppRes : -MinAppRes);
}

bool usableSeparation(double r)
{
    return r >= MinMonopoleSeparation && std::isfinite(r);
}

} // namespace

double MonopoleT(const TModel& model, double LogX)
{
    return transform(unpack(model), std::exp(-LogX));
}

void ForwardModel(bool CalcDeriv, const TModel& Model, const TArrayConfiguration& ArrayConfig,
                  TResponse& Response, const TFilter& Fltr)
{
    const Earth earth = unpack(Model);
    if (Fltr.Decade < 1 || Fltr.Length < 1 || Fltr.Length > MaxFilterLength)
        throw ActionError("The J0 filter is not usable (" + std::to_string(Fltr.Decade) + " per decade, " +
                          std::to_string(Fltr.Length) + " coefficients).");
    const int L = Fltr.Length;
    const double lnStep = std::numbers::ln10 / Fltr.Decade;
    const double offset = Fltr.Upper * lnStep + Fltr.Shift;
    // Coefficient l meets sample L + 1 - l, whose abscissa is LogX = (L - l) * lnStep - Offset;
    // the transform there is taken at lambda = e^-LogX / r.
    std::array<double, MaxFilterLength> lambdaR{};
    for (int l = 1; l <= L; ++l)
        lambdaR[std::size_t(l - 1)] = std::exp(offset - (L - l) * lnStep);

    const int nConfig = std::clamp(ArrayConfig.numBipoles, 0, std::min(MaxArrayConfigs, MaxResponseConfigs));
    auto pairs = [&](int b) { return std::clamp(ArrayConfig.numCurPot[b], 0, MaxMonopolePairs); };

    // The filtered transform depends on the separation only, so each distinct separation of the
    // whole array is transformed once per sample.
    std::vector<double> distances;
    for (int b = 1; b <= nConfig; ++b)
        for (int k = 1; k <= pairs(b); ++k)
            if (usableSeparation(ArrayConfig.CP[b][k]))
                distances.push_back(ArrayConfig.CP[b][k]);
    std::sort(distances.begin(), distances.end());
    distances.erase(std::unique(distances.begin(), distances.end()), distances.end());

    const int nParam = Model.NParam;
    std::vector<double> P(distances.size(), 0.0);
    std::vector<std::array<double, MaxModelParams + 1>> dP(CalcDeriv ? distances.size() : 0);
    std::array<double, MaxModelParams + 1> dT{};
    for (std::size_t d = 0; d < distances.size(); ++d) {
        const double r = distances[d];
        double sum = 0;
        if (CalcDeriv) {
            dP[d].fill(0.0);
            for (int l = 1; l <= L; ++l) {
                const double c = Fltr.Filter[l];
                sum += c * transformAndDeriv(earth, lambdaR[std::size_t(l - 1)] / r, dT);
                for (int p = 1; p <= nParam; ++p)
                    dP[d][std::size_t(p)] += c * dT[std::size_t(p)];
            }
        } else {
            for (int l = 1; l <= L; ++l)
                sum += Fltr.Filter[l] * transform(earth, lambdaR[std::size_t(l - 1)] / r);
        }
        P[d] = sum;
    }
    auto indexOf = [&](double r) {
        return std::size_t(std::lower_bound(distances.begin(), distances.end(), r) - distances.begin());
    };

    for (int b = 1; b <= nConfig; ++b) {
        double V = 0;
        std::array<double, MaxModelParams + 1> dV{};
        for (int k = 1; k <= pairs(b); ++k) {
            const double r = ArrayConfig.CP[b][k];
            if (!usableSeparation(r))
                continue;
            const double w = ArrayConfig.CPProp[b][k] / r;
            const std::size_t d = indexOf(r);
            V += w * P[d];
            if (CalcDeriv)
                for (int p = 1; p <= nParam; ++p)
                    dV[std::size_t(p)] += w * dP[d][std::size_t(p)];
        }
        const double G = ArrayConfig.GeomFact[b] / (2 * std::numbers::pi);
        const double rhoA = std::fabs(G * V);
        Response.Voltages[b] = float(V / (2 * std::numbers::pi));
        Response.AppReses[b] = float(rhoA >= MinAppRes && std::isfinite(rhoA) ? rhoA : MinAppRes);
        if (CalcDeriv) {
            // Derivative of the reported |G V|: the sign follows G V.
            const double s = Sgn(G * V) * G;
            for (int p = 1; p <= MaxModelParams; ++p)
                Response.AppResDeriv[b][p] = p <= nParam ? floorDerivative(s * dV[std::size_t(p)]) : 0.0f;
        }
    }
}

std::vector<std::array<std::string, 4>> DirectRecalculation(const ArrayDescription& array,
                                                            ForwardStore& store, int filterPointsPerDecade)
{
    const TFilter* filter = J0FilterForDecade(filterPointsPerDecade);
    if (!filter)
        throw ActionError("There is no J0 filter of " + std::to_string(filterPointsPerDecade) +
                          " points per decade.");
    const TArrayConfiguration& config = array.AConfig;
    const int bipoles = std::clamp(config.numBipoles, 0, MaxResponseConfigs);
    const ModelSet& set = store.models;
    ForwardResults& r = store.results;
    r.clear();
    r.RespVoltages.resize(set.NumModels, bipoles);
    r.ln10responses.resize(set.NumModels, bipoles);
    std::vector<std::array<std::string, 4>> rows;
    TResponse response;
    for (int j = 0; j < set.NumModels; ++j) {
        ForwardModel(false, set.Models[std::size_t(j)], config, response, *filter);
        for (int i = 1; i <= bipoles; ++i) {
            r.ln10responses(j, i) = float(std::log10(double(response.AppReses[i])));
            r.RespVoltages(j, i) = response.Voltages[i];
            if (j == 0)
                rows.push_back({std::to_string(i), FormatSignificant(response.Voltages[i], 7, 6),
                                FormatSignificant(response.AppReses[i], 7, 6),
                                FormatSignificant(config.EffDepth[i], 7, 6)});
        }
    }
    return rows;
}

} // namespace tem
