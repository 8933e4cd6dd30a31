#include "engine/transform.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

#include "engine/constants.h"

namespace tem::engine {

namespace {

bool ReadNumber(std::string_view& rest, double& value)
{
    std::size_t start = rest.find_first_not_of(" \t\r");
    if (start == std::string_view::npos)
        return false;
    rest.remove_prefix(start);
    auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
    if (ec != std::errc() || !std::isfinite(value))
        return false;
    rest.remove_prefix(static_cast<std::size_t>(end - rest.data()));
    return true;
}

} // namespace

DigitalFilter ParseFilterTable(std::string_view text)
{
    DigitalFilter f;
    while (!text.empty()) {
        std::size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
        std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string_view::npos || line[first] == '#')
            continue;
        double b = 0, w1 = 0, w2 = 0;
        if (!ReadNumber(line, b) || !ReadNumber(line, w1) || !ReadNumber(line, w2) || b <= 0)
            throw std::runtime_error("filter table: a line does not hold three numbers");
        f.base.push_back(b);
        f.first.push_back(w1);
        f.second.push_back(w2);
    }
    if (f.base.size() < 3)
        throw std::runtime_error("filter table: too few lines");
    const int n = f.size();
    f.spacing = (std::log(f.base.back()) - std::log(f.base.front())) / (n - 1);
    if (!(f.spacing > 0))
        throw std::runtime_error("filter table: abscissae do not increase");
    f.centre = static_cast<int>(std::lround(-std::log(f.base.front()) / f.spacing));
    for (int i = 0; i < n; ++i) {
        double expected = std::exp(f.spacing * (i - f.centre));
        if (std::abs(f.base[i] / expected - 1) > 1e-9)
            throw std::runtime_error("filter table: abscissae are not a logarithmic lattice through 1");
    }
    return f;
}

const DigitalFilter& Filter(FilterTable table)
{
    static const DigitalFilter hankel = ParseFilterTable(EmbeddedFilterText(FilterTable::Hankel201));
    static const DigitalFilter sc101 = ParseFilterTable(EmbeddedFilterText(FilterTable::SineCosine101));
    static const DigitalFilter sc201 = ParseFilterTable(EmbeddedFilterText(FilterTable::SineCosine201));
    switch (table) {
    case FilterTable::Hankel201:
        return hankel;
    case FilterTable::SineCosine101:
        return sc101;
    case FilterTable::SineCosine201:
        return sc201;
    }
    return sc101;
}

LatticeRange FrequenciesForTimes(const DigitalFilter& f, LatticeRange times)
{
    // omega = base_i / t_m = exp(spacing * (i - centre - m))
    return {-f.centre - times.last, f.size() - 1 - f.centre - times.first};
}

TimeNodes TransformToTime(const DigitalFilter& f, LatticeRange times, LatticeRange frequencies,
                          const std::vector<double>& imag_response)
{
    TimeNodes nodes;
    nodes.times = times;
    nodes.step_off.resize(times.count());
    // -Im R(omega) / omega for the cosine (step-off) sum.
    std::vector<double> over_omega(imag_response.size());
    for (std::size_t j = 0; j < imag_response.size(); ++j)
        over_omega[j] = -imag_response[j] / std::exp(f.spacing * (frequencies.first + static_cast<int>(j)));
    for (int m = times.first; m <= times.last; ++m) {
        double step = 0;
        for (int i = 0; i < f.size(); ++i)
            step += over_omega[i - f.centre - m - frequencies.first] * f.first[i];
        double t = std::exp(f.spacing * m);
        nodes.step_off[m - times.first] = 2.0 / Pi * step / t;
    }
    return nodes;
}

} // namespace tem::engine
