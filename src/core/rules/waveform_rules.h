#pragma once
// Rules of the transmitter waveform window that need no window: reading the point rows back into a
// waveform with the ascending check and the ramp, and the point count.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tem {

struct TTxWaveform;
class Operator;

/// One row of a waveform editor: time (s) and amplitude as typed. exactTime / exactAmplitude hold
/// the model value a row was filled from while its text is unchanged (see ShownNumber).
struct WaveformRow {
    std::string time, amplitude;
    std::optional<double> exactTime, exactAmplitude;
};

/// Fallback for row j (1-based) whose text is not a number: 0.0003 x j - 0.001.
double WaveformFallback(int row);

/// Stores the rows as the waveform's points: count, times, amplitudes (with the fallback), the
/// message "Times must be ascending" once when a time is not above the one before it, and the ramp
/// from the last time (left unchanged when there are no rows and keepRampWhenEmpty).
/// Rows beyond the MaxWaveformPoints points a waveform holds are not stored, with a message.
void CommitWaveformRows(TTxWaveform& w, const std::vector<WaveformRow>& rows, bool keepRampWhenEmpty,
                        Operator& op);
inline constexpr std::string_view AscendingMessage = "Times must be ascending";

/// A point count typed into a count edit: 4 when not a number. A count above MaxWaveformPoints is limited to
/// it with a message; 0 or less is kept as typed.
int WaveformPointCount(std::string_view text, Operator& op);

/// A stretch of time, seconds.
struct TimeSpan {
    double from = 0, to = 0;
};

/// The turn-off of a waveform: from its last on-time point (the last point at or before time 0,
/// where the ramp starts, or else the point before the last) to its last point, the end of the
/// ramp. Nothing when fewer than two points are stored or the span is not a forward stretch of
/// finite times.
std::optional<TimeSpan> TurnOffSpan(const TTxWaveform& w);

} // namespace tem
