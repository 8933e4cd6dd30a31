#include "systest/TFormVarloSystemTest.h"

#include <QApplication>
#include <QFileInfo>
#include <QShowEvent>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <initializer_list>
#include <tuple>

#include "config/EditorSupport.h"
#include "core/files/value_forms.h"
#include "core/operator.h"
#include "ui_TFormVarloSystemTest.h"
#include "widgets/ChartHelpers.h"
#include "widgets/PointLabels.h"
#include "widgets/RadioGroup.h"

using tem::gui::editor::EditNumber;
using tem::gui::editor::Guarded;
using tem::gui::editor::Q;
using tem::gui::editor::S;
using tem::gui::editor::SetNumberEdit;

namespace tem::gui {
const char* const TFormVarloSystemTest::LoadDialogTitle = "Load a special Test TXT file";
const char* const TFormVarloSystemTest::LoadDialogFilter = "Varlo *.TXT System Test (*.TXT *.txt)";
const char* const TFormVarloSystemTest::SaveDialogTitle = "Save Stn8 Average Site Response CSV file";
const char* const TFormVarloSystemTest::SaveDialogFilter = "Stn8 Site Response *.CSV (*.CSV *.csv)";

namespace {

using tem::RxX;
using tem::RxZ;

const char* const ProcedureText =
    "SYSTEM TEST PROCEDURE\n"
    "\n"
    "Record each test below under its reserved station number, with at least 1000 stacks on the "
    "first record of the file (the ramps are measured from long stacks), then export the records as "
    "a TXT file and load it here.\n"
    "\n"
    "Stn 1: transmitter loop wired 2 parallel, 1 series turns (2P1S).\n"
    "Stn 2: 1 parallel, 1 series turns (1P1S): the reference for stations 1, 3 and 4.\n"
    "Stn 3: as station 2 with one transmitter loop turn shorted.\n"
    "Stn 4: as station 2 with fewer receiver turns.\n"
    "Stn 5: 2 parallel, 2 series turns (2P2S).\n"
    "Stn 6: noise: the selected survey configuration with the transmitter off.\n"
    "Stn 7: the selected survey configuration with A/D converter gain 1.\n"
    "Stn 8: the selected survey configuration over the test site.\n"
    "\n"
    "Tavrel (kind 0): the transmitter supply should read 8.0 V +/- 0.5 V. Kembra (kind 1): 7.0 V "
    "+/- 0.5 V. Keep the vehicle, loops and cables exactly where they are between stations; only "
    "the loop wiring and receiver turns change.\n"
    "\n"
    "READING THE GRAPHS (left axis: decay per amp; right axis: ratios)\n"
    "- Station decays should be smooth and fall steadily with time; a step or a kink shows a "
    "loose connection or a saturated channel.\n"
    "- The short response (3 minus 2) should lie on the reference curve of your equipment. "
    "Adjust L, R, InitMagn, gain and delay and press Update Model to fit it.\n"
    "- RxTurns Ratio (4/2) should be flat at the ratio of receiver turns used.\n"
    "- TxTurns Ratio (1/2) should be flat near 2 at late times: twice the turns in parallel.\n"
    "- Compare the measured currents, ramps and noise with the anticipated values below the chart.\n"
    "- Save Stn8 avg CSV exports the station-8 site response for the system response window.";

QString numberText(double v, const std::string& text)
{
    return std::isfinite(v) ? Q(text) : QString("undefined");
}

QString labelText(double v)
{
    return std::isfinite(v) ? Q(tem::Trim(tem::FormatPrintfG(v, 0, 6))) : QString("undefined");
}

const QColor StationColours[8] = {QColor(0, 0, 200),   QColor(0, 150, 0),   QColor(200, 0, 0),
                                  QColor(160, 0, 160), QColor(0, 160, 160), QColor(200, 140, 0),
                                  QColor(120, 80, 40), QColor(90, 90, 90)};

const char* const StationTitles[2][8] = {
    {"stn 1Z - 2 Parallel 1 Series", "stn 2Z - 1 Parallel 1 Series", "stn 3Z - 1 Parallel 1 Shorted",
     "stn 4Z - 1 Parallel less RxTurns", "stn 5Z - 2 Parallel 2 Series", "stn 6Z - Noise @MaxA",
     "Stn 7Z - Selected Config Gain 1", "Stn8Z - Selected Configuration"},
    {"stn 1X - 2 Parallel 1 Series", "stn 2X - 1 Parallel 1 Series", "stn 3X - 1 Parallel 1 Shorted",
     "stn 4X - 1 Parallel less RxTurns", "stn 5X - 2 Parallel 2 Series", "stn 6X - Noise @MaxA",
     "Stn7X - Selected Config Gain 1", "Stn8X - Selected Configuration"}};

} // namespace

TFormVarloSystemTest::TFormVarloSystemTest(tem::SystemTestData& data, tem::Operator& op,
                                           tem::FileDialogs& dialogs, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TFormVarloSystemTest>()), m_data(data), m_op(op),
      m_dialogs(dialogs)
{
    ui->setupUi(this);
    ui->MemoProcedure->setPlainText(ProcedureText);
    ui->RadioGroupTest->setItemIndex(0);
    ui->RadioGroupZX->setItemIndex(0);
    ui->ButtonSaveCSV->setToolTip(
        "Use this in the system response estimator if you have a model for your test site.");

    QCustomPlot* plot = ui->ChartSystemTest;
    m_labels = new PointLabels(plot);
    chart::SetLogAxis(plot->xAxis, 0.002, 3);
    plot->xAxis->setLabel("Time (mS)");
    chart::SetLogAxis(plot->yAxis, 0.01, 1e4);
    plot->yAxis->setLabel("dB/dt (uV/Amp)");
    plot->yAxis2->setVisible(true);
    chart::SetLinearAxis(plot->yAxis2, -4, 4);
    plot->yAxis2->setLabel("Multiple (compare number of turns)");
    chart::PlaceLegend(plot, true);
    plot->legend->setWrap(3);
    QFont small = plot->legend->font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() - 1));
    plot->legend->setFont(small);
    createSeries();

    connect(ui->RadioGroupTest, &RadioGroup::itemClicked, this, [this] { Refresh(); });
    connect(ui->RadioGroupZX, &RadioGroup::itemClicked, this, [this] { Refresh(); });
    connect(ui->LabeledEditPreAmpGain, &QLineEdit::editingFinished, this,
            &TFormVarloSystemTest::LabeledEditPreAmpGainExit);
    connect(ui->ButtonLoadTXT, &QPushButton::clicked, this, &TFormVarloSystemTest::ButtonLoadTXTClick);
    connect(ui->ButtonUpdateModel, &QPushButton::clicked, this,
            &TFormVarloSystemTest::ButtonUpdateModelClick);
    connect(ui->ButtonSaveCSV, &QPushButton::clicked, this, &TFormVarloSystemTest::ButtonSaveCSVClick);
    connect(ui->ButtonClose, &QPushButton::clicked, this, &QDialog::accept);
}

TFormVarloSystemTest::~TFormVarloSystemTest() = default;

void TFormVarloSystemTest::createSeries()
{
    QCustomPlot* plot = ui->ChartSystemTest;
    const char* const zx[2] = {"Z", "X"};
    for (int r : {RxZ, RxX}) {
        ReceiverSeries& s = m_series[static_cast<std::size_t>(r)];
        for (int n = 0; n < 8; ++n)
            s.station[static_cast<std::size_t>(n)] = chart::AddSeries(
                plot, StationTitles[r][n], QCPScatterStyle::ssDisc, StationColours[n], QCPGraph::lsLine);
        auto wide = [&](const QString& title, const QColor& colour, QCPAxis* axis) {
            QCPGraph* g = plot->addGraph(plot->xAxis, axis);
            g->setName(title);
            g->setPen(QPen(colour, 3.5));
            g->setLineStyle(QCPGraph::lsLine);
            return g;
        };
        s.reference = wide(QString("%1 Reference - short response").arg(zx[r]), Qt::black, plot->yAxis);
        s.shorted =
            wide(QString("%1  - short response (3 minus 2)").arg(zx[r]), QColor(230, 0, 0), plot->yAxis);
        s.rxRatio = wide(QString("%1 - RxTurns Ratio Stn4/Stn2").arg(zx[r]), QColor(0, 130, 0), plot->yAxis2);
        s.txRatio =
            wide(QString("%1 - TxTurns Ratio 2P/1P Stns1/2").arg(zx[r]), QColor(120, 0, 200), plot->yAxis2);
    }
}

int TFormVarloSystemTest::kind() const
{
    return std::clamp(ui->RadioGroupTest->itemIndex(), 0, tem::SysTestKinds - 1);
}

int TFormVarloSystemTest::receiver() const
{
    return ui->RadioGroupZX->itemIndex() == 1 ? RxX : RxZ;
}

void TFormVarloSystemTest::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFormVarloSystemTest::FormShow()
{
    m_model = tem::ShortedLoopModel::Defaults();
    Refresh();
    // The results of an earlier load stay for the life of the program; show them again.
    clearResultSeries();
    if (m_data.analysed) {
        showMeasured();
        drawResults();
    }
}

void TFormVarloSystemTest::Refresh()
{
    const int e = kind(), r = receiver();
    SetNumberEdit(ui->LabeledEditPreAmpGain, m_model.PreAmpGain[e][r],
                  Q(tem::FormatFixed(m_model.PreAmpGain[e][r], 8, 2)));
    SetNumberEdit(ui->EditInductance, m_model.Inductance[e][r],
                  Q(tem::FormatFixed(m_model.Inductance[e][r], 12, 8)));
    SetNumberEdit(ui->EditRes, m_model.Resistance[e][r], Q(tem::FormatFixed(m_model.Resistance[e][r], 8, 3)));
    SetNumberEdit(ui->EditInitMagn, m_model.InitMagn[e][r],
                  Q(tem::FormatFixed(m_model.InitMagn[e][r], 12, 8)));
    SetNumberEdit(ui->EditRxDelayuS, m_model.RxDelay[e][r] * 1e6,
                  Q(tem::FormatFixed(m_model.RxDelay[e][r] * 1e6, 12, 8)));

    CalcShorted();
    if (e == 2)
        m_op.inform("Selecting \"other\" requires that you pay for customization of the code");

    const tem::AnticipatedValues& a = tem::Anticipated(e);
    ui->LabeledEditAnticipatedAmps2P->setText(Q(tem::FormatFixed(a.AntAmp2P, 8, 2)));
    ui->LabeledEditAnticipatedAmps1P->setText(Q(tem::FormatFixed(a.AntAmp1P, 8, 2)));
    ui->LabeledEditAnticipatedRamp2P->setText(Q(tem::FormatFixed(a.AntRamp2P * 1e6, 8, 2)));
    ui->LabeledEditAnticipatedRamp1P->setText(Q(tem::FormatFixed(a.AntRamp1P * 1e6, 8, 2)));
    ui->LabeledEditAntRamp2P2S->setText(Q(tem::FormatFixed(a.AntRamp2P2S * 1e6, 8, 2)));
    ui->LabeledEditAntNoise->setText(Q(tem::FormatPrintfE(a.AntNoise[r], 11, 4)));

    receiverSwitch();
}

void TFormVarloSystemTest::receiverSwitch()
{
    const int r = receiver();
    // Only the active receiver's series are drawn and listed, in their fixed order.
    QCPLegend* legend = ui->ChartSystemTest->legend;
    legend->clearItems();
    for (int rx : {RxZ, RxX}) {
        const ReceiverSeries& s = m_series[static_cast<std::size_t>(rx)];
        std::vector<QCPGraph*> all(s.station.begin(), s.station.end());
        all.insert(all.end(), {s.reference, s.shorted, s.rxRatio, s.txRatio});
        for (QCPGraph* g : all) {
            g->setVisible(rx == r);
            // The legend names what is drawn: a station without records has no curve.
            if (rx == r && !g->data()->isEmpty())
                g->addToLegend();
        }
    }
    showNoise();
    rescaleLeftAxis();
    ui->ChartSystemTest->replot();
}

void TFormVarloSystemTest::setSeries(QCPGraph* g, const QVector<double>& x, const QVector<double>& y,
                                     QVector<QString> labels)
{
    g->setData(x, y, true);
    m_labels->set(g, std::move(labels));
}

void TFormVarloSystemTest::CalcShorted()
{
    for (int r : {RxZ, RxX}) {
        QVector<double> x, y;
        QVector<QString> labels;
        for (const tem::ReferencePoint& p : tem::CalcShorted(m_model, kind(), r)) {
            x.push_back(p.timeMs);
            y.push_back(p.plotted);
            labels.push_back(Q(tem::FormatPrintfE(p.value, 12, 6)));
        }
        setSeries(m_series[static_cast<std::size_t>(r)].reference, x, y, labels);
    }
    rescaleLeftAxis();
    ui->ChartSystemTest->replot();
}

void TFormVarloSystemTest::LabeledEditPreAmpGainExit()
{
    m_model.PreAmpGain[kind()][receiver()] = EditNumber(ui->LabeledEditPreAmpGain, 20);
    Refresh();
}

void TFormVarloSystemTest::ButtonUpdateModelClick()
{
    const int e = kind(), r = receiver();
    m_model.Inductance[e][r] = EditNumber(ui->EditInductance, 3e-5);
    m_model.Resistance[e][r] = EditNumber(ui->EditRes, 0.1);
    m_model.Tau[e][r] = m_model.Inductance[e][r] / m_model.Resistance[e][r];
    m_model.PreAmpGain[e][r] = EditNumber(ui->LabeledEditPreAmpGain, 20);
    m_model.RxDelay[e][r] = EditNumber(ui->EditRxDelayuS, 9.5) / 1e6;
    m_model.InitMagn[e][r] = EditNumber(ui->EditInitMagn, 0.003);
    CalcShorted();
}

void TFormVarloSystemTest::clearResultSeries()
{
    for (ReceiverSeries& s : m_series) {
        for (QCPGraph* g : s.station)
            setSeries(g, {}, {}, {});
        for (QCPGraph* g : {s.shorted, s.rxRatio, s.txRatio})
            setSeries(g, {}, {}, {});
    }
}

void TFormVarloSystemTest::ButtonLoadTXTClick()
{
    const std::string file = m_dialogs.openFile(LoadDialogTitle, LoadDialogFilter, "");
    if (file.empty())
        return;
    clearResultSeries();
    m_model.PreAmpGain[kind()][receiver()] = EditNumber(ui->LabeledEditPreAmpGain, 20);
    for (QLineEdit* e :
         {ui->LabeledEditMeasuredAmps2P, ui->LabeledEditMeasuredAmps1P, ui->LabeledEditMeasuredRamp2P,
          ui->LabeledEditMeasuredRamp1P, ui->LabeledEditMeasRamp2P2S})
        e->clear();

    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool loaded = false;
    Guarded(m_op, [&] { loaded = tem::LoadSystemTest(m_data, file, kind(), m_op); });
    QApplication::restoreOverrideCursor();
    if (loaded) {
        showMeasured();
        drawResults();
    }
    receiverSwitch();
}

void TFormVarloSystemTest::showMeasured()
{
    // A value no record measured stays blank rather than showing a zero it never read.
    const auto show = [](QLineEdit* e, int records, const std::string& text) {
        e->setText(records > 0 ? Q(text) : QString());
    };
    show(ui->LabeledEditMeasuredRamp2P, m_data.RampCount2P,
         tem::FormatFixed(m_data.MeasuredRamp2P * 1000, 8, 1));
    show(ui->LabeledEditMeasuredRamp1P, m_data.RampCount1P,
         tem::FormatFixed(m_data.MeasuredRamp1P * 1000, 8, 1));
    show(ui->LabeledEditMeasRamp2P2S, m_data.RampCount2P2S,
         tem::FormatFixed(m_data.MeasuredRamp2P2S * 1000, 8, 1));
    show(ui->LabeledEditMeasuredAmps2P, m_data.AmpsCount2P, tem::FormatFixed(m_data.MeasuredAmps2P, 9, 4));
    show(ui->LabeledEditMeasuredAmps1P, m_data.AmpsCount1P, tem::FormatFixed(m_data.MeasuredAmps1P, 9, 4));
    showNoise();
}

void TFormVarloSystemTest::showNoise()
{
    // The noise comes from station 6: blank without a load or without its records.
    const int r = receiver();
    ui->LabeledEditNoiseStd->setText(
        m_data.analysed && m_data.NumStn[6] > 0
            ? numberText(m_data.NoiseStd[r], tem::FormatPrintfE(m_data.NoiseStd[r], 9, 3))
            : QString());
}

void TFormVarloSystemTest::drawResults()
{
    const auto& t = tem::SysTestGateTimes();
    QVector<double> x;
    for (int k = 1; k <= tem::MaxChan; ++k)
        x.push_back(t[k]);
    // Magnitudes on the logarithmic axis (undefined values leave gaps); the labels keep the sign.
    // A station without records draws no curve, nor does a difference or ratio that needs it.
    const auto recorded = [&](std::initializer_list<int> stations) {
        return std::all_of(stations.begin(), stations.end(), [&](int n) { return m_data.NumStn[n] > 0; });
    };
    auto magnitudes = [&](QCPGraph* g, bool drawn, auto valueAt) {
        if (!drawn)
            return setSeries(g, {}, {}, {});
        QVector<double> y;
        QVector<QString> labels;
        for (int k = 1; k <= tem::MaxChan; ++k) {
            const double v = valueAt(k);
            y.push_back(tem::SysTestPlotMagnitude(v));
            labels.push_back(labelText(v));
        }
        setSeries(g, x, y, labels);
    };
    for (int r : {RxZ, RxX}) {
        ReceiverSeries& s = m_series[static_cast<std::size_t>(r)];
        for (int n = 1; n <= tem::SysTestStations; ++n)
            magnitudes(s.station[static_cast<std::size_t>(n - 1)], recorded({n}),
                       [&](int k) { return m_data.stn[n][r][k]; });
        magnitudes(s.shorted, recorded({2, 3}), [&](int k) { return m_data.shorted[r][k]; });
        // The ratios keep their sign, without a floor; an undefined ratio is a gap.
        for (auto [g, table, drawn] : {std::tuple{s.rxRatio, &m_data.RxTurnsRatio, recorded({2, 4})},
                                       std::tuple{s.txRatio, &m_data.TxTurnsRatio, recorded({1, 2})}}) {
            if (!drawn) {
                setSeries(g, {}, {}, {});
                continue;
            }
            QVector<double> y;
            QVector<QString> labels;
            for (int k = 1; k <= tem::MaxChan; ++k) {
                const double v = (*table)[r][k];
                y.push_back(std::isfinite(v) ? v : std::nan(""));
                labels.push_back(labelText(v));
            }
            setSeries(g, x, y, labels);
        }
    }
    rescaleLeftAxis();
    ui->ChartSystemTest->replot();
}

void TFormVarloSystemTest::rescaleLeftAxis()
{
    // The left axis starts at 0.01 and reaches just above the largest value shown.
    double top = 10;
    for (int i = 0; i < ui->ChartSystemTest->graphCount(); ++i) {
        QCPGraph* g = ui->ChartSystemTest->graph(i);
        if (!g->visible() || g->valueAxis() != ui->ChartSystemTest->yAxis)
            continue;
        for (auto p = g->data()->constBegin(); p != g->data()->constEnd(); ++p)
            if (std::isfinite(p->value))
                top = std::max(top, p->value);
    }
    chart::SetLogAxis(ui->ChartSystemTest->yAxis, 0.01, top * 2);
}

void TFormVarloSystemTest::ButtonSaveCSVClick()
{
    std::string file = m_dialogs.saveFile(SaveDialogTitle, SaveDialogFilter, tem::Stn8SiteResponseName);
    if (file.empty())
        return;
    if (QFileInfo(QString::fromStdString(file)).suffix().isEmpty())
        file += ".CSV";
    std::error_code ec;
    if (std::filesystem::exists(file, ec) &&
        !m_op.ask(file + " already exists. Do you want to replace it?", false))
        return;
    Guarded(m_op, [&] { tem::WriteStn8SiteResponse(m_data, file); });
}

} // namespace tem::gui
