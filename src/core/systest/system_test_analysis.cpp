#include "core/systest/system_test_analysis.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/files/keyword_file.h"
#include "core/files/value_forms.h"
#include "core/operator.h"

namespace tem {

namespace {

constexpr double Undefined = std::numeric_limits<double>::quiet_NaN();

/// a / b, undefined when b is zero.
double quotient(double a, double b)
{
    return b == 0 ? Undefined : a / b;
}

OneBased<double, MaxChan> makeGateTimes()
{
    OneBased<double, MaxChan> t{};
    double previousWidth = 0;
    for (int g = 1; g <= MaxChan; ++g) {
        const double width = 0.0064 * double(1 << ((g - 1) / 16)); // ms
        t[g] = g == 1 ? 0.0036 : t[g - 1] + previousWidth / 2 + width / 2;
        previousWidth = width;
    }
    return t;
}

} // namespace

const OneBased<double, MaxChan>& SysTestGateTimes()
{
    static const OneBased<double, MaxChan> times = makeGateTimes();
    return times;
}

double SysTestPlotMagnitude(double v)
{
    if (!std::isfinite(v))
        return Undefined;
    return std::max(std::fabs(v), 1e-6);
}

void AnalyseSystemTest(SystemTestData& d, Operator& op)
{
    const auto& gatetimes = SysTestGateTimes();
    const int gates = std::min(d.Chan, MaxChan);
    StationTable& noise = d.stn[6];

    d.NoiseStd[RxZ] = d.NoiseStd[RxX] = 0;
    if (d.NumStn[6] > 0 && d.NumStn[8] == 0) {
        op.inform("No Stn8 records were found with >1000 stacks. Noise records have thus been normalized to "
                  "1 Amp and "
                  "will appear to be very high compared to data collected at tens of amps.");
    } else {
        for (int k = 1; k <= gates; ++k)
            for (int r : {RxZ, RxX})
                noise[r][k] = quotient(noise[r][k], d.MeasuredAmpsSel);
    }

    // The deviation of the noise sums beyond 0.1 ms, before they are averaged over the noise lines.
    double sumSquares[2] = {0, 0};
    int count = 0;
    for (int k = 1; k <= gates; ++k) {
        if (gatetimes[k] <= 0.1)
            continue;
        for (int r : {RxZ, RxX})
            sumSquares[r] += noise[r][k] * noise[r][k];
        ++count;
    }
    for (int r : {RxZ, RxX})
        d.NoiseStd[r] = count < 2 ? Undefined : std::sqrt(sumSquares[r] / (count - 1)) / 1e6;

    for (int n = 1; n <= SysTestStations; ++n)
        for (int r : {RxZ, RxX})
            for (int k = 1; k <= MaxChan; ++k) {
                double& v = d.stn[n][r][k];
                // X lines are not counted: both receivers are averaged over the station's Z lines.
                v = d.NumStn[n] != 0 ? v / d.NumStn[n] : -1.0;
            }

    for (int r : {RxZ, RxX})
        for (int k = 1; k <= MaxChan; ++k) {
            const double stn2 = d.stn[2][r][k];
            d.shorted[r][k] = d.stn[3][r][k] - stn2;
            d.RxTurnsRatio[r][k] = quotient(d.stn[4][r][k], stn2);
            d.TxTurnsRatio[r][k] = quotient(d.stn[1][r][k], stn2);
        }
    d.analysed = true;
}

bool LoadSystemTest(SystemTestData& d, const std::string& fileName, int kind, Operator& to)
{
    DistinctMessages op(to);
    if (!ReadSystemTestFile(d, fileName, kind, op))
        return false;
    AnalyseSystemTest(d, op);
    return true;
}

// ---- Reference response of a shorted loop turn ----------------------------------------------------

ShortedLoopModel ShortedLoopModel::Defaults()
{
    struct Row {
        double gain, inductance, resistance, initMagn, rxDelay;
    };
    // [kind][receiver]
    static const Row rows[SysTestKinds][2] = {
        {{20, 3.09e-5, 0.1, 0.0005, 9e-6}, {20, 3.09e-5, 0.1, -4.1e-5, 9e-6}},
        {{1, 2.25e-5, 0.1, 0.038, 9e-6}, {20, 2.25e-5, 0.1, -0.000315, 9e-6}},
        {{1, 3.1e-5, 0.1, 0.005, 9e-6}, {20, 3.1e-5, 0.1, -0.005, 9e-6}},
    };
    ShortedLoopModel m;
    for (int e = 0; e < SysTestKinds; ++e)
        for (int r : {RxZ, RxX}) {
            const Row& row = rows[e][r];
            m.PreAmpGain[e][r] = row.gain;
            m.Inductance[e][r] = row.inductance;
            m.Resistance[e][r] = row.resistance;
            m.Tau[e][r] = row.inductance / row.resistance;
            m.InitMagn[e][r] = row.initMagn;
            m.RxDelay[e][r] = row.rxDelay;
        }
    return m;
}

const AnticipatedValues& Anticipated(int kind)
{
    static const auto values = [] {
        ZeroBased<AnticipatedValues, SysTestKinds> v;
        auto set = [&](int e, double ramp2P, double ramp1P, double noiseZ, double noiseX) {
            v[e].AntAmp2P = 38;
            v[e].AntAmp1P = 25;
            v[e].AntRamp2P = ramp2P;
            v[e].AntRamp1P = ramp1P;
            v[e].AntRamp2P2S = 2.2e-5;
            v[e].AntNoise[RxZ] = noiseZ;
            v[e].AntNoise[RxX] = noiseX;
        };
        set(0, 9.5e-6, 4.8e-6, 1.2e-7, 3.4e-7);
        set(1, 7.5e-6, 3.8e-6, 3.4e-7, 9.6e-7);
        set(2, 7.5e-6, 3.8e-6, 3.4e-7, 3.4e-7);
        return v;
    }();
    return values[kind];
}

std::vector<ReferencePoint> CalcShorted(const ShortedLoopModel& m, int kind, int receiver)
{
    std::vector<ReferencePoint> points;
    points.reserve(MaxChan);
    const auto& gatetimes = SysTestGateTimes();
    const double gain = m.PreAmpGain[kind][receiver], initMagn = m.InitMagn[kind][receiver];
    for (int i = 1; i <= MaxChan; ++i) {
        const double t = gatetimes[i] / 1000;
        const double d = t - m.RxDelay[kind][receiver] - Anticipated(kind).AntRamp1P;
        const double v = d < 9e-7 ? gain * initMagn : gain * initMagn * std::exp(-d / m.Tau[kind][receiver]);
        ReferencePoint p;
        p.timeMs = t * 1000;
        p.value = v * 1e6;
        // The Z reference is drawn as it is; the X reference shares the station curves' floor.
        p.plotted = receiver == RxZ ? std::fabs(p.value) : std::max(std::fabs(p.value), 1e-6);
        points.push_back(p);
    }
    return points;
}

// ---- Station-8 site response --------------------------------------------------------------------

std::string Stn8SiteResponseText(const SystemTestData& d)
{
    // The header's first three names are the ones the field-data reader looks for; lines end in
    // CR LF as every file of the program does.
    std::string text = "AcqChn1,AcqChn2,AcqChn3,Units=uV/A\r\n";
    for (int k = 1; k <= MaxChan; ++k)
        text += FormatSignificant(d.stn[8][RxZ][k], 12, 5) + "," +
                FormatSignificant(d.stn[8][RxX][k], 12, 5) + ",0.00\r\n";
    return text;
}

void WriteStn8SiteResponse(const SystemTestData& d, const std::string& fileName)
{
    WriteFileReplacing(fileName, Stn8SiteResponseText(d));
}

} // namespace tem
