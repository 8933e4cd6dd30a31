#include "core/arrays/array_geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "core/operator.h"

namespace tem {

namespace {

constexpr const char* SmallSeparationWarning = "Cannot calculate geometric factor for separations<0.0000001";

int configCount(const TArrayConfiguration& a)
{
    return std::clamp(a.numBipoles, 0, MaxArrayConfigs);
}
int pairCount(const TArrayConfiguration& a, int i)
{
    return std::clamp(a.numCurPot[i], 0, MaxMonopolePairs);
}

/// 2 pi / |s| or 4 pi / |s|; 0 (with a message) when s is zero or not finite.
double factorFromSum(double numerator, double s, int cfg, const char* what, Operator& op)
{
    const double g = numerator / std::fabs(s);
    if (s == 0 || !std::isfinite(s) || !std::isfinite(g)) {
        op.inform(std::string("Cannot calculate the ") + what + " of configuration " + std::to_string(cfg) +
                  ": its shares divided by their separations do not add up to a usable sum. It is set to 0.");
        return 0;
    }
    return g;
}

} // namespace

double Sgn(double x)
{
    return x < 0 ? -1.0 : 1.0;
}

void CalcGeomFact(TArrayConfiguration& a, Operator& op)
{
    for (int i = 1; i <= configCount(a); ++i) {
        double s = 0;
        for (int j = 1; j <= pairCount(a, i); ++j) {
            if (!(a.CP[i][j] >= MinMonopoleSeparation)) {
                op.inform(SmallSeparationWarning);
                continue;
            }
            s += a.CPProp[i][j] / a.CP[i][j];
        }
        a.GeomFact[i] = factorFromSum(2 * std::numbers::pi, s, i, "geometric factor", op);
    }
}

void CalcSubmergedGeomFact(TArrayConfiguration& a, Operator& op)
{
    const double twoH = 2 * a.SubDepth;
    for (int i = 1; i <= configCount(a); ++i) {
        double s = 0;
        for (int j = 1; j <= pairCount(a, i); ++j) {
            const double r = a.CP[i][j];
            if (!(r >= MinMonopoleSeparation)) {
                op.inform(SmallSeparationWarning);
                continue;
            }
            s += a.CPProp[i][j] * (1 / r + 1 / std::hypot(r, twoH));
        }
        a.SubmergedGeomFact[i] = factorFromSum(4 * std::numbers::pi, s, i, "submerged geometric factor", op);
    }
}

void CalcMidpoints(TArrayConfiguration& a, TArrayConfigExt& ext)
{
    for (int i = 1; i <= configCount(a); ++i) {
        double sw = 0, sx = 0, sy = 0;
        double mx = 0, my = 0;
        const int n = pairCount(a, i);
        for (int j = 1; j <= n; ++j) {
            // Halves first, so two coordinates near the largest number cannot overflow.
            const double cx = ext.MonopoleTx[i][j] / 2 + ext.MonopoleRx[i][j] / 2;
            const double cy = ext.MonopoleTy[i][j] / 2 + ext.MonopoleRy[i][j] / 2;
            mx += cx / n;
            my += cy / n;
            const double w = std::fabs(a.CPProp[i][j] / a.CP[i][j]);
            if (!std::isfinite(w))
                continue;
            sw += w;
            sx += w * cx;
            sy += w * cy;
        }
        const bool weighted = sw > 0 && std::isfinite(sw) && std::isfinite(sx / sw) && std::isfinite(sy / sw);
        a.MidpointX[i] = weighted ? sx / sw : mx;
        ext.MidpointY[i] = weighted ? sy / sw : my;
    }
}

const EffectiveDepthGrid& NDICDepthGrid()
{
    static const EffectiveDepthGrid grid = [] {
        constexpr float log10DepthIncr = 0.001f;
        constexpr int n = 5000;
        EffectiveDepthGrid g;
        g.D.resize(n + 1);
        g.W.assign(n + 1, 0.0L);
        for (int i = 0; i <= n; ++i)
            g.D[i] = std::pow(10.0L, i * static_cast<long double>(log10DepthIncr) - 2);
        for (int i = 1; i < n; ++i)
            g.W[i] = (g.D[i] - g.D[i - 1]) / 2 + (g.D[i + 1] - g.D[i]) / 2;
        return g;
    }();
    return grid;
}

float NDICEffDepthOf(const TArrayConfiguration& a, int cfg)
{
    const EffectiveDepthGrid& g = NDICDepthGrid();
    // Pairs too close to enter the geometric factor are left out here too, so a zero separation
    // cannot turn the characteristic into a division by zero.
    long double r2[MaxMonopolePairs], q[MaxMonopolePairs];
    int n = 0;
    long double s2 = 0;
    for (int j = 1; j <= pairCount(a, cfg); ++j) {
        const double r = a.CP[cfg][j];
        if (!(r >= MinMonopoleSeparation) || !std::isfinite(r) || !std::isfinite(a.CPProp[cfg][j]))
            continue;
        r2[n] = static_cast<long double>(r) * r;
        q[n] = a.CPProp[cfg][j];
        s2 += q[n] / r;
        ++n;
    }
    const int last = int(g.D.size()) - 2; // 4999
    long double cum = 0;
    int i = 0;
    do {
        ++i;
        const long double z = g.D[i];
        long double s1 = 0;
        for (int j = 0; j < n; ++j) {
            const long double t = 4 * z * z + r2[j];
            s1 += q[j] / (t * std::sqrt(t));
        }
        const long double nd = (s2 == 0 || !std::isfinite(s2)) ? 0.0L : 4 * g.W[i] * z * s1 / s2;
        if (std::isfinite(nd))
            cum += nd;
    } while (i < last && cum < 0.5L);
    return static_cast<float>(g.D[i]);
}

void NDICEffDepth(TArrayConfiguration& a)
{
    for (int i = 1; i <= configCount(a); ++i)
        a.EffDepth[i] = NDICEffDepthOf(a, i);
}

void RecalculateArray(ArrayDescription& d, Operator& op)
{
    CalcGeomFact(d.AConfig, op);
    // The submerged factor repeats the warnings just shown; keep them to one showing.
    RecordingOperator quiet;
    CalcSubmergedGeomFact(d.AConfig, quiet);
    NDICEffDepth(d.AConfig);
    CalcMidpoints(d.AConfig, d.AConfigExt);
}

} // namespace tem
