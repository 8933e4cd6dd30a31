#include "report/PointChartPainter.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace tem::report {

namespace {

constexpr double DegToRad = std::numbers::pi / 180.0;
constexpr int LegendHeight = 24;
constexpr int Margin = 48;      // room for the marks around the drawing
constexpr int MaxMarkLifts = 6; // a mark is lifted at most this many label heights
constexpr int SymbolSize = 7;

/// A round length near target metres for the scale bar: 1, 2 or 5 times a power of ten.
double NiceLength(double target)
{
    if (!(target > 0) || !std::isfinite(target))
        return 1;
    const double p = std::pow(10.0, std::floor(std::log10(target)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * p >= target)
            return m * p;
    return 10 * p;
}

struct Projected {
    double h = 0, v = 0; ///< screen-aligned coordinates, metres, v upwards
};

Projected Project(const PointChartView& view, const ChartPoint& p)
{
    if (!view.view3D)
        return {p.x, p.y};
    const double phi = view.rotation * DegToRad, theta = view.elevation * DegToRad;
    const double x1 = p.x * std::cos(phi) + p.z * std::sin(phi);
    const double z1 = -p.x * std::sin(phi) + p.z * std::cos(phi);
    // Z is positive down: tilting the view shows a point above the ground higher on screen.
    return {x1, p.y * std::cos(theta) - z1 * std::sin(theta)};
}

} // namespace

QString MarkText(const ChartSeries& ser, int i)
{
    if (i < 0 || i >= int(ser.points.size()) || !ser.markText)
        return {};
    return ser.markText(i);
}

void PaintPointChart(QPainter& painter, QSize size, const std::vector<ChartSeries>& series,
                     const PointChartView& view, const QColor& textColor, const PointChartDecor& decor)
{
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QFontMetrics fm = painter.fontMetrics();

    // Legend along the top, on as many lines as a narrow chart needs.
    int lx = 8, ly = 8;
    for (const ChartSeries& s : series) {
        if (s.title.isEmpty())
            continue;
        const int entryWidth = 16 + fm.horizontalAdvance(s.title) + 14;
        if (lx > 8 && lx + entryWidth > size.width()) {
            lx = 8;
            ly += LegendHeight - 6;
        }
        painter.fillRect(QRect(lx, ly, 12, 12), s.color);
        painter.setPen(textColor);
        painter.drawRect(QRect(lx, ly, 12, 12));
        painter.drawText(lx + 16, ly + fm.ascent(), s.title);
        lx += entryWidth;
    }
    const int legendHeight = ly - 8 + LegendHeight;

    // Bounds of the projected drawing.
    double hmin = std::numeric_limits<double>::max(), hmax = std::numeric_limits<double>::lowest();
    double vmin = hmin, vmax = hmax;
    for (const ChartSeries& s : series)
        for (const ChartPoint& p : s.points) {
            const Projected q = Project(view, p);
            if (!std::isfinite(q.h) || !std::isfinite(q.v))
                continue;
            hmin = std::min(hmin, q.h);
            hmax = std::max(hmax, q.h);
            vmin = std::min(vmin, q.v);
            vmax = std::max(vmax, q.v);
        }
    auto drawAnnotations = [&] {
        for (const ChartAnnotation& a : decor.annotations) {
            const int w = fm.horizontalAdvance(a.text) + 10, h = fm.height() + 4;
            const int x = std::max(0, std::min(a.topLeft.x(), size.width() - w - 2));
            const QRect box(x, a.topLeft.y(), w, h);
            painter.setPen(Qt::NoPen);
            painter.setBrush(a.fill);
            painter.drawRect(box);
            painter.setPen(a.textColour);
            painter.drawText(box, Qt::AlignCenter, a.text);
        }
    };
    if (hmin > hmax) {
        drawAnnotations();
        return;
    }
    // A vertical axis needs room for its labels on the left and for the direction titles below.
    const int extraLeft = decor.verticalTicks.empty() ? 0 : 2 * fm.height();
    const int extraBottom = decor.verticalTicks.empty() && decor.horizontalTicks.empty()
                                ? 0
                                : (decor.horizontalTicks.empty() ? 3 : 5) * fm.height();
    const QRectF plot(Margin + extraLeft, legendHeight + Margin,
                      std::max(10, size.width() - 2 * Margin - extraLeft),
                      std::max(10, size.height() - legendHeight - 2 * Margin - extraBottom));
    const double rangeH = std::max(hmax - hmin, 1e-9), rangeV = std::max(vmax - vmin, 1e-9);
    double scale = std::min(plot.width() / rangeH, plot.height() / rangeV);
    if (hmax - hmin < 1e-9 && vmax - vmin < 1e-9)
        scale = std::min(plot.width(), plot.height()) / 2;
    scale *= view.zoom / 100;
    const double hc = (hmin + hmax) / 2, vc = (vmin + vmax) / 2;
    QPointF centre = plot.center() + QPointF(view.panX, view.panY);
    auto toScreen = [&](const ChartPoint& p) {
        const Projected q = Project(view, p);
        return QPointF(centre.x() + (q.h - hc) * scale, centre.y() - (q.v - vc) * scale);
    };

    // Marks: a label with a tail at every point. A label that would cover one already placed is
    // lifted above it on a longer tail, so marks of points close together (a tow ball under the
    // antenna, the corners of two identical loops) stay readable.
    struct Mark {
        QPointF point;
        QRectF box;
        QString text;
    };
    auto placeMarks = [&] {
        std::vector<Mark> marks;
        for (const ChartSeries& s : series)
            for (int i = 0; i < int(s.points.size()); ++i) {
                const QString text = MarkText(s, i);
                if (text.isEmpty())
                    continue;
                const QPointF c = toScreen(s.points[std::size_t(i)]);
                const int w = fm.horizontalAdvance(text) + 6, h = fm.height() + 2;
                QRectF box(c.x() - w / 2.0, c.y() - 14 - h, w, h);
                for (int tries = 0; tries < MaxMarkLifts; ++tries) {
                    const bool overlaps = std::any_of(marks.begin(), marks.end(), [&](const Mark& m) {
                        return m.box.adjusted(-1, -1, 1, 1).intersects(box);
                    });
                    if (!overlaps)
                        break;
                    box.translate(0, -(h + 2));
                }
                marks.push_back({c, box, text});
            }
        return marks;
    };
    // Lifted marks of a wide, flat drawing in a narrow chart would reach into the legend: the
    // drawing moves down as far as the room below it allows.
    if (!view.panY) {
        double top = size.height(), bottom = 0;
        for (const Mark& m : placeMarks())
            top = std::min(top, m.box.top());
        for (const ChartSeries& s : series)
            for (const ChartPoint& p : s.points)
                if (const QPointF c = toScreen(p); std::isfinite(c.y()))
                    bottom = std::max(bottom, c.y());
        const double wanted = legendHeight + 4 - top, room = size.height() - 8 - SymbolSize - bottom;
        if (wanted > 0 && room > 0)
            centre.ry() += std::min(wanted, room);
    }

    // Lines and symbols of every series, in order.
    for (const ChartSeries& s : series) {
        if (s.points.empty())
            continue;
        QPolygonF line;
        for (const ChartPoint& p : s.points)
            line << toScreen(p);
        if (s.joined) {
            painter.setPen(QPen(s.color, s.lineWidth, s.lineStyle, Qt::RoundCap, Qt::RoundJoin));
            painter.setBrush(Qt::NoBrush);
            painter.drawPolyline(line);
        }
        painter.setPen(QPen(s.color.darker(160), 1));
        painter.setBrush(s.color);
        for (const QPointF& c : line) {
            if (s.symbol == PointSymbol::DownTriangle) {
                const double r = SymbolSize / 2.0 + 1;
                painter.drawPolygon(
                    QPolygonF{{c.x() - r, c.y() - r}, {c.x() + r, c.y() - r}, {c.x(), c.y() + r}});
            } else {
                painter.drawRect(
                    QRectF(c.x() - SymbolSize / 2.0, c.y() - SymbolSize / 2.0, SymbolSize, SymbolSize));
            }
        }
    }

    const QColor markFill(255, 255, 225);
    for (const Mark& m : placeMarks()) {
        painter.setPen(QPen(Qt::black, 1));
        painter.drawLine(m.point, QPointF(m.point.x(), m.box.bottom()));
        painter.setBrush(markFill);
        painter.drawRect(m.box);
        painter.drawText(m.box, Qt::AlignCenter, m.text);
    }

    // A vertical axis with its ticks at the lower-left corner of the data.
    if (!decor.verticalTicks.empty()) {
        double xmin = std::numeric_limits<double>::max(), zmin = xmin;
        for (const ChartSeries& s : series)
            for (const ChartPoint& p : s.points) {
                if (std::isfinite(p.x))
                    xmin = std::min(xmin, p.x);
                if (std::isfinite(p.z))
                    zmin = std::min(zmin, p.z);
            }
        painter.setPen(QPen(textColor, 1));
        painter.setBrush(Qt::NoBrush);
        // Drawn a little to the left of the leftmost points so that they stay clear of it.
        const QPointF shift(-16, 0);
        const QPointF first = toScreen({xmin, decor.verticalTicks.front().first, zmin}) + shift;
        const QPointF last = toScreen({xmin, decor.verticalTicks.back().first, zmin}) + shift;
        painter.drawLine(first, last);
        double labelLeft = first.x();
        for (const auto& [y, text] : decor.verticalTicks) {
            const QPointF c = toScreen({xmin, y, zmin}) + shift;
            painter.drawLine(c, c - QPointF(5, 0));
            const int w = fm.horizontalAdvance(text);
            painter.drawText(QPointF(c.x() - 8 - w, c.y() + fm.ascent() / 2.0 - 1), text);
            labelLeft = std::min(labelLeft, c.x() - 8 - w);
        }
        if (!decor.verticalTitle.isEmpty()) {
            painter.save();
            const QPointF mid = (first + last) / 2;
            painter.translate(std::max(double(fm.height()), labelLeft - 6), mid.y());
            painter.rotate(-90);
            const int w = fm.horizontalAdvance(decor.verticalTitle);
            painter.drawText(QPointF(-w / 2.0, 0), decor.verticalTitle);
            painter.restore();
        }
    }
    // A horizontal axis along X under the data, at the vertical axis's lowest tick.
    if (!decor.horizontalTicks.empty()) {
        double ylow = std::numeric_limits<double>::max(), zmin = ylow;
        for (const ChartSeries& s : series)
            for (const ChartPoint& p : s.points) {
                if (std::isfinite(p.y))
                    ylow = std::min(ylow, p.y);
                if (std::isfinite(p.z))
                    zmin = std::min(zmin, p.z);
            }
        for (const auto& tick : decor.verticalTicks)
            ylow = std::min(ylow, tick.first);
        painter.setPen(QPen(textColor, 1));
        painter.setBrush(Qt::NoBrush);
        const QPointF shift(0, 16); // a little below the lowest points
        const QPointF first = toScreen({decor.horizontalTicks.front().first, ylow, zmin}) + shift;
        const QPointF last = toScreen({decor.horizontalTicks.back().first, ylow, zmin}) + shift;
        painter.drawLine(first, last);
        double labelBottom = std::max(first.y(), last.y());
        for (const auto& [x, text] : decor.horizontalTicks) {
            const QPointF c = toScreen({x, ylow, zmin}) + shift;
            painter.drawLine(c, c + QPointF(0, 5));
            const int w = fm.horizontalAdvance(text);
            painter.drawText(QPointF(c.x() - w / 2.0, c.y() + 6 + fm.ascent()), text);
            labelBottom = std::max(labelBottom, c.y() + 6 + fm.height());
        }
        if (!decor.horizontalTitle.isEmpty()) {
            const int w = fm.horizontalAdvance(decor.horizontalTitle);
            painter.drawText(QPointF((first.x() + last.x() - w) / 2.0, labelBottom + fm.ascent() + 2),
                             decor.horizontalTitle);
        }
    }
    drawAnnotations();

    // Axis directions and a scale bar in the lower left corner.
    const double axisLen = 28;
    const ChartPoint zero{};
    const Projected o = Project(view, zero);
    const ChartPoint unit[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    // An axis pointing down the screen (Z in a steep view) keeps its title inside the chart.
    double below = 0;
    for (const ChartPoint& u : unit)
        below = std::max(below, -(Project(view, u).v - o.v) * axisLen * 1.25 + 4);
    const QPointF origin(22, std::min(size.height() - 22.0, size.height() - 4.0 - below));
    painter.setBrush(Qt::NoBrush);
    std::vector<QRectF> labelled;
    for (int a = 0; a < 3; ++a) {
        const Projected q = Project(view, unit[a]);
        const QPointF d((q.h - o.h) * axisLen, -(q.v - o.v) * axisLen);
        if (std::hypot(d.x(), d.y()) < 2)
            continue;
        painter.setPen(QPen(textColor, 1.5));
        painter.drawLine(origin, origin + d);
        // Titles that would overlap (axes pointing the same way on screen) are stacked.
        QPointF at = origin + d * 1.25 + QPointF(-4, 4);
        QRectF box(at.x(), at.y() - fm.ascent(), fm.horizontalAdvance(decor.axisTitles[a]), fm.height());
        for (bool moved = true; moved;) {
            moved = false;
            for (const QRectF& used : labelled)
                if (box.intersects(used)) {
                    box.moveTop(used.top() - fm.height());
                    moved = true;
                }
        }
        at.setY(box.top() + fm.ascent());
        labelled.push_back(box);
        painter.drawText(at, decor.axisTitles[a]);
    }
    if (!decor.scaleBar)
        return;
    const double barMetres = NiceLength(80 / scale);
    const double barPixels = barMetres * scale;
    const QPointF b0(size.width() - Margin - barPixels, size.height() - 14);
    painter.setPen(QPen(textColor, 2));
    painter.drawLine(b0, b0 + QPointF(barPixels, 0));
    painter.drawLine(b0 + QPointF(0, -4), b0 + QPointF(0, 4));
    painter.drawLine(b0 + QPointF(barPixels, -4), b0 + QPointF(barPixels, 4));
    painter.drawText(QPointF(b0.x(), b0.y() - 6), QString::number(barMetres, 'g', 6) + " m");
}

} // namespace tem::report
