#include "widgets/PointChart3D.h"

#include <QAction>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace tem::gui {

namespace {

constexpr double DegToRad = std::numbers::pi / 180.0;
constexpr int LegendHeight = 24;
constexpr int Margin = 48; // room for the marks around the drawing
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

} // namespace

PointChart3D::PointChart3D(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    setMouseTracking(false);
    setFocusPolicy(Qt::StrongFocus);
    setToolTip(tr("Drag to rotate, Shift+drag or right-drag to move, wheel to zoom"));
}

int PointChart3D::addSeries(ChartSeries s)
{
    series_.push_back(std::move(s));
    update();
    return int(series_.size()) - 1;
}

void PointChart3D::setAxisTitles(const QString& x, const QString& y, const QString& z)
{
    axisTitles_[0] = x;
    axisTitles_[1] = y;
    axisTitles_[2] = z;
    update();
}

void PointChart3D::setVerticalTicks(std::vector<std::pair<double, QString>> ticks, const QString& title)
{
    verticalTicks_ = std::move(ticks);
    verticalTitle_ = title;
    update();
}

void PointChart3D::setScaleBarVisible(bool on)
{
    scaleBar_ = on;
    update();
}

void PointChart3D::addAnnotation(const QString& text, QPoint topLeft, const QColor& fill, const QColor& textColour)
{
    annotations_.push_back({text, topLeft, fill, textColour});
    update();
}

void PointChart3D::clearSeries()
{
    series_.clear();
    update();
}

QString PointChart3D::markText(int s, int i) const
{
    const ChartSeries& ser = series(s);
    if (i < 0 || i >= int(ser.points.size()) || !ser.markText)
        return {};
    return ser.markText(i);
}

void PointChart3D::setView3D(bool on)
{
    view3D_ = on;
    update();
}

void PointChart3D::setRotation(double degrees)
{
    rotation_ = std::fmod(degrees, 360.0);
    if (rotation_ < 0)
        rotation_ += 360;
    update();
}

void PointChart3D::setElevation(double degrees)
{
    elevation_ = std::clamp(degrees, -90.0, 90.0);
    update();
}

void PointChart3D::setZoom(double percent)
{
    zoom_ = std::clamp(percent, 5.0, 5000.0);
    update();
}

void PointChart3D::pan(double dx, double dy)
{
    panX_ += dx;
    panY_ += dy;
    update();
}

void PointChart3D::resetView()
{
    zoom_ = 100;
    panX_ = panY_ = 0;
    update();
}

void PointChart3D::equaliseScales()
{
    double lo[3] = {std::numeric_limits<double>::max(), std::numeric_limits<double>::max(),
                    std::numeric_limits<double>::max()};
    double hi[3] = {std::numeric_limits<double>::lowest(), std::numeric_limits<double>::lowest(),
                    std::numeric_limits<double>::lowest()};
    bool any = false;
    for (const ChartSeries& s : series_)
        for (const ChartPoint& p : s.points) {
            const double c[3] = {p.x, p.y, p.z};
            for (int a = 0; a < 3; ++a) {
                if (!std::isfinite(c[a]))
                    continue;
                lo[a] = std::min(lo[a], c[a]);
                hi[a] = std::max(hi[a], c[a]);
                any = true;
            }
        }
    double range[3] = {0, 0, 0};
    if (any)
        for (int a = 0; a < 3; ++a)
            range[a] = hi[a] >= lo[a] ? hi[a] - lo[a] : 0;
    const double m = std::max({range[0], range[1], range[2]});
    if (m <= 0) {
        leftStart_ = 0;
        bottomEnd_ = depthEnd_ = 100;
    } else {
        bottomEnd_ = range[0] / m * 100;
        leftStart_ = (1 - range[1] / m) * 100;
        depthEnd_ = range[2] / m * 100;
    }
    update();
}

PointChart3D::Projected PointChart3D::project(const ChartPoint& p) const
{
    if (!view3D_)
        return {p.x, p.y};
    const double phi = rotation_ * DegToRad, theta = elevation_ * DegToRad;
    const double x1 = p.x * std::cos(phi) + p.z * std::sin(phi);
    const double z1 = -p.x * std::sin(phi) + p.z * std::cos(phi);
    // Z is positive down: tilting the view shows a point above the ground higher on screen.
    return {x1, p.y * std::cos(theta) - z1 * std::sin(theta)};
}

QImage PointChart3D::render(QSize size) const
{
    if (size.isEmpty())
        size = this->size();
    QImage image(size, QImage::Format_ARGB32);
    image.fill(palette().color(QPalette::Base));
    QPainter painter(&image);
    paint(painter, size);
    return image;
}

bool PointChart3D::exportPng(const QString& fileName, QSize size) const
{
    return render(size).save(fileName, "PNG");
}

void PointChart3D::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paint(painter, size());
}

void PointChart3D::paint(QPainter& painter, QSize size) const
{
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QFontMetrics fm = painter.fontMetrics();

    // Legend along the top, on as many lines as a narrow chart needs.
    int lx = 8, ly = 8;
    for (const ChartSeries& s : series_) {
        if (s.title.isEmpty())
            continue;
        const int entryWidth = 16 + fm.horizontalAdvance(s.title) + 14;
        if (lx > 8 && lx + entryWidth > size.width()) {
            lx = 8;
            ly += LegendHeight - 6;
        }
        painter.fillRect(QRect(lx, ly, 12, 12), s.color);
        painter.setPen(palette().color(QPalette::Text));
        painter.drawRect(QRect(lx, ly, 12, 12));
        painter.drawText(lx + 16, ly + fm.ascent(), s.title);
        lx += entryWidth;
    }
    const int legendHeight = ly - 8 + LegendHeight;

    // Bounds of the projected drawing.
    double hmin = std::numeric_limits<double>::max(), hmax = std::numeric_limits<double>::lowest();
    double vmin = hmin, vmax = hmax;
    for (const ChartSeries& s : series_)
        for (const ChartPoint& p : s.points) {
            const Projected q = project(p);
            if (!std::isfinite(q.h) || !std::isfinite(q.v))
                continue;
            hmin = std::min(hmin, q.h);
            hmax = std::max(hmax, q.h);
            vmin = std::min(vmin, q.v);
            vmax = std::max(vmax, q.v);
        }
    auto drawAnnotations = [&] {
        for (const Annotation& a : annotations_) {
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
    const int extraLeft = verticalTicks_.empty() ? 0 : 2 * fm.height();
    const int extraBottom = verticalTicks_.empty() ? 0 : 3 * fm.height();
    const QRectF plot(Margin + extraLeft, legendHeight + Margin, std::max(10, size.width() - 2 * Margin - extraLeft),
                      std::max(10, size.height() - legendHeight - 2 * Margin - extraBottom));
    const double rangeH = std::max(hmax - hmin, 1e-9), rangeV = std::max(vmax - vmin, 1e-9);
    double scale = std::min(plot.width() / rangeH, plot.height() / rangeV);
    if (hmax - hmin < 1e-9 && vmax - vmin < 1e-9)
        scale = std::min(plot.width(), plot.height()) / 2;
    scale *= zoom_ / 100;
    const double hc = (hmin + hmax) / 2, vc = (vmin + vmax) / 2;
    const QPointF centre = plot.center() + QPointF(panX_, panY_);
    auto toScreen = [&](const ChartPoint& p) {
        const Projected q = project(p);
        return QPointF(centre.x() + (q.h - hc) * scale, centre.y() - (q.v - vc) * scale);
    };

    // Lines and symbols of every series, in order.
    for (const ChartSeries& s : series_) {
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

    // Marks: a label with a tail at every point. A label that would cover one already drawn is
    // lifted above it on a longer tail, so marks of points close together (a tow ball under the
    // antenna, the corners of two identical loops) stay readable.
    const QColor markFill(255, 255, 225);
    std::vector<QRectF> placed;
    for (int si = 0; si < int(series_.size()); ++si) {
        const ChartSeries& s = series_[std::size_t(si)];
        for (int i = 0; i < int(s.points.size()); ++i) {
            const QString text = markText(si, i);
            if (text.isEmpty())
                continue;
            const QPointF c = toScreen(s.points[std::size_t(i)]);
            const int w = fm.horizontalAdvance(text) + 6, h = fm.height() + 2;
            QRectF box(c.x() - w / 2.0, c.y() - 14 - h, w, h);
            for (int tries = 0; tries < MaxMarkLifts; ++tries) {
                const bool overlaps = std::any_of(placed.begin(), placed.end(), [&](const QRectF& r) {
                    return r.adjusted(-1, -1, 1, 1).intersects(box);
                });
                if (!overlaps)
                    break;
                box.translate(0, -(h + 2));
            }
            placed.push_back(box);
            painter.setPen(QPen(Qt::black, 1));
            painter.drawLine(c, QPointF(c.x(), box.bottom()));
            painter.setBrush(markFill);
            painter.drawRect(box);
            painter.drawText(box, Qt::AlignCenter, text);
        }
    }

    // A vertical axis with its ticks at the lower-left corner of the data.
    if (!verticalTicks_.empty()) {
        double xmin = std::numeric_limits<double>::max(), zmin = xmin;
        for (const ChartSeries& s : series_)
            for (const ChartPoint& p : s.points) {
                if (std::isfinite(p.x))
                    xmin = std::min(xmin, p.x);
                if (std::isfinite(p.z))
                    zmin = std::min(zmin, p.z);
            }
        painter.setPen(QPen(palette().color(QPalette::Text), 1));
        painter.setBrush(Qt::NoBrush);
        // Drawn a little to the left of the leftmost points so that they stay clear of it.
        const QPointF shift(-16, 0);
        const QPointF first = toScreen({xmin, verticalTicks_.front().first, zmin}) + shift;
        const QPointF last = toScreen({xmin, verticalTicks_.back().first, zmin}) + shift;
        painter.drawLine(first, last);
        double labelLeft = first.x();
        for (const auto& [y, text] : verticalTicks_) {
            const QPointF c = toScreen({xmin, y, zmin}) + shift;
            painter.drawLine(c, c - QPointF(5, 0));
            const int w = fm.horizontalAdvance(text);
            painter.drawText(QPointF(c.x() - 8 - w, c.y() + fm.ascent() / 2.0 - 1), text);
            labelLeft = std::min(labelLeft, c.x() - 8 - w);
        }
        if (!verticalTitle_.isEmpty()) {
            painter.save();
            const QPointF mid = (first + last) / 2;
            painter.translate(std::max(double(fm.height()), labelLeft - 6), mid.y());
            painter.rotate(-90);
            const int w = fm.horizontalAdvance(verticalTitle_);
            painter.drawText(QPointF(-w / 2.0, 0), verticalTitle_);
            painter.restore();
        }
    }
    drawAnnotations();

    // Axis directions and a scale bar in the lower left corner.
    const QPointF origin(22, size.height() - 22);
    const double axisLen = 28;
    const ChartPoint zero{};
    const Projected o = project(zero);
    const ChartPoint unit[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    painter.setBrush(Qt::NoBrush);
    std::vector<QRectF> labelled;
    for (int a = 0; a < 3; ++a) {
        const Projected q = project(unit[a]);
        const QPointF d((q.h - o.h) * axisLen, -(q.v - o.v) * axisLen);
        if (std::hypot(d.x(), d.y()) < 2)
            continue;
        painter.setPen(QPen(palette().color(QPalette::Text), 1.5));
        painter.drawLine(origin, origin + d);
        // Titles that would overlap (axes pointing the same way on screen) are stacked.
        QPointF at = origin + d * 1.25 + QPointF(-4, 4);
        QRectF box(at.x(), at.y() - fm.ascent(), fm.horizontalAdvance(axisTitles_[a]), fm.height());
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
        painter.drawText(at, axisTitles_[a]);
    }
    if (!scaleBar_)
        return;
    const double barMetres = NiceLength(80 / scale);
    const double barPixels = barMetres * scale;
    const QPointF b0(size.width() - Margin - barPixels, size.height() - 14);
    painter.setPen(QPen(palette().color(QPalette::Text), 2));
    painter.drawLine(b0, b0 + QPointF(barPixels, 0));
    painter.drawLine(b0 + QPointF(0, -4), b0 + QPointF(0, 4));
    painter.drawLine(b0 + QPointF(barPixels, -4), b0 + QPointF(barPixels, 4));
    painter.drawText(QPointF(b0.x(), b0.y() - 6), QString::number(barMetres, 'g', 6) + " m");
}

void PointChart3D::mousePressEvent(QMouseEvent* event)
{
    lastMouse_ = event->position().toPoint();
}

void PointChart3D::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    const QPoint d = p - lastMouse_;
    lastMouse_ = p;
    if ((event->buttons() & Qt::RightButton) || (event->modifiers() & Qt::ShiftModifier) || !view3D_) {
        pan(d.x(), d.y());
    } else if (event->buttons() & Qt::LeftButton) {
        rotation_ = std::fmod(rotation_ - d.x() * 0.5 + 360.0, 360.0);
        elevation_ = std::clamp(elevation_ + d.y() * 0.5, -90.0, 90.0);
        update();
    }
}

void PointChart3D::wheelEvent(QWheelEvent* event)
{
    const double steps = event->angleDelta().y() / 120.0;
    setZoom(zoom_ * std::pow(1.15, steps));
}

QToolBar* PointChart3D::createToolBar(QWidget* parent)
{
    auto* bar = new QToolBar(parent);
    bar->setObjectName(objectName() + "ToolBar");
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto add = [&](const QString& text, const QString& tip, auto fn) {
        QAction* a = bar->addAction(text);
        a->setToolTip(tip);
        connect(a, &QAction::triggered, this, fn);
        return a;
    };
    add(QStringLiteral("\u27f2 Rotate"), tr("Rotate the view 15 degrees to the left"),
        [this] { setRotation(rotation_ + 15); });
    add(QStringLiteral("Rotate \u27f3"), tr("Rotate the view 15 degrees to the right"),
        [this] { setRotation(rotation_ - 15); });
    add(QStringLiteral("Tilt \u25b2"), tr("Look from higher up (10 degrees)"),
        [this] { setElevation(elevation_ + 10); });
    add(QStringLiteral("Tilt \u25bc"), tr("Look from lower down (10 degrees)"),
        [this] { setElevation(elevation_ - 10); });
    bar->addSeparator();
    add(QStringLiteral("\u2190"), tr("Move the drawing left"), [this] { pan(-30, 0); });
    add(QStringLiteral("\u2192"), tr("Move the drawing right"), [this] { pan(30, 0); });
    add(QStringLiteral("\u2191"), tr("Move the drawing up"), [this] { pan(0, -30); });
    add(QStringLiteral("\u2193"), tr("Move the drawing down"), [this] { pan(0, 30); });
    bar->addSeparator();
    add(tr("Zoom +"), tr("Zoom in"), [this] { setZoom(zoom_ * 1.25); });
    add(tr("Zoom \u2212"), tr("Zoom out"), [this] { setZoom(zoom_ / 1.25); });
    add(tr("Fit"), tr("Fit the whole drawing into the chart"), [this] { resetView(); });
    return bar;
}

} // namespace tem::gui
