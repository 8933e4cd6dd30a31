#pragma once
// Loop shapes that the configuration formats describe by parameters rather than by vertices.

#include <string>

namespace tem {

struct TTransmitter;

/// A loop of type 7: a rectangle given by its two sides ("X Y", metres, separated by spaces or
/// tabs; the text may still carry "key=" in front and a "/" comment behind). Sets the four
/// vertices around the origin at the loop's centroid depth, the closing vertex and the sides;
/// a side that is not a number is taken as 10 m.
void BuildType7Rectangle(std::string value, TTransmitter& tx);

} // namespace tem
