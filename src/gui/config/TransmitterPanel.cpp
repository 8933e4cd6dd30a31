#include "config/TransmitterPanel.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>

#include <algorithm>
#include <stdexcept>

#include "config/EditorSupport.h"
#include "core/model/configuration.h"
#include "core/operator.h"
#include "widgets/RadioGroup.h"

namespace tem::gui {

namespace {

/// The fewest loop sides the operator can choose.
constexpr int MinLoopSidesShown = 3;

/// The transmitter's checks, when the panel is filled and when it is read.
void CheckTransmitter(const TTransmitter& t, Operator& op)
{
    if (t.Turns < 1)
        op.inform("Transmitter Turns must be at least 1");
    if (t.Damping < 1)
        op.inform("Transmitter Damping must be at least 1 ohm, type 10000 for no damping");
    if (t.AxisOrient != "Z" && t.AxisOrient != "X" && t.AxisOrient != "Y")
        op.inform("Transmitter Axis Orientation must be either Z, X, or Y");
}

} // namespace

const TransmitterPanel::Rules& TransmitterPanel::RulesOf(Role role)
{
    using enum BarRounding;
    static const Rules def{{3.3, Round},  {36, Truncate}, {3.3, Round}, {18, Truncate},
                           {0, Truncate}, {45, Truncate}, true};
    static const Rules aux{{18, Truncate}, {36, Truncate}, {0, Truncate}, {0, Truncate},
                           {0, Truncate},  {45, Truncate}, false};
    return role == Role::Default ? def : aux;
}

TransmitterPanel::TransmitterPanel(QGroupBox* box, Role role) : QObject(box), box_(box), rules_(RulesOf(role))
{
    findControls(role);
    prepareControls();
    connectControls();
}

void TransmitterPanel::findControls(Role role)
{
    // The form names the two transmitters' controls alike, with "Def" or "Aux" for %1.
    const QString which = role == Role::Default ? "Def" : "Aux";
    auto find = [this, &which]<class T>(T*& control, const char* pattern) {
        const QString name = QString(pattern).arg(which);
        control = box_->findChild<T*>(name);
        if (!control)
            throw std::logic_error("The transmitter panel has no control " + name.toStdString());
    };
    find(name_, "EditTx%1Name");
    find(moment_, "RadioGroup%1Moment");
    find(sides_, "SpinEditTx%1Sides");
    find(grid_, "StringGridTx%1");
    find(turns_, "LabeledEditTx%1Turns");
    find(damp_, "LabeledEditTx%1Damp");
    find(filterOrder_, "LabeledEditTx%1FilterOrder");
    find(cutoff_, "LabeledEditTx%1Cutoff");
    find(flyLead_, "LabeledEdit%1FlyLead");
    find(orient_, "LabeledEdit%1Orient");
    find(tilt_, "LabeledEdit%1Tilt");
    find(rotation_, "LabeledEdit%1Rotation");
    find(centroidX_, "LabeledEdit%1CentroidX");
    find(centroidY_, "LabeledEdit%1CentroidY");
    find(centroidZ_, "LabeledEdit%1CentroidZ");
    find(voltBar_, "TrackBar%1Volt");
    find(currBar_, "TrackBar%1Curr");
    find(minVolts_, "LabeledEdit%1MinVolts");
    find(volts_, "LabeledEdit%1Volts");
    find(maxVolts_, "LabeledEdit%1MaxVolts");
    find(minAmps_, "LabeledEdit%1MinAmps");
    find(amps_, "LabeledEdit%1Amps");
    find(maxAmps_, "LabeledEdit%1MaxAmps");
    find(voltCurr_, "RadioGroup%1VoltCurr");
    find(outA_, "CheckBox%1OutA");
    find(outB_, "CheckBox%1OutB");
    find(area_, "LabelTx%1Area");
    find(equivSide_, "Label%1EquivSquareLoopside");
    find(power_, "Label%1Power");
    find(res_, "Label%1Res");
    find(nia_, "Label%1NIA");
}

void TransmitterPanel::prepareControls()
{
    // Numbers are padded by their formats; right-aligned they read as a column.
    for (QLineEdit* e : {damp_, filterOrder_, cutoff_, flyLead_, tilt_, rotation_, centroidX_, centroidY_,
                         centroidZ_, turns_})
        e->setAlignment(Qt::AlignRight);
    for (QLineEdit* e : {minVolts_, volts_, maxVolts_, minAmps_, amps_, maxAmps_})
        e->setMaximumWidth(70);
    for (QLineEdit* e : {centroidX_, centroidY_, centroidZ_})
        e->setMaximumWidth(80);
    // The box goes as far as the model holds vertices, so no loop from a file is cut short.
    sides_->setMaximum(MaxLoopSides);
    grid_->setColumnCount(4);
    grid_->setHorizontalHeaderLabels({"TxNode", "X", "Y", "Z"});
    grid_->verticalHeader()->setVisible(false);
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    grid_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    moment_->setItemIndex(0);
    voltCurr_->setItemIndex(0);
    resizeNodeGrid();
}

void TransmitterPanel::connectControls()
{
    connect(moment_, &RadioGroup::itemClicked, this, &TransmitterPanel::momentClicked);
    connect(sides_, &QSpinBox::valueChanged, this, &TransmitterPanel::resizeNodeGrid);
    connect(voltBar_, &QSlider::valueChanged, this, [this] { barMoved(voltBar_, volts_); });
    connect(currBar_, &QSlider::valueChanged, this, [this] { barMoved(currBar_, amps_); });
    connect(volts_, &QLineEdit::textChanged, this, [this] { voltsTyped_ = true; });
    connect(amps_, &QLineEdit::textChanged, this, [this] { ampsTyped_ = true; });
    connect(volts_, &QLineEdit::editingFinished, this,
            [this] { valueEditExit(voltBar_, volts_, voltsTyped_, rules_.volts); });
    connect(amps_, &QLineEdit::editingFinished, this,
            [this] { valueEditExit(currBar_, amps_, ampsTyped_, rules_.amps); });
    connect(minAmps_, &QLineEdit::textChanged, this,
            [this] { limitEditChange(currBar_, minAmps_, rules_.minAmps, true); });
    connect(maxAmps_, &QLineEdit::textChanged, this,
            [this] { limitEditChange(currBar_, maxAmps_, rules_.maxAmps, false); });
    if (rules_.voltLimitsTyped) {
        connect(minVolts_, &QLineEdit::textChanged, this,
                [this] { limitEditChange(voltBar_, minVolts_, rules_.minVolts, true); });
        connect(maxVolts_, &QLineEdit::textChanged, this,
                [this] { limitEditChange(voltBar_, maxVolts_, rules_.maxVolts, false); });
        return;
    }
    // Typing into the volts limits would do nothing: they are shown read-only.
    for (QLineEdit* e : {minVolts_, maxVolts_}) {
        e->setReadOnly(true);
        e->setToolTip(tr("Set by the loaded file"));
    }
}

// ---- Model to controls ------------------------------------------------------------------------

void TransmitterPanel::resizeNodeGrid()
{
    // Rows beyond a lowered count are hidden, not dropped: raising the count again before a commit
    // brings their coordinates back.
    const int sides = std::max(0, sides_->value());
    grid_->setRowCount(std::max(grid_->rowCount(), sides));
    for (int r = 0; r < grid_->rowCount(); ++r) {
        auto* item = new QTableWidgetItem(QString::number(r + 1));
        item->setFlags(Qt::ItemIsEnabled);
        item->setTextAlignment(Qt::AlignCenter);
        grid_->setItem(r, 0, item);
        grid_->setRowHidden(r, r >= sides);
    }
}

void TransmitterPanel::showSides(int sides)
{
    // A file without a loop has fewer than three sides; the box shows that count (it cannot be
    // typed back once the operator gives the loop three sides or more).
    sides_->setMinimum(std::clamp(sides, 0, MinLoopSidesShown));
    sides_->setValue(sides);
}

void TransmitterPanel::fillNodeGrid(const TTransmitter& t)
{
    grid_->setRowCount(0); // rows hidden by a lowered count belong to the values refilled now
    resizeNodeGrid();
    // Every node cell is refilled: corners of an earlier file must not survive a load that has
    // fewer (or no) nodes, or the next commit would store them as a loop.
    const int rows = std::min({t.LoopSides, grid_->rowCount(), MaxLoopSides});
    for (int r = 1; r <= grid_->rowCount(); ++r) {
        const double xyz[3] = {t.NodeX[r - 1], t.NodeY[r - 1], t.NodeZ[r - 1]};
        for (int col = 1; col <= 3; ++col) {
            if (r > rows) {
                grid_->setItem(r - 1, col, new QTableWidgetItem());
                continue;
            }
            auto* item = new QTableWidgetItem(Fmt("%8.3f", xyz[col - 1]));
            RememberNumber(item, xyz[col - 1]);
            grid_->setItem(r - 1, col, item);
        }
    }
}

void TransmitterPanel::setBar(QSlider* bar, double vMin, double v, double vMax)
{
    // Limits first, then the position, so that a stored minimum, value and maximum all survive
    // the next commit (the edits of the limits may have moved the bar with their own rounding).
    const int lo = ToBar(vMin * 1000, BarRounding::Round);
    const int hi = ToBar(vMax * 1000, BarRounding::Round);
    const QSignalBlocker block(bar);
    bar->setRange(lo, std::max(lo, hi));
    bar->setValue(ToBar(v * 1000, BarRounding::Round));
}

void TransmitterPanel::showBarsAndLimits(const TTransmitter& t)
{
    // Bars, then the value edits, then the limit edits (which act on their bars at once), then
    // the bars once more with the stored values.
    setBar(voltBar_, t.VoltsMin, t.Volts, t.VoltsMax);
    setBar(currBar_, t.AmpsMin, t.Amps, t.AmpsMax);
    volts_->setText(FmtTrim("%8.3f", t.Volts));
    amps_->setText(FmtTrim("%8.3f", t.Amps));
    minVolts_->setText(FmtTrim("%8.3f", t.VoltsMin));
    maxVolts_->setText(FmtTrim("%8.3f", t.VoltsMax));
    minAmps_->setText(FmtTrim("%8.3f", t.AmpsMin));
    maxAmps_->setText(FmtTrim("%8.3f", t.AmpsMax));
    setBar(voltBar_, t.VoltsMin, t.Volts, t.VoltsMax);
    setBar(currBar_, t.AmpsMin, t.Amps, t.AmpsMax);
    volts_->setText(FmtTrim("%8.3f", t.Volts));
    amps_->setText(FmtTrim("%8.3f", t.Amps));
}

void TransmitterPanel::show(const TTransmitter& t, Operator& op)
{
    moment_->setItemIndex(int(t.MomentID));
    showSides(t.LoopSides);
    fillNodeGrid(t);
    name_->setText(editor::Q(t.Name));
    turns_->setText(QString::number(t.Turns));
    ShowNumber(damp_, "%10.1f", t.Damping);
    ShowNumber(filterOrder_, "%10.2f", t.LPFilterOrderandCutoff[0]);
    ShowNumber(cutoff_, "%10.1f", t.LPFilterOrderandCutoff[1]);
    ShowNumber(flyLead_, "%6.1f", t.FlyingLeadLength);
    orient_->setText(editor::Q(t.AxisOrient));
    CheckTransmitter(t, op);
    ShowNumber(tilt_, "%6.2f", t.AxisTilt);
    ShowNumber(rotation_, "%8.2f", t.AxisRotation);
    ShowNumber(centroidX_, "%8.3f", t.CentroidX);
    ShowNumber(centroidY_, "%8.3f", t.CentroidY);
    ShowNumber(centroidZ_, "%8.3f", t.CentroidZ);
    showBarsAndLimits(t);
    voltCurr_->setItemIndex(t.ConstantVoltsOrAmps ? 1 : 0);
    outA_->setChecked(t.RelayA);
    outB_->setChecked(t.RelayB);
}

void TransmitterPanel::showDerived(const TTransmitter& t, bool trimmed)
{
    auto f = [trimmed](const char* format, double v) {
        return trimmed ? FmtTrim(format, v) : Fmt(format, v);
    };
    area_->setText("Area (m^2): " + f("%8.3f", t.Area));
    equivSide_->setText("Equivalent Square Loopside " + f("%7.3f", t.EquivalentSquareLoopSide));
    power_->setText("Power (Watts): " + f("%5.0f", t.Power));
    res_->setText("Resistance (Ohms): " + f("%6.2f", t.Resistance));
    nia_->setText("Moment (NIA A.m^2): " + f("%7.2f", t.MomentNIA));
    ShowNumber(centroidX_, "%8.3f", t.CentroidX, trimmed);
    ShowNumber(centroidY_, "%8.3f", t.CentroidY, trimmed);
}

// ---- Controls to model ------------------------------------------------------------------------

void TransmitterPanel::readNodes(TTransmitter& t, bool commit)
{
    t.LoopSides = sides_->value();
    const int rows = std::min(t.LoopSides, grid_->rowCount());
    // Committed: the vertices beyond the count are given up.
    if (commit && grid_->rowCount() > t.LoopSides)
        grid_->setRowCount(t.LoopSides);
    auto cell = [this](int r, int col) { return ReadNumber(grid_->item(r, col), 0); };
    for (int k = 0; k < t.LoopSides; ++k) {
        const bool inGrid = k < rows;
        t.NodeX[k] = inGrid ? cell(k, 1) : 0;
        t.NodeY[k] = inGrid ? cell(k, 2) : 0;
        t.NodeZ[k] = inGrid ? cell(k, 3) : 0;
    }
    t.NodeX[t.LoopSides] = t.NodeX[0];
    t.NodeY[t.LoopSides] = t.NodeY[0];
    t.NodeZ[t.LoopSides] = t.NodeZ[0];
}

void TransmitterPanel::read(TTransmitter& t, Operator& op, bool commit)
{
    if (moment_->itemIndex() >= 0)
        t.MomentID = TMomentID(moment_->itemIndex());
    readNodes(t, commit);
    t.Name = editor::S(name_->text());
    t.Turns = ReadInt(turns_->text(), 1);
    t.Damping = ReadNumber(damp_, 330);
    t.LPFilterOrderandCutoff[0] = ReadNumber(filterOrder_, 1);
    t.LPFilterOrderandCutoff[1] = ReadNumber(cutoff_, 30000);
    t.FlyingLeadLength = ReadNumber(flyLead_, 1.5);
    const QString orient = orient_->text().isEmpty() ? QString("Z") : orient_->text();
    if (commit && orient_->text().isEmpty())
        orient_->setText(orient);
    t.AxisOrient = editor::S(orient.left(1));
    t.AxisTilt = ReadNumber(tilt_, 0);
    t.AxisRotation = ReadNumber(rotation_, 0);
    t.CentroidX = ReadNumber(centroidX_, 0);
    t.CentroidY = ReadNumber(centroidY_, 0);
    t.CentroidZ = ReadNumber(centroidZ_, -1.8);
    t.VoltsMin = voltBar_->minimum() / 1000.0;
    t.Volts = voltBar_->value() / 1000.0;
    t.VoltsMax = voltBar_->maximum() / 1000.0;
    t.AmpsMin = currBar_->minimum() / 1000.0;
    t.Amps = currBar_->value() / 1000.0;
    t.AmpsMax = currBar_->maximum() / 1000.0;
    t.ConstantVoltsOrAmps = voltCurr_->itemIndex() == 1;
    t.RelayA = outA_->isChecked();
    t.RelayB = outB_->isChecked();
    CheckTransmitter(t, op);
}

// ---- Bars and their edits ---------------------------------------------------------------------

void TransmitterPanel::barMoved(QSlider* bar, QLineEdit* edit)
{
    const QSignalBlocker block(edit);
    edit->setText(ShortestText(bar->value() / 1000.0));
}

void TransmitterPanel::valueEditExit(QSlider* bar, QLineEdit* edit, bool& typed, EditRule rule)
{
    if (!typed)
        return;
    const QString text = edit->text();
    bar->setValue(ToBar(ReadFloat(text, rule.fallback) * 1000, rule.rounding));
    // The edit keeps what was typed, also when the bar held the value at one of its limits.
    const QSignalBlocker block(edit);
    edit->setText(text);
    typed = false;
}

void TransmitterPanel::limitEditChange(QSlider* bar, QLineEdit* edit, EditRule rule, bool isMinimum)
{
    const int v = ToBar(ReadFloat(edit->text(), rule.fallback) * 1000, rule.rounding);
    if (isMinimum) {
        if (v <= bar->maximum())
            bar->setMinimum(v);
    } else if (v >= bar->minimum()) {
        bar->setMaximum(v);
    }
}

} // namespace tem::gui
