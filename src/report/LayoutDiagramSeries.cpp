#include "report/LayoutDiagramSeries.h"

#include <cmath>
#include <functional>
#include <utility>

#include "core/model/configuration.h"
#include "core/rules/layout_diagram.h"

namespace tem::report {

namespace {

bool Drawable(const DiagramPoint& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

std::vector<ChartPoint> ToChart(const std::vector<DiagramPoint>& pts)
{
    std::vector<ChartPoint> out;
    out.reserve(pts.size());
    for (const DiagramPoint& p : pts)
        if (Drawable(p))
            out.push_back({p.x, p.y, p.z});
    return out;
}

bool SamePlace(const DiagramPoint& a, const DiagramPoint& b)
{
    constexpr double Close = 1e-6; // m
    return std::fabs(a.x - b.x) < Close && std::fabs(a.y - b.y) < Close && std::fabs(a.z - b.z) < Close;
}

/// The marks of both loops, point by drawn point: "Node " and the node's number as the node
/// tables show it (from 1), one mark per corner. The closing point is the first corner again and
/// has none; where the auxiliary loop runs on the default loop's corners the default loop's mark
/// stands for both, naming the auxiliary node when its number differs.
std::pair<std::vector<QString>, std::vector<QString>> LoopMarks(const std::vector<DiagramPoint>& tx1,
                                                                const std::vector<DiagramPoint>& tx2)
{
    const auto corners = [](const std::vector<DiagramPoint>& loop) {
        return loop.empty() ? std::size_t(0) : loop.size() - 1;
    };
    std::vector<QString> marks1(tx1.size()), marks2(tx2.size());
    for (std::size_t k = 0; k < corners(tx1); ++k)
        marks1[k] = QStringLiteral("Node %1").arg(k + 1);
    for (std::size_t k = 0; k < corners(tx2); ++k) {
        std::size_t j = 0;
        while (j < corners(tx1) && !SamePlace(tx1[j], tx2[k]))
            ++j;
        if (j == corners(tx1))
            marks2[k] = QStringLiteral("Node %1").arg(k + 1);
        else if (j != k)
            marks1[j] += QStringLiteral(" (Tx2 node %1)").arg(k + 1);
    }
    // Marks follow the points that are drawn.
    const auto drawn = [](const std::vector<DiagramPoint>& loop, const std::vector<QString>& marks) {
        std::vector<QString> out;
        for (std::size_t i = 0; i < loop.size(); ++i)
            if (Drawable(loop[i]))
                out.push_back(marks[i]);
        return out;
    };
    return {drawn(tx1, marks1), drawn(tx2, marks2)};
}

std::function<QString(int)> ByIndex(std::vector<QString> marks)
{
    return [marks = std::move(marks)](int i) {
        return i >= 0 && std::size_t(i) < marks.size() ? marks[std::size_t(i)] : QString();
    };
}

} // namespace

std::vector<ChartSeries> LayoutDiagramSeries(Configuration& cfg)
{
    const std::vector<DiagramPoint> tx1 = cfg.NumTx > 0 ? TxLoopPoints(cfg, 1) : std::vector<DiagramPoint>{};
    const std::vector<DiagramPoint> tx2 = cfg.NumTx > 1 ? TxLoopPoints(cfg, 2) : std::vector<DiagramPoint>{};
    auto [marks1, marks2] = LoopMarks(tx1, tx2);
    std::vector<ChartSeries> s;
    s.push_back({"TxDefault", Qt::red, 4, PointSymbol::Rectangle, ToChart(tx1), ByIndex(std::move(marks1))});
    // The auxiliary loop is often the default loop's own wire: dashed, the red line shows through.
    s.push_back({"TxAuxilliary", Qt::green, 4, PointSymbol::Rectangle, ToChart(tx2),
                 ByIndex(std::move(marks2)), true, Qt::DashLine});
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
