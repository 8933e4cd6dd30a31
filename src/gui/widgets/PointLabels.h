#pragma once
// Text labels for the points of chart series: the value each point stands for, shown as a tooltip
// when the mouse rests on the point. The labels are kept beside the plot, one list per series.

#include <QHash>
#include <QObject>
#include <QString>
#include <QVector>

class QCustomPlot;
class QCPGraph;
class QMouseEvent;

namespace tem::gui {
class PointLabels : public QObject {
    Q_OBJECT

  public:
    explicit PointLabels(QCustomPlot* plot);

    /// The labels of a series' points, in the order the points were added.
    void set(QCPGraph* graph, QVector<QString> labels);
    void remove(QCPGraph* graph);
    /// The label of point index of a series; empty when it has none.
    QString label(QCPGraph* graph, int index) const;
    int count(QCPGraph* graph) const;

  private:
    void onMouseMove(QMouseEvent* event);

    QCustomPlot* m_plot;
    QHash<QCPGraph*, QVector<QString>> m_labels;
};

} // namespace tem::gui
