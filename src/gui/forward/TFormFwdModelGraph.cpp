#include "forward/TFormFwdModelGraph.h"

#include <QPushButton>

#include <qcustomplot.h>

#include "app/Session.h"
#include "forward/FwdGraphSupport.h"
#include "ui_TFormFwdModelGraph.h"
#include "widgets/ChartHelpers.h"
#include "widgets/LabelledSeries.h"

namespace tem::gui {

TFormFwdModelGraph::TFormFwdModelGraph(Session& session, QWidget* parent)
    : QDialog(parent), s_(session), ui(std::make_unique<Ui::TFormFwdModelGraph>())
{
    ui->setupUi(this);
    setModal(false);
    QCustomPlot* c = ui->ChartFwdModel;
    c->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    c->legend->setVisible(false);
    AddChartTitle(c, "1D Resistivity,Thickness Models and Apparent Resistivity vs Effective Depth Plots");
    chart::SetLinearAxis(c->xAxis, -1, 2);
    chart::SetLinearAxis(c->yAxis, 0, 3);
    c->xAxis->setLabel("log10 Effective Depth (m)");
    c->yAxis->setLabel("log10 Resistivity (Ohm.m)");
    for (int k = 1; k <= numGraphs; ++k) {
        models_.push_back(
            std::make_unique<LabelledSeries>(c, QString("Model %1").arg(k), QColor(0xFF, 0, 0)));
        responses_.push_back(std::make_unique<LabelledSeries>(c, QString("Apparent Resistivity %1").arg(k),
                                                              QColor(0, 0, 0xFF)));
    }
    models_.front()->setLabelsVisible(true);
    responses_.front()->setLabelsVisible(true);
    connect(ui->ButtonSaveGraph, &QPushButton::clicked, this, &TFormFwdModelGraph::ButtonSaveGraphClick);
    connect(ui->ButtonResetView, &QPushButton::clicked, this, &TFormFwdModelGraph::ResetView);
    connect(ui->BitBtnClose, &QPushButton::clicked, this, &QDialog::close);
}

TFormFwdModelGraph::~TFormFwdModelGraph() = default;

QCustomPlot* TFormFwdModelGraph::chart() const
{
    return ui->ChartFwdModel;
}

LabelledSeries* TFormFwdModelGraph::series(const QString& name) const
{
    for (const auto* list : {&models_, &responses_})
        for (const auto& s : *list)
            if (s->name() == name)
                return s.get();
    return nullptr;
}

void TFormFwdModelGraph::Graph(const GeoGraphSeries& g)
{
    for (int k = 0; k < numGraphs; ++k) {
        const auto idx = std::size_t(k);
        models_[idx]->setPoints(idx < g.models.size() ? g.models[idx] : GraphPoints{});
        responses_[idx]->setPoints(idx < g.responses.size() ? g.responses[idx] : GraphPoints{});
    }
    ResetView();
}

void TFormFwdModelGraph::ResetView()
{
    std::vector<const LabelledSeries*> all;
    for (const auto* list : {&models_, &responses_})
        for (const auto& s : *list)
            all.push_back(s.get());
    FitAxis(ui->ChartFwdModel->xAxis, all, true, -1, 2);
    FitAxis(ui->ChartFwdModel->yAxis, all, false, 0, 3);
    ui->ChartFwdModel->replot();
}

void TFormFwdModelGraph::ButtonSaveGraphClick()
{
    SaveChartImage(s_, ui->ChartFwdModel, QString::fromStdString(s_.folders.temConfig) + "FwdModels.BMP");
}

} // namespace tem::gui
