#pragma once
// The ranges of the engine's inputs. Within them every result is finite; outside them a value is
// either meaningless for a TEM survey or overflows the arithmetic (a resistivity of 1e-160 ohm-m,
// a filter cut-off of 1e-200 Hz). The file readers refuse such values naming the file and line,
// and Forward() refuses them from any other caller.

#include <cstddef>

namespace tem::engine {

inline constexpr int MaxLayers = 100;
inline constexpr double MinResistivity = 1e-4; ///< ohm-m
inline constexpr double MaxResistivity = 1e9;  ///< ohm-m
inline constexpr double MaxThickness = 1e6;    ///< m (any thickness above 0 is allowed)

inline constexpr int MaxCorners = 1000;
inline constexpr double MaxCoordinate = 1e6; ///< m, horizontal and vertical

inline constexpr int MaxSubWaves = 1000;
inline constexpr double MaxTime = 10;       ///< s, waveform and gate times
inline constexpr double MaxAmplitude = 1e6; ///< relative current of the waveform

inline constexpr int MaxFilters = 10;
inline constexpr int MaxFilterOrder = 20;
inline constexpr double MinCutoff = 1;    ///< Hz
inline constexpr double MaxCutoff = 1e12; ///< Hz

inline constexpr std::size_t MaxGates = 10000;

} // namespace tem::engine
