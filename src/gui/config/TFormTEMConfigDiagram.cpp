// The layout diagram of the main window.

#include <utility>
#include <vector>

#include "config/TFormTEMConfig.h"
#include "report/LayoutDiagramSeries.h"
#include "ui_TFormTEMConfig.h"
#include "widgets/PointChart3D.h"
#include "widgets/RadioGroup.h"

namespace tem::gui {

using namespace report;

void TFormTEMConfig::DrawTEMConfig()
{
    PointChart3D* ch = chart();
    std::vector<ChartSeries> drawn = LayoutDiagramSeries(s_.cfg);
    for (int i : {SeriesTxDefault, SeriesTxAuxiliary, SeriesRx1, SeriesRx2, SeriesRx3}) {
        ch->series(i).points = std::move(drawn[std::size_t(i)].points);
        // The loops' marks depend on where their corners lie.
        ch->series(i).markText = std::move(drawn[std::size_t(i)].markText);
    }
    ch->equaliseScales();
}

void TFormTEMConfig::DrawVehicle()
{
    PointChart3D* ch = chart();
    std::vector<ChartSeries> drawn = LayoutDiagramSeries(s_.cfg);
    for (int i : {SeriesGNSSAntenna, SeriesVehicle})
        ch->series(i).points = std::move(drawn[std::size_t(i)].points);
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
        ch->setElevation(LayoutStartElevation);
    }
    ch->resetView();
}

} // namespace tem::gui
