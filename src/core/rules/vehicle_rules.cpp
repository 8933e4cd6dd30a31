#include "core/rules/vehicle_rules.h"

#include <cmath>

#include "core/model/configuration.h"

namespace tem {

SensorFields FieldsOf(TVehicle& v, VehicleSensor s)
{
    const SensorEntry& entry = VehicleSensors.at(static_cast<std::size_t>(s));
    return {&(v.*entry.exists), &(v.*entry.x), &(v.*entry.y), &(v.*entry.z)};
}

std::array<double, 3> SensorFallback(VehicleSensor s)
{
    switch (s) {
    case VehicleSensor::GNSS:
        return {10, 0.4, -1.9};
    case VehicleSensor::GNSS2:
        return {2, 0.4, -1.9};
    case VehicleSensor::Diff:
        return {10, 0.4, -1.9};
    case VehicleSensor::Diff2:
        return {2, 0.4, -1.9};
    case VehicleSensor::Altimeter:
        return {12, 0.4, -1.9};
    case VehicleSensor::Altimeter2:
        return {3, 0.4, -1.9};
    case VehicleSensor::Inclinometer:
        return {11, 0.4, -1.9};
    case VehicleSensor::Inclinometer2:
        return {4, 0.4, -1.9};
    case VehicleSensor::Sonar:
        return {5, 0.4, 0.2};
    }
    return {0, 0, 0};
}

bool WheelbaseMatches(const TVehicle& v)
{
    return std::abs(std::abs(v.TractorSteerX - v.TractorFixedX) - v.WheelBase) <= 0.001;
}

} // namespace tem
