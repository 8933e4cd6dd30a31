#pragma once
// The array generators: each builds a complete array description for a standard electrode-array
// family from the values typed into its entry window (boxes and grid cells, as text) and reports
// through the operator. A generator that cannot use its values (a count outside 1 .. 25, a cell
// that is not a number, portioning beyond the description's limits) says why, returns false and
// leaves the description as it was. On success it fills the configurations, MaxCP, AConfigType and
// the family's parameters, then the geometric factors, effective depths and midpoints.

#include <array>
#include <string>
#include <vector>

#include "core/arrays/array_description.h"

namespace tem {

class Operator;

/// "Exponential Bipole-Bipole array configuration entry form".
struct ExponentialBipoleEntry {
    std::string CurrSep = "16";          ///< distance between the near ends of the current electrodes
    std::string FirstExponent = "-1";    ///< first potential electrode at 2^FirstExponent
    std::string ExponentStep = "1";      ///< exponent increment from one potential electrode to the next
    std::string ElectrodeLength = "0.5"; ///< length of the near current electrode (0: point electrodes)
    std::string GrowthConstant = "0.3";  ///< c of the portioning rule
    bool Curved = false;                 ///< "Array has a curvature of radius"
    std::string Radius = "100";
    std::vector<std::string> PotDist; ///< grid column "Pot.Dist", row r at index r - 1
};
/// "Refresh table": rows texts 2^(first + step * (r - 1)) in the general number form. False (with
/// a message) when the boxes are not numbers.
bool RefreshExponentialTable(ExponentialBipoleEntry& e, int rows, Operator& op);
bool GenerateExponentialBipole(ArrayDescription& d, int count, const ExponentialBipoleEntry& e, Operator& op);

/// "Linear Bipole Bipole Array": rows of (A, n).
struct LinearBipoleBipoleEntry {
    std::string ASpacing = "10";
    std::vector<std::array<std::string, 2>> Rows;
};
/// "Refresh Table": column A from the box, column n the row number.
void RefreshLinearTable(LinearBipoleBipoleEntry& e, int rows);
bool GenerateLinearBipoleBipole(ArrayDescription& d, int count, const LinearBipoleBipoleEntry& e,
                                Operator& op);

/// The Schlumberger entry window's values and its grid of (L, l) rows.
struct SchlumbergerEntry {
    std::string SamplePerDecade = "6"; ///< "Nominal log10 spacing (number per decade)"
    std::vector<std::array<std::string, 2>> Rows;
};
/// "Fill Down Using nominal Spacing" from row 1; false with the warning when row 1 is not usable.
bool FillDownSchlumberger(SchlumbergerEntry& e, int rows, Operator& op);
bool GenerateSchlumberger(ArrayDescription& d, int count, const SchlumbergerEntry& e, Operator& op);

/// "Wenner Array": rows of (A, type code 1 = alpha, 2 = beta, 3 = gamma).
struct WennerEntry {
    std::string ASpacing = "1"; ///< "First 'A' Spacing (m)"
    std::vector<std::array<std::string, 2>> Rows;
};
/// What the window shows when activated: A = 3^(r - 1), type 1.
void ActivateWennerTable(WennerEntry& e, int rows);
/// "Refresh Table": A = spacing * r, type 1; false with the warning for a spacing of 1e-5 or less.
bool RefreshWennerTable(WennerEntry& e, int rows, Operator& op);
bool GenerateWenner(ArrayDescription& d, int count, const WennerEntry& e, Operator& op);

/// The fixed eight-configuration towed array; numBipoles becomes 8.
void GenerateAarhusPACES(ArrayDescription& d, Operator& op);

/// "Input General 2D Array configurations": rows of TxWidth, RxWidth, midpoint separation,
/// theta and phi (degrees).
struct GeneralPhiThetaEntry {
    std::vector<std::array<std::string, 5>> Rows;
};
bool GenerateGeneralPhiTheta(ArrayDescription& d, int count, const GeneralPhiThetaEntry& e, Operator& op);

/// "General Surface Array - XY coords of electrodes": rows of Curr1x, Curr1y, Curr2x, Curr2y,
/// Pot1x, Pot1y, Pot2x, Pot2y.
struct GeneralXYEntry {
    std::vector<std::array<std::string, 8>> Rows;
};
/// The command shows GeneralXYMessage once, before the entry rows are taken; the generator does not.
bool GenerateGeneralXY(ArrayDescription& d, int count, const GeneralXYEntry& e, Operator& op);
inline constexpr const char* GeneralXYMessage =
    "Linear electrodes are only supported in exponential bipole arrays - programming incomplete - point "
    "electrodes being assumed";

/// The "Symmetrical Exponential" guidance: two messages, nothing changed.
void ShowSymmetricalExponentialGuidance(Operator& op);

} // namespace tem
