#include "editor/TFormTxWaveforms.h"

#include <QShowEvent>
#include <algorithm>
#include <vector>

#include "core/editor/waveform_rules.h"
#include "core/files/value_forms.h"
#include "core/model/configuration.h"
#include "editor/EditorSupport.h"
#include "ui_TFormTxWaveforms.h"
#include "widgets/ChartHelpers.h"
#include "widgets/KeyValueEditor.h"
#include "widgets/ScrollableWindow.h"

using editor::Guarded;
using editor::Q;
using editor::S;

namespace {
constexpr int ExactRole = Qt::UserRole;
constexpr int ShownRole = Qt::UserRole + 1;

void remember(QTableWidgetItem* item, double exact)
{
    item->setData(ExactRole, exact);
    item->setData(ShownRole, item->text());
}

std::optional<double> exactOf(const QTableWidgetItem* item)
{
    if (item && item->data(ExactRole).isValid() && item->text() == item->data(ShownRole).toString())
        return item->data(ExactRole).toDouble();
    return std::nullopt;
}
} // namespace

TFormTxWaveforms::TFormTxWaveforms(tem::Configuration& cfg, tem::Operator& op, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TFormTxWaveforms>()), m_cfg(cfg), m_op(op)
{
    ui->setupUi(this);
    tem::gui::MakeScrollable(this);
    m_editor[0] = ui->ValueListEditorWaveformModelDef;
    m_editor[1] = ui->ValueListEditorWaveformModelAux;
    m_count[0] = ui->LabeledEditDefNumWaveformPoints;
    m_count[1] = ui->LabeledEditAuxNumWaveformPoints;
    m_ramp[0] = ui->LabeledEditDefRamp;
    m_ramp[1] = ui->LabeledEditAuxRamp;
    for (int i = 0; i < 2; ++i) {
        KeyValueEditor* ed = m_editor[i];
        ed->setTitles("Time (seconds)", "Volts");
        ed->setKeysEditable(true);
        ed->setRowsEditable(true);
        const auto validated = [this, i] { m_changed[i] = true; };
        connect(ed, &KeyValueEditor::valueEdited, this, validated);
        connect(ed, &KeyValueEditor::keyEdited, this, validated);
        connect(ed, &KeyValueEditor::rowsChanged, this, validated);
        connect(ed, &KeyValueEditor::editingLeft, this, [this] { ValueListEditorWaveformModelDefExit(); });
        connect(ed, &KeyValueEditor::duplicateKeyRejected, this, [this](const QString& key) {
            m_op.inform("Duplicate time " + S(key.trimmed()) + ": every point needs its own time.");
        });
        connect(m_count[i], &QLineEdit::editingFinished, this, [this, i] { NumWaveformPointsExit(i); });
    }
    for (QLineEdit* e : {ui->EditDefWaveformFile, ui->EditAuxWaveformFile})
        e->setMinimumWidth(e->fontMetrics().horizontalAdvance(e->text()) + 16);
    QCustomPlot* chart = ui->ChartWaveform;
    chart->plotLayout()->insertRow(0);
    chart->plotLayout()->addElement(0, 0,
                                    new QCPTextElement(chart, "Digitized Transmitter Waveform Points",
                                                       QFont(font().family(), 10, QFont::Bold)));
    m_seriesDef = chart::AddSeries(chart, "Default Waveform", QCPScatterStyle::ssSquare, QColor(200, 40, 40),
                                   QCPGraph::lsLine);
    m_seriesAux = chart::AddSeries(chart, "Auxiliary Waveform", QCPScatterStyle::ssSquare,
                                   QColor(30, 90, 200), QCPGraph::lsLine);
    chart::PlaceLegend(chart, false);
    chart->xAxis->setLabel("Time (uS)");
    connect(ui->BitBtnClose, &QPushButton::clicked, this, &QDialog::accept);
}

TFormTxWaveforms::~TFormTxWaveforms() = default;

void TFormTxWaveforms::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFormTxWaveforms::done(int result)
{
    // Closing takes the focus from an edited editor: its rows are committed first.
    ValueListEditorWaveformModelDefExit();
    QDialog::done(result);
}

bool TFormTxWaveforms::auxVisible() const
{
    return m_cfg.NumTx > 1 || m_cfg.Tx[2].MomentID == tem::TMomentID::SingleM;
}

void TFormTxWaveforms::fillEditor(int which, int rows, int width, int decimals)
{
    const tem::TTxWaveform& w = m_cfg.TxWaveform[which + 1];
    KeyValueEditor* ed = m_editor[which];
    ed->clearRows();
    for (int j = 1; j <= std::clamp(rows, 0, tem::MaxWaveformPoints); ++j) {
        const double t = w.WaveformPointTimes[j], a = w.WaveformPointAmplitudes[j];
        const int row =
            ed->appendRow(Q(tem::FormatFixed(t, width, decimals)), Q(tem::FormatFixed(a, width, decimals)));
        const QSignalBlocker block(ed);
        remember(ed->item(row, 0), t);
        remember(ed->item(row, 1), a);
    }
}

void TFormTxWaveforms::FormShow()
{
    Guarded(m_op, [&] {
        ui->WidgetAuxWaveform->setVisible(auxVisible());
        m_changed[0] = m_changed[1] = false;
        for (int i = 0; i < 2; ++i) {
            const tem::TTxWaveform& w = m_cfg.TxWaveform[i + 1];
            m_count[i]->setText(QString("%1").arg(w.WaveformPointsDigitized, 3));
            m_ramp[i]->setText(Q(tem::FormatFixed(w.drivenRamp * 1e6, 7, 1)));
            fillEditor(i, w.WaveformPointsDigitized, i == 0 ? 13 : 12, i == 0 ? 8 : 7);
        }
        Refreshgraph();
    });
}

void TFormTxWaveforms::NumWaveformPointsExit(int which)
{
    Guarded(m_op, [&] {
        tem::TTxWaveform& w = m_cfg.TxWaveform[which + 1];
        const int n = tem::WaveformPointCount(S(m_count[which]->text()), m_op);
        if (n == w.WaveformPointsDigitized)
            return;
        w.WaveformPointsDigitized = n;
        m_count[which]->setText(QString("%1").arg(n, 3));
        fillEditor(which, std::max(n, 1), 12, 7);
        Refreshgraph();
    });
}

void TFormTxWaveforms::ValueListEditorWaveformModelDefExit()
{
    if (!m_changed[0] && !m_changed[1])
        return;
    Guarded(m_op, [&] {
        for (int i = 0; i < (auxVisible() ? 2 : 1); ++i) {
            KeyValueEditor* ed = m_editor[i];
            std::vector<tem::WaveformRow> rows;
            for (int r = 0; r < ed->rowCount(); ++r)
                rows.push_back(
                    {S(ed->keyAt(r)), S(ed->valueAt(r)), exactOf(ed->item(r, 0)), exactOf(ed->item(r, 1))});
            tem::TTxWaveform& w = m_cfg.TxWaveform[i + 1];
            tem::CommitWaveformRows(w, rows, i == 1, m_op);
            m_count[i]->setText(QString("%1").arg(w.WaveformPointsDigitized, 3));
            m_ramp[i]->setText(Q(tem::FormatFixed(w.drivenRamp * 1e6, 7, 1)));
        }
        m_changed[0] = m_changed[1] = false;
        Refreshgraph();
    });
}

void TFormTxWaveforms::Refreshgraph()
{
    Guarded(m_op, [&] {
        for (int i = 0; i < 2; ++i) {
            std::vector<double> x, y;
            const tem::TTxWaveform& w = m_cfg.TxWaveform[i + 1];
            if (i == 0 || m_cfg.NumTx > 1)
                for (int j = 1; j <= std::clamp(w.WaveformPointsDigitized, 0, tem::MaxWaveformPoints); ++j) {
                    x.push_back(w.WaveformPointTimes[j] * 1e6);
                    y.push_back(w.WaveformPointAmplitudes[j] * 1e6);
                }
            chart::SetPoints(i == 0 ? m_seriesDef : m_seriesAux, x, y);
        }
        ui->ChartWaveform->rescaleAxes();
        ui->ChartWaveform->replot();
    });
}
