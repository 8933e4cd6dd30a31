// Waveform window rules (rows to points, ascending check, ramp, point count) and the vehicle
// window's wheelbase rule and sensor fields.

#include <gtest/gtest.h>

#include <optional>
#include <utility>
#include <vector>

#include "core/model/configuration.h"
#include "core/operator.h"
#include "core/rules/shown_number.h"
#include "core/rules/vehicle_rules.h"
#include "core/rules/waveform_rules.h"

namespace tem {
namespace {

TEST(WaveformRows, PointsRampFallbackAndAscendingCheck)
{
    TTxWaveform w;
    RecordingOperator op;
    CommitWaveformRows(w, {{"0", "1", {}, {}}, {"1e-5", "0.5", {}, {}}, {"5e-6", "0", {}, {}}}, false, op);
    EXPECT_EQ(w.WaveformPointsDigitized, 3);
    EXPECT_DOUBLE_EQ(w.drivenRamp, 5e-6);
    EXPECT_EQ(op.messages, std::vector<std::string>{std::string(AscendingMessage)});

    op.messages.clear();
    CommitWaveformRows(w, {{"-0.001", "0", {}, {}}, {"0", "1", {}, {}}, {"time", "x", {}, {}}}, false, op);
    EXPECT_DOUBLE_EQ(w.WaveformPointTimes[3], -0.0001); // 0.0003 x 3 - 0.001
    EXPECT_DOUBLE_EQ(w.WaveformPointAmplitudes[3], -0.0001);
    EXPECT_EQ(op.messages.size(), 1u); // -0.0001 is not above 0

    // An unchanged row gives back the exact value it was shown from.
    op.messages.clear();
    CommitWaveformRows(w, {{"0.0000012", "1.0000000", 1.234e-6, 1.0}}, false, op);
    EXPECT_DOUBLE_EQ(w.WaveformPointTimes[1], 1.234e-6);
    EXPECT_TRUE(op.messages.empty());

    w.drivenRamp = 7e-6;
    CommitWaveformRows(w, {}, true, op);
    EXPECT_EQ(w.WaveformPointsDigitized, 0);
    EXPECT_DOUBLE_EQ(w.drivenRamp, 7e-6);

    std::vector<WaveformRow> many(260, WaveformRow{"1", "1", {}, {}});
    for (std::size_t i = 0; i < many.size(); ++i)
        many[i].time = std::to_string(i);
    CommitWaveformRows(w, many, false, op);
    EXPECT_EQ(w.WaveformPointsDigitized, 255);
    EXPECT_DOUBLE_EQ(w.drivenRamp, 254);
    EXPECT_EQ(op.messages.size(), 1u);
}

TEST(WaveformRows, PointCount)
{
    RecordingOperator op;
    EXPECT_EQ(WaveformPointCount("  6", op), 6);
    EXPECT_EQ(WaveformPointCount("six", op), 4);
    EXPECT_EQ(WaveformPointCount("-2", op), -2);
    EXPECT_TRUE(op.messages.empty());
    EXPECT_EQ(WaveformPointCount("100", op), 100);
    EXPECT_TRUE(op.messages.empty());
    EXPECT_EQ(WaveformPointCount("300", op), 255);
    EXPECT_EQ(op.messages.size(), 1u);
}

TEST(WaveformRows, TurnOffRunsFromTheLastOnTimePointToTheEndOfTheRamp)
{
    struct Case {
        std::vector<double> times; // µs
        std::optional<std::pair<double, double>> span;
    } cases[] = {
        {{-1000, -980, -940, 0, 2.5}, std::pair{0.0, 2.5}},      // the demonstration waveform
        {{-10000, -9980, -9940, -5, 4.5}, std::pair{-5.0, 4.5}}, // ramp start before 0
        {{0, 10, 20, 25}, std::pair{0.0, 25.0}},                 // the ramp starts at 0
        {{5, 10, 15}, std::pair{10.0, 15.0}},                    // nothing at or before 0
        {{-10, 0}, std::pair{-10.0, 0.0}},                       // ends at 0
        {{0}, std::nullopt},                                     // one point
        {{}, std::nullopt},
        {{5, 3}, std::nullopt}, // times not ascending
    };
    for (const Case& c : cases) {
        TTxWaveform w;
        w.WaveformPointsDigitized = int(c.times.size());
        for (std::size_t j = 0; j < c.times.size(); ++j)
            w.WaveformPointTimes[int(j) + 1] = c.times[j] * 1e-6;
        const std::optional<TimeSpan> s = TurnOffSpan(w);
        SCOPED_TRACE(testing::PrintToString(c.times));
        ASSERT_EQ(s.has_value(), c.span.has_value());
        if (s) {
            EXPECT_DOUBLE_EQ(s->from, c.span->first * 1e-6);
            EXPECT_DOUBLE_EQ(s->to, c.span->second * 1e-6);
        }
    }
}

TEST(ShownNumbers, UnchangedTextKeepsTheExactValue)
{
    EXPECT_DOUBLE_EQ(ShownNumber("   0.0000123", "   0.0000123", 1.234e-5, 0), 1.234e-5);
    EXPECT_DOUBLE_EQ(ShownNumber("0.00002", "   0.0000123", 1.234e-5, 0), 2e-5);
    EXPECT_DOUBLE_EQ(ShownNumber("abc", "   0.0000123", 1.234e-5, 9), 9);
}

TEST(Vehicle, WheelbaseRule)
{
    struct Case {
        double fixed, steer, wheelbase;
        bool matches;
    } cases[] = {{7.5, 11.5, 4.0, true},
                 {7.5, 11.6, 4.0, false},
                 {7.5, 11.5, 5.0, false},
                 {11.5, 7.5, 4.0, true},
                 {7.5, 11.5005, 4.0, true}};
    for (const Case& c : cases) {
        TVehicle v;
        v.TractorFixedX = c.fixed;
        v.TractorSteerX = c.steer;
        v.WheelBase = c.wheelbase;
        EXPECT_EQ(WheelbaseMatches(v), c.matches) << c.fixed << " " << c.steer << " " << c.wheelbase;
    }
}

TEST(Vehicle, EverySensorHasItsOwnFields)
{
    TVehicle v;
    for (int i = 0; i < VehicleSensorCount; ++i) {
        SensorFields f = FieldsOf(v, static_cast<VehicleSensor>(i));
        *f.x = i + 1;
        *f.exists = true;
    }
    EXPECT_DOUBLE_EQ(v.GNSSX, 1);
    EXPECT_DOUBLE_EQ(v.DifferentialGNSS2X, 4);
    EXPECT_DOUBLE_EQ(v.Inclinometer2X, 8);
    EXPECT_DOUBLE_EQ(v.SonarX, 9);
    EXPECT_TRUE(v.Altimeter2Exists);
    EXPECT_EQ(SensorFallback(VehicleSensor::Sonar), (std::array<double, 3>{5, 0.4, 0.2}));
}

} // namespace
} // namespace tem
