#pragma once
// The receivers' panel of the main window: one key/value editor per receiver, tags 1 to 3, of
// which the "Display Rx" group shows one at a time. The window fills and reads it with the model.

#include <QObject>

#include <array>

class QBoxLayout;
class QWidget;

namespace tem {
struct Configuration;
class Operator;
} // namespace tem

namespace tem::gui {

class KeyValueEditor;
class RadioGroup;

class ReceiverPanel : public QObject {
    Q_OBJECT

  public:
    /// Builds the editors into `layout` of `parent`; `chooser` picks the one shown.
    ReceiverPanel(QWidget* parent, QBoxLayout* layout, RadioGroup* chooser);

    /// The editor of tag 1..3; null for any other.
    KeyValueEditor* editor(int tag) const;

    /// Fills every editor from the model: editor t shows receiver t, or receiver 1 when the model
    /// has fewer than t receivers (a blank or unknown orientation of the receiver shown becomes Z).
    void show(Configuration& cfg);
    /// Reads every editor whose receiver the model has, works out the derived values left blank
    /// and runs the receiver checks through `op`. With `commit` the editors show the derived values.
    void read(Configuration& cfg, Operator& op, bool commit);

  private:
    void showReceiver(KeyValueEditor& editor, Configuration& cfg);
    void readReceiver(KeyValueEditor& editor, Configuration& cfg, Operator& op, bool commit);
    void showChosen();

    RadioGroup* chooser_;
    std::array<KeyValueEditor*, 3> editors_{};
};

} // namespace tem::gui
