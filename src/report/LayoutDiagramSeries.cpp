#include "report/LayoutDiagramSeries.h"

#include <cmath>

#include "core/editor/layout_diagram.h"
#include "core/model/configuration.h"

namespace tem::report {

namespace {

std::vector<ChartPoint> ToChart(const std::vector<DiagramPoint>& pts)
{
    std::vector<ChartPoint> out;
    out.reserve(pts.size());
    for (const DiagramPoint& p : pts)
        if (std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z))
            out.push_back({p.x, p.y, p.z});
    return out;
}

} // namespace

std::vector<ChartSeries> LayoutDiagramSeries(Configuration& cfg)
{
    auto node = [](int i) { return QStringLiteral("Node %1").arg(i); };
    std::vector<ChartSeries> s;
    s.push_back({"TxDefault", Qt::red, 4, PointSymbol::Rectangle,
                 cfg.NumTx > 0 ? ToChart(TxLoopPoints(cfg, 1)) : std::vector<ChartPoint>{}, node});
    // The auxiliary loop is often the default loop's own wire: dashed, the red line shows through.
    s.push_back({"TxAuxilliary", Qt::green, 4, PointSymbol::Rectangle,
                 cfg.NumTx > 1 ? ToChart(TxLoopPoints(cfg, 2)) : std::vector<ChartPoint>{}, node, true,
                 Qt::DashLine});
    // A coil is a metre across: one mark at its centroid, not one at every corner of its outline.
    const QColor rxColours[3] = {Qt::yellow, Qt::blue, QColor(255, 128, 0)};
    for (int r = 1; r <= 3; ++r) {
        const QString name = QStringLiteral("Rx%1").arg(r);
        s.push_back({name, rxColours[r - 1], 1, PointSymbol::Rectangle,
                     r <= cfg.NumRx ? ToChart(RxPoints(cfg, r)) : std::vector<ChartPoint>{},
                     [name](int i) { return i == 0 ? name : QString(); }});
    }
    s.push_back({"GNSS Antenna", Qt::gray, 1, PointSymbol::Rectangle,
                 ToChart({GNSSAntennaPoint(cfg.Vehicle)}), [](int) { return QStringLiteral("GNSS"); }});
    s.push_back({"Vehicle", Qt::magenta, 4, PointSymbol::DownTriangle, ToChart(VehiclePoints(cfg.Vehicle)),
                 [](int i) { return QString::fromLatin1(VehicleMarkText(i)); }});
    return s;
}

} // namespace tem::report
