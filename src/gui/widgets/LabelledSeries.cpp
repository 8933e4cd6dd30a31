#include "widgets/LabelledSeries.h"

#include <qcustomplot.h>

namespace tem::gui {
LabelledSeries::LabelledSeries(QCustomPlot* plot, const QString& name, const QColor& colour, QCPAxis* keyAxis,
                               QCPAxis* valueAxis)
    : plot_(plot), name_(name), colour_(colour)
{
    curve_ = new QCPCurve(keyAxis ? keyAxis : plot->xAxis, valueAxis ? valueAxis : plot->yAxis);
    curve_->setName(name);
    curve_->setPen(QPen(colour, 1.5));
    curve_->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, colour, colour, 4));
}

void LabelledSeries::setPoints(const tem::GraphPoints& points)
{
    points_ = points;
    QVector<double> t, x, y;
    t.reserve(static_cast<qsizetype>(points.size()));
    x.reserve(t.capacity());
    y.reserve(t.capacity());
    for (const tem::GraphPoint& p : points) {
        t.push_back(static_cast<double>(t.size()));
        x.push_back(p.x);
        y.push_back(p.y);
    }
    curve_->setData(t, x, y, true);
    rebuildLabels();
}

void LabelledSeries::setLabelsVisible(bool visible)
{
    labelsVisible_ = visible;
    rebuildLabels();
}

void LabelledSeries::setActive(bool active)
{
    curve_->setVisible(active);
    for (QCPItemText* label : labels_)
        label->setVisible(active);
}

bool LabelledSeries::active() const
{
    return curve_->visible();
}

void LabelledSeries::setMarks(bool marks)
{
    curve_->setScatterStyle(marks ? QCPScatterStyle(QCPScatterStyle::ssDisc, colour_, colour_, 6)
                                  : QCPScatterStyle(QCPScatterStyle::ssNone));
}

void LabelledSeries::setDotted()
{
    QPen pen(colour_, 2);
    pen.setStyle(Qt::DotLine);
    curve_->setPen(pen);
    curve_->setScatterStyle(
        QCPScatterStyle(QCPScatterStyle::ssCircle, QPen(colour_.darker(160), 1), colour_, 6));
}

void LabelledSeries::rebuildLabels()
{
    for (QCPItemText* label : labels_)
        plot_->removeItem(label);
    labels_.clear();
    if (!labelsVisible_)
        return;
    QFont font = plot_->font();
    font.setPointSizeF(font.pointSizeF() * 0.8);
    for (std::size_t i = 0; i < points_.size(); ++i) {
        const tem::GraphPoint& p = points_[i];
        // Where the next point lies straight above or below (a staircase's step, where one layer
        // ends and the next begins), this point's label goes to the left of it and the next one's
        // to the right, so the two never cover each other, even at equal values.
        const bool stepFollows = i + 1 < points_.size() && points_[i + 1].x == p.x;
        auto* label = new QCPItemText(plot_);
        label->setClipAxisRect(curve_->keyAxis()->axisRect());
        label->position->setAxes(curve_->keyAxis(), curve_->valueAxis());
        label->position->setCoords(p.x, p.y);
        label->setPositionAlignment((stepFollows ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignBottom);
        label->setText(QString::fromStdString(p.label).trimmed());
        label->setFont(font);
        label->setColor(colour_.darker(130));
        label->setPadding(stepFollows ? QMargins(0, 0, 3, 1) : QMargins(3, 0, 0, 1));
        label->setVisible(curve_->visible());
        labels_.push_back(label);
    }
}

} // namespace tem::gui
