#include "response/TFormSysResp.h"

#include <QApplication>
#include <QHeaderView>
#include <QProgressDialog>
#include <QShowEvent>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>

#include "app/Session.h"
#include "config/EditorSupport.h"
#include "core/action_error.h"
#include "core/files/config_save.h"
#include "core/files/gex_file.h"
#include "core/files/keyword_file.h"
#include "core/files/tdc_file.h"
#include "core/files/value_forms.h"
#include "core/forward/tmodel.h"
#include "core/model/configuration.h"
#include "core/response/response_csv.h"
#include "core/response/system_response.h"
#include "runner/EngineRunner.h"
#include "systest/TFormVarloSystemTest.h"
#include "ui_TFormSysResp.h"
#include "widgets/ChartHelpers.h"
#include "widgets/PointLabels.h"
#include "widgets/RadioGroup.h"

using tem::ResponseCurve;
using tem::gui::editor::Guarded;
using tem::gui::editor::Q;
using tem::gui::editor::S;

namespace tem::gui {
const char* const TFormSysResp::FieldDataDialogFilter = "CSV averagedVoltages dataset (*.csv *.CSV)";
const char* const TFormSysResp::SysRespLoadDialogTitle =
    "Load a CSV format system response - one colum per AcqChn";
const char* const TFormSysResp::SysRespDialogFilter = "CSV System Response Files (*.CSV *.csv)";
const char* const TFormSysResp::CloseWarning =
    "Changes are not saved unless the Green 'Commit Changes' button is pressed before closing";
const char* const TFormSysResp::CloseQuestion =
    "Changes are not saved unless the Green 'Commit Changes' button is pressed before closing. Commit the "
    "changes now, Discard them (the system responses go back to what they were when this window opened or "
    "was last committed), or Cancel and keep this window open?";
const char* const TFormSysResp::CommitOnSaveMessage =
    "Committing changes to memory. If you later save to your configuration file then these changes will take "
    "effect.";

namespace {

constexpr int CurveCount = 6;
const char* const CurveTitles[CurveCount] = {"System Response",   "Field Data",          "Forward Model",
                                             "Field Minus Model", "Simulation Equation", "Noise"};
const QColor CurveColours[CurveCount] = {QColor(200, 0, 0),   QColor(0, 0, 200),   QColor(0, 140, 0),
                                         QColor(160, 0, 160), QColor(0, 150, 150), QColor(230, 200, 0)};

const char* const ParameterKeys[] = {"LateTimeConst",  "LateInitMagn", "RxTimeConst", "RxInitMagn",
                                     "OscillInitMagn", "OscillFreq",   "OscillDamp",  "LowPassFreq",
                                     "LowPassOrder",   "RxDelay_uS"};

std::size_t idx(ResponseCurve c)
{
    return static_cast<std::size_t>(c);
}

QString g9(double v)
{
    return Q(tem::FormatPrintfG(v, 9));
}

/// A number typed into a cell or the value list: a conversion error when it is not one.
double numberOf(const QString& text, const std::string& what)
{
    const auto v = tem::ParseFloat(S(text));
    if (!v || !std::isfinite(*v))
        throw tem::ConversionError("'" + S(text.trimmed()) + "' is not a valid floating point value (" +
                                   what + ")");
    return *v;
}

double parameter(const tem::TSystemResponse& s, int i)
{
    const double values[] = {s.LateTimeConst,  s.LateInitMagn,   s.RxTimeConst, s.RxInitMagn,
                             s.OscillInitMagn, s.OscillFreq,     s.OscillDamp,  s.LowPassFreq,
                             s.LowPassOrder,   s.SimulRxDelay_uS};
    return values[i];
}

void setParameter(tem::TSystemResponse& s, int i, double v)
{
    double* fields[] = {&s.LateTimeConst,  &s.LateInitMagn,   &s.RxTimeConst, &s.RxInitMagn,
                        &s.OscillInitMagn, &s.OscillFreq,     &s.OscillDamp,  &s.LowPassFreq,
                        &s.LowPassOrder,   &s.SimulRxDelay_uS};
    *fields[i] = v;
}

} // namespace

TFormSysResp::TFormSysResp(tem::gui::Session& session, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TFormSysResp>()), m_session(session)
{
    ui->setupUi(this);
    for (int c = 1; c <= tem::MaxAcqChn; ++c)
        ui->ComboBoxAcqChn->addItem(QString::number(c));
    ui->EditCrossoverStretcher->setText("100");
    ui->EditModelLayers->setText("2");
    ui->EditNoiseStd->setText("2.0E-10");
    ui->EditNoiseSlope->setText("-0.5");
    ui->ValueListEditorEquation->setTitles("Key", "Value");
    for (QRadioButton* b : {ui->RadioGroupTransmitter->button(0), ui->RadioGroupTransmitter->button(1),
                            ui->RadioGroupReceiver->button(0), ui->RadioGroupReceiver->button(1),
                            ui->RadioGroupReceiver->button(2)})
        b->setEnabled(false); // they show the channel's transmitter and receiver
    ui->CheckBoxSysRespExists->setEnabled(false);
    ui->CheckBoxCommit->setStyleSheet("QCheckBox { background-color: #7fd67f; padding: 4px; }");
    ui->RadioGroupSeedType->setItemIndex(0);

    ui->StringGridLayers->setColumnCount(2);
    ui->StringGridLayers->setHorizontalHeaderLabels({"Thickness(m)", "Resistivity"});
    ui->StringGridLayers->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    ui->StringGridSysResp->setColumnCount(2);
    ui->StringGridSysResp->setHorizontalHeaderLabels({"Time (uS)", "System Response"});
    ui->StringGridSysResp->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    ui->StringGridSysResp->verticalHeader()->setDefaultSectionSize(20);

    QCustomPlot* plot = ui->ChartSysResp;
    plot->plotLayout()->insertRow(0);
    plot->plotLayout()->addElement(
        0, 0, new QCPTextElement(plot, "System Response Visualizer", QFont("sans", 11, QFont::Bold)));
    chart::SetLogAxis(plot->xAxis, 1, 1e4);
    plot->xAxis->setLabel("Time (microSeconds)");
    plot->yAxis->setLabel("dB/dt (microVolts/(A.m^2)) ArcSinhTRansformed");
    plot->yAxis->setTicker(QSharedPointer<QCPAxisTickerText>(new QCPAxisTickerText));
    // The labels follow the axis wherever it goes: a new curve, a zoom or a drag.
    connect(plot->yAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
            [this] { relabelLeftAxis(); });
    chart::PlaceLegend(plot, true);
    plot->legend->setWrap(2);
    m_labels = new PointLabels(plot);
    for (int c = 0; c < CurveCount; ++c) {
        QCPGraph* g = chart::AddSeries(plot, CurveTitles[c], QCPScatterStyle::ssDisc, CurveColours[c],
                                       QCPGraph::lsLine);
        if (c == int(idx(ResponseCurve::SystemResponse)))
            g->setPen(QPen(CurveColours[c], 2.5));
        m_graphs[std::size_t(c)] = g;
    }
    connect(plot->yAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
            [this] { relabelLeftAxis(); });

    connect(ui->ComboBoxAcqChn, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_filling)
            ComboBoxAcqChnChange();
    });
    connect(ui->EditCrossoverStretcher, &QLineEdit::textEdited, this,
            &TFormSysResp::EditCrossoverStretcherChange);
    connect(ui->EditModelLayers, &QLineEdit::textEdited, this, &TFormSysResp::EditModelLayersChange);
    connect(ui->StringGridLayers, &QTableWidget::itemChanged, this, [this] {
        if (!m_filling)
            StringGridLayersExit();
    });
    connect(ui->StringGridSysResp, &QTableWidget::cellChanged, this, &TFormSysResp::onSysRespGridEdited);
    connect(ui->ButtonUpdateSimulation, &QPushButton::clicked, this,
            &TFormSysResp::ButtonUpdateSimulationClick);
    connect(ui->ButtonForwardModel, &QPushButton::clicked, this, &TFormSysResp::ButtonForwardModelClick);
    connect(ui->ButtonModelParams, &QPushButton::clicked, this, &TFormSysResp::ButtonModelParamsClick);
    connect(ui->ButtonSubtract, &QPushButton::clicked, this, &TFormSysResp::ButtonSubtractClick);
    connect(ui->ButtonSeed, &QPushButton::clicked, this, &TFormSysResp::ButtonSeedClick);
    connect(ui->ButtonLoadFieldData, &QPushButton::clicked, this, &TFormSysResp::ButtonLoadFieldDataClick);
    connect(ui->ButtonLoadSysResp, &QPushButton::clicked, this, &TFormSysResp::ButtonLoadSysRespClick);
    connect(ui->ButtonSaveSysResp, &QPushButton::clicked, this, &TFormSysResp::ButtonSaveSysRespClick);
    connect(ui->ButtonUpdateNoise, &QPushButton::clicked, this, &TFormSysResp::NoiseUpdate);
    connect(ui->EditNoiseStd, &QLineEdit::editingFinished, this, &TFormSysResp::NoiseUpdate);
    connect(ui->EditNoiseSlope, &QLineEdit::editingFinished, this, &TFormSysResp::NoiseUpdate);
    connect(ui->ButtonRunSystemTest, &QPushButton::clicked, this, &TFormSysResp::ButtonRunSystemTestClick);
    connect(ui->CheckBoxCommit, &QCheckBox::clicked, this, &TFormSysResp::Commit);
    // Edits that reach the records only with a commit count as uncommitted changes at closing.
    connect(ui->ValueListEditorEquation, &KeyValueEditor::valueEdited, this, &TFormSysResp::markEdited);
    for (QLineEdit* e : {ui->EditNoiseStd, ui->EditNoiseSlope, ui->EditModelLayers})
        connect(e, &QLineEdit::textEdited, this, &TFormSysResp::markEdited);
    connect(ui->CheckBoxDataLoaded, &QCheckBox::clicked, this, &TFormSysResp::markEdited);
    connect(ui->RadioGroupSeedType, &RadioGroup::itemClicked, this, &TFormSysResp::markEdited);
    connect(ui->StringGridLayers, &QTableWidget::itemChanged, this, &TFormSysResp::markEdited);
    connect(ui->ButtonClose, &QPushButton::clicked, this, &QDialog::accept);
}

TFormSysResp::~TFormSysResp() = default;

tem::Configuration& TFormSysResp::cfg()
{
    return m_session.cfg;
}

void TFormSysResp::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFormSysResp::done(int result)
{
    // Closing does what it says: what was not committed is committed, or given up, or the window
    // stays open.
    if (HasUncommittedChanges()) {
        switch (m_session.op.choose(CloseQuestion, {"Commit", "Discard", "Cancel"}, 0)) {
        case 0:
            if (!CommitChanges())
                return;
            break;
        case 1:
            for (int c = 1; c <= tem::MaxAcqChn; ++c)
                cfg().SysResp[c] = m_committedRecords[std::size_t(c - 1)];
            break;
        default:
            return;
        }
    }
    QDialog::done(result);
}

bool TFormSysResp::HasUncommittedChanges() const
{
    if (m_edited)
        return true;
    if (m_committedRecords.size() != std::size_t(tem::MaxAcqChn))
        return false;
    for (int c = 1; c <= tem::MaxAcqChn; ++c)
        if (!(m_session.cfg.SysResp[c] == m_committedRecords[std::size_t(c - 1)]))
            return true;
    return false;
}

void TFormSysResp::markEdited()
{
    if (!m_filling)
        m_edited = true;
}

// ---- Showing and the channel ------------------------------------------------------------------

void TFormSysResp::FormShow()
{
    m_filling = true;
    m_acqSel = 1;
    m_changesCommitted = false;
    ui->ComboBoxAcqChn->setCurrentIndex(0);
    m_filling = false;
    EditCrossoverStretcherChange();
    ComboBoxAcqChnChange();

    tem::TSystemResponse& s = cfg().SysResp[m_acqSel];
    if (s.FwdModelLayers < 1) {
        // A site model to start from: 10 m of 1 ohm-m over 100 ohm-m.
        s.FwdModelLayers = 2;
        s.LayerThicknesses[1] = 10;
        s.LayerResistivities[1] = 1;
        s.LayerResistivities[2] = 100;
    }
    for (auto& c : m_curves)
        c.clear();
    if (s.SysRespExists) {
        ui->CheckBoxSysRespExists->setChecked(true);
        ui->CheckBoxDataLoaded->setChecked(s.FieldDataExists);
        ui->RadioGroupSeedType->setItemIndex(s.Seed0FwdOr1Eqn == 1 ? 1 : 0);
        fillValueList(&s);
        const int layers = std::clamp(s.FwdModelLayers, 1, tem::MaxFwdModelLayers);
        for (int r = 1; r <= layers; ++r) {
            if (r < layers && s.LayerThicknesses[r] == 0)
                s.LayerThicknesses[r] = 10;
            if (s.LayerResistivities[r] == 0)
                s.LayerResistivities[r] = 3 / (0.1 * r);
        }
        ui->EditModelLayers->setText(QString::number(layers));
        m_sysRespLoadFile = m_sysRespSaveFile = s.SysRespFilename;
        m_fieldDataFile = s.FieldDataFilename;
        editor::SetNumberEdit(ui->EditNoiseStd, s.NoiseAt1mSinVperAm2,
                              Q(tem::FormatPrintfE(s.NoiseAt1mSinVperAm2, 10, 3)));
        editor::SetNumberEdit(ui->EditNoiseSlope, s.NoiseLogLogSlopeinVperS,
                              Q(tem::FormatPrintfG(s.NoiseLogLogSlopeinVperS, 8)));
        for (ResponseCurve c :
             {ResponseCurve::SystemResponse, ResponseCurve::FieldData, ResponseCurve::ForwardModel,
              ResponseCurve::FieldMinusModel, ResponseCurve::SimulationEquation, ResponseCurve::Noise})
            m_curves[idx(c)] = tem::StoredCurve(cfg(), m_acqSel, c);
    } else {
        ui->CheckBoxSysRespExists->setChecked(false);
        fillValueList(nullptr);
        ui->EditModelLayers->setText(QString::number(s.FwdModelLayers));
    }
    fillLayerGrid();
    redrawAll();
    // What the window found on opening (with the site model it starts from) is the state a
    // Discard goes back to.
    m_committedRecords.assign(cfg().SysResp.begin(), cfg().SysResp.end());
    m_edited = false;
}

void TFormSysResp::ComboBoxAcqChnChange()
{
    const auto n = tem::ParseInteger(S(ui->ComboBoxAcqChn->currentText()));
    m_acqSel = std::clamp(n ? int(*n) : 1, 1, std::max(1, std::min(cfg().NumAcqChn, tem::MaxAcqChn)));
    if (ui->ComboBoxAcqChn->currentIndex() != m_acqSel - 1) {
        m_filling = true;
        ui->ComboBoxAcqChn->setCurrentIndex(m_acqSel - 1);
        m_filling = false;
    }
    const tem::TAcqChn& a = cfg().AcqChn[m_acqSel];
    if (a.TxNumber == 1 || a.TxNumber == 2)
        ui->RadioGroupTransmitter->setItemIndex(a.TxNumber - 1);
    else
        m_session.op.inform(
            "This interface only operates with the first two transmitters in a configuration");
    if (a.RxCoilNumber >= 1 && a.RxCoilNumber <= 3)
        ui->RadioGroupReceiver->setItemIndex(a.RxCoilNumber - 1);
    else
        m_session.op.inform(
            "This interface only displays correctly for the first three receivers in a configuration "
            "but will process suitably for more");
}

void TFormSysResp::EditCrossoverStretcherChange()
{
    const QString text = ui->EditCrossoverStretcher->text().trimmed();
    if (text.isEmpty())
        return;
    const double v = tem::ParseFloat(S(text)).value_or(tem::DefaultCrossoverStretcher);
    if (v != 0 && std::isfinite(v))
        m_crossoverStretcher = v;
    redrawAll();
}

// ---- Value list and site model ----------------------------------------------------------------

void TFormSysResp::fillValueList(const tem::TSystemResponse* s)
{
    tem::TSystemResponse defaults;
    tem::SetDefaultEquation(defaults);
    KeyValueEditor* list = ui->ValueListEditorEquation;
    list->clearRows();
    for (int i = 0; i < 10; ++i) {
        const double v = parameter(s ? *s : defaults, i);
        m_shownParameters[std::size_t(i)] = {g9(v), v};
        list->appendRow(ParameterKeys[i], g9(v));
    }
}

void TFormSysResp::readValueList(tem::TSystemResponse& s)
{
    // Every value first, so that a value that is not a number changes nothing.
    // A value the operator did not change keeps every digit of the value it shows.
    double values[10];
    for (int i = 0; i < 10; ++i) {
        const QString text = ui->ValueListEditorEquation->value(ParameterKeys[i]);
        const auto& [shown, exact] = m_shownParameters[std::size_t(i)];
        values[i] = text.trimmed() == shown.trimmed() ? exact : numberOf(text, ParameterKeys[i]);
    }
    for (int i = 0; i < 10; ++i)
        setParameter(s, i, values[i]);
}

double TFormSysResp::layerCell(int row, int column, const std::string& what) const
{
    if (const auto v = editor::CellValue(ui->StringGridLayers, row, column); v && std::isfinite(*v))
        return *v;
    const QTableWidgetItem* item = ui->StringGridLayers->item(row, column);
    return numberOf(item ? item->text() : QString(), what);
}

int TFormSysResp::layerCount() const
{
    const auto n = tem::ParseInteger(S(ui->EditModelLayers->text().trimmed()));
    return n && *n >= 1 && *n <= tem::MaxFwdModelLayers ? int(*n) : 0;
}

void TFormSysResp::EditModelLayersChange()
{
    if (const int n = layerCount())
        cfg().SysResp[m_acqSel].FwdModelLayers = n;
    fillLayerGrid();
}

void TFormSysResp::fillLayerGrid()
{
    const tem::TSystemResponse& s = cfg().SysResp[m_acqSel];
    const int layers = std::clamp(s.FwdModelLayers, 1, tem::MaxFwdModelLayers);
    m_filling = true;
    QTableWidget* grid = ui->StringGridLayers;
    grid->setRowCount(layers);
    QStringList rows;
    for (int r = 1; r <= layers; ++r)
        rows << QString("Layer %1").arg(r);
    grid->setVerticalHeaderLabels(rows);
    auto cell = [grid](int row, int column, double v) {
        editor::SetNumberCell(grid, row, column, v, g9(v > 0.1 ? v : 0.1));
        grid->item(row, column)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter); // beside "inf"
    };
    for (int r = 1; r <= layers; ++r) {
        if (r < layers)
            cell(r - 1, 0, s.LayerThicknesses[r]);
        else
            editor::SetCell(grid, r - 1, 0, "inf", false);
        cell(r - 1, 1, s.LayerResistivities[r]);
    }
    m_filling = false;
}

void TFormSysResp::StringGridLayersExit()
{
    Guarded(m_session.op, [&] {
        tem::TSystemResponse& s = cfg().SysResp[m_acqSel];
        const int layers = ui->StringGridLayers->rowCount();
        bool thinWarned = false, lowWarned = false;
        for (int r = 1; r <= layers; ++r) {
            const double res = layerCell(r - 1, 1, "resistivity of layer " + std::to_string(r));
            if (res <= 0.1 && !lowWarned) {
                m_session.op.inform("Cannot model with layer resistivities <=0.1");
                lowWarned = true;
            }
            s.LayerResistivities[r] = res;
            if (r == layers)
                break;
            const double thick = layerCell(r - 1, 0, "thickness of layer " + std::to_string(r));
            if (thick <= 0.1 && !thinWarned) {
                m_session.op.inform("Cannot model with layer thicknesses <=0.1");
                thinWarned = true;
            }
            s.LayerThicknesses[r] = thick;
        }
    });
}

// ---- Curves -----------------------------------------------------------------------------------

void TFormSysResp::setCurve(ResponseCurve c, tem::CurvePoints points)
{
    markEdited();
    m_curves[idx(c)] = std::move(points);
    redrawCurve(c);
    if (c == ResponseCurve::SystemResponse)
        fillSysRespGrid();
    ui->ChartSysResp->rescaleAxes();
    ui->ChartSysResp->replot();
}

void TFormSysResp::redrawCurve(ResponseCurve c)
{
    QVector<double> x, y;
    QVector<QString> labels;
    for (const tem::CurvePoint& p : m_curves[idx(c)]) {
        // The logarithmic time axis cannot show a gate without a time.
        x.push_back(p.timeUs > 0 ? p.timeUs : std::nan(""));
        y.push_back(tem::ArcSinhDisplay(p.amplitude, m_crossoverStretcher));
        labels.push_back(Q(p.label));
    }
    m_graphs[idx(c)]->setData(x, y, true);
    m_labels->set(m_graphs[idx(c)], labels);
}

void TFormSysResp::redrawAll()
{
    for (int c = 0; c < CurveCount; ++c)
        redrawCurve(static_cast<ResponseCurve>(c));
    fillSysRespGrid();
    QCustomPlot* plot = ui->ChartSysResp;
    bool any = false;
    for (QCPGraph* g : m_graphs)
        any = any || !g->data()->isEmpty();
    if (any)
        plot->rescaleAxes();
    else
        plot->yAxis->setRange(-5, 5);
    relabelLeftAxis();
    plot->replot();
}

void TFormSysResp::relabelLeftAxis()
{
    auto ticker = qSharedPointerDynamicCast<QCPAxisTickerText>(ui->ChartSysResp->yAxis->ticker());
    if (!ticker)
        return;
    const QCPRange r = ui->ChartSysResp->yAxis->range();
    ticker->clear();
    for (const auto& [at, text] : tem::ArcSinhAxisLabels(m_crossoverStretcher, r.lower, r.upper))
        ticker->addTick(at, Q(text).trimmed());
}

void TFormSysResp::fillSysRespGrid()
{
    const tem::CurvePoints& points = m_curves[idx(ResponseCurve::SystemResponse)];
    QTableWidget* grid = ui->StringGridSysResp;
    const QSignalBlocker block(grid);
    grid->setRowCount(int(points.size()));
    for (int i = 0; i < int(points.size()); ++i) {
        auto* t = new QTableWidgetItem(QString::number(points[std::size_t(i)].timeUs, 'g', 6));
        t->setFlags(Qt::ItemIsEnabled);
        grid->setItem(i, 0, t);
        grid->setItem(i, 1, new QTableWidgetItem(Q(points[std::size_t(i)].label).trimmed()));
    }
}

void TFormSysResp::onSysRespGridEdited(int row, int column)
{
    tem::CurvePoints& points = m_curves[idx(ResponseCurve::SystemResponse)];
    if (column != 1 || row < 0 || row >= int(points.size()))
        return;
    tem::CurvePoint& p = points[std::size_t(row)];
    const QString text = ui->StringGridSysResp->item(row, 1)->text();
    const auto v = tem::ParseFloat(S(text));
    if (!v || !std::isfinite(*v)) {
        m_session.op.inform("'" + S(text.trimmed()) + "' is not a valid floating point value");
        const QSignalBlocker block(ui->StringGridSysResp);
        ui->StringGridSysResp->item(row, 1)->setText(Q(p.label).trimmed());
        return;
    }
    // The typed number is what a commit stores; the text becomes the point's label.
    markEdited();
    p.amplitude = *v;
    p.label = S(text.trimmed());
    redrawCurve(ResponseCurve::SystemResponse);
    ui->ChartSysResp->replot();
}

// ---- Commands ---------------------------------------------------------------------------------

void TFormSysResp::ButtonUpdateSimulationClick()
{
    Guarded(m_session.op, [&] {
        // The equation values reach the record's EqnModelAmplitudes only with a commit, which reads
        // them back from the curve's labels.
        tem::Configuration trial = cfg();
        readValueList(trial.SysResp[m_acqSel]);
        tem::CalcEquationModel(trial, m_acqSel);
        readValueList(cfg().SysResp[m_acqSel]);
        setCurve(ResponseCurve::SimulationEquation,
                 tem::StoredCurve(trial, m_acqSel, ResponseCurve::SimulationEquation));
    });
}

void TFormSysResp::ButtonLoadFieldDataClick()
{
    const std::string file =
        m_session.dialogs.openFile("Load Field Data", FieldDataDialogFilter, m_fieldDataFile);
    if (file.empty())
        return;
    Guarded(m_session.op, [&] {
        const tem::ResponseCsv csv =
            tem::ReadResponseCsv(cfg(), file, m_acqSel, tem::ResponseCsvKind::FieldData, m_session.op);
        for (int c : tem::StoreResponseCsv(cfg(), csv, m_acqSel, tem::ResponseCsvKind::FieldData)) {
            cfg().SysResp[c].FieldDataFilename = file;
            cfg().SysResp[c].FieldDataExists = true;
        }
        m_fieldDataFile = file;
        // Gates without a time cannot be placed on the chart.
        tem::CurvePoints points = tem::StoredCurve(cfg(), m_acqSel, ResponseCurve::FieldData);
        points.resize(std::min(points.size(), csv.rows.size()));
        setCurve(ResponseCurve::FieldData, points);
        ui->CheckBoxDataLoaded->setChecked(true);
    });
}

void TFormSysResp::ButtonLoadSysRespClick()
{
    const std::string file =
        m_session.dialogs.openFile(SysRespLoadDialogTitle, SysRespDialogFilter, m_sysRespLoadFile);
    if (file.empty())
        return;
    Guarded(m_session.op, [&] {
        const tem::ResponseCsv csv =
            tem::ReadResponseCsv(cfg(), file, m_acqSel, tem::ResponseCsvKind::SystemResponse, m_session.op);
        tem::StoreResponseCsv(cfg(), csv, m_acqSel, tem::ResponseCsvKind::SystemResponse);
        m_sysRespLoadFile = m_sysRespSaveFile = file;
        tem::CurvePoints points = tem::StoredCurve(cfg(), m_acqSel, ResponseCurve::SystemResponse);
        points.resize(std::min(points.size(), csv.rows.size()));
        setCurve(ResponseCurve::SystemResponse, points);
    });
}

void TFormSysResp::ButtonSaveSysRespClick()
{
    if (!m_changesCommitted)
        m_session.op.inform(CommitOnSaveMessage);
    if (!CommitChanges())
        return; // nothing committed, so nothing of it is written either
    const std::string file =
        m_session.dialogs.saveFile("Save System Response", SysRespDialogFilter, m_sysRespSaveFile);
    if (file.empty())
        return;
    Guarded(m_session.op, [&] {
        m_sysRespSaveFile = file;
        cfg().SysResp[m_acqSel].SysRespFilename = file;
        tem::WriteFileReplacing(file, tem::SystemResponseCsvText(cfg(), m_acqSel));
    });
}

void TFormSysResp::Commit()
{
    CommitChanges();
}

bool TFormSysResp::CommitChanges()
{
    {
        const QSignalBlocker block(ui->CheckBoxCommit);
        ui->CheckBoxCommit->setChecked(true);
    }
    const bool committed = Guarded(m_session.op, [&] {
        ComboBoxAcqChnChange();
        tem::TSystemResponse& s = cfg().SysResp[m_acqSel];
        if (s.SysRespExists) {
            // Read everything before storing anything: a value that is not a number changes nothing.
            tem::TSystemResponse next = s;
            next.FieldDataExists = ui->CheckBoxDataLoaded->isChecked();
            next.Seed0FwdOr1Eqn = ui->RadioGroupSeedType->itemIndex() == 1 ? 1 : 0;
            readValueList(next);
            const auto layers = tem::ParseInteger(S(ui->EditModelLayers->text().trimmed()));
            next.FwdModelLayers =
                layers && *layers >= 1 && *layers <= tem::MaxFwdModelLayers ? int(*layers) : 1;
            QTableWidget* grid = ui->StringGridLayers;
            for (int r = 1; r <= next.FwdModelLayers && r <= grid->rowCount(); ++r) {
                if (r < next.FwdModelLayers)
                    next.LayerThicknesses[r] = layerCell(r - 1, 0, "thickness of layer " + std::to_string(r));
                next.LayerResistivities[r] = layerCell(r - 1, 1, "resistivity of layer " + std::to_string(r));
            }
            next.SysRespFilename = !m_sysRespSaveFile.empty() ? m_sysRespSaveFile : m_sysRespLoadFile;
            if (!m_fieldDataFile.empty())
                next.FieldDataFilename = m_fieldDataFile;
            const int gates = tem::ChannelGates(cfg(), m_acqSel);
            const struct {
                ResponseCurve curve;
                tem::GateArray* target;
            } stores[] = {{ResponseCurve::SystemResponse, &next.SysRespAmplitudes},
                          {ResponseCurve::FieldData, &next.FieldAmplitudes},
                          {ResponseCurve::ForwardModel, &next.FwdModelAmplitudes},
                          {ResponseCurve::SimulationEquation, &next.EqnModelAmplitudes}};
            for (const auto& st : stores) {
                const std::vector<double> a =
                    tem::CommittedAmplitudes(m_curves[idx(st.curve)], st.curve, gates);
                for (int g = 1; g <= gates; ++g)
                    (*st.target)[g] = a[std::size_t(g - 1)];
            }
            s = next;
            NoiseUpdate();
        }
    });
    if (!committed) {
        // A value that could not be read stops the commit: nothing is taken, the close question
        // still stands.
        const QSignalBlocker block(ui->CheckBoxCommit);
        ui->CheckBoxCommit->setChecked(false);
        return false;
    }
    m_changesCommitted = true;
    m_edited = false;
    m_committedRecords.assign(cfg().SysResp.begin(), cfg().SysResp.end());
    return true;
}

void TFormSysResp::NoiseUpdate()
{
    // An edit the operator did not change gives back the exact stored value, not its rounded text.
    const double nan = std::nan("");
    tem::CommitNoiseValues(cfg(), m_acqSel, editor::EditValue(ui->EditNoiseStd).value_or(nan),
                           editor::EditValue(ui->EditNoiseSlope).value_or(nan),
                           tem::ResponseWindowNoiseFallback, false);
    setCurve(ResponseCurve::Noise, tem::StoredCurve(cfg(), m_acqSel, ResponseCurve::Noise));
}

void TFormSysResp::ButtonSubtractClick()
{
    const tem::TSystemResponse& s = cfg().SysResp[m_acqSel];
    const tem::CurvePoints& field = m_curves[idx(ResponseCurve::FieldData)];
    const int n = std::min<int>(int(field.size()), tem::ChannelGates(cfg(), m_acqSel));
    tem::CurvePoints diff;
    for (int g = 1; g <= n; ++g) {
        const double d = s.FieldAmplitudes[g] - s.FwdModelAmplitudes[g];
        diff.push_back(
            {field[std::size_t(g - 1)].timeUs, d, tem::CurveLabel(ResponseCurve::FieldMinusModel, d)});
    }
    setCurve(ResponseCurve::FieldMinusModel, diff);
}

void TFormSysResp::ButtonSeedClick()
{
    const int type = ui->RadioGroupSeedType->itemIndex() == 1 ? 1 : 0;
    if (type == 0)
        ButtonSubtractClick();
    const ResponseCurve source =
        type == 0 ? ResponseCurve::FieldMinusModel : ResponseCurve::SimulationEquation;
    tem::CurvePoints points = m_curves[idx(source)];
    tem::SeedSystemResponse(cfg().SysResp[m_acqSel], type, int(points.size()));
    // The response holds the points the operator sees copied: an equation not yet committed
    // lives only in its curve.
    for (int g = 1; g <= std::min<int>(int(points.size()), tem::MaxGates); ++g)
        cfg().SysResp[m_acqSel].SysRespAmplitudes[g] = points[std::size_t(g - 1)].amplitude;
    setCurve(ResponseCurve::SystemResponse, points);
    ui->CheckBoxSysRespExists->setChecked(true);
}

void TFormSysResp::ButtonForwardModelClick()
{
    forwardModel(false);
}

void TFormSysResp::ButtonModelParamsClick()
{
    forwardModel(true);
}

void TFormSysResp::forwardModel(bool showWindow)
{
    EditModelLayersChange();
    if (showWindow) {
        if (!showForwardWindow) {
            m_session.op.inform(
                "The Forward Modelling window is not part of this version of TEM Setrix yet.");
            return;
        }
        if (m_session.op.ask(
                "Forward Modelling will reopen your configuration file and overwrite the copy in memory. "
                "Save your configuration variable changes before continuing?",
                false)) {
            bool written = false;
            if (!Guarded(m_session.op,
                         [&] {
                             const tem::SaveResult r =
                                 tem::SaveConfiguration(cfg(), m_session.folders, m_session.op, {});
                             if (!r.written() && !r.reason.empty())
                                 m_session.op.inform(r.reason);
                             written = r.written();
                             // The model keeps the name the writer wrote (a GEX is written ".gex").
                             if (written)
                                 cfg().LoadFilename = cfg().SaveFilename;
                         }) ||
                !written)
                return;
        }
        showForwardWindow(this);
        m_session.op.inform(
            "It is assumed that you actually ran the modelling before returning from this form.");
        // The run the operator made in the forward window becomes the forward-model amplitudes,
        // as "Forward Model" takes its own run.
        tem::FwdModelAmplitudesFromRun(cfg(), m_acqSel, m_session.forward.results);
    } else {
        bool ran = false;
        if (!Guarded(m_session.op, [&] { ran = runSiteModel(); }) || !ran)
            return;
    }
    setCurve(ResponseCurve::ForwardModel, tem::StoredCurve(cfg(), m_acqSel, ResponseCurve::ForwardModel));
}

bool TFormSysResp::runSiteModel()
{
    // One model: the channel's site model, thicknesses then resistivities.
    const tem::TSystemResponse& s = cfg().SysResp[m_acqSel];
    const int layers = std::clamp(s.FwdModelLayers, 1, tem::MaxFwdModelLayers);
    std::vector<double> thick, res;
    for (int r = 1; r <= layers; ++r) {
        if (r < layers)
            thick.push_back(s.LayerThicknesses[r]);
        res.push_back(s.LayerResistivities[r]);
    }
    tem::ForwardStore& store = m_session.forward;
    const tem::TModel model = tem::MakeLayeredModel(thick, res);
    store.models.Models = {model};
    store.models.NumModels = 1;
    store.models.NLayer = model.NLayer;
    store.models.NParam = model.NParam;
    store.AcqSel = m_acqSel;
    store.workFolder = tem::DefaultWorkFolder(m_session.folders);
    store.files.CONFilename = tem::DefaultControlFile(m_session.folders);
    store.files.AarExename.clear(); // the built-in engine

    QProgressDialog progress("Forward modelling the site of channel " + QString::number(m_acqSel) + " ...",
                             QString(), 0, 0, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool ok = false;
    try {
        ok = tem::runner::RunTEMForward(cfg(), store, m_session.op, {}, [&progress](int done, int total) {
            progress.setMaximum(total);
            progress.setValue(done);
        });
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
    if (ok)
        tem::FwdModelAmplitudesFromRun(cfg(), m_acqSel, store.results);
    return ok;
}

void TFormSysResp::ButtonRunSystemTestClick()
{
    TFormVarloSystemTest window(m_session.sysTest, m_session.op, m_session.dialogs, this);
    window.exec();
}

} // namespace tem::gui
