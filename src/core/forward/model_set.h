#pragma once
// The forward model set: layered earths generated from the model grid's ranges, and the grid's
// settings file "Forward.Ini".

#include <string>
#include <vector>

#include "core/forward/tmodel.h"

namespace tem {

class Operator;

inline constexpr int MaxForwardModels = 1000; ///< models in one set
inline constexpr int MaxForwardLayers = 10;   ///< layers of a model in the set

/// The models of one forward run; every model has NLayer layers and NParam = 2 * NLayer - 1
/// parameters (thicknesses of layers 1 .. NLayer-1, then resistivities of layers 1 .. NLayer).
struct ModelSet {
    std::vector<TModel> Models; ///< Models[0 .. NumModels-1]
    int NumModels = 0;
    int NLayer = 0;
    int NParam = 0;
};

/// One row of the model grid as typed: the layer's value, its "to" value and steps per decade.
/// An empty "to" cell means the value itself, an empty step cell 1.
struct ModelGridRow {
    std::string Thick, toThick, ThickStep; ///< unused in the last (half-space) row
    std::string Res, toRes, ResStep;
};

/// The model grid of the forward window: rows[0] is layer 1; the last row is the half-space.
struct ModelGrid {
    int layerCount = 3;             ///< the layer count edit
    std::vector<ModelGridRow> rows; ///< at least layerCount rows are read
};

/// A grid of `layerCount` rows holding the settings file's read defaults ("1", "", "1").
ModelGrid DefaultModelGrid(int layerCount = 3);

/// Builds the model set from the grid: the full cross-product of the parameters' value lists,
/// the first parameter varying fastest, values stored in single precision. Returns false, after
/// the program's message, when the grid names more than 10 layers, no model, or more than 1000
/// models (`set` then holds what was generated so far). Throws ConversionError naming the cell
/// for a cell that is not a number, and ActionError for a range that has no logarithm (a value
/// or "to" value of zero or below in a range).
bool ArrayModels(ModelSet& set, const ModelGrid& grid, Operator& op);

/// "Forward.Ini" in the shared data folder, or `forwardIniName` when it is not blank.
std::string ForwardIniFileName(const std::string& appDataFolder, const std::string& forwardIniName = {});
/// Fills rows 1 .. grid.layerCount from section "Model" (keys "Thick1", "toThick1", "ThickStep1",
/// "Res1", ...); a missing file or key gives the read defaults. Throws InOutError.
void ReadForwardIni(ModelGrid& grid, const std::string& fileName);
/// Writes rows 1 .. grid.layerCount into section "Model", keeping every other line of the file.
/// Throws InOutError.
void WriteForwardIni(const ModelGrid& grid, const std::string& fileName);

} // namespace tem
