#include "config/ReceiverPanel.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QSignalBlocker>

#include "config/EditorSupport.h"
#include "config/FormValues.h"
#include "core/model/record_fields.h"
#include "core/rules/receiver_rules.h"
#include "widgets/KeyValueEditor.h"
#include "widgets/RadioGroup.h"

namespace tem::gui {

namespace {

int EditorTag(const KeyValueEditor& editor)
{
    return editor.property("tag").toInt();
}

bool IsPolygon(const std::string& shape)
{
    return gui::editor::Q(shape).trimmed().compare("POLYGON", Qt::CaseInsensitive) == 0;
}

QString NodeKey(const char* prefix, int k)
{
    return QString(prefix) + QString::asprintf("%02d", k);
}

/// The highest node number a receiver can hold (nodes 0 to Loopsides).
constexpr int MaxRxNode = MaxLoopSides;

// The rows of the receiver editor are the lines of the receiver's record table that it shows, in
// the order and the display forms the table gives them: a line with a member is a plain row, keyed
// by its name; a line with an editor rule has a rule of its own here.

/// The editor's key of a table line: its name.
QString KeyOf(const RecordField<TReceiver>& field)
{
    return QString::fromLatin1(field.name.data(), qsizetype(field.name.size()));
}

/// A number row that gives back the exact model value while its text is left as shown.
void AppendNumber(KeyValueEditor& editor, const QString& key, const char* format, double v)
{
    const int row = editor.appendRow(key, Fmt(format, v));
    const QSignalBlocker block(editor);
    RememberNumber(editor.item(row, 1), v);
}

/// Rewrites a derived value the read filled in.
void SetNumber(KeyValueEditor& editor, const QString& key, const char* format, double v)
{
    editor.setValue(key, Fmt(format, v));
    const QSignalBlocker block(editor);
    RememberNumber(editor.item(editor.findRow(key), 1), v);
}

double NumberOf(const KeyValueEditor& editor, const QString& key, double fallback)
{
    const int row = editor.findRow(key);
    return row < 0 ? fallback : ReadNumber(editor.item(row, 1), fallback);
}

/// A plain row: a number in the line's form (the shortest without one), an integer in the line's
/// form, a flag as 1 or 0, a text as it is (trimmed when the line says so).
void AppendField(KeyValueEditor& editor, const TReceiver& rx, const RecordField<TReceiver>& field)
{
    const QString key = KeyOf(field);
    const char* form = field.view.form;
    std::visit(
        [&](auto member) {
            using M = decltype(member);
            if constexpr (std::is_same_v<M, double TReceiver::*>) {
                if (form) {
                    AppendNumber(editor, key, form, rx.*member);
                } else {
                    const int row = editor.appendRow(key, ShortestText(rx.*member));
                    const QSignalBlocker block(editor);
                    RememberNumber(editor.item(row, 1), rx.*member);
                }
            } else if constexpr (std::is_same_v<M, int TReceiver::*>) {
                editor.appendRow(key,
                                 form ? QString::asprintf(form, rx.*member) : QString::number(rx.*member));
            } else if constexpr (std::is_same_v<M, bool TReceiver::*>) {
                editor.appendRow(key, rx.*member ? "1" : "0");
            } else if constexpr (std::is_same_v<M, std::string TReceiver::*>) {
                const QString text = gui::editor::Q(rx.*member);
                editor.appendRow(key, field.view.trimmed ? text.trimmed() : text);
            }
        },
        field.member);
}

/// Reads a plain row back; typed text that is not a number gives the line's fallback.
void ReadField(const KeyValueEditor& editor, TReceiver& rx, const RecordField<TReceiver>& field)
{
    const QString key = KeyOf(field);
    const double fallback = field.EditorFallback();
    std::visit(
        [&](auto member) {
            using M = decltype(member);
            if constexpr (std::is_same_v<M, double TReceiver::*>) {
                rx.*member = NumberOf(editor, key, fallback);
            } else if constexpr (std::is_same_v<M, int TReceiver::*>) {
                rx.*member = ReadInt(editor.value(key), int(fallback));
            } else if constexpr (std::is_same_v<M, bool TReceiver::*>) {
                rx.*member = ReadInt(editor.value(key), fallback != 0 ? 1 : 0) != 0;
            } else if constexpr (std::is_same_v<M, std::string TReceiver::*>) {
                const QString text = editor.value(key);
                rx.*member = gui::editor::S(field.view.trimmed ? text.trimmed() : text);
            }
        },
        field.member);
}

} // namespace

ReceiverPanel::ReceiverPanel(QWidget* parent, QBoxLayout* layout, RadioGroup* chooser)
    : QObject(parent), chooser_(chooser)
{
    for (int t = 1; t <= 3; ++t) {
        auto* e = new KeyValueEditor(parent);
        e->setObjectName(QString("ValueListEditorRx%1").arg(t));
        e->setProperty("tag", t);
        e->setTitles(QString("Receiver %1 Key").arg(t), "Value");
        e->setToolTip(tr("Driven entries can be calculated if left blank"));
        e->setVisible(t == 1);
        e->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
        e->horizontalHeader()->setStretchLastSection(true);
        layout->addWidget(e);
        editors_[std::size_t(t - 1)] = e;
    }
    chooser_->setItemIndex(0);
    connect(chooser_, &RadioGroup::itemClicked, this, &ReceiverPanel::showChosen);
}

KeyValueEditor* ReceiverPanel::editor(int tag) const
{
    return tag >= 1 && tag <= 3 ? editors_[std::size_t(tag - 1)] : nullptr;
}

void ReceiverPanel::showChosen()
{
    const int shown = chooser_->itemIndex();
    for (int i = 0; i < 3; ++i)
        editors_[std::size_t(i)]->setVisible(i == shown);
}

void ReceiverPanel::show(Configuration& cfg)
{
    for (KeyValueEditor* e : editors_)
        showReceiver(*e, cfg);
}

void ReceiverPanel::read(Configuration& cfg, Operator& op, bool commit)
{
    for (KeyValueEditor* e : editors_)
        readReceiver(*e, cfg, op, commit);
}

void ReceiverPanel::showReceiver(KeyValueEditor& editor, Configuration& cfg)
{
    const int t = EditorTag(editor);
    TReceiver& rx = cfg.Rx[cfg.NumRx < t ? 1 : t];

    editor.clearRows();
    editor.setTitles(QString("Receiver %1 Key").arg(t), "Value");
    for (const RecordField<TReceiver>* field : EditorRows(ReceiverFields())) {
        if (!field->view.rule) {
            AppendField(editor, rx, *field);
            continue;
        }
        switch (*field->view.rule) {
        case ReceiverEditorRule::Orientation:
            rx.Orientation = gui::editor::S(gui::editor::Q(rx.Orientation).trimmed());
            if (!ReceiverOrientationAccepted(rx.Orientation))
                rx.Orientation = "Z";
            editor.appendRow(KeyOf(*field), gui::editor::Q(rx.Orientation));
            break;
        case ReceiverEditorRule::RxType: {
            const auto type = std::size_t(std::clamp(int(rx.RxType), 0, int(RxTypeNames.size()) - 1));
            editor.appendRow(KeyOf(*field), QString::fromUtf8(RxTypeNames[type].data(),
                                                              qsizetype(RxTypeNames[type].size())));
            break;
        }
        case ReceiverEditorRule::Polygon:
            if (IsPolygon(rx.Shape)) {
                editor.appendRow(KeyOf(*field), QString::number(rx.Loopsides));
                const int last = std::clamp(rx.Loopsides, 0, MaxRxNode);
                for (int k = 0; k <= last; ++k) {
                    AppendNumber(editor, NodeKey("NodeX", k), "%8.3f", rx.NodeX[k]);
                    AppendNumber(editor, NodeKey("NodeY", k), "%8.3f", rx.NodeY[k]);
                    AppendNumber(editor, NodeKey("NodeZ", k), "%8.3f", rx.NodeZ[k]);
                }
            }
            break;
        }
    }
}

void ReceiverPanel::readReceiver(KeyValueEditor& editor, Configuration& cfg, Operator& op, bool commit)
{
    const int t = EditorTag(editor);
    if (cfg.NumRx < t)
        return;
    TReceiver& rx = cfg.Rx[t];

    bool polygon = false;
    for (const RecordField<TReceiver>* field : EditorRows(ReceiverFields())) {
        if (!field->view.rule) {
            ReadField(editor, rx, *field);
            continue;
        }
        switch (*field->view.rule) {
        case ReceiverEditorRule::Orientation:
            rx.Orientation = gui::editor::S(editor.value(KeyOf(*field)));
            break;
        case ReceiverEditorRule::RxType: {
            const QString type = editor.value(KeyOf(*field));
            rx.RxType = type == "B"      ? TRxType::rxtypeB
                        : type == "Curr" ? TRxType::rxtypeCurr
                                         : TRxType::rxtypedBdt;
            break;
        }
        case ReceiverEditorRule::Polygon:
            polygon = true; // read after the derived values, below
            break;
        }
    }
    CheckReceiverOrientation(rx, op);
    // A derived value left blank (or 0) is worked out again and shown.
    const DerivedReceiverValues derived = DeriveReceiverValues(rx);
    if (commit && derived.areaProduct)
        SetNumber(editor, "AreaNumTurnsxPreAmpxSingleTurn", "%12.4f", rx.AreaNumTurnsxPreAmpxSingleTurn);
    if (commit && derived.equivRadius)
        SetNumber(editor, "EquivRadius", "%12.4f", rx.EquivRadius);
    if (commit && derived.sideLengths) {
        SetNumber(editor, "XSideLength", "%12.4f", rx.XSideLength);
        SetNumber(editor, "YSideLength", "%12.4f", rx.YSideLength);
    }
    if (polygon && IsPolygon(rx.Shape)) {
        rx.Loopsides = std::clamp(ReadInt(editor.value("Loopsides"), 4), 0, MaxRxNode);
        // A vertex entry that is missing or not a number takes the receiver rules' fallback.
        for (int k = 0; k <= rx.Loopsides; ++k) {
            const std::array<double, 3> fallback = ReceiverNodeFallback(k);
            rx.NodeX[k] = NumberOf(editor, NodeKey("NodeX", k), fallback[0]);
            rx.NodeY[k] = NumberOf(editor, NodeKey("NodeY", k), fallback[1]);
            rx.NodeZ[k] = NumberOf(editor, NodeKey("NodeZ", k), fallback[2]);
        }
    }
    CheckReceiver(rx, t, op);
}

} // namespace tem::gui
