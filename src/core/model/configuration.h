#pragma once
// The configuration model: one complete description of a towed TEM survey system.
// Lengths in metres, times in seconds, currents in amperes, angles in degrees; coordinates in the
// vehicle frame with Z positive downwards. A value-initialised Configuration is all zero, false or
// empty, as the program's model is before the first read; for a key a file lacks, a reader stores
// the default of the field's line in the record table (core/model/record_fields.h).
//
// Names that recur through the program:
// - A field whose name begins with `driven` is computed from other fields (CalculateDrivenVariables,
//   CalcGatesInRamp in core/model/derived.h) or not set by any operation; it is never typed, and a
//   reader may load it but the next computation overwrites it.
// - Def and Aux: the main window's two transmitter panels, the default transmitter Tx[1] and the
//   auxiliary transmitter Tx[2], normally the two moments of one loop (TxDef / TxAux in messages).
// - LM and HM: the low and high moment of a dual-moment system (TMomentID::LM / HM; TxLM, TxHM
//   hold which transmitter carries each). GEX keeps LM in Tx[1] and HM in Tx[2]; SingleM is a
//   single-moment system.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/bounded_array.h"

namespace tem {

// ---- Limits -------------------------------------------------------------------------------------
inline constexpr int MaxTx = 9;
inline constexpr int MaxRx = 9;
inline constexpr int MaxAcqChn = 18;
inline constexpr int MaxTimeBases = 9;
inline constexpr int MaxLoopSides = 99;       ///< transmitter and receiver vertices
inline constexpr int MaxGates = 255;          ///< per time base and per system response
inline constexpr int MaxWaveformPoints = 255; ///< per transmitter, as many as a time base has gates
inline constexpr int MaxFwdModelLayers = 16;

// ---- Enumerations (names are written to files exactly as spelled) -------------------------------
enum class TMomentID { SingleM, LM, HM, Other, Main, Opp, TxX, TxY, TxZ, TxX2, TxY2, TxZ2, TxU, TxV, Bogus };
enum class TRxType { rxtypedBdt, rxtypeB, rxtypeCurr };
enum class TPropulsion { propTractor, propWalked, propAirborne, propBoat };
enum class TINIFileFormat { TDC, GEX, SomeFileFormatNoOneHasThoughtOfYet };

inline constexpr std::array<std::string_view, 15> MomentIDNames = {
    "SingleM", "LM",   "HM",   "Other", "Main", "Opp", "TxX",  "TxY",
    "TxZ",     "TxX2", "TxY2", "TxZ2",  "TxU",  "TxV", "Bogus"};
inline constexpr std::array<std::string_view, 3> RxTypeEnumNames = {"rxtypedBdt", "rxtypeB", "rxtypeCurr"};
inline constexpr std::array<std::string_view, 4> PropulsionNames = {"propTractor", "propWalked",
                                                                    "propAirborne", "propBoat"};
inline constexpr std::array<std::string_view, 3> INIFileFormatNames = {"TDC", "GEX",
                                                                       "SomeFileFormatNoOneHasThoughtOfYet"};

std::string_view Name(TMomentID v);
std::string_view Name(TRxType v);
std::string_view Name(TPropulsion v);
std::string_view Name(TINIFileFormat v);

/// Exact (case-sensitive) name lookup; nothing when the text names no value.
std::optional<TMomentID> MomentIDFromName(std::string_view name);
/// Case-insensitive, as the settings file is read.
std::optional<TINIFileFormat> INIFileFormatFromName(std::string_view name);

// ---- Constant tables ----------------------------------------------------------------------------
inline constexpr std::string_view ZXY = "ZXYWUVTRS";
/// "Tx1".."Tx9" for i = 1..9.
std::string TxAbrev(int i);
inline constexpr std::array<std::string_view, 3> RxTypeNames = {"dBdt", "B", "Curr"};
std::string_view SectionGen(TINIFileFormat f); ///< "All" / "General"
std::string_view SectionTx(TINIFileFormat f);  ///< "Tx" / "Transmitter"
std::string_view SectionRx(TINIFileFormat f);  ///< "Rx" / "RxCoil"
std::string_view SectionChn(TINIFileFormat f); ///< "Chn" / "Channel"
/// The reflected CRC-32 table (polynomial 0xEDB88320).
extern const std::array<std::uint32_t, 256> ChecksumTable;

// ---- Records ------------------------------------------------------------------------------------
struct TTransmitter {
    double FullWaveformRepetitionFrequency = 0; ///< Hz
    double drivenWaveformPeriod = 0;
    double drivenWaveformOffOnDuration = 0;
    int NoGates = 0;
    double drivenSamplingTime = 0;
    std::vector<int> SignPattern; ///< sign of each half-cycle
    int TimeBaseNumber = 0;       ///< 1-based index into TimeBase
    TMomentID MomentID = TMomentID::SingleM;
    std::string Name;
    int LoopSides = 0;
    int LoopType = 0;
    BoundedArray<double, 0, MaxLoopSides> NodeX, NodeY,
        NodeZ; ///< vertex k at index k; index LoopSides closes
    int Turns = 0;
    double Damping = 0;                                ///< ohm
    BoundedArray<double, 0, 1> LPFilterOrderandCutoff; ///< [0] order, [1] cut-off Hz
    double FlyingLeadLength = 0;
    double Area = 0;                                    ///< one turn, m^2 (computed)
    double CentroidX = 0, CentroidY = 0, CentroidZ = 0; ///< computed
    double EquivalentSquareLoopSide = 0;                ///< computed
    double Volts = 0, VoltsMin = 0, VoltsMax = 0;
    double Amps = 0, AmpsMin = 0, AmpsMax = 0;
    bool ConstantVoltsOrAmps = false;
    double Power = 0;      ///< W (computed)
    double Resistance = 0; ///< ohm (computed)
    double MomentNIA = 0;  ///< A m^2 (computed)
    bool RelayA = false, RelayB = false;
    std::string AxisOrient;                ///< one character: "X", "Y" or "Z"
    double AxisTilt = 0, AxisRotation = 0; ///< degrees
    double Type7RectSideX = 0, Type7RectSideY = 0;
    double PrimaryFieldSTD = 0;

    bool operator==(const TTransmitter&) const = default;
};

struct TReceiver {
    double CentroidX = 0, CentroidY = 0, CentroidZ = 0;
    std::string Name;
    std::string Orientation; ///< "X", "Y" or "Z"
    double AreaSingleTurn = 0;
    int Turns = 0;
    double PreAmpGain = 0;
    double AreaNumTurnsxPreAmpxSingleTurn = 0;
    double FilterHz = 0;
    double FilterOrder = 0;
    double DampingOhms = 0;
    double AtoDConvGain = 0;
    double AxisTilt = 0, AxisRotation = 0;
    double PreBinAppliedRxDelay = 0; ///< s
    TRxType RxType = TRxType::rxtypedBdt;
    std::string Shape; ///< "Circle", "Polygon", ...
    double EquivRadius = 0;
    double XSideLength = 0, YSideLength = 0;
    int Loopsides = 0;
    BoundedArray<double, 0, MaxLoopSides> NodeX, NodeY, NodeZ; ///< vertex k at index k = 1..Loopsides

    bool operator==(const TReceiver&) const = default;
};

struct TAcqChn {
    std::string RowID;
    std::string Description;
    int RxCoilNumber = 0;
    std::string ReceiverPolarizationXYZ;
    std::string TransmitterMoment;
    int TxNumber = 0;
    double AtoDConvGain = 0;  ///< -1: not set
    double GateTimeShift = 0; ///< s
    double GateFactor = 0;
    int SystemResponseConvolution = 0;
    int RemoveInitialGates = 0;
    int RemoveGatesFrom = 0;
    double PrimaryFieldDampingFactor = 0;
    double UniformDataSTD = 0;
    double MeaTimeDelay = 0; ///< s
    bool FrontGateExists = false;
    double FrontGatetime = 0;        ///< s; -1: none
    double TxApproximateCurrent = 0; ///< A
    bool GateConstantsExist = false, GateFactorsExist = false, GateSTDsExist = false;
    std::vector<double> GateConstants, GateFactors, GateSTDs;

    bool operator==(const TAcqChn&) const = default;
};

using GateArray = BoundedArray<double, 0, MaxGates>; ///< gate g at index g; index 0 unused

struct TTimeBase {
    std::string TimeGateFileName;
    int GateSetKnownIndex = 0;
    int AnalDigConvSamplingRate = 0;       ///< samples per second
    double PreBinAppliedSamplingDelay = 0; ///< s
    int PowerlineBaseFrequency = 0;        ///< Hz
    int NumGatesInSet = 0;
    int FullWaveformStacks = 0;
    std::string GateSetName;
    GateArray drivenGateStart, GateCentre, drivenGateEnd, GateWidth;

    bool operator==(const TTimeBase&) const = default;
};

using LayerArray = BoundedArray<double, 0, MaxFwdModelLayers>; ///< layer L at index L; index 0 unused

struct TSystemResponse {
    bool SysRespExists = false;
    bool FieldDataExists = false;
    int Seed0FwdOr1Eqn = 0;
    double LateTimeConst = 0, LateInitMagn = 0;
    double RxTimeConst = 0, RxInitMagn = 0;
    double OscillInitMagn = 0, OscillFreq = 0, OscillDamp = 0;
    double LowPassFreq = 0, LowPassOrder = 0;
    std::string FieldDataFilename;
    std::string SysRespFilename;
    double NoiseAt1mSinVperAm2 = 0;
    double NoiseLogLogSlopeinVperS = 0;
    int drivenGatesInRamp = 0;
    double SimulRxDelay_uS = 0;
    int FwdModelLayers = 0;
    LayerArray LayerThicknesses, LayerResistivities, drivenLayerBottomDepths;
    GateArray FieldAmplitudes, FwdModelAmplitudes, EqnModelAmplitudes, SysRespAmplitudes, NoiseStdVperAm2;

    bool operator==(const TSystemResponse&) const = default;
};

struct TTxWaveform {
    std::string WaveformFilename;
    int WaveformPointsDigitized = 0;
    double drivenRamp = 0; ///< s
    OneBased<double, MaxWaveformPoints> WaveformPointTimes, WaveformPointAmplitudes;

    bool operator==(const TTxWaveform&) const = default;
};

struct TVehicle {
    double GNSSX = 0, GNSSY = 0, GNSSZ = 0;
    bool GNSSExists = false;
    double GNSS2X = 0, GNSS2Y = 0, GNSS2Z = 0;
    bool GNSS2Exists = false;
    double DifferentialGNSSX = 0, DifferentialGNSSY = 0, DifferentialGNSSZ = 0;
    bool DifferentialGNSSExists = false;
    double DifferentialGNSS2X = 0, DifferentialGNSS2Y = 0, DifferentialGNSS2Z = 0;
    bool DifferentialGNSS2Exists = false;
    double AltimeterX = 0, AltimeterY = 0, AltimeterZ = 0;
    bool AltimeterExists = false;
    double Altimeter2X = 0, Altimeter2Y = 0, Altimeter2Z = 0;
    bool Altimeter2Exists = false;
    double InclinometerX = 0, InclinometerY = 0, InclinometerZ = 0;
    bool InclinometerExists = false;
    double Inclinometer2X = 0, Inclinometer2Y = 0, Inclinometer2Z = 0;
    bool Inclinometer2Exists = false;
    double SonarX = 0, SonarY = 0, SonarZ = 0;
    bool SonarExists = false;
    TPropulsion Propulsion = TPropulsion::propTractor;
    int GNSSAntennaFixture = 0, GNSSAntenna2Fixture = 0, TransmitterLoopFixture = 0;
    int ReceiverLoop1Fixture = 0, ReceiverLoop2Fixture = 0, ReceiverLoop3Fixture = 0;
    double TractorFixedX = 0, TractorSteerX = 0, TractorTowBallX = 0, TrailerX = 0;
    double WheelBase = 0, WheelTrack = 0;
    double SlingLength = 0, SlingTilt = 0;
    std::string PhotoFilename;

    bool operator==(const TVehicle&) const = default;
};

/// The whole configuration model.
struct Configuration {
    OneBased<TTransmitter, MaxTx> Tx;
    OneBased<TReceiver, MaxRx> Rx;
    OneBased<TAcqChn, MaxAcqChn> AcqChn;
    OneBased<TTimeBase, MaxTimeBases> TimeBase;
    OneBased<TSystemResponse, MaxAcqChn> SysResp;
    OneBased<TTxWaveform, MaxTx> TxWaveform;
    TVehicle Vehicle;

    int NumTx = 0, NumRx = 0, NumAcqChn = 0, NumTimebases = 0;
    int TxSingle = 0, TxLM = 0, TxHM = 0;
    int TxOther = 0;
    OneBased<OneBased<int, MaxRx>, MaxTx> AcqChnMapTxRx; ///< [tx][rx] -> channel, 0 if none

    std::string LoadFilename, SaveFilename;
    std::string ParentConfigFile;
    std::string TempFilename;
    std::string Description;
    std::string DataType;
    TINIFileFormat TDCorGEX = TINIFileFormat::TDC;
    bool Master = false;
    std::uint32_t MasterTamperCheckCRC = 0;
    bool IsCorrupt = false;
    double FrontGateDelay = 0;         ///< s
    int CalculateRawDataSTD = 0;       ///< -1: not given
    int GateNoForPowerLineMonitor = 0; ///< -1: not given
    bool LinkTxApproximateCurrenttoTxAmps = false;

    bool operator==(const Configuration&) const = default;
};

// ---- Table defaults (what a reader stores for a missing key) ------------------------------------
TTransmitter DefaultTransmitter();
TReceiver DefaultReceiver();
/// Vertex k of the unit circle a polygon receiver falls back to: (sin(k pi/2), cos(k pi/2)), exact
/// for every k (free of the rounding noise of sin and cos).
double UnitCircleX(int k);
double UnitCircleY(int k);
/// Channel c (1-based): RowID is the character of ZXY at position c (channel 9 and up wrap round).
TAcqChn DefaultAcqChn(int c);
TTimeBase DefaultTimeBase();
TSystemResponse DefaultSystemResponse();
TTxWaveform DefaultTxWaveform();
TVehicle DefaultVehicle();
/// One transmitter, receiver, channel and time base in use; every record at its table defaults.
Configuration DefaultConfiguration();

} // namespace tem
