// The receiver panels of the main window: one key/value editor per receiver, tags 1 to 3.

#include <cmath>
#include <numbers>

#include <QSignalBlocker>

#include "editor/EditorSupport.h"
#include "editor/FormValues.h"
#include "editor/TFormTEMConfig.h"
#include "widgets/KeyValueEditor.h"

namespace tem::gui {

namespace {

const QString ShapeList = "POLYGON CIRCLE OCTAGON SEPTAGON HEXAGON PENTAGON SQUARE TRIANGLE RECTANGLE";

int EditorTag(const KeyValueEditor& editor)
{
    return editor.property("tag").toInt();
}

bool IsPolygon(const std::string& shape)
{
    return ::editor::Q(shape).trimmed().compare("POLYGON", Qt::CaseInsensitive) == 0;
}

QString NodeKey(const char* prefix, int k)
{
    return QString(prefix) + QString::asprintf("%02d", k);
}

/// The highest node number a receiver can hold (nodes 0 to Loopsides).
constexpr int MaxRxNode = MaxLoopSides;

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

void TFormTEMConfig::WriteRxParamsToForm(KeyValueEditor& editor)
{
    Configuration& cfg = s_.cfg;
    const int t = EditorTag(editor);
    TReceiver& rx = cfg.Rx[cfg.NumRx < t ? 1 : t];

    editor.clearRows();
    editor.setTitles(QString("Receiver %1 Key").arg(t), "Value");
    AppendNumber(editor, "CentroidX", "%8.3f", rx.CentroidX);
    AppendNumber(editor, "CentroidY", "%8.3f", rx.CentroidY);
    AppendNumber(editor, "CentroidZ", "%8.3f", rx.CentroidZ);
    editor.appendRow("Name", ::editor::Q(rx.Name));
    rx.Orientation = ::editor::S(::editor::Q(rx.Orientation).trimmed());
    if (rx.Orientation.empty() || QString("ZXY").indexOf(::editor::Q(rx.Orientation)) < 0)
        rx.Orientation = "Z";
    editor.appendRow("Orientation", ::editor::Q(rx.Orientation));
    editor.appendRow("Turns", QString::asprintf("%3d", rx.Turns));
    AppendNumber(editor, "AreaSingleTurn", "%12.4f", rx.AreaSingleTurn);
    AppendNumber(editor, "PreAmpGain", "%8.3f", rx.PreAmpGain);
    AppendNumber(editor, "AreaNumTurnsxPreAmpxSingleTurn", "%12.4f", rx.AreaNumTurnsxPreAmpxSingleTurn);
    AppendNumber(editor, "DampingOhms", "%8.3f", rx.DampingOhms);
    AppendNumber(editor, "FilterHz", "%10.2f", rx.FilterHz);
    AppendNumber(editor, "FilterOrder", "%8.3f", rx.FilterOrder);
    AppendNumber(editor, "PreBinAppliedRxDelay", "%12.7f", rx.PreBinAppliedRxDelay);
    AppendNumber(editor, "AtoDConvGain", "%8.3f", rx.AtoDConvGain);
    AppendNumber(editor, "AxisTilt", "%8.3f", rx.AxisTilt);
    AppendNumber(editor, "AxisRotation", "%8.3f", rx.AxisRotation);
    const int type = std::clamp(int(rx.RxType), 0, int(RxTypeNames.size()) - 1);
    editor.appendRow("RxType", QString::fromUtf8(RxTypeNames[std::size_t(type)].data(),
                                                 qsizetype(RxTypeNames[std::size_t(type)].size())));
    editor.appendRow("Shape", ::editor::Q(rx.Shape).trimmed());
    AppendNumber(editor, "EquivRadius", "%8.3f", rx.EquivRadius);
    AppendNumber(editor, "XSideLength", "%8.3f", rx.XSideLength);
    AppendNumber(editor, "YSideLength", "%8.3f", rx.YSideLength);
    if (IsPolygon(rx.Shape)) {
        editor.appendRow("Loopsides", QString::number(rx.Loopsides));
        const int last = std::clamp(rx.Loopsides, 0, MaxRxNode);
        for (int k = 0; k <= last; ++k) {
            AppendNumber(editor, NodeKey("NodeX", k), "%8.3f", rx.NodeX[k]);
            AppendNumber(editor, NodeKey("NodeY", k), "%8.3f", rx.NodeY[k]);
            AppendNumber(editor, NodeKey("NodeZ", k), "%8.3f", rx.NodeZ[k]);
        }
    }
}

void TFormTEMConfig::ReadRxParamsFromForm(KeyValueEditor& editor)
{
    Configuration& cfg = s_.cfg;
    const int t = EditorTag(editor);
    if (cfg.NumRx < t)
        return;
    TReceiver& rx = cfg.Rx[t];
    auto num = [&editor](const char* key, double fallback) { return NumberOf(editor, key, fallback); };

    rx.CentroidX = num("CentroidX", 0);
    rx.CentroidY = num("CentroidY", 0);
    rx.CentroidZ = num("CentroidZ", 0);
    rx.Name = ::editor::S(editor.value("Name"));
    const QString orientation = editor.value("Orientation");
    rx.Orientation = ::editor::S(orientation);
    if (orientation.isEmpty() || QString("ZXY").indexOf(orientation) < 0)
        s_.op.inform("Rx Coil Orientation detected as \"" + rx.Orientation + " but can only be Z, X or Y");

    rx.Turns = ReadInt(editor.value("Turns"), 1);
    rx.AreaSingleTurn = num("AreaSingleTurn", 1);
    rx.PreAmpGain = num("PreAmpGain", 1);
    rx.AreaNumTurnsxPreAmpxSingleTurn = num("AreaNumTurnsxPreAmpxSingleTurn", 0);
    if (rx.AreaNumTurnsxPreAmpxSingleTurn == 0) {
        rx.AreaNumTurnsxPreAmpxSingleTurn = rx.Turns * rx.AreaSingleTurn * rx.PreAmpGain;
        SetNumber(editor, "AreaNumTurnsxPreAmpxSingleTurn", "%12.4f", rx.AreaNumTurnsxPreAmpxSingleTurn);
    }
    rx.DampingOhms = num("DampingOhms", 330);
    rx.FilterHz = num("FilterHz", 30000);
    rx.FilterOrder = num("FilterOrder", 1);
    rx.PreBinAppliedRxDelay = num("PreBinAppliedRxDelay", 0);
    rx.AtoDConvGain = num("AtoDConvGain", 1);
    rx.AxisTilt = num("AxisTilt", 0);
    rx.AxisRotation = num("AxisRotation", 0);
    const QString type = editor.value("RxType");
    rx.RxType = type == "B" ? TRxType::rxtypeB : type == "Curr" ? TRxType::rxtypeCurr : TRxType::rxtypedBdt;
    rx.Shape = ::editor::S(editor.value("Shape").trimmed());

    rx.EquivRadius = num("EquivRadius", 0);
    if (rx.EquivRadius == 0) {
        rx.EquivRadius = std::sqrt(rx.AreaSingleTurn / std::numbers::pi);
        SetNumber(editor, "EquivRadius", "%12.4f", rx.EquivRadius);
    }
    rx.XSideLength = num("XSideLength", 0);
    rx.YSideLength = num("YSideLength", 0);
    if (rx.XSideLength == 0 || rx.YSideLength == 0) {
        rx.XSideLength = rx.YSideLength = std::sqrt(rx.AreaSingleTurn);
        SetNumber(editor, "XSideLength", "%12.4f", rx.XSideLength);
        SetNumber(editor, "YSideLength", "%12.4f", rx.YSideLength);
    }
    if (IsPolygon(rx.Shape)) {
        rx.Loopsides = std::clamp(ReadInt(editor.value("Loopsides"), 4), 0, MaxRxNode);
        for (int k = 0; k <= rx.Loopsides; ++k) {
            rx.NodeX[k] = NumberOf(editor, NodeKey("NodeX", k), std::sin(double(k)));
            rx.NodeY[k] = NumberOf(editor, NodeKey("NodeY", k), std::cos(double(k)));
            rx.NodeZ[k] = NumberOf(editor, NodeKey("NodeZ", k), -0.3);
        }
    }

    // Cross-checks: each is a message; the values stay as stored.
    const std::string prefix = "For Rx" + std::to_string(t);
    const double product = rx.Turns * rx.AreaSingleTurn * rx.PreAmpGain;
    if (std::abs(rx.AreaNumTurnsxPreAmpxSingleTurn - product) /
            std::max(rx.AreaNumTurnsxPreAmpxSingleTurn, 0.01) >
        0.01)
        s_.op.inform(prefix + ", AreaNumTurnsxPreAmpxSingleTurn = " +
                     FmtGeneral(rx.AreaNumTurnsxPreAmpxSingleTurn, 8).toStdString() +
                     " IS NOT exactly EQUAL TO AreaSingleTurn x Turns x PreAmpGain = " +
                     FmtGeneral(product, 10).toStdString());
    const QString shape = ::editor::Q(rx.Shape).toUpper();
    if (shape.isEmpty() || !ShapeList.contains(shape))
        s_.op.inform(prefix + ", Shape = " + shape.toStdString() +
                     " is not recognised. Available options are " + ShapeList.toStdString() +
                     ". Further checks are not possible");
    if (!(rx.AreaSingleTurn > 0)) {
        // Both remaining checks compare with the area; a zero area would divide by zero.
        s_.op.inform(prefix +
                     ", AreaSingleTurn must be above zero; the radius and side lengths cannot be checked");
        return;
    }
    if (std::abs(std::numbers::pi * rx.EquivRadius * rx.EquivRadius - rx.AreaSingleTurn) / rx.AreaSingleTurn >
        0.01)
        s_.op.inform("Equivalent radius does not match AreaSingleTurn. Leave blank to force recalculation");
    if (std::abs(rx.XSideLength * rx.YSideLength - rx.AreaSingleTurn) / rx.AreaSingleTurn > 0.01)
        s_.op.inform(
            "Rectangle side lengths do not multiply to EXACTLY give AreaSingleTurn. Leave blank to force "
            "recalculation as equal lengths.");
}

} // namespace tem::gui
