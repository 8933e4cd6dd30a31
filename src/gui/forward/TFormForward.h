#pragma once
// The forward modelling window: the operator defines a set of layered earths by ranges and steps,
// runs them through the chosen method (TDEM engine or the built-in geo-electric model), reads the
// response table and graphs, and exports models and responses. Every computation is the core's;
// the window fills controls, calls it and shows what it reports.

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>

#include "core/forward/model_set.h"

class QTableWidget;

namespace Ui {
class TFormForward;
}

namespace tem::gui {

struct Session;
class TFormEngineRunner;
class TFormFwdModelGraph;
class TFormTEMFwdModelGraph;

/// Which part of the program opened the forward window.
enum TFwdModelParentForm { fmpfZero = 0, fmpfTEMSetrix, fmpfDCCSetrix, fmpfFDCSetrix, fmpfMoravelMainMenu };

/// The current-propagation methods, in the order of the method group.
enum TPropagationMethod { pmTDEM = 0, pmDirect = 1, pmFDEM = 2 };

class TFormForward : public QDialog {
    Q_OBJECT

  public:
    explicit TFormForward(Session& session, QWidget* parent = nullptr);
    ~TFormForward() override;

    /// Set by the opener before showing the window.
    TFwdModelParentForm FwdModelParentForm = fmpfZero;

    /// Shows the array window for the Direct method's "Enter Configuration"; returns true when it
    /// closed with OK. Without one, an array file is chosen and read instead.
    std::function<bool()> showArrayWindow;

    // ---- Life cycle ----------------------------------------------------------------------------
    void FormShow();
    void FormHide();

    // ---- Model grid ----------------------------------------------------------------------------
    /// The layer count edit was left: the grid gets count + 1 rows (count at most 10).
    void EditNumLayersExit();
    /// A cell was clicked: the half-space's thickness cells keep "*****".
    void StringGridModelClick(int row, int column);
    /// The grid as typed (rows 1 .. layer count).
    tem::ModelGrid ModelGridFromForm() const;
    void ModelGridToForm(const tem::ModelGrid& grid);

    // ---- Commands ------------------------------------------------------------------------------
    /// operatorClick: the operator chose the method (a file dialog follows); else the window's own
    /// call on show.
    void RadioGroupTEMorDirectClick(bool operatorClick);
    void SpinEditAcqChnChange();
    void ButtonEnterConfigClick();
    void ButtonRecalculateClick();
    /// The recalculation; fromButton: a new model set from the grid (the system response window
    /// runs the current set unchanged).
    void Recalculate(bool fromButton);
    void ButtonGraphClick();
    void ButtonSaveTXTClick();
    void ButtonSaveDepthDBFClick();
    void ButtonSaveVoltDBFClick();
    void EditAarExeClick();
    void EditAarConClick();
    void EditTempDirClick();

    /// Draws the graph windows from the session's results (end of every recalculation).
    void Graph();
    void GraphTEM();

    TFormTEMFwdModelGraph* temGraph() const { return temGraph_; }
    TFormFwdModelGraph* geoGraph() const { return geoGraph_; }
    TFormEngineRunner* runner() const { return runner_; }
    int method() const;

  protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildModelGrid(int layerCount);
    void setResponseColumns(bool tdem, int rows);
    void numberResponseRows();
    void showTDEMTable();
    void showConfigIniName();
    /// The array file the direct-current method works on (never a TEM configuration).
    std::string arrayFile();
    void reloadTEMConfiguration();
    void readArrayFile();
    void runTEM();
    void runDirect();
    void chooseConfigurationFile(int method);
    int layerCount() const;
    std::string appData();
    /// Runs a command; an action that must stop is reported once.
    void command(const std::function<void()>& f);

    Session& s_;
    std::unique_ptr<Ui::TFormForward> ui;
    TFormFwdModelGraph* geoGraph_ = nullptr;
    TFormTEMFwdModelGraph* temGraph_ = nullptr;
    TFormEngineRunner* runner_ = nullptr;

    // Remembered on show, restored on hide.
    std::string ConfigIniNameOnShow;
    int ConfigTypeOnShow = 0;
    bool CurrentPropagationChanged = false;
    int shownLayers_ = 3;
    bool hiding_ = false;
};

} // namespace tem::gui
