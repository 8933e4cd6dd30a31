#include "arrays/ArrayAnalysisWindows.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSlider>
#include <QSpinBox>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "app/Session.h"
#include "arrays/TFormConfig.h"
#include "core/action_error.h"
#include "core/arrays/depth_of_investigation.h"
#include "core/files/value_forms.h"
#include "ui_TDetectabilityDlg.h"
#include "ui_TForm2LayerNDIC.h"
#include "ui_TFormDetect.h"
#include "ui_TFormNDICGraph.h"
#include "ui_TFormSigContrib.h"
#include "ui_TFormSigVsEffDepth.h"
#include "widgets/ChartHelpers.h"

namespace tem::gui {

namespace {

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

/// The number in a box; a conversion error naming the text when it is not one.
double Number(const QLineEdit* edit)
{
    const std::string text = edit->text().trimmed().toStdString();
    const std::optional<double> v = ParseFloat(text);
    if (!v || !std::isfinite(*v))
        throw ConversionError("'" + text + "' is not a valid floating point value");
    return *v;
}

/// A chart window whose showing runs a handler (the section recomputes itself when shown).
class ChartDialog : public QDialog {
  public:
    using QDialog::QDialog;
    std::function<void()> onShow;

  protected:
    void showEvent(QShowEvent* event) override
    {
        QDialog::showEvent(event);
        if (onShow)
            onShow();
    }
};

template <class UiT> struct Window {
    ChartDialog* dialog = nullptr;
    UiT ui;
    void create(QWidget* parent, const char* objectName)
    {
        dialog = new ChartDialog(parent);
        ui.setupUi(dialog);
        dialog->setObjectName(objectName);
        dialog->setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    }
};

void SetTitle(QCustomPlot* plot, const std::vector<std::string>& lines)
{
    QString text;
    for (const std::string& l : lines)
        text += (text.isEmpty() ? "" : "\n") + Q(l);
    if (plot->plotLayout()->rowCount() > 0)
        if (auto* t = qobject_cast<QCPTextElement*>(plot->plotLayout()->element(0, 0))) {
            t->setText(text);
            return;
        }
    plot->plotLayout()->insertRow(0);
    auto* title = new QCPTextElement(plot, text,
                                     QFont(plot->font().family(), plot->font().pointSize() + 1, QFont::Bold));
    plot->plotLayout()->addElement(0, 0, title);
}

/// The range of the positive, finite values of a set of series (for logarithmic axes).
struct Range {
    double lo = std::numeric_limits<double>::max(), hi = std::numeric_limits<double>::lowest();
    void add(double v, bool positiveOnly)
    {
        if (!std::isfinite(v) || (positiveOnly && !(v > 0)))
            return;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    bool valid() const { return lo <= hi; }
};

void LogAxisOver(QCPAxis* axis, const Range& r)
{
    if (!r.valid())
        return chart::SetLogAxis(axis, 0.01, 1000);
    const double lo = std::pow(10.0, std::floor(std::log10(r.lo))),
                 hi = std::pow(10.0, std::ceil(std::log10(r.hi)));
    chart::SetLogAxis(axis, lo, hi > lo ? hi : lo * 10);
}

void LinearAxisOver(QCPAxis* axis, const Range& r)
{
    if (!r.valid())
        return chart::SetLinearAxis(axis, 0, 1);
    const double pad = (r.hi - r.lo) * 0.05;
    chart::SetLinearAxis(axis, r.lo - pad, r.hi > r.lo ? r.hi + pad : r.lo + 1);
}

QColor SeriesColour(int i)
{
    static const QColor colours[] = {QColor(0, 90, 200),  QColor(220, 120, 0), QColor(0, 150, 60),
                                     QColor(200, 0, 160), QColor(120, 70, 20), QColor(0, 160, 170),
                                     QColor(90, 0, 200),  QColor(150, 150, 0), QColor(100, 100, 100)};
    return colours[i % int(std::size(colours))];
}

void Graph(QCustomPlot* plot, const std::vector<double>& x, const std::vector<double>& y,
           const QString& title, const QColor& colour, int width = 1, QCPAxis* valueAxis = nullptr)
{
    QCPGraph* g = plot->addGraph(plot->xAxis, valueAxis ? valueAxis : plot->yAxis);
    g->setName(title);
    g->setPen(QPen(colour, width));
    g->setLineStyle(QCPGraph::lsLine);
    chart::SetPoints(g, x, y);
}

// Legend items toggle their series, as the chart's inactive series are meant to be switched on.
void LegendTogglesSeries(QCustomPlot* plot)
{
    QObject::connect(plot, &QCustomPlot::legendClick, plot,
                     [plot](QCPLegend*, QCPAbstractLegendItem* item, QMouseEvent*) {
                         if (auto* pi = qobject_cast<QCPPlottableLegendItem*>(item)) {
                             pi->plottable()->setVisible(!pi->plottable()->visible());
                             pi->setTextColor(pi->plottable()->visible() ? Qt::black : Qt::gray);
                             plot->replot();
                         }
                     });
}

} // namespace

struct ArrayAnalysisWindows::Windows {
    Window<Ui::TForm2LayerNDIC> ndicOptions;
    Window<Ui::TDetectabilityDlg> detectOptions;
    Window<Ui::TFormNDICGraph> ndic;
    Window<Ui::TFormDetect> detect;
    Window<Ui::TFormSigVsEffDepth> sig;
    Window<Ui::TFormSigContrib> sce;
    QCPColorMap* map = nullptr;
    QCPColorScale* scale = nullptr;
};

ArrayAnalysisWindows::ArrayAnalysisWindows(TFormConfig& form, Session& s)
    : form_(form), s_(s), w_(std::make_unique<Windows>())
{
    Windows& w = *w_;
    w.ndicOptions.create(&form, "Form2LayerNDIC");
    w.detectOptions.create(&form, "DetectabilityDlg");
    w.ndic.create(&form, "FormNDICGraph");
    w.detect.create(&form, "FormDetect");
    w.sig.create(&form, "FormSigVsEffDepth");
    w.sce.create(&form, "FormSigContrib");

    // The number of reflected terms is chosen with the arrows only.
    if (auto* text = w.ndicOptions.ui.SpinEditReflectedTerms->findChild<QLineEdit*>())
        text->setReadOnly(true);
    QObject::connect(w.ndicOptions.ui.BitBtnOK, &QPushButton::clicked, w.ndicOptions.dialog,
                     &QDialog::accept);
    QObject::connect(w.detectOptions.ui.BitBtnOK, &QPushButton::clicked, w.detectOptions.dialog,
                     &QDialog::accept);
    QObject::connect(w.detectOptions.ui.BitBtnHelp, &QPushButton::clicked, w.detectOptions.dialog, [this] {
        s_.op.inform(
            "Detectability chart: for each depth of the top of a thin layer, the smallest thickness whose "
            "effect on the array's signal reaches the system noise level, when the layer's resistivity "
            "differs from the half space's by the percentage chosen with the slider (1% to 10%).");
    });

    QCustomPlot* ndic = w.ndic.ui.ChartNDIC;
    SetTitle(ndic, {"Normalized Depth of Investigation Curves"});
    ndic->xAxis->setLabel("Depth (metres in log10 scale).");
    ndic->yAxis->setLabel("Sensitivity");
    // Each curve named for its configuration, in as many columns as fit.
    chart::PlaceLegend(ndic, false);
    ndic->legend->setWrap(8);

    QCustomPlot* detect = w.detect.ui.ChartDetect;
    SetTitle(detect, {"MINIMUM DETECTABLE THICKNESS of a layer versus the depth of the top of it"});
    detect->xAxis->setLabel("Depth to top of layer (metres)");
    detect->yAxis->setLabel("Detectable Layer thickness (metres)");
    detect->yAxis2->setLabel("DIC (Volts)");
    detect->yAxis2->setVisible(true);
    chart::PlaceLegend(detect, false);
    LegendTogglesSeries(detect);

    QCustomPlot* sig = w.sig.ui.ChartSigVsEffDepth;
    SetTitle(sig, {"Signal to Noise Ratio versus Effective Depth"});
    sig->xAxis->setLabel("Effective Depth (m)");
    sig->yAxis->setLabel("Signal to Noise Ratio");
    chart::SetLogAxis(sig->xAxis, 0.1, 1000);
    chart::SetLogAxis(sig->yAxis, 1, 1e6);
    QObject::connect(w.sig.ui.ButtonRemoveAllSeries, &QPushButton::clicked, w.sig.dialog, [this] {
        w_->sig.ui.ChartSigVsEffDepth->clearGraphs();
        w_->sig.ui.ChartSigVsEffDepth->replot();
    });

    QCustomPlot* sce = w.sce.ui.ChartSCE;
    SetTitle(sce, {"Signal Contribution Distribution",
                   "Electrodes plotted at the effective depth of the configuration"});
    sce->xAxis->setLabel("Distance from reference point (metres)");
    sce->yAxis->setLabel("Depth (log metres)");
    sce->yAxis->setRangeReversed(true);
    w.map = new QCPColorMap(sce->xAxis, sce->yAxis);
    w.map->setName("Sig. Cont. Elements");
    w.map->setInterpolate(false);
    w.scale = new QCPColorScale(sce);
    sce->plotLayout()->addElement(1, 1, w.scale);
    w.scale->axis()->setLabel("Signal contribution (V)");
    QCPColorGradient rainbow(QCPColorGradient::gpJet);
    rainbow.setLevelCount(25);
    w.map->setGradient(rainbow);
    w.map->setColorScale(w.scale);
    w.scale->setGradient(rainbow); // the scale imposes its own gradient on the map it is attached to
    auto* margins = new QCPMarginGroup(sce);
    sce->axisRect()->setMarginGroup(QCP::msBottom | QCP::msTop, margins);
    w.scale->setMarginGroup(QCP::msBottom | QCP::msTop, margins);
    QObject::connect(w.sce.ui.ButtonUpdate, &QPushButton::clicked, w.sce.dialog, [this] { UpdateSCE(); });
    w.sce.dialog->onShow = [this] {
        w_->sce.ui.SpinEditConfig->setMaximum(std::max(1, s_.arrays.AConfig.numBipoles));
        UpdateSCE();
    };
}

ArrayAnalysisWindows::~ArrayAnalysisWindows() = default;

QDialog* ArrayAnalysisWindows::window(const QString& name) const
{
    for (QDialog* d :
         {static_cast<QDialog*>(w_->ndicOptions.dialog), static_cast<QDialog*>(w_->detectOptions.dialog),
          static_cast<QDialog*>(w_->ndic.dialog), static_cast<QDialog*>(w_->detect.dialog),
          static_cast<QDialog*>(w_->sig.dialog), static_cast<QDialog*>(w_->sce.dialog)})
        if (d->objectName() == name)
            return d;
    return nullptr;
}

int ArrayAnalysisWindows::CurSer() const
{
    return w_->sig.ui.ChartSigVsEffDepth->graphCount() - 1;
}

void ArrayAnalysisWindows::GraphNDICCurves()
{
    auto& o = w_->ndicOptions.ui;
    w_->ndicOptions.dialog->exec();
    NDICOptions options;
    try {
        options.OneLayer = o.RadioButtonOneLayer->isChecked();
        options.SurfaceRes = Number(o.EditSurfaceRes);
        options.HalfSpaceRes = Number(o.EditHalfSpaceRes);
        options.Thickness = Number(o.EditThickness);
        options.ReflectedTerms = o.SpinEditReflectedTerms->value();
        options.DIC = o.RadioButtonDIC->isChecked();
    } catch (const ActionError& e) {
        s_.op.inform(e.what());
        return;
    }
    const std::vector<tem::ChartSeries> curves = NDICCurves(s_.arrays.AConfig, options);
    QCustomPlot* plot = w_->ndic.ui.ChartNDIC;
    Range x, y;
    for (std::size_t i = 0; i < curves.size(); ++i) {
        const QString title = curves[i].Title.empty() ? QString("Config. %1").arg(i + 1) : Q(curves[i].Title);
        Graph(plot, curves[i].X, curves[i].Y, title, SeriesColour(int(i)), 2);
        for (double v : curves[i].X)
            x.add(v, true);
        for (double v : curves[i].Y)
            y.add(v, false);
    }
    LogAxisOver(plot->xAxis, x);
    LinearAxisOver(plot->yAxis, y);
    plot->replot();
    w_->ndic.dialog->exec();
    plot->clearGraphs();
}

void ArrayAnalysisWindows::DetectabilityOptions()
{
    w_->detectOptions.dialog->exec();
}

namespace {

tem::DetectabilityOptions ReadDetectabilityOptions(const Ui::TDetectabilityDlg& u)
{
    tem::DetectabilityOptions o;
    o.HalfSpaceRes = Number(u.EditHalfSpaceRes);
    o.Current = Number(u.EditCurrent);
    o.NoiseV = Number(u.EditNoiseV);
    o.TrackBar = u.TrackBarResChange->value();
    return o;
}

} // namespace

void ArrayAnalysisWindows::GraphDetectabilityCurves()
{
    tem::DetectabilityOptions o;
    try {
        o = ReadDetectabilityOptions(w_->detectOptions.ui);
    } catch (const ActionError& e) {
        s_.op.inform(e.what());
        return;
    }
    const DetectabilityChart c = DetectabilityCurves(s_.arrays, o, s_.op);
    QCustomPlot* plot = w_->detect.ui.ChartDetect;
    SetTitle(plot, c.Title);
    Range x, left, right;
    const int n = int(c.Series.size());
    for (int i = 0; i < n; ++i) {
        const tem::ChartSeries& s = c.Series[std::size_t(i)];
        QColor colour = SeriesColour(i);
        if (s.Title == "DIC summed over the whole array")
            colour = QColor(0, 255, 0);
        else if (s.Title == "Detectability for the Entire Array")
            colour = Qt::red;
        Graph(plot, s.X, s.Y, Q(s.Title), colour, s.RightAxis ? 1 : 2,
              s.RightAxis ? plot->yAxis2 : plot->yAxis);
        plot->graph(plot->graphCount() - 1)->setVisible(s.Active);
        for (double v : s.X)
            x.add(v, true);
        for (double v : s.Y)
            (s.RightAxis ? right : left).add(v, !s.RightAxis);
    }
    if (auto* legend = plot->legend)
        for (int i = 0; i < legend->itemCount(); ++i)
            if (auto* pi = qobject_cast<QCPPlottableLegendItem*>(legend->item(i)))
                pi->setTextColor(pi->plottable()->visible() ? Qt::black : Qt::gray);
    LogAxisOver(plot->xAxis, x);
    LogAxisOver(plot->yAxis, left);
    LinearAxisOver(plot->yAxis2, right);
    plot->replot();
    w_->detect.dialog->exec();
    plot->clearGraphs();
}

void ArrayAnalysisWindows::GraphSignalVsEffDepth()
{
    tem::DetectabilityOptions o;
    try {
        o = ReadDetectabilityOptions(w_->detectOptions.ui);
    } catch (const ActionError& e) {
        s_.op.inform(e.what());
        return;
    }
    QCustomPlot* plot = w_->sig.ui.ChartSigVsEffDepth;
    const int index = plot->graphCount();
    const SignalVsEffDepthChart c = SignalVsEffDepth(s_.arrays, o, index);
    SetTitle(plot, c.Title);
    Graph(plot, c.Series.X, c.Series.Y, Q(c.Series.Title), SeriesColour(index), 3);
    plot->graph(index)->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, SeriesColour(index), 6));
    Range x, y;
    for (int g = 0; g < plot->graphCount(); ++g)
        for (auto it = plot->graph(g)->data()->constBegin(); it != plot->graph(g)->data()->constEnd(); ++it) {
            x.add(it->key, true);
            y.add(it->value, true);
        }
    LogAxisOver(plot->xAxis, x);
    LogAxisOver(plot->yAxis, y);
    plot->replot();
    w_->sig.dialog->exec();
}

void ArrayAnalysisWindows::GraphSignalContribution()
{
    w_->sce.dialog->exec();
}

void ArrayAnalysisWindows::UpdateSCE()
{
    auto& u = w_->sce.ui;
    SignalContributionOptions o;
    try {
        o.Config = u.SpinEditConfig->value();
        o.Y = Number(u.EditY);
        o.Submerged = u.RadioButtonSubmerged->isChecked();
        o.Resistivity = Number(u.EditResistivity);
        o.Current = Number(u.EditCurrent);
    } catch (const ActionError& e) {
        s_.op.inform(e.what());
        return;
    }
    QCustomPlot* plot = u.ChartSCE;
    QCPColorMap* map = w_->map;
    // The electrode series are rebuilt; the colour map stays.
    plot->clearGraphs();
    plot->clearItems();
    if (o.Config < 1 || o.Config > s_.arrays.AConfig.numBipoles) {
        map->data()->clear();
        plot->replot();
        return;
    }
    const SignalContributionSection sec = tem::UpdateSCE(s_.arrays, o, s_.op);
    if (sec.numXCells < 1 || sec.numZCells < 1) {
        map->data()->clear();
        plot->replot();
        return;
    }
    // Depth is drawn on a logarithmic axis: the image's rows are spaced evenly in log depth, from
    // the first cell's centre to the last one's, each showing the cell that holds its depth.
    const double top = sec.CellH / 2, bottom = (sec.numZCells - 0.5) * sec.CellH;
    const int rows = std::max(2, 4 * sec.numZCells);
    const double ratio = bottom > top ? std::pow(bottom / top, 1.0 / (rows - 1)) : 1.0;
    map->data()->setSize(sec.numXCells, rows);
    map->data()->setRange(QCPRange(sec.MinX + sec.CellW / 2, sec.MinX + (sec.numXCells - 0.5) * sec.CellW),
                          QCPRange(top, bottom > top ? bottom : top * 2));
    for (int row = 0; row < rows; ++row) {
        const double z = top * std::pow(ratio, row);
        const int iz = std::clamp(int(z / sec.CellH), 0, sec.numZCells - 1);
        for (int ix = 0; ix < sec.numXCells; ++ix) {
            const double v = sec.Value(ix, iz);
            map->data()->setCell(ix, row, std::isfinite(v) ? v : 0);
        }
    }
    map->rescaleDataRange(true);
    chart::SetLinearAxis(plot->xAxis, sec.MinX, sec.MaxX);
    const double half = std::sqrt(ratio);
    chart::SetLogAxis(plot->yAxis, top / half, std::max(bottom * half, sec.ElectrodeDepth * 1.2));
    plot->yAxis->setRangeReversed(true);

    auto points = [&](const std::vector<double>& xs, const QColor& colour) {
        QCPGraph* g = plot->addGraph();
        g->setLineStyle(QCPGraph::lsNone);
        g->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssTriangleInverted, Qt::black, colour, 10));
        chart::SetPoints(g, xs, std::vector<double>(xs.size(), sec.ElectrodeDepth));
    };
    points(sec.TxX, Qt::red);
    points(sec.RxX, QColor(0, 200, 0));
    points({sec.MidpointX}, Qt::blue);
    auto* mp = new QCPItemText(plot);
    mp->position->setCoords(sec.MidpointX, sec.ElectrodeDepth);
    mp->setPositionAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    mp->setText("MP");
    mp->setPadding(QMargins(0, 0, 0, 8));
    mp->setColor(Qt::white);
    plot->replot();
}

} // namespace tem::gui
