#pragma once
// A chart series whose points each carry a label text, drawn in the order given (a staircase goes
// back over the same depth), with the labels shown beside the points when asked.

#include <QColor>
#include <QList>
#include <QString>

#include "core/forward/forward_graphs.h"

class QCPAxis;
class QCPCurve;
class QCPItemText;
class QCustomPlot;

namespace tem::gui {
class LabelledSeries {
  public:
    /// A series on the given axes (the plot's bottom and left axes when null).
    LabelledSeries(QCustomPlot* plot, const QString& name, const QColor& colour, QCPAxis* keyAxis = nullptr,
                   QCPAxis* valueAxis = nullptr);
    LabelledSeries(const LabelledSeries&) = delete;
    LabelledSeries& operator=(const LabelledSeries&) = delete;

    QString name() const { return name_; }
    QCPCurve* curve() const { return curve_; }
    const tem::GraphPoints& points() const { return points_; }
    int count() const { return static_cast<int>(points_.size()); }

    /// Replaces the points.
    void setPoints(const tem::GraphPoints& points);
    void clear() { setPoints({}); }

    /// Shows the point labels (while the series is active).
    void setLabelsVisible(bool visible);
    bool labelsVisible() const { return labelsVisible_; }
    /// An inactive series is not drawn and takes no part in the axis ranges.
    void setActive(bool active);
    bool active() const;

    /// Marks at every point (detectability) or only the line.
    void setMarks(bool marks);
    void setDotted();

  private:
    void rebuildLabels();

    QCustomPlot* plot_;
    QString name_;
    QColor colour_;
    QCPCurve* curve_;
    tem::GraphPoints points_;
    QList<QCPItemText*> labels_;
    bool labelsVisible_ = false;
};

} // namespace tem::gui
