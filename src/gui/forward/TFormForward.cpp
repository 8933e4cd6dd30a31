#include "forward/TFormForward.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QTemporaryFile>

#include <algorithm>
#include <cmath>

#include "app/Session.h"
#include "config/EditorSupport.h"
#include "core/action_error.h"
#include "core/arrays/array_file.h"
#include "core/files/config_formats.h"
#include "core/files/config_save.h"
#include "core/files/value_forms.h"
#include "core/forward/forward_exports.h"
#include "core/forward/forward_graphs.h"
#include "core/forward/forward_window_settings.h"
#include "core/forward/tem_forward.h"
#include "core/geoelectric/geoelectric_model.h"
#include "core/model/data_folders.h"
#include "core/response/system_response.h"
#include "core/tables/survey_tables.h"
#include "forward/TFormEngineRunner.h"
#include "forward/TFormFwdModelGraph.h"
#include "forward/TFormTEMFwdModelGraph.h"
#include "runner/EngineRunner.h"
#include "ui_TFormForward.h"
#include "widgets/RadioGroup.h"

namespace tem::gui {

namespace {

constexpr const char* HalfSpace = "*****";
/// The external engine's usual place on Windows; offered only where it exists.
constexpr const char* WindowsEngine =
    "C:\\Program Files\\AGS\\Aarhus WorkBench\\AarhusInv\\64bit\\AarhusInv64.exe";
const QStringList ModelColumns = {"Layer",      "Thickness(m)", "Resistivity",  "to Thickness",
                                  "to Resist.", "Thick. Step",  "Resist.  Step"};
const QStringList TDEMColumns = {"Window", "Voltage", "App.Res.l", "Loci Depth", "Time"};
const QStringList DirectColumns = {"Bipole", "Voltage", "App. Res.", "Eff Depth"};

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}
std::string S(const QString& s)
{
    return s.toStdString();
}

bool FileExists(const std::string& name)
{
    const QFileInfo info(Q(name));
    return !name.empty() && info.exists() && info.isFile();
}

QString CellText(const QTableWidget* grid, int row, int column)
{
    const QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text() : QString();
}

void SetText(QTableWidget* grid, int row, int column, const QString& text, bool editable = true)
{
    QTableWidgetItem* item = grid->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        grid->setItem(row, column, item);
    }
    item->setText(text);
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (editable)
        flags |= Qt::ItemIsEditable;
    item->setFlags(flags);
}

} // namespace

TFormForward::TFormForward(Session& session, QWidget* parent)
    : QDialog(parent), s_(session), ui(std::make_unique<Ui::TFormForward>())
{
    ui->setupUi(this);
    // The graph windows and the runner live as long as this window; every recalculation redraws
    // the graphs whether or not they are shown.
    geoGraph_ = new TFormFwdModelGraph(s_, this);
    temGraph_ = new TFormTEMFwdModelGraph(s_, this);
    runner_ = new TFormEngineRunner(s_.op, this);

    ui->RadioGroupJ0Filter->setItemIndex(1);
    ui->RadioGroupTEMorDirect->setItemIndex(0);
    ui->StringGridModel->setColumnCount(int(ModelColumns.size()));
    ui->StringGridModel->setHorizontalHeaderLabels(ModelColumns);
    ui->StringGridModel->verticalHeader()->setVisible(false);
    // Whole header texts and numbers, scrolling sideways in a narrow window rather than clipping.
    ui->StringGridModel->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ui->StringGridModel->horizontalHeader()->setStretchLastSection(true);
    ui->StringGridModel->verticalHeader()->setDefaultSectionSize(ui->StringGridModel->fontMetrics().height() +
                                                                 6);
    ui->StringGridResponse->verticalHeader()->setVisible(false);
    ui->StringGridResponse->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ui->StringGridResponse->horizontalHeader()->setStretchLastSection(true);
    ui->StringGridResponse->verticalHeader()->setDefaultSectionSize(
        ui->StringGridResponse->fontMetrics().height() + 4);
    buildModelGrid(3);
    setResponseColumns(true, 0);
    ui->ButtonGraph->setEnabled(false);

    for (QWidget* w : {static_cast<QWidget*>(ui->EditAarExe), static_cast<QWidget*>(ui->LabelAarExe),
                       static_cast<QWidget*>(ui->EditAarCon), static_cast<QWidget*>(ui->LabelAarCon),
                       static_cast<QWidget*>(ui->EditTempDir), static_cast<QWidget*>(ui->LabelTempDir)}) {
        w->installEventFilter(this);
        w->setCursor(Qt::PointingHandCursor);
    }
    ui->EditAarExe->setToolTip("Click to choose the forward engine");
    ui->EditAarCon->setToolTip("Click to choose the engine's control file");
    ui->EditTempDir->setToolTip("Click to choose the folder for the engine's input and result files");

    connect(ui->EditNumLayers, &QLineEdit::editingFinished, this, &TFormForward::EditNumLayersExit);
    connect(ui->StringGridModel, &QTableWidget::cellClicked, this, &TFormForward::StringGridModelClick);
    connect(ui->StringGridModel, &QTableWidget::cellDoubleClicked, this, &TFormForward::StringGridModelClick);
    connect(ui->RadioGroupTEMorDirect, &RadioGroup::itemClicked, this, [this] {
        CurrentPropagationChanged = true;
        RadioGroupTEMorDirectClick(true);
    });
    connect(ui->SpinEditAcqChn, &QSpinBox::valueChanged, this, &TFormForward::SpinEditAcqChnChange);
    connect(ui->ButtonEnterConfig, &QPushButton::clicked, this, &TFormForward::ButtonEnterConfigClick);
    connect(ui->ButtonRecalculate, &QPushButton::clicked, this, &TFormForward::ButtonRecalculateClick);
    connect(ui->ButtonGraph, &QPushButton::clicked, this, &TFormForward::ButtonGraphClick);
    connect(ui->ButtonSaveTXT, &QPushButton::clicked, this, &TFormForward::ButtonSaveTXTClick);
    connect(ui->ButtonSaveDepthDBF, &QPushButton::clicked, this, &TFormForward::ButtonSaveDepthDBFClick);
    connect(ui->ButtonSaveVoltDBF, &QPushButton::clicked, this, &TFormForward::ButtonSaveVoltDBFClick);
    connect(ui->BitBtnClose, &QPushButton::clicked, this, &QDialog::accept);
}

TFormForward::~TFormForward() = default;

void TFormForward::command(const std::function<void()>& f)
{
    try {
        f();
    } catch (const ActionError& e) {
        s_.op.inform(e.what());
    }
}

std::string TFormForward::appData()
{
    return GetPathToAppData(s_.folders, s_.op);
}

int TFormForward::method() const
{
    return std::max(0, ui->RadioGroupTEMorDirect->itemIndex());
}

// ---- Life cycle --------------------------------------------------------------------------------

void TFormForward::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    FormShow();
}

void TFormForward::done(int result)
{
    if (!hiding_) {
        hiding_ = true;
        FormHide();
        hiding_ = false;
    }
    QDialog::done(result);
}

void TFormForward::FormShow()
{
    ConfigIniNameOnShow = s_.ConfigIniName;
    if (FwdModelParentForm == fmpfTEMSetrix)
        s_.LastTDEMConfigIniName = s_.ConfigIniName;
    ConfigTypeOnShow = s_.ConfigType;
    CurrentPropagationChanged = false;
    ui->ButtonGraph->setEnabled(false);
    s_.forward.AcqSel = 1;
    ui->SpinEditAcqChn->blockSignals(true);
    ui->SpinEditAcqChn->setValue(1);
    ui->SpinEditAcqChn->blockSignals(false);
    for (int c = 1; c <= MaxAcqChn; ++c)
        s_.cfg.SysResp[c].drivenGatesInRamp = 0;
    ui->RadioGroupTEMorDirect->setItemIndex(std::clamp(s_.ConfigType, 0, 2));

    command([this] {
        const std::string iniName = ForwardIniFileName(appData(), s_.ForwardIniName);
        const ForwardWindowSettings settings = ReadForwardWindowSettings(iniName);
        ModelGrid grid = DefaultModelGrid(settings.layerCount);
        ReadForwardIni(grid, iniName);
        ModelGridToForm(grid);
        // The engine: the one chosen before while it exists, else the built-in one; the external
        // engine's usual place is offered only where it exists.
        QString engine = Q(settings.engine);
        if (engine.isEmpty() || !QFileInfo(engine).isFile())
            engine = FileExists(WindowsEngine) ? QString(WindowsEngine) : runner::DefaultEnginePath();
        ui->EditAarExe->setText(engine);
    });

    RadioGroupTEMorDirectClick(false);

    command([this] {
        ui->EditAarCon->setText(Q(DefaultControlFile(s_.folders)));
        const std::string work = DefaultWorkFolder(s_.folders);
        if (!QDir().mkpath(Q(work)))
            s_.op.inform("Could not create the folder " + work);
        s_.forward.workFolder = work;
        ui->EditTempDir->setText(Q(work));
    });
}

void TFormForward::FormHide()
{
    s_.ConfigIniName = ConfigIniNameOnShow;
    s_.ConfigType = ConfigTypeOnShow;
    command([this] {
        const std::string iniName = ForwardIniFileName(appData(), s_.ForwardIniName);
        const ModelGrid grid = ModelGridFromForm();
        WriteForwardIni(grid, iniName);
        ForwardWindowSettings settings;
        settings.layerCount = grid.layerCount;
        const QString engine = ui->EditAarExe->text();
        if (engine != runner::DefaultEnginePath() && engine != WindowsEngine)
            settings.engine = S(engine);
        WriteForwardWindowSettings(settings, iniName);
    });
}

// ---- Model grid --------------------------------------------------------------------------------

int TFormForward::layerCount() const
{
    return ui->StringGridModel->rowCount();
}

void TFormForward::buildModelGrid(int count)
{
    QTableWidget* g = ui->StringGridModel;
    const int old = g->rowCount();
    // The old half-space row becomes a layer: its "*****" cells are cleared.
    if (old > 0)
        for (int c : {1, 3, 5})
            if (CellText(g, old - 1, c) == HalfSpace)
                SetText(g, old - 1, c, QString());
    g->setRowCount(count);
    for (int r = 0; r < count; ++r) {
        SetText(g, r, 0, QString::number(r + 1), false);
        for (int c = 1; c < g->columnCount(); ++c)
            if (!g->item(r, c))
                SetText(g, r, c, QString());
            else
                g->item(r, c)->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
    }
    for (int c : {1, 3, 5})
        SetText(g, count - 1, c, HalfSpace, false);
    shownLayers_ = count;
    ui->EditNumLayers->setText(QString::number(count));
}

void TFormForward::EditNumLayersExit()
{
    bool ok = false;
    int n = ui->EditNumLayers->text().trimmed().toInt(&ok);
    if (!ok) {
        // Not a count: the grid stays as it is.
        ui->EditNumLayers->setText(QString::number(shownLayers_));
        return;
    }
    n = std::clamp(n, 1, MaxForwardLayers);
    if (n != shownLayers_ || ui->EditNumLayers->text() != QString::number(n))
        buildModelGrid(n);
}

void TFormForward::StringGridModelClick(int row, int column)
{
    if (row == layerCount() - 1 && (column == 1 || column == 3 || column == 5))
        SetText(ui->StringGridModel, row, column, HalfSpace, false);
}

ModelGrid TFormForward::ModelGridFromForm() const
{
    const QTableWidget* g = ui->StringGridModel;
    ModelGrid grid;
    grid.layerCount = g->rowCount();
    for (int r = 0; r < g->rowCount(); ++r) {
        ModelGridRow row;
        const bool last = r == g->rowCount() - 1;
        if (!last) {
            row.Thick = S(CellText(g, r, 1).trimmed());
            row.toThick = S(CellText(g, r, 3).trimmed());
            row.ThickStep = S(CellText(g, r, 5).trimmed());
        }
        row.Res = S(CellText(g, r, 2).trimmed());
        row.toRes = S(CellText(g, r, 4).trimmed());
        row.ResStep = S(CellText(g, r, 6).trimmed());
        grid.rows.push_back(row);
    }
    return grid;
}

void TFormForward::ModelGridToForm(const ModelGrid& grid)
{
    QTableWidget* g = ui->StringGridModel;
    g->setRowCount(0);
    const int count = std::clamp(grid.layerCount, 1, MaxForwardLayers);
    buildModelGrid(count);
    for (int r = 0; r < count && r < int(grid.rows.size()); ++r) {
        const ModelGridRow& row = grid.rows[std::size_t(r)];
        if (r < count - 1) {
            SetText(g, r, 1, Q(row.Thick));
            SetText(g, r, 3, Q(row.toThick));
            SetText(g, r, 5, Q(row.ThickStep));
        }
        SetText(g, r, 2, Q(row.Res));
        SetText(g, r, 4, Q(row.toRes));
        SetText(g, r, 6, Q(row.ResStep));
    }
}

// ---- Method group ------------------------------------------------------------------------------

void TFormForward::chooseConfigurationFile(int m)
{
    // Each method offers only its own kind of file: an array chosen for "Direct" can never be
    // a TEM configuration, nor the other way round.
    static const char* const Filters[] = {"TDEM *.TDC, *.GEX (*.TDC *.tdc *.GEX *.gex)",
                                          "Direct Current *.DCC (*.DCC *.dcc *.INI *.ini)",
                                          "FDEM *.FDC (*.FDC *.fdc)"};
    std::string initial;
    std::string folder;
    if (m == pmTDEM) {
        initial = s_.LastTDEMConfigIniName;
        folder = appData() + "TEMSetrix/Configurations/";
    } else if (m == pmDirect) {
        initial = s_.LastDirectConfigIniName;
        folder = appData() + "DCSetrix/Configurations/";
    } else {
        initial = s_.LastFDEMConfigIniName;
        folder = appData() + "FDSetrix/Configurations/";
    }
    if (initial.empty())
        initial = folder;
    const std::string chosen =
        s_.dialogs.openFile("Configuration file", Filters[std::clamp(m, 0, 2)], initial);
    if (chosen.empty())
        return;
    if (m == pmDirect && !IsArrayFileName(chosen)) {
        s_.op.inform(QFileInfo(Q(chosen)).fileName().toStdString() +
                     " is not an array file - array files end in .DCC (or the older .INI).");
        return;
    }
    s_.ConfigIniName = chosen;
    if (m == pmDirect)
        s_.LastDirectConfigIniName = chosen;
}

std::string TFormForward::arrayFile()
{
    return ArrayFileToUse(s_.ConfigIniName, s_.LastDirectConfigIniName,
                          appData() + "DCSetrix/Configurations/");
}

void TFormForward::reloadTEMConfiguration()
{
    const ConfigFormat* format = ConfigFormatOfFile(s_.ConfigIniName);
    if (!format) {
        s_.op.inform(
            "TDEM has been chosen but the current Configuration file is not a TDC or GEX file. Specify a "
            "suitable file.");
        return;
    }
    s_.cfg.LoadFilename = s_.ConfigIniName;
    // The read hands back a new model only when it succeeds.
    Configuration loaded = s_.cfg;
    loaded.TDCorGEX = format->format;
    LoadConfiguration(loaded, s_.folders, s_.op);
    s_.cfg = std::move(loaded);
}

void TFormForward::RadioGroupTEMorDirectClick(bool operatorClick)
{
    command([&] {
        const int m = method();
        s_.ConfigType = m;
        const bool byTEMEditor = FwdModelParentForm == fmpfTEMSetrix;
        if (m == pmTDEM) {
            bool chose = false;
            if (operatorClick) {
                if (byTEMEditor) {
                    s_.ConfigIniName = ConfigIniNameOnShow;
                    s_.ConfigType = ConfigTypeOnShow;
                    s_.cfg.LoadFilename = ConfigIniNameOnShow;
                } else {
                    ButtonEnterConfigClick();
                }
                const std::string before = s_.ConfigIniName;
                chooseConfigurationFile(pmTDEM);
                chose = s_.ConfigIniName != before;
            }
            if (FileExists(s_.ConfigIniName)) {
                if (!byTEMEditor)
                    s_.cfg.LoadFilename = s_.ConfigIniName;
                // Opened by the editor, the model in memory is the editor's, committed before
                // this window opened; reading the file again would throw away unsaved edits.
                if (!byTEMEditor || chose)
                    reloadTEMConfiguration();
            } else {
                s_.op.inform("You must specify a Configuration file before continuing.");
            }
            ui->GroupBoxPaths->setVisible(true);
            for (QWidget* w :
                 std::initializer_list<QWidget*>{ui->LabelAarExe, ui->EditAarExe, ui->LabelAarCon,
                                                 ui->EditAarCon, ui->LabelTempDir, ui->EditTempDir})
                w->setVisible(true);
            ui->RadioGroupJ0Filter->setVisible(false);
            ui->ButtonEnterConfig->setVisible(!byTEMEditor);
            ui->LabelNoiseLevel->setText("Noise StdDev @1ms (uV/(A.m^2)) to add");
            showTDEMTable();
        } else if (m == pmDirect) {
            if (operatorClick)
                chooseConfigurationFile(pmDirect);
            // A cancelled choice (or a window opened on a TEM configuration) leaves no array file
            // named: the last array file is used, else the default one.
            s_.ConfigIniName = arrayFile();
            // The array window reads the file itself and may leave a generated or edited array in
            // memory, unsaved: reading the file again after it would throw that away.
            bool arrayWindowShown = false;
            if (operatorClick && FwdModelParentForm != fmpfDCCSetrix) {
                arrayWindowShown = bool(showArrayWindow);
                ButtonEnterConfigClick();
            }
            if (!arrayWindowShown)
                readArrayFile();
            for (QWidget* w :
                 std::initializer_list<QWidget*>{ui->LabelAarExe, ui->EditAarExe, ui->LabelAarCon,
                                                 ui->EditAarCon, ui->LabelTempDir, ui->EditTempDir})
                w->setVisible(false);
            ui->RadioGroupJ0Filter->setVisible(true);
            ui->ButtonEnterConfig->setVisible(true);
            ui->LabelNoiseLevel->setText("Noise StdDev (uV) to add");
            setResponseColumns(false, s_.arrays.AConfig.numBipoles);
        } else {
            if (operatorClick) {
                chooseConfigurationFile(pmFDEM);
                if (FwdModelParentForm != fmpfFDCSetrix)
                    ButtonEnterConfigClick();
            }
            for (QWidget* w :
                 std::initializer_list<QWidget*>{ui->LabelAarExe, ui->EditAarExe, ui->LabelAarCon,
                                                 ui->EditAarCon, ui->LabelTempDir, ui->EditTempDir})
                w->setVisible(false);
            ui->RadioGroupJ0Filter->setVisible(false);
            ui->ButtonEnterConfig->setVisible(FwdModelParentForm != fmpfFDCSetrix);
            s_.op.inform(
                "FDEM is not yet supported. Consider funding this feature or make your own interface to "
                "AarhusInv FDEM options.");
        }
    });
    showConfigIniName();
}

void TFormForward::readArrayFile()
{
    // A missing array file gives the default array, with the reader's own message.
    ReadConfigIni(s_.arrays, s_.ConfigIniName, s_.op);
}

void TFormForward::showConfigIniName()
{
    ui->EditConfigIniName->setText(Q(s_.ConfigIniName));
}

void TFormForward::showTDEMTable()
{
    Configuration& cfg = s_.cfg;
    const int chn = s_.forward.AcqSel;
    int rows = 8; // a channel without a time base still shows a table
    if (chn >= 1 && chn <= cfg.NumAcqChn && chn <= MaxAcqChn) {
        const int tx = cfg.AcqChn[chn].TxNumber;
        if (tx >= 1 && tx <= MaxTx && cfg.Tx[tx].TimeBaseNumber >= 1)
            rows = std::max(0, cfg.Tx[tx].NoGates - cfg.SysResp[chn].drivenGatesInRamp);
        TSystemResponse& r = cfg.SysResp[chn];
        if (r.SysRespExists) {
            editor::SetNumberEdit(ui->EditNoiseLevel, r.NoiseAt1mSinVperAm2,
                                  Q(FormatSignificant(r.NoiseAt1mSinVperAm2, 8, 6)).trimmed());
            editor::SetNumberEdit(ui->EditNoiseSlope, r.NoiseLogLogSlopeinVperS,
                                  Q(FormatSignificant(r.NoiseLogLogSlopeinVperS, 8, 6)).trimmed());
            CalcNoiseModel(cfg, chn, true);
        }
    }
    setResponseColumns(true, rows);
    const int channels = std::clamp(cfg.NumAcqChn, 1, MaxAcqChn);
    ui->SpinEditAcqChn->blockSignals(true);
    ui->SpinEditAcqChn->setMaximum(channels);
    ui->SpinEditAcqChn->setValue(std::clamp(chn, 1, channels));
    ui->SpinEditAcqChn->blockSignals(false);
}

void TFormForward::setResponseColumns(bool tdem, int rows)
{
    QTableWidget* t = ui->StringGridResponse;
    const QStringList& columns = tdem ? TDEMColumns : DirectColumns;
    t->clear();
    t->setColumnCount(int(columns.size()));
    t->setHorizontalHeaderLabels(columns);
    t->setRowCount(std::max(rows, 0));
    numberResponseRows();
}

void TFormForward::numberResponseRows()
{
    QTableWidget* t = ui->StringGridResponse;
    for (int r = 0; r < t->rowCount(); ++r)
        SetText(t, r, 0, QString::number(r + 1), false);
}

void TFormForward::SpinEditAcqChnChange()
{
    const int n =
        std::clamp(ui->SpinEditAcqChn->value(), 1, std::max(1, std::min(s_.cfg.NumAcqChn, MaxAcqChn)));
    if (n != ui->SpinEditAcqChn->value())
        ui->SpinEditAcqChn->setValue(n);
    s_.forward.AcqSel = n;
}

// ---- Commands ----------------------------------------------------------------------------------

void TFormForward::ButtonEnterConfigClick()
{
    const int m = method();
    if (m == pmTDEM) {
        // Only another opener than the editor shows this button for TDEM; the editor is the
        // program's main window and shows the configuration itself.
        s_.cfg.LoadFilename = s_.ConfigIniName;
        if (!s_.cfg.SaveFilename.empty())
            s_.ConfigIniName = s_.cfg.SaveFilename;
    } else if (m == pmDirect) {
        if (showArrayWindow) {
            if (showArrayWindow())
                setResponseColumns(false, s_.arrays.AConfig.numBipoles);
        } else {
            // Without the array window an array file is chosen and read.
            const std::string chosen = s_.dialogs.openFile(
                "Array configuration file",
                "Direct Current Config FIles *.DCC (*.DCC *.dcc);;IniFiles *.INI (*.INI *.ini)",
                s_.ConfigIniName.empty() ? appData() + "DCSetrix/Configurations/" : s_.ConfigIniName);
            if (!chosen.empty()) {
                s_.ConfigIniName = chosen;
                s_.LastDirectConfigIniName = chosen;
                command([this] {
                    ReadConfigIni(s_.arrays, s_.ConfigIniName, s_.op);
                    setResponseColumns(false, s_.arrays.AConfig.numBipoles);
                });
            }
        }
    } else {
        s_.op.inform("FDEM is not yet supported. Consider funding this feature or make your own interface to "
                     "AarhusInv FDEM options.");
    }
    showConfigIniName();
}

void TFormForward::ButtonRecalculateClick()
{
    Recalculate(true);
}

void TFormForward::Recalculate(bool fromButton)
{
    command([&] {
        if (fromButton) {
            s_.forward.AcqSel = ui->SpinEditAcqChn->value();
            ModelSet set;
            if (!ArrayModels(set, ModelGridFromForm(), s_.op))
                return;
            s_.forward.models = std::move(set);
        }
        ui->ButtonGraph->setEnabled(true);
        const int m = method();
        if (m != pmFDEM && s_.forward.AcqSel >= 1 && s_.forward.AcqSel <= s_.cfg.NumAcqChn) {
            // A noise edit the operator did not change gives back the stored value, not its text.
            const double nan = std::nan("");
            CommitNoiseValues(s_.cfg, s_.forward.AcqSel, editor::EditValue(ui->EditNoiseLevel).value_or(nan),
                              editor::EditValue(ui->EditNoiseSlope).value_or(nan), ForwardWindowNoiseFallback,
                              true);
        }
        if (m == pmTDEM)
            runTEM();
        else if (m == pmDirect)
            runDirect();
        else
            s_.op.inform(
                "FDEM forward modelling is not supported yet. Interface with AarhusInv64 directly if you "
                "need to.");
    });
}

void TFormForward::runTEM()
{
    ForwardStore& store = s_.forward;
    store.results.clear();
    store.files.AarExename = S(ui->EditAarExe->text());
    SetControlFile(store.files, S(ui->EditAarCon->text()), s_.op);
    store.workFolder = S(ui->EditTempDir->text());
    if (!store.workFolder.empty() && store.workFolder.back() != '/')
        store.workFolder += '/';

    bool runEnded = true;
    try {
        const EngineCommand cmd = PrepareTEMRun(s_.cfg, store, s_.op);
        runner::EngineRunner engine;
        bool cancelled = false;
        runner_->Begin(Q(cmd.program), Q(cmd.workingFolder), Q(cmd.commandLine));
        runner_->cancelRun = [&] {
            cancelled = true;
            engine.cancel();
        };
        connect(&engine, &runner::EngineRunner::lineReceived, runner_, &TFormEngineRunner::AppendLine);
        connect(&engine, &runner::EngineRunner::progressChanged, runner_, &TFormEngineRunner::SetProgress);
        connect(&engine, &runner::EngineRunner::finished, runner_, [this](const runner::RunOutcome& outcome) {
            runner_->Ended();
            if (!outcome.message.isEmpty())
                runner_->AppendLine(outcome.message);
        });
        engine.start(cmd, runner::LimitsFor(cmd.dataSets));
        runner_->exec();
        runner_->cancelRun = nullptr;
        if (engine.isRunning())
            engine.cancel();
        const runner::RunOutcome outcome = engine.outcome();
        if (cancelled) {
            // The operator stopped the engine: what it left is not this run's whole answer.
            runEnded = false;
        } else if (!runner::EndedCleanly(outcome)) {
            // A failed, crashed or stopped engine gives no results, even where it left files.
            runEnded = false;
            s_.op.inform(runner::FailureReport(outcome, runner_->lastLines(runner::KeptFailureLines)));
        }
    } catch (const ActionError&) {
        DiscardRunFolder(store);
        store.results.clear();
        showTDEMTable();
        GraphTEM();
        throw;
    }
    if (runEnded) {
        FinishTEMRun(s_.cfg, store, s_.op);
    } else {
        DiscardRunFolder(store);
        store.results.clear();
    }

    // The table: model 0 of channel AcqSel, or nothing when the run left no results.
    showTDEMTable();
    if (store.results.dBdtTEM.models() > 0) {
        const auto table = TEMResponseTable(s_.cfg, store);
        QTableWidget* t = ui->StringGridResponse;
        t->setRowCount(int(table.size()));
        for (int r = 0; r < int(table.size()); ++r)
            for (int c = 0; c < 5; ++c)
                SetText(t, r, c, Q(table[std::size_t(r)][std::size_t(c)]).trimmed(), false);
    }
    GraphTEM();
}

void TFormForward::runDirect()
{
    ForwardStore& store = s_.forward;
    store.results.clear();
    const int filter[] = {3, 6, 12};
    const int pts = filter[std::clamp(ui->RadioGroupJ0Filter->itemIndex(), 0, 2)];
    try {
        const auto table = DirectRecalculation(s_.arrays, store, pts);
        setResponseColumns(false, int(table.size()));
        for (int r = 0; r < int(table.size()); ++r)
            for (int c = 0; c < 4; ++c)
                SetText(ui->StringGridResponse, r, c, Q(table[std::size_t(r)][std::size_t(c)]).trimmed(),
                        false);
    } catch (const ActionError&) {
        store.results.clear();
        setResponseColumns(false, s_.arrays.AConfig.numBipoles);
        Graph();
        throw;
    }
    Graph();
}

void TFormForward::Graph()
{
    const ForwardStore& store = s_.forward;
    const auto& a = s_.arrays.AConfig;
    std::vector<double> effDepth;
    for (int b = 1; b <= std::clamp(a.numBipoles, 0, MaxArrayConfigs); ++b)
        effDepth.push_back(a.EffDepth[b]);
    std::vector<std::vector<double>> ln10;
    const auto& r = store.results.ln10responses;
    for (int m = 0; m < std::min(r.models(), numGraphs); ++m) {
        std::vector<double> row;
        for (int b = 1; b <= std::min<int>(r.columns(), int(effDepth.size())); ++b)
            row.push_back(r(m, b));
        ln10.push_back(row);
    }
    geoGraph_->Graph(BuildGeoGraph(store.models.Models, ln10, effDepth));
}

void TFormForward::GraphTEM()
{
    const int chn = ui->SpinEditAcqChn->value();
    s_.forward.AcqSel = chn;
    const TEMGraphSeries g = BuildTEMGraph(TEMGraphInputOf(s_.cfg, s_.forward, chn));
    temGraph_->GraphTEM(g);
    if (g.detectActive)
        ui->EditSumDetect->setText(Q(SumDetectText(g.SumDetect)));
}

void TFormForward::ButtonGraphClick()
{
    const int m = method();
    QDialog* w = nullptr;
    if (m == pmTDEM)
        w = temGraph_;
    else if (m == pmDirect)
        w = geoGraph_;
    else {
        s_.op.inform("FDEM not yet supported");
        return;
    }
    w->show();
    w->raise();
    w->activateWindow();
}

void TFormForward::ButtonSaveTXTClick()
{
    command([this] {
        const std::string dir = appData();
        SaveFwdModelsMod(s_.forward.models, dir + "FwdModels.Mod");
        const int m = method();
        if (m == pmTDEM)
            SaveFwdModelsTEMRsp(s_.forward, dir + "FwdModels.Rsp");
        else if (m == pmFDEM)
            s_.op.inform("FDEM is not supported yet");
        else
            SaveFwdModelsRsp(s_.forward, s_.arrays.AConfig.numBipoles, dir + "FwdModels.Rsp");
    });
}

void TFormForward::ButtonSaveDepthDBFClick()
{
    command([this] {
        const std::string file = s_.dialogs.saveFile(
            "Save Input - Chn/DepthDBF", "Chn/Depth DBF files (*Ohmm.DBF)", appData() + "FwdModelOhmm.DBF");
        if (file.empty())
            return;
        WriteChnDepthTable(file, s_.forward.models, s_.op);
    });
}

void TFormForward::ButtonSaveVoltDBFClick()
{
    command([this] {
        const int m = method();
        if (m == pmFDEM) {
            s_.op.inform("FDEM is not supported yet");
            return;
        }
        if (!ResponsesComputed(s_.forward)) {
            s_.op.inform(NoResponsesMessage);
            return;
        }
        const std::string file = s_.dialogs.saveFile("Save Output VoltDBF", "Voltage DBF (*Volt.DBF)",
                                                     appData() + "FwdModelVolt.DBF");
        if (file.empty())
            return;
        VoltageTableInput in;
        in.tdem = m == pmTDEM;
        in.addNoise = ui->CheckBoxAddNoise->isChecked();
        in.noiseLevel = ParseFloat(S(ui->EditNoiseLevel->text())).value_or(0.0);
        in.numBipoles = s_.arrays.AConfig.numBipoles;
        WriteVoltageTable(file, s_.cfg, s_.forward, in, s_.op);
    });
}

// ---- Path fields -------------------------------------------------------------------------------

bool TFormForward::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == ui->EditAarExe || watched == ui->LabelAarExe) {
            EditAarExeClick();
            return true;
        }
        if (watched == ui->EditAarCon || watched == ui->LabelAarCon) {
            EditAarConClick();
            return true;
        }
        if (watched == ui->EditTempDir || watched == ui->LabelTempDir) {
            EditTempDirClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFormForward::EditAarExeClick()
{
    const std::string chosen = s_.dialogs.openFile("Find EM1DInv executable",
                                                   "Forward engines (temsetrix-engine* AarhusInv64* "
                                                   "EM1DInv*);;AarhusInv64 executable (AarhusInv64*.exe);;"
                                                   "EM1DInv executable (EM1DInv*.exe);;All files (*)",
                                                   S(ui->EditAarExe->text()));
    if (!chosen.empty())
        ui->EditAarExe->setText(Q(chosen));
}

void TFormForward::EditAarConClick()
{
    const std::string chosen =
        s_.dialogs.openFile("Find EM1DInv Control file", "AarhusInv Control File (*.con);;All files (*)",
                            S(ui->EditAarCon->text()));
    if (!chosen.empty())
        ui->EditAarCon->setText(Q(chosen));
}

void TFormForward::EditTempDirClick()
{
    QString folder =
        Q(s_.dialogs.chooseFolder("Temp Dir. for Fwd.TEM, Fwd.Mod and Fwd.Fwd", S(ui->EditTempDir->text())));
    if (folder.isEmpty())
        return;
    if (!folder.endsWith('/'))
        folder += '/';
    // The engine writes its input and result files there: a folder that takes no file is refused.
    QTemporaryFile probe(folder + "probe-XXXXXX");
    if (!probe.open()) {
        s_.op.inform(
            "Microsoft will not let you read and/or write from the location you just chose. Try again!");
        return;
    }
    probe.close();
    probe.remove();
    ui->EditTempDir->setText(folder);
    s_.forward.workFolder = S(folder);
}

} // namespace tem::gui
