#pragma once
// Digital linear filters: the Hankel transform over wavenumber and the sine/cosine transform from
// frequency to time. The tables are data (data/filters/), compiled in with their attribution.
//
// All three tables have abscissae on a logarithmic lattice, base_i = exp(spacing * (i - centre)).
// The engine keeps every wavenumber, offset, frequency and time on such a lattice, so one kernel
// value serves many offsets and one frequency serves many times ("lagged convolution").

#include <complex>
#include <string>
#include <string_view>
#include <vector>

namespace tem::engine {

enum class FilterTable { Hankel201, SineCosine101, SineCosine201 };

/// A filter table: abscissae and two weight columns (J0 and J1, or cosine and sine).
struct DigitalFilter {
    std::vector<double> base;
    std::vector<double> first;  ///< J0 or cosine weights
    std::vector<double> second; ///< J1 or sine weights
    double spacing = 0;         ///< natural-log step between neighbouring abscissae
    int centre = 0;             ///< index of the abscissa 1
    int size() const { return static_cast<int>(base.size()); }
};

/// The text of a table as compiled in from data/filters/.
std::string_view EmbeddedFilterText(FilterTable table);

/// Reads a table: '#' lines are comments, every other non-blank line holds three numbers. Throws
/// std::runtime_error when the text is not such a table or its abscissae are not a log lattice.
DigitalFilter ParseFilterTable(std::string_view text);

/// The parsed compiled-in table (parsed once, shared, read-only).
const DigitalFilter& Filter(FilterTable table);

/// Inclusive range of lattice indices.
struct LatticeRange {
    int first = 0;
    int last = -1;
    int count() const { return last >= first ? last - first + 1 : 0; }
    bool contains(int i) const { return i >= first && i <= last; }
};

/// Step-off response at the lattice times t_m = exp(spacing * m), m in `times`, from a transfer
/// function R(omega) known at omega_k = exp(spacing * k).
struct TimeNodes {
    LatticeRange times;
    std::vector<double> step_off; ///< b(t_m) = response at t_m after a unit current is switched off
};

/// Frequencies the time transform needs for `times` with filter `f`.
LatticeRange FrequenciesForTimes(const DigitalFilter& f, LatticeRange times);

/// Cosine transform of the step-off response, b(t) = (2/pi) int_0^inf -Im R(omega)/omega cos(omega t)
/// domega. `imag_response[k - frequencies.first]` is Im R(omega_k) for the causal transfer function
/// R (time dependence exp(+i omega t)). Only the cosine weights are used: its derivative, taken
/// from the interpolation of b, is more accurate at late times than the sine transform of the
/// shorter table.
TimeNodes TransformToTime(const DigitalFilter& f, LatticeRange times, LatticeRange frequencies,
                          const std::vector<double>& imag_response);

} // namespace tem::engine
