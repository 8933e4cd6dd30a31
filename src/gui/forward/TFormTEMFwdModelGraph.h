#pragma once
// The TEM forward-model graph window: the layered models with their apparent resistivity against
// 0.4 x loci depth on the left, the dB/dt decays with detectability and noise on the right. Each
// recalculation redraws it; the curves of the one before stay as history.

#include <QDialog>
#include <QString>

#include <memory>
#include <vector>

#include "core/forward/forward_graphs.h"

class QCustomPlot;

namespace Ui {
class TFormTEMFwdModelGraph;
}

namespace tem::gui {

class LabelledSeries;

struct Session;

class TFormTEMFwdModelGraph : public QDialog {
    Q_OBJECT

  public:
    explicit TFormTEMFwdModelGraph(Session& session, QWidget* parent = nullptr);
    ~TFormTEMFwdModelGraph() override;

    /// Draws a recalculation's series; the curves drawn before become the history.
    void GraphTEM(const tem::TEMGraphSeries& g);

    /// The series titled `name` ("Model 1", "dB/dt 3 Prior", "NoiseStd", ...), or null.
    LabelledSeries* series(const QString& name) const;
    QCustomPlot* chartModels() const;
    QCustomPlot* chartDecays() const;

    void CheckBoxShowHistoryClick();
    void CheckBoxShowDetectabilityClick();
    void ButtonSaveModelsGraphClick();
    void ButtonSaveDecaysGraphClick();
    /// Fits the axes of both charts to their active curves.
    void ResetViews();

  private:
    std::vector<const LabelledSeries*> seriesOf(const std::vector<std::unique_ptr<LabelledSeries>>& a,
                                                const std::vector<std::unique_ptr<LabelledSeries>>& b,
                                                const std::vector<std::unique_ptr<LabelledSeries>>& c) const;

    Session& s_;
    std::unique_ptr<Ui::TFormTEMFwdModelGraph> ui;
    std::vector<std::unique_ptr<LabelledSeries>> models_, appRes_, history_; // left chart
    std::vector<std::unique_ptr<LabelledSeries>> dBdt_, prior_, extra_;      // right chart
    LabelledSeries* negative_ = nullptr; // rings round the negative dB/dt values
    void UpdateLegends();
    LabelledSeries* detect_ = nullptr;
    LabelledSeries* noise_ = nullptr;
};

} // namespace tem::gui
