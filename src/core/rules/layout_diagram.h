#pragma once
// The points of the configuration layout diagram, from the model. Coordinates in metres:
// X along the direction of travel, Y transverse to the right, Z positive down.

#include <string>
#include <vector>

#include "core/model/configuration.h"

namespace tem {

struct DiagramPoint {
    double x = 0, y = 0, z = 0;
};

/// The loop of transmitter tx: nodes 0 to LoopSides - 1, then node 0 again to close it.
std::vector<DiagramPoint> TxLoopPoints(const Configuration& cfg, int tx);

/// Receiver r: its centroid, then the outline of the rectangle of equal area (seven points: a
/// line from the centroid to one side, round the rectangle, and across its middle). Repairs the
/// model first: Turns below 1 becomes 1, a PreAmpGain or product of 0 or less becomes 1, an
/// AreaSingleTurn of 0 or less becomes product / (Turns x PreAmpGain), and side lengths of 0 or
/// less become the square root of the area. No outline when the area is still not positive.
std::vector<DiagramPoint> RxPoints(Configuration& cfg, int r);

/// The GNSS antenna.
DiagramPoint GNSSAntennaPoint(const TVehicle& v);
/// The three axles of a tractor and trailer joined along the centre line (thirteen points); none
/// for a walked, airborne or boat system.
std::vector<DiagramPoint> VehiclePoints(const TVehicle& v);
/// The mark at vehicle point index: "Trailer", "Wheel", "TowBall", "Fixed", "Steer" or none.
std::string VehicleMarkText(int index);

} // namespace tem
