// Receiver editor rules: derived values for blank entries, fallback vertices, and the orientation
// and 1 % cross-checks with their messages in order.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "core/model/configuration.h"
#include "core/operator.h"
#include "core/rules/receiver_rules.h"

namespace tem {
namespace {

/// A 1.588 m^2 circular coil of 10 turns behind a gain of 34, its derived values consistent.
TReceiver consistentCoil()
{
    TReceiver rx;
    rx.Orientation = "Z";
    rx.Shape = "Circle";
    rx.Turns = 10;
    rx.AreaSingleTurn = 1.588;
    rx.PreAmpGain = 34;
    rx.AreaNumTurnsxPreAmpxSingleTurn = 10 * 1.588 * 34;
    rx.EquivRadius = std::sqrt(1.588 / std::numbers::pi);
    rx.XSideLength = rx.YSideLength = std::sqrt(1.588);
    return rx;
}

std::vector<std::string> checked(const TReceiver& rx, int number = 1)
{
    RecordingOperator op;
    CheckReceiver(rx, number, op);
    return op.messages;
}

TEST(ReceiverRules, BlankDerivedValuesAreWorkedOutAndOthersKept)
{
    TReceiver rx = consistentCoil();
    const TReceiver stored = rx;
    DerivedReceiverValues d = DeriveReceiverValues(rx);
    EXPECT_FALSE(d.areaProduct || d.equivRadius || d.sideLengths);
    EXPECT_EQ(rx, stored);

    rx.AreaNumTurnsxPreAmpxSingleTurn = rx.EquivRadius = 0;
    rx.XSideLength = 0.8; // one side blank: both become the side of the square of the area
    rx.YSideLength = 0;
    d = DeriveReceiverValues(rx);
    EXPECT_TRUE(d.areaProduct && d.equivRadius && d.sideLengths);
    EXPECT_DOUBLE_EQ(rx.AreaNumTurnsxPreAmpxSingleTurn, 539.92);
    EXPECT_NEAR(rx.EquivRadius, 0.71097, 1e-5);
    EXPECT_DOUBLE_EQ(rx.XSideLength, std::sqrt(1.588));
    EXPECT_DOUBLE_EQ(rx.YSideLength, std::sqrt(1.588));
    EXPECT_TRUE(checked(rx).empty());
}

TEST(ReceiverRules, NodeFallbacksAreDistinctPointsOnTheUnitCircle)
{
    for (int k = 0; k <= 8; ++k) {
        const auto p = ReceiverNodeFallback(k);
        EXPECT_DOUBLE_EQ(p[0], std::sin(double(k)));
        EXPECT_DOUBLE_EQ(p[1], std::cos(double(k)));
        EXPECT_DOUBLE_EQ(p[2], -0.3);
        for (int j = 0; j < k; ++j)
            EXPECT_NE(ReceiverNodeFallback(j), p) << j << " and " << k;
    }
}

TEST(ReceiverRules, Orientation)
{
    struct Case {
        const char* orientation;
        bool accepted;
    } cases[] = {{"Z", true}, {"X", true},  {"Y", true}, {"ZX", true},
                 {"", false}, {"W", false}, {"z", false}};
    for (const Case& c : cases) {
        TReceiver rx;
        rx.Orientation = c.orientation;
        RecordingOperator op;
        CheckReceiverOrientation(rx, op);
        const std::vector<std::string> expected =
            c.accepted ? std::vector<std::string>{}
                       : std::vector<std::string>{std::string("Rx Coil Orientation detected as \"") +
                                                  c.orientation + " but can only be Z, X or Y"};
        EXPECT_EQ(op.messages, expected) << c.orientation;
    }
}

const std::string ProductMessage =
    "For Rx2, AreaNumTurnsxPreAmpxSingleTurn =      600 IS NOT exactly EQUAL TO "
    "AreaSingleTurn x Turns x PreAmpGain =     539.92";
const std::string ShapeMessage =
    "For Rx2, Shape = OVAL is not recognised. Available options are POLYGON CIRCLE OCTAGON SEPTAGON HEXAGON "
    "PENTAGON SQUARE TRIANGLE RECTANGLE. Further checks are not possible";
const std::string RadiusMessage =
    "Equivalent radius does not match AreaSingleTurn. Leave blank to force recalculation";
const std::string SidesMessage =
    "Rectangle side lengths do not multiply to EXACTLY give AreaSingleTurn. Leave "
    "blank to force recalculation as equal lengths.";
const std::string ZeroAreaMessage =
    "For Rx2, AreaSingleTurn must be above zero; the radius and side lengths cannot be checked";

TEST(ReceiverRules, CrossChecksWithinOnePercentAndTheirMessagesInOrder)
{
    struct Case {
        const char* name;
        void (*change)(TReceiver&);
        std::vector<std::string> messages;
    } cases[] = {
        {"consistent, shape in any case", [](TReceiver& r) { r.Shape = "rectangle"; }, {}},
        {"product 0.9 % off", [](TReceiver& r) { r.AreaNumTurnsxPreAmpxSingleTurn *= 1.009; }, {}},
        {"product off", [](TReceiver& r) { r.AreaNumTurnsxPreAmpxSingleTurn = 600; }, {ProductMessage}},
        {"shape unknown", [](TReceiver& r) { r.Shape = "oval"; }, {ShapeMessage}},
        {"radius 0.4 % off", [](TReceiver& r) { r.EquivRadius *= 1.004; }, {}},
        {"radius off", [](TReceiver& r) { r.EquivRadius *= 1.006; }, {RadiusMessage}},
        {"sides off", [](TReceiver& r) { r.XSideLength = 0.8; }, {SidesMessage}},
        {"all off",
         [](TReceiver& r) {
             r.AreaNumTurnsxPreAmpxSingleTurn = 600;
             r.Shape = "Oval";
             r.EquivRadius = 2;
             r.YSideLength = 3;
         },
         {ProductMessage, ShapeMessage, RadiusMessage, SidesMessage}},
        // A zero area cannot be compared with: one message in place of the radius and side checks.
        {"zero area",
         [](TReceiver& r) {
             r.AreaSingleTurn = 0;
             r.Shape = "oval";
         },
         {"For Rx2, AreaNumTurnsxPreAmpxSingleTurn =   539.92 IS NOT exactly EQUAL TO AreaSingleTurn x Turns "
          "x "
          "PreAmpGain =          0",
          ShapeMessage, ZeroAreaMessage}},
    };
    for (const Case& c : cases) {
        TReceiver rx = consistentCoil();
        c.change(rx);
        EXPECT_EQ(checked(rx, 2), c.messages) << c.name;
    }
}

TEST(ReceiverRules, MessageNumbersKeepFifteenDigitsAndAnUpperCaseExponent)
{
    TReceiver rx = consistentCoil();
    rx.AreaNumTurnsxPreAmpxSingleTurn = 1e-7;
    rx.AreaSingleTurn = 1.0 / 3;
    rx.EquivRadius = std::sqrt(rx.AreaSingleTurn / std::numbers::pi);
    rx.XSideLength = rx.YSideLength = std::sqrt(rx.AreaSingleTurn);
    EXPECT_EQ(checked(rx).front(),
              "For Rx1, AreaNumTurnsxPreAmpxSingleTurn =    1E-07 IS NOT exactly EQUAL TO "
              "AreaSingleTurn x Turns x PreAmpGain = 113.333333333333");
}

} // namespace
} // namespace tem
