#pragma once
// Physical and mathematical constants of the engine, in one place.

namespace tem::engine {

inline constexpr double Pi = 3.14159265358979323846;
/// Magnetic permeability of free space, H/m (the classical value the program uses elsewhere).
inline constexpr double Mu0 = 4.0e-7 * Pi;

} // namespace tem::engine
