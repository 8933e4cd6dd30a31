#include "core/arrays/depth_of_investigation.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/arrays/array_geometry.h"
#include "core/files/value_forms.h"
#include "core/operator.h"

namespace tem {

namespace {

constexpr double Pi = std::numbers::pi;

struct BinGrid {
    std::vector<double> D, dz;
};

const BinGrid& bins()
{
    static const BinGrid g = [] {
        BinGrid b;
        b.D.resize(NDICBins + 1);
        b.dz.assign(NDICBins + 1, 0.0);
        for (int i = 0; i <= NDICBins; ++i)
            b.D[std::size_t(i)] = std::pow(10.0, i * 5.0 / NDICBins - 2);
        for (int i = 1; i < NDICBins; ++i)
            b.dz[std::size_t(i)] = (b.D[std::size_t(i)] - b.D[std::size_t(i - 1)]) / 2 +
                                   (b.D[std::size_t(i + 1)] - b.D[std::size_t(i)]) / 2;
        return b;
    }();
    return g;
}

struct Pair {
    double r, q;
};

/// The pairs of a configuration that can enter a characteristic (separation of at least 1e-7 m).
std::vector<Pair> usablePairs(const TArrayConfiguration& a, int cfg, Operator* warn)
{
    std::vector<Pair> p;
    for (int j = 1; j <= std::clamp(a.numCurPot[cfg], 0, MaxMonopolePairs); ++j) {
        const double r = a.CP[cfg][j];
        if (!(r >= MinMonopoleSeparation) || !std::isfinite(r)) {
            if (warn)
                warn->inform("Cannot calculate geometric factor for separations<0.0000001");
            continue;
        }
        p.push_back({r, a.CPProp[cfg][j]});
    }
    return p;
}

double pow15(double t)
{
    return t * std::sqrt(t);
}

/// Sum of q / (4 z^2 + r^2)^1.5.
double upperSum(const std::vector<Pair>& pairs, double z)
{
    double s = 0;
    for (const Pair& p : pairs)
        s += p.q / pow15(4 * z * z + p.r * p.r);
    return s;
}

double lowerSum(const std::vector<Pair>& pairs)
{
    double s = 0;
    for (const Pair& p : pairs)
        s += p.q / p.r;
    return s;
}

int configCount(const TArrayConfiguration& a)
{
    return std::clamp(a.numBipoles, 0, MaxArrayConfigs);
}

std::string arrayTypeLine(const ArrayDescription& d, const DetectabilityOptions& o)
{
    return "for an Array type of " + UpperCase(d.AConfigExt.AConfigType) +
           "  with Half Space Resistivity = " + FormatGeneral(o.HalfSpaceRes) + " Ohmm";
}

std::string currentLine(const DetectabilityOptions& o)
{
    return "Transmitter Current = " + FormatGeneral(o.Current) +
           "Amps  System Noise = " + FormatGeneral(o.NoiseV) + "Volts";
}

} // namespace

std::vector<ChartSeries> NDICCurves(const TArrayConfiguration& a, const NDICOptions& o)
{
    const BinGrid& g = bins();
    const int terms = std::clamp(o.ReflectedTerms, 2, 20);
    const double rho1 = o.SurfaceRes, rho2 = o.HalfSpaceRes, h = o.Thickness, I = o.Current;
    const double k = (rho2 + rho1) != 0 ? (rho2 - rho1) / (rho2 + rho1) : 0;
    std::vector<ChartSeries> out;
    for (int cfg = 1; cfg <= configCount(a); ++cfg) {
        const std::vector<Pair> pairs = usablePairs(a, cfg, nullptr);
        std::vector<double> N(NDICBins, 0.0);
        if (!o.OneLayer) {
            const double lower = lowerSum(pairs);
            for (int s = 1; s < NDICBins; ++s) {
                const double z = g.D[std::size_t(s)], dz = g.dz[std::size_t(s)];
                const double upper = upperSum(pairs, z);
                if (o.DIC)
                    N[std::size_t(s)] = Sgn(lower) * 2 * rho2 * I * dz * z * upper / Pi;
                else
                    N[std::size_t(s)] =
                        lower != 0 ? dz * 4 * z * upper / lower : 0; // no sum: no characteristic
            }
        } else {
            double normfactor = 0;
            for (int s = 1; s < NDICBins; ++s) {
                const double z = g.D[std::size_t(s)], dz = g.dz[std::size_t(s)];
                double upper = 0;
                for (const Pair& p : pairs) {
                    double reflsum = 0, kn = 1;
                    for (int n = 1; n <= terms; ++n) {
                        kn *= k;
                        const double TwoZPlus2mh = 2 * z + 2 * n * h;
                        reflsum += kn * TwoZPlus2mh / pow15(p.r * p.r + TwoZPlus2mh * TwoZPlus2mh);
                    }
                    upper += p.q * (4 * z / pow15(4 * z * z + p.r * p.r) + reflsum);
                }
                N[std::size_t(s)] = (z < h ? 1 : 1 + k) * dz * upper;
                normfactor += N[std::size_t(s)];
            }
            for (int s = 1; s < NDICBins; ++s) {
                double& v = N[std::size_t(s)];
                if (o.DIC)
                    v = rho1 * I * v / (2 * Pi);
                else
                    v = normfactor != 0 && std::isfinite(normfactor) ? v / normfactor : 0;
            }
        }
        ChartSeries series;
        for (int s = 1; s < NDICBins; ++s) {
            series.X.push_back(g.D[std::size_t(s)]);
            series.Y.push_back(std::isfinite(N[std::size_t(s)]) ? N[std::size_t(s)] : 0);
        }
        out.push_back(std::move(series));
    }
    return out;
}

DetectabilityChart DetectabilityCurves(const ArrayDescription& d, const DetectabilityOptions& o, Operator& op)
{
    DetectabilityChart chart;
    const int position = std::clamp(o.TrackBar, 1, 10);
    chart.Title = {"MINIMUM DETECTABLE THICKNESS of a layer versus the depth of the top of it",
                   arrayTypeLine(d, o), currentLine(o),
                   "Change in resistivity between the layer detected and the half space = " +
                       std::to_string(position) + "%"};
    if (!(o.NoiseV > 0) || !(o.Current > 0) || !(o.HalfSpaceRes > 0)) {
        op.inform(
            "The half-space resistivity, the transmitter current and the system noise level must all be "
            "above 0; no detectability curve was drawn.");
        return chart;
    }
    const TArrayConfiguration& a = d.AConfig;
    const BinGrid& g = bins();
    const double f = position / 100.0;
    const double DICConst = o.HalfSpaceRes * 2 * o.Current / Pi;
    const int n = configCount(a);

    std::vector<std::vector<double>> dic(std::size_t(n) + 1, std::vector<double>(NDICBins, 0.0));
    std::vector<double> dicSum(NDICBins, 0.0);
    for (int cfg = 1; cfg <= n; ++cfg) {
        const std::vector<Pair> pairs = usablePairs(a, cfg, &op);
        const double geomfactsign = Sgn(lowerSum(pairs));
        ChartSeries s{"DIC for Config. " + std::to_string(cfg), {}, {}, true, false};
        for (int k = 1; k < NDICBins; ++k) {
            const double z = g.D[std::size_t(k)];
            double v = geomfactsign * DICConst * g.dz[std::size_t(k)] * z * upperSum(pairs, z);
            if (!std::isfinite(v))
                v = 0;
            dic[std::size_t(cfg)][std::size_t(k)] = v;
            dicSum[std::size_t(k)] += v;
            s.X.push_back(z);
            s.Y.push_back(v);
        }
        chart.Series.push_back(std::move(s));
    }
    ChartSeries sum{"DIC summed over the whole array", {}, {}, true, false};
    for (int k = 1; k < NDICBins; ++k) {
        sum.X.push_back(g.D[std::size_t(k)]);
        sum.Y.push_back(dicSum[std::size_t(k)]);
    }
    chart.Series.push_back(std::move(sum));

    auto detectability = [&](const std::vector<double>& c, std::string title) {
        ChartSeries s{std::move(title), {}, {}, false, true};
        for (int k = 1; k < NDICBins; ++k) {
            double vsum = 0, T = 0;
            int m = k;
            while (std::fabs(vsum) < o.NoiseV && m < NDICBins) {
                vsum += c[std::size_t(m)] * f;
                T += g.dz[std::size_t(m)];
                ++m;
            }
            if (m >= NDICBins - 1)
                continue; // the noise level is reached only in the last slices, or never
            // Back within the last slice by the part of it that overshot the noise level.
            const double last = std::fabs(c[std::size_t(m - 1)] * f);
            if (last > 0)
                T -= (std::fabs(vsum) - o.NoiseV) * g.dz[std::size_t(m - 1)] / last;
            s.X.push_back(g.D[std::size_t(k)]);
            s.Y.push_back(T);
        }
        chart.Series.push_back(std::move(s));
    };
    for (int cfg = 1; cfg <= n; ++cfg)
        detectability(dic[std::size_t(cfg)], "Detectability for Config number" + std::to_string(cfg));
    detectability(dicSum, "Detectability for the Entire Array");
    return chart;
}

SignalVsEffDepthChart SignalVsEffDepth(const ArrayDescription& d, const DetectabilityOptions& o,
                                       int seriesIndex)
{
    SignalVsEffDepthChart chart;
    chart.Title = {"Signal To Noise Ratio versus Effective Depth", arrayTypeLine(d, o), currentLine(o)};
    chart.Series.Title = "Geo-electric Array " + std::to_string(seriesIndex);
    const TArrayConfiguration& a = d.AConfig;
    for (int cfg = 1; cfg <= configCount(a); ++cfg) {
        const double sig = o.Current * o.HalfSpaceRes / (a.GeomFact[cfg] * o.NoiseV);
        if (a.GeomFact[cfg] == 0 || !std::isfinite(sig))
            continue;
        chart.Series.X.push_back(a.EffDepth[cfg]);
        chart.Series.Y.push_back(sig);
    }
    return chart;
}

SignalContributionSection UpdateSCE(const ArrayDescription& d, const SignalContributionOptions& o,
                                    Operator& op)
{
    SignalContributionSection sec;
    const TArrayConfiguration& a = d.AConfig;
    const TArrayConfigExt& x = d.AConfigExt;
    if (configCount(a) < 1)
        return sec;
    const int conf = std::clamp(o.Config, 1, configCount(a));
    const int n = std::clamp(a.numCurPot[conf], 0, MaxMonopolePairs);

    double minX = -1, maxX = 1, cellW = 100;
    for (int j = 1; j <= n; ++j) {
        if (a.CP[conf][j] >= MinMonopoleSeparation)
            cellW = std::min(cellW, a.CP[conf][j]);
        minX = std::min({minX, x.MonopoleTx[conf][j], x.MonopoleRx[conf][j]});
        maxX = std::max({maxX, x.MonopoleTx[conf][j], x.MonopoleRx[conf][j]});
    }
    cellW /= 10;
    double effDepth = a.EffDepth[conf];
    if (!(effDepth > 0))
        effDepth = NDICEffDepthOf(a, conf);
    const double h = d.AConfig.SubDepth;
    sec.MaxZ = 2 * effDepth + (o.Submerged ? h : 0);
    sec.CellH = sec.MaxZ / 50;
    minX -= 0.15 * (maxX - minX);
    maxX += 0.15 * (maxX - minX);
    if (!std::isfinite(maxX - minX) || !(sec.CellH > 0) || !std::isfinite(sec.MaxZ)) {
        op.inform("The electrodes of configuration " + std::to_string(conf) +
                  " lie too far apart for a section to be drawn.");
        return SignalContributionSection{};
    }
    if ((maxX - minX) / cellW > MaxSectionColumns) {
        cellW = (maxX - minX) / MaxSectionColumns;
        op.inform("The section is limited to " + std::to_string(MaxSectionColumns) +
                  " columns; its cells are " + FormatGeneral(cellW) + " m wide.");
    }
    sec.MinX = minX;
    sec.MaxX = maxX;
    sec.CellW = cellW;
    sec.numXCells = int(std::ceil((maxX - minX) / cellW));
    sec.numZCells = int(std::ceil(sec.MaxZ / sec.CellH));
    sec.ElectrodeDepth = effDepth + (o.Submerged ? h : 0);
    sec.MidpointX = a.MidpointX[conf];
    for (int j = 1; j <= n; ++j) {
        sec.TxX.push_back(x.MonopoleTx[conf][j]);
        sec.RxX.push_back(x.MonopoleRx[conf][j]);
    }

    const double term1 = o.Current * o.Resistivity / (4 * Pi * Pi) * cellW * cellW * sec.CellH;
    const double Y = o.Y;
    sec.Values.assign(std::size_t(sec.numXCells) * std::size_t(sec.numZCells), 0.0);
    for (int ix = 0; ix < sec.numXCells; ++ix) {
        const double px = minX + ix * cellW + cellW / 2;
        for (int iz = 0; iz < sec.numZCells; ++iz) {
            const double z = iz * sec.CellH + sec.CellH / 2;
            double sum = 0;
            for (int j = 1; j <= n; ++j) {
                // The current point is taken on the line (y = 0).
                const double av = px - x.MonopoleTx[conf][j], bv = px - x.MonopoleRx[conf][j];
                const double cv = Y - x.MonopoleRy[conf][j];
                const double q = a.CPProp[conf][j];
                if (!o.Submerged) {
                    sum += q * (av * bv + Y * cv + z * z) /
                           pow15((av * av + Y * Y + z * z) * (bv * bv + cv * cv + z * z));
                } else {
                    const double zm = z - h, zp = z + h;
                    sum += q * ((av * bv + Y * cv + zm * zm) /
                                    pow15((av * av + Y * Y + zm * zm) * (bv * bv + cv * cv + zm * zm)) +
                                (av * bv + Y * cv + zp * zm) /
                                    pow15((av * av + Y * Y + zp * zp) * (bv * bv + cv * cv + zm * zm)));
                }
            }
            const double v = term1 * sum;
            sec.Values[std::size_t(ix) * std::size_t(sec.numZCells) + std::size_t(iz)] =
                std::isfinite(v) ? v : 0;
        }
    }
    return sec;
}

} // namespace tem
