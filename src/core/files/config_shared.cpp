#include "core/files/config_shared.h"

#include <algorithm>
#include <climits>

#include "core/action_error.h"
#include "core/files/config_formats.h"
#include "core/files/keyword_file.h"
#include "core/files/known_sections.h"
#include "core/files/protection.h"
#include "core/files/value_forms.h"
#include "core/model/data_folders.h"
#include "core/operator.h"

namespace tem {

std::string_view LoopTypeMessage(int loopType, TINIFileFormat format)
{
    switch (loopType) {
    case 73:
        return format == TINIFileFormat::GEX
                   ? "Tx LoopType 73 detected - Segmented Loop with Inverse Laplace Transform and System "
                     "Response. This software can read the segmented loop but may not load nor model with "
                     "the "
                     "SSR or SR2 format system response."
                   : "Tx LoopType 73 detected - Segmented Loop with Inverse Laplace Transform and System "
                     "Response. This software can read the segmented loop but will not load nor model with "
                     "the SSR or SR2 format system response.";
    case 12:
        return "Tx LoopType 12 detected - circular loop - Not supported - Consider negotiating for support "
               "or "
               "manually edit to make it LoopType 72 with Loop vertices.";
    case 123:
        return "Tx LoopType 123 detected - circular loop with Inverse Laplace Transform - Not supported - "
               "Consider negotiating for support or manually edit to make it LoopType 72 with Loop vertices "
               "- "
               "SSR or SR2 system response will not be loaded nor modelled.";
    case 13:
        return "Tx LoopType 13 detected - circular loop with offset receiver - Not supported - Consider "
               "negotiating for support or manually edit to make it LoopType 72 with Loop vertices.";
    case 14:
        return "Tx LoopType 14 detected - In-loop - Consider negotiating for support but for now manually "
               "edit "
               "to make it LoopType 72 with Loop vertices.";
    case 3:
        return "Tx LoopType 3 detected - Vertical Magnetic Dipole - Not fully supported - may not be "
               "suitable "
               "for forward modelling";
    case 31:
        return "Tx LoopType 31 detected - Rotated magnetic dipole with primary field - Not fully supported - "
               "may not be suitable for forward modelling";
    default:
        return {};
    }
}

void LinkChannelCurrentsToTransmitters(Configuration& cfg)
{
    const int numTx = std::clamp(cfg.NumTx, 0, MaxTx);
    const int numRx = std::clamp(cfg.NumRx, 0, MaxRx);
    for (int t = 1; t <= numTx; ++t)
        for (int r = 1; r <= numRx; ++r) {
            const int c = cfg.AcqChnMapTxRx[t][r];
            if (c >= 1 && c <= MaxAcqChn && cfg.AcqChn[c].TxApproximateCurrent > 0)
                cfg.Tx[t].Amps = cfg.AcqChn[c].TxApproximateCurrent;
        }
}

int ClampReported(long long value, int lo, int hi, std::string_view section, std::string_view key,
                  Operator& op, std::string_view countedSections)
{
    if (value >= lo && value <= hi)
        return static_cast<int>(value);
    const int used = value < lo ? lo : hi;
    const std::string what = countedSections.empty()
                                 ? " is " + std::to_string(value)
                                 : " is missing and " + std::to_string(value) + " " +
                                       std::string(countedSections) + " sections were counted";
    op.inform(std::string(key) + " in section [" + std::string(section) + "]" + what +
              ", outside the allowed range " + std::to_string(lo) + " to " + std::to_string(hi) + "; " +
              std::to_string(used) + " is used.");
    return used;
}

KeywordFile StartRead(Configuration& next, TINIFileFormat format, std::string_view missingName,
                      const DataFolders& folders, Operator& op)
{
    const bool exists = IsRegularFile(next.LoadFilename);
    if (!exists)
        next.LoadFilename = std::string(missingName);
    next.TDCorGEX = format;
    // The read's own copy of the file; a missing file reads as all defaults.
    KeywordFile file = KeywordFile::FromOwnedText(exists ? PreReadCheck(next, folders, op) : std::string());
    next.TempFilename = folders.temConfig + "Temp" + std::string(UpperExtensionOf(format));
    if (exists && !HasConfigurationSection(file, format))
        op.inform(NoConfigurationSectionsMessage(next.LoadFilename));
    return file;
}

namespace {

template <class E, std::size_t N>
std::optional<E> FromNames(const std::array<std::string_view, N>& names, std::string_view text)
{
    for (std::size_t i = 0; i < names.size(); ++i)
        if (SameText(names[i], text))
            return static_cast<E>(i);
    return std::nullopt;
}

} // namespace

std::optional<TMomentID> MomentIDFromText(std::string_view text)
{
    return FromNames<TMomentID>(MomentIDNames, text);
}

std::optional<TPropulsion> PropulsionFromText(std::string_view text)
{
    return FromNames<TPropulsion>(PropulsionNames, text);
}

TRxType RxTypeFromText(std::string_view text)
{
    for (std::size_t i = 0; i < RxTypeNames.size(); ++i)
        if (SameText(RxTypeNames[i], text) || SameText(RxTypeEnumNames[i], text))
            return static_cast<TRxType>(i);
    return TRxType::rxtypedBdt;
}

void ReadLoopVertex(std::string_view value, TTransmitter& tx, int i)
{
    const std::vector<std::string> tokens = SplitVector(value, true);
    tx.NodeX[i] = TokenFloat(tokens, 0, i);
    tx.NodeY[i] = TokenFloat(tokens, 1, i);
    tx.NodeZ[i] = tokens.size() > 2 && !tokens[2].starts_with('/') ? TokenFloat(tokens, 2, -1) : tx.CentroidZ;
}

void CloseLoop(TTransmitter& tx)
{
    tx.NodeX[tx.LoopSides] = tx.NodeX[0];
    tx.NodeY[tx.LoopSides] = tx.NodeY[0];
    tx.NodeZ[tx.LoopSides] = tx.NodeZ[0];
}

std::string LoopVertexText(const TTransmitter& tx, int i)
{
    return FormatFixed(tx.NodeX[i], 8, 3) + " " + FormatFixed(tx.NodeY[i], 8, 3) + " " +
           FormatFixed(tx.NodeZ[i], 8, 3);
}

void ReadLowPassFilter(std::string_view value, std::string_view where, TTransmitter& tx)
{
    const std::vector<std::string> tokens = SplitVector(value, false);
    if (tokens.size() < 2)
        throw ListIndexError("List index out of bounds (" + std::to_string(tokens.size()) +
                             "): TiBLowPassFilter in section " + std::string(where) +
                             " needs two values, the filter order and the cut-off frequency");
    tx.LPFilterOrderandCutoff[0] = TokenFloat(tokens, 0, 1);
    tx.LPFilterOrderandCutoff[1] = TokenFloat(tokens, 1, 60000);
}

std::string LowPassFilterText(const TTransmitter& tx)
{
    return FormatGeneral(tx.LPFilterOrderandCutoff[0]) + " " + FormatGeneral(tx.LPFilterOrderandCutoff[1]);
}

std::vector<int> ReadSignPattern(std::string_view value)
{
    const std::vector<std::string> tokens = SplitVector(value, false);
    std::vector<int> signs(tokens.size(), 0);
    for (std::size_t k = 0; k < tokens.size(); ++k) {
        const long long def = 2 * static_cast<long long>(k % 2) - 2;
        const long long v = TokenInteger(tokens, k, def);
        signs[k] = static_cast<int>(v < INT_MIN || v > INT_MAX ? def : v);
    }
    return signs;
}

std::string SignPatternText(const TTransmitter& tx)
{
    std::string signs;
    for (const int s : tx.SignPattern)
        if (s == 1 || s == -1)
            signs += (signs.empty() ? "" : " ") + std::to_string(s);
    return signs;
}

void ReadGate(std::string_view value, TTimeBase& tb, int g)
{
    const std::vector<std::string> tokens = SplitVector(value, true);
    const double fallback = g * 1e-6;
    tb.GateCentre[g] = TokenFloat(tokens, 0, fallback);
    tb.drivenGateStart[g] = TokenFloat(tokens, 1, fallback);
    tb.drivenGateEnd[g] = TokenFloat(tokens, 2, fallback);
    tb.GateWidth[g] = tb.drivenGateEnd[g] - tb.drivenGateStart[g];
}

std::string GateText(const TTimeBase& tb, int g)
{
    return FormatScientific(tb.GateCentre[g]) + " " + FormatScientific(tb.drivenGateStart[g]) + " " +
           FormatScientific(tb.drivenGateEnd[g]) + " " + FormatScientific(tb.GateWidth[g]);
}

void ReadWaveformPoint(std::string_view value, TTxWaveform& w, int p)
{
    const std::vector<std::string> tokens = SplitVector(std::string(value) + " 0 1", false);
    w.WaveformPointTimes[p] = TokenFloat(tokens, 0, p * 1e-6);
    w.WaveformPointAmplitudes[p] = TokenFloat(tokens, 1, p < w.WaveformPointsDigitized ? 1 : 0);
}

void ReadGateLists(const KeywordFile& file, std::string_view sec, TAcqChn& a, Operator& op)
{
    const auto list = [&](std::string_view key, bool& exists, std::vector<double>& values, double def) {
        const std::optional<std::string> text = file.Find(sec, key);
        exists = text.has_value();
        if (!exists)
            return;
        std::vector<std::string> tokens = SplitVector(*text, false, MaxGates + 1);
        if (tokens.size() > MaxGates) {
            op.inform(GateListTooLong(std::string(sec), key, MaxGates));
            tokens.resize(MaxGates);
        }
        values.assign(tokens.size(), def);
        for (std::size_t k = 0; k < tokens.size(); ++k)
            values[k] = TokenFloat(tokens, k, def);
    };
    list("GateConstants", a.GateConstantsExist, a.GateConstants, 0);
    list("GateFactors", a.GateFactorsExist, a.GateFactors, 1);
    list("GateSTDs", a.GateSTDsExist, a.GateSTDs, 0.03);
}

std::string GateListText(const std::vector<double>& values)
{
    std::string text;
    for (const double v : values)
        text += (text.empty() ? "" : " ") + FormatGeneral(v);
    return text;
}

int ResponseGateCount(const Configuration& cfg, int c)
{
    const int tx = std::clamp(cfg.AcqChn[c].TxNumber, 1, MaxTx);
    return std::clamp(cfg.Tx[tx].NoGates, 0, MaxGates);
}

namespace {

/// The per-gate lists of a response: key base, member, default.
struct ResponseList {
    std::string_view key;
    GateArray TSystemResponse::*values;
    double def;
};
const ResponseList ResponseLists[] = {
    {"FieldAmplitudesGate", &TSystemResponse::FieldAmplitudes, 0.5},
    {"ForwardModelAmplitudes", &TSystemResponse::FwdModelAmplitudes, 0.5},
    {"EquationModelAmplitudes", &TSystemResponse::EqnModelAmplitudes, 0.5},
    {"NoiseStdVperAm2_", &TSystemResponse::NoiseStdVperAm2, 2e-08},
    {"SysRespAmplitudes_", &TSystemResponse::SysRespAmplitudes, 0},
};

} // namespace

void ReadResponseArrays(const KeywordFile* file, std::string_view sec, TSystemResponse& s, int gates)
{
    const auto read = [&](std::string_view base, long long n, int digits, double def) {
        return file ? file->ReadFloat(sec, std::string(base) + FormatNumbered(n, digits), def) : def;
    };
    for (int L = 1; L <= s.FwdModelLayers; ++L) {
        s.LayerThicknesses[L] = read("LayerThicknesses", L, 2, 0.5);
        s.LayerResistivities[L] = read("LayerResistivities", L, 2, 10.0 * L);
    }
    for (int g = 1; g <= gates; ++g)
        for (const ResponseList& list : ResponseLists)
            (s.*list.values)[g] = read(list.key, g, 1, list.def);
}

void WriteResponseArrays(KeywordFile& file, std::string_view sec, const TSystemResponse& s, int gates)
{
    const int layers = std::clamp(s.FwdModelLayers, 0, MaxFwdModelLayers);
    for (int L = 1; L <= layers; ++L)
        file.WriteFloat(sec, "LayerThicknesses" + FormatNumbered(L, 2), s.LayerThicknesses[L]);
    for (int L = 1; L <= layers; ++L)
        file.WriteFloat(sec, "LayerResistivities" + FormatNumbered(L, 2), s.LayerResistivities[L]);
    for (const ResponseList& list : ResponseLists)
        for (int g = 1; g <= gates; ++g)
            file.WriteFloat(sec, std::string(list.key) + FormatNumbered(g, 1), (s.*list.values)[g]);
}

} // namespace tem
