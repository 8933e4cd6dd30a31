#pragma once
// One transmitter's panel of the main window: the default (Tx1) or the auxiliary (Tx2) loop, its
// nodes, coil and electronics, the volts and amps bars with their edits, and the derived values.
// The panel takes over the controls the window's form holds for that transmitter (found by their
// names) and owns their handlers; the window fills and reads it with the transmitter's record.

#include <QObject>

#include "config/FormValues.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSlider;
class QSpinBox;
class QTableWidget;

namespace tem {
struct TTransmitter;
class Operator;
} // namespace tem

namespace tem::gui {

class RadioGroup;

class TransmitterPanel : public QObject {
    Q_OBJECT

  public:
    /// Which transmitter the panel shows: its controls' names and its edits' fallbacks.
    enum class Role { Default, Auxiliary };
    /// Takes over the controls inside `box` named for `role`.
    TransmitterPanel(QGroupBox* box, Role role);

    QGroupBox* box() const { return box_; }

    /// Model to controls: the moment, the loop sides and nodes, every field and the bars. The
    /// transmitter's checks report through `op`.
    void show(const TTransmitter& t, Operator& op);
    /// The derived values (area, equivalent side, power, resistance, moment) and the centroid;
    /// `trimmed` shows them without the padding of their formats.
    void showDerived(const TTransmitter& t, bool trimmed);
    /// Controls to model, with the transmitter's checks through `op`. With `commit` the controls
    /// are tidied as a commit does (vertices beyond the count dropped, a blank axis shown as Z).
    void read(TTransmitter& t, Operator& op, bool commit);
    /// Shows as many node rows as the sides box counts.
    void resizeNodeGrid();

    /// Whether a volts or amps value was typed since the panel last applied or forgot it (leaving
    /// the edit then moves the bar).
    bool voltsTyped() const { return voltsTyped_; }
    bool ampsTyped() const { return ampsTyped_; }
    /// The window was refilled: what the value edits show is the model's, not typed.
    void forgetTypedValues() { voltsTyped_ = ampsTyped_ = false; }

  signals:
    /// The operator chose a moment in the panel's moment group.
    void momentClicked();

  private:
    /// What a typed text that is not a number gives, and how it becomes a bar position.
    struct EditRule {
        double fallback;
        BarRounding rounding;
    };
    struct Rules {
        EditRule volts, amps, minVolts, maxVolts, minAmps, maxAmps;
        bool voltLimitsTyped; ///< otherwise the volts limits change only through a load
    };
    static const Rules& RulesOf(Role role);

    void findControls(Role role);
    void prepareControls();
    void connectControls();
    void showSides(int sides);
    void fillNodeGrid(const TTransmitter& t);
    void showBarsAndLimits(const TTransmitter& t);
    void readNodes(TTransmitter& t, bool commit);
    static void setBar(QSlider* bar, double vMin, double v, double vMax);
    static void barMoved(QSlider* bar, QLineEdit* edit);
    static void valueEditExit(QSlider* bar, QLineEdit* edit, bool& typed, EditRule rule);
    static void limitEditChange(QSlider* bar, QLineEdit* edit, EditRule rule, bool isMinimum);

    QGroupBox* box_;
    const Rules& rules_;
    QLineEdit* name_ = nullptr;
    RadioGroup* moment_ = nullptr;
    QSpinBox* sides_ = nullptr;
    QTableWidget* grid_ = nullptr;
    QLineEdit *turns_ = nullptr, *damp_ = nullptr, *filterOrder_ = nullptr, *cutoff_ = nullptr;
    QLineEdit *flyLead_ = nullptr, *orient_ = nullptr, *tilt_ = nullptr, *rotation_ = nullptr;
    QLineEdit *centroidX_ = nullptr, *centroidY_ = nullptr, *centroidZ_ = nullptr;
    QSlider *voltBar_ = nullptr, *currBar_ = nullptr;
    QLineEdit *minVolts_ = nullptr, *volts_ = nullptr, *maxVolts_ = nullptr;
    QLineEdit *minAmps_ = nullptr, *amps_ = nullptr, *maxAmps_ = nullptr;
    RadioGroup* voltCurr_ = nullptr;
    QCheckBox *outA_ = nullptr, *outB_ = nullptr;
    QLabel *area_ = nullptr, *equivSide_ = nullptr, *power_ = nullptr, *res_ = nullptr, *nia_ = nullptr;
    bool voltsTyped_ = false, ampsTyped_ = false;
};

} // namespace tem::gui
