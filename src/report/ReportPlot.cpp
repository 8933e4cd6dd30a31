#include "report/ReportPlot.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/files/value_forms.h"

namespace tem::report {

namespace {

constexpr double TitleSize = 8.5;
constexpr double LabelSize = 7;
constexpr double TickLength = 3;
constexpr double MarkerSize = 4.5;

/// The decades a logarithmic axis can span: every value drawn lies within them.
constexpr int MinDecade = -300, MaxDecade = 300;

bool Usable(double v, bool log)
{
    // On a logarithmic axis, a value beyond the decades (4.9e-324) cannot be placed.
    return std::isfinite(v) && (!log || (v >= 1e-300 && v <= 1e300));
}

/// 1, 2 or 5 times a power of ten, at least target.
double NiceStep(double target)
{
    if (!(target > 0) || !std::isfinite(target))
        return 1;
    const double p = std::pow(10.0, std::floor(std::log10(target)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * p >= target * (1 - 1e-9))
            return m * p;
    return 10 * p;
}

struct Tick {
    double value;
    bool major;
};

/// The decade of a positive value, kept within what a double holds at full precision.
int Decade(double v, bool up)
{
    const double d = up ? std::ceil(std::log10(v) - 1e-9) : std::floor(std::log10(v) + 1e-9);
    return std::isfinite(d) ? int(std::clamp(d, double(MinDecade), double(MaxDecade))) : MinDecade;
}

std::vector<Tick> Ticks(double lo, double hi, bool log)
{
    std::vector<Tick> ticks;
    if (!std::isfinite(lo) || !std::isfinite(hi) || !(hi > lo))
        return ticks;
    if (log) {
        if (!(lo > 0))
            return ticks;
        const int d0 = Decade(lo, false), d1 = Decade(hi, true);
        const int every = std::max(1, (d1 - d0 + 7) / 8); // at most about eight labelled decades
        // Over a decade or two, 2 and 5 are labelled as well; over very many, only the decades.
        const bool fine = d1 - d0 <= 2;
        const int minors = d1 - d0 <= 30 ? 9 : 1;
        for (int d = d0; d <= d1; ++d)
            for (int m = 1; m <= minors; ++m) {
                const double v = m * std::pow(10.0, d);
                if (v >= lo * (1 - 1e-9) && v <= hi * (1 + 1e-9))
                    ticks.push_back(
                        {v, fine ? (m == 1 || m == 2 || m == 5) : m == 1 && (d - d0) % every == 0});
            }
        return ticks;
    }
    const double step = NiceStep((hi - lo) / 5);
    const double first = std::ceil(lo / step - 1e-9);
    // A step too small to tell the tick values apart gives no ticks rather than an endless count.
    if (!std::isfinite(first) || std::fabs(first) > 1e15)
        return ticks;
    for (double i = first; i * step <= hi + step * 1e-9 && ticks.size() < 50; ++i)
        ticks.push_back({i * step, true});
    return ticks;
}

QString TickText(double v)
{
    if (std::fabs(v) < 1e-300)
        return QStringLiteral("0");
    return QString::fromStdString(FormatGeneral(v));
}

class Mapper {
  public:
    Mapper(double lo, double hi, bool log, double p0, double p1) : log_(log), p0_(p0), p1_(p1)
    {
        lo_ = log ? std::log10(lo) : lo;
        hi_ = log ? std::log10(hi) : hi;
        if (!(hi_ > lo_))
            hi_ = lo_ + 1;
    }
    double operator()(double v) const
    {
        const double t = ((log_ ? std::log10(v) : v) - lo_) / (hi_ - lo_);
        return p0_ + t * (p1_ - p0_);
    }

  private:
    bool log_;
    double lo_, hi_, p0_, p1_;
};

void DrawMarker(QPainter& p, QPointF c, PlotMarker m, const QColor& color)
{
    const double r = MarkerSize / 2;
    p.setPen(QPen(color.darker(130), 0.8));
    switch (m) {
    case PlotMarker::None:
        return;
    case PlotMarker::Square:
        p.setBrush(color);
        p.drawRect(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r));
        return;
    case PlotMarker::Circle:
        p.setBrush(color);
        p.drawEllipse(c, r, r);
        return;
    case PlotMarker::Triangle:
        p.setBrush(color);
        p.drawPolygon(QPolygonF{{c.x() - r, c.y() + r}, {c.x() + r, c.y() + r}, {c.x(), c.y() - r}});
        return;
    case PlotMarker::Cross:
        p.setPen(QPen(color, 1.0));
        p.drawLine(QPointF(c.x() - r, c.y() - r), QPointF(c.x() + r, c.y() + r));
        p.drawLine(QPointF(c.x() - r, c.y() + r), QPointF(c.x() + r, c.y() - r));
        return;
    }
}

} // namespace

QFont ReportFont(const QPainter& painter, double points, bool bold, bool italic)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    // Fractional advances: the glyphs are placed as designed at every size and scale.
    f.setHintingPreference(QFont::PreferNoHinting);
    // A point size becomes pixels at the device's resolution and the painter then scales them:
    // dividing by the scale leaves the text `points` tall on the page, and metrics taken on the
    // device come out in the painter's logical units.
    const double scale = std::max(1e-9, std::fabs(painter.worldTransform().m11()));
    f.setPointSizeF(points / scale);
    f.setBold(bold);
    f.setItalic(italic);
    // No ligatures: a reader who searches the PDF for "file" or "config" must find it, so the
    // text layer must hold the letters one by one.
    f.setStyleStrategy(QFont::PreferNoShaping);
    return f;
}

std::pair<double, double> AxisRange(const Plot& plot, bool xAxis)
{
    const PlotAxis& axis = xAxis ? plot.x : plot.y;
    if (axis.min < axis.max && Usable(axis.min, axis.log) && Usable(axis.max, axis.log))
        return {axis.min, axis.max};
    double lo = std::numeric_limits<double>::max(), hi = std::numeric_limits<double>::lowest();
    for (const PlotSeries& s : plot.series)
        for (const QPointF& p : s.points) {
            const double v = xAxis ? p.x() : p.y();
            if (!Usable(v, axis.log))
                continue;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    if (lo > hi)
        return axis.log ? std::pair{1e-6, 1e-3} : std::pair{0.0, 1.0};
    if (axis.log) {
        lo = std::pow(10.0, Decade(lo, false));
        hi = std::pow(10.0, Decade(hi, true));
        if (hi <= lo)
            hi = lo * 10;
        return {lo, hi};
    }
    // Values equal to the precision of a double are drawn as one value.
    if (hi - lo <= std::max(std::fabs(lo), std::fabs(hi)) * 1e-12) {
        const double pad = std::fabs(lo) > 0 ? std::fabs(lo) * 0.1 : 1;
        return {lo - pad, hi + pad};
    }
    const double pad = (hi - lo) * 0.05;
    return {lo - pad, hi + pad};
}

void PaintPlot(QPainter& painter, const QRectF& rect, const Plot& plot)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QFont titleFont = ReportFont(painter, TitleSize, true);
    const QFont labelFont = ReportFont(painter, LabelSize);
    const QFontMetricsF tm(titleFont, painter.device()), lm(labelFont, painter.device());
    // Font metrics come in device units at the font's size; the fonts were sized for the
    // painter's scale, so the metrics are already logical.
    double top = rect.top();

    if (!plot.title.isEmpty()) {
        painter.setFont(titleFont);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(rect.left(), top, rect.width(), tm.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, plot.title);
        top += tm.height() + 2;
    }

    // Legend, wrapped over as many lines as it needs.
    painter.setFont(labelFont);
    double lx = rect.left(), ly = top;
    bool anyLegend = false;
    for (const PlotSeries& s : plot.series) {
        if (s.title.isEmpty() || s.points.empty())
            continue;
        anyLegend = true;
        const double w = 14 + lm.horizontalAdvance(s.title) + 10;
        if (lx > rect.left() && lx + w > rect.right()) {
            lx = rect.left();
            ly += lm.height() + 1;
        }
        const QPointF c(lx + 6, ly + lm.height() / 2);
        if (s.area) {
            QColor fill = s.color;
            fill.setAlphaF(0.35);
            painter.fillRect(QRectF(lx, ly + 2, 12, lm.height() - 4), fill);
        }
        if (s.line) {
            QPen pen(s.color, s.lineWidth);
            if (s.dashed)
                pen.setStyle(Qt::DashLine);
            painter.setPen(pen);
            painter.drawLine(QPointF(lx, c.y()), QPointF(lx + 12, c.y()));
        }
        DrawMarker(painter, c, s.marker, s.color);
        painter.setPen(Qt::black);
        painter.drawText(QPointF(lx + 14, ly + lm.ascent()), s.title);
        lx += w;
    }
    if (anyLegend)
        top = ly + lm.height() + 4;

    const auto [xlo, xhi] = AxisRange(plot, true);
    const auto [ylo, yhi] = AxisRange(plot, false);
    // A range a double cannot span (-1e308 to 1e308) is said, not drawn.
    if (!std::isfinite(xhi - xlo) || !std::isfinite(yhi - ylo) || !(xhi > xlo) || !(yhi > ylo)) {
        painter.setPen(Qt::black);
        painter.drawText(QRectF(rect.left(), top, rect.width(), rect.bottom() - top), Qt::AlignCenter,
                         QStringLiteral("Not drawn: the values span a range too large to draw."));
        painter.restore();
        return;
    }
    const std::vector<Tick> xt = plot.x.labels.empty() ? Ticks(xlo, xhi, plot.x.log) : std::vector<Tick>{};
    const std::vector<Tick> yt = plot.y.labels.empty() ? Ticks(ylo, yhi, plot.y.log) : std::vector<Tick>{};

    // Room for the tick labels and axis titles.
    double yLabelWidth = 0;
    for (const Tick& t : yt)
        if (t.major)
            yLabelWidth = std::max(yLabelWidth, lm.horizontalAdvance(TickText(t.value)));
    for (const auto& [v, text] : plot.y.labels)
        yLabelWidth = std::max(yLabelWidth, lm.horizontalAdvance(text));
    const double left =
        rect.left() + (plot.y.title.isEmpty() ? 0 : lm.height() + 3) + yLabelWidth + TickLength + 3;
    const double bottom =
        rect.bottom() - (plot.x.title.isEmpty() ? 0 : lm.height() + 2) - lm.height() - TickLength - 2;
    const double right = rect.right() - lm.horizontalAdvance(QStringLiteral("0.0000")) / 2;
    const QRectF area(QPointF(left, top + lm.height() / 2), QPointF(right, bottom));
    if (area.width() < 20 || area.height() < 20) {
        painter.restore();
        return;
    }
    const Mapper mx(xlo, xhi, plot.x.log, area.left(), area.right());
    const Mapper my(ylo, yhi, plot.y.log, area.bottom(), area.top());

    // Grid and ticks.
    const QColor grid(225, 225, 225), minorGrid(242, 242, 242);
    painter.setPen(Qt::NoPen);
    painter.fillRect(area, Qt::white);
    for (const Tick& t : xt) {
        const double x = mx(t.value);
        painter.setPen(QPen(t.major ? grid : minorGrid, 0.5));
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    }
    for (const Tick& t : yt) {
        const double y = my(t.value);
        painter.setPen(QPen(t.major ? grid : minorGrid, 0.5));
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    }
    painter.setPen(QPen(Qt::black, 0.6));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area);
    painter.setFont(labelFont);
    for (const Tick& t : xt) {
        const double x = mx(t.value);
        painter.drawLine(QPointF(x, area.bottom()),
                         QPointF(x, area.bottom() + (t.major ? TickLength : TickLength / 2)));
        if (t.major) {
            const QString text = TickText(t.value);
            const double w = lm.horizontalAdvance(text);
            painter.drawText(QPointF(x - w / 2, area.bottom() + TickLength + 1 + lm.ascent()), text);
        }
    }
    for (const auto& [v, text] : plot.x.labels) {
        const double x = mx(v);
        painter.drawLine(QPointF(x, area.bottom()), QPointF(x, area.bottom() + TickLength));
        painter.drawText(
            QPointF(x - lm.horizontalAdvance(text) / 2, area.bottom() + TickLength + 1 + lm.ascent()), text);
    }
    for (const Tick& t : yt) {
        const double y = my(t.value);
        painter.drawLine(QPointF(area.left() - (t.major ? TickLength : TickLength / 2), y),
                         QPointF(area.left(), y));
        if (t.major) {
            const QString text = TickText(t.value);
            painter.drawText(QPointF(area.left() - TickLength - 2 - lm.horizontalAdvance(text),
                                     y - lm.height() / 2 + lm.ascent()),
                             text);
        }
    }
    for (const auto& [v, text] : plot.y.labels) {
        const double y = my(v);
        painter.drawLine(QPointF(area.left() - TickLength, y), QPointF(area.left(), y));
        painter.drawText(QPointF(area.left() - TickLength - 2 - lm.horizontalAdvance(text),
                                 y - lm.height() / 2 + lm.ascent()),
                         text);
    }
    if (!plot.x.title.isEmpty()) {
        const double w = lm.horizontalAdvance(plot.x.title);
        painter.drawText(QPointF(area.center().x() - w / 2, rect.bottom() - lm.descent()), plot.x.title);
    }
    if (!plot.y.title.isEmpty()) {
        painter.save();
        painter.translate(rect.left() + lm.ascent(), area.center().y());
        painter.rotate(-90);
        const double w = lm.horizontalAdvance(plot.y.title);
        painter.drawText(QPointF(-w / 2, 0), plot.y.title);
        painter.restore();
    }

    // Series, clipped to the plot.
    painter.save();
    painter.setClipRect(area);
    for (const PlotSeries& s : plot.series) {
        std::vector<QPolygonF> runs(1);
        for (const QPointF& p : s.points) {
            if (!Usable(p.x(), plot.x.log) || !Usable(p.y(), plot.y.log)) {
                if (!runs.back().isEmpty())
                    runs.emplace_back();
                continue;
            }
            runs.back() << QPointF(mx(p.x()), my(p.y()));
        }
        for (const QPolygonF& run : runs) {
            if (run.isEmpty())
                continue;
            if (s.area && run.size() > 1) {
                QPolygonF poly = run;
                poly.prepend(QPointF(run.first().x(), area.bottom()));
                poly.append(QPointF(run.last().x(), area.bottom()));
                QColor fill = s.color;
                fill.setAlphaF(0.35);
                painter.setPen(Qt::NoPen);
                painter.setBrush(fill);
                painter.drawPolygon(poly);
            }
            if (s.line && run.size() > 1) {
                QPen pen(s.color, s.lineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
                if (s.dashed)
                    pen.setStyle(Qt::DashLine);
                painter.setPen(pen);
                painter.setBrush(Qt::NoBrush);
                painter.drawPolyline(run);
            }
            if (s.marker != PlotMarker::None)
                for (const QPointF& c : run)
                    DrawMarker(painter, c, s.marker, s.color);
        }
    }
    for (const PlotMarkLine& m : plot.markLines) {
        if (!Usable(m.x, plot.x.log))
            continue;
        const double x = mx(m.x);
        if (x < area.left() || x > area.right())
            continue;
        QPen pen(m.color, 0.8, Qt::DashLine);
        painter.setPen(pen);
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        painter.setPen(m.color.darker(120));
        const double w = lm.horizontalAdvance(m.label);
        const double tx = x + 2 + w > area.right() ? x - 2 - w : x + 2;
        painter.drawText(QPointF(tx, area.top() + lm.ascent() + 1), m.label);
    }
    painter.restore();
    painter.restore();
}

} // namespace tem::report
