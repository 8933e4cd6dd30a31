#include "core/model/record_fields.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tem {

namespace {

// The model's name and the member, written once so they cannot differ.
#define MEMBER(Record, name) #name, &Record::name

constexpr std::monostate None{};
constexpr std::monostate Special{}; // read and written by its own rule, at this place in the order

/// Square roots of a loop area from a file, which may be negative or missing.
double SquareSide(double area)
{
    return std::sqrt(std::max(area, 0.0));
}

double TxSquareSide(const TTransmitter& t)
{
    return SquareSide(t.Area);
}
double RxEquivRadius(const TReceiver& r)
{
    return std::sqrt(std::max(r.AreaSingleTurn, 0.0) / std::numbers::pi);
}
double RxSquareSide(const TReceiver& r)
{
    return SquareSide(r.AreaSingleTurn);
}

// ---- General values (the [All] / [General] section) ---------------------------------------------
const RecordField<Configuration> General[] = {
    {MEMBER(Configuration, Master), false, "IsMasterConfig", "IsMasterConfig"},
    {"MasterTamperCheckCRC", Special},
    {MEMBER(Configuration, ParentConfigFile), "NoParentConfigFile.TDC", "ParentConfigFile",
     "ParentConfigFile", "NoParentConfigFile.gex"},
    {MEMBER(Configuration, Description), "Type_a_Configuration_Description_here", "Description",
     "Description"},
    {MEMBER(Configuration, DataType), Special},
    {MEMBER(Configuration, FrontGateDelay), Special},
    {MEMBER(Configuration, LinkTxApproximateCurrenttoTxAmps), false, "LinkTxApproximateCurrenttoTxAmps"},
    {MEMBER(Configuration, CalculateRawDataSTD), Special},
    {MEMBER(Configuration, GateNoForPowerLineMonitor), Special},
    {MEMBER(Configuration, NumAcqChn), Special},
    {MEMBER(Configuration, NumTx), Special},
    {MEMBER(Configuration, NumTimebases), Special},
    {MEMBER(Configuration, NumRx), Special},
    // Not in the files: worked out, or the session's own.
    {MEMBER(Configuration, TxSingle), None},
    {MEMBER(Configuration, TxLM), None},
    {MEMBER(Configuration, TxHM), None},
    {MEMBER(Configuration, TxOther), None},
    {"AcqChnMapTxRx", PerIndex{}},
    {MEMBER(Configuration, LoadFilename), None},
    {MEMBER(Configuration, SaveFilename), None},
    {"TDCorGEX", None},
    {MEMBER(Configuration, IsCorrupt), None},
};

// ---- Transmitter ---------------------------------------------------------------------------------
const RecordField<TTransmitter> Transmitter[] = {
    {"MomentID", Special},
    {MEMBER(TTransmitter, Name), "2Turns36Amps", "Name", "Name", "Name_not_provided"},
    {MEMBER(TTransmitter, LoopSides), 4, "LoopSides", {}, {}, 0, MaxLoopSides},
    {MEMBER(TTransmitter, PrimaryFieldSTD), Special},
    {MEMBER(TTransmitter, LoopType), 72, "LoopType"},
    {MEMBER(TTransmitter, Type7RectSideX), Special},
    {MEMBER(TTransmitter, Type7RectSideY), Special},
    {"NodeX", PerIndex{}}, // the vertices NodeX, NodeY, NodeZ
    {MEMBER(TTransmitter, Turns), 1, "NumberOfTurns"},
    {MEMBER(TTransmitter, Damping), 330.0, "DampingOhms", "DampingOhms"},
    {MEMBER(TTransmitter, FlyingLeadLength), 1.0, "FlyingLeadLength", "FlyingLeadLength"},
    {MEMBER(TTransmitter, Area), 1.0, "AreaSingleTurn"},
    {MEMBER(TTransmitter, CentroidX), 0.0, "CentroidX"},
    {MEMBER(TTransmitter, CentroidY), 0.0, "CentroidY"},
    {MEMBER(TTransmitter, CentroidZ), 0.0, "CentroidZ"},
    {MEMBER(TTransmitter, EquivalentSquareLoopSide),
     None,
     "EquivalentSquareLoopside",
     "EquivalentSquareLoopside",
     {},
     0,
     -1,
     &TxSquareSide},
    {MEMBER(TTransmitter, Volts), 8.0, "Volts", "Volts"},
    {MEMBER(TTransmitter, VoltsMin), 3.3, "VoltsMin", "VoltsMin"},
    {MEMBER(TTransmitter, VoltsMax), 18.0, "VoltsMax", "VoltsMax"},
    {MEMBER(TTransmitter, Amps), 36.0, "Amps", "Amps"},
    {MEMBER(TTransmitter, AmpsMin), 0.0, "AmpsMin", "AmpsMin", 1.0},
    {MEMBER(TTransmitter, AmpsMax), 45.0, "AmpsMax", "AmpsMax"},
    {MEMBER(TTransmitter, ConstantVoltsOrAmps), false, "ConstantVoltsOrAmps", "ConstantVoltsOrAmps"},
    {MEMBER(TTransmitter, Power), 375.0, "PowerWatts", "PowerWatts"},
    {MEMBER(TTransmitter, Resistance), 0.2, "ResistanceOhms", "ResistanceOhms"},
    {MEMBER(TTransmitter, MomentNIA), 1000.0, "MomentNIA", "MomentNIA"},
    {MEMBER(TTransmitter, RelayA), true, "RelayA_Connected", "RelayA_Connected"},
    {MEMBER(TTransmitter, RelayB), false, "RelayB_Connected", "RelayB_Connected"},
    {MEMBER(TTransmitter, AxisOrient), "Z"}, // its own rule: one character
    {MEMBER(TTransmitter, AxisTilt), 0.0, "AxisTilt", "AxisTilt"},
    {MEMBER(TTransmitter, AxisRotation), 0.0, "AxisRotation", "AxisRotation"},
    // GEX keeps these per channel.
    {MEMBER(TTransmitter, FullWaveformRepetitionFrequency), 120.0, "FullWaveformRepetitionFrequency"},
    {MEMBER(TTransmitter, NoGates), 30, "NoGates", {}, {}, 0, MaxGates},
    {MEMBER(TTransmitter, TimeBaseNumber), 1, "TimebaseNumber", {}, {}, 1, MaxTimeBases},
    {"LPFilterOrderandCutoff", PerIndex{}}, // order and cut-off
    {"SignPattern", List{}},
    // Worked out from the others.
    {MEMBER(TTransmitter, drivenWaveformPeriod), None},
    {MEMBER(TTransmitter, drivenWaveformOffOnDuration), None},
    {MEMBER(TTransmitter, drivenSamplingTime), None},
};

// ---- Receiver ------------------------------------------------------------------------------------
const RecordField<TReceiver> Receiver[] = {
    {MEMBER(TReceiver, CentroidX), 0.0, "CentroidX"},
    {MEMBER(TReceiver, CentroidY), 0.0, "CentroidY"},
    {MEMBER(TReceiver, CentroidZ), 0.0, "CentroidZ"},
    {MEMBER(TReceiver, Name), "The_receiver", "Name", "Name"},
    {MEMBER(TReceiver, Orientation), "Z", "Orientation", "ReceiverPolarizationXYZ"},
    {MEMBER(TReceiver, AreaNumTurnsxPreAmpxSingleTurn), 1.0, "EffectiveArea", "EffectiveArea"},
    {MEMBER(TReceiver, AreaSingleTurn), 1.0, "SingleTurnArea", "SingleTurnArea"},
    {MEMBER(TReceiver, Turns), 1, "Turns", "Turns"},
    {MEMBER(TReceiver, PreAmpGain), 1.0, "PreAmpGain", "PreAmpGain"},
    {MEMBER(TReceiver, FilterOrder), 1.0, "LowPassFilterOrder"},
    {MEMBER(TReceiver, FilterHz), 60000.0, "LowPassFilterHz"},
    {MEMBER(TReceiver, DampingOhms), 330.0, "DampingOhms", "DampingOhms"},
    {MEMBER(TReceiver, AtoDConvGain), 100.0, "AtoDConvGain", "AtoDConvGain"},
    {MEMBER(TReceiver, PreBinAppliedRxDelay), 0.0, "PreBinAppliedRxDelay", "PreBinAppliedRxDelay"},
    {"RxType", Special},
    {MEMBER(TReceiver, Shape), "Circle", "Shape", "Shape", {}, 0, -1, nullptr, true},
    {MEMBER(TReceiver, EquivRadius), None, "EquivRadius", "EquivRadius", {}, 0, -1, &RxEquivRadius},
    {MEMBER(TReceiver, XSideLength), None, "XSideLength", "XSideLength", {}, 0, -1, &RxSquareSide},
    {MEMBER(TReceiver, YSideLength), None, "YSideLength", "YSideLength", {}, 0, -1, &RxSquareSide},
    {MEMBER(TReceiver, Loopsides), Special}, // with the vertices, for a polygon only
    {"NodeX", PerIndex{}},
    {MEMBER(TReceiver, AxisTilt), 0.0, "AxisTilt", "AxisTilt"},
    {MEMBER(TReceiver, AxisRotation), 0.0, "AxisRotation", "AxisRotation"},
};

// ---- Acquisition channel -------------------------------------------------------------------------
const RecordField<TAcqChn> AcqChn[] = {
    {MEMBER(TAcqChn, RowID), Special}, // its default depends on the channel
    {MEMBER(TAcqChn, Description), "Dummy Channel Description", "Description", "Description"},
    {MEMBER(TAcqChn, RxCoilNumber), 1, "RxCoilNumber", "RxCoilNumber", {}, 1, MaxRx},
    {MEMBER(TAcqChn, ReceiverPolarizationXYZ), "Z", "ReceiverPolarizationXYZ", "ReceiverPolarizationXYZ"},
    {MEMBER(TAcqChn, TransmitterMoment), "SingleM", "TransmitterMoment", "TransmitterMoment"},
    {MEMBER(TAcqChn, TxNumber), 1, "TxNumber", {}, {}, 1, MaxTx},
    {MEMBER(TAcqChn, AtoDConvGain), 100.0}, // its own rule: -1 is not written
    {MEMBER(TAcqChn, GateTimeShift), 0.0, "GateTimeShift", "GateTimeShift"},
    {MEMBER(TAcqChn, GateFactor), 1.0, "GateFactor", "GateFactor"},
    {MEMBER(TAcqChn, SystemResponseConvolution), 0, "SystemResponseConvolution", "SystemResponseConvolution"},
    {MEMBER(TAcqChn, RemoveInitialGates), 0, "RemoveInitialGates", "RemoveInitialGates"},
    {MEMBER(TAcqChn, RemoveGatesFrom), 0}, // its own rule: 0 is not written
    {MEMBER(TAcqChn, PrimaryFieldDampingFactor), 1.0, "PrimaryFieldDampingFactor",
     "PrimaryFieldDampingFactor"},
    {MEMBER(TAcqChn, UniformDataSTD), 0.03, "UniformDataSTD", "UniformDataSTD"},
    {MEMBER(TAcqChn, MeaTimeDelay), 0.0, "MeaTimeDelay", "MeaTimeDelay"},
    {MEMBER(TAcqChn, FrontGatetime), -1.0, "FrontGatetime"},
    {MEMBER(TAcqChn, TxApproximateCurrent), 1.0, {}, "TxApproximateCurrent"},
    {MEMBER(TAcqChn, GateConstantsExist), Special}, // with the lists: their rule writes all three
    {MEMBER(TAcqChn, GateFactorsExist), None},
    {MEMBER(TAcqChn, GateSTDsExist), None},
    {"GateConstants", List{}},
    {"GateFactors", List{}},
    {"GateSTDs", List{}},
    {MEMBER(TAcqChn, FrontGateExists), false}, // FrontGatetime >= 0
};

// ---- Time base -----------------------------------------------------------------------------------
const RecordField<TTimeBase> TimeBase[] = {
    {MEMBER(TTimeBase, TimeGateFileName), "No_Filename_selected", "TimebaseFilename", "TimebaseFilename"},
    {MEMBER(TTimeBase, GateSetKnownIndex), 0, "GateSetKnownIndex", "GateSetKnownIndex"},
    {MEMBER(TTimeBase, AnalDigConvSamplingRate), 999999, "AnalDigConvSamplingRate", "AnalDigConvSamplingRate",
     -1},
    {MEMBER(TTimeBase, PreBinAppliedSamplingDelay), 0.0, "PreBinAppliedSamplingDelay",
     "PreBinAppliedSamplingDelay"},
    {MEMBER(TTimeBase, PowerlineBaseFrequency), 50, "PowerlineBaseFrequency"},
    {MEMBER(TTimeBase, NumGatesInSet), 99, "NumGatesInSet", {}, {}, 0, MaxGates},
    {MEMBER(TTimeBase, FullWaveformStacks), 32, "FullWaveformStacks", "FullWaveformStacks"},
    {MEMBER(TTimeBase, GateSetName), "WackyDummyGatesWontWork", "GateSetName", "GateSetName",
     "Not_Specified"},
    {"GateCentre", PerIndex{}}, // the gates: GateCentre, drivenGateStart, drivenGateEnd, GateWidth
};

// ---- System response -----------------------------------------------------------------------------
const RecordField<TSystemResponse> SystemResponse[] = {
    {MEMBER(TSystemResponse, SysRespExists), false}, // its own rule: a flag of the general section
    {MEMBER(TSystemResponse, FieldDataExists), false, "FieldDataExists", "FieldDataExists"},
    {MEMBER(TSystemResponse, LateTimeConst), 0.01, "LateTimeConst", "LateTimeConst"},
    {MEMBER(TSystemResponse, LateInitMagn), 0.002, "LateInitialMagnitude", "LateInitialMagnitude"},
    {MEMBER(TSystemResponse, RxTimeConst), 5e-05, "RxTimeConst", "RxTimeConst"},
    {MEMBER(TSystemResponse, RxInitMagn), 1.0, "RxInitialMagnitude", "RxInitialMagnitude"},
    {MEMBER(TSystemResponse, OscillInitMagn), 1.0, "OscillationInitialMagnitude",
     "OscillationInitialMagnitude"},
    {MEMBER(TSystemResponse, OscillFreq), 6000.0, "OscillationFrequency", "OscillationFrequency"},
    {MEMBER(TSystemResponse, OscillDamp), 0.1, "OscillationDamping", "OscillationDamping"},
    {MEMBER(TSystemResponse, LowPassFreq), 60000.0, "LowPassFilterHz", "LowPassFilterHz"},
    {MEMBER(TSystemResponse, LowPassOrder), 1.0, "LowPassFilterOrder", "LowPassFilterOrder"},
    {MEMBER(TSystemResponse, FieldDataFilename), "NoFieldData.CSV", "FieldDataFilename", "FieldDataFilename"},
    {MEMBER(TSystemResponse, SysRespFilename), "NoSysResp.CSV", "SysRespFilename", "SysRespFilename"},
    {MEMBER(TSystemResponse, NoiseAt1mSinVperAm2), 2e-10, "NoiseAt1mSinVperAm2", "NoiseAt1mSinVperAm2"},
    {MEMBER(TSystemResponse, NoiseLogLogSlopeinVperS), -0.5, "NoiseLogLogSlopeinVperS",
     "NoiseLogLogSlopeinVperS"},
    {MEMBER(TSystemResponse, drivenGatesInRamp), 0, "drivenGatesInRamp", "drivenGatesInRamp"},
    {MEMBER(TSystemResponse, SimulRxDelay_uS), 9.0, "SimulRxDelay_uS", "SimulRxDelay_uS", 0.0},
    {MEMBER(TSystemResponse, FwdModelLayers),
     3,
     "FwdModelLayers",
     "FwdModelLayers",
     {},
     0,
     MaxFwdModelLayers},
    {"LayerThicknesses", PerIndex{}}, // the layers and the per-gate amplitudes
    {MEMBER(TSystemResponse, Seed0FwdOr1Eqn), None},
};

// ---- Transmitter waveform ------------------------------------------------------------------------
const RecordField<TTxWaveform> TxWaveform[] = {
    {MEMBER(TTxWaveform, WaveformFilename), "No_Filename_selected", "WaveformFilename"},
    {MEMBER(TTxWaveform, WaveformPointsDigitized),
     7,
     "WaveformPointsDigitized",
     {},
     {},
     0,
     MaxWaveformPoints},
    {MEMBER(TTxWaveform, drivenRamp), 4.5e-06, "drivenRamp"},
    {"WaveformPointTimes", PerIndex{}}, // the points
};

// ---- Vehicle -------------------------------------------------------------------------------------
const RecordField<TVehicle> Vehicle[] = {
    {"Sensors", Special}, // the positions and presence of the sensors
    {"Propulsion", Special},
    {MEMBER(TVehicle, GNSSAntennaFixture), 0, "GNSSAntennaFixture", "GNSSAntennaFixture"},
    {MEMBER(TVehicle, TransmitterLoopFixture), 0, "TransmitterLoopFixture", "TransmitterLoopFixture"},
    {MEMBER(TVehicle, ReceiverLoop1Fixture), 0, "ReceiverLoop1Fixture", "ReceiverLoop1Fixture"},
    {MEMBER(TVehicle, ReceiverLoop2Fixture), 0, "ReceiverLoop2Fixture", "ReceiverLoop2Fixture"},
    {MEMBER(TVehicle, ReceiverLoop3Fixture), 0, "ReceiverLoop3Fixture", "ReceiverLoop3Fixture"},
    {MEMBER(TVehicle, TractorFixedX), 7.5, "TractorFixedX", "TractorFixedX"},
    {MEMBER(TVehicle, TractorSteerX), 11.5, "TractorSteerX", "TractorSteerX"},
    {MEMBER(TVehicle, TractorTowBallX), 6.5, "TractorTowBallX", "TractorTowBallX"},
    {MEMBER(TVehicle, TrailerX), 0.5, "TrailerX", "TrailerX"},
    {MEMBER(TVehicle, WheelBase), 4.0, "Wheelbase", "Wheelbase"},
    {MEMBER(TVehicle, WheelTrack), 1.5, "WheelTrack", "WheelTrack"},
    {MEMBER(TVehicle, SlingLength), 30.0, "SlingLength", "SlingLength"},
    {MEMBER(TVehicle, SlingTilt), 0.0, "SlingTilt", "SlingTilt"},
    {MEMBER(TVehicle, PhotoFilename), "NoPhotoAvailable.jpg", "PhotoFilename", "PhotoFilename"},
    {MEMBER(TVehicle, GNSSAntenna2Fixture), None},
};

#undef MEMBER

} // namespace

const std::array<SensorEntry, VehicleSensorCount> VehicleSensors = {{
    {"GNSS", "GPSPosition1", &TVehicle::GNSSX, &TVehicle::GNSSY, &TVehicle::GNSSZ, &TVehicle::GNSSExists,
     true, true},
    {"GNSS2", "GPSPosition2", &TVehicle::GNSS2X, &TVehicle::GNSS2Y, &TVehicle::GNSS2Z, &TVehicle::GNSS2Exists,
     false, true},
    {"DifferentialGNSS", "GPSDifferentialPosition1", &TVehicle::DifferentialGNSSX,
     &TVehicle::DifferentialGNSSY, &TVehicle::DifferentialGNSSZ, &TVehicle::DifferentialGNSSExists, false,
     true},
    {"DifferentialGNSS2", "GPSDifferentialPosition2", &TVehicle::DifferentialGNSS2X,
     &TVehicle::DifferentialGNSS2Y, &TVehicle::DifferentialGNSS2Z, &TVehicle::DifferentialGNSS2Exists, false,
     true},
    {"Altimeter", "AltimeterPosition1", &TVehicle::AltimeterX, &TVehicle::AltimeterY, &TVehicle::AltimeterZ,
     &TVehicle::AltimeterExists, false, true},
    {"Altimeter2", "AltimeterPosition2", &TVehicle::Altimeter2X, &TVehicle::Altimeter2Y,
     &TVehicle::Altimeter2Z, &TVehicle::Altimeter2Exists, false, true},
    {"Inclinometer", "InclinometerPosition1", &TVehicle::InclinometerX, &TVehicle::InclinometerY,
     &TVehicle::InclinometerZ, &TVehicle::InclinometerExists, false, true},
    {"Inclinometer2", "InclinometerPosition2", &TVehicle::Inclinometer2X, &TVehicle::Inclinometer2Y,
     &TVehicle::Inclinometer2Z, &TVehicle::Inclinometer2Exists, false, true},
    {"Sonar", "SonarPosition1", &TVehicle::SonarX, &TVehicle::SonarY, &TVehicle::SonarZ,
     &TVehicle::SonarExists, false, false},
}};

std::span<const RecordField<Configuration>> GeneralFields()
{
    return General;
}
std::span<const RecordField<TTransmitter>> TransmitterFields()
{
    return Transmitter;
}
std::span<const RecordField<TReceiver>> ReceiverFields()
{
    return Receiver;
}
std::span<const RecordField<TAcqChn>> AcqChnFields()
{
    return AcqChn;
}
std::span<const RecordField<TTimeBase>> TimeBaseFields()
{
    return TimeBase;
}
std::span<const RecordField<TSystemResponse>> SystemResponseFields()
{
    return SystemResponse;
}
std::span<const RecordField<TTxWaveform>> TxWaveformFields()
{
    return TxWaveform;
}
std::span<const RecordField<TVehicle>> VehicleFields()
{
    return Vehicle;
}

} // namespace tem
