// The layout diagram of the main window.

#include <cmath>

#include "core/editor/layout_diagram.h"
#include "editor/TFormTEMConfig.h"
#include "ui_TFormTEMConfig.h"
#include "widgets/PointChart3D.h"
#include "widgets/RadioGroup.h"

namespace tem::gui {

namespace {

enum SeriesIndex {
    SeriesTxDefault,
    SeriesTxAuxiliary,
    SeriesRx1,
    SeriesRx2,
    SeriesRx3,
    SeriesGNSSAntenna,
    SeriesVehicle
};

/// Points that cannot be drawn (not finite) are left out.
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

void TFormTEMConfig::DrawTEMConfig()
{
    Configuration& cfg = s_.cfg;
    PointChart3D* ch = chart();
    ch->series(SeriesTxDefault).points =
        cfg.NumTx > 0 ? ToChart(TxLoopPoints(cfg, 1)) : std::vector<ChartPoint>{};
    ch->series(SeriesTxAuxiliary).points =
        cfg.NumTx > 1 ? ToChart(TxLoopPoints(cfg, 2)) : std::vector<ChartPoint>{};
    for (int r = 1; r <= 3; ++r)
        ch->series(SeriesRx1 + r - 1).points =
            r <= cfg.NumRx ? ToChart(RxPoints(cfg, r)) : std::vector<ChartPoint>{};
    ch->equaliseScales();
}

void TFormTEMConfig::DrawVehicle()
{
    PointChart3D* ch = chart();
    const TVehicle& v = s_.cfg.Vehicle;
    ch->series(SeriesGNSSAntenna).points = ToChart({GNSSAntennaPoint(v)});
    ch->series(SeriesVehicle).points = ToChart(VehiclePoints(v));
    ch->equaliseScales();
}

void TFormTEMConfig::RadioGroupViewClick()
{
    PointChart3D* ch = chart();
    if (ui->RadioGroupView->itemIndex() == 1) {
        ch->setView3D(false);
    } else {
        ch->setView3D(true);
        ch->setRotation(0);
        ch->setElevation(36);
    }
    ch->resetView();
}

} // namespace tem::gui
