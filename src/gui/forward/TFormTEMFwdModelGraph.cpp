#include "forward/TFormTEMFwdModelGraph.h"

#include <QCheckBox>
#include <QPushButton>

#include <algorithm>

#include <qcustomplot.h>

#include "app/Session.h"
#include "core/model/data_folders.h"
#include "forward/FwdGraphSupport.h"
#include "ui_TFormTEMFwdModelGraph.h"
#include "widgets/ChartHelpers.h"
#include "widgets/LabelledSeries.h"

namespace tem::gui {

namespace {
const QColor Red(0xFF, 0x00, 0x00);
const QColor Blue(0x00, 0x00, 0xFF);
const QColor Aqua(0x00, 0xFF, 0xFF);
const QColor Green(0x00, 0x80, 0x00);
const QColor Yellow(0xFF, 0xFF, 0x00);

void SetUpChart(QCustomPlot* chart)
{
    chart->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
}

/// The legend names what is drawn: every shown series with points, and one "history" entry.
void UpdateLegend(QCustomPlot* chart, const std::vector<const LabelledSeries*>& history)
{
    chart->legend->clearItems();
    bool historyListed = false;
    for (int i = 0; i < chart->plottableCount(); ++i) {
        QCPAbstractPlottable* p = chart->plottable(i);
        const auto* curve = qobject_cast<QCPCurve*>(p);
        if (!p->visible() || !curve || curve->data()->isEmpty())
            continue;
        const bool isHistory = std::any_of(history.begin(), history.end(),
                                           [p](const LabelledSeries* h) { return h->curve() == p; });
        if (isHistory) {
            if (historyListed)
                continue;
            historyListed = true;
            p->setName("history");
        }
        p->addToLegend();
    }
}
} // namespace

TFormTEMFwdModelGraph::TFormTEMFwdModelGraph(Session& session, QWidget* parent)
    : QDialog(parent), s_(session), ui(std::make_unique<Ui::TFormTEMFwdModelGraph>())
{
    ui->setupUi(this);
    setModal(false);

    QCustomPlot* left = ui->ChartTEMModels;
    SetUpChart(left);
    AddChartTitle(left, "1D Resistivity,Thickness Models");
    chart::SetLogAxis(left->xAxis, 0.1, 1000);
    chart::SetLogAxis(left->yAxis, 1, 1000);
    left->xAxis->setLabel("Model Layer Depth (metres) & 0.4 x Loci Depths");
    left->yAxis->setLabel("Resistivity (Ohm.m)");
    // History first, so the current curves are drawn over it.
    for (int k = 1; k <= numGraphs; ++k)
        history_.push_back(std::make_unique<LabelledSeries>(left, QString("History %1").arg(k), Aqua));
    for (int k = 1; k <= numGraphs; ++k) {
        models_.push_back(std::make_unique<LabelledSeries>(left, QString("Model %1").arg(k), Red));
        appRes_.push_back(
            std::make_unique<LabelledSeries>(left, QString("Apparent Resistivity %1").arg(k), Blue));
    }
    models_.front()->setLabelsVisible(true);

    QCustomPlot* right = ui->ChartTEMDecays;
    SetUpChart(right);
    AddChartTitle(right, "1D Forward Model dB/dt Plots");
    chart::SetLogAxis(right->xAxis, 1e-6, 1e-2);
    chart::SetLogAxis(right->yAxis, 1e-12, 1e-3);
    chart::SetLinearAxis(right->yAxis2, -1, 1);
    right->yAxis2->setVisible(true);
    right->xAxis->setLabel("Time (Seconds)");
    right->yAxis->setLabel("dB/dt (V/(A.m^2))");
    right->yAxis2->setLabel("Detectability (1 minus 2)/NoiseStd");
    for (int k = 1; k <= numGraphs; ++k)
        prior_.push_back(std::make_unique<LabelledSeries>(right, QString("dB/dt %1 Prior").arg(k), Aqua));
    for (int k = 1; k <= numGraphs; ++k)
        dBdt_.push_back(std::make_unique<LabelledSeries>(right, QString("dB/dt %1").arg(k), Blue));
    extra_.push_back(std::make_unique<LabelledSeries>(right, "NoiseStd", Yellow));
    noise_ = extra_.back().get();
    noise_->setDotted();
    extra_.push_back(std::make_unique<LabelledSeries>(right, "Detectability Abs(1-2)", Green, right->xAxis,
                                                      right->yAxis2));
    detect_ = extra_.back().get();
    detect_->setMarks(true);
    detect_->curve()->setName("Detectability"); // its legend text
    noise_->setActive(false);
    detect_->setActive(false);
    // Negative dB/dt is drawn at its magnitude; a ring marks it, as TEM plots do.
    extra_.push_back(std::make_unique<LabelledSeries>(right, "Negative dB/dt", Red));
    negative_ = extra_.back().get();
    negative_->curve()->setLineStyle(QCPCurve::lsNone);
    negative_->curve()->setScatterStyle(
        QCPScatterStyle(QCPScatterStyle::ssCircle, QPen(Red, 1.5), Qt::NoBrush, 10));
    negative_->curve()->setName("negative dB/dt (ringed)");
    history_.front()->curve()->setName("history");
    prior_.front()->curve()->setName("history");
    for (QCustomPlot* chart : {left, right}) {
        chart->legend->setVisible(true);
        chart->legend->setFont(QFont(font().family(), 8));
        chart->legend->setBrush(QColor(255, 255, 255, 210));
        chart->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignRight);
    }

    connect(ui->CheckBoxShowHistory, &QCheckBox::clicked, this,
            &TFormTEMFwdModelGraph::CheckBoxShowHistoryClick);
    connect(ui->CheckBoxShowDetectability, &QCheckBox::clicked, this,
            &TFormTEMFwdModelGraph::CheckBoxShowDetectabilityClick);
    connect(ui->ButtonSaveModelsGraph, &QPushButton::clicked, this,
            &TFormTEMFwdModelGraph::ButtonSaveModelsGraphClick);
    connect(ui->ButtonSaveDecaysGraph, &QPushButton::clicked, this,
            &TFormTEMFwdModelGraph::ButtonSaveDecaysGraphClick);
    connect(ui->ButtonResetModelsView, &QPushButton::clicked, this, &TFormTEMFwdModelGraph::ResetViews);
    connect(ui->ButtonResetDecaysView, &QPushButton::clicked, this, &TFormTEMFwdModelGraph::ResetViews);
    connect(ui->BitBtnClose, &QPushButton::clicked, this, &QDialog::close);
}

TFormTEMFwdModelGraph::~TFormTEMFwdModelGraph() = default;

QCustomPlot* TFormTEMFwdModelGraph::chartModels() const
{
    return ui->ChartTEMModels;
}
QCustomPlot* TFormTEMFwdModelGraph::chartDecays() const
{
    return ui->ChartTEMDecays;
}

LabelledSeries* TFormTEMFwdModelGraph::series(const QString& name) const
{
    for (const auto* list : {&models_, &appRes_, &history_, &dBdt_, &prior_, &extra_})
        for (const auto& s : *list)
            if (s->name() == name)
                return s.get();
    return nullptr;
}

void TFormTEMFwdModelGraph::GraphTEM(const TEMGraphSeries& g)
{
    // Only the drawing before this one survives as history.
    for (int k = 0; k < numGraphs; ++k) {
        history_[std::size_t(k)]->setPoints(appRes_[std::size_t(k)]->points());
        prior_[std::size_t(k)]->setPoints(dBdt_[std::size_t(k)]->points());
    }
    for (int k = 0; k < numGraphs; ++k) {
        const auto idx = std::size_t(k);
        models_[idx]->setPoints(idx < g.models.size() ? g.models[idx] : GraphPoints{});
        appRes_[idx]->setPoints(idx < g.appRes.size() ? g.appRes[idx] : GraphPoints{});
        dBdt_[idx]->setPoints(idx < g.dBdt.size() ? g.dBdt[idx] : GraphPoints{});
    }
    detect_->setPoints(g.detect);
    detect_->setActive(g.detectActive);
    noise_->setPoints(g.noise);
    noise_->setActive(g.noiseActive);
    GraphPoints negative;
    for (const GraphPoints& m : g.dBdtNegative)
        negative.insert(negative.end(), m.begin(), m.end());
    negative_->setPoints(negative);
    UpdateLegends();
    ResetViews();
}

void TFormTEMFwdModelGraph::UpdateLegends()
{
    const auto history = seriesOf(history_, prior_, {});
    UpdateLegend(ui->ChartTEMModels, history);
    UpdateLegend(ui->ChartTEMDecays, history);
    ui->ChartTEMModels->replot();
    ui->ChartTEMDecays->replot();
}

std::vector<const LabelledSeries*>
TFormTEMFwdModelGraph::seriesOf(const std::vector<std::unique_ptr<LabelledSeries>>& a,
                                const std::vector<std::unique_ptr<LabelledSeries>>& b,
                                const std::vector<std::unique_ptr<LabelledSeries>>& c) const
{
    std::vector<const LabelledSeries*> out;
    for (const auto* list : {&a, &b, &c})
        for (const auto& s : *list)
            out.push_back(s.get());
    return out;
}

void TFormTEMFwdModelGraph::ResetViews()
{
    const auto left = seriesOf(models_, appRes_, history_);
    FitAxis(ui->ChartTEMModels->xAxis, left, true, 0.1, 1000);
    FitAxis(ui->ChartTEMModels->yAxis, left, false, 1, 1000);
    const auto right = seriesOf(dBdt_, prior_, extra_);
    FitAxis(ui->ChartTEMDecays->xAxis, right, true, 1e-6, 1e-2);
    std::vector<const LabelledSeries*> decays = seriesOf(dBdt_, prior_, {});
    decays.push_back(noise_);
    FitAxis(ui->ChartTEMDecays->yAxis, decays, false, 1e-12, 1e-3);
    FitAxis(ui->ChartTEMDecays->yAxis2, {detect_}, false, -1, 1);
    ui->ChartTEMModels->replot();
    ui->ChartTEMDecays->replot();
}

void TFormTEMFwdModelGraph::CheckBoxShowHistoryClick()
{
    const bool on = ui->CheckBoxShowHistory->isChecked();
    for (int k = 0; k < numGraphs; ++k) {
        history_[std::size_t(k)]->setActive(on);
        prior_[std::size_t(k)]->setActive(on);
    }
    UpdateLegends();
}

void TFormTEMFwdModelGraph::CheckBoxShowDetectabilityClick()
{
    detect_->setActive(ui->CheckBoxShowDetectability->isChecked());
    UpdateLegends();
}

void TFormTEMFwdModelGraph::ButtonSaveModelsGraphClick()
{
    SaveChartImage(s_, ui->ChartTEMModels, QString::fromStdString(s_.folders.temConfig) + "TEMModels.BMP");
}

void TFormTEMFwdModelGraph::ButtonSaveDecaysGraphClick()
{
    SaveChartImage(s_, ui->ChartTEMDecays, QString::fromStdString(s_.folders.temConfig) + "TEMDecays.BMP");
}

} // namespace tem::gui
