#pragma once
// Depth-of-investigation analyses of an array: NDIC and DIC curves, detectability of a thin layer,
// signal-to-noise ratio against effective depth, and the signal contribution section under one
// configuration. Each returns its series; the chart windows only draw them.

#include <string>
#include <vector>

#include "core/arrays/array_description.h"

namespace tem {

class Operator;

/// Depth grid of the curves: 200 steps per decade from 0.01 m to 1000 m.
inline constexpr int NDICBins = 1000;

struct ChartSeries {
    std::string Title;
    std::vector<double> X, Y;
    bool RightAxis = false; ///< drawn against the right axis
    bool Active = true;     ///< shown when the chart opens
};

// ---- NDIC and DIC curves -----------------------------------------------------------------------

struct NDICOptions {
    bool OneLayer = false;   ///< "1 Layer over halfspace", else "Halfspace only"
    double SurfaceRes = 100; ///< "Surface Layer Resistivity" (ohm-m)
    double HalfSpaceRes = 1; ///< "HalfSpace Resistivity" (ohm-m)
    double Thickness = 10;   ///< "Surface Layer thickness" (m)
    int ReflectedTerms = 6;  ///< "Number of reflected signal terms", 2 .. 20
    bool DIC = false;        ///< "DIC", else "NDIC"
    double Current = 1;      ///< A
};

/// One untitled series per configuration, points (depth, characteristic) for grid depths 1 .. 999.
/// A configuration whose sum of share / separation vanishes gives a zero NDIC.
std::vector<ChartSeries> NDICCurves(const TArrayConfiguration& a, const NDICOptions& o);

// ---- Detectability -----------------------------------------------------------------------------

struct DetectabilityOptions {
    double HalfSpaceRes = 100; ///< "Half Space Resistivity (Ohmm)"
    double Current = 1.0;      ///< "Transmitter Current (Amps)"
    double NoiseV = 0.001;     ///< "System Noise Level (Volts)"
    int TrackBar = 10;         ///< 1 .. 10: percent change of the layer's resistivity
};

struct DetectabilityChart {
    std::vector<std::string> Title;  ///< chart title lines
    std::vector<ChartSeries> Series; ///< 2 * numBipoles + 2 series
};

/// The DIC of every configuration and of the whole array (right axis, hidden), then the minimum
/// detectable thickness against the depth of the layer's top for every configuration and for the
/// whole array. Options that cannot give a curve (a noise level, current or resistivity that is
/// not above 0) are reported and give no series.
DetectabilityChart DetectabilityCurves(const ArrayDescription& d, const DetectabilityOptions& o,
                                       Operator& op);

// ---- Signal against effective depth ------------------------------------------------------------

struct SignalVsEffDepthChart {
    std::vector<std::string> Title;
    ChartSeries Series; ///< "Geo-electric Array " + index; one point per configuration
};

/// Signal-to-noise ratio I rho / (GeomFact NoiseV) at each configuration's effective depth.
/// seriesIndex numbers the title (series accumulate in the window). A configuration without a
/// geometric factor gives no point.
SignalVsEffDepthChart SignalVsEffDepth(const ArrayDescription& d, const DetectabilityOptions& o,
                                       int seriesIndex);

// ---- Signal contribution section ---------------------------------------------------------------

struct SignalContributionOptions {
    int Config = 1;         ///< 1 .. numBipoles
    double Y = 0;           ///< across-line offset of the section (m)
    bool Submerged = false; ///< "Array Height": "Submerged", else "Surface"
    double Resistivity = 100;
    double Current = 1;
};

struct SignalContributionSection {
    double MinX = 0, MaxX = 0, MaxZ = 0, CellW = 0, CellH = 0;
    int numXCells = 0, numZCells = 0;
    std::vector<double> Values;   ///< Values[ix * numZCells + iz], cell centres
    std::vector<double> TxX, RxX; ///< electrode points, drawn at ElectrodeDepth
    double MidpointX = 0;
    double ElectrodeDepth = 0;
    double Value(int ix, int iz) const
    {
        return Values[std::size_t(ix) * std::size_t(numZCells) + std::size_t(iz)];
    }
};

/// The section under one configuration. Columns are limited to MaxSectionColumns (cells widened,
/// with a message); coordinates that give no finite section are reported and give an empty one.
inline constexpr int MaxSectionColumns = 2000;
SignalContributionSection UpdateSCE(const ArrayDescription& d, const SignalContributionOptions& o,
                                    Operator& op);

} // namespace tem
