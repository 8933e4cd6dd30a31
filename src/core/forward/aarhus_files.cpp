#include "core/forward/aarhus_files.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <system_error>

#include "core/action_error.h"
#include "core/files/keyword_file.h"
#include "core/files/value_forms.h"
#include "core/operator.h"

namespace tem {

namespace fs = std::filesystem;

namespace {

constexpr const char* CRLF = "\r\n";

std::string channelName(int c)
{
    return "Channel " + std::to_string(c);
}

/// The 1-based position of the receiver's orientation in "XYZ"; 0 when it is not there.
int orientationIndex(const std::string& orientation)
{
    if (orientation.empty())
        return 0;
    const std::size_t pos = std::string_view("XYZ").find(orientation);
    return pos == std::string_view::npos ? 0 : int(pos) + 1;
}

std::string upper(std::string s)
{
    for (char& ch : s)
        ch = char(std::toupper(static_cast<unsigned char>(ch)));
    return s;
}

/// At most 40 characters of a token, every byte outside printable ASCII as \xNN: a message never
/// passes a file's raw bytes on.
std::string Excerpt(std::string_view token)
{
    std::string shown;
    for (const char ch : token.substr(0, 40)) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte >= 0x20 && byte < 0x7F) {
            shown += ch;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            shown += escaped;
        }
    }
    return token.size() > 40 ? shown + "..." : shown;
}

/// Every file of a folder by its upper-case name: another engine may write "fwd00001.FWR".
std::map<std::string, std::string> filesByUpperName(const std::string& folder)
{
    std::map<std::string, std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? "." : folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        names.emplace(upper(name), it->path().string());
    }
    return names;
}

} // namespace

std::string ModelFileName(const std::string& workFolder)
{
    return workFolder + "fwd.mod";
}

std::string TEMFileName(const std::string& workFolder, int channel)
{
    return workFolder + "FWD" + FormatNumbered(channel, 2) + ".tem";
}

std::string FwdResultFileName(const std::string& workFolder, int dataSet)
{
    return workFolder + "FWD" + FormatNumbered(dataSet, 5) + ".fwr";
}

void CheckModelSetForFiles(const ModelSet& set)
{
    if (set.NumModels < 1 || int(set.Models.size()) < set.NumModels || set.NLayer < 1 ||
        set.NLayer > MaxForwardLayers)
        throw ActionError("There is no layered model specified. Cannot continue.");
    for (int m = 0; m < set.NumModels; ++m) {
        const TModel& model = set.Models[std::size_t(m)];
        for (int p = 1; p <= 2 * set.NLayer - 1; ++p) {
            const float v = model.Param[p];
            if (std::isfinite(v) && double(v) >= MinModelFileValue)
                continue;
            const bool thickness = p < set.NLayer;
            const int layer = thickness ? p : p - set.NLayer + 1;
            // The value as stored (single precision), in its shortest form: 0.005 is 0.00499999988.
            char text[32];
            const auto r = std::to_chars(text, text + sizeof text, v);
            if (!(v > 0))
                throw ActionError("Model " + std::to_string(m) + ", layer " + std::to_string(layer) +
                                  (thickness ? " thickness " : " resistivity ") + std::string(text, r.ptr) +
                                  " must be a positive number. Cannot continue.");
            throw ActionError("Model " + std::to_string(m) + ", layer " + std::to_string(layer) +
                              (thickness ? " thickness " : " resistivity ") + std::string(text, r.ptr) +
                              " would be written as 0.00 in the model file (every value below 0.005 is). "
                              "Cannot continue.");
        }
    }
}

void CheckChannelsForFiles(const Configuration& cfg)
{
    if (cfg.NumAcqChn < 1 || cfg.NumAcqChn > MaxAcqChn)
        throw ActionError("The configuration has no acquisition channel to model.");
    for (int c = 1; c <= cfg.NumAcqChn; ++c) {
        const TAcqChn& ch = cfg.AcqChn[c];
        if (ch.TxNumber < 1 || ch.TxNumber > cfg.NumTx || ch.TxNumber > MaxTx)
            throw ActionError(channelName(c) + ": its transmitter " + std::to_string(ch.TxNumber) +
                              " is not one of the configuration's " + std::to_string(cfg.NumTx) +
                              " transmitters. Cannot continue.");
        if (ch.RxCoilNumber < 1 || ch.RxCoilNumber > cfg.NumRx || ch.RxCoilNumber > MaxRx)
            throw ActionError(channelName(c) + ": its receiver " + std::to_string(ch.RxCoilNumber) +
                              " is not one of the configuration's " + std::to_string(cfg.NumRx) +
                              " receivers. Cannot continue.");
        const TTransmitter& tx = cfg.Tx[ch.TxNumber];
        if (tx.TimeBaseNumber < 1 || tx.TimeBaseNumber > cfg.NumTimebases || tx.TimeBaseNumber > MaxTimeBases)
            throw ActionError(channelName(c) + ": its transmitter " + std::to_string(ch.TxNumber) +
                              " has no time base (time base " + std::to_string(tx.TimeBaseNumber) + " of " +
                              std::to_string(cfg.NumTimebases) + "). Cannot continue.");
        if (tx.NoGates < 0 || tx.NoGates > MaxGates)
            throw ActionError(channelName(c) + ": its transmitter " + std::to_string(ch.TxNumber) + " has " +
                              std::to_string(tx.NoGates) + " gates; at most " + std::to_string(MaxGates) +
                              " are possible. Cannot continue.");
        if ((tx.LoopType == 72 || tx.LoopType == 73) && (tx.LoopSides < 0 || tx.LoopSides > MaxLoopSides))
            throw ActionError(channelName(c) + ": its transmitter " + std::to_string(ch.TxNumber) + " has " +
                              std::to_string(tx.LoopSides) + " loop sides; at most " +
                              std::to_string(MaxLoopSides) + " are possible. Cannot continue.");
        const int points = cfg.TxWaveform[ch.TxNumber].WaveformPointsDigitized;
        if (points < 0 || points > MaxWaveformPoints)
            throw ActionError(channelName(c) + ": the waveform of transmitter " +
                              std::to_string(ch.TxNumber) + " has " + std::to_string(points) +
                              " points; at most " + std::to_string(MaxWaveformPoints) +
                              " are possible. Cannot continue.");
    }
}

std::string ModelFileText(const ModelSet& set, int numAcqChn)
{
    std::string out;
    out.reserve(std::size_t(numAcqChn) * std::size_t(set.NumModels) * std::size_t(120 + 180 * set.NLayer));
    out += "Temporary Model File for Input to AarhusInv64";
    out += CRLF;
    out += std::to_string(numAcqChn * set.NumModels) + " 0 !NDatafiles, N vertical+lateral constrain columns";
    out += CRLF;
    for (int c = 1; c <= numAcqChn; ++c)
        for (int m = 0; m < set.NumModels; ++m) {
            out +=
                std::to_string(DataSetNumber(c, m, set.NumModels)) + " 1 FWD" + FormatNumbered(c, 2) + ".tem";
            out += CRLF;
        }
    out += "-1       !Niteration, (-1=forward, 0=forward + model analysis, >0=inversion)";
    out += CRLF;
    // The model blocks are the same for every channel: build them once.
    std::string blocks;
    const std::string layers = FormatFixed(set.NLayer, 2, 0) + " !# of layers, model 1";
    for (int m = 0; m < set.NumModels; ++m) {
        const TModel& model = set.Models[std::size_t(m)];
        blocks += layers;
        blocks += CRLF;
        for (int l = 1; l <= set.NLayer; ++l) {
            blocks += FormatFixed(model.Param[set.NLayer - 1 + l], 10, 2);
            blocks += " -1   !Resistivity, prior STD, vert. constraints, horiz. constraints";
            blocks += CRLF;
        }
        for (int l = 1; l < set.NLayer; ++l) {
            blocks += FormatFixed(model.Param[l], 10, 2);
            blocks += " -1   !Thickness, prior STD, vert. constraints, horiz. constraints";
            blocks += CRLF;
        }
        double depth = 0;
        for (int l = 1; l < set.NLayer; ++l) {
            depth += double(model.Param[l]);
            blocks += FormatFixed(depth, 10, 2);
            blocks += " -1   !Depth, prior STD, vert. constraints, horiz. constraints";
            blocks += CRLF;
        }
    }
    for (int c = 1; c <= numAcqChn; ++c)
        out += blocks;
    return out;
}

void MakeAarhusInvModfile(const ModelSet& set, int numAcqChn, const std::string& fileName)
{
    CheckModelSetForFiles(set);
    WriteFileReplacing(fileName, ModelFileText(set, numAcqChn));
}

std::string TEMFileText(Configuration& cfg, int c, Operator& op)
{
    TAcqChn& ch = cfg.AcqChn[c];
    const int t = ch.TxNumber;
    const int r = ch.RxCoilNumber;
    const TTransmitter& tx = cfg.Tx[t];
    const TReceiver& rx = cfg.Rx[r];
    const TTimeBase& tb = cfg.TimeBase[tx.TimeBaseNumber];
    const TTxWaveform& w = cfg.TxWaveform[t];
    TSystemResponse& sr = cfg.SysResp[c];

    std::string out;
    auto line = [&out](const std::string& text) {
        out += text;
        out += CRLF;
    };
    line("Forward_Model ! INPUT TEM file - Only system parameters are used in forward modelling, Data "
         "contained "
         "is irrelevant and will be ignored");
    line(FormatFixed(tx.LoopType, 2, 0) + " " + std::to_string(orientationIndex(rx.Orientation)) +
         "  !Segmented loop TxPolarizationHorizontalLoop");
    line(FormatSignificant(tx.CentroidX, 8, 5) + " " + FormatSignificant(tx.CentroidY, 8, 5) + " " +
         FormatSignificant(tx.CentroidZ, 8, 5) + " " + FormatSignificant(rx.CentroidX, 8, 5) + " " +
         FormatSignificant(rx.CentroidY, 8, 5) + " " + FormatSignificant(rx.CentroidZ, 8, 5) +
         " !Tx X Y Z Rx X Y Z");
    if (tx.LoopType == 72 || tx.LoopType == 73) {
        line(std::to_string(tx.LoopSides) + " " + FormatFixed(tx.Area, 10, 2) + " !NWire, Loop area");
        for (int k = 0; k < tx.LoopSides; ++k)
            line(FormatFixed(tx.NodeX[k], 8, 3) + " " + FormatFixed(tx.NodeY[k], 8, 3) + " !knot (x,y)");
    } else {
        op.inform("Only type 72 and 73 supported so far");
    }
    line(" 3   3   3                  !Inp/out: Inp, Out, Inv (0->H,1->dH/dt,2->B,3->dB/dt,4->rhoa");
    line(" 3   1                      !WaveFormType: 0->step,1->imp.,3->user def. d/dt, NWaveForms");
    {
        const int subWaves = w.WaveformPointsDigitized > 1 ? w.WaveformPointsDigitized - 1 : 0;
        std::string text = std::to_string(subWaves);
        for (int k = 1; k <= subWaves; ++k)
            text += " " + FormatSignificant(w.WaveformPointTimes[k], 10, 7) + " " +
                    FormatSignificant(w.WaveformPointTimes[k + 1], 10, 7) + " " +
                    FormatSignificant(w.WaveformPointAmplitudes[k], 10, 7) + " " +
                    FormatSignificant(w.WaveformPointAmplitudes[k + 1], 10, 7);
        line(text + " !NSubWaves, T0_1,T1_1,A0_1,A1_1, .. ,T0_n,T1_n,A0_n,A1_n");
    }
    line(std::string("1 ") + (ch.FrontGateExists ? "1" : "0") + " " +
         FormatSignificant(ch.PrimaryFieldDampingFactor, 10, 7) +
         "            !NFilters (0->no filters at all, else 1,2...) UseFrontG(0->no gate, 1->gate),  "
         "FrontGScale "
         "scale factor");
    {
        const bool rxFilter = rx.FilterOrder > 0;
        const bool txFilter = tx.LPFilterOrderandCutoff[0] > 0;
        std::string text = std::to_string(int(rxFilter) + int(txFilter));
        if (rxFilter)
            text +=
                " " + FormatSignificant(rx.FilterOrder, 10, 7) + " " + FormatSignificant(rx.FilterHz, 10, 7);
        if (txFilter)
            text += " " + FormatSignificant(tx.LPFilterOrderandCutoff[0], 10, 7) + " " +
                    FormatSignificant(tx.LPFilterOrderandCutoff[1], 10, 7);
        line(text +
             " !LP: NCutOff (0->no filter), FOrder(1,NCutOff), FCutOff(1,NCutOff) (Hz) Filters before Front "
             "Gate");
    }
    line(" 0     !HP: NCutOff (0->no filter), FOrder(1,NCutOff), FCutOff(1,NCutOff) (Hz)");
    if (ch.FrontGateExists) {
        op.inform(
            "At this stage front gate support is not fully implemented in the forward modelling interface - "
            "A "
            "default filter after the front gate is inserted - perhaps you can manually edit the TEM file "
            "though to make it happen");
        line(FormatSignificant(ch.FrontGatetime, 10, 7) + " !First FrontGate in s");
        line(" 1 1 3.30E+0005 !Filters after the front Gate");
        line(" 0     !HP: NCutOff (0->no filter), FOrder(1,NCutOff), FCutOff(1,NCutOff) (Hz)");
    }

    sr.drivenGatesInRamp = 0;
    const double shift = ch.MeaTimeDelay - ch.GateTimeShift;
    for (int g = 1; g <= tx.NoGates; ++g) {
        const double start = tb.drivenGateStart[g] + shift;
        const double centre = tb.GateCentre[g] + shift;
        const double end = tb.drivenGateEnd[g] + shift;
        if (start <= 1.1 * w.drivenRamp || (ch.FrontGateExists && start <= ch.FrontGatetime)) {
            ++sr.drivenGatesInRamp;
            continue;
        }
        line(FormatScientific(centre, 11, 14) + " 999.99E-06  3.33E-7 1 1 " +
             FormatScientific(start, 11, 14) + " " + FormatScientific(end, 11, 14));
    }
    return out;
}

void MakeAarhusTEMfile(Configuration& cfg, const std::string& workFolder, Operator& op, RunnerFiles& files)
{
    CheckChannelsForFiles(cfg);
    std::vector<std::string> texts;
    for (int c = 1; c <= cfg.NumAcqChn; ++c) {
        texts.push_back(TEMFileText(cfg, c, op));
        // A channel without a gate to model would return nothing and vanish from the results.
        if (ModelledGates(cfg, c) == 0) {
            const TTransmitter& tx = cfg.Tx[cfg.AcqChn[c].TxNumber];
            throw ActionError(
                channelName(c) + " has no gate to model: " +
                (tx.NoGates <= 0
                     ? "its transmitter " + std::to_string(cfg.AcqChn[c].TxNumber) + " has no gates"
                     : "all " + std::to_string(tx.NoGates) +
                           " gates start within the transmitter ramp or before the front gate") +
                ". Cannot continue.");
        }
    }
    for (int c = 1; c <= cfg.NumAcqChn; ++c) {
        files.AarTEMFilename = TEMFileName(workFolder, c);
        WriteFileReplacing(files.AarTEMFilename, texts[std::size_t(c - 1)]);
    }
}

int RemoveFwdResultFiles(const std::string& workFolder)
{
    int removed = 0;
    for (const auto& [name, path] : filesByUpperName(workFolder)) {
        if (name.size() < 7 || name.compare(0, 3, "FWD") != 0 ||
            name.compare(name.size() - 4, 4, ".FWR") != 0)
            continue;
        std::error_code ec;
        if (!fs::remove(path, ec) && ec)
            throw InOutError("Cannot delete the earlier result file " + path + ": " + ec.message());
        ++removed;
    }
    return removed;
}

namespace {

/// A result file that cannot be taken: the message names the file and, where there is one, the line.
class ResultFileError : public InOutError {
  public:
    using InOutError::InOutError;
};

} // namespace

FwdResultGates ReadFwdResultText(std::string_view bytes, const std::string& fileName, int expectedGates,
                                 bool frontGate)
{
    FwdResultGates out;
    int lineNumber = 0;
    std::size_t pos = 0;
    const auto fail = [&](const std::string& why) -> void {
        throw ResultFileError("The result file " + fileName +
                              (lineNumber > 0 ? ", line " + std::to_string(lineNumber) : std::string()) +
                              ": " + why);
    };
    if (bytes.empty())
        fail("the file is empty");
    // A file that does not end in a line end was cut off while it was written: its last number may
    // have lost its exponent ("2.714" of "2.714E-006").
    if (bytes.back() != '\n' && bytes.back() != '\r') {
        std::size_t lines = 0;
        for (std::size_t p = 0; p < bytes.size();) {
            NextLine(bytes, p);
            ++lines;
        }
        lineNumber = int(lines);
        fail("the line ends without a line end: the file is incomplete");
    }
    // The header: one token line after another, counted so a message can name the line.
    const auto next = [&](const char* what) {
        if (pos >= bytes.size()) {
            ++lineNumber;
            fail(std::string("the file ends where ") + what + " was expected");
        }
        ++lineNumber;
        return SplitVector(NextLine(bytes, pos), false);
    };
    const auto integer = [&](const std::vector<std::string>& tokens, const char* what) {
        const auto v = tokens.empty() ? std::nullopt : ParseInteger(tokens[0]);
        if (!v)
            fail(std::string(what) + " is not a whole number: " +
                 (tokens.empty() ? std::string("the line is empty") : "\"" + Excerpt(tokens[0]) + "\""));
        return *v;
    };
    next("the title line");
    const long long type = integer(next("the source line"), "the source type");
    next("the position line");
    if (type == 72 || type == 73) {
        const long long corners = integer(next("the loop line"), "the number of loop corners");
        if (corners < 0 || corners > MaxLoopSides)
            fail("the number of loop corners " + std::to_string(corners) + " is outside 0 to " +
                 std::to_string(MaxLoopSides));
        for (long long k = 0; k < corners; ++k)
            next("a loop corner");
    } else {
        out.unsupportedSourceType = true;
    }
    std::vector<std::string> filterLine;
    for (int k = 0; k < 4; ++k)
        filterLine = next("the filter line");
    long long filters = 1;
    if (!filterLine.empty())
        if (const auto f = ParseInteger(filterLine[0]))
            filters = *f;
    if (filters < 0 || filters > 16)
        fail("the filter count " + std::to_string(filters) + " is outside 0 to 16");
    const long long skip = 2 * filters + (frontGate ? 3 : 0);
    for (long long k = 0; k < skip; ++k)
        next("a filter line");

    while (pos < bytes.size()) {
        ++lineNumber;
        const std::vector<std::string> t = SplitVector(NextLine(bytes, pos), false);
        if (t.empty())
            continue;
        if (int(out.times.size()) >= expectedGates)
            fail("more gates than the " + std::to_string(expectedGates) +
                 " of the TEM system file; the file does not belong to this run");
        if (t.size() < 2)
            fail("the gate line holds no dB/dt value");
        const std::optional<double> time = ParseFloat(t[0]);
        const std::optional<double> value = ParseFloat(t[1]);
        if (!time || !std::isfinite(*time))
            fail("the gate time \"" + Excerpt(t[0]) + "\" is not a finite number");
        if (!value || !std::isfinite(*value))
            fail("the dB/dt value \"" + Excerpt(t[1]) + "\" is not a finite number");
        out.times.push_back(*time);
        out.values.push_back(*value);
    }
    if (int(out.times.size()) < expectedGates) {
        lineNumber = 0;
        fail("it holds " + std::to_string(out.times.size()) + " of the " + std::to_string(expectedGates) +
             " gates of its TEM system file: the file is incomplete");
    }
    return out;
}

int ModelledGates(const Configuration& cfg, int channel)
{
    const TAcqChn& ch = cfg.AcqChn[channel];
    if (ch.TxNumber < 1 || ch.TxNumber > MaxTx)
        return 0;
    const int gates =
        std::min(cfg.Tx[ch.TxNumber].NoGates, MaxGates) - cfg.SysResp[channel].drivenGatesInRamp;
    return gates > 0 ? gates : 0;
}

bool ReadAarhusFwdFiles(const Configuration& cfg, const ModelSet& set, const std::string& workFolder,
                        ForwardResults& results, Operator& op)
{
    results.clear();
    const int channels = cfg.NumAcqChn;
    const int models = set.NumModels;
    const std::map<std::string, std::string> present = filesByUpperName(workFolder);

    // Each file's gates first; the store is then sized to the longest.
    std::vector<FwdResultGates> read(std::size_t(channels) * std::size_t(models));
    OneBased<int, MaxAcqChn> outputGates;
    bool typeMessageShown = false;
    int maxGates = 0;
    for (int c = 1; c <= channels; ++c) {
        const int expected = ModelledGates(cfg, c);
        for (int m = 1; m <= models; ++m) {
            const std::string name = FwdResultFileName(workFolder, DataSetNumber(c, m - 1, models));
            const auto found = present.find(upper(fs::path(name).filename().string()));
            if (found == present.end()) {
                results.clear();
                op.inform("AarhusInv64 could not handle the inputs provided and crashed - see the log file. "
                          "Aborting "
                          "operations now\n(missing result file " +
                          name + ")");
                return false;
            }
            FwdResultGates& gates = read[std::size_t(c - 1) * std::size_t(models) + std::size_t(m - 1)];
            try {
                std::error_code ec;
                if (!fs::is_regular_file(fs::symlink_status(found->second, ec)))
                    throw ResultFileError("The result file " + found->second + " is not a regular file");
                gates = ReadFwdResultText(ReadFileBytes(found->second), found->second, expected,
                                          cfg.AcqChn[c].FrontGateExists);
            } catch (const InOutError& e) {
                results.clear();
                op.inform(std::string(e.what()) + ". No results were taken from this run.");
                return false;
            }
            if (gates.unsupportedSourceType && !typeMessageShown) {
                op.inform("Only type 72,73 supported so far");
                typeMessageShown = true;
            }
            outputGates[c] = int(gates.times.size());
            maxGates = std::max(maxGates, int(gates.times.size()));
        }
    }

    results.dBdtTEM.resize(models, maxGates, channels);
    results.FwdModTimes.resize(models, maxGates, channels);
    results.FwdModelOutputGates = outputGates;
    for (int c = 1; c <= channels; ++c)
        for (int m = 0; m < models; ++m) {
            const FwdResultGates& gates = read[std::size_t(c - 1) * std::size_t(models) + std::size_t(m)];
            for (std::size_t k = 0; k < gates.times.size(); ++k) {
                results.FwdModTimes(m, int(k) + 1, c) = gates.times[k];
                results.dBdtTEM(m, int(k) + 1, c) = gates.values[k];
            }
        }
    return true;
}

} // namespace tem
