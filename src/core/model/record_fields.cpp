#include "core/model/record_fields.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tem {

namespace {

// The model's name and the member, written once so they cannot differ.
#define MEMBER(Record, name) #name, &Record::name

constexpr std::monostate None{};

using GeneralField = RecordField<Configuration>;
using TxField = RecordField<TTransmitter>;
using RxField = RecordField<TReceiver>;
using ChnField = RecordField<TAcqChn>;
using TimeBaseField = RecordField<TTimeBase>;
using SysRespField = RecordField<TSystemResponse>;
using WaveformField = RecordField<TTxWaveform>;
using VehicleField = RecordField<TVehicle>;

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
    GeneralField{"MasterTamperCheckCRC", None}.WithRule(GeneralRule::MasterTamperCheckCRC),
    {MEMBER(Configuration, ParentConfigFile), "NoParentConfigFile.TDC", "ParentConfigFile",
     "ParentConfigFile", "NoParentConfigFile.gex"},
    {MEMBER(Configuration, Description), "Type_a_Configuration_Description_here", "Description",
     "Description"},
    GeneralField{MEMBER(Configuration, DataType)}.WithRule(GeneralRule::DataType),
    GeneralField{MEMBER(Configuration, FrontGateDelay)}.WithRule(GeneralRule::FrontGateDelay),
    {MEMBER(Configuration, LinkTxApproximateCurrenttoTxAmps), false, "LinkTxApproximateCurrenttoTxAmps"},
    GeneralField{MEMBER(Configuration, CalculateRawDataSTD)}.WithRule(GeneralRule::CalculateRawDataSTD),
    GeneralField{MEMBER(Configuration, GateNoForPowerLineMonitor)}.WithRule(
        GeneralRule::GateNoForPowerLineMonitor),
    GeneralField{MEMBER(Configuration, NumAcqChn)}.WithRule(GeneralRule::NumAcqChn),
    GeneralField{MEMBER(Configuration, NumTx)}.WithRule(GeneralRule::NumTx),
    GeneralField{MEMBER(Configuration, NumTimebases)}.WithRule(GeneralRule::NumTimebases),
    GeneralField{MEMBER(Configuration, NumRx)}.WithRule(GeneralRule::NumRx),
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
    TxField{"MomentID", None}.WithRule(TransmitterRule::MomentID),
    {MEMBER(TTransmitter, Name), "2Turns36Amps", "Name", "Name", "Name_not_provided"},
    TxField{MEMBER(TTransmitter, LoopSides), 4, "LoopSides", {}, {}, 0, MaxLoopSides}.WithRule(
        TransmitterRule::LoopSides),
    TxField{MEMBER(TTransmitter, PrimaryFieldSTD)}.WithRule(TransmitterRule::PrimaryFieldSTD),
    TxField{MEMBER(TTransmitter, LoopType), 72, "LoopType"}.WithRule(TransmitterRule::LoopType),
    TxField{MEMBER(TTransmitter, Type7RectSideX)}.WithRule(TransmitterRule::Type7Rectangle),
    {MEMBER(TTransmitter, Type7RectSideY)},                           // with the side X
    TxField{"NodeX", PerIndex{}}.WithRule(TransmitterRule::Vertices), // NodeX, NodeY, NodeZ
    TxField{MEMBER(TTransmitter, Turns), 1, "NumberOfTurns"}.WithRule(TransmitterRule::Turns),
    {MEMBER(TTransmitter, Damping), 330.0, "DampingOhms", "DampingOhms"},
    {MEMBER(TTransmitter, FlyingLeadLength), 1.0, "FlyingLeadLength", "FlyingLeadLength"},
    TxField{MEMBER(TTransmitter, Area), 1.0, "AreaSingleTurn"}.WithRule(TransmitterRule::Area),
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
    TxField{MEMBER(TTransmitter, AxisOrient), "Z"}.WithRule(TransmitterRule::AxisOrientation),
    {MEMBER(TTransmitter, AxisTilt), 0.0, "AxisTilt", "AxisTilt"},
    {MEMBER(TTransmitter, AxisRotation), 0.0, "AxisRotation", "AxisRotation"},
    // GEX keeps these per channel.
    {MEMBER(TTransmitter, FullWaveformRepetitionFrequency), 120.0, "FullWaveformRepetitionFrequency"},
    {MEMBER(TTransmitter, NoGates), 30, "NoGates", {}, {}, 0, MaxGates},
    {MEMBER(TTransmitter, TimeBaseNumber), 1, "TimebaseNumber", {}, {}, 1, MaxTimeBases},
    TxField{"LPFilterOrderandCutoff", PerIndex{}}.WithRule(TransmitterRule::LowPassFilter),
    TxField{"SignPattern", List{}}.WithRule(TransmitterRule::SignPattern),
    // Worked out from the others.
    {MEMBER(TTransmitter, drivenWaveformPeriod), None},
    {MEMBER(TTransmitter, drivenWaveformOffOnDuration), None},
    {MEMBER(TTransmitter, drivenSamplingTime), None},
};

// ---- Receiver ------------------------------------------------------------------------------------
// The receiver editor shows the fields in an order of its own (numbered rows) and forms of its own.
const RecordField<TReceiver> Receiver[] = {
    RxField{MEMBER(TReceiver, CentroidX), 0.0, "CentroidX"}.WithRule(ReceiverRule::Position).Row(1, "%8.3f"),
    RxField{MEMBER(TReceiver, CentroidY), 0.0, "CentroidY"}.Row(2, "%8.3f"),
    RxField{MEMBER(TReceiver, CentroidZ), 0.0, "CentroidZ"}.Row(3, "%8.3f"),
    RxField{MEMBER(TReceiver, Name), "The_receiver", "Name", "Name"}.Row(4),
    RxField{MEMBER(TReceiver, Orientation), "Z", "Orientation", "ReceiverPolarizationXYZ"}.Row(5).ShownBy(
        ReceiverEditorRule::Orientation),
    // Left blank (0) in the editor, the derived values are worked out again.
    RxField{MEMBER(TReceiver, AreaNumTurnsxPreAmpxSingleTurn), 1.0, "EffectiveArea", "EffectiveArea"}
        .Row(9, "%12.4f")
        .Fallback(0),
    RxField{MEMBER(TReceiver, AreaSingleTurn), 1.0, "SingleTurnArea", "SingleTurnArea"}.Row(7, "%12.4f"),
    RxField{MEMBER(TReceiver, Turns), 1, "Turns", "Turns"}.Row(6, "%3d"),
    RxField{MEMBER(TReceiver, PreAmpGain), 1.0, "PreAmpGain", "PreAmpGain"}.Row(8, "%8.3f"),
    RxField{MEMBER(TReceiver, FilterOrder), 1.0, "LowPassFilterOrder"}
        .WithRule(ReceiverRule::LowPassFilter)
        .Row(12, "%8.3f"),
    RxField{MEMBER(TReceiver, FilterHz), 60000.0, "LowPassFilterHz"}.Row(11, "%10.2f").Fallback(30000),
    RxField{MEMBER(TReceiver, DampingOhms), 330.0, "DampingOhms", "DampingOhms"}.Row(10, "%8.3f"),
    RxField{MEMBER(TReceiver, AtoDConvGain), 100.0, "AtoDConvGain", "AtoDConvGain"}
        .Row(14, "%8.3f")
        .Fallback(1),
    RxField{MEMBER(TReceiver, PreBinAppliedRxDelay), 0.0, "PreBinAppliedRxDelay", "PreBinAppliedRxDelay"}.Row(
        13, "%12.7f"),
    RxField{"RxType", None}.WithRule(ReceiverRule::RxType).Row(17).ShownBy(ReceiverEditorRule::RxType),
    RxField{MEMBER(TReceiver, Shape), "Circle", "Shape", "Shape", {}, 0, -1, nullptr, true}
        .Row(18)
        .TrimmedInEditor(),
    RxField{MEMBER(TReceiver, EquivRadius), None, "EquivRadius", "EquivRadius", {}, 0, -1, &RxEquivRadius}
        .Row(19, "%8.3f"),
    RxField{MEMBER(TReceiver, XSideLength), None, "XSideLength", "XSideLength", {}, 0, -1, &RxSquareSide}.Row(
        20, "%8.3f"),
    RxField{MEMBER(TReceiver, YSideLength), None, "YSideLength", "YSideLength", {}, 0, -1, &RxSquareSide}.Row(
        21, "%8.3f"),
    // With the vertices, for a polygon only.
    RxField{MEMBER(TReceiver, Loopsides)}
        .WithRule(ReceiverRule::Polygon)
        .Row(22)
        .ShownBy(ReceiverEditorRule::Polygon),
    RxField{"NodeX", PerIndex{}}.Hidden(), // NodeX, NodeY, NodeZ: with Loopsides
    RxField{MEMBER(TReceiver, AxisTilt), 0.0, "AxisTilt", "AxisTilt"}.Row(15, "%8.3f"),
    RxField{MEMBER(TReceiver, AxisRotation), 0.0, "AxisRotation", "AxisRotation"}.Row(16, "%8.3f"),
};

// ---- Acquisition channel -------------------------------------------------------------------------
// The channel editor shows the fields in table order; the lines without a member are the values of
// the channel's transmitter that GEX keeps per channel.
const RecordField<TAcqChn> AcqChn[] = {
    ChnField{MEMBER(TAcqChn, RowID)}.WithRule(AcqChnRule::RowID), // its default depends on the channel
    {MEMBER(TAcqChn, Description), "Dummy Channel Description", "Description", "Description"},
    {MEMBER(TAcqChn, RxCoilNumber), 1, "RxCoilNumber", "RxCoilNumber", {}, 1, MaxRx},
    ChnField{MEMBER(TAcqChn, ReceiverPolarizationXYZ), "Z", "ReceiverPolarizationXYZ",
             "ReceiverPolarizationXYZ"}
        .TrimmedInEditor(),
    ChnField{MEMBER(TAcqChn, TransmitterMoment), "SingleM", "TransmitterMoment", "TransmitterMoment"}
        .TrimmedInEditor(),
    ChnField{MEMBER(TAcqChn, TxNumber), 1, "TxNumber", {}, {}, 1, MaxTx}.WithRule(AcqChnRule::TxNumber),
    ChnField{"TimebaseNumber", None}
        .WithRule(AcqChnRule::TimebaseNumber)
        .ShownBy(AcqChnEditorRule::TimebaseNumber),
    ChnField{MEMBER(TAcqChn, AtoDConvGain), 100.0}.WithRule(AcqChnRule::AtoDConvGain).Fallback(1),
    {MEMBER(TAcqChn, GateTimeShift), 0.0, "GateTimeShift", "GateTimeShift"},
    {MEMBER(TAcqChn, GateFactor), 1.0, "GateFactor", "GateFactor"},
    {MEMBER(TAcqChn, SystemResponseConvolution), 0, "SystemResponseConvolution", "SystemResponseConvolution"},
    {MEMBER(TAcqChn, RemoveInitialGates), 0, "RemoveInitialGates", "RemoveInitialGates"},
    ChnField{MEMBER(TAcqChn, RemoveGatesFrom), 0}.WithRule(AcqChnRule::RemoveGatesFrom),
    {MEMBER(TAcqChn, PrimaryFieldDampingFactor), 1.0, "PrimaryFieldDampingFactor",
     "PrimaryFieldDampingFactor"},
    {MEMBER(TAcqChn, UniformDataSTD), 0.03, "UniformDataSTD", "UniformDataSTD"},
    {MEMBER(TAcqChn, MeaTimeDelay), 0.0, "MeaTimeDelay", "MeaTimeDelay"},
    ChnField{"SignPattern", None}.WithRule(AcqChnRule::SignPattern).ShownBy(AcqChnEditorRule::SignPattern),
    ChnField{"NoGates", None}.WithRule(AcqChnRule::NoGates).ShownBy(AcqChnEditorRule::NoGates),
    ChnField{"FullWaveformRepFreq", None}.WithRule(AcqChnRule::RepFreq).ShownBy(AcqChnEditorRule::RepFreq),
    {MEMBER(TAcqChn, FrontGatetime), -1.0, "FrontGatetime", "FrontGatetime"},
    ChnField{"TiBLowPassFilter", None}
        .WithRule(AcqChnRule::LowPassFilter)
        .ShownBy(AcqChnEditorRule::LowPassFilter),
    ChnField{MEMBER(TAcqChn, TxApproximateCurrent), 1.0, {}, "TxApproximateCurrent"}.WithRule(
        AcqChnRule::TxApproximateCurrent),
    // The lists' rule writes all three.
    ChnField{MEMBER(TAcqChn, GateConstantsExist)}.WithRule(AcqChnRule::GateLists).Hidden(),
    ChnField{MEMBER(TAcqChn, GateFactorsExist)}.Hidden(),
    ChnField{MEMBER(TAcqChn, GateSTDsExist)}.Hidden(),
    ChnField{"GateConstants", List{}}.ShownBy(AcqChnEditorRule::GateConstants).Fallback(0),
    ChnField{"GateFactors", List{}}.ShownBy(AcqChnEditorRule::GateFactors).Fallback(1),
    ChnField{"GateSTDs", List{}}.ShownBy(AcqChnEditorRule::GateSTDs).Fallback(0),
    ChnField{MEMBER(TAcqChn, FrontGateExists), false}.Hidden(), // FrontGatetime >= 0
};

// ---- Time base -----------------------------------------------------------------------------------
const RecordField<TTimeBase> TimeBase[] = {
    {MEMBER(TTimeBase, TimeGateFileName), "No_Filename_selected", "TimebaseFilename", "TimebaseFilename"},
    {MEMBER(TTimeBase, GateSetKnownIndex), 0, "GateSetKnownIndex", "GateSetKnownIndex"},
    {MEMBER(TTimeBase, AnalDigConvSamplingRate), 999999, "AnalDigConvSamplingRate", "AnalDigConvSamplingRate",
     -1},
    {MEMBER(TTimeBase, PreBinAppliedSamplingDelay), 0.0, "PreBinAppliedSamplingDelay",
     "PreBinAppliedSamplingDelay"},
    TimeBaseField{MEMBER(TTimeBase, PowerlineBaseFrequency), 50, "PowerlineBaseFrequency"}.WithRule(
        TimeBaseRule::PowerlineFrequency),
    TimeBaseField{MEMBER(TTimeBase, NumGatesInSet), 99, "NumGatesInSet", {}, {}, 0, MaxGates}.WithRule(
        TimeBaseRule::GateCount),
    {MEMBER(TTimeBase, FullWaveformStacks), 32, "FullWaveformStacks", "FullWaveformStacks"},
    {MEMBER(TTimeBase, GateSetName), "WackyDummyGatesWontWork", "GateSetName", "GateSetName",
     "Not_Specified"},
    // The gates: GateCentre, drivenGateStart, drivenGateEnd, GateWidth.
    TimeBaseField{"GateCentre", PerIndex{}}.WithRule(TimeBaseRule::Gates),
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
    SysRespField{"LayerThicknesses", PerIndex{}}.WithRule(SystemResponseRule::Arrays),
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
    WaveformField{"WaveformPointTimes", PerIndex{}}.WithRule(TxWaveformRule::Points),
};

// ---- Vehicle -------------------------------------------------------------------------------------
const RecordField<TVehicle> Vehicle[] = {
    VehicleField{"Sensors", None}.WithRule(VehicleRule::Sensors),
    VehicleField{"Propulsion", None}.WithRule(VehicleRule::Propulsion),
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
