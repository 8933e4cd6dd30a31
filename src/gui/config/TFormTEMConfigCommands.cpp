// The file and master commands of the main window, the moment rules and the buttons that open
// other windows.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFileInfo>
#include <QLineEdit>

#include <filesystem>
#include <utility>

#include "config/FormValues.h"
#include "config/TFormHELP.h"
#include "config/TFormTEMAcqChannels.h"
#include "config/TFormTEMConfig.h"
#include "config/TFormTimeBase.h"
#include "config/TFormTxWaveforms.h"
#include "config/TFormVehicleParams.h"
#include "core/files/config_formats.h"
#include "core/files/config_save.h"
#include "core/files/keyword_file.h"
#include "core/files/protection.h"
#include "core/model/derived.h"
#include "forward/TFormForward.h"
#include "report/SystemReport.h"
#include "response/TFormSysResp.h"
#include "ui_TFormTEMConfig.h"
#include "widgets/PointChart3D.h"
#include "widgets/RadioGroup.h"

namespace tem::gui {

namespace {

const char* const OpenDialogTitle = "Open a Time Domain EM Configuration File";
const char* const OpenDialogFilter = "TDC files of TEM configuration (*.TDC *.tdc);;"
                                     "Aarhus Workbench GEX files (*.GEX *.gex)";
const char* const SaveDialogTitle = "Save Configuration FIle";
const char* const SaveDialogFilter = "TDC TEM configuration files (*.TDC *.tdc);;"
                                     "GEX TEM configuration files (*.GEX *.gex)";
const char* const NeverSaved = "Not_Saved.TDC";

QString FormatExt(TINIFileFormat f)
{
    return QString::fromLatin1(UpperExtensionOf(f));
}

/// The file Save writes: the name with the format's extension. File names are case-sensitive
/// here: a name that has the extension in other letters (a.tdc) keeps it, and a GEX file gets the
/// name the save writes it under (".gex"), so the window's own check of the file being edited
/// looks at the file that is actually written.
QString SaveName(const QString& name, TINIFileFormat f)
{
    const bool sameFormat = ExtractFileExt(name).toUpper() == FormatExt(f);
    const QString named = sameFormat ? name : ChangeFileExt(name, FormatExt(f));
    return QString::fromStdString(SaveTargetName(named.toStdString(), f));
}

/// Whether two names are the same existing file (a link or another spelling of the path counts).
bool SameFile(const std::string& a, const std::string& b)
{
    std::error_code ec;
    return !a.empty() && !b.empty() && std::filesystem::equivalent(a, b, ec) && !ec;
}

} // namespace

TINIFileFormat TFormTEMConfig::formatFromRadio() const
{
    return ui->RadioGroupTDCGEX->itemIndex() == 1 ? TINIFileFormat::GEX : TINIFileFormat::TDC;
}

void TFormTEMConfig::setFormat(TINIFileFormat f)
{
    s_.cfg.TDCorGEX = f;
    // The save dialog offers the format's filter entry and extension through its file name.
    if (!SaveDialogFileName.isEmpty())
        SaveDialogFileName = ChangeFileExt(SaveDialogFileName, FormatExt(f));
}

// ---- Load -------------------------------------------------------------------------------------

void TFormTEMConfig::ButtonLoadClick()
{
    command([this] {
        setFormat(formatFromRadio());
        const std::string chosen =
            s_.dialogs.openFile(OpenDialogTitle, OpenDialogFilter, s_.cfg.LoadFilename);
        if (chosen.empty())
            return;
        LoadFile(QString::fromStdString(chosen));
    });
}

void TFormTEMConfig::LoadFile(const QString& fileName)
{
    command([&] {
        Configuration& cfg = s_.cfg;
        const ConfigFormat* format = ConfigFormatOfFile(fileName.toStdString());
        if (!format) {
            ui->EditTDCFilename->setText(fileName);
            cfg.LoadFilename = cfg.SaveFilename = fileName.toStdString();
            OpenDialogFileName = fileName;
            s_.op.inform(UnknownConfigExtension);
            return;
        }
        const TINIFileFormat f = format->format;
        // The reader hands back a new model only when it succeeds; a refused or failed read leaves
        // the model, and the name it is shown under, as they were.
        Configuration loaded = cfg;
        loaded.LoadFilename = loaded.SaveFilename = fileName.toStdString();
        loaded.TDCorGEX = f;
        LoadConfiguration(loaded, s_.folders, s_.op);
        cfg = std::move(loaded);
        ui->EditTDCFilename->setText(fileName);
        OpenDialogFileName = fileName;
        setFormat(f);
        CalculateDrivenVariables(cfg, s_.op);
        PopulateConfigForm();
        DrawVehicle();
        DrawTEMConfig();
        ui->RadioGroupTDCGEX->setItemIndex(cfg.TDCorGEX == TINIFileFormat::GEX ? 1 : 0);
        RememberFileModel();
        if (IsRegularFile(cfg.LoadFilename))
            addRecentFile(QString::fromStdString(cfg.LoadFilename));
    });
}

bool TFormTEMConfig::openStartupFile()
{
    const QString fileName = std::exchange(startupFile_, QString());
    if (fileName.isEmpty())
        return false;
    if (!ConfigFormatOfFile(fileName.toStdString())) {
        s_.op.inform(UnknownConfigExtension);
        return false;
    }
    // A missing file would read as a configuration of defaults; from the command line it is a
    // mistyped name.
    if (!IsRegularFile(fileName.toStdString())) {
        s_.op.inform("The file " + fileName.toStdString() +
                     " named on the command line does not exist. The last configuration is opened instead.");
        return false;
    }
    LoadFile(fileName);
    // LoadFile names the model after the file only when the read succeeded.
    return s_.cfg.LoadFilename == fileName.toStdString();
}

// ---- Save -------------------------------------------------------------------------------------

std::string TFormTEMConfig::cleanSaveQuestion(const std::string& question) const
{
    return ui->CheckBoxErase->isChecked() ? question : std::string();
}

bool TFormTEMConfig::reportSave(const SaveResult& result)
{
    if (!result.written() && !result.reason.empty())
        s_.op.inform(result.reason);
    return result.written();
}

void TFormTEMConfig::ButtonSaveClick()
{
    command([this] {
        Configuration& cfg = s_.cfg;
        setFormat(formatFromRadio());
        if (cfg.LoadFilename == NeverSaved) {
            ButtonSaveAsINIClick();
            return;
        }
        const std::string editing = cfg.LoadFilename; // the file this window was filled from
        UserInterfaceToConfigVars();
        const TINIFileFormat f = cfg.TDCorGEX;
        cfg.SaveFilename = SaveName(ui->EditTDCFilename->text(), f).toStdString();
        // The save checks the GEX moments, refuses a master target, asks before overwriting and
        // about Clean Save. A GEX saved back onto the file being edited is no overwrite of another
        // file: no question.
        const bool inPlace = f == TINIFileFormat::GEX && SameFile(cfg.SaveFilename, editing);
        const SaveResult result = SaveConfiguration(
            cfg, s_.folders, s_.op,
            SaveRequest{!inPlace,
                        cleanSaveQuestion("\"Clean Save\" will wipe any un-identified information in your "
                                          "file - Continue?"),
                        true});
        if (!reportSave(result))
            return;
        cfg.LoadFilename = cfg.SaveFilename;
        BeenSaved = true;
        const QString name = QString::fromStdString(cfg.LoadFilename);
        ui->EditTDCFilename->setText(name);
        OpenDialogFileName = name;
        RememberFileModel();
        addRecentFile(name);
    });
}

// ---- Copy As ----------------------------------------------------------------------------------

void TFormTEMConfig::adoptSavedName()
{
    // The save may have renamed the target (GEX files are written as ".gex"): the model, the
    // file box, the dialogs and so the settings keep the name of the file that exists.
    Configuration& cfg = s_.cfg;
    cfg.LoadFilename = cfg.SaveFilename;
    const QString name = QString::fromStdString(cfg.SaveFilename);
    ui->EditTDCFilename->setText(name);
    OpenDialogFileName = name;
    SaveDialogFileName = name;
}

void TFormTEMConfig::ButtonSaveAsINIClick()
{
    command([this] {
        Configuration& cfg = s_.cfg;
        if (SaveDialogFileName.isEmpty())
            SaveDialogFileName = QString::fromStdString(cfg.SaveFilename);
        SaveDialogFileName = ChangeFileExt(SaveDialogFileName, FormatExt(cfg.TDCorGEX));
        cfg.SaveFilename = SaveDialogFileName.toStdString();
        const QString chosen = QString::fromStdString(
            s_.dialogs.saveFile(SaveDialogTitle, SaveDialogFilter, SaveDialogFileName.toStdString()));
        if (chosen.isEmpty())
            return;
        const ConfigFormat* chosenFormat = ConfigFormatOfFile(chosen.toStdString());
        const TINIFileFormat f = chosenFormat && chosenFormat->format == TINIFileFormat::TDC
                                     ? TINIFileFormat::TDC
                                     : TINIFileFormat::GEX;
        setFormat(f);
        ui->RadioGroupTDCGEX->setItemIndex(f == TINIFileFormat::GEX ? 1 : 0);
        if (chosen == ui->EditTDCFilename->text() && ui->CheckBoxMaster->isChecked()) {
            s_.op.inform(
                "This file is marked as a master file - read only. Reassess what you are doing or try "
                "saving to a different filename. Save aborted.");
            return;
        }
        ui->EditTDCFilename->setText(chosen);
        cfg.ParentConfigFile = cfg.LoadFilename;
        OpenDialogFileName = chosen;
        SaveDialogFileName = chosen;
        UserInterfaceToConfigVars();
        cfg.LoadFilename = cfg.SaveFilename = chosen.toStdString();
        cfg.Master = false;
        ui->CheckBoxMaster->setChecked(false);
        const SaveResult result = SaveConfiguration(
            cfg, s_.folders, s_.op,
            SaveRequest{false,
                        cleanSaveQuestion("\"Clean Save\" will wipe any un-identified information in your "
                                          "file - Erase? Continue?")});
        adoptSavedName();
        if (reportSave(result)) {
            RememberFileModel();
            addRecentFile(QString::fromStdString(cfg.SaveFilename));
        }
    });
}

// ---- Master mark ------------------------------------------------------------------------------

void TFormTEMConfig::CheckBoxMasterClick()
{
    command([this] {
        Configuration& cfg = s_.cfg;
        setFormat(formatFromRadio());
        QCheckBox* box = ui->CheckBoxMaster;
        if (!box->isChecked()) {
            if (s_.op.ask(
                    "Removing protection from a master INI file will have lasting consequences for all "
                    "operators using that file in the future. If a permanent change is important then please "
                    "re-enable protection as soon as possible but consider renaming the changed file. IF YOU "
                    "DO NOT KNOW WHAT YOU ARE DOING OR THE NIGHTMARE IMPLICATION POORLY THOUGHT THROUGH "
                    "DOCUMENTATION CHANGES WILL CREATE THEN STOP NOW! Remove protection by saving a copy "
                    "(SaveAsPrompt will follow)?",
                    false)) {
                cfg.Master = false;
                ButtonSaveAsINIClick();
            } else {
                box->setChecked(true);
                cfg.Master = true;
            }
            return;
        }
        if (!s_.op.askYesAbort(
                "Are you sure? - file will be saved now and will not be able to be saved again "
                "without protection removal"))
            return;
        const QString chosen = QString::fromStdString(
            s_.dialogs.saveFile(SaveDialogTitle, SaveDialogFilter, SaveDialogFileName.toStdString()));
        if (chosen.isEmpty()) {
            box->setChecked(false);
            cfg.Master = false;
            return;
        }
        cfg.SaveFilename = chosen.toStdString();
        if (const auto refused = RefuseMasterTarget(cfg.SaveFilename, cfg.TDCorGEX)) {
            if (refused->corruptMaster)
                s_.op.inform("You are trying to overwrite a corrupted master file.");
            s_.op.inform("The file you are trying to overwrite is already a Master file and is protected - "
                         "overwrite permission denied!");
            box->setChecked(false);
            cfg.Master = false;
            return;
        }
        ui->EditTDCFilename->setText(chosen);
        OpenDialogFileName = chosen;
        UserInterfaceToConfigVars();
        cfg.LoadFilename = chosen.toStdString();
        const SaveResult result = SaveConfiguration(
            cfg, s_.folders, s_.op,
            SaveRequest{false,
                        cleanSaveQuestion("\"Clean Save\" will wipe any un-identified information in your "
                                          "file - Continue?")});
        adoptSavedName();
        if (reportSave(result)) {
            RememberFileModel();
            addRecentFile(QString::fromStdString(cfg.SaveFilename));
        }
    });
}

// ---- Format choice ----------------------------------------------------------------------------

void TFormTEMConfig::RadioGroupTDCGEXClick()
{
    setFormat(formatFromRadio());
}

void TFormTEMConfig::EditTDCFilenameExit()
{
    const QString text = ui->EditTDCFilename->text();
    const ConfigFormat* format = ConfigFormatOfFile(text.toStdString());
    const bool tdc = format && format->format == TINIFileFormat::TDC;
    ui->RadioGroupTDCGEX->setItemIndex(tdc ? 0 : 1);
    setFormat(tdc ? TINIFileFormat::TDC : TINIFileFormat::GEX);
    OpenDialogFileName = text;
    SaveDialogFileName = text;
}

// ---- Moment rules -----------------------------------------------------------------------------

void TFormTEMConfig::RadioGroupDefMomentClick(MomentSource source)
{
    command([&] {
        Configuration& cfg = s_.cfg;
        Ui::TFormTEMConfig& u = *ui;
        const bool fromCheckBox = source == MomentSource::UseAuxTx || source == MomentSource::UseDefTx;
        cfg.NumTx = std::clamp(ReadInt(u.ComboBoxNumTx->currentText(), 1), 1, MaxTx);
        if (source == MomentSource::NumTxCombo && cfg.NumTx > 1)
            u.CheckBoxUseAuxTx->setChecked(true);
        if (fromCheckBox && !u.CheckBoxUseAuxTx->isChecked() && cfg.NumTx > 1) {
            cfg.NumTx = 1;
            u.ComboBoxNumTx->setCurrentIndex(0);
        }
        if (fromCheckBox && u.CheckBoxUseAuxTx->isChecked() && cfg.NumTx < 2) {
            cfg.NumTx = 2;
            u.ComboBoxNumTx->setCurrentIndex(1);
            u.RadioGroupDefMoment->setItemIndex(int(TMomentID::LM));
            u.RadioGroupAuxMoment->setItemIndex(int(TMomentID::HM));
        }
        if (cfg.NumTx < 2) {
            cfg.NumTx = 1;
            u.ComboBoxNumTx->setEditText("1");
            cfg.Tx[1].MomentID = TMomentID::SingleM;
            u.CheckBoxUseAuxTx->setChecked(false);
            u.RadioGroupDefMoment->setItemIndex(int(TMomentID::SingleM));
        }
        // A second transmitter the model has never described starts as a copy of the first
        // (normally the other moment of the same loop) rather than as zeros.
        if (cfg.NumTx >= 2 && cfg.Tx[2].LoopSides == 0 && cfg.Tx[2].Turns == 0)
            cfg.Tx[2] = cfg.Tx[1];
        if (u.RadioGroupDefMoment->itemIndex() >= 0)
            cfg.Tx[1].MomentID = TMomentID(u.RadioGroupDefMoment->itemIndex());
        if (u.RadioGroupAuxMoment->itemIndex() >= 0)
            cfg.Tx[2].MomentID = TMomentID(u.RadioGroupAuxMoment->itemIndex());
        if (cfg.NumTx >= 2) {
            const TMomentID m1 = cfg.Tx[1].MomentID, m2 = cfg.Tx[2].MomentID;
            const bool refused = m1 == m2 && m1 != TMomentID::Other;
            if (!refused && m1 == TMomentID::HM && m2 == TMomentID::LM)
                s_.op.inform("Convention is to Have TxDef as LM and TxAux as HM if both are in use. Consider "
                             "swapping.");
            if (refused) {
                s_.op.inform(
                    "If both transmitter moments exist then moments should be identified differently. TDC "
                    "format can accommodate but GEX format and Aarhus Workbench cannot. Combination HM LM "
                    "is unconventional.");
                cfg.Tx[1].MomentID = TMomentID::LM;
                cfg.Tx[2].MomentID = TMomentID::HM;
            }
        }
        TxRxAliasAcqChnMapping(cfg, s_.op);
        PopulateConfigForm();
    });
}

// ---- Buttons ----------------------------------------------------------------------------------

void TFormTEMConfig::ButtonRefreshGraphClick()
{
    command([this] {
        UserInterfaceToConfigVars();
        DrawTEMConfig();
    });
}

void TFormTEMConfig::ButtonCentroidClick()
{
    command([this] {
        UserInterfaceToConfigVars();
        DrawTEMConfig();
        s_.op.inform("Yet to Implement - please do this manually for now");
    });
}

void TFormTEMConfig::ButtonPDFClick()
{
    command([this] {
        const QString file = QString::fromStdString(s_.dialogs.saveFile(
            "Create PDF Specifications", "PDF documents (*.PDF *.pdf)", PdfDialogFileName.toStdString()));
        if (file.isEmpty())
            return;
        PdfDialogFileName = file;
        // The report describes what the window shows, as Refresh would commit it.
        UserInterfaceToConfigVars();
        DrawTEMConfig();
        report::ReportSource source;
        if (!s_.cfg.LoadFilename.empty()) {
            source.fileName = QFileInfo(QString::fromStdString(s_.cfg.LoadFilename)).absoluteFilePath();
            source.fileCrc = report::FileCrcText(source.fileName);
        }
        QApplication::setOverrideCursor(Qt::WaitCursor);
        try {
            report::WriteSystemReport(s_.cfg, source, file);
        } catch (...) {
            QApplication::restoreOverrideCursor();
            throw;
        }
        QApplication::restoreOverrideCursor();
    });
}

void TFormTEMConfig::SaveDiagramPngClick()
{
    command([this] {
        const QString file = QString::fromStdString(
            s_.dialogs.saveFile("Save the configuration diagram as a PNG image", "PNG images (*.PNG *.png)",
                                PngDialogFileName.toStdString()));
        if (file.isEmpty())
            return;
        PngDialogFileName = file;
        if (!chart()->exportPng(file))
            s_.op.inform("Could not write the image " + file.toStdString());
    });
}

void TFormTEMConfig::ButtonHELPClick()
{
    help_->show();
    help_->raise();
    help_->activateWindow();
}

void TFormTEMConfig::ButtonFwdModelClick()
{
    if (!IsRegularFile(s_.cfg.LoadFilename)) {
        s_.op.inform("The TDC configuration file must be saved before you can forward model");
        return;
    }
    forward_->FwdModelParentForm = fmpfTEMSetrix;
    s_.ConfigIniName = s_.cfg.LoadFilename;
    s_.ConfigType = 0;
    // The forward window works on the model as this window shows it, unsaved edits included.
    command([this] { UserInterfaceToConfigVars(); });
    RunSatellite(*forward_);
}

void TFormTEMConfig::RunSatellite(QDialog& window)
{
    window.exec();
    FormActivate();
}

void TFormTEMConfig::notYetAvailable(const QString& windowName)
{
    s_.op.inform("The " + windowName.toStdString() +
                 " window is not part of this version of TEM Setrix yet.");
}

// The satellite windows: each is shown modally on the session's model, then this window refills.
void TFormTEMConfig::ButtonTimeBaseClick()
{
    TFormTimeBase window(s_.cfg, s_.folders, s_.op, s_.dialogs, this);
    RunSatellite(window);
}

void TFormTEMConfig::ButtonAcqChannelsClick()
{
    TFormTEMAcqChannels window(s_.cfg, s_.op, this);
    RunSatellite(window);
}

void TFormTEMConfig::ButtonTxWaveformsClick()
{
    TFormTxWaveforms window(s_.cfg, s_.op, this);
    RunSatellite(window);
}

void TFormTEMConfig::ButtonSysResponseClick()
{
    TFormSysResp window(s_, this);
    // "Model Params" shows the forward window on the site model; it reads the configuration
    // file the response window may just have saved.
    window.showForwardWindow = [this](QWidget*) {
        forward_->FwdModelParentForm = fmpfTEMSetrix;
        s_.ConfigIniName = s_.cfg.LoadFilename;
        s_.ConfigType = 0;
        forward_->exec();
    };
    RunSatellite(window);
}

void TFormTEMConfig::ButtonVehicleClick()
{
    TFormVehicleParams window(s_.cfg, s_.op, s_.dialogs, this);
    RunSatellite(window); // its refill redraws the vehicle with the rest of the diagram
}

} // namespace tem::gui
