#pragma once
// The transmitter waveform window: the digitised current waveform of the default and auxiliary
// transmitter as (time, amplitude) rows, the ramp taken from them, and a chart of both.

#include <QDialog>
#include <memory>

namespace tem {
struct Configuration;
class Operator;
} // namespace tem

namespace Ui {
class TFormTxWaveforms;
}

class QCPAxisRect;
class QCPGraph;
class QLineEdit;

namespace tem::gui {
class KeyValueEditor;

class TFormTxWaveforms : public QDialog {
    Q_OBJECT

  public:
    TFormTxWaveforms(tem::Configuration& cfg, tem::Operator& op, QWidget* parent = nullptr);
    ~TFormTxWaveforms() override;

    bool DefWaveformChanged() const { return m_changed[0]; }
    bool AuxWaveformChanged() const { return m_changed[1]; }

  public slots:
    void FormShow();
    /// A point count edit lost focus (0 default, 1 auxiliary).
    void NumWaveformPointsExit(int which);
    /// An editor lost focus: commits both waveforms when either was edited.
    void ValueListEditorWaveformModelDefExit();
    void Refreshgraph();

  protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

  private:
    void fillEditor(int which, int rows, int width, int decimals);
    bool auxVisible() const;

    std::unique_ptr<Ui::TFormTxWaveforms> ui;
    tem::Configuration& m_cfg;
    tem::Operator& m_op;
    KeyValueEditor* m_editor[2];
    QLineEdit* m_count[2];
    QLineEdit* m_ramp[2];
    bool m_changed[2] = {false, false};
    QCPGraph *m_seriesDef = nullptr, *m_seriesAux = nullptr;
    // The turn-off panel and its copies of the two series.
    QCPAxisRect* m_turnOff = nullptr;
    QCPGraph *m_turnOffDef = nullptr, *m_turnOffAux = nullptr;
};

} // namespace tem::gui
