#pragma once
// The series of the layout diagram (loops, coils, GNSS antenna, vehicle) in drawing order, with
// their colours and marks: the main window's diagram and the report's drawings use the same list.

#include <vector>

#include "report/PointChartPainter.h"

namespace tem {
struct Configuration;
}

namespace tem::report {

enum LayoutSeriesIndex {
    SeriesTxDefault,
    SeriesTxAuxiliary,
    SeriesRx1,
    SeriesRx2,
    SeriesRx3,
    SeriesGNSSAntenna,
    SeriesVehicle,
    LayoutSeriesCount
};

/// The diagram's start elevation in degrees: loops are tens of metres wide and a few metres high,
/// and a steep view shows the heights of loops, coils and antenna that a view close to the plan
/// hides.
constexpr double LayoutStartElevation = 60;

/// The diagram of cfg: every series with the points the configuration gives it (points that
/// cannot be drawn are left out; a transmitter or receiver beyond the counts has none). As the
/// diagram always has, a receiver without a usable area gets its defaults in cfg.
std::vector<ChartSeries> LayoutDiagramSeries(Configuration& cfg);

} // namespace tem::report
