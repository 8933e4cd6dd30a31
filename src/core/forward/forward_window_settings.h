#pragma once
// What the forward window keeps in its settings file ("Forward.Ini") beside the model grid: the
// layer count, so that a reopened window shows the grid as it was left, and the engine the
// operator chose instead of the built-in one.

#include <string>

namespace tem {

struct ForwardWindowSettings {
    int layerCount = 3; ///< 1 .. 10
    std::string engine; ///< the chosen engine executable; empty: the built-in engine
};

/// Section "Window", keys "Layers" and "Engine"; a missing file or key, or a layer count that is
/// not a whole number from 1 to 10, gives the default. Throws InOutError.
ForwardWindowSettings ReadForwardWindowSettings(const std::string& fileName);
/// Writes both keys, keeping every other line of the file. Throws InOutError.
void WriteForwardWindowSettings(const ForwardWindowSettings& settings, const std::string& fileName);

} // namespace tem
