#pragma once
// The geo-electric forward-model graph window: the layered models and their apparent resistivity
// against effective depth, both in log10 on linear axes. Each recalculation redraws it.

#include <QDialog>
#include <QString>

#include <memory>
#include <vector>

#include "core/forward/forward_graphs.h"

class QCustomPlot;

namespace Ui {
class TFormFwdModelGraph;
}

namespace tem::gui {

class LabelledSeries;

struct Session;

class TFormFwdModelGraph : public QDialog {
    Q_OBJECT

  public:
    explicit TFormFwdModelGraph(Session& session, QWidget* parent = nullptr);
    ~TFormFwdModelGraph() override;

    /// Empties all 16 series and draws a recalculation's.
    void Graph(const tem::GeoGraphSeries& g);

    /// The series titled `name` ("Model 1", "Apparent Resistivity 8"), or null.
    LabelledSeries* series(const QString& name) const;
    QCustomPlot* chart() const;

    void ButtonSaveGraphClick();
    void ResetView();

  private:
    Session& s_;
    std::unique_ptr<Ui::TFormFwdModelGraph> ui;
    std::vector<std::unique_ptr<LabelledSeries>> models_, responses_;
};

} // namespace tem::gui
