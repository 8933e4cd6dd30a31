#include "config/TFormTimeBase.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QShowEvent>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "config/EditorSupport.h"
#include "core/files/chn_file.h"
#include "core/files/value_forms.h"
#include "core/model/configuration.h"
#include "core/model/data_folders.h"
#include "core/rules/timebase_rules.h"
#include "ui_TFormTimeBase.h"
#include "widgets/ChartHelpers.h"
#include "widgets/RadioGroup.h"
#include "widgets/ScrollableWindow.h"

using tem::gui::editor::Guarded;
using tem::gui::editor::Q;
using tem::gui::editor::S;

namespace tem::gui {
const char* const TFormTimeBase::GateFileDialogTitle = "Open Time Gate File";
const char* const TFormTimeBase::GateFileDialogFilter = "Time gates from an older configuration file (*.*);;"
                                                        "Use TimeGates from a GEX file *.GEX (*.GEX *.gex);;"
                                                        "Read from a Monex *.CHN file (*.CHN *.chn);;"
                                                        "Read from a *.DBF time file (*.DBF *.dbf)";

namespace {

constexpr int GateRows = tem::MaxGates; // every gate a time base holds
constexpr int ChnDelayRows = 10;

class PopulatingGuard {
  public:
    explicit PopulatingGuard(bool& flag) : m_flag(flag), m_old(flag) { m_flag = true; }
    ~PopulatingGuard() { m_flag = m_old; }
    PopulatingGuard(const PopulatingGuard&) = delete;
    PopulatingGuard& operator=(const PopulatingGuard&) = delete;

  private:
    bool& m_flag;
    bool m_old;
};

QString fixed(double v, int width, int decimals)
{
    return Q(tem::FormatFixed(v, width, decimals));
}

// An integer edit of the commit: a conversion error naming the field when it is not a number.
int integerOf(const QLineEdit* edit, const char* field)
{
    const std::optional<long long> v = tem::ParseInteger(tem::Trim(S(edit->text())));
    if (!v || *v < INT32_MIN || *v > INT32_MAX)
        throw tem::ConversionError("'" + S(edit->text().trimmed()) + "' is not a valid integer value for " +
                                   field + ".");
    return static_cast<int>(*v);
}

bool isChnFile(const std::string& file)
{
    return file.size() >= 4 && tem::UpperCase(file.substr(file.size() - 4)) == ".CHN";
}

} // namespace

TFormTimeBase::TFormTimeBase(tem::Configuration& cfg, const tem::DataFolders& folders, tem::Operator& op,
                             tem::FileDialogs& dialogs, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TFormTimeBase>()), m_cfg(cfg), m_folders(folders), m_op(op),
      m_dialogs(dialogs)
{
    ui->setupUi(this);
    tem::gui::MakeScrollable(this);
    m_col[0] = {ui->RadioGroupDefFreq,
                ui->RadioGroupDefSampleRate,
                ui->EditDefOtherFreq,
                ui->EditDefSampleRate,
                ui->EditDefNoGates,
                ui->EditDefStacks,
                ui->LabeledEditDefSamplingDelay,
                ui->LabeledEditDefTimeGateFilename,
                ui->LabeledEditDefNum,
                ui->ComboBoxDefName,
                ui->StringGridDefTimeGates,
                ui->WidgetDefTxControls,
                ui->WidgetDefGateControls};
    m_col[1] = {ui->RadioGroupAuxFreq,
                ui->RadioGroupAuxSampleRate,
                ui->EditAuxOtherFreq,
                ui->EditAuxSampleRate,
                ui->EditAuxNoGates,
                ui->EditAuxStacks,
                ui->LabeledEditAuxSamplingDelay,
                ui->LabeledEditAuxTimeGateFilename,
                ui->LabeledEditAuxNum,
                ui->ComboBoxAuxName,
                ui->StringGridAuxTimeGates,
                ui->WidgetAuxTxControls,
                ui->WidgetAuxGateControls};
    // FormCreate: grid headers and row names.
    for (int t = 0; t < 2; ++t) {
        QTableWidget* g = m_col[t].gates;
        g->setColumnCount(5);
        g->setRowCount(GateRows);
        g->setHorizontalHeaderLabels({"Gate", "Centre (S)", "Width (S)", "Open (S)", "Close (S)"});
        g->verticalHeader()->setVisible(false);
        g->verticalHeader()->setDefaultSectionSize(g->fontMetrics().height() + 4);
        g->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
        g->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
        for (int r = 0; r < GateRows; ++r)
            editor::SetCell(g, r, 0, QString::number(r + 1), false);
        // The installed sets are offered beside the known names, usable at once.
        // The shipped ones are installed when chosen.
        std::vector<std::string> names = tem::GateSetChoices(t == 1, m_folders.temConfig);
        for (const std::string& n : tem::GateSetChoices(t == 1, tem::ShippedDataFolder()))
            if (std::find(names.begin(), names.end(), n) == names.end())
                names.push_back(n);
        QComboBox* combo = m_col[t].name;
        for (const std::string& n : names)
            combo->addItem(Q(n));
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setEditable(true);
        combo->setCurrentIndex(0);
        m_col[t].gateFile->installEventFilter(this);
        m_col[t].gateFile->setCursor(Qt::PointingHandCursor);
    }
    QTableWidget* d = ui->StringGridChnDelays;
    d->setRowCount(ChnDelayRows);
    d->setColumnCount(1);
    d->horizontalHeader()->setVisible(false);
    d->verticalHeader()->setVisible(false);
    d->verticalHeader()->setDefaultSectionSize(d->fontMetrics().height() + 4);
    for (int r = 0; r < ChnDelayRows; ++r)
        editor::SetCell(d, r, 0, Q(tem::ChannelDelayRowNames[static_cast<std::size_t>(r)]), false);
    d->resizeColumnToContents(0);
    d->viewport()->installEventFilter(this);

    QCustomPlot* chart = ui->ChartTimeLine;
    m_seriesOutput = chart::AddSeries(chart, "Shifted Output File Gate Centres", QCPScatterStyle::ssTriangle,
                                      QColor(200, 40, 40));
    m_seriesInstrument = chart::AddSeries(chart, "Gates with reference to Tx Ramp Start Trigger",
                                          QCPScatterStyle::ssCross, QColor(30, 90, 200));
    m_seriesRamp = chart::AddAreaSeries(chart, "Ramp", QColor(40, 150, 60));
    chart::PlaceLegend(chart, true);
    // The three titles are long: one per line, so none is cut off beside the others.
    chart->legend->setWrap(1);
    chart->yAxis->setRange(0, 1.1);
    chart->xAxis->setLabel("Time (s)");
    ui->RadioGroupTimeScale->setItemIndex(1);

    connect(ui->RadioGroupBaseFreq, &RadioGroup::itemClicked, this, [this] { RadioGroupBaseFreqClick(); });
    connect(ui->RadioGroupNumTimebases, &RadioGroup::itemClicked, this,
            [this] { RadioGroupNumTimebasesClick(); });
    connect(ui->RadioGroupTimeScale, &RadioGroup::itemClicked, this, [this] { RadioGroupTimeScaleClick(); });
    for (int t = 0; t < 2; ++t) {
        const Column& c = m_col[t];
        connect(c.freq, &RadioGroup::itemClicked, this, [this, t] { RadioGroupFreqClick(t); });
        connect(c.otherFreq, &QLineEdit::editingFinished, this, [this, t] { OtherFreqExit(t); });
        connect(c.sampleRate, &RadioGroup::itemClicked, this, [this, t] { RadioGroupSampleRateClick(t); });
        connect(c.sampleRateEdit, &QLineEdit::editingFinished, this,
                [this, t] { RadioGroupSampleRateClick(t); });
        connect(c.noGates, &QLineEdit::textEdited, this, [this, t] { EditNoGatesChange(t); });
        connect(c.stacks, &QLineEdit::textEdited, this, [this, t] { EditStacksChange(t); });
        connect(c.samplingDelay, &QLineEdit::editingFinished, this, [this, t] { SamplingDelayExit(t); });
        connect(m_col[t].name, &QComboBox::activated, this, [this, t] { ComboBoxNameCloseUp(t); });
    }
    connect(ui->ButtonDefUpdateTimebaseFromSource, &QPushButton::clicked, this,
            [this] { UpdateTimebaseFromSourceClick(0); });
    connect(ui->ButtonAuxUpdateTimebaseFromSource, &QPushButton::clicked, this,
            [this] { UpdateTimebaseFromSourceClick(1); });
    connect(ui->ButtonRemoveInitialGates, &QPushButton::clicked, this,
            [this] { ButtonRemoveInitialGatesClick(); });
    connect(ui->ComboBoxViewAcqChn, &QComboBox::currentIndexChanged, this,
            [this] { ComboBoxViewAcqChnChange(); });
    connect(d, &QTableWidget::currentCellChanged, this, &TFormTimeBase::onChnDelaysCellSelected);
    connect(d, &QTableWidget::itemChanged, this, [this] {
        if (!m_populating)
            StringGridChnDelaysExit();
    });
    connect(ui->BitBtnClose, &QPushButton::clicked, this, &QDialog::accept);
}

TFormTimeBase::~TFormTimeBase() = default;

void TFormTimeBase::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFormTimeBase::done(int result)
{
    if (!BitBtnCloseClick())
        return; // a number that cannot be read: the window stays open so it can be corrected
    QDialog::done(result);
}

bool TFormTimeBase::eventFilter(QObject* watched, QEvent* event)
{
    // A click on a read-only row of the channel delays is refused before the grid moves its
    // selection, so the selection stays where it was.
    QTableWidget* delays = ui->StringGridChnDelays;
    if (watched == delays->viewport() &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)) {
        const QModelIndex at = delays->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        if (at.isValid() && at.row() >= FirstReadOnlyDelayRow) {
            refuseReadOnlyRow();
            return true;
        }
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        for (int t = 0; t < 2; ++t)
            if (watched == m_col[t].gateFile) {
                TimeGateFilenameClick(t);
                return true;
            }
    }
    return QDialog::eventFilter(watched, event);
}

// ---- Filling ------------------------------------------------------------------------------------

void TFormTimeBase::FormShow()
{
    PopulatingGuard guard(m_populating);
    Guarded(m_op, [&] {
        tem::Configuration& cfg = m_cfg;
        ui->RadioGroupNumTimebases->setItemIndex(cfg.NumTimebases == 1 ? 0 : cfg.NumTimebases == 2 ? 1 : 2);
        RadioGroupNumTimebasesClick();

        ui->WidgetAuxTxControls->setVisible(cfg.NumTx >= 2);
        if (cfg.NumTx == 2 && cfg.NumAcqChn < 2)
            m_op.inform(
                "You have only 1 Acquisition Channel so there is no point having more than one transmitter.");
        else if (cfg.NumTx >= 3)
            m_op.inform(
                "Although the TDC file format facilitates more than 2 transmitters, this form will only "
                "display the first 2.");

        // The channel list, keeping the channel shown while it still exists.
        QComboBox* view = ui->ComboBoxViewAcqChn;
        const int keep = tem::ParseInteger(S(view->currentText())).value_or(1);
        view->clear();
        for (int c = 1; c <= std::clamp(cfg.NumAcqChn, 0, tem::MaxAcqChn); ++c)
            view->addItem(QString::number(c));
        view->setCurrentIndex(keep >= 1 && keep <= view->count() ? keep - 1 : 0);
        m_displayedAcqChn = std::max(1, view->currentIndex() + 1);
        editor::SetNumberEdit(ui->LabeledEditFrontGateDelay, cfg.FrontGateDelay,
                              fixed(cfg.FrontGateDelay * 1e6, 8, 2));

        for (int t = 1; t <= std::min(cfg.NumTimebases, 2); ++t) {
            const tem::TTimeBase& tb = cfg.TimeBase[t];
            const Column& c = m_col[t - 1];
            c.gateFile->setText(editor::PathQ(tb.TimeGateFileName));
            m_dialogFile[t - 1] = tb.TimeGateFileName;
            const int item = tem::SampleRateItemOf(tb.AnalDigConvSamplingRate);
            c.sampleRate->setItemIndex(item);
            if (item == tem::OtherSampleRateItem)
                c.sampleRateEdit->setText(Q(tem::SampleRateEditText(tb.AnalDigConvSamplingRate)));
            editor::SetNumberEdit(c.samplingDelay, tb.PreBinAppliedSamplingDelay,
                                  fixed(tb.PreBinAppliedSamplingDelay * 1e6, 12, 7));
        }
        for (int t = 1; t <= 2; ++t) {
            const int base = cfg.TimeBase[t].PowerlineBaseFrequency;
            if (base == 50 || base == 60)
                ui->RadioGroupBaseFreq->setItemIndex(base == 50 ? 0 : 1);
            else if (t <= std::max(cfg.NumTimebases, 1))
                m_op.inform("Only Powerline frequencies 50 and 60 are recognised");
        }
        for (int t = 1; t <= 2; ++t) {
            const tem::TTimeBase& tb = cfg.TimeBase[t];
            const Column& c = m_col[t - 1];
            c.stacks->setText(QString::number(tb.FullWaveformStacks));
            c.numGates->setText(QString::number(tb.NumGatesInSet));
            showNameCombo(t);
            fillGateGrid(t);
        }
        refreshTiming();
        RadioGroupTimeScaleClick();
    });
}

// Everything the frequency, stacks, sampling and gate handlers change: frequency groups and their
// labels, the derived timing, the channel delays, the gates in the ramp and the time line. Typed
// gate tables, names and the front gate delay are left as typed until the window commits them.
void TFormTimeBase::refreshTiming()
{
    PopulatingGuard guard(m_populating);
    tem::Configuration& cfg = m_cfg;
    for (int t = 1; t <= 2; ++t) {
        const int base = cfg.TimeBase[t].PowerlineBaseFrequency;
        if (base == 50 || base == 60)
            relabelFrequencies(t - 1, base);
    }
    for (int t = 1; t <= std::min(cfg.NumTx, 2); ++t) {
        tem::TTransmitter& tx = cfg.Tx[t];
        const Column& c = m_col[t - 1];
        const int item = tem::FrequencyItemOf(tx.FullWaveformRepetitionFrequency);
        c.freq->setItemIndex(item);
        if (item == tem::OtherFrequencyItem)
            c.otherFreq->setText(fixed(tx.FullWaveformRepetitionFrequency, 7, 1));
        tem::DeriveTransmitterTiming(cfg, t);
        (t == 1 ? ui->LabelDefPeriod : ui->LabelAuxPeriod)
            ->setText("Waveform period mS: " + fixed(tx.drivenWaveformPeriod * 1000, 0, 18));
        (t == 1 ? ui->LabelDefOffOn : ui->LabelAuxOffOn)
            ->setText("Off/On duration mS: " + fixed(tx.drivenWaveformPeriod * 250, 0, 18));
        if (tx.NoGates == 0)
            tx.NoGates = tem::GatesClosingInOffTime(cfg, t);
        c.noGates->setText(QString::number(tx.NoGates));
        (t == 1 ? ui->LabelDefSampleTime : ui->LabelAuxSampleTime)
            ->setText("Sampling time (sec): " + fixed(tx.drivenSamplingTime, 12, 7));
    }
    fillChannelDelays();
    ButtonRemoveInitialGatesClick();
    UpdateTimeline();
}

void TFormTimeBase::relabelFrequencies(int column, int baseFrequency)
{
    for (int i = 0; i <= tem::OtherFrequencyItem; ++i)
        m_col[column].freq->setItemText(i, Q(tem::FrequencyItemLabel(baseFrequency, i)));
}

void TFormTimeBase::showNameCombo(int t)
{
    const tem::TTimeBase& tb = m_cfg.TimeBase[t];
    QComboBox* combo = m_col[t - 1].name;
    const QSignalBlocker block(combo);
    const int index =
        tb.GateSetKnownIndex >= 0 && tb.GateSetKnownIndex < combo->count() ? tb.GateSetKnownIndex : 0;
    const QString name = Q(tb.GateSetName);
    // A known set shows as a fixed list; item 0, or a name the list does not hold, stays editable.
    combo->setEditable(index == 0 || combo->itemText(index) != name);
    combo->setCurrentIndex(index);
    if (combo->isEditable())
        combo->setEditText(name);
}

void TFormTimeBase::fillGateGrid(int t)
{
    const tem::TTimeBase& tb = m_cfg.TimeBase[t];
    QTableWidget* g = m_col[t - 1].gates;
    const QSignalBlocker block(g);
    const int n = std::clamp(tb.NumGatesInSet, 0, GateRows);
    for (int r = 0; r < GateRows; ++r) {
        const int j = r + 1;
        if (j <= n) {
            const double v[4] = {tb.GateCentre[j], tb.GateWidth[j], tb.drivenGateStart[j],
                                 tb.drivenGateEnd[j]};
            for (int k = 0; k < 4; ++k)
                editor::SetNumberCell(g, r, k + 1, v[k], fixed(v[k], 12, 7));
        } else {
            for (int k = 1; k <= 4; ++k)
                editor::SetCell(g, r, k, QString(), true);
        }
    }
}

void TFormTimeBase::fillChannelDelays()
{
    PopulatingGuard guard(m_populating);
    QTableWidget* d = ui->StringGridChnDelays;
    const QSignalBlocker block(d);
    const int n = std::clamp(m_cfg.NumAcqChn, 0, tem::MaxAcqChn);
    d->setColumnCount(n + 1);
    for (int c = 1; c <= n; ++c) {
        editor::SetCell(d, 0, c, QString("AcqChn%1").arg(c, 2, 10, QChar('0')), false);
        const tem::ChannelDelays v = tem::ChannelDelaysOf(m_cfg, c);
        const double rows[5] = {v.rxDelay, v.gateTimeShift, v.meaTimeDelay, v.gate1AsApplied,
                                v.gate1Modelling};
        for (int r = 1; r <= 5; ++r)
            editor::SetNumberCell(d, r, c, rows[r - 1], fixed(rows[r - 1], 12, 7), r <= 3);
        const int ints[4] = {v.timeBase, v.tx, v.rx, v.gatesInRamp};
        for (int r = 6; r <= 9; ++r)
            editor::SetNumberCell(d, r, c, ints[r - 6], Q(tem::FormatNumbered(ints[r - 6], 1)), false);
    }
}

// ---- Handlers -----------------------------------------------------------------------------------

void TFormTimeBase::ButtonRemoveInitialGatesClick()
{
    Guarded(m_op, [&] {
        tem::CountGatesInRampAllChannels(m_cfg);
        QTableWidget* d = ui->StringGridChnDelays;
        const QSignalBlocker block(d);
        for (int c = 1; c < d->columnCount(); ++c)
            editor::SetNumberCell(d, 9, c, m_cfg.SysResp[c].drivenGatesInRamp,
                                  QString::number(m_cfg.SysResp[c].drivenGatesInRamp), false);
    });
}

void TFormTimeBase::RadioGroupBaseFreqClick()
{
    if (m_populating)
        return;
    const int item = ui->RadioGroupBaseFreq->itemIndex();
    if (item < 0)
        return;
    Guarded(m_op, [&] {
        tem::ApplyBaseFrequency(m_cfg, item == 0 ? 50 : 60);
        refreshTiming();
    });
}

void TFormTimeBase::RadioGroupFreqClick(int column)
{
    if (m_populating || column + 1 > m_cfg.NumTx)
        return;
    Guarded(m_op, [&] {
        tem::TTransmitter& tx = m_cfg.Tx[column + 1];
        const int item = m_col[column].freq->itemIndex();
        if (item < 0)
            return;
        if (item < tem::OtherFrequencyItem)
            tx.FullWaveformRepetitionFrequency =
                tem::StandardFrequency(m_cfg.TimeBase[tx.TimeBaseNumber].PowerlineBaseFrequency, item);
        else
            tx.FullWaveformRepetitionFrequency =
                tem::ParseFloat(S(m_col[column].otherFreq->text())).value_or(1055);
        refreshTiming();
    });
}

void TFormTimeBase::OtherFreqExit(int column)
{
    if (m_populating || column + 1 > m_cfg.NumTx)
        return;
    Guarded(m_op, [&] {
        m_cfg.Tx[column + 1].FullWaveformRepetitionFrequency =
            tem::ParseFloat(S(m_col[column].otherFreq->text())).value_or(1055);
        refreshTiming();
    });
}

void TFormTimeBase::RadioGroupSampleRateClick(int column)
{
    if (m_populating)
        return;
    Guarded(m_op, [&] {
        const int item = m_col[column].sampleRate->itemIndex();
        if (item < 0)
            return;
        m_cfg.TimeBase[column + 1].AnalDigConvSamplingRate =
            item < tem::OtherSampleRateItem
                ? tem::StandardSamplingRates[static_cast<std::size_t>(item)]
                : tem::SampleRateFromKilohertz(S(m_col[column].sampleRateEdit->text()));
    });
}

void TFormTimeBase::RadioGroupNumTimebasesClick()
{
    const int item = ui->RadioGroupNumTimebases->itemIndex();
    const bool aux = item == 1 || item == 2;
    ui->WidgetAuxGateControls->setVisible(aux);
    if (item == 1 && m_cfg.NumAcqChn < 2)
        m_op.inform(
            "You have only 1 Acquisition Channel so there is no point having more than one timebase.");
    else if (item == 2)
        m_op.inform(
            "Although the TDC file format facilitates more than 2 timebases, this form will only display the "
            "first 2.");
}

void TFormTimeBase::RadioGroupTimeScaleClick()
{
    Guarded(m_op, [&] {
        if (m_cfg.NumAcqChn < 1)
            return;
        const tem::TimelineSeries s = tem::Timeline(m_cfg, m_displayedAcqChn);
        QCPAxis* x = ui->ChartTimeLine->xAxis;
        // A little room beyond the last gate, so its marker is drawn whole.
        if (ui->RadioGroupTimeScale->itemIndex() == 0)
            chart::SetLinearAxis(x, 0, s.linearEnd * 1.04);
        else
            chart::SetLogAxis(x, tem::TimelineLogStart, s.logEnd * 1.25);
        setRampPoints(s);
        ui->ChartTimeLine->replot();
    });
}

void TFormTimeBase::EditNoGatesChange(int column)
{
    if (m_populating)
        return;
    Guarded(m_op, [&] {
        m_cfg.Tx[column + 1].NoGates = static_cast<int>(
            std::clamp<long long>(tem::ParseInteger(tem::Trim(S(m_col[column].noGates->text()))).value_or(1),
                                  INT32_MIN, INT32_MAX));
        ButtonRemoveInitialGatesClick();
        UpdateTimeline();
    });
}

void TFormTimeBase::EditStacksChange(int column)
{
    if (m_populating)
        return;
    Guarded(m_op, [&] {
        m_cfg.TimeBase[column + 1].FullWaveformStacks = static_cast<int>(
            std::clamp<long long>(tem::ParseInteger(tem::Trim(S(m_col[column].stacks->text()))).value_or(32),
                                  INT32_MIN, INT32_MAX));
        refreshTiming();
    });
}

void TFormTimeBase::SamplingDelayExit(int column)
{
    if (m_populating)
        return;
    Guarded(m_op, [&] {
        QLineEdit* e = m_col[column].samplingDelay;
        tem::TTimeBase& tb = m_cfg.TimeBase[column + 1];
        tb.PreBinAppliedSamplingDelay = editor::EditValue(e, 1e6, 0);
        editor::SetNumberEdit(e, tb.PreBinAppliedSamplingDelay,
                              fixed(tb.PreBinAppliedSamplingDelay * 1e6, 12, 7));
        StringGridChnDelaysExit();
    });
}

void TFormTimeBase::TimeGateFilenameClick(int column)
{
    Guarded(m_op, [&] {
        // Without a gate file of its own the dialog starts among the stored sets.
        std::string start = m_dialogFile[column];
        if (start.empty())
            start = m_folders.temConfig + "Channel_Files/";
        const std::string file = m_dialogs.openFile(GateFileDialogTitle, GateFileDialogFilter, start);
        if (file.empty())
            return;
        m_dialogFile[column] = file;
        m_col[column].gateFile->setText(editor::PathQ(file));
        m_cfg.TimeBase[column + 1].TimeGateFileName = file;
        if (m_op.ask("Update times from this source now?", true))
            UpdateTimebaseFromSourceClick(column);
    });
}

void TFormTimeBase::UpdateTimebaseFromSourceClick(int column)
{
    Guarded(m_op, [&] {
        const std::string& file = m_dialogFile[column];
        if (!isChnFile(file)) {
            m_op.inform("Please cut and paste these manually as only Monex CHN files are read here so far - "
                        "or request");
            return;
        }
        tem::ReadMonexChnTimegateFile(m_cfg, file, column + 1, m_op);
        m_op.inform(
            "If this is a standard known timebase set then please ensure the correct name is selected from "
            "the drop-down box. If the set is not known then type a name row 0 of the drop-down box.");
        FormShow();
        warnGatesPastOffTime(column + 1);
    });
}

void TFormTimeBase::warnGatesPastOffTime(int timeBase)
{
    const std::string warning = tem::GatesPastOffTimeWarning(m_cfg, timeBase);
    if (!warning.empty())
        m_op.inform(warning);
}

void TFormTimeBase::ComboBoxNameCloseUp(int column)
{
    Guarded(m_op, [&] {
        QComboBox* combo = m_col[column].name;
        const int index = combo->currentIndex();
        if (index <= 0) {
            combo->setEditable(true);
        } else {
            const QString name = combo->itemText(index);
            combo->setEditable(false);
            tem::TTimeBase& tb = m_cfg.TimeBase[column + 1];
            const tem::TTimeBase before = tb;
            tb.GateSetKnownIndex = index;
            tb.GateSetName = S(name);
            if (m_op.ask("Load the stored gates for this name?", true)) {
                try {
                    const std::string folder = tem::GetPathToTEMConfigData(m_folders, m_op);
                    tem::InstallShippedGateSets(folder);
                    tem::LoadKnownGateSet(m_cfg, folder, S(name), column + 1, m_op);
                } catch (const tem::ActionError&) {
                    // A refused set leaves the gates as they were, and the name goes back with them.
                    tb = before;
                    showNameCombo(column + 1);
                    throw;
                }
                m_dialogFile[column] = tb.TimeGateFileName;
                FormShow();
                warnGatesPastOffTime(column + 1);
            } else {
                m_op.inform("It is up to you to ensure correct gate times are loaded - erroneous modelling "
                            "will occur "
                            "if incorrect gate times are attributed to a dataset.");
            }
        }
    });
    if (column == 1 && m_cfg.NumTx < 2)
        m_op.inform(
            "Warning: you only have one Transmitter Moment - Auxilliary gates cannot exist and will not be "
            "loaded.");
}

void TFormTimeBase::ComboBoxViewAcqChnChange()
{
    if (m_populating)
        return;
    m_displayedAcqChn = std::max(1, ui->ComboBoxViewAcqChn->currentIndex() + 1);
    UpdateTimeline();
    RadioGroupTimeScaleClick();
}

void TFormTimeBase::refuseReadOnlyRow()
{
    m_op.inform("This row is Read Only - Use it as a confirmation that the shifts you are applying have the "
                "correct sign and are applying intended consequences. GateTimeShift is applied negatively.");
}

// Mouse clicks on the read-only rows never reach the grid (eventFilter); this catches the keyboard.
void TFormTimeBase::onChnDelaysCellSelected(int row, int col, int prevRow, int prevCol)
{
    if (m_populating || row < FirstReadOnlyDelayRow)
        return;
    refuseReadOnlyRow();
    PopulatingGuard guard(m_populating);
    QTableWidget* d = ui->StringGridChnDelays;
    const QSignalBlocker block(d);
    if (prevRow >= 0 && prevRow < FirstReadOnlyDelayRow)
        d->setCurrentCell(prevRow, prevCol);
    else
        d->setCurrentCell(-1, -1);
    Q_UNUSED(col);
}

void TFormTimeBase::StringGridChnDelaysExit()
{
    Guarded(m_op, [&] {
        QTableWidget* d = ui->StringGridChnDelays;
        const int n = std::clamp(m_cfg.NumAcqChn, 0, tem::MaxAcqChn);
        for (int c = 1; c <= n && c < d->columnCount(); ++c)
            tem::StoreChannelDelays(m_cfg, c, editor::CellNumber(d, 1, c, 0), editor::CellNumber(d, 2, c, 0),
                                    editor::CellNumber(d, 3, c, 0));
        fillChannelDelays();
        ButtonRemoveInitialGatesClick();
        UpdateTimeline();
    });
}

void TFormTimeBase::setRampPoints(const tem::TimelineSeries& s)
{
    // A logarithmic axis has no time 0: the ramp's start is drawn at the axis's left end, where the
    // ramp begins on screen, instead of at an undefined place.
    std::vector<double> x = s.rampX;
    if (ui->RadioGroupTimeScale->itemIndex() == 1)
        for (double& t : x)
            t = std::max(t, tem::TimelineLogStart);
    chart::SetPoints(m_seriesRamp, x, s.rampY);
}

void TFormTimeBase::UpdateTimeline()
{
    Guarded(m_op, [&] {
        if (m_cfg.NumAcqChn < 1 || m_displayedAcqChn > m_cfg.NumAcqChn)
            return;
        const tem::TimelineSeries s = tem::Timeline(m_cfg, m_displayedAcqChn);
        chart::SetPoints(m_seriesOutput, s.outputX, s.outputY);
        chart::SetPoints(m_seriesInstrument, s.instrumentX, s.instrumentY);
        setRampPoints(s);
        ui->ChartTimeLine->replot();
    });
}

// ---- Commit on close ----------------------------------------------------------------------------

bool TFormTimeBase::BitBtnCloseClick()
{
    // Every number whose conversion may stop the commit is read first, so a bad one leaves the
    // model exactly as it was.
    return Guarded(m_op, [&] {
        const int timebases = std::min(m_cfg.NumTimebases, 2);
        for (int t = 1; t <= timebases; ++t) {
            const Column& c = m_col[t - 1];
            if (c.sampleRate->itemIndex() == tem::OtherSampleRateItem)
                tem::SampleRateFromKilohertz(S(c.sampleRateEdit->text()));
            if (t == 1)
                integerOf(c.stacks, "Stacks (full waveform)");
            const int n =
                t == 1 ? integerOf(c.numGates, "Gates in gate file")
                       : static_cast<int>(tem::ParseInteger(tem::Trim(S(c.numGates->text()))).value_or(1));
            if (n < 0 || n > tem::MaxGates)
                throw tem::ConversionError("Gates in gate file must be between 0 and " +
                                           std::to_string(tem::MaxGates) + "; " + std::to_string(n) +
                                           " was entered.");
        }
        commitClose();
    });
}

void TFormTimeBase::commitClose()
{
    tem::Configuration& cfg = m_cfg;
    cfg.FrontGateDelay = editor::EditValue(ui->LabeledEditFrontGateDelay, 1e6, 0);
    ButtonRemoveInitialGatesClick();

    const int base = ui->RadioGroupBaseFreq->itemIndex() == 1 ? 60 : 50;
    for (int t = 1; t <= std::min(cfg.NumTimebases, 2); ++t) {
        const Column& c = m_col[t - 1];
        tem::TTimeBase& tb = cfg.TimeBase[t];
        tb.TimeGateFileName = m_dialogFile[t - 1];
        const int rateItem = c.sampleRate->itemIndex();
        if (rateItem >= 0)
            tb.AnalDigConvSamplingRate = rateItem < tem::OtherSampleRateItem
                                             ? tem::StandardSamplingRates[static_cast<std::size_t>(rateItem)]
                                             : tem::SampleRateFromKilohertz(S(c.sampleRateEdit->text()));
        tb.PreBinAppliedSamplingDelay = editor::EditValue(c.samplingDelay, 1e6, 0);
        if (ui->RadioGroupBaseFreq->itemIndex() >= 0)
            tb.PowerlineBaseFrequency = base;
        const auto intOr = [](const QLineEdit* edit, int fallback) {
            return static_cast<int>(std::clamp<long long>(
                tem::ParseInteger(tem::Trim(S(edit->text()))).value_or(fallback), INT32_MIN, INT32_MAX));
        };
        tb.FullWaveformStacks = intOr(c.stacks, 1);
        tb.NumGatesInSet = intOr(c.numGates, 1);
        tb.GateSetName = S(c.name->currentText());
        tb.GateSetKnownIndex = std::max(0, c.name->currentIndex());
        std::vector<tem::Gate> gates;
        for (int j = 1; j <= tb.NumGatesInSet; ++j) {
            const QTableWidget* g = c.gates;
            tem::Gate gate;
            gate.centre = editor::CellNumber(g, j - 1, 1, 0);
            gate.width = editor::CellNumber(g, j - 1, 2, 0);
            gate.start = editor::CellNumber(g, j - 1, 3, gate.centre - gate.width / 2);
            gate.end = editor::CellNumber(g, j - 1, 4, gate.start + gate.width);
            gates.push_back(gate);
        }
        if (!tem::StoreGates(tb, t, gates))
            m_op.inform(std::string(tem::GateConsistencyMessage));
    }

    for (int t = 1; t <= std::min(cfg.NumTx, 2); ++t) {
        const Column& c = m_col[t - 1];
        tem::TTransmitter& tx = cfg.Tx[t];
        const int item = c.freq->itemIndex();
        if (item >= 0 && item < tem::OtherFrequencyItem)
            tx.FullWaveformRepetitionFrequency = tem::StandardFrequency(base, item);
        else if (item == tem::OtherFrequencyItem)
            tx.FullWaveformRepetitionFrequency = tem::ParseFloat(S(c.otherFreq->text())).value_or(100000);
        tem::DeriveTransmitterTiming(cfg, t);
    }

    QTableWidget* d = ui->StringGridChnDelays;
    for (int c = 1; c <= std::clamp(cfg.NumAcqChn, 0, tem::MaxAcqChn) && c < d->columnCount(); ++c)
        tem::StoreChannelDelays(cfg, c, editor::CellNumber(d, 1, c, 0), editor::CellNumber(d, 2, c, 0),
                                editor::CellNumber(d, 3, c, 0));
}

} // namespace tem::gui
