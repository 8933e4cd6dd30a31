#include "config/TFormTEMConfig.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>

#include "arrays/TFormConfig.h"
#include "config/EditorSupport.h"
#include "config/FormValues.h"
#include "config/TFormHELP.h"
#include "core/action_error.h"
#include "core/files/config_save.h"
#include "core/model/app_settings.h"
#include "core/model/derived.h"
#include "core/rules/layout_diagram.h"
#include "core/rules/timebase_rules.h"
#include "forward/TFormForward.h"
#include "report/LayoutDiagramSeries.h"
#include "ui_TFormTEMConfig.h"
#include "widgets/KeyValueEditor.h"
#include "widgets/PointChart3D.h"
#include "widgets/RadioGroup.h"
#include "widgets/WheelGuard.h"
#include "widgets/WindowFit.h"

namespace tem::gui {

namespace {
/// The fewest loop sides the operator can choose.
constexpr int MinLoopSidesShown = 3;
/// Pixels of the edit area that stay visible however narrow the window (the rest scrolls).
constexpr int MinEditAreaWidth = 420;
} // namespace

/// The controls of one transmitter panel: the default one (Tx1) or the auxiliary one (Tx2).
struct TFormTEMConfig::TxControls {
    QGroupBox* panel;
    QLineEdit* name;
    RadioGroup* moment;
    QSpinBox* sides;
    QTableWidget* grid;
    QLineEdit *turns, *damp, *filterOrder, *cutoff, *flyLead, *orient, *tilt, *rotation;
    QLineEdit *centroidX, *centroidY, *centroidZ;
    QSlider *voltBar, *currBar;
    QLineEdit *minVolts, *volts, *maxVolts, *minAmps, *amps, *maxAmps;
    RadioGroup* voltCurr;
    QCheckBox *outA, *outB;
    QLabel *area, *equivSide, *power, *res, *nia;
};

TFormTEMConfig::TFormTEMConfig(Session& session, QWidget* parent)
    : QMainWindow(parent), s_(session), ui(std::make_unique<Ui::TFormTEMConfig>())
{
    // The main window is the first window and lives as long as the program: from here on, the
    // wheel scrolls every window's panels and edits only the control that has focus.
    WheelGuard::Install();
    // Every window opens inside the screen, title bar included.
    WindowFit::Install();
    ui->setupUi(this);
    buildControls();
    buildMenus();
    connectControls();
    help_ = new TFormHELP(this);
    forward_ = new TFormForward(s_, this);
    // The Direct method's "Enter Configuration" designs the electrode array in the array window.
    forward_->showArrayWindow = [this] { return EnterArrayConfiguration(s_, forward_); };
    FormCreate();
    // Until a file is read, the window's first filling counts as unchanged.
    RememberFileModel();
}

TFormTEMConfig::~TFormTEMConfig() = default;

PointChart3D* TFormTEMConfig::chart() const
{
    return ui->ChartTEMConfig;
}

KeyValueEditor* TFormTEMConfig::rxEditor(int tag) const
{
    return tag >= 1 && tag <= 3 ? rx_[tag - 1] : nullptr;
}

void TFormTEMConfig::command(const std::function<void()>& f)
{
    try {
        f();
    } catch (const ActionError& e) {
        s_.op.inform(e.what());
    } catch (const std::exception& e) {
        s_.op.inform(std::string("The command stopped: ") + e.what());
    }
    updateTitle();
}

void TFormTEMConfig::buildControls()
{
    auto tx = [this](bool aux) {
        auto c = std::make_unique<TxControls>();
        Ui::TFormTEMConfig& u = *ui;
        if (!aux) {
            *c = {u.GroupBoxTxDef,
                  u.EditTxDefName,
                  u.RadioGroupDefMoment,
                  u.SpinEditTxDefSides,
                  u.StringGridTxDef,
                  u.LabeledEditTxDefTurns,
                  u.LabeledEditTxDefDamp,
                  u.LabeledEditTxDefFilterOrder,
                  u.LabeledEditTxDefCutoff,
                  u.LabeledEditDefFlyLead,
                  u.LabeledEditDefOrient,
                  u.LabeledEditDefTilt,
                  u.LabeledEditDefRotation,
                  u.LabeledEditDefCentroidX,
                  u.LabeledEditDefCentroidY,
                  u.LabeledEditDefCentroidZ,
                  u.TrackBarDefVolt,
                  u.TrackBarDefCurr,
                  u.LabeledEditDefMinVolts,
                  u.LabeledEditDefVolts,
                  u.LabeledEditDefMaxVolts,
                  u.LabeledEditDefMinAmps,
                  u.LabeledEditDefAmps,
                  u.LabeledEditDefMaxAmps,
                  u.RadioGroupDefVoltCurr,
                  u.CheckBoxDefOutA,
                  u.CheckBoxDefOutB,
                  u.LabelTxDefArea,
                  u.LabelDefEquivSquareLoopside,
                  u.LabelDefPower,
                  u.LabelDefRes,
                  u.LabelDefNIA};
        } else {
            *c = {u.GroupBoxTxAux,
                  u.EditTxAuxName,
                  u.RadioGroupAuxMoment,
                  u.SpinEditTxAuxSides,
                  u.StringGridTxAux,
                  u.LabeledEditTxAuxTurns,
                  u.LabeledEditTxAuxDamp,
                  u.LabeledEditTxAuxFilterOrder,
                  u.LabeledEditTxAuxCutoff,
                  u.LabeledEditAuxFlyLead,
                  u.LabeledEditAuxOrient,
                  u.LabeledEditAuxTilt,
                  u.LabeledEditAuxRotation,
                  u.LabeledEditAuxCentroidX,
                  u.LabeledEditAuxCentroidY,
                  u.LabeledEditAuxCentroidZ,
                  u.TrackBarAuxVolt,
                  u.TrackBarAuxCurr,
                  u.LabeledEditAuxMinVolts,
                  u.LabeledEditAuxVolts,
                  u.LabeledEditAuxMaxVolts,
                  u.LabeledEditAuxMinAmps,
                  u.LabeledEditAuxAmps,
                  u.LabeledEditAuxMaxAmps,
                  u.RadioGroupAuxVoltCurr,
                  u.CheckBoxAuxOutA,
                  u.CheckBoxAuxOutB,
                  u.LabelTxAuxArea,
                  u.LabelAuxEquivSquareLoopside,
                  u.LabelAuxPower,
                  u.LabelAuxRes,
                  u.LabelAuxNIA};
        }
        // Numbers are padded by their formats; right-aligned they read as a column.
        for (QLineEdit* e : {c->damp, c->filterOrder, c->cutoff, c->flyLead, c->tilt, c->rotation,
                             c->centroidX, c->centroidY, c->centroidZ, c->turns})
            e->setAlignment(Qt::AlignRight);
        for (QLineEdit* e : {c->minVolts, c->volts, c->maxVolts, c->minAmps, c->amps, c->maxAmps})
            e->setMaximumWidth(70);
        for (QLineEdit* e : {c->centroidX, c->centroidY, c->centroidZ})
            e->setMaximumWidth(80);
        // The box goes as far as the model holds vertices, so no loop from a file is cut short.
        c->sides->setMaximum(MaxLoopSides);
        c->grid->setColumnCount(4);
        c->grid->setHorizontalHeaderLabels({"TxNode", "X", "Y", "Z"});
        c->grid->verticalHeader()->setVisible(false);
        c->grid->verticalHeader()->setDefaultSectionSize(c->grid->fontMetrics().height() + 6);
        c->grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
        c->grid->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
        return c;
    };
    def_ = tx(false);
    aux_ = tx(true);
    ui->RadioGroupDefMoment->setItemIndex(0);
    ui->RadioGroupAuxMoment->setItemIndex(0);
    ui->RadioGroupDefVoltCurr->setItemIndex(0);
    ui->RadioGroupAuxVoltCurr->setItemIndex(0);
    ui->RadioGroupTDCGEX->setItemIndex(0);
    ui->RadioGroupDataType->setItemIndex(0);
    ui->RadioGroupView->setItemIndex(0);
    ui->RadioGroupRx->setItemIndex(0);
    resizeNodeGrid(def_->grid, def_->sides->value());
    resizeNodeGrid(aux_->grid, aux_->sides->value());

    for (QComboBox* combo : {ui->ComboBoxNumTx, ui->ComboBoxNumRx}) {
        for (int i = 1; i <= (combo == ui->ComboBoxNumTx ? MaxTx : MaxRx); ++i)
            combo->addItem(QString::number(i));
        combo->setMaximumWidth(60);
    }
    ui->EditTDCFilename->setToolTip(tr("The configuration file: loaded from, and written by Save"));
    ui->CheckBoxErase->setToolTip(tr("Delete the existing file before saving, so that keys this program does "
                                     "not know are not kept"));
    ui->CheckBoxMaster->setToolTip(tr("A master file is protected against being overwritten"));

    // Receiver editors, one visible at a time.
    for (int t = 1; t <= 3; ++t) {
        auto* e = new KeyValueEditor(ui->PanelRxEditors);
        e->setObjectName(QString("ValueListEditorRx%1").arg(t));
        e->setProperty("tag", t);
        e->setTitles(QString("Receiver %1 Key").arg(t), "Value");
        e->setToolTip(tr("Driven entries can be calculated if left blank"));
        e->setVisible(t == 1);
        e->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
        e->horizontalHeader()->setStretchLastSection(true);
        ui->LayoutRxEditors->addWidget(e);
        rx_[t - 1] = e;
    }

    // The diagram's tool bar above it, and its series in drawing order.
    QToolBar* bar = ui->ChartTEMConfig->createToolBar(ui->PanelChart);
    ui->LayoutChart->insertWidget(0, bar);
    bar->addSeparator();
    QAction* png = bar->addAction(tr("Save PNG..."));
    png->setObjectName("ActionSaveDiagramPng");
    png->setToolTip(tr("Save the diagram as it is drawn now as a PNG image"));
    connect(png, &QAction::triggered, this, &TFormTEMConfig::SaveDiagramPngClick);
    PointChart3D* ch = ui->ChartTEMConfig;
    // The series start empty; the drawing steps fill them from the model.
    Configuration empty;
    for (report::ChartSeries& series : report::LayoutDiagramSeries(empty)) {
        series.points.clear();
        ch->addSeries(std::move(series));
    }

    ui->SplitterDiagram->setStretchFactor(0, 3);
    ui->SplitterDiagram->setStretchFactor(1, 2);
    // The edit controls start at their natural width and the diagram takes the spare room. On a
    // small screen (a 1024 x 600 field laptop) the splitter gives way and the edit area scrolls.
    const int editWidth =
        ui->PanelEdit->sizeHint().width() + ui->ScrollAreaEdit->verticalScrollBar()->sizeHint().width() + 4;
    ui->ScrollAreaEdit->setMinimumWidth(std::min(editWidth, MinEditAreaWidth));
    ui->SplitterMain->setStretchFactor(0, 0);
    ui->SplitterMain->setStretchFactor(1, 1);
    ui->SplitterMain->setSizes({editWidth, std::max(0, width() - editWidth)});
}

void TFormTEMConfig::connectControls()
{
    Ui::TFormTEMConfig& u = *ui;
    connect(u.ButtonLoad, &QPushButton::clicked, this, &TFormTEMConfig::ButtonLoadClick);
    connect(u.ButtonSave, &QPushButton::clicked, this, &TFormTEMConfig::ButtonSaveClick);
    connect(u.ButtonSaveAsINI, &QPushButton::clicked, this, &TFormTEMConfig::ButtonSaveAsINIClick);
    connect(u.BitBtnCancel, &QPushButton::clicked, this, &TFormTEMConfig::BitBtnCancelClick);
    connect(u.ButtonHELP, &QPushButton::clicked, this, &TFormTEMConfig::ButtonHELPClick);
    connect(u.CheckBoxMaster, &QCheckBox::clicked, this, &TFormTEMConfig::CheckBoxMasterClick);
    connect(u.RadioGroupTDCGEX, &RadioGroup::itemClicked, this, &TFormTEMConfig::RadioGroupTDCGEXClick);
    connect(u.EditTDCFilename, &QLineEdit::editingFinished, this, &TFormTEMConfig::EditTDCFilenameExit);
    connect(u.RadioGroupView, &RadioGroup::itemClicked, this, &TFormTEMConfig::RadioGroupViewClick);
    connect(u.RadioGroupRx, &RadioGroup::itemClicked, this, &TFormTEMConfig::RadioGroupRxClick);

    connect(u.RadioGroupDefMoment, &RadioGroup::itemClicked, this,
            [this] { RadioGroupDefMomentClick(MomentSource::DefMoment); });
    connect(u.RadioGroupAuxMoment, &RadioGroup::itemClicked, this,
            [this] { RadioGroupDefMomentClick(MomentSource::AuxMoment); });
    connect(u.CheckBoxUseDefTx, &QCheckBox::clicked, this,
            [this] { RadioGroupDefMomentClick(MomentSource::UseDefTx); });
    connect(u.CheckBoxUseAuxTx, &QCheckBox::clicked, this,
            [this] { RadioGroupDefMomentClick(MomentSource::UseAuxTx); });
    connect(u.ComboBoxNumTx, &QComboBox::textActivated, this,
            [this] { RadioGroupDefMomentClick(MomentSource::NumTxCombo); });

    connect(u.ButtonVehicle, &QPushButton::clicked, this, &TFormTEMConfig::ButtonVehicleClick);
    connect(u.ButtonTimeBase, &QPushButton::clicked, this, &TFormTEMConfig::ButtonTimeBaseClick);
    connect(u.ButtonTxWaveforms, &QPushButton::clicked, this, &TFormTEMConfig::ButtonTxWaveformsClick);
    connect(u.ButtonSysResponse, &QPushButton::clicked, this, &TFormTEMConfig::ButtonSysResponseClick);
    connect(u.ButtonAcqChannels, &QPushButton::clicked, this, &TFormTEMConfig::ButtonAcqChannelsClick);
    connect(u.ButtonPDF, &QPushButton::clicked, this, &TFormTEMConfig::ButtonPDFClick);
    connect(u.ButtonFwdModel, &QPushButton::clicked, this, &TFormTEMConfig::ButtonFwdModelClick);
    connect(u.ButtonRefresh, &QPushButton::clicked, this, &TFormTEMConfig::ButtonRefreshGraphClick);
    connect(u.ButtonCentroid, &QPushButton::clicked, this, &TFormTEMConfig::ButtonCentroidClick);

    connect(u.SpinEditTxDefSides, &QSpinBox::valueChanged, this, &TFormTEMConfig::SpinEditTxDefSidesChange);
    connect(u.SpinEditTxAuxSides, &QSpinBox::valueChanged, this, &TFormTEMConfig::SpinEditTxAuxSidesChange);
    connect(u.TrackBarDefVolt, &QSlider::valueChanged, this, &TFormTEMConfig::TrackBarDefVoltChange);
    connect(u.TrackBarDefCurr, &QSlider::valueChanged, this, &TFormTEMConfig::TrackBarDefCurrChange);
    connect(u.TrackBarAuxVolt, &QSlider::valueChanged, this, &TFormTEMConfig::TrackBarAuxVoltChange);
    connect(u.TrackBarAuxCurr, &QSlider::valueChanged, this, &TFormTEMConfig::TrackBarAuxCurrChange);
    connect(u.LabeledEditDefVolts, &QLineEdit::textChanged, this, &TFormTEMConfig::LabeledEditDefVoltsChange);
    connect(u.LabeledEditDefVolts, &QLineEdit::editingFinished, this,
            &TFormTEMConfig::LabeledEditDefVoltsExit);
    connect(u.LabeledEditDefAmps, &QLineEdit::textChanged, this, &TFormTEMConfig::LabeledEditDefAmpsChange);
    connect(u.LabeledEditDefAmps, &QLineEdit::editingFinished, this, &TFormTEMConfig::LabeledEditDefAmpsExit);
    connect(u.LabeledEditAuxVolts, &QLineEdit::textChanged, this, &TFormTEMConfig::LabeledEditAuxVoltsChange);
    connect(u.LabeledEditAuxVolts, &QLineEdit::editingFinished, this,
            &TFormTEMConfig::LabeledEditAuxVoltsExit);
    connect(u.LabeledEditAuxAmps, &QLineEdit::textChanged, this, &TFormTEMConfig::LabeledEditAuxAmpsChange);
    connect(u.LabeledEditAuxAmps, &QLineEdit::editingFinished, this, &TFormTEMConfig::LabeledEditAuxAmpsExit);
    connect(u.LabeledEditDefMinVolts, &QLineEdit::textChanged, this,
            &TFormTEMConfig::LabeledEditDefMinVoltsChange);
    connect(u.LabeledEditDefMaxVolts, &QLineEdit::textChanged, this,
            &TFormTEMConfig::LabeledEditDefMaxVoltsChange);
    connect(u.LabeledEditDefMinAmps, &QLineEdit::textChanged, this,
            &TFormTEMConfig::LabeledEditDefMinAmpsChange);
    connect(u.LabeledEditDefMaxAmps, &QLineEdit::textChanged, this,
            &TFormTEMConfig::LabeledEditDefMaxAmpsChange);
    connect(u.LabeledEditAuxMinAmps, &QLineEdit::textChanged, this,
            &TFormTEMConfig::LabeledEditAuxMinAmpsChange);
    connect(u.LabeledEditAuxMaxAmps, &QLineEdit::textChanged, this,
            &TFormTEMConfig::LabeledEditAuxMaxAmpsChange);
    // The auxiliary volts limits change only through a load: typing into them does nothing.
    for (QLineEdit* e : {u.LabeledEditAuxMinVolts, u.LabeledEditAuxMaxVolts}) {
        e->setReadOnly(true);
        e->setToolTip(tr("Set by the loaded file"));
    }
}

// ---- Life cycle -------------------------------------------------------------------------------

void TFormTEMConfig::FormCreate()
{
    command([this] {
        LoadConfigApplicIniFile(s_.cfg, s_.folders, s_.op, s_.programName);
        const QString load = QString::fromStdString(s_.cfg.LoadFilename);
        OpenDialogFileName = load;
        ui->EditTDCFilename->setText(load);
        SaveDialogFileName = QString::fromStdString(s_.cfg.SaveFilename);
    });
    resizeNodeGrid(def_->grid, def_->sides->value());
    resizeNodeGrid(aux_->grid, aux_->sides->value());
    loadRecentFiles();
}

void TFormTEMConfig::FormActivate()
{
    // A file named on the command line takes the place of the settings' file.
    if (!firstActivationDone_ && openStartupFile())
        firstActivationDone_ = true;
    bool startupRead = false;
    if (!firstActivationDone_) {
        firstActivationDone_ = true;
        // A start-up file that cannot be read is reported; the window still shows what the model
        // holds.
        command([this] {
            Configuration loaded = s_.cfg;
            LoadConfiguration(loaded, s_.folders, s_.op);
            s_.cfg = std::move(loaded);
            if (QFileInfo::exists(QString::fromStdString(s_.cfg.LoadFilename)))
                addRecentFile(QString::fromStdString(s_.cfg.LoadFilename));
        });
        startupRead = true;
    }
    command([this] {
        PopulateConfigForm();
        CalculateDrivenVariables(s_.cfg, s_.op);
        DrawVehicle();
        DrawTEMConfig();
        RadioGroupViewClick();
    });
    if (startupRead)
        RememberFileModel();
    DefVoltChanged = DefCurrChanged = AuxVoltChanged = AuxCurrChanged = false;
}

void TFormTEMConfig::FormShow()
{
    BeenSaved = false;
}

bool TFormTEMConfig::FormCloseQuery()
{
    if (!ChangedSinceFile())
        return true;
    switch (s_.op.choose("Any changes you made have not been saved under the listed filename. Save now?",
                         {"Yes", "No", "Cancel"}, 0)) {
    case 0:
        // A save that was refused or cancelled (its reason has been shown) keeps the window open,
        // so that the changes are not lost without a word.
        ButtonSaveClick();
        return !ChangedSinceFile();
    case 1:
        return true;
    default:
        return false;
    }
}

void TFormTEMConfig::FormClose()
{
    command([this] { SaveConfigApplicIniFile(s_.cfg, s_.folders, s_.op, s_.programName); });
    saveRecentFiles();
}

void TFormTEMConfig::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (event->spontaneous())
        return;
    FormShow();
    if (!firstActivationDone_)
        QTimer::singleShot(0, this, [this] {
            if (!firstActivationDone_)
                FormActivate();
        });
}

void TFormTEMConfig::closeEvent(QCloseEvent* event)
{
    if (!closing_) {
        if (!FormCloseQuery()) {
            event->ignore();
            return;
        }
        closing_ = true;
        FormClose();
        if (help_)
            help_->close();
    }
    event->accept();
    emit closed();
}

void TFormTEMConfig::BitBtnCancelClick()
{
    close();
}

// ---- Model to window --------------------------------------------------------------------------

void TFormTEMConfig::resizeNodeGrid(QTableWidget* grid, int sides)
{
    // Rows beyond a lowered count are hidden, not dropped: raising the count again before a commit
    // brings their coordinates back.
    sides = std::max(0, sides);
    grid->setRowCount(std::max(grid->rowCount(), sides));
    for (int r = 0; r < grid->rowCount(); ++r) {
        auto* item = new QTableWidgetItem(QString::number(r + 1));
        item->setFlags(Qt::ItemIsEnabled);
        item->setTextAlignment(Qt::AlignCenter);
        grid->setItem(r, 0, item);
        grid->setRowHidden(r, r >= sides);
    }
}

void TFormTEMConfig::SpinEditTxDefSidesChange()
{
    resizeNodeGrid(def_->grid, def_->sides->value());
}

void TFormTEMConfig::SpinEditTxAuxSidesChange()
{
    resizeNodeGrid(aux_->grid, aux_->sides->value());
}

void TFormTEMConfig::checkTx(const TTransmitter& t, Operator& op)
{
    if (t.Turns < 1)
        op.inform("Transmitter Turns must be at least 1");
    if (t.Damping < 1)
        op.inform("Transmitter Damping must be at least 1 ohm, type 10000 for no damping");
    if (t.AxisOrient != "Z" && t.AxisOrient != "X" && t.AxisOrient != "Y")
        op.inform("Transmitter Axis Orientation must be either Z, X, or Y");
}

void TFormTEMConfig::setBar(QSlider* bar, double vMin, double v, double vMax)
{
    // Limits first, then the position, so that a stored minimum, value and maximum all survive
    // the next commit (the edits of the limits may have moved the bar with their own rounding).
    const int lo = ToBar(vMin * 1000, BarRounding::Round);
    const int hi = ToBar(vMax * 1000, BarRounding::Round);
    const QSignalBlocker block(bar);
    bar->setRange(lo, std::max(lo, hi));
    bar->setValue(ToBar(v * 1000, BarRounding::Round));
}

void TFormTEMConfig::populateTx(const TxControls& c, TTransmitter& t, bool aux)
{
    c.name->setText(editor::Q(t.Name));
    c.turns->setText(QString::number(t.Turns));
    ShowNumber(c.damp, "%10.1f", t.Damping);
    ShowNumber(c.filterOrder, "%10.2f", t.LPFilterOrderandCutoff[0]);
    ShowNumber(c.cutoff, "%10.1f", t.LPFilterOrderandCutoff[1]);
    ShowNumber(c.flyLead, "%6.1f", t.FlyingLeadLength);
    c.orient->setText(editor::Q(t.AxisOrient));
    checkTx(t, s_.op);
    ShowNumber(c.tilt, "%6.2f", t.AxisTilt);
    ShowNumber(c.rotation, "%8.2f", t.AxisRotation);
    ShowNumber(c.centroidX, "%8.3f", t.CentroidX);
    ShowNumber(c.centroidY, "%8.3f", t.CentroidY);
    ShowNumber(c.centroidZ, "%8.3f", t.CentroidZ);

    // Bars, then the value edits, then the limit edits (which act on their bars at once), then
    // the bars once more with the stored values.
    setBar(c.voltBar, t.VoltsMin, t.Volts, t.VoltsMax);
    setBar(c.currBar, t.AmpsMin, t.Amps, t.AmpsMax);
    c.volts->setText(FmtTrim("%8.3f", t.Volts));
    c.amps->setText(FmtTrim("%8.3f", t.Amps));
    c.minVolts->setText(FmtTrim("%8.3f", t.VoltsMin));
    c.maxVolts->setText(FmtTrim("%8.3f", t.VoltsMax));
    c.minAmps->setText(FmtTrim("%8.3f", t.AmpsMin));
    c.maxAmps->setText(FmtTrim("%8.3f", t.AmpsMax));
    setBar(c.voltBar, t.VoltsMin, t.Volts, t.VoltsMax);
    setBar(c.currBar, t.AmpsMin, t.Amps, t.AmpsMax);
    c.volts->setText(FmtTrim("%8.3f", t.Volts));
    c.amps->setText(FmtTrim("%8.3f", t.Amps));

    c.voltCurr->setItemIndex(t.ConstantVoltsOrAmps ? 1 : 0);
    c.outA->setChecked(t.RelayA);
    c.outB->setChecked(t.RelayB);
    (void)aux;
}

void TFormTEMConfig::showDerived(const TxControls& c, const TTransmitter& t, bool trimmed)
{
    auto f = [trimmed](const char* format, double v) {
        return trimmed ? FmtTrim(format, v) : Fmt(format, v);
    };
    c.area->setText("Area (m^2): " + f("%8.3f", t.Area));
    c.equivSide->setText("Equivalent Square Loopside " + f("%7.3f", t.EquivalentSquareLoopSide));
    c.power->setText("Power (Watts): " + f("%5.0f", t.Power));
    c.res->setText("Resistance (Ohms): " + f("%6.2f", t.Resistance));
    c.nia->setText("Moment (NIA A.m^2): " + f("%7.2f", t.MomentNIA));
    ShowNumber(c.centroidX, "%8.3f", t.CentroidX, trimmed);
    ShowNumber(c.centroidY, "%8.3f", t.CentroidY, trimmed);
}

void TFormTEMConfig::PopulateConfigForm()
{
    Configuration& cfg = s_.cfg;
    Ui::TFormTEMConfig& u = *ui;
    u.CheckBoxMaster->setChecked(cfg.Master);
    if (cfg.NumTx == 0 || cfg.NumRx == 0)
        return;

    const QString load = QString::fromStdString(cfg.LoadFilename);
    u.EditTDCFilename->setText(load);
    u.EditTDCFilename->setCursorPosition(0);
    u.RadioGroupTDCGEX->setItemIndex(cfg.TDCorGEX == TINIFileFormat::GEX ? 1 : 0);
    OpenDialogFileName = load;
    SaveDialogFileName = QString::fromStdString(cfg.SaveFilename);
    PngDialogFileName = ChangeFileExt(OpenDialogFileName, ".PNG");
    PdfDialogFileName = ChangeFileExt(OpenDialogFileName, ".PDF");

    u.LabeledEditDescription->setText(editor::Q(cfg.Description));
    // Long texts show their beginning.
    u.LabeledEditDescription->setCursorPosition(0);
    u.EditDataType->clear();
    const QString dataType = editor::Q(cfg.DataType).trimmed();
    if (dataType == "GroundTEM") {
        u.RadioGroupDataType->setItemIndex(0);
    } else if (dataType.isEmpty()) {
        u.RadioGroupDataType->setItemIndex(1);
    } else {
        u.RadioGroupDataType->setItemIndex(2);
        u.EditDataType->setText(dataType);
    }
    u.ComboBoxNumRx->setEditText(QString::number(cfg.NumRx));
    u.ComboBoxNumTx->setEditText(QString::number(cfg.NumTx));

    u.GroupBoxTxAux->setVisible(cfg.NumTx > 1 || !u.CheckBoxUseDefTx->isChecked());

    TTransmitter& t1 = cfg.Tx[1];
    u.RadioGroupDefMoment->setItemIndex(int(t1.MomentID));
    // A file without a loop has fewer than three sides; the box shows that count (it cannot be
    // typed back once the operator gives the loop three sides or more).
    auto showSides = [](QSpinBox* spin, int sides) {
        spin->setMinimum(std::clamp(sides, 0, MinLoopSidesShown));
        spin->setValue(sides);
    };
    showSides(u.SpinEditTxDefSides, t1.LoopSides);
    auto fillGrid = [this](const TxControls& c, const TTransmitter& t) {
        c.grid->setRowCount(0); // rows hidden by a lowered count belong to the values refilled now
        resizeNodeGrid(c.grid, c.sides->value());
        // Every node cell is refilled: corners of an earlier file must not survive a load that has
        // fewer (or no) nodes, or the next commit would store them as a loop.
        const int rows = std::min({t.LoopSides, c.grid->rowCount(), MaxLoopSides});
        for (int r = 1; r <= c.grid->rowCount(); ++r) {
            const double xyz[3] = {t.NodeX[r - 1], t.NodeY[r - 1], t.NodeZ[r - 1]};
            for (int col = 1; col <= 3; ++col) {
                if (r > rows) {
                    c.grid->setItem(r - 1, col, new QTableWidgetItem());
                    continue;
                }
                auto* item = new QTableWidgetItem(Fmt("%8.3f", xyz[col - 1]));
                RememberNumber(item, xyz[col - 1]);
                c.grid->setItem(r - 1, col, item);
            }
        }
    };
    if (cfg.NumTx > 0) {
        fillGrid(*def_, t1);
        populateTx(*def_, t1, false);
    }
    if (cfg.NumTx > 1) {
        TTransmitter& t2 = cfg.Tx[2];
        u.CheckBoxUseAuxTx->setChecked(true);
        u.RadioGroupAuxMoment->setItemIndex(int(t2.MomentID));
        showSides(u.SpinEditTxAuxSides, t2.LoopSides);
        fillGrid(*aux_, t2);
        populateTx(*aux_, t2, true);
    } else {
        // Also when an earlier file had two transmitters (the box follows NumTx).
        u.CheckBoxUseAuxTx->setChecked(false);
    }
    if (cfg.NumTx > 0)
        showDerived(*def_, t1, true);
    if (cfg.NumTx > 1)
        showDerived(*aux_, cfg.Tx[2], true);
    for (KeyValueEditor* e : rx_)
        WriteRxParamsToForm(*e);
    updateTitle();
}

// ---- Window to model --------------------------------------------------------------------------

void TFormTEMConfig::readTx(const TxControls& c, TTransmitter& t, Operator& op, bool commit)
{
    if (c.moment->itemIndex() >= 0)
        t.MomentID = TMomentID(c.moment->itemIndex());
    t.LoopSides = c.sides->value();
    const int rows = std::min(t.LoopSides, c.grid->rowCount());
    // Committed: the vertices beyond the count are given up.
    if (commit && c.grid->rowCount() > t.LoopSides)
        c.grid->setRowCount(t.LoopSides);
    auto cell = [&c](int r, int col) { return ReadNumber(c.grid->item(r, col), 0); };
    for (int k = 0; k < t.LoopSides; ++k) {
        const bool inGrid = k < rows;
        t.NodeX[k] = inGrid ? cell(k, 1) : 0;
        t.NodeY[k] = inGrid ? cell(k, 2) : 0;
        t.NodeZ[k] = inGrid ? cell(k, 3) : 0;
    }
    t.NodeX[t.LoopSides] = t.NodeX[0];
    t.NodeY[t.LoopSides] = t.NodeY[0];
    t.NodeZ[t.LoopSides] = t.NodeZ[0];

    t.Name = editor::S(c.name->text());
    t.Turns = ReadInt(c.turns->text(), 1);
    t.Damping = ReadNumber(c.damp, 330);
    t.LPFilterOrderandCutoff[0] = ReadNumber(c.filterOrder, 1);
    t.LPFilterOrderandCutoff[1] = ReadNumber(c.cutoff, 30000);
    t.FlyingLeadLength = ReadNumber(c.flyLead, 1.5);
    const QString orient = c.orient->text().isEmpty() ? QString("Z") : c.orient->text();
    if (commit && c.orient->text().isEmpty())
        c.orient->setText(orient);
    t.AxisOrient = editor::S(orient.left(1));
    t.AxisTilt = ReadNumber(c.tilt, 0);
    t.AxisRotation = ReadNumber(c.rotation, 0);
    t.CentroidX = ReadNumber(c.centroidX, 0);
    t.CentroidY = ReadNumber(c.centroidY, 0);
    t.CentroidZ = ReadNumber(c.centroidZ, -1.8);
    t.VoltsMin = c.voltBar->minimum() / 1000.0;
    t.Volts = c.voltBar->value() / 1000.0;
    t.VoltsMax = c.voltBar->maximum() / 1000.0;
    t.AmpsMin = c.currBar->minimum() / 1000.0;
    t.Amps = c.currBar->value() / 1000.0;
    t.AmpsMax = c.currBar->maximum() / 1000.0;
    t.ConstantVoltsOrAmps = c.voltCurr->itemIndex() == 1;
    t.RelayA = c.outA->isChecked();
    t.RelayB = c.outB->isChecked();
    checkTx(t, op);
}

void TFormTEMConfig::UserInterfaceToConfigVars()
{
    readForm(s_.cfg, s_.op, true);
}

Configuration TFormTEMConfig::FormModel()
{
    // The messages of the reading and its checks are the commit's to show, not this look's.
    RecordingOperator silent;
    Configuration cfg = s_.cfg;
    readForm(cfg, silent, false);
    return cfg;
}

namespace {

/// A model as compared with the file: the transmitter timings that the time base window works out
/// whenever it opens are worked out here too, so that a window only looked at is no change.
Configuration WithDerivedTimings(Configuration cfg)
{
    for (int tx = 1; tx <= std::min(cfg.NumTx, MaxTx); ++tx)
        if (cfg.Tx[tx].FullWaveformRepetitionFrequency > 0 &&
            cfg.TimeBase.contains(cfg.Tx[tx].TimeBaseNumber))
            DeriveTransmitterTiming(cfg, tx);
    return cfg;
}

} // namespace

bool TFormTEMConfig::ChangedSinceFile()
{
    return WithDerivedTimings(FormModel()) != fileModel_;
}

void TFormTEMConfig::RememberFileModel()
{
    fileModel_ = WithDerivedTimings(FormModel());
}

void TFormTEMConfig::readForm(Configuration& cfg, Operator& op, bool commit)
{
    Ui::TFormTEMConfig& u = *ui;
    cfg.Master = u.CheckBoxMaster->isChecked();
    cfg.TDCorGEX = u.RadioGroupTDCGEX->itemIndex() == 1 ? TINIFileFormat::GEX : TINIFileFormat::TDC;
    cfg.LoadFilename = u.EditTDCFilename->text().toStdString();
    cfg.SaveFilename = cfg.LoadFilename;

    cfg.Description = editor::S(u.LabeledEditDescription->text());
    switch (u.RadioGroupDataType->itemIndex()) {
    case 0:
        cfg.DataType = "GroundTEM";
        break;
    case 1:
        cfg.DataType.clear();
        break;
    case 2:
        cfg.DataType = editor::S(u.EditDataType->text());
        break;
    default:
        break;
    }
    // The model holds at most nine transmitters and receivers.
    cfg.NumRx = std::clamp(ReadInt(u.ComboBoxNumRx->currentText(), 1), 1, MaxRx);
    cfg.NumTx = std::clamp(ReadInt(u.ComboBoxNumTx->currentText(), 1), 1, MaxTx);

    if (cfg.NumTx > 0)
        readTx(*def_, cfg.Tx[1], op, commit);
    if (cfg.NumTx > 1)
        readTx(*aux_, cfg.Tx[2], op, commit);
    CalculateDrivenVariables(cfg, op);
    if (commit && cfg.NumTx > 0)
        showDerived(*def_, cfg.Tx[1], false);
    if (commit && cfg.NumTx > 1)
        showDerived(*aux_, cfg.Tx[2], false);
    for (KeyValueEditor* e : rx_)
        readRx(*e, cfg, op, commit);
}

// ---- Track bars and their edits ---------------------------------------------------------------

void TFormTEMConfig::barMoved(QSlider* bar, QLineEdit* edit)
{
    const QSignalBlocker block(edit);
    edit->setText(ShortestText(bar->value() / 1000.0));
}

void TFormTEMConfig::valueEditExit(QSlider* bar, QLineEdit* edit, bool& flag, double fallback, bool round)
{
    if (!flag)
        return;
    const QString typed = edit->text();
    const double v = ReadFloat(typed, fallback) * 1000;
    bar->setValue(ToBar(v, round ? BarRounding::Round : BarRounding::Truncate));
    // The edit keeps what was typed, also when the bar held the value at one of its limits.
    const QSignalBlocker block(edit);
    edit->setText(typed);
    flag = false;
}

void TFormTEMConfig::limitEditChange(QSlider* bar, QLineEdit* edit, double fallback, bool round,
                                     bool isMinimum)
{
    const int v =
        ToBar(ReadFloat(edit->text(), fallback) * 1000, round ? BarRounding::Round : BarRounding::Truncate);
    if (isMinimum) {
        if (v <= bar->maximum())
            bar->setMinimum(v);
    } else if (v >= bar->minimum()) {
        bar->setMaximum(v);
    }
}

void TFormTEMConfig::TrackBarDefVoltChange()
{
    barMoved(def_->voltBar, def_->volts);
}
void TFormTEMConfig::TrackBarDefCurrChange()
{
    barMoved(def_->currBar, def_->amps);
}
void TFormTEMConfig::TrackBarAuxVoltChange()
{
    barMoved(aux_->voltBar, aux_->volts);
}
void TFormTEMConfig::TrackBarAuxCurrChange()
{
    barMoved(aux_->currBar, aux_->amps);
}
void TFormTEMConfig::LabeledEditDefVoltsChange()
{
    DefVoltChanged = true;
}
void TFormTEMConfig::LabeledEditDefAmpsChange()
{
    DefCurrChanged = true;
}
void TFormTEMConfig::LabeledEditAuxVoltsChange()
{
    AuxVoltChanged = true;
}
void TFormTEMConfig::LabeledEditAuxAmpsChange()
{
    AuxCurrChanged = true;
}
void TFormTEMConfig::LabeledEditDefVoltsExit()
{
    valueEditExit(def_->voltBar, def_->volts, DefVoltChanged, 3.3, true);
}
void TFormTEMConfig::LabeledEditDefAmpsExit()
{
    valueEditExit(def_->currBar, def_->amps, DefCurrChanged, 36, false);
}
void TFormTEMConfig::LabeledEditAuxVoltsExit()
{
    valueEditExit(aux_->voltBar, aux_->volts, AuxVoltChanged, 18, false);
}
void TFormTEMConfig::LabeledEditAuxAmpsExit()
{
    valueEditExit(aux_->currBar, aux_->amps, AuxCurrChanged, 36, false);
}
void TFormTEMConfig::LabeledEditDefMinVoltsChange()
{
    limitEditChange(def_->voltBar, def_->minVolts, 3.3, true, true);
}
void TFormTEMConfig::LabeledEditDefMaxVoltsChange()
{
    limitEditChange(def_->voltBar, def_->maxVolts, 18, false, false);
}
void TFormTEMConfig::LabeledEditDefMinAmpsChange()
{
    limitEditChange(def_->currBar, def_->minAmps, 0, false, true);
}
void TFormTEMConfig::LabeledEditDefMaxAmpsChange()
{
    limitEditChange(def_->currBar, def_->maxAmps, 45, false, false);
}
void TFormTEMConfig::LabeledEditAuxMinAmpsChange()
{
    limitEditChange(aux_->currBar, aux_->minAmps, 0, false, true);
}
void TFormTEMConfig::LabeledEditAuxMaxAmpsChange()
{
    limitEditChange(aux_->currBar, aux_->maxAmps, 45, false, false);
}

void TFormTEMConfig::RadioGroupRxClick()
{
    const int shown = ui->RadioGroupRx->itemIndex();
    for (int i = 0; i < 3; ++i)
        rx_[i]->setVisible(i == shown);
}

} // namespace tem::gui
