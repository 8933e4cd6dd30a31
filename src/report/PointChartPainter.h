#pragma once
// Draws a 3-D point chart onto any QPainter: series of points joined by lines, a mark (a label
// with a tail) at every point, orthographic projection with rotation, elevation, zoom and panning,
// a legend at the top, axis directions, an optional vertical axis, fixed text boxes and a scale
// bar. The layout diagram's widget paints its screen with it and the system report its
// pages, so both show the same drawing. Sizes are in the painter's logical pixels; data X runs
// along the horizontal axis, Y along the vertical axis and Z (positive down) along the depth axis.

#include <QColor>
#include <QPoint>
#include <QSize>
#include <QString>

#include <functional>
#include <utility>
#include <vector>

class QPainter;

namespace tem::report {

struct ChartPoint {
    double x = 0, y = 0, z = 0;
};

enum class PointSymbol { Rectangle, DownTriangle };

struct ChartSeries {
    QString title;
    QColor color;
    int lineWidth = 1; ///< pixels
    PointSymbol symbol = PointSymbol::Rectangle;
    std::vector<ChartPoint> points; ///< joined in this order
    /// Text of the mark at point index i; an empty text draws no mark.
    std::function<QString(int)> markText;
    bool joined = true; ///< false: symbols only, no line
    /// Dashed lines keep a series visible where it runs on top of an earlier one.
    Qt::PenStyle lineStyle = Qt::SolidLine;
};

/// How the chart looks at the drawing: a 3-D view (rotation about the vertical, elevation) or a
/// flat view of X against Y; zoom in per cent of the size that fits; panning in pixels.
struct PointChartView {
    bool view3D = true;
    double rotation = 0, elevation = 36, zoom = 100;
    double panX = 0, panY = 0;
};

/// A fixed text box at a pixel position of the chart (kept inside the chart).
struct ChartAnnotation {
    QString text;
    QPoint topLeft;
    QColor fill, textColour;
};

/// What the chart shows besides its series.
struct PointChartDecor {
    /// Names of the three axis directions in the corner glyph.
    QString axisTitles[3] = {QStringLiteral("X"), QStringLiteral("Y"), QStringLiteral("Z")};
    /// A vertical axis at the lower-left corner of the data: data Y values and their texts.
    std::vector<std::pair<double, QString>> verticalTicks;
    QString verticalTitle;
    /// A horizontal axis along X under the data (at the vertical axis's lowest tick): data X
    /// values and their texts.
    std::vector<std::pair<double, QString>> horizontalTicks;
    QString horizontalTitle;
    bool scaleBar = true; ///< the metre scale bar (off when Y is not in metres)
    std::vector<ChartAnnotation> annotations;
};

/// The mark text of point i of a series (empty without a mark).
QString MarkText(const ChartSeries& series, int i);

/// Paints the chart into the rectangle (0, 0, size) of the painter; text and axes in textColor.
void PaintPointChart(QPainter& painter, QSize size, const std::vector<ChartSeries>& series,
                     const PointChartView& view, const QColor& textColor, const PointChartDecor& decor = {});

} // namespace tem::report
