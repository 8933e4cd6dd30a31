#include "core/files/loop_shapes.h"

#include <algorithm>

#include "core/files/value_forms.h"
#include "core/model/configuration.h"

namespace tem {

void BuildType7Rectangle(std::string s, TTransmitter& tx)
{
    tx.LoopSides = 4;
    if (auto eq = s.find('='); eq != std::string::npos)
        s = s.substr(eq + 1);
    s = s.substr(0, 40);
    if (auto sl = s.find('/'); sl != std::string::npos)
        s = s.substr(0, sl);
    // Other programs separate the two sides by tabs or several spaces.
    std::replace(s.begin(), s.end(), '\t', ' ');
    s = Trim(s);
    const auto sp = s.find(' ');
    const std::string xs = sp == std::string::npos ? std::string() : s.substr(0, sp);
    const std::string ys = Trim(sp == std::string::npos ? s.substr(0, 20) : s.substr(sp + 1, 20));
    const double X = ParseFloat(xs).value_or(10);
    const double Y = ParseFloat(ys).value_or(10);
    tx.Type7RectSideX = X;
    tx.Type7RectSideY = Y;
    const double vx[4] = {X / 2, -X / 2, -X / 2, X / 2};
    const double vy[4] = {Y / 2, Y / 2, -Y / 2, -Y / 2};
    for (int i = 0; i < 4; ++i) {
        tx.NodeX[i] = vx[i];
        tx.NodeY[i] = vy[i];
        tx.NodeZ[i] = tx.CentroidZ;
    }
    tx.NodeX[4] = tx.NodeX[0];
    tx.NodeY[4] = tx.NodeY[0];
    tx.NodeZ[4] = tx.NodeZ[0];
}

} // namespace tem
