#include "config/TFormTEMConfig.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>

#include "arrays/TFormConfig.h"
#include "config/EditorSupport.h"
#include "config/FormValues.h"
#include "config/ReceiverPanel.h"
#include "config/TFormHELP.h"
#include "config/TransmitterPanel.h"
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
/// Pixels of the edit area that stay visible however narrow the window (the rest scrolls).
constexpr int MinEditAreaWidth = 420;
} // namespace

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

TransmitterPanel* TFormTEMConfig::transmitterPanel(int tx) const
{
    return tx == 1 ? def_ : tx == 2 ? aux_ : nullptr;
}

KeyValueEditor* TFormTEMConfig::rxEditor(int tag) const
{
    return rx_ ? rx_->editor(tag) : nullptr;
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
    def_ = new TransmitterPanel(ui->GroupBoxTxDef, TransmitterPanel::Role::Default);
    aux_ = new TransmitterPanel(ui->GroupBoxTxAux, TransmitterPanel::Role::Auxiliary);
    ui->RadioGroupTDCGEX->setItemIndex(0);
    ui->RadioGroupDataType->setItemIndex(0);
    ui->RadioGroupView->setItemIndex(0);

    for (QComboBox* combo : {ui->ComboBoxNumTx, ui->ComboBoxNumRx}) {
        for (int i = 1; i <= (combo == ui->ComboBoxNumTx ? MaxTx : MaxRx); ++i)
            combo->addItem(QString::number(i));
        combo->setMaximumWidth(60);
    }
    ui->EditTDCFilename->setToolTip(tr("The configuration file: loaded from, and written by Save"));
    ui->CheckBoxErase->setToolTip(tr("Delete the existing file before saving, so that keys this program does "
                                     "not know are not kept"));
    ui->CheckBoxMaster->setToolTip(tr("A master file is protected against being overwritten"));

    rx_ = new ReceiverPanel(ui->PanelRxEditors, ui->LayoutRxEditors, ui->RadioGroupRx);

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

    connect(def_, &TransmitterPanel::momentClicked, this,
            [this] { RadioGroupDefMomentClick(MomentSource::DefMoment); });
    connect(aux_, &TransmitterPanel::momentClicked, this,
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
    def_->resizeNodeGrid();
    aux_->resizeNodeGrid();
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
    def_->forgetTypedValues();
    aux_->forgetTypedValues();
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

    def_->show(cfg.Tx[1], s_.op);
    if (cfg.NumTx > 1) {
        u.CheckBoxUseAuxTx->setChecked(true);
        aux_->show(cfg.Tx[2], s_.op);
    } else {
        // Also when an earlier file had two transmitters (the box follows NumTx).
        u.CheckBoxUseAuxTx->setChecked(false);
    }
    def_->showDerived(cfg.Tx[1], true);
    if (cfg.NumTx > 1)
        aux_->showDerived(cfg.Tx[2], true);
    rx_->show(cfg);
    updateTitle();
}

// ---- Window to model --------------------------------------------------------------------------

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
        def_->read(cfg.Tx[1], op, commit);
    if (cfg.NumTx > 1)
        aux_->read(cfg.Tx[2], op, commit);
    CalculateDrivenVariables(cfg, op);
    if (commit && cfg.NumTx > 0)
        def_->showDerived(cfg.Tx[1], false);
    if (commit && cfg.NumTx > 1)
        aux_->showDerived(cfg.Tx[2], false);
    rx_->read(cfg, op, commit);
}

} // namespace tem::gui
