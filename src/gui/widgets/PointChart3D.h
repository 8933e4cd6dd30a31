#pragma once
// A small 3-D point chart: series of points joined by lines, a mark (a label with a tail) at every
// point, orthographic projection with rotation, elevation, zoom and panning, the same scale on all
// three axes, a legend at the top, and PNG export. Data X runs along the horizontal (bottom)
// axis, Y along the vertical (left) axis and Z along the depth axis.

#include <QColor>
#include <QString>
#include <QWidget>

#include <utility>
#include <vector>

#include "report/PointChartPainter.h"

class QToolBar;

namespace tem::gui {

using report::ChartPoint;
using report::ChartSeries;
using report::PointSymbol;

class PointChart3D : public QWidget {
    Q_OBJECT

  public:
    explicit PointChart3D(QWidget* parent = nullptr);

    /// Adds a series and returns its index; later series are drawn over earlier ones.
    int addSeries(ChartSeries series);
    int seriesCount() const { return int(series_.size()); }
    ChartSeries& series(int i) { return series_.at(std::size_t(i)); }
    const ChartSeries& series(int i) const { return series_.at(std::size_t(i)); }
    /// The mark text of point i of series s (empty without a mark).
    QString markText(int s, int i) const;

    /// 3-D view (rotation, elevation) or a flat view of X against Y.
    void setView3D(bool on);
    bool view3D() const { return view3D_; }
    void setRotation(double degrees);
    void setElevation(double degrees);
    double rotation() const { return rotation_; }
    double elevation() const { return elevation_; }
    /// Zoom in per cent of the size that fits the drawing in the chart (100 = fit).
    void setZoom(double percent);
    double zoom() const { return zoom_; }
    /// Moves the drawing by a number of pixels.
    void pan(double dx, double dy);
    /// Fits the drawing: zoom 100 %, no panning.
    void resetView();

    /// Axis lengths that give one metre the same length on all three axes: each axis gets its data
    /// range divided by the largest of the three ranges (per cent). The left axis starts at
    /// 100 minus its share of the plot height, the bottom and depth axes end at their share.
    void equaliseScales();
    double leftAxisStartPercent() const { return leftStart_; }
    double bottomAxisEndPercent() const { return bottomEnd_; }
    double depthAxisEndPercent() const { return depthEnd_; }

    /// Names the three axis directions in the corner glyph instead of the letters X, Y and Z.
    void setAxisTitles(const QString& x, const QString& y, const QString& z);
    /// Labels along a vertical axis drawn at the lower-left corner of the data: each tick is a
    /// data Y value and its text (for a Y that the caller has transformed, e.g. a log depth).
    void setVerticalTicks(std::vector<std::pair<double, QString>> ticks, const QString& title);
    /// Labels along a horizontal axis drawn under the data: each tick is a data X value and its text.
    void setHorizontalTicks(std::vector<std::pair<double, QString>> ticks, const QString& title);
    /// The metre scale bar (off when Y is not in metres).
    void setScaleBarVisible(bool on);
    /// A fixed text box at a pixel position of the chart (kept inside the chart).
    void addAnnotation(const QString& text, QPoint topLeft, const QColor& fill, const QColor& textColour);
    /// Removes every series (annotations, titles and ticks stay).
    void clearSeries();

    /// The chart as it is drawn now, written as a PNG file; false when the file cannot be written.
    bool exportPng(const QString& fileName, QSize size = {}) const;
    /// The chart drawn into an image of the given size (its own size when empty).
    QImage render(QSize size = {}) const;

    /// A tool bar that rotates, tilts, moves and zooms this chart; owned by parent.
    QToolBar* createToolBar(QWidget* parent);

    QSize sizeHint() const override { return {600, 500}; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    void paint(QPainter& painter, QSize size) const;

    std::vector<ChartSeries> series_;
    report::PointChartDecor decor_;
    bool view3D_ = true;
    double rotation_ = 0, elevation_ = 36, zoom_ = 100;
    double panX_ = 0, panY_ = 0;
    double leftStart_ = 0, bottomEnd_ = 100, depthEnd_ = 100;
    QPoint lastMouse_;
};

} // namespace tem::gui
