#pragma once
// What the two forward-model graph windows share: chart titles, fitting the axes to the active
// series, and saving a chart as an image.

#include <QString>
#include <vector>

class QCPAxis;
class QCustomPlot;
class QWidget;

namespace tem::gui {

class LabelledSeries;

struct Session;

/// A bold title above the chart.
void AddChartTitle(QCustomPlot* chart, const QString& title);

/// Sets both axes to the extent of the active series (only values above zero on a logarithmic
/// axis), with a margin; an axis without such values keeps fallback lo..hi.
void FitAxis(QCPAxis* axis, const std::vector<const LabelledSeries*>& series, bool key, double lo, double hi);

/// The save dialog ("SaveGraph as BMP"), proposing `proposed`: a name ending in ".png" is saved
/// as PNG, any other as BMP (".BMP" added when the name has no extension). Cancelling saves
/// nothing; a file that cannot be written is reported.
void SaveChartImage(Session& session, QCustomPlot* chart, const QString& proposed);

} // namespace tem::gui
