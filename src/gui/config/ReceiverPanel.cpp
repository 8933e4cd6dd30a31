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

/// A number row of the receiver editor: the field (its key is the record table's name for it), the
/// form it is shown in, and what a typed text that is not a number gives.
struct NumberRow {
    double TReceiver::*member;
    const char* format;
    double fallback;
};

/// The rows of the receiver editor in their order. Numbers come from NumberRows; the others have
/// rules of their own.
enum class RowKind { Number, Name, Orientation, Turns, RxType, Shape };
struct Row {
    RowKind kind;
    NumberRow number{};
};
constexpr Row N(double TReceiver::*member, const char* format, double fallback)
{
    return {RowKind::Number, {member, format, fallback}};
}

// The three derived rows (effective area, radius, sides) fall back on 0, which recalculates them.
const Row Rows[] = {
    N(&TReceiver::CentroidX, "%8.3f", 0),
    N(&TReceiver::CentroidY, "%8.3f", 0),
    N(&TReceiver::CentroidZ, "%8.3f", 0),
    {RowKind::Name},
    {RowKind::Orientation},
    {RowKind::Turns},
    N(&TReceiver::AreaSingleTurn, "%12.4f", 1),
    N(&TReceiver::PreAmpGain, "%8.3f", 1),
    N(&TReceiver::AreaNumTurnsxPreAmpxSingleTurn, "%12.4f", 0),
    N(&TReceiver::DampingOhms, "%8.3f", 330),
    N(&TReceiver::FilterHz, "%10.2f", 30000),
    N(&TReceiver::FilterOrder, "%8.3f", 1),
    N(&TReceiver::PreBinAppliedRxDelay, "%12.7f", 0),
    N(&TReceiver::AtoDConvGain, "%8.3f", 1),
    N(&TReceiver::AxisTilt, "%8.3f", 0),
    N(&TReceiver::AxisRotation, "%8.3f", 0),
    {RowKind::RxType},
    {RowKind::Shape},
    N(&TReceiver::EquivRadius, "%8.3f", 0),
    N(&TReceiver::XSideLength, "%8.3f", 0),
    N(&TReceiver::YSideLength, "%8.3f", 0),
};

/// The editor's key of a receiver field: its name in the record table.
template <class M> QString KeyOf(M TReceiver::*member)
{
    const std::string_view name = FieldName(ReceiverFields(), member);
    return QString::fromLatin1(name.data(), qsizetype(name.size()));
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
    for (const Row& row : Rows) {
        switch (row.kind) {
        case RowKind::Number:
            AppendNumber(editor, KeyOf(row.number.member), row.number.format, rx.*row.number.member);
            break;
        case RowKind::Name:
            editor.appendRow(KeyOf(&TReceiver::Name), gui::editor::Q(rx.Name));
            break;
        case RowKind::Orientation:
            rx.Orientation = gui::editor::S(gui::editor::Q(rx.Orientation).trimmed());
            if (!ReceiverOrientationAccepted(rx.Orientation))
                rx.Orientation = "Z";
            editor.appendRow(KeyOf(&TReceiver::Orientation), gui::editor::Q(rx.Orientation));
            break;
        case RowKind::Turns:
            editor.appendRow(KeyOf(&TReceiver::Turns), QString::asprintf("%3d", rx.Turns));
            break;
        case RowKind::RxType: {
            const auto type = std::size_t(std::clamp(int(rx.RxType), 0, int(RxTypeNames.size()) - 1));
            editor.appendRow(
                "RxType", QString::fromUtf8(RxTypeNames[type].data(), qsizetype(RxTypeNames[type].size())));
            break;
        }
        case RowKind::Shape:
            editor.appendRow(KeyOf(&TReceiver::Shape), gui::editor::Q(rx.Shape).trimmed());
            break;
        }
    }
    if (IsPolygon(rx.Shape)) {
        editor.appendRow(KeyOf(&TReceiver::Loopsides), QString::number(rx.Loopsides));
        const int last = std::clamp(rx.Loopsides, 0, MaxRxNode);
        for (int k = 0; k <= last; ++k) {
            AppendNumber(editor, NodeKey("NodeX", k), "%8.3f", rx.NodeX[k]);
            AppendNumber(editor, NodeKey("NodeY", k), "%8.3f", rx.NodeY[k]);
            AppendNumber(editor, NodeKey("NodeZ", k), "%8.3f", rx.NodeZ[k]);
        }
    }
}

void ReceiverPanel::readReceiver(KeyValueEditor& editor, Configuration& cfg, Operator& op, bool commit)
{
    const int t = EditorTag(editor);
    if (cfg.NumRx < t)
        return;
    TReceiver& rx = cfg.Rx[t];

    for (const Row& row : Rows) {
        switch (row.kind) {
        case RowKind::Number:
            rx.*row.number.member = NumberOf(editor, KeyOf(row.number.member), row.number.fallback);
            break;
        case RowKind::Name:
            rx.Name = gui::editor::S(editor.value(KeyOf(&TReceiver::Name)));
            break;
        case RowKind::Orientation:
            rx.Orientation = gui::editor::S(editor.value(KeyOf(&TReceiver::Orientation)));
            break;
        case RowKind::Turns:
            rx.Turns = ReadInt(editor.value(KeyOf(&TReceiver::Turns)), 1);
            break;
        case RowKind::RxType: {
            const QString type = editor.value("RxType");
            rx.RxType = type == "B"      ? TRxType::rxtypeB
                        : type == "Curr" ? TRxType::rxtypeCurr
                                         : TRxType::rxtypedBdt;
            break;
        }
        case RowKind::Shape:
            rx.Shape = gui::editor::S(editor.value(KeyOf(&TReceiver::Shape)).trimmed());
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
    if (IsPolygon(rx.Shape)) {
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
