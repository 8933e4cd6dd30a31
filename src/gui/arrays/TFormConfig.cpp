#include "arrays/TFormConfig.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>

#include "app/Session.h"
#include "arrays/ArrayAnalysisWindows.h"
#include "arrays/ArrayEntryWindows.h"
#include "core/action_error.h"
#include "core/arrays/array_file.h"
#include "core/arrays/array_geometry.h"
#include "core/files/value_forms.h"
#include "ui_TFormConfig.h"
#include "widgets/PointChart3D.h"

namespace tem::gui {

const char* const TFormConfig::SaveDialogTitle = "Your new config. will be saved to";
const char* const TFormConfig::SaveDialogFilter =
    "Direct Current Config FIles *.DCC (*.DCC *.dcc);;IniFiles *.INI (*.INI *.ini)";
const char* const TFormConfig::DocumentDialogTitle = "Save ASCII Array configuration file As";
const char* const TFormConfig::DocumentDialogFilter =
    " Direct Current Config Files *.DCC (*.DCC *.dcc);;Old Direct Current Config Files *.INI (*.INI *.ini)";

namespace {

const char* const IgnoringChange = "Ignoring change, use Recalculate button";
/// Pairs whose cells can be edited; later pairs are shown only.
constexpr int EditablePairs = 14;

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

QString g5(double v)
{
    return Q(FormatPrintfG(v, 5, 5));
}

/// The name a save dialog gave, with the default extension when it has none.
std::string WithDefaultExtension(const std::string& name, const char* extension)
{
    return QFileInfo(Q(name)).suffix().isEmpty() ? name + "." + extension : name;
}

/// Log depths are drawn upwards as -log10(depth), stretched to the size of the horizontal extent.
struct DepthAxis {
    double stretch = 1;
    double y(double depth) const { return depth > 0 ? -std::log10(depth) * stretch : 0; }
};

} // namespace

TFormConfig::TFormConfig(Session& s, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TFormConfig>()), s_(s)
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    menuBar_ = new QMenuBar(this);
    menuBar_->setObjectName("MainMenuConfig");
    layout()->setMenuBar(menuBar_);
    entries_ = std::make_unique<ArrayEntryWindows>(*this, s_);
    analyses_ = std::make_unique<ArrayAnalysisWindows>(*this, s_);
    buildMenus();
    setupChart();
    ui->SplitterArray->setStretchFactor(0, 3);
    ui->SplitterArray->setStretchFactor(1, 2);
    ui->StringGridArray->horizontalHeader()->setVisible(false);
    ui->StringGridArray->verticalHeader()->setVisible(false);

    connect(ui->EditRxBipoles, &QLineEdit::editingFinished, this, &TFormConfig::EditRxBipolesExit);
    connect(ui->LabeledEditDefWaterDepth, &QLineEdit::editingFinished, this,
            &TFormConfig::LabeledEditDefWaterDepthExit);
    connect(ui->StringGridArray, &QTableWidget::cellChanged, this, &TFormConfig::StringGridArraySetEditText);
    connect(ui->BitBtnOK, &QPushButton::clicked, this, &TFormConfig::BitBtnOKClick);
    connect(ui->BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TFormConfig::~TFormConfig() = default;

void TFormConfig::buildMenus()
{
    auto add = [this](QMenu* menu, const QString& text, auto slot) {
        QAction* a = menu->addAction(text);
        a->setObjectName(text);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    QMenu* types = menuBar_->addMenu("ConfigTypes");
    typeGroup_ = new QActionGroup(this);
    typeGroup_->setExclusive(true);
    for (const ArrayEntryWindows::Command& c : ArrayEntryWindows::Commands()) {
        QAction* a = add(types, c.menuText, [this, c] {
            if (entries_->Run(c))
                checkTypeItem();
        });
        if (!c.type.isEmpty()) {
            a->setCheckable(true);
            a->setData(c.type);
            typeGroup_->addAction(a);
        }
    }

    QMenu* signal = menuBar_->addMenu("SignalDistribution");
    add(signal, "ReCalculate Geometric Factors/Refresh chart", &TFormConfig::ReCalculateGeomFactClick);
    add(signal, "ReCalculate Effective Depths", &TFormConfig::ReCalculateEffDepthsClick);
    add(signal, "Graph NDIC curves", [this] { analyses_->GraphNDICCurves(); });
    add(signal, "Graph Signal Contribution Elements", [this] { analyses_->GraphSignalContribution(); });
    add(signal, "Graph Detectability Curves", [this] { analyses_->GraphDetectabilityCurves(); });
    add(signal, "Detectability Curve Options", [this] { analyses_->DetectabilityOptions(); });

    QMenu* misc = menuBar_->addMenu("Miscellaneous");
    add(misc, "Graph Signal w.r.t. Effective Depth", [this] { analyses_->GraphSignalVsEffDepth(); });
    add(misc, "Tabulate electrode coords", [] {});
    add(misc, "Document Config. in a Text file", &TFormConfig::DocumentConfigClick);

    QMenu* help = menuBar_->addMenu("Help");
    add(help, "not available here yet", [] {});
}

QAction* TFormConfig::action(const QString& text) const
{
    for (QAction* a : menuBar_->findChildren<QAction*>())
        if (a->text() == text)
            return a;
    return nullptr;
}

void TFormConfig::setupChart()
{
    PointChart3D* ch = ui->ChartConfig;
    QToolBar* bar = ch->createToolBar(ui->PanelChart);
    static_cast<QVBoxLayout*>(ui->PanelChart->layout())->insertWidget(0, bar);
    ch->setAxisTitles("X (metres)", "Effective Depth (m)", "Y (metres)");
    ch->setScaleBarVisible(false);
    ch->setRotation(20);
    ch->setElevation(15);
    ch->addAnnotation("Red - Tx Electrodes", {645, 15}, Qt::red, Qt::yellow);
    ch->addAnnotation("Blue - Config. Midpoints", {645, 35}, Qt::blue, Qt::yellow);
    ch->addAnnotation("Green - Rx Electrodes", {645, 55}, QColor(0, 128, 0), Qt::yellow);
}

bool TFormConfig::Execute()
{
    ReadConfig();
    return exec() == QDialog::Accepted;
}

void TFormConfig::ReadConfig()
{
    // The array window works on array files only: a TEM configuration named by the forward
    // window is never read as an array, nor proposed as the file to save it to.
    s_.ConfigIniName = arrayFile();
    try {
        ReadConfigIni(s_.arrays, s_.ConfigIniName, s_.op);
    } catch (const ActionError& e) {
        s_.op.inform(e.what());
    }
    ui->EditRxBipoles->setText(QString::number(s_.arrays.AConfig.numBipoles));
    ui->LabeledEditOffSetBehind->setText(Q(FormatGeneral(s_.arrays.OffsetBehind)));
    ui->LabeledEditOffsetRight->setText(Q(FormatGeneral(s_.arrays.OffsetRight)));
    ui->LabeledEditDefWaterDepth->setText(Q(FormatFixed(s_.arrays.AConfig.SubDepth, 1, 2)));
    entries_->FillFromDescription();
    checkTypeItem();
    FillConfigTable();
}

void TFormConfig::checkTypeItem()
{
    const QString type = Q(s_.arrays.AConfigExt.AConfigType);
    for (QAction* a : typeGroup_->actions())
        a->setChecked(a->data().toString() == type);
}

void TFormConfig::setCell(int row, int col, const QString& text, bool editable)
{
    auto* item = new QTableWidgetItem(text);
    if (!editable)
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    ui->StringGridArray->setItem(row, col, item);
}

void TFormConfig::FillConfigTable()
{
    TArrayConfiguration& a = s_.arrays.AConfig;
    QTableWidget* grid = ui->StringGridArray;
    const QSignalBlocker block(grid);
    filling_ = true;
    const int count = std::clamp(a.numBipoles, 0, MaxArrayConfigs);
    const int maxCP = std::clamp(a.MaxCP, 0, MaxMonopolePairs);
    grid->clearContents();
    grid->setRowCount(count + 1);
    grid->setColumnCount(2 * maxCP + 4);
    const QStringList fixed = {"Config", "MonoPoles", "GeomFact", "EffDepth"};
    for (int c = 0; c < 4; ++c)
        setCell(0, c, fixed[c], false);
    for (int k = 1; k <= maxCP; ++k) {
        setCell(0, 2 * k + 2, QString::asprintf("Sep. %2d", k), false);
        setCell(0, 2 * k + 3, QString::asprintf("Portion%2d", k), false);
    }
    for (int i = 1; i <= count; ++i) {
        setCell(i, 0, QString::number(i), false);
        setCell(i, 1, g5(a.numCurPot[i]), true);
        setCell(i, 2, g5(a.GeomFact[i]), true);
        setCell(i, 3, g5(a.EffDepth[i]), true);
        const int pairs = std::clamp(a.numCurPot[i], 0, maxCP);
        for (int k = 1; k <= maxCP; ++k) {
            const bool editable = k <= EditablePairs;
            setCell(i, 2 * k + 2, k <= pairs ? g5(a.CP[i][k]) : QString(), editable);
            setCell(i, 2 * k + 3, k <= pairs ? g5(a.CPProp[i][k]) : QString(), editable);
        }
    }
    grid->resizeColumnsToContents();
    filling_ = false;
    CalcMidpoints(s_.arrays.AConfig, s_.arrays.AConfigExt);
    drawChart();
}

void TFormConfig::drawChart()
{
    const TArrayConfiguration& a = s_.arrays.AConfig;
    const TArrayConfigExt& x = s_.arrays.AConfigExt;
    const int count = std::clamp(a.numBipoles, 0, MaxArrayConfigs);
    PointChart3D* ch = ui->ChartConfig;
    ch->clearSeries();

    // One metre across the line and one decade of depth get comparable lengths on screen.
    double xmin = 0, xmax = 0, dmin = 0, dmax = 0;
    bool any = false;
    for (int i = 1; i <= count; ++i) {
        const double d = a.EffDepth[i];
        if (d > 0 && std::isfinite(d)) {
            dmin = any ? std::min(dmin, d) : d;
            dmax = any ? std::max(dmax, d) : d;
            any = true;
        }
        for (int k = 1; k <= std::clamp(a.numCurPot[i], 0, MaxMonopolePairs); ++k)
            for (double v : {x.MonopoleTx[i][k], x.MonopoleRx[i][k]})
                if (std::isfinite(v)) {
                    xmin = std::min(xmin, v);
                    xmax = std::max(xmax, v);
                }
    }
    if (!any)
        return;
    const double lo = std::floor(std::log10(dmin)), hi = std::ceil(std::log10(dmax));
    const double decades = std::max(1.0, hi - lo);
    DepthAxis axis{std::max(xmax - xmin, 1.0) * 0.6 / decades};

    ChartSeries tx{QString(), Qt::red, 1, PointSymbol::DownTriangle, {}, {}};
    ChartSeries rx{QString(), QColor(0, 160, 0), 1, PointSymbol::DownTriangle, {}, {}};
    ChartSeries mp{QString(), Qt::blue, 1, PointSymbol::DownTriangle, {}, {}};
    tx.joined = rx.joined = mp.joined = false;
    for (int i = 1; i <= count; ++i) {
        const double y = axis.y(a.EffDepth[i]);
        for (int k = 1; k <= std::clamp(a.numCurPot[i], 0, MaxMonopolePairs); ++k) {
            tx.points.push_back({x.MonopoleTx[i][k], y, x.MonopoleTy[i][k]});
            rx.points.push_back({x.MonopoleRx[i][k], y, x.MonopoleRy[i][k]});
        }
        mp.points.push_back({a.MidpointX[i], y, x.MidpointY[i]});
    }
    mp.markText = [](int) { return QStringLiteral("MP"); };
    ch->addSeries(std::move(tx));
    ch->addSeries(std::move(rx));
    ch->addSeries(std::move(mp));

    std::vector<std::pair<double, QString>> ticks;
    for (double e = lo; e <= hi + 0.5; e += 1)
        ticks.emplace_back(axis.y(std::pow(10.0, e)), QString::number(std::pow(10.0, e), 'g', 6));
    ch->setVerticalTicks(std::move(ticks), "Effective Depth (m)");
    // Electrode positions along the line: about five round steps over their extent.
    std::vector<std::pair<double, QString>> xTicks;
    const double span = std::max(xmax - xmin, 1e-9);
    const double raw = span / 5, unit = std::pow(10.0, std::floor(std::log10(raw)));
    const double step = raw / unit < 1.5   ? unit
                        : raw / unit < 3.5 ? 2 * unit
                        : raw / unit < 7.5 ? 5 * unit
                                           : 10 * unit;
    for (double t = std::ceil(xmin / step - 1e-9) * step; t <= xmax + step * 1e-9; t += step)
        xTicks.emplace_back(t, QString::number(std::abs(t) < step * 1e-9 ? 0.0 : t, 'g', 6));
    ch->setHorizontalTicks(std::move(xTicks), "X (metres)");
}

bool TFormConfig::commitCount(bool quietForNonPositive)
{
    int& numBipoles = s_.arrays.AConfig.numBipoles;
    const QString text = ui->EditRxBipoles->text().trimmed();
    const std::optional<long long> v = ParseInteger(text.toStdString());
    if (v && *v <= 0 && quietForNonPositive) {
        ui->EditRxBipoles->setText(QString::number(numBipoles));
        return true;
    }
    if (!v || *v < 1 || *v > MaxArrayConfigs) {
        s_.op.inform("'" + text.toStdString() +
                     "' is not a number of configurations: type a whole number from 1 to " +
                     std::to_string(MaxArrayConfigs) + ".");
        ui->EditRxBipoles->setText(QString::number(numBipoles));
        return false;
    }
    if (*v == numBipoles)
        return true;
    // Configurations that never held pairs start as one point pair rather than an empty row.
    for (int i = numBipoles + 1; i <= int(*v); ++i)
        if (s_.arrays.AConfig.numCurPot[i] < 1)
            s_.arrays.AConfig.numCurPot[i] = 1;
    numBipoles = int(*v);
    QTableWidget* grid = ui->StringGridArray;
    const QSignalBlocker block(grid);
    grid->setRowCount(numBipoles + 1);
    for (int i = 1; i <= numBipoles; ++i)
        setCell(i, 0, QString::number(i), false);
    return true;
}

void TFormConfig::EditRxBipolesExit()
{
    commitCount(true);
}

void TFormConfig::LabeledEditDefWaterDepthExit()
{
    TArrayConfiguration& a = s_.arrays.AConfig;
    const QString text = ui->LabeledEditDefWaterDepth->text().trimmed();
    const std::optional<double> v = ParseFloat(text.toStdString());
    if (!v || !std::isfinite(*v) || *v < 0) {
        s_.op.inform("'" + text.toStdString() + "' is not a depth in metres: type a number of 0 or more.");
        ui->LabeledEditDefWaterDepth->setText(Q(FormatFixed(a.SubDepth, 1, 2)));
        return;
    }
    a.SubDepth = *v;
    CalcSubmergedGeomFact(a, s_.op);
}

void TFormConfig::StringGridArraySetEditText(int row, int col)
{
    if (filling_ || row < 1 || row > s_.arrays.AConfig.numBipoles)
        return;
    TArrayConfiguration& a = s_.arrays.AConfig;
    QTableWidget* grid = ui->StringGridArray;
    QTableWidgetItem* item = grid->item(row, col);
    const QString text = item ? item->text().trimmed() : QString();
    auto restore = [&](const QString& shown) {
        const QSignalBlocker block(grid);
        if (item)
            item->setText(shown);
    };
    if (col == 1) {
        const std::optional<long long> v = ParseInteger(text.toStdString());
        if (!v || *v < 1 || *v > MaxMonopolePairs) {
            s_.op.inform("'" + text.toStdString() +
                         "' is not a number of monopole pairs: type a whole number from 1 to " +
                         std::to_string(MaxMonopolePairs) + ".");
            restore(g5(a.numCurPot[row]));
            return;
        }
        a.numCurPot[row] = int(*v);
        a.MaxCP = std::max(a.MaxCP, a.numCurPot[row]);
        return;
    }
    if (col == 2 || col == 3) {
        s_.op.inform(IgnoringChange);
        return;
    }
    if (col < 4 || col > 2 * EditablePairs + 3 || text.isEmpty())
        return;
    const int k = (col - 2) / 2;
    const bool separation = col % 2 == 0;
    double& target = separation ? a.CP[row][k] : a.CPProp[row][k];
    const std::optional<double> v = ParseFloat(text.toStdString());
    if (!v || !std::isfinite(*v)) {
        s_.op.inform("'" + text.toStdString() + "' is not a number; the " +
                     (separation ? "separation" : "portion") + " of configuration " + std::to_string(row) +
                     ", pair " + std::to_string(k) + " is kept.");
        restore(k <= a.numCurPot[row] ? g5(target) : QString());
        return;
    }
    target = *v;
}

void TFormConfig::ReCalculateGeomFactClick()
{
    CalcGeomFact(s_.arrays.AConfig, s_.op);
    FillConfigTable();
}

void TFormConfig::ReCalculateEffDepthsClick()
{
    TArrayConfiguration& a = s_.arrays.AConfig;
    NDICEffDepth(a);
    QTableWidget* grid = ui->StringGridArray;
    const QSignalBlocker block(grid);
    for (int i = 1; i <= std::min(a.numBipoles, grid->rowCount() - 1); ++i)
        setCell(i, 3, Q(FormatPrintfG(a.EffDepth[i], 9, 8)), true);
    drawChart();
}

void TFormConfig::DocumentConfigClick()
{
    const std::string proposed = QFileInfo(QCoreApplication::applicationDirPath() + "/ArrayConfig.Cfg")
                                     .absoluteFilePath()
                                     .toStdString();
    std::string name = s_.dialogs.saveFile(DocumentDialogTitle, DocumentDialogFilter, proposed);
    if (name.empty())
        return;
    name = WithDefaultExtension(name, "DCC");
    if (QFileInfo::exists(Q(name)) && !s_.op.ask(QFileInfo(Q(name)).fileName().toStdString() +
                                                     " already exists. Do you want to replace it?",
                                                 false))
        return;
    try {
        WriteArrayConfigDocument(s_.arrays.AConfig, name);
    } catch (const ActionError& e) {
        s_.op.inform(e.what());
    }
}

void TFormConfig::BitBtnOKClick()
{
    ArrayDescription& d = s_.arrays;
    // The count box and offsets are committed first, so a file never carries a text that is not
    // a number.
    if (!commitCount(true))
        return;
    const std::optional<double> behind =
        ParseFloat(ui->LabeledEditOffSetBehind->text().trimmed().toStdString());
    const std::optional<double> right =
        ParseFloat(ui->LabeledEditOffsetRight->text().trimmed().toStdString());
    if (!behind || !std::isfinite(*behind) || !right || !std::isfinite(*right)) {
        s_.op.inform("The offsets must be numbers of metres; nothing was saved.");
        return;
    }
    d.OffsetBehind = *behind;
    d.OffsetRight = *right;

    std::string proposed = arrayFile();
    {
        std::error_code ec; // a folder that cannot be made fails at the save, with its reason
        std::filesystem::create_directories(std::filesystem::path(proposed).parent_path(), ec);
    }
    for (;;) {
        std::string name = s_.dialogs.saveFile(SaveDialogTitle, SaveDialogFilter, proposed);
        if (name.empty())
            break;
        name = WithDefaultExtension(name, "DCC");
        proposed = name;
        if (!IsArrayFileName(name)) {
            s_.op.inform(QFileInfo(Q(name)).fileName().toStdString() +
                         " is not an array file name - array files end in .DCC (or the older .INI). "
                         "Choose another name.");
            continue;
        }
        if (QFileInfo::exists(Q(name)) && !s_.op.ask(QFileInfo(Q(name)).fileName().toStdString() +
                                                         " already exists. Do you want to replace it?",
                                                     false))
            continue;
        try {
            SaveConfigIni(d, name, s_.op);
        } catch (const ActionError& e) {
            s_.op.inform(e.what());
            return;
        }
        s_.ConfigIniName = name;
        s_.LastDirectConfigIniName = name;
        break;
    }
    accept();
}

std::string TFormConfig::arrayFile() const
{
    return ArrayFileToUse(
        s_.ConfigIniName, s_.LastDirectConfigIniName,
        (std::filesystem::path(s_.folders.appData) / "DCSetrix" / "Configurations").string());
}

bool EnterArrayConfiguration(Session& s, QWidget* owner)
{
    TFormConfig* form =
        owner ? owner->findChild<TFormConfig*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!form)
        form = new TFormConfig(s, owner);
    return form->Execute();
}

} // namespace tem::gui
