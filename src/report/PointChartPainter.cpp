#include "report/PointChartPainter.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace tem::report {

namespace {

constexpr double DegToRad = std::numbers::pi / 180.0;
constexpr int LegendHeight = 24;
constexpr int Margin = 48; // room for the marks around the drawing
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
    return {x1, p.y * std::cos(theta) + z1 * std::sin(theta)};
}

} // namespace

QString MarkText(const ChartSeries& ser, int i)
{
    if (i < 0 || i >= int(ser.points.size()) || !ser.markText)
        return {};
    return ser.markText(i);
}

void PaintPointChart(QPainter& painter, QSize size, const std::vector<ChartSeries>& series,
                     const PointChartView& view, const QColor& textColor)
{
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QFontMetrics fm = painter.fontMetrics();

    // Legend along the top.
    int lx = 8;
    for (const ChartSeries& s : series) {
        if (s.title.isEmpty())
            continue;
        painter.fillRect(QRect(lx, 8, 12, 12), s.color);
        painter.setPen(textColor);
        painter.drawRect(QRect(lx, 8, 12, 12));
        painter.drawText(lx + 16, 8 + fm.ascent(), s.title);
        lx += 16 + fm.horizontalAdvance(s.title) + 14;
    }

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
    if (hmin > hmax)
        return;
    const QRectF plot(Margin, LegendHeight + Margin, std::max(10, size.width() - 2 * Margin),
                      std::max(10, size.height() - LegendHeight - 2 * Margin));
    const double rangeH = std::max(hmax - hmin, 1e-9), rangeV = std::max(vmax - vmin, 1e-9);
    double scale = std::min(plot.width() / rangeH, plot.height() / rangeV);
    if (hmax - hmin < 1e-9 && vmax - vmin < 1e-9)
        scale = std::min(plot.width(), plot.height()) / 2;
    scale *= view.zoom / 100;
    const double hc = (hmin + hmax) / 2, vc = (vmin + vmax) / 2;
    const QPointF centre = plot.center() + QPointF(view.panX, view.panY);
    auto toScreen = [&](const ChartPoint& p) {
        const Projected q = Project(view, p);
        return QPointF(centre.x() + (q.h - hc) * scale, centre.y() - (q.v - vc) * scale);
    };

    // Lines and symbols of every series, in order.
    for (const ChartSeries& s : series) {
        if (s.points.empty())
            continue;
        QPolygonF line;
        for (const ChartPoint& p : s.points)
            line << toScreen(p);
        painter.setPen(QPen(s.color, s.lineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPolyline(line);
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

    // Marks: a label with a tail at every point.
    const QColor markFill(255, 255, 225);
    for (int si = 0; si < int(series.size()); ++si) {
        const ChartSeries& s = series[std::size_t(si)];
        for (int i = 0; i < int(s.points.size()); ++i) {
            const QString text = MarkText(s, i);
            if (text.isEmpty())
                continue;
            const QPointF c = toScreen(s.points[std::size_t(i)]);
            const QPointF tip(c.x(), c.y() - 14);
            painter.setPen(QPen(Qt::black, 1));
            painter.drawLine(c, tip);
            const int w = fm.horizontalAdvance(text) + 6, h = fm.height() + 2;
            const QRectF box(tip.x() - w / 2.0, tip.y() - h, w, h);
            painter.setBrush(markFill);
            painter.drawRect(box);
            painter.drawText(box, Qt::AlignCenter, text);
        }
    }

    // Axis directions and a scale bar in the lower left corner.
    const QPointF origin(22, size.height() - 22);
    const double axisLen = 28;
    const ChartPoint zero{};
    const Projected o = Project(view, zero);
    const char* names[3] = {"X", "Y", "Z"};
    const ChartPoint unit[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    painter.setBrush(Qt::NoBrush);
    std::vector<QPointF> labelled;
    for (int a = 0; a < 3; ++a) {
        const Projected q = Project(view, unit[a]);
        const QPointF d((q.h - o.h) * axisLen, -(q.v - o.v) * axisLen);
        if (std::hypot(d.x(), d.y()) < 2)
            continue;
        painter.setPen(QPen(textColor, 1.5));
        painter.drawLine(origin, origin + d);
        // Axes that point the same way on screen get their letters side by side.
        QPointF at = origin + d * 1.25 + QPointF(-4, 4);
        for (const QPointF& used : labelled)
            if (QLineF(at, used).length() < 10)
                at += QPointF(12, 0);
        labelled.push_back(at);
        painter.drawText(at, QString::fromLatin1(names[a]));
    }
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
