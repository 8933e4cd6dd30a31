#pragma once
// The main configuration window: shows the configuration model for editing, runs the file and
// master commands, and draws the layout diagram. Data moves between window and model only
// through PopulateConfigForm (model to controls) and UserInterfaceToConfigVars (controls to model).

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

#include "app/Session.h"
#include "core/files/config_save.h"

class QMenu;

namespace Ui {
class TFormTEMConfig;
}

namespace tem::gui {

class KeyValueEditor;
class RadioGroup;

class PointChart3D;
class ReceiverPanel;
class TransmitterPanel;

class TFormHELP;
class TFormForward;

class TFormTEMConfig : public QMainWindow {
    Q_OBJECT

  public:
    /// Creates the window (FormCreate: reads the application settings) hidden.
    explicit TFormTEMConfig(Session& session, QWidget* parent = nullptr);
    ~TFormTEMConfig() override;

    Session& session() { return s_; }

    // ---- Life cycle ----------------------------------------------------------------------------
    void FormCreate();
    /// The first time: reads the configuration named by LoadFilename. Every time: refills the
    /// window from the model, computes the derived values and redraws the diagram.
    void FormActivate();
    void FormShow();
    /// A file named on the command line: the first activation opens it in place of the file the
    /// settings name. One that cannot be opened is reported, and the settings' file opens instead.
    void SetStartupFile(const QString& fileName) { startupFile_ = fileName; }
    /// The close question, asked only when ChangedSinceFile: Yes saves, No closes without saving,
    /// Cancel keeps the window open. Returns whether the window may close (a Yes whose save did not
    /// write keeps it open).
    bool FormCloseQuery();
    /// Writes the application settings.
    void FormClose();

    // ---- Model and window ----------------------------------------------------------------------
    void PopulateConfigForm();
    void UserInterfaceToConfigVars();
    /// The model as UserInterfaceToConfigVars would commit it, without committing it: no message
    /// is shown and no control changes.
    Configuration FormModel();
    /// Whether the model as the window shows it differs from the file last read or written.
    bool ChangedSinceFile();
    /// The window now shows the file just read or written.
    void RememberFileModel();

    // ---- Layout diagram ------------------------------------------------------------------------
    void DrawTEMConfig();
    void DrawVehicle();
    void RadioGroupViewClick();
    PointChart3D* chart() const;

    // ---- Commands ------------------------------------------------------------------------------
    void ButtonLoadClick();
    void ButtonSaveClick();
    void ButtonSaveAsINIClick();
    void CheckBoxMasterClick();
    void RadioGroupTDCGEXClick();
    void EditTDCFilenameExit();
    /// Where a run of the moment rules came from.
    enum class MomentSource { DefMoment, AuxMoment, UseDefTx, UseAuxTx, NumTxCombo };
    void RadioGroupDefMomentClick(MomentSource source);
    void BitBtnCancelClick();
    /// Loads a file without the open dialog (File menu, recent files).
    void LoadFile(const QString& fileName);

    // ---- Buttons -------------------------------------------------------------------------------
    void ButtonRefreshGraphClick();
    void ButtonCentroidClick();
    void ButtonPDFClick();
    /// The diagram as a PNG image (the diagram tool bar's "Save PNG..." button).
    void SaveDiagramPngClick();
    void ButtonHELPClick();
    void ButtonFwdModelClick();
    // Buttons of the satellite windows. Each shows its window modally with RunSatellite, which
    // refills this window from the model when the satellite closes.
    void ButtonTimeBaseClick();
    void ButtonAcqChannelsClick();
    void ButtonTxWaveformsClick();
    void ButtonVehicleClick();
    void ButtonSysResponseClick();
    /// Shows a satellite window modally, then activates this window again (refill and redraw).
    void RunSatellite(QDialog& window);

    // ---- Window state --------------------------------------------------------------------------
    /// Whether a save wrote the configuration since the window was last shown.
    bool beenSaved() const { return BeenSaved; }
    /// File names the dialogs start with.
    QString openDialogFileName() const { return OpenDialogFileName; }
    QString saveDialogFileName() const { return SaveDialogFileName; }
    QString pdfDialogFileName() const { return PdfDialogFileName; }

    /// The panel of transmitter 1 (default) or 2 (auxiliary); null for any other.
    TransmitterPanel* transmitterPanel(int tx) const;
    /// The receiver editors, tags 1 to 3 (null until built).
    KeyValueEditor* rxEditor(int tag) const;
    TFormHELP* helpWindow() const { return help_; }
    TFormForward* forwardWindow() const { return forward_; }
    QStringList recentFiles() const { return recent_; }

  signals:
    /// Emitted when the window has closed; the application ends then.
    void closed();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    void buildMenus();
    void connectControls();
    void setFormat(TINIFileFormat f);
    TINIFileFormat formatFromRadio() const;
    /// Reads the controls into `cfg` and computes its derived values, with the checks' messages
    /// through `op`. With `commit`, the controls are tidied and show the derived values as a
    /// commit does; without, nothing in the window changes.
    void readForm(Configuration& cfg, Operator& op, bool commit);
    /// The Clean Save question when "Clean Save" is ticked, else nothing to ask.
    std::string cleanSaveQuestion(const std::string& question) const;
    /// Shows why a save did not write; returns whether it wrote.
    bool reportSave(const SaveResult& result);
    /// After a save: the model, the file box and the dialogs take the name the writer wrote.
    void adoptSavedName();
    void notYetAvailable(const QString& windowName);
    void updateTitle();
    void addRecentFile(const QString& fileName);
    void loadRecentFiles();
    /// Opens startupFile_, if one is given; false when none is or it could not be opened.
    bool openStartupFile();
    void saveRecentFiles();
    void rebuildRecentMenu();
    /// Runs a command; an ActionError ends it with its message.
    void command(const std::function<void()>& f);

    Session& s_;
    std::unique_ptr<Ui::TFormTEMConfig> ui;
    TransmitterPanel* def_ = nullptr;
    TransmitterPanel* aux_ = nullptr;
    ReceiverPanel* rx_ = nullptr;
    TFormHELP* help_ = nullptr;
    TFormForward* forward_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QStringList recent_;
    bool firstActivationDone_ = false;
    QString startupFile_;
    bool closing_ = false;
    /// The model as the window showed it after the file was last read or written.
    Configuration fileModel_;
    bool BeenSaved = false;
    QString OpenDialogFileName, SaveDialogFileName, PngDialogFileName, PdfDialogFileName;
};

} // namespace tem::gui
