#include "core/forward/forward_graphs.h"

#include <algorithm>
#include <cmath>

#include "core/files/value_forms.h"

namespace tem {

namespace {

/// "%W.Pg" of the chart labels, in the program's one %g form.
std::string labelG(double v, int width, int precision)
{
    return FormatSignificant(v, width, precision);
}

double thickness(const TModel& m, int layer)
{
    return m.Param[layer];
}
double resistivity(const TModel& m, int layer)
{
    return m.Param[m.NLayer - 1 + layer];
}

/// A model the graph can draw: at least one layer and every parameter inside Param.
bool drawable(const TModel& m)
{
    return m.NLayer >= 1 && 2 * m.NLayer - 1 <= MaxModelParams;
}

} // namespace

std::string ModelValueLabel(double v, bool firstModel)
{
    return firstModel ? labelG(v, 5, 3) : FormatGeneral(v);
}

std::vector<TModel> DrawnModels(const std::vector<TModel>& models)
{
    const std::size_t n = std::min<std::size_t>(models.size(), numGraphs);
    return {models.begin(), models.begin() + static_cast<std::ptrdiff_t>(n)};
}

std::vector<std::vector<double>> DepthTable(const std::vector<TModel>& drawn, double topStart,
                                            double bottomStart)
{
    std::vector<std::vector<double>> D;
    double top = topStart;
    double bottom = bottomStart;
    for (const TModel& m : drawn) {
        if (!drawable(m)) {
            D.emplace_back();
            continue;
        }
        std::vector<double> d(std::size_t(m.NLayer) + 1, 0.0);
        for (int l = 1; l <= m.NLayer - 1; ++l)
            d[std::size_t(l)] = d[std::size_t(l) - 1] + thickness(m, l);
        // A half-space has no first thickness (its Param[1] is a resistivity).
        if (m.NLayer > 1 && thickness(m, 1) < top)
            top = thickness(m, 1);
        if (d[std::size_t(m.NLayer) - 1] > bottom)
            bottom = d[std::size_t(m.NLayer) - 1];
        D.push_back(std::move(d));
    }
    top *= 0.5;
    bottom *= 2;
    for (auto& d : D)
        if (!d.empty()) {
            d.front() = top;
            d.back() = bottom;
        }
    return D;
}

std::vector<GraphPoints> ModelStaircases(const std::vector<TModel>& drawn, double topStart,
                                         double bottomStart, bool log10Coords)
{
    const auto D = DepthTable(drawn, topStart, bottomStart);
    const auto coord = [log10Coords](double v) { return log10Coords ? std::log10(v) : v; };
    std::vector<GraphPoints> out(drawn.size());
    for (std::size_t m = 0; m < drawn.size(); ++m) {
        const TModel& model = drawn[m];
        if (D[m].empty())
            continue;
        const bool first = m == 0;
        for (int k = 1; k <= model.NLayer; ++k) {
            const double rho = resistivity(model, k);
            const std::string thick =
                k < model.NLayer ? ModelValueLabel(thickness(model, k), first) : "*****";
            out[m].push_back(
                {coord(D[m][std::size_t(k) - 1]), coord(rho), "R" + ModelValueLabel(rho, first)});
            out[m].push_back({coord(D[m][std::size_t(k)]), coord(rho), "T" + thick});
        }
    }
    return out;
}

GeoGraphSeries BuildGeoGraph(const std::vector<TModel>& models,
                             const std::vector<std::vector<double>>& ln10responses,
                             const std::vector<double>& effDepth)
{
    GeoGraphSeries g;
    const auto drawn = DrawnModels(models);
    if (drawn.empty())
        return g;
    const double topStart = effDepth.empty() ? 1.0 : effDepth.front();
    const double bottomStart = effDepth.empty() ? 10.0 : effDepth.back();
    g.models = ModelStaircases(drawn, topStart, bottomStart, true);
    g.responses.resize(drawn.size());
    for (std::size_t m = 0; m < drawn.size() && m < ln10responses.size(); ++m) {
        const auto& r = ln10responses[m];
        for (std::size_t b = 0; b < effDepth.size() && b < r.size(); ++b) {
            // An effective depth of 0 (a configuration the geometry leaves out) has no place on a
            // log10 depth axis.
            if (!(effDepth[b] > 0) || !std::isfinite(r[b]))
                continue;
            const double rho = std::pow(10.0, r[b]);
            g.responses[m].push_back(
                {std::log10(effDepth[b]), r[b], m == 0 ? labelG(rho, 5, 3) : labelG(rho, 6, 2)});
        }
    }
    return g;
}

TEMGraphSeries BuildTEMGraph(const TEMGraphInput& in)
{
    TEMGraphSeries g;
    const auto drawn = DrawnModels(in.models);
    g.models = ModelStaircases(drawn, 1.0, 10.0, false);
    g.appRes.resize(drawn.size());
    g.dBdt.resize(drawn.size());
    g.dBdtNegative.resize(drawn.size());
    const auto at = [](const std::vector<std::vector<double>>& v, std::size_t m, int i) {
        return m < v.size() && std::size_t(i) < v[m].size() ? v[m][std::size_t(i)] : 0.0;
    };
    const int n = std::max(in.gates, 0);
    for (std::size_t m = 0; m < drawn.size(); ++m)
        for (int i = 0; i < n; ++i) {
            const double rho = at(in.appRes, m, i);
            const double v = at(in.dBdt, m, i);
            // An undefined apparent resistivity has no point: a floor value would read as a layer.
            if (std::isfinite(rho) && rho > 0)
                g.appRes[m].push_back({0.4 * at(in.loci, m, i), rho, labelG(rho, 5, 3)});
            g.dBdt[m].push_back({at(in.times, m, i), std::abs(v), labelG(v, 5, 3)});
            if (v < 0)
                g.dBdtNegative[m].push_back(g.dBdt[m].back());
        }

    const bool haveNoise = !in.noise.empty() && in.noise.front() != 0;
    if (in.models.size() >= 2 && haveNoise) {
        g.detectActive = true;
        for (int i = 0; i < n; ++i) {
            const double sd = std::size_t(i) < in.noise.size() ? in.noise[std::size_t(i)] : 0.0;
            // A gate without a noise level would divide by zero; it tells nothing about detectability.
            if (!(sd != 0) || !std::isfinite(sd))
                continue;
            const double d = (at(in.dBdt, 0, i) - at(in.dBdt, 1, i)) / sd;
            g.detect.push_back({at(in.times, 0, i), d, labelG(d, 5, 3)});
            g.SumDetect += d;
        }
    }
    if (haveNoise) {
        g.noiseActive = true;
        for (int i = 0; i < n && std::size_t(i) < in.noise.size(); ++i)
            g.noise.push_back(
                {at(in.times, 0, i), in.noise[std::size_t(i)], labelG(in.noise[std::size_t(i)], 5, 3)});
    }
    return g;
}

std::string SumDetectText(double SumDetect)
{
    return FormatFixed(SumDetect, 7, 2);
}

} // namespace tem
