#pragma once
// A small 2-D chart drawn with QPainter alone, for pages that are written without any window
// (linear or logarithmic axes, lines, markers, filled areas, a legend). Lengths are in the
// painter's logical units, read as points; text keeps its size in points whatever the painter's
// transformation.

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <utility>
#include <vector>

class QPainter;

namespace tem::report {

/// A font of the report's family that shows `points` tall on the painter's device, whatever
/// scaling the painter applies.
QFont ReportFont(const QPainter& painter, double points, bool bold = false, bool italic = false);

struct PlotAxis {
    QString title;
    bool log = false;
    /// The range shown; when min is not below max the range of the data is taken (positive
    /// values only on a logarithmic axis).
    double min = 0, max = 0;
    /// Labels at fixed positions instead of numbered ticks (a category axis).
    std::vector<std::pair<double, QString>> labels;
};

enum class PlotMarker { None, Square, Triangle, Cross, Circle };

struct PlotSeries {
    QString title;
    QColor color;
    std::vector<QPointF> points;
    bool line = true;  ///< join the points in order
    bool area = false; ///< fill between the line and the bottom of the plot
    bool dashed = false;
    double lineWidth = 1.0; ///< points
    PlotMarker marker = PlotMarker::None;
};

/// A vertical line across the plot at x, labelled at its top.
struct PlotMarkLine {
    double x = 0;
    QString label;
    QColor color;
};

struct Plot {
    QString title;
    PlotAxis x, y;
    std::vector<PlotSeries> series;
    std::vector<PlotMarkLine> markLines;
};

/// The range an axis shows for the plot's data: [min, max] of the axis when given, else of
/// the data (with a margin on a linear axis, whole decades on a logarithmic one).
std::pair<double, double> AxisRange(const Plot& plot, bool xAxis);

/// Paints the chart: title, legend, frame, ticks and labels, series, into rect.
void PaintPlot(QPainter& painter, const QRectF& rect, const Plot& plot);

} // namespace tem::report
