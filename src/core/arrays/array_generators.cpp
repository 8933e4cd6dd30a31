#include "core/arrays/array_generators.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <utility>

#include "core/arrays/array_geometry.h"
#include "core/files/value_forms.h"
#include "core/operator.h"

namespace tem {

namespace {

/// Ends a generator: its text is shown and the description stays as it was.
struct Refusal {
    std::string text;
};

double entryNumber(const std::string& text, const std::string& what)
{
    const std::optional<double> v = ParseFloat(text);
    if (!v)
        throw Refusal{"\"" + text + "\" in " + what + " is not a number; nothing was generated."};
    return *v;
}

std::string cell(int row, const char* column)
{
    return "row " + std::to_string(row) + ", column " + column;
}

template <std::size_t N>
const std::string& rowCell(const std::vector<std::array<std::string, N>>& rows, int r, std::size_t column)
{
    static const std::string empty;
    return std::size_t(r) <= rows.size() ? rows[std::size_t(r - 1)][column] : empty;
}

void checkCount(int count)
{
    if (count < 1 || count > MaxArrayConfigs)
        throw Refusal{"The number of configurations must be between 1 and " +
                      std::to_string(MaxArrayConfigs) + ", not " + std::to_string(count) +
                      "; nothing was generated."};
}

struct Point {
    double x = 0, y = 0;
};

/// Four point electrodes, pairs in the common pairing (E1,E3), (E1,E4), (E2,E3), (E2,E4).
void setConfig(ArrayDescription& d, int i, const std::array<Point, 4>& e, const std::array<double, 4>& cp,
               const std::array<double, 4>& share)
{
    TArrayConfiguration& a = d.AConfig;
    TArrayConfigExt& x = d.AConfigExt;
    a.numCurPot[i] = 4;
    static constexpr int tx[4] = {0, 0, 1, 1}, rx[4] = {2, 3, 2, 3};
    for (int j = 1; j <= 4; ++j) {
        a.CP[i][j] = cp[std::size_t(j - 1)];
        a.CPProp[i][j] = share[std::size_t(j - 1)];
        x.MonopoleTx[i][j] = e[std::size_t(tx[j - 1])].x;
        x.MonopoleTy[i][j] = e[std::size_t(tx[j - 1])].y;
        x.MonopoleRx[i][j] = e[std::size_t(rx[j - 1])].x;
        x.MonopoleRy[i][j] = e[std::size_t(rx[j - 1])].y;
    }
    for (int k = 1; k <= 4; ++k) {
        x.Elecx[i][k] = e[std::size_t(k - 1)].x;
        x.Elecy[i][k] = e[std::size_t(k - 1)].y;
    }
}

/// The monopole points of the common pairing from the electrodes already in the description.
void setPairPointsFromElectrodes(ArrayDescription& d, int i)
{
    static constexpr int tx[4] = {1, 1, 2, 2}, rx[4] = {3, 4, 3, 4};
    TArrayConfigExt& x = d.AConfigExt;
    for (int j = 1; j <= 4; ++j) {
        x.MonopoleTx[i][j] = x.Elecx[i][tx[j - 1]];
        x.MonopoleTy[i][j] = x.Elecy[i][tx[j - 1]];
        x.MonopoleRx[i][j] = x.Elecx[i][rx[j - 1]];
        x.MonopoleRy[i][j] = x.Elecy[i][rx[j - 1]];
    }
}

void finish(ArrayDescription& d, int count, std::string_view type, Operator& op)
{
    d.AConfig.numBipoles = count;
    d.AConfig.MaxCP = 0;
    for (int i = 1; i <= count; ++i)
        d.AConfig.MaxCP = std::max(d.AConfig.MaxCP, d.AConfig.numCurPot[i]);
    d.AConfigExt.AConfigType = std::string(type);
    RecalculateArray(d, op);
}

/// Runs a generator on a copy and keeps it only when nothing was refused.
template <class Build> bool generate(ArrayDescription& d, Operator& op, Build build)
{
    ArrayDescription work = d;
    try {
        build(work);
    } catch (const Refusal& r) {
        op.inform(r.text);
        return false;
    }
    d = std::move(work);
    return true;
}

constexpr std::array<double, 4> PointShares = {1, -1, -1, 1};

// ---- Exponential bipole ------------------------------------------------------------------------

constexpr int MaxPortions = 100;

void movePair(ArrayDescription& d, int i, int from, int to)
{
    TArrayConfiguration& a = d.AConfig;
    TArrayConfigExt& x = d.AConfigExt;
    a.CP[i][to] = a.CP[i][from];
    a.CPProp[i][to] = a.CPProp[i][from];
    x.MonopoleTx[i][to] = x.MonopoleTx[i][from];
    x.MonopoleTy[i][to] = x.MonopoleTy[i][from];
    x.MonopoleRx[i][to] = x.MonopoleRx[i][from];
    x.MonopoleRy[i][to] = x.MonopoleRy[i][from];
}

/// Cuts the near current electrode of pair j (1 .. 4) of configuration i into portions that grow
/// with their distance from the potential electrode.
void portionPair(ArrayDescription& d, int i, int j, double length, double c)
{
    TArrayConfiguration& a = d.AConfig;
    TArrayConfigExt& x = d.AConfigExt;
    const int p = a.numCurPot[i] + j - 4;
    std::vector<double> portion;
    double sum = 0;
    do {
        if (int(portion.size()) == MaxPortions)
            throw Refusal{"Portioning the current electrode of configuration " + std::to_string(i) +
                          ", pair " + std::to_string(j) + " would need more than " +
                          std::to_string(MaxPortions) +
                          " portions; use a larger growth constant. Nothing was generated."};
        portion.push_back(c * (1 + c) * (1 + c) * (std::fabs(a.CP[i][p]) + sum));
        sum += portion.back();
    } while (!(sum > length));
    const int k = int(portion.size());
    if (k == 1)
        return;
    const int newCount = a.numCurPot[i] + k - 1;
    if (newCount > MaxMonopolePairs)
        throw Refusal{
            "Portioning the current electrode of configuration " + std::to_string(i) + " would need " +
            std::to_string(newCount) + " monopole pairs; at most " + std::to_string(MaxMonopolePairs) +
            " are possible. Use a larger growth constant or a shorter electrode. Nothing was generated."};
    for (double& v : portion)
        v *= length / sum;
    // The initial pairs after p move to the end, keeping their order.
    for (int m = 4 - j; m >= 1; --m)
        movePair(d, i, p + m, p + m + k - 1);
    a.numCurPot[i] = newCount;
    const double sign = Sgn(a.CPProp[i][p]);
    a.CPProp[i][p] = sign * portion[0] / length;
    for (int m = 2; m <= k; ++m) {
        const int to = p + m - 1, prev = p + m - 2;
        const double step = portion[std::size_t(m - 2)];
        a.CP[i][to] = a.CP[i][prev] + step;
        a.CPProp[i][to] = sign * portion[std::size_t(m - 1)] / length;
        x.MonopoleTx[i][to] = x.MonopoleTx[i][prev] - step;
        x.MonopoleTy[i][to] = x.MonopoleTy[i][prev];
        x.MonopoleRx[i][to] = x.MonopoleRx[i][prev];
        x.MonopoleRy[i][to] = x.MonopoleRy[i][prev];
    }
}

} // namespace

bool RefreshExponentialTable(ExponentialBipoleEntry& e, int rows, Operator& op)
{
    try {
        const double first = entryNumber(e.FirstExponent, "the first exponent");
        const double step = entryNumber(e.ExponentStep, "the exponent step");
        e.PotDist.resize(std::size_t(std::max(rows, 0)));
        for (int r = 1; r <= rows; ++r)
            e.PotDist[std::size_t(r - 1)] = FormatGeneral(std::pow(2.0, first + step * (r - 1)));
    } catch (const Refusal& r) {
        op.inform(r.text);
        return false;
    }
    return true;
}

bool GenerateExponentialBipole(ArrayDescription& d, int count, const ExponentialBipoleEntry& e, Operator& op)
{
    const bool done = generate(d, op, [&](ArrayDescription& w) {
        checkCount(count);
        const double currSep = entryNumber(e.CurrSep, "the current-electrode separation");
        const double first = entryNumber(e.FirstExponent, "the first exponent");
        const double step = entryNumber(e.ExponentStep, "the exponent step");
        const double length = entryNumber(e.ElectrodeLength, "the electrode length");
        const double c = entryNumber(e.GrowthConstant, "the growth constant");
        const double radius = entryNumber(e.Radius, "the radius of curvature");
        if (e.Curved && !(radius > 0))
            throw Refusal{"The radius of curvature must be above 0; nothing was generated."};
        std::vector<double> potDist(std::size_t(count) + 2);
        for (int r = 1; r <= count + 1; ++r) {
            const std::string text =
                std::size_t(r) <= e.PotDist.size() ? Trim(e.PotDist[std::size_t(r - 1)]) : "";
            potDist[std::size_t(r)] =
                text.empty() ? std::pow(2.0, first + step * (r - 1)) : entryNumber(text, cell(r, "Pot.Dist"));
        }
        auto chord = [&](double s) { return e.Curved ? 2 * radius * std::sin(s / (2 * radius)) : s; };
        for (int i = 1; i <= count; ++i) {
            const double p1 = potDist[std::size_t(i)], p2 = potDist[std::size_t(i + 1)];
            std::array<double, 4> cp = {chord(p1), chord(p2), chord(currSep + p1), chord(currSep + p2)};
            std::array<Point, 4> el = {Point{0, 0}, Point{-chord(currSep), 0}, Point{p1, 0}, Point{p2, 0}};
            if (e.Curved) {
                for (int k : {0, 1}) {
                    const double s = cp[std::size_t(k)];
                    const double gamma =
                        std::numbers::pi / 2 - std::acos(std::clamp(s / (2 * radius), -1.0, 1.0));
                    el[std::size_t(2 + k)] = Point{s * std::cos(gamma), s * std::sin(gamma)};
                }
            }
            setConfig(w, i, el, cp, PointShares);
            if (length > 0)
                for (int j = 1; j <= 4; ++j)
                    portionPair(w, i, j, length, c);
        }
        w.CurrElecSeparation = currSep;
        w.FirstPotentDist = first;
        w.TwoToPowerOfnIncr = step;
        w.RadiusOfCurvature = radius;
        w.AConfigExt.TxElectrodeLength = length;
        w.AConfigExt.PortionSizer = c;
        finish(w, count, ArrayTypeExponentialBipole, op);
    });
    if (done)
        op.inform(
            "The portioning algorithm is not perfect - it uses the close end of each protion to calculate "
            "separations rather than portion midpoints which are more representative - you can modify the "
            "files manually to correct this");
    return done;
}

// ---- Linear bipole-bipole ----------------------------------------------------------------------

void RefreshLinearTable(LinearBipoleBipoleEntry& e, int rows)
{
    e.Rows.assign(std::size_t(std::max(rows, 0)), {});
    for (int r = 1; r <= rows; ++r)
        e.Rows[std::size_t(r - 1)] = {e.ASpacing, std::to_string(r)};
}

bool GenerateLinearBipoleBipole(ArrayDescription& d, int count, const LinearBipoleBipoleEntry& e,
                                Operator& op)
{
    return generate(d, op, [&](ArrayDescription& w) {
        checkCount(count);
        for (int i = 1; i <= count; ++i) {
            const double a = entryNumber(rowCell(e.Rows, i, 0), cell(i, "A"));
            const double n = entryNumber(rowCell(e.Rows, i, 1), cell(i, "n"));
            setConfig(
                w, i, {Point{-a, 0}, Point{0, 0}, Point{n * a, 0}, Point{(n + 1) * a, 0}},
                {std::fabs((1 + n) * a), std::fabs(n * a), std::fabs((n + 2) * a), std::fabs((1 + n) * a)},
                {-1, 1, 1, -1});
        }
        finish(w, count, ArrayTypeLinearBipoleBipole, op);
    });
}

// ---- Schlumberger ------------------------------------------------------------------------------

bool FillDownSchlumberger(SchlumbergerEntry& e, int rows, Operator& op)
{
    const std::optional<double> L = ParseFloat(rowCell(e.Rows, 1, 0));
    const std::optional<double> l = ParseFloat(rowCell(e.Rows, 1, 1));
    if (!L || !l || !(*L > 1e-6) || !(*l > 1e-7)) {
        op.inform("Type a value L and l for configuration 1 first");
        return false;
    }
    const std::optional<double> s = ParseFloat(e.SamplePerDecade);
    if (!s || !(*s > 0)) {
        op.inform("\"" + e.SamplePerDecade + "\" is not a usable number per decade; nothing was filled in.");
        return false;
    }
    e.Rows.resize(std::size_t(std::max(rows, 1)));
    for (int r = 2; r <= rows; ++r) {
        const double f = std::pow(10.0, (r - 1) / *s);
        e.Rows[std::size_t(r - 1)] = {FormatGeneral(*L * f), FormatGeneral(*l * f)};
    }
    return true;
}

bool GenerateSchlumberger(ArrayDescription& d, int count, const SchlumbergerEntry& e, Operator& op)
{
    return generate(d, op, [&](ArrayDescription& w) {
        checkCount(count);
        const double perDecade = entryNumber(e.SamplePerDecade, "the number per decade");
        for (int i = 1; i <= count; ++i) {
            const double L = entryNumber(rowCell(e.Rows, i, 0), cell(i, "L"));
            const double l = entryNumber(rowCell(e.Rows, i, 1), cell(i, "l"));
            const double h = l / 2;
            setConfig(w, i, {Point{-L, 0}, Point{L, 0}, Point{-h, 0}, Point{h, 0}},
                      {std::fabs(L - h), std::fabs(L + h), std::fabs(L + h), std::fabs(L - h)}, PointShares);
            w.SchlumbL[i] = L;
            w.Schlumblittlel[i] = l;
        }
        w.SamplePerDecade = perDecade;
        finish(w, count, ArrayTypeSchlumberger, op);
    });
}

// ---- Wenner ------------------------------------------------------------------------------------

void ActivateWennerTable(WennerEntry& e, int rows)
{
    e.Rows.assign(std::size_t(std::max(rows, 0)), {});
    for (int r = 1; r <= rows; ++r)
        e.Rows[std::size_t(r - 1)] = {FormatGeneral(std::pow(3.0, r - 1)), "1"};
}

bool RefreshWennerTable(WennerEntry& e, int rows, Operator& op)
{
    const std::optional<double> a = ParseFloat(e.ASpacing);
    if (!a || !(*a > 1e-5)) {
        op.inform("Type a value for A Spacing first");
        return false;
    }
    e.Rows.assign(std::size_t(std::max(rows, 0)), {});
    for (int r = 1; r <= rows; ++r)
        e.Rows[std::size_t(r - 1)] = {FormatGeneral(*a * r), "1"};
    return true;
}

bool GenerateWenner(ArrayDescription& d, int count, const WennerEntry& e, Operator& op)
{
    return generate(d, op, [&](ArrayDescription& w) {
        checkCount(count);
        for (int i = 1; i <= count; ++i) {
            const double a = entryNumber(rowCell(e.Rows, i, 0), cell(i, "A"));
            const std::optional<long long> type = ParseInteger(rowCell(e.Rows, i, 1));
            if (!type)
                throw Refusal{"\"" + rowCell(e.Rows, i, 1) + "\" in " + cell(i, "Alpha=1, Beta=2, Gamma=3") +
                              " is not a whole number; nothing was generated."};
            const double A = std::fabs(a);
            switch (*type) {
            case 1:
                setConfig(w, i, {Point{-a / 2, 0}, Point{a / 2, 0}, Point{-1.5 * a, 0}, Point{1.5 * a, 0}},
                          {A, 2 * A, 2 * A, A}, PointShares);
                break;
            case 2:
                setConfig(w, i, {Point{-a / 2, 0}, Point{1.5 * a, 0}, Point{-1.5 * a, 0}, Point{a / 2, 0}},
                          {A, A, 3 * A, A}, PointShares);
                break;
            case 3:
                setConfig(w, i, {Point{-1.5 * a, 0}, Point{-a / 2, 0}, Point{a / 2, 0}, Point{1.5 * a, 0}},
                          {2 * A, 3 * A, A, 2 * A}, PointShares);
                break;
            default:
                // Another code keeps the row's separations and electrodes; only shares and points.
                w.AConfig.numCurPot[i] = 4;
                for (int j = 1; j <= 4; ++j)
                    w.AConfig.CPProp[i][j] = PointShares[std::size_t(j - 1)];
                setPairPointsFromElectrodes(w, i);
                break;
            }
        }
        finish(w, count, ArrayTypeWenner, op);
    });
}

// ---- AarhusPACES -------------------------------------------------------------------------------

void GenerateAarhusPACES(ArrayDescription& d, Operator& op)
{
    // Separations in the pair order (E1,E3), (E2,E3), (E1,E4), (E2,E4), as the towed array lists
    // them; configurations 3 and 6 are kept as listed (see the note in the tests).
    static constexpr double table[8][6] = {{32.5, 2.5, 60, 30, 17.5, 45}, {27.5, 2.5, 60, 30, 12.5, 45},
                                           {35, 5, 60, 30, 20, 10},       {5, 25, 60, 30, -10, 45},
                                           {10, 20, 20, 10, -5, 5},       {10, 40, 60, 30, 25, 45},
                                           {20, 50, 50, 20, -35, 35},     {30, 60, 60, 30, -45, 45}};
    generate(d, op, [&](ArrayDescription& w) {
        for (int i = 1; i <= 8; ++i) {
            const auto& t = table[i - 1];
            setConfig(w, i, {Point{-15, 0}, Point{15, 0}, Point{t[4], 0}, Point{t[5], 0}},
                      {t[0], t[1], t[2], t[3]}, {-1, 1, 1, -1});
        }
        finish(w, 8, ArrayTypeAarhusPACES, op);
    });
}

// ---- General layouts ---------------------------------------------------------------------------

bool GenerateGeneralPhiTheta(ArrayDescription& d, int count, const GeneralPhiThetaEntry& e, Operator& op)
{
    static constexpr const char* columns[5] = {"TxWidth (m)", "RxWidth (m)", "Midpnt Sep.", "Theta (deg)",
                                               "Phi   (deg)"};
    return generate(d, op, [&](ArrayDescription& w) {
        checkCount(count);
        for (int i = 1; i <= count; ++i) {
            double v[5];
            for (std::size_t c = 0; c < 5; ++c)
                v[c] = entryNumber(rowCell(e.Rows, i, c), cell(i, columns[c]));
            const double L = v[0] / 2, M = v[1] / 2, R = v[2];
            const double theta = v[3] * std::numbers::pi / 180, phi = v[4] * std::numbers::pi / 180;
            const double T1 = R * R + L * L + M * M, T2 = M * std::cos(phi), T3 = L * std::cos(theta);
            const double T4 = 2 * L * M * std::cos(phi - theta);
            // Rounding may leave a coincident pair a hair below zero.
            auto root = [](double s) { return std::sqrt(std::max(s, 0.0)); };
            setConfig(w, i, {Point{-L, 0}, Point{L, 0}, Point{R - M, 0}, Point{R + M, 0}},
                      {root(T1 + 2 * R * (T2 - T3) - T4), root(T1 - 2 * R * (T2 + T3) + T4),
                       root(T1 + 2 * R * (T2 + T3) + T4), root(T1 - 2 * R * (T2 - T3) - T4)},
                      PointShares);
            for (int row = 1; row <= 5; ++row)
                w.PhiThetaInfo[row][i] = rowCell(e.Rows, i, std::size_t(row - 1));
            // Row 6 keeps its value; one never read takes the file's default, so no empty key is written.
            if (Trim(w.PhiThetaInfo[6][i]).empty())
                w.PhiThetaInfo[6][i] = FormatGeneral(std::pow(2.0, i - 2));
        }
        finish(w, count, ArrayTypeGeneralPhiTheta, op);
    });
}

bool GenerateGeneralXY(ArrayDescription& d, int count, const GeneralXYEntry& e, Operator& op)
{
    static constexpr const char* columns[8] = {"Curr1x", "Curr1y", "Curr2x", "Curr2y",
                                               "Pot1x",  "Pot1y",  "Pot2x",  "Pot2y"};
    return generate(d, op, [&](ArrayDescription& w) {
        checkCount(count);
        for (int i = 1; i <= count; ++i) {
            std::array<Point, 4> el;
            for (std::size_t k = 0; k < 4; ++k)
                el[k] = Point{entryNumber(rowCell(e.Rows, i, 2 * k), cell(i, columns[2 * k])),
                              entryNumber(rowCell(e.Rows, i, 2 * k + 1), cell(i, columns[2 * k + 1]))};
            auto dist = [&](int a, int b) {
                return std::hypot(el[std::size_t(a)].x - el[std::size_t(b)].x,
                                  el[std::size_t(a)].y - el[std::size_t(b)].y);
            };
            setConfig(w, i, el, {dist(2, 0), dist(3, 0), dist(2, 1), dist(3, 1)}, PointShares);
        }
        finish(w, count, ArrayTypeGeneralXY, op);
    });
}

void ShowSymmetricalExponentialGuidance(Operator& op)
{
    op.inform("Sch24_1_32Config.INI is a Symmetrical Exponential array with manually portioned 1m long Tx "
              "electrodes separated by 24m. Load it by filename.");
    op.inform(
        "Symmetrical Exponential Arrays are designed starting with the Schlumberger array entry dialog, then "
        "manually portioning monopoles in the main dialog, then editing the ini file to finalize 2D "
        "variables");
}

} // namespace tem
