#include "core/editor/vehicle_rules.h"

#include <cmath>

#include "core/model/configuration.h"

namespace tem {

SensorFields FieldsOf(TVehicle& v, VehicleSensor s)
{
    switch (s) {
    case VehicleSensor::GNSS:
        return {&v.GNSSExists, &v.GNSSX, &v.GNSSY, &v.GNSSZ};
    case VehicleSensor::GNSS2:
        return {&v.GNSS2Exists, &v.GNSS2X, &v.GNSS2Y, &v.GNSS2Z};
    case VehicleSensor::Diff:
        return {&v.DifferentialGNSSExists, &v.DifferentialGNSSX, &v.DifferentialGNSSY, &v.DifferentialGNSSZ};
    case VehicleSensor::Diff2:
        return {&v.DifferentialGNSS2Exists, &v.DifferentialGNSS2X, &v.DifferentialGNSS2Y,
                &v.DifferentialGNSS2Z};
    case VehicleSensor::Altimeter:
        return {&v.AltimeterExists, &v.AltimeterX, &v.AltimeterY, &v.AltimeterZ};
    case VehicleSensor::Altimeter2:
        return {&v.Altimeter2Exists, &v.Altimeter2X, &v.Altimeter2Y, &v.Altimeter2Z};
    case VehicleSensor::Inclinometer:
        return {&v.InclinometerExists, &v.InclinometerX, &v.InclinometerY, &v.InclinometerZ};
    case VehicleSensor::Inclinometer2:
        return {&v.Inclinometer2Exists, &v.Inclinometer2X, &v.Inclinometer2Y, &v.Inclinometer2Z};
    case VehicleSensor::Sonar:
        return {&v.SonarExists, &v.SonarX, &v.SonarY, &v.SonarZ};
    }
    return {&v.GNSSExists, &v.GNSSX, &v.GNSSY, &v.GNSSZ};
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
