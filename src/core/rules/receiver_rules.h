#pragma once
// Rules of the main window's receiver editors that need no window: the derived values worked out
// for an entry left blank, the fallback vertices of a polygon coil, and the checks of a committed
// receiver (its orientation, and the 1 % agreement of its derived values with its area).

#include <array>
#include <string_view>

namespace tem {

struct TReceiver;
class Operator;

/// The coil shapes a receiver may name (any letter case), as the shape message lists them.
inline constexpr std::string_view ReceiverShapeList =
    "POLYGON CIRCLE OCTAGON SEPTAGON HEXAGON PENTAGON SQUARE TRIANGLE RECTANGLE";

/// Which derived values DeriveReceiverValues worked out (the editor shows them again).
struct DerivedReceiverValues {
    bool areaProduct = false; ///< AreaNumTurnsxPreAmpxSingleTurn
    bool equivRadius = false;
    bool sideLengths = false; ///< XSideLength and YSideLength
};

/// Works out each derived value that is 0 (an entry left blank): AreaNumTurnsxPreAmpxSingleTurn as
/// Turns x AreaSingleTurn x PreAmpGain, EquivRadius (m) as the radius of a circle of AreaSingleTurn,
/// and, when either side length is 0, both side lengths (m) as the side of a square of that area.
DerivedReceiverValues DeriveReceiverValues(TReceiver& rx);

/// The vertex a polygon coil's node k takes when its entry is missing or not a number: k radians
/// round the unit circle (x = sin k, y = cos k) at z = -0.3 m. Every k gives a different point, so
/// blank entries never put two vertices in one place; this is deliberately not the file readers'
/// fallback for a missing key (quarter turns, which repeat every four vertices).
std::array<double, 3> ReceiverNodeFallback(int k);

/// Whether a coil orientation is accepted: Z, X or Y (a text that is part of "ZXY", such as "ZX",
/// passes as it always has); an empty one is not.
bool ReceiverOrientationAccepted(std::string_view orientation);
/// The orientation message, when the orientation is not accepted.
void CheckReceiverOrientation(const TReceiver& rx, Operator& op);

/// The cross-checks of receiver `number`, each a message; the values stay as stored. In order: the
/// area product against Turns x AreaSingleTurn x PreAmpGain (1 %), the shape against
/// ReceiverShapeList, then, when AreaSingleTurn is above zero, the circle of EquivRadius and the
/// rectangle of the side lengths against AreaSingleTurn (1 % each); a zero area gives one message
/// in place of those two.
void CheckReceiver(const TReceiver& rx, int number, Operator& op);

} // namespace tem
