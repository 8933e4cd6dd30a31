#pragma once
// Rules of the vehicle window that need no window: the sensor fallbacks and the wheelbase rule.

#include <array>
#include <string_view>

#include "core/model/record_fields.h"

namespace tem {

struct TVehicle;

/// The sensors of the vehicle window, in the order of the record's sensor table (VehicleSensors),
/// with the fallbacks of their coordinates (m).
enum class VehicleSensor {
    GNSS,
    GNSS2,
    Diff,
    Diff2,
    Altimeter,
    Altimeter2,
    Inclinometer,
    Inclinometer2,
    Sonar
};

struct SensorFields {
    bool* exists;
    double *x, *y, *z;
};
/// The presence flag and coordinates of a sensor in the vehicle record.
SensorFields FieldsOf(TVehicle& v, VehicleSensor s);
/// Fallbacks X, Y, Z used when an edit does not hold a number.
std::array<double, 3> SensorFallback(VehicleSensor s);

/// | |TractorSteerX - TractorFixedX| - WheelBase | is at most 1 mm.
bool WheelbaseMatches(const TVehicle& v);
inline constexpr std::string_view WheelbaseMessage =
    "Wheelbase must be equal to Steering Axle X minus Fixed Axle X. Please try again.";

} // namespace tem
