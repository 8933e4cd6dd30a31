#include "widgets/PointChart3D.h"

#include <QAction>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QToolBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace tem::gui {

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
    decor_.axisTitles[0] = x;
    decor_.axisTitles[1] = y;
    decor_.axisTitles[2] = z;
    update();
}

void PointChart3D::setHorizontalTicks(std::vector<std::pair<double, QString>> ticks, const QString& title)
{
    decor_.horizontalTicks = std::move(ticks);
    decor_.horizontalTitle = title;
    update();
}

void PointChart3D::setVerticalTicks(std::vector<std::pair<double, QString>> ticks, const QString& title)
{
    decor_.verticalTicks = std::move(ticks);
    decor_.verticalTitle = title;
    update();
}

void PointChart3D::setScaleBarVisible(bool on)
{
    decor_.scaleBar = on;
    update();
}

void PointChart3D::addAnnotation(const QString& text, QPoint topLeft, const QColor& fill,
                                 const QColor& textColour)
{
    decor_.annotations.push_back({text, topLeft, fill, textColour});
    update();
}

void PointChart3D::clearSeries()
{
    series_.clear();
    update();
}

QString PointChart3D::markText(int s, int i) const
{
    return report::MarkText(series(s), i);
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
    report::PaintPointChart(painter, size, series_, {view3D_, rotation_, elevation_, zoom_, panX_, panY_},
                            palette().color(QPalette::Text), decor_);
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
