#pragma once
// The system response window: builds the system response of one acquisition channel at a time
// from field data over a known site minus a forward model of that site, or from the parametric
// equation; edits it, adds a noise model, and commits everything to the configuration in memory.
// Shown modally from the main window.

#include <QDialog>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QString>

#include "core/response/response_curves.h"

namespace tem {
struct Configuration;
struct SystemTestData;
} // namespace tem

namespace tem::gui {
struct Session;
}

namespace Ui {
class TFormSysResp;
}

class QCPGraph;

namespace tem::gui {
class PointLabels;

class TFormSysResp : public QDialog {
    Q_OBJECT

  public:
    explicit TFormSysResp(tem::gui::Session& session, QWidget* parent = nullptr);
    ~TFormSysResp() override;

    static const char* const FieldDataDialogFilter;
    static const char* const SysRespLoadDialogTitle;
    static const char* const SysRespDialogFilter;
    static const char* const CloseWarning;
    static const char* const CloseQuestion;
    static const char* const CommitOnSaveMessage;

    /// Shows the forward modelling window modally (the application sets it once that window
    /// exists); without it "Model Params" says the window is not available.
    std::function<void(QWidget* parent)> showForwardWindow;

    int AcqSel() const { return m_acqSel; }
    double CrossoverStretcher() const { return m_crossoverStretcher; }
    bool ChangesCommitted() const { return m_changesCommitted; }
    /// Whether the window holds changes that no commit has taken: edits in its controls, or
    /// records it changed since it opened or last committed.
    bool HasUncommittedChanges() const;
    const tem::CurvePoints& Curve(tem::ResponseCurve c) const
    {
        return m_curves[static_cast<std::size_t>(c)];
    }

  public slots:
    void FormShow();
    void ComboBoxAcqChnChange();
    void EditCrossoverStretcherChange();
    void EditModelLayersChange();
    void StringGridLayersExit();
    void ButtonUpdateSimulationClick();
    void ButtonLoadFieldDataClick();
    void ButtonLoadSysRespClick();
    void ButtonSaveSysRespClick();
    void Commit();
    /// The commit; false (after the error report) when a value could not be read: then nothing
    /// was committed.
    bool CommitChanges();
    void NoiseUpdate();
    void ButtonSubtractClick();
    void ButtonSeedClick();
    void ButtonForwardModelClick();
    void ButtonModelParamsClick();
    void ButtonRunSystemTestClick();

  protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

  private:
    tem::Configuration& cfg();
    void setCurve(tem::ResponseCurve c, tem::CurvePoints points);
    void redrawCurve(tem::ResponseCurve c);
    void redrawAll();
    void relabelLeftAxis();
    void fillSysRespGrid();
    void onSysRespGridEdited(int row, int column);
    void fillValueList(const tem::TSystemResponse* s);
    void readValueList(tem::TSystemResponse& s);
    /// A layer cell as a number (the exact model value while its text is unchanged); throws a
    /// conversion error when it is not one.
    double layerCell(int row, int column, const std::string& what) const;
    void markEdited();
    void fillLayerGrid();
    void forwardModel(bool showWindow);
    bool runSiteModel();
    int layerCount() const;

    std::unique_ptr<Ui::TFormSysResp> ui;
    tem::gui::Session& m_session;
    int m_acqSel = 1;
    double m_crossoverStretcher = tem::DefaultCrossoverStretcher;
    bool m_changesCommitted = false;
    bool m_edited = false; ///< something was done in the window since it opened or last committed
    /// The response records as they were when the window opened or last committed: what Discard
    /// restores.
    std::vector<tem::TSystemResponse> m_committedRecords;
    /// The equation values as the value list shows them: text and the exact value behind it.
    std::array<std::pair<QString, double>, 10> m_shownParameters;
    bool m_filling = false;
    std::array<tem::CurvePoints, 6> m_curves;
    std::array<QCPGraph*, 6> m_graphs{};
    PointLabels* m_labels = nullptr;
    // The files the dialogs hold: where each starts, and what a commit records.
    std::string m_fieldDataFile, m_sysRespLoadFile, m_sysRespSaveFile;
};

} // namespace tem::gui
