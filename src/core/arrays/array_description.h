#pragma once
// The geo-electric array description: every four-electrode configuration as a list of monopole
// pairs (one current point, one potential point, their separation and the signed share of the
// current the pair carries). Distances and coordinates in metres; x along the line, y across it.

#include <string>
#include <string_view>

#include "core/bounded_array.h"

namespace tem {

inline constexpr int MaxArrayConfigs = 25;
inline constexpr int MaxMonopolePairs = 30;
inline constexpr int ElectrodesPerConfig = 4;
/// Separations below this (m) cannot enter a geometric factor.
inline constexpr double MinMonopoleSeparation = 1e-7;

template <class T> using PerConfig = OneBased<T, MaxArrayConfigs>;
template <class T> using PerPair = OneBased<OneBased<T, MaxMonopolePairs>, MaxArrayConfigs>;
template <class T> using PerElectrode = OneBased<OneBased<T, ElectrodesPerConfig>, MaxArrayConfigs>;

struct TArrayConfiguration {
    int numBipoles = 0;         ///< configurations, 1 .. 25
    int MaxCP = 0;              ///< largest pair count of any configuration
    PerConfig<int> numCurPot;   ///< pairs of each configuration, 1 .. 30
    PerConfig<float> EffDepth;  ///< effective depth (m)
    PerPair<double> CP;         ///< separation of each pair (m)
    PerPair<double> CPProp;     ///< signed current share of each pair
    PerConfig<double> GeomFact; ///< geometric factor (m); 0 when it cannot be computed
    PerConfig<double> SubmergedGeomFact;
    double SubDepth = 0; ///< depth to which the array is submerged (m)
    PerConfig<double> MidpointX;
};

struct TArrayConfigExt {
    PerPair<double> MonopoleTx, MonopoleTy; ///< current point of each pair
    PerPair<double> MonopoleRx, MonopoleRy; ///< potential point of each pair
    PerElectrode<double> Elecx, Elecy;      ///< E1, E2 current; E3, E4 potential
    double TxElectrodeLength = 0;           ///< length of a linear current electrode, 0 for points
    PerConfig<double> MidpointY;
    std::string AConfigType; ///< generator that produced the array
    double PortionSizer = 0; ///< growth constant of the portioning rule
};

/// The seven generator type names, as stored in "AConfigType".
inline constexpr std::string_view ArrayTypeExponentialBipole = "ExponentialBipole";
inline constexpr std::string_view ArrayTypeLinearBipoleBipole = "LinearBipoleBipole";
inline constexpr std::string_view ArrayTypeSchlumberger = "Schlumberger";
inline constexpr std::string_view ArrayTypeWenner = "Wenner";
inline constexpr std::string_view ArrayTypeAarhusPACES = "AarhusPACES";
inline constexpr std::string_view ArrayTypeGeneralPhiTheta = "GeneralPhiTheta";
inline constexpr std::string_view ArrayTypeGeneralXY = "GeneralXY";

/// Rows of PhiThetaInfo: transmitter width, receiver width, midpoint separation, theta, phi and
/// effective depth of each configuration, held as text.
inline constexpr int PhiThetaRows = 6;

/// The whole process-wide array store: the description and the values that travel with it.
struct ArrayDescription {
    TArrayConfiguration AConfig;
    TArrayConfigExt AConfigExt;
    double OffsetBehind = 0; ///< sounding reference point behind the GPS antenna (m)
    double OffsetRight = 0;  ///< and to its right (m)
    // Generator parameters.
    double CurrElecSeparation = 0;
    double FirstPotentDist = 0;
    double TwoToPowerOfnIncr = 0;
    double RadiusOfCurvature = 0;
    double SamplePerDecade = 0;
    PerConfig<double> SchlumbL;
    PerConfig<double> Schlumblittlel;
    OneBased<PerConfig<std::string>, PhiThetaRows> PhiThetaInfo;
};

} // namespace tem
