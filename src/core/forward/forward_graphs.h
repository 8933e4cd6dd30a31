#pragma once
// What the forward-model graph windows draw: the staircases of the first models of the set, their
// responses, and for TEM the detectability of model 1 against model 2 above the noise. The windows
// only hand these points to their charts.

#include <string>
#include <vector>

#include "core/forward/tmodel.h"

namespace tem {

/// The most models a graph draws.
inline constexpr int numGraphs = 8;

struct GraphPoint {
    double x = 0;
    double y = 0;
    std::string label;
};
using GraphPoints = std::vector<GraphPoint>;

/// Label of a model value: "%5.3g" on the first model, the shortest 15-digit form on the others.
std::string ModelValueLabel(double v, bool firstModel);

/// Depths D[0..NLayer] of each model: layer bottoms, with a top shared by all models (half of the
/// smallest first thickness or of topStart) and a bottom shared by all (twice the deepest layer
/// bottom or bottomStart).
std::vector<std::vector<double>> DepthTable(const std::vector<TModel>& drawn, double topStart,
                                            double bottomStart);

/// Staircase of every model: two points per layer, (top, resistivity) labelled "R" + resistivity and
/// (bottom, resistivity) labelled "T" + thickness ("T*****" for the half-space, which has none).
/// With log10Coords both coordinates are given as log10 (the geo-electric chart's linear axes).
std::vector<GraphPoints> ModelStaircases(const std::vector<TModel>& drawn, double topStart,
                                         double bottomStart, bool log10Coords);

/// The models a graph draws: the first numGraphs of the set.
std::vector<TModel> DrawnModels(const std::vector<TModel>& models);

// ---- Geo-electric graph ---------------------------------------------------------------------

struct GeoGraphSeries {
    std::vector<GraphPoints> models;    ///< "Model 1".."Model 8": log10 depth, log10 resistivity
    std::vector<GraphPoints> responses; ///< "Apparent Resistivity 1".."8": log10 EffDepth, log10 rho_a
};

/// ln10responses[m][b-1]: log10 apparent resistivity of model m at bipole b; effDepth[b-1] the
/// bipole's effective depth (m). Models without responses draw only their staircase.
GeoGraphSeries BuildGeoGraph(const std::vector<TModel>& models,
                             const std::vector<std::vector<double>>& ln10responses,
                             const std::vector<double>& effDepth);

// ---- TEM graph ------------------------------------------------------------------------------

/// The run's results of the selected channel, per model [m] and returned gate [i-1].
struct TEMGraphInput {
    std::vector<TModel> models;              ///< the whole model set
    std::vector<std::vector<double>> times;  ///< FwdModTimes (s)
    std::vector<std::vector<double>> dBdt;   ///< dBdtTEM, V/(A.m^2)
    std::vector<std::vector<double>> appRes; ///< AppRTEM, ohm-m
    std::vector<std::vector<double>> loci;   ///< LociTEM, m
    int gates = 0;                           ///< FwdModelOutputGates of the channel
    std::vector<double> noise;               ///< NoiseStdVperAm2[1..] of the channel, [0] is gate 1
};

struct TEMGraphSeries {
    std::vector<GraphPoints> models;       ///< "Model 1".."8": depth (m), resistivity
    std::vector<GraphPoints> appRes;       ///< "Apparent Resistivity 1".."8": 0.4 x loci depth, rho_a;
                                           ///< gates without an apparent resistivity have no point
    std::vector<GraphPoints> dBdt;         ///< "dB/dt 1".."8": time, |dB/dt| labelled with its sign
    std::vector<GraphPoints> dBdtNegative; ///< the points of dBdt whose dB/dt is negative
    bool detectActive = false;
    GraphPoints detect; ///< time, (model 1 - model 2) / noise
    double SumDetect = 0;
    bool noiseActive = false;
    GraphPoints noise; ///< time, noise standard deviation
};

TEMGraphSeries BuildTEMGraph(const TEMGraphInput& in);

/// "%7.2f" of SumDetect, as the forward window shows it.
std::string SumDetectText(double SumDetect);

} // namespace tem
