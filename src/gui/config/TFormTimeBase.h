#pragma once
// The time base window: power-line base frequency, waveform frequencies, sampling, the gate tables
// of the first two time bases, the per-channel time shifts and a time line of one channel's gates
// against the transmitter ramp. Shown modally from the main window.

#include <QDialog>
#include <array>
#include <memory>
#include <string>

namespace tem {
struct Configuration;
struct DataFolders;
struct TimelineSeries;
class Operator;
class FileDialogs;
} // namespace tem

namespace Ui {
class TFormTimeBase;
}

class QComboBox;
class QCPGraph;
class QLineEdit;
class QTableWidget;

namespace tem::gui {
class RadioGroup;

class TFormTimeBase : public QDialog {
    Q_OBJECT

  public:
    TFormTimeBase(tem::Configuration& cfg, const tem::DataFolders& folders, tem::Operator& op,
                  tem::FileDialogs& dialogs, QWidget* parent = nullptr);
    ~TFormTimeBase() override;

    /// The gate-file dialogs' title and filters, entry 3 being Monex CHN files.
    static const char* const GateFileDialogTitle;
    static const char* const GateFileDialogFilter;

    int DisplayedAcqChn() const { return m_displayedAcqChn; }

  public slots:
    /// Fills the whole window from the model and recomputes the derived timing.
    void FormShow();
    /// Commits the window into the model. Returns false, with a message and nothing committed,
    /// when a number it needs cannot be read; the window then stays open.
    bool BitBtnCloseClick();
    void RadioGroupBaseFreqClick();
    void RadioGroupFreqClick(int column);
    void OtherFreqExit(int column);
    void RadioGroupSampleRateClick(int column);
    void RadioGroupNumTimebasesClick();
    void RadioGroupTimeScaleClick();
    void EditNoGatesChange(int column);
    void EditStacksChange(int column);
    void SamplingDelayExit(int column);
    void TimeGateFilenameClick(int column);
    void UpdateTimebaseFromSourceClick(int column);
    void ComboBoxNameCloseUp(int column);
    void ComboBoxViewAcqChnChange();
    void StringGridChnDelaysExit();
    void ButtonRemoveInitialGatesClick();
    void UpdateTimeline();

  protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    /// Tells the operator when the set just loaded into TimeBase[timeBase] outlasts an off time.
    void warnGatesPastOffTime(int timeBase);
    struct Column {
        RadioGroup *freq, *sampleRate;
        QLineEdit *otherFreq, *sampleRateEdit, *noGates, *stacks, *samplingDelay, *gateFile, *numGates;
        QComboBox* name;
        QTableWidget* gates;
        QWidget *txControls, *gateControls;
    };
    void refreshTiming();
    void fillChannelDelays();
    void fillGateGrid(int t);
    void relabelFrequencies(int column, int baseFrequency);
    void showNameCombo(int t);
    void onChnDelaysCellSelected(int row, int col, int prevRow, int prevCol);
    void refuseReadOnlyRow();
    void setRampPoints(const tem::TimelineSeries& s);
    /// Rows from here on of the channel delays grid are confirmations, not edits.
    static constexpr int FirstReadOnlyDelayRow = 4;
    void commitClose();

    std::unique_ptr<Ui::TFormTimeBase> ui;
    tem::Configuration& m_cfg;
    const tem::DataFolders& m_folders;
    tem::Operator& m_op;
    tem::FileDialogs& m_dialogs;
    std::array<Column, 2> m_col{};
    std::array<std::string, 2> m_dialogFile; // file name held by each column's gate-file dialog
    int m_displayedAcqChn = 1;
    bool m_populating = false;
    QCPGraph *m_seriesOutput = nullptr, *m_seriesInstrument = nullptr, *m_seriesRamp = nullptr;
};

} // namespace tem::gui
