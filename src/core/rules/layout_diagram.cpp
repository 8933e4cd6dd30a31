#include "core/rules/layout_diagram.h"

#include <algorithm>
#include <cmath>

namespace tem {

std::vector<DiagramPoint> TxLoopPoints(const Configuration& cfg, int tx)
{
    const TTransmitter& t = cfg.Tx[tx];
    std::vector<DiagramPoint> pts;
    const int sides = std::clamp(t.LoopSides, 0, MaxLoopSides - 1);
    for (int k = 0; k < sides; ++k)
        pts.push_back({t.NodeX[k], t.NodeY[k], t.NodeZ[k]});
    if (sides > 0)
        pts.push_back({t.NodeX[0], t.NodeY[0], t.NodeZ[0]});
    return pts;
}

std::vector<DiagramPoint> RxPoints(Configuration& cfg, int r)
{
    TReceiver& rx = cfg.Rx[r];
    const double x = rx.CentroidX, y = rx.CentroidY, z = rx.CentroidZ;
    std::vector<DiagramPoint> pts{{x, y, z}};
    if (rx.Turns < 1)
        rx.Turns = 1;
    if (rx.PreAmpGain <= 0)
        rx.PreAmpGain = 1;
    if (rx.AreaNumTurnsxPreAmpxSingleTurn <= 0)
        rx.AreaNumTurnsxPreAmpxSingleTurn = 1;
    if (rx.AreaSingleTurn <= 0)
        rx.AreaSingleTurn = rx.AreaNumTurnsxPreAmpxSingleTurn / (rx.Turns * rx.PreAmpGain);
    if (!(rx.AreaSingleTurn > 0) || !std::isfinite(rx.AreaSingleTurn))
        return pts;
    if (rx.XSideLength <= 0)
        rx.XSideLength = std::sqrt(rx.AreaSingleTurn);
    if (rx.YSideLength <= 0)
        rx.YSideLength = std::sqrt(rx.AreaSingleTurn);
    const double a = rx.XSideLength / 2, b = rx.YSideLength / 2;
    pts.insert(pts.end(), {{x, y - b, z},
                           {x + a, y - b, z},
                           {x + a, y + b, z},
                           {x - a, y + b, z},
                           {x - a, y - b, z},
                           {x, y - b, z},
                           {x, y + b, z}});
    return pts;
}

DiagramPoint GNSSAntennaPoint(const TVehicle& v)
{
    return {v.GNSSX, v.GNSSY, v.GNSSZ};
}

std::vector<DiagramPoint> VehiclePoints(const TVehicle& v)
{
    if (v.Propulsion != TPropulsion::propTractor)
        return {};
    const double h = v.WheelTrack / 2;
    std::vector<DiagramPoint> pts;
    for (double axle : {v.TrailerX}) {
        pts.insert(pts.end(), {{axle, 0, 0}, {axle, h, 0}, {axle, -h, 0}, {axle, 0, 0}});
    }
    pts.push_back({v.TractorTowBallX, 0, 0});
    for (double axle : {v.TractorFixedX, v.TractorSteerX})
        pts.insert(pts.end(), {{axle, 0, 0}, {axle, h, 0}, {axle, -h, 0}, {axle, 0, 0}});
    return pts;
}

std::string VehicleMarkText(int index)
{
    switch (index) {
    case 0:
        return "Trailer";
    case 1:
    case 2:
    case 6:
    case 7:
    case 10:
    case 11:
        return "Wheel";
    case 3:
    case 8:
    case 12:
        return {};
    case 4:
        return "TowBall";
    case 5:
        return "Fixed";
    case 9:
        return "Steer";
    default:
        return "Something went wrong";
    }
}

} // namespace tem
