#pragma once
// The depth-of-investigation analyses of the array window: the NDIC options and detectability
// option dialogs, and the NDIC, detectability, signal-to-noise and signal-contribution chart
// windows. They are created with the array window, so typed options persist; the curves come from
// the core and exist only while their window is shown, except the signal-to-noise series, which
// accumulate until "Remove All Series".

#include <QString>

#include <memory>
#include <optional>

class QCustomPlot;
class QDialog;

namespace tem::gui {

struct Session;
class TFormConfig;

class ArrayAnalysisWindows {
  public:
    ArrayAnalysisWindows(TFormConfig& form, Session& s);
    ~ArrayAnalysisWindows();

    void GraphNDICCurves();
    void GraphDetectabilityCurves();
    void DetectabilityOptions();
    void GraphSignalVsEffDepth();
    void GraphSignalContribution();

    /// Recomputes and redraws the signal contribution section from its window's controls.
    void UpdateSCE();

    /// The windows by their object names ("Form2LayerNDIC", "DetectabilityDlg", "FormNDICGraph",
    /// "FormDetect", "FormSigVsEffDepth", "FormSigContrib"), for tests.
    QDialog* window(const QString& name) const;
    /// Index of the last signal-to-noise series, -1 when there is none.
    int CurSer() const;

  private:
    struct Windows;
    TFormConfig& form_;
    Session& s_;
    std::unique_ptr<Windows> w_;
};

} // namespace tem::gui
