#include "config/TFormTxWaveforms.h"

#include <QShowEvent>
#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "config/EditorSupport.h"
#include "core/files/value_forms.h"
#include "core/model/configuration.h"
#include "core/rules/waveform_rules.h"
#include "ui_TFormTxWaveforms.h"
#include "widgets/ChartHelpers.h"
#include "widgets/KeyValueEditor.h"
#include "widgets/ScrollableWindow.h"

using tem::gui::editor::Guarded;
using tem::gui::editor::Q;
using tem::gui::editor::S;

namespace tem::gui {
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
    // Two panels side by side: the whole waveform, and its turn-off, a few microseconds that the
    // whole waveform's axis cannot show.
    QCustomPlot* chart = ui->ChartWaveform;
    QCPAxisRect* whole = chart->axisRect();
    chart->plotLayout()->take(whole);
    chart->plotLayout()->simplify();
    const QFont titleFont(font().family(), 10, QFont::Bold);
    chart->plotLayout()->addElement(
        0, 0, new QCPTextElement(chart, "Digitized Transmitter Waveform Points", titleFont));
    auto* panels = new QCPLayoutGrid;
    chart->plotLayout()->addElement(1, 0, panels);
    m_turnOff = new QCPAxisRect(chart);
    const QFont panelFont(font().family(), 9);
    panels->addElement(0, 0, new QCPTextElement(chart, "Whole waveform", panelFont));
    panels->addElement(0, 1, new QCPTextElement(chart, "Turn-off", panelFont));
    panels->addElement(1, 0, whole);
    panels->addElement(1, 1, m_turnOff);
    panels->setRowStretchFactor(0, 0.001);
    m_seriesDef = chart::AddSeries(chart, "Default Waveform", QCPScatterStyle::ssSquare, QColor(200, 40, 40),
                                   QCPGraph::lsLine);
    m_seriesAux = chart::AddSeries(chart, "Auxiliary Waveform", QCPScatterStyle::ssSquare,
                                   QColor(30, 90, 200), QCPGraph::lsLine);
    for (QCPGraph* g : {m_seriesDef, m_seriesAux}) {
        QCPGraph* copy =
            chart->addGraph(m_turnOff->axis(QCPAxis::atBottom), m_turnOff->axis(QCPAxis::atLeft));
        copy->setPen(g->pen());
        copy->setLineStyle(g->lineStyle());
        copy->setScatterStyle(g->scatterStyle());
        copy->removeFromLegend();
        (g == m_seriesDef ? m_turnOffDef : m_turnOffAux) = copy;
    }
    chart::PlaceLegend(chart, false);
    for (QCPAxisRect* rect : {whole, m_turnOff}) {
        rect->axis(QCPAxis::atBottom)->setLabel("Time (uS)");
        rect->axis(QCPAxis::atLeft)->setLabel("Relative amplitude");
    }
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
        double lo = 0, hi = 0, first = 0, last = 0;
        bool any = false;
        std::optional<tem::TimeSpan> turnOff;
        for (int i = 0; i < 2; ++i) {
            std::vector<double> x, y;
            const tem::TTxWaveform& w = m_cfg.TxWaveform[i + 1];
            if (i == 0 || m_cfg.NumTx > 1) {
                for (int j = 1; j <= std::clamp(w.WaveformPointsDigitized, 0, tem::MaxWaveformPoints); ++j) {
                    const double t = w.WaveformPointTimes[j] * 1e6, a = w.WaveformPointAmplitudes[j];
                    x.push_back(t);
                    y.push_back(a);
                    if (!std::isfinite(t) || !std::isfinite(a))
                        continue;
                    first = any ? std::min(first, t) : t;
                    last = any ? std::max(last, t) : t;
                    lo = std::min(lo, a);
                    hi = std::max(hi, a);
                    any = true;
                }
                if (const auto span = tem::TurnOffSpan(w))
                    turnOff = turnOff ? tem::TimeSpan{std::min(turnOff->from, span->from),
                                                      std::max(turnOff->to, span->to)}
                                      : *span;
            }
            chart::SetPoints(i == 0 ? m_seriesDef : m_seriesAux, x, y);
            chart::SetPoints(i == 0 ? m_turnOffDef : m_turnOffAux, x, y);
        }
        // The amplitude axis fits the points (relative amplitudes, mostly 0 to 1) with a margin.
        if (!(hi > lo))
            hi = lo + 1;
        const double pad = 0.05 * (hi - lo);
        if (!(last > first)) {
            first -= 1;
            last += 1;
        }
        const double margin = 0.02 * (last - first);
        QCPAxisRect* whole = ui->ChartWaveform->axisRect(0);
        whole->axis(QCPAxis::atBottom)->setRange(first - margin, last + margin);
        // The turn-off from the last on-time point to the end of the ramp, with a little on
        // either side.
        const double from = turnOff ? turnOff->from * 1e6 : first, to = turnOff ? turnOff->to * 1e6 : last;
        const double side = 0.15 * (to - from);
        m_turnOff->axis(QCPAxis::atBottom)->setRange(from - side, to + side);
        for (QCPAxisRect* rect : {whole, m_turnOff})
            rect->axis(QCPAxis::atLeft)->setRange(lo - pad, hi + pad);
        ui->ChartWaveform->replot();
    });
}

} // namespace tem::gui
