#pragma once
// Small helpers around QCustomPlot for the 2-D charts of the editor windows. Charts are views:
// series data comes from core functions; these only hand it to the plot.

#include <QColor>
#include <QString>
#include <vector>

#include <qcustomplot.h>

namespace tem::gui {
namespace chart {

/// A new series drawn as marks (and a line unless lineStyle is lsNone), listed in the legend.
QCPGraph* AddSeries(QCustomPlot* plot, const QString& title, QCPScatterStyle::ScatterShape shape,
                    const QColor& colour, QCPGraph::LineStyle lineStyle = QCPGraph::lsNone);
/// An area series: a line filled down to zero.
QCPGraph* AddAreaSeries(QCustomPlot* plot, const QString& title, const QColor& colour);

/// Replaces the points of a series (x and y of equal length; extra values are ignored).
void SetPoints(QCPGraph* graph, const std::vector<double>& x, const std::vector<double>& y);

/// A linear axis from lo to hi with plain decimal tick labels.
void SetLinearAxis(QCPAxis* axis, double lo, double hi);
/// A logarithmic axis from lo to hi (both must be above zero; otherwise the axis is left linear).
void SetLogAxis(QCPAxis* axis, double lo, double hi);

/// A chart with its legend placed at the top or bottom, outside the plot area.
void PlaceLegend(QCustomPlot* plot, bool top);

} // namespace chart

} // namespace tem::gui
