#pragma once
// The system test window: loads a system test file, draws the station averages, the shorted-loop
// response beside a reference model, the turns ratios, compares measured with anticipated currents,
// ramps and noise, and exports the station-8 site response. Shown modally from the system response
// window. It does not touch the configuration model.

#include <QDialog>
#include <array>
#include <memory>

#include "core/systest/system_test_analysis.h"

namespace tem {
class Operator;
class FileDialogs;
} // namespace tem

namespace Ui {
class TFormVarloSystemTest;
}

class QCPGraph;

namespace tem::gui {
class PointLabels;

class TFormVarloSystemTest : public QDialog {
    Q_OBJECT

  public:
    /// data holds the results of the last load for the life of the process.
    TFormVarloSystemTest(tem::SystemTestData& data, tem::Operator& op, tem::FileDialogs& dialogs,
                         QWidget* parent = nullptr);
    ~TFormVarloSystemTest() override;

    static const char* const LoadDialogTitle;
    static const char* const LoadDialogFilter;
    static const char* const SaveDialogTitle;
    static const char* const SaveDialogFilter;

    /// The working reference model (reset to the defaults on every showing).
    const tem::ShortedLoopModel& Model() const { return m_model; }

  public slots:
    void FormShow();
    void Refresh();
    void ButtonLoadTXTClick();
    void ButtonUpdateModelClick();
    void LabeledEditPreAmpGainExit();
    void ButtonSaveCSVClick();
    void CalcShorted();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    /// The twelve series of one receiver, in the order of the legend.
    struct ReceiverSeries {
        std::array<QCPGraph*, 8> station{};
        QCPGraph* reference = nullptr;
        QCPGraph* shorted = nullptr;
        QCPGraph* rxRatio = nullptr;
        QCPGraph* txRatio = nullptr;
    };
    void createSeries();
    void receiverSwitch();
    void showMeasured();
    void showNoise();
    void drawResults();
    void clearResultSeries();
    void setSeries(QCPGraph* g, const QVector<double>& x, const QVector<double>& y, QVector<QString> labels);
    void rescaleLeftAxis();
    int kind() const;
    int receiver() const;

    std::unique_ptr<Ui::TFormVarloSystemTest> ui;
    tem::SystemTestData& m_data;
    tem::Operator& m_op;
    tem::FileDialogs& m_dialogs;
    tem::ShortedLoopModel m_model;
    std::array<ReceiverSeries, 2> m_series{};
    PointLabels* m_labels = nullptr;
};

} // namespace tem::gui
