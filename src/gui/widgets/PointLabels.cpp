#include "widgets/PointLabels.h"

#include <QToolTip>
#include <cmath>

#include <qcustomplot.h>

namespace tem::gui {
PointLabels::PointLabels(QCustomPlot* plot) : QObject(plot), m_plot(plot)
{
    plot->setMouseTracking(true);
    connect(plot, &QCustomPlot::mouseMove, this, &PointLabels::onMouseMove);
}

void PointLabels::set(QCPGraph* graph, QVector<QString> labels)
{
    m_labels[graph] = std::move(labels);
}

void PointLabels::remove(QCPGraph* graph)
{
    m_labels.remove(graph);
}

QString PointLabels::label(QCPGraph* graph, int index) const
{
    const auto it = m_labels.constFind(graph);
    if (it == m_labels.constEnd() || index < 0 || index >= it->size())
        return {};
    return it->at(index);
}

int PointLabels::count(QCPGraph* graph) const
{
    const auto it = m_labels.constFind(graph);
    return it == m_labels.constEnd() ? 0 : static_cast<int>(it->size());
}

void PointLabels::onMouseMove(QMouseEvent* event)
{
    // The nearest labelled point within a few pixels of the mouse, over every visible series.
    constexpr double Reach = 8;
    const QPointF at = event->position();
    double best = Reach * Reach;
    QString text;
    for (auto it = m_labels.constBegin(); it != m_labels.constEnd(); ++it) {
        QCPGraph* g = it.key();
        if (!g->visible() || !g->keyAxis() || !g->valueAxis())
            continue;
        int index = 0;
        for (auto p = g->data()->constBegin(); p != g->data()->constEnd(); ++p, ++index) {
            if (!std::isfinite(p->value) || index >= it->size())
                continue;
            const QPointF q = g->coordsToPixels(p->key, p->value);
            const double d = (q.x() - at.x()) * (q.x() - at.x()) + (q.y() - at.y()) * (q.y() - at.y());
            if (d < best) {
                best = d;
                text = g->name() + "\n" + QString::number(p->key, 'g', 6) + ": " + it->at(index).trimmed();
            }
        }
    }
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(event->globalPosition().toPoint(), text, m_plot);
}

} // namespace tem::gui
