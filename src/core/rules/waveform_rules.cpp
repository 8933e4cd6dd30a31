#include "core/rules/waveform_rules.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/files/value_forms.h"
#include "core/model/configuration.h"
#include "core/operator.h"

namespace tem {

namespace {

double rowNumber(const std::string& text, const std::optional<double>& exact, double fallback)
{
    if (exact)
        return *exact;
    return ParseFloat(text).value_or(fallback);
}

} // namespace

double WaveformFallback(int row)
{
    return 0.0003 * row - 0.001;
}

void CommitWaveformRows(TTxWaveform& w, const std::vector<WaveformRow>& rows, bool keepRampWhenEmpty,
                        Operator& op)
{
    std::size_t n = rows.size();
    if (n > static_cast<std::size_t>(MaxWaveformPoints)) {
        op.inform("A waveform holds at most " + std::to_string(MaxWaveformPoints) + " points; the " +
                  std::to_string(n - MaxWaveformPoints) + " rows after point " +
                  std::to_string(MaxWaveformPoints) + " were not stored.");
        n = MaxWaveformPoints;
    }
    w.WaveformPointsDigitized = static_cast<int>(n);
    bool ascending = true;
    for (std::size_t i = 0; i < n; ++i) {
        const int j = static_cast<int>(i) + 1;
        w.WaveformPointTimes[j] = rowNumber(rows[i].time, rows[i].exactTime, WaveformFallback(j));
        w.WaveformPointAmplitudes[j] =
            rowNumber(rows[i].amplitude, rows[i].exactAmplitude, WaveformFallback(j));
        if (j > 1 && !(w.WaveformPointTimes[j] > w.WaveformPointTimes[j - 1]))
            ascending = false;
    }
    if (!ascending)
        op.inform(std::string(AscendingMessage));
    if (n > 0)
        w.drivenRamp = w.WaveformPointTimes[static_cast<int>(n)];
    else if (!keepRampWhenEmpty)
        w.drivenRamp = 0;
}

int WaveformPointCount(std::string_view text, Operator& op)
{
    const std::optional<long long> v = ParseInteger(Trim(text));
    if (!v)
        return 4;
    if (*v > MaxWaveformPoints) {
        op.inform("A waveform holds at most " + std::to_string(MaxWaveformPoints) +
                  " points; the count is set to " + std::to_string(MaxWaveformPoints) + ".");
        return MaxWaveformPoints;
    }
    if (*v < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(*v);
}

std::optional<TimeSpan> TurnOffSpan(const TTxWaveform& w)
{
    const int n = std::min(w.WaveformPointsDigitized, MaxWaveformPoints);
    if (n < 2)
        return std::nullopt;
    const double end = w.WaveformPointTimes[n];
    int start = n - 1;
    for (int j = n - 1; j >= 1; --j)
        if (w.WaveformPointTimes[j] <= 0) {
            start = j;
            break;
        }
    const double from = w.WaveformPointTimes[start];
    if (!std::isfinite(from) || !std::isfinite(end) || !(end > from))
        return std::nullopt;
    return TimeSpan{from, end};
}

} // namespace tem
