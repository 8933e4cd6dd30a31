#include "core/rules/receiver_rules.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "core/files/value_forms.h"
#include "core/model/configuration.h"
#include "core/operator.h"

namespace tem {

namespace {

/// Derived values may differ from what they are worked out from by this fraction.
constexpr double CrossCheckTolerance = 0.01;

/// A number as the messages show it: up to 15 significant digits, upper-case exponent,
/// right-aligned in `width` columns.
std::string MessageNumber(double v, int width)
{
    return UpperCase(FormatPrintfG(v, width, 15));
}

} // namespace

DerivedReceiverValues DeriveReceiverValues(TReceiver& rx)
{
    DerivedReceiverValues derived;
    if (rx.AreaNumTurnsxPreAmpxSingleTurn == 0) {
        rx.AreaNumTurnsxPreAmpxSingleTurn = rx.Turns * rx.AreaSingleTurn * rx.PreAmpGain;
        derived.areaProduct = true;
    }
    if (rx.EquivRadius == 0) {
        rx.EquivRadius = std::sqrt(rx.AreaSingleTurn / std::numbers::pi);
        derived.equivRadius = true;
    }
    if (rx.XSideLength == 0 || rx.YSideLength == 0) {
        rx.XSideLength = rx.YSideLength = std::sqrt(rx.AreaSingleTurn);
        derived.sideLengths = true;
    }
    return derived;
}

std::array<double, 3> ReceiverNodeFallback(int k)
{
    return {std::sin(double(k)), std::cos(double(k)), -0.3};
}

bool ReceiverOrientationAccepted(std::string_view orientation)
{
    return !orientation.empty() && std::string_view("ZXY").find(orientation) != std::string_view::npos;
}

void CheckReceiverOrientation(const TReceiver& rx, Operator& op)
{
    if (!ReceiverOrientationAccepted(rx.Orientation))
        op.inform("Rx Coil Orientation detected as \"" + rx.Orientation + " but can only be Z, X or Y");
}

void CheckReceiver(const TReceiver& rx, int number, Operator& op)
{
    const std::string prefix = "For Rx" + std::to_string(number);
    const double product = rx.Turns * rx.AreaSingleTurn * rx.PreAmpGain;
    if (std::abs(rx.AreaNumTurnsxPreAmpxSingleTurn - product) /
            std::max(rx.AreaNumTurnsxPreAmpxSingleTurn, 0.01) >
        CrossCheckTolerance)
        op.inform(
            prefix +
            ", AreaNumTurnsxPreAmpxSingleTurn = " + MessageNumber(rx.AreaNumTurnsxPreAmpxSingleTurn, 8) +
            " IS NOT exactly EQUAL TO AreaSingleTurn x Turns x PreAmpGain = " + MessageNumber(product, 10));
    const std::string shape = UpperCase(rx.Shape);
    if (shape.empty() || ReceiverShapeList.find(shape) == std::string_view::npos)
        op.inform(prefix + ", Shape = " + shape + " is not recognised. Available options are " +
                  std::string(ReceiverShapeList) + ". Further checks are not possible");
    if (!(rx.AreaSingleTurn > 0)) {
        // Both remaining checks compare with the area; a zero area would divide by zero.
        op.inform(prefix +
                  ", AreaSingleTurn must be above zero; the radius and side lengths cannot be checked");
        return;
    }
    if (std::abs(std::numbers::pi * rx.EquivRadius * rx.EquivRadius - rx.AreaSingleTurn) / rx.AreaSingleTurn >
        CrossCheckTolerance)
        op.inform("Equivalent radius does not match AreaSingleTurn. Leave blank to force recalculation");
    if (std::abs(rx.XSideLength * rx.YSideLength - rx.AreaSingleTurn) / rx.AreaSingleTurn >
        CrossCheckTolerance)
        op.inform(
            "Rectangle side lengths do not multiply to EXACTLY give AreaSingleTurn. Leave blank to force "
            "recalculation as equal lengths.");
}

} // namespace tem
