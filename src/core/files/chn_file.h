#pragma once
// Monex CHN time-gate files (gate centres and widths in milliseconds).

#include <string>

namespace tem {

struct Configuration;
class Operator;

/// Reads the gate set of fileName into TimeBase[timeBase].
void ReadMonexChnTimegateFile(Configuration& cfg, const std::string& fileName, int timeBase, Operator& op);

} // namespace tem
