#include "core/forward/model_set.h"

#include <algorithm>
#include <cmath>

#include "core/action_error.h"
#include "core/files/keyword_file.h"
#include "core/files/value_forms.h"
#include "core/operator.h"

namespace tem {

namespace {

/// One parameter's range as typed in its row.
struct ParamRange {
    double low = 0, high = 0, steps = 1;
};

double cellNumber(const std::string& text, const std::string& cell)
{
    const auto v = ParseFloat(text);
    if (!v || !std::isfinite(*v))
        throw ConversionError("'" + Trim(text) + "' is not a valid floating point value (" + cell + ")");
    return *v;
}

ParamRange readRange(const std::string& low, const std::string& high, const std::string& steps,
                     const std::string& what)
{
    ParamRange r;
    r.low = cellNumber(low, what);
    r.high = Trim(high).empty() ? r.low : cellNumber(high, what + " \"to\" value");
    r.steps = Trim(steps).empty() ? 1 : cellNumber(steps, what + " steps per decade");
    return r;
}

} // namespace

ModelGrid DefaultModelGrid(int layerCount)
{
    ModelGrid g;
    g.layerCount = layerCount;
    g.rows.assign(std::size_t(layerCount > 0 ? layerCount : 0), ModelGridRow{"1", "", "1", "1", "", "1"});
    return g;
}

bool ArrayModels(ModelSet& set, const ModelGrid& grid, Operator& op)
{
    const int nLayer = grid.layerCount;
    if (nLayer > MaxForwardLayers || nLayer < 0) {
        op.inform("A maximum of 10 layers is permitted in this facility. Reduce the number of layers and try "
                  "again");
        return false;
    }
    // The model begins with the first layer's thickness; a half-space has only its resistivity.
    const bool noModel = nLayer == 0 || int(grid.rows.size()) < nLayer ||
                         Trim(nLayer > 1 ? grid.rows[0].Thick : grid.rows[0].Res).empty();
    if (noModel) {
        op.inform("There is no layered model specified. Cannot continue.");
        return false;
    }
    const int nParam = 2 * nLayer - 1;
    std::vector<ParamRange> ranges;
    for (int layer = 1; layer < nLayer; ++layer) {
        const ModelGridRow& row = grid.rows[std::size_t(layer - 1)];
        ranges.push_back(readRange(row.Thick, row.toThick, row.ThickStep,
                                   "layer " + std::to_string(layer) + " thickness"));
    }
    for (int layer = 1; layer <= nLayer; ++layer) {
        const ModelGridRow& row = grid.rows[std::size_t(layer - 1)];
        ranges.push_back(
            readRange(row.Res, row.toRes, row.ResStep, "layer " + std::to_string(layer) + " resistivity"));
    }

    std::vector<long long> counts;
    for (std::size_t p = 0; p < ranges.size(); ++p) {
        const ParamRange& r = ranges[p];
        if (r.high == r.low || r.steps == 0) {
            counts.push_back(0);
            continue;
        }
        if (r.low <= 0 || r.high <= 0) {
            const int layer = p < std::size_t(nLayer - 1) ? int(p) + 1 : int(p) - nLayer + 2;
            throw ActionError(std::string("Layer ") + std::to_string(layer) +
                              (p < std::size_t(nLayer - 1) ? " thickness" : " resistivity") +
                              ": a range needs values above 0 (" + FormatGeneral(r.low) + " to " +
                              FormatGeneral(r.high) + ")");
        }
        // The factor 1.01 keeps whole decades from falling short by a rounding error.
        const double n = (std::log10(r.high) - std::log10(r.low)) * r.steps * 1.01;
        counts.push_back(std::abs(n) > 1e6 ? (n > 0 ? 1000000 : -1000000) : (long long)n);
    }

    set = ModelSet{};
    set.NLayer = nLayer;
    set.NParam = nParam;
    TModel first;
    first.NLayer = nLayer;
    first.NParam = nParam;
    for (int p = 1; p <= nParam; ++p)
        first.Param[p] = float(ranges[std::size_t(p - 1)].low);
    set.Models.push_back(first);
    set.NumModels = 1;

    for (int p = 1; p <= nParam; ++p) {
        const ParamRange& r = ranges[std::size_t(p - 1)];
        const long long n = counts[std::size_t(p - 1)];
        const int sign = n < 0 ? -1 : 1;
        const int known = set.NumModels;
        for (long long j = 1; j <= (n < 0 ? -n : n); ++j) {
            const float value = float(r.low * std::pow(10.0, double(j * sign) / r.steps));
            for (int k = 1; k <= known; ++k) {
                if (set.NumModels + 1 > MaxForwardModels) {
                    op.inform(
                        "Number of models exceeded 1000. Cannot continue. Please restart with fewer models.");
                    return false;
                }
                TModel m = set.Models[std::size_t(k - 1)];
                m.Param[p] = value;
                set.Models.push_back(m);
                ++set.NumModels;
            }
        }
    }
    return true;
}

std::string ForwardIniFileName(const std::string& appDataFolder, const std::string& forwardIniName)
{
    if (!Trim(forwardIniName).empty())
        return forwardIniName;
    return appDataFolder + "Forward.Ini";
}

void ReadForwardIni(ModelGrid& grid, const std::string& fileName)
{
    const KeywordFile file = KeywordFile::Load(fileName);
    const int count = grid.layerCount > 0 ? grid.layerCount : 0;
    grid.rows.resize(std::size_t(count));
    for (int row = 1; row <= count; ++row) {
        ModelGridRow& r = grid.rows[std::size_t(row - 1)];
        const std::string n = std::to_string(row);
        if (row < count) {
            r.Thick = file.ReadString("Model", "Thick" + n, "1");
            r.toThick = file.ReadString("Model", "toThick" + n, "");
            r.ThickStep = file.ReadString("Model", "ThickStep" + n, "1");
        }
        r.Res = file.ReadString("Model", "Res" + n, "1");
        r.toRes = file.ReadString("Model", "toRes" + n, "");
        r.ResStep = file.ReadString("Model", "ResStep" + n, "1");
    }
}

void WriteForwardIni(const ModelGrid& grid, const std::string& fileName)
{
    KeywordFile file = KeywordFile::Load(fileName);
    const int count = grid.layerCount > 0 ? std::min<int>(grid.layerCount, int(grid.rows.size())) : 0;
    for (int row = 1; row <= count; ++row) {
        const ModelGridRow& r = grid.rows[std::size_t(row - 1)];
        const std::string n = std::to_string(row);
        if (row < grid.layerCount) {
            file.WriteString("Model", "Thick" + n, r.Thick);
            file.WriteString("Model", "toThick" + n, r.toThick);
            file.WriteString("Model", "ThickStep" + n, r.ThickStep);
        }
        file.WriteString("Model", "Res" + n, r.Res);
        file.WriteString("Model", "toRes" + n, r.toRes);
        file.WriteString("Model", "ResStep" + n, r.ResStep);
    }
    file.Save(fileName);
}

} // namespace tem
