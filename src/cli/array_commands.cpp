#include "cli/array_commands.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/command_context.h"
#include "cli/model_json.h"
#include "core/action_error.h"
#include "core/arrays/array_file.h"
#include "core/arrays/array_generators.h"
#include "core/arrays/array_geometry.h"
#include "core/arrays/depth_of_investigation.h"
#include "core/files/keyword_file.h"
#include "core/files/value_forms.h"
#include "core/geoelectric/geoelectric_model.h"

namespace tem::cli {

namespace fs = std::filesystem;

namespace {

// ---- Shared helpers ------------------------------------------------------------------------------

void requireArrayFile(const std::string& name)
{
    std::error_code ec;
    if (!fs::exists(name, ec))
        throw InOutError("File not found: " + name);
    if (!fs::is_regular_file(name, ec) || !std::ifstream(name, std::ios::binary))
        throw InOutError("Cannot open file " + name);
}

/// Reads an array file as the array window does, plus the submerged factors at the file's depth.
ArrayDescription readArray(CommandContext& ctx, const std::string& name)
{
    requireArrayFile(name);
    const KeywordFile file = KeywordFile::Load(name);
    ArrayDescription d;
    ReadConfigIni(d, file, ctx.op);
    d.AConfig.SubDepth = file.ReadFloat("Submerged", "SubDepth", 0);
    RecordingOperator repeated; // the geometric factor has shown its warnings already
    CalcSubmergedGeomFact(d.AConfig, repeated);
    return d;
}

/// Shortest text of a single-precision value.
std::string singleText(float v)
{
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string csvField(const std::string& s)
{
    if (s.find_first_of(",\"\n") == std::string::npos)
        return s;
    std::string q = "\"";
    for (char c : s)
        q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

std::vector<std::string> splitCsvLine(const std::string& line)
{
    std::vector<std::string> cells;
    std::string cell;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"')
                cell += '"', ++i;
            else if (c == '"')
                quoted = false;
            else
                cell += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',' || c == ';') {
            cells.push_back(Trim(cell));
            cell.clear();
        } else if (c != '\r') {
            cell += c;
        }
    }
    cells.push_back(Trim(cell));
    return cells;
}

/// Grid rows of a generator from a CSV file: blank lines and a header line (no cell a number) are
/// skipped, and a leading configuration-number column is dropped when a row has one cell more than
/// the grid's columns.
template <std::size_t N> std::vector<std::array<std::string, N>> readRows(const std::string& name)
{
    requireArrayFile(name);
    std::ifstream in(name, std::ios::binary);
    std::vector<std::array<std::string, N>> rows;
    std::string line;
    bool first = true;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        std::vector<std::string> cells = splitCsvLine(line);
        if (cells.size() == 1 && cells[0].empty())
            continue;
        if (first) {
            first = false;
            bool anyNumber = false;
            for (const auto& c : cells)
                anyNumber = anyNumber || ParseFloat(c).has_value();
            if (!anyNumber)
                continue;
        }
        if (cells.size() == N + 1)
            cells.erase(cells.begin());
        if (cells.size() != N)
            throw UsageError(name + ", line " + std::to_string(lineNumber) + ": " +
                             std::to_string(cells.size()) + " cells where the grid has " + std::to_string(N) +
                             " columns");
        std::array<std::string, N> row;
        for (std::size_t k = 0; k < N; ++k)
            row[k] = cells[k];
        rows.push_back(row);
    }
    return rows;
}

std::vector<double> parseList(const std::string& text, const std::string& option)
{
    std::vector<double> v;
    if (Trim(text).empty())
        return v;
    for (const std::string& cell : splitCsvLine(text)) {
        const std::optional<double> x = ParseFloat(cell);
        if (!x)
            throw UsageError(option + ": \"" + cell + "\" is not a number");
        v.push_back(*x);
    }
    return v;
}

// ---- array show ----------------------------------------------------------------------------------

int showArray(CommandContext& ctx, const std::string& name)
{
    const ArrayDescription d = readArray(ctx, name);
    const TArrayConfiguration& a = d.AConfig;
    Json j;
    j["numBipoles"] = a.numBipoles;
    j["MaxCP"] = a.MaxCP;
    Json counts = Json::array(), cp = Json::array(), share = Json::array(), geom = Json::array(),
         sub = Json::array(), eff = Json::array(), mx = Json::array(), my = Json::array();
    for (int i = 1; i <= a.numBipoles; ++i) {
        counts.push_back(a.numCurPot[i]);
        Json r = Json::array(), q = Json::array();
        for (int k = 1; k <= a.numCurPot[i]; ++k) {
            r.push_back(a.CP[i][k]);
            q.push_back(a.CPProp[i][k]);
        }
        cp.push_back(r);
        share.push_back(q);
        geom.push_back(a.GeomFact[i]);
        sub.push_back(a.SubmergedGeomFact[i]);
        eff.push_back(a.EffDepth[i]);
        mx.push_back(a.MidpointX[i]);
        my.push_back(d.AConfigExt.MidpointY[i]);
    }
    j["numCurPot"] = counts;
    j["CP"] = cp;
    j["CPProp"] = share;
    j["GeomFact"] = geom;
    j["SubmergedGeomFact"] = sub;
    j["EffDepth"] = eff;
    j["MidpointX"] = mx;
    j["MidpointY"] = my;
    j["AConfigType"] = d.AConfigExt.AConfigType;
    j["messages"] = ctx.op.messages();
    ctx.out << j.dump(2) << '\n';
    return 0;
}

// ---- array generate ------------------------------------------------------------------------------

struct GenerateArgs {
    std::string type, rows, out;
    int count = 0;
    std::vector<std::string> sets;
};

/// The --set values, each name checked against the names the family takes.
std::map<std::string, std::string> parseSets(const GenerateArgs& g, const std::vector<std::string>& allowed)
{
    std::map<std::string, std::string> values;
    for (const std::string& s : g.sets) {
        const auto eq = s.find('=');
        const std::string name = Trim(s.substr(0, eq));
        bool known = false;
        for (const auto& a : allowed)
            known = known || a == name;
        if (eq == std::string::npos || !known) {
            std::string list;
            for (const auto& a : allowed)
                list += (list.empty() ? "" : ", ") + a;
            throw UsageError("--set " + s + ": " + g.type + " takes NAME=VALUE with NAME one of " +
                             (list.empty() ? std::string("(none)") : list));
        }
        values[name] = Trim(s.substr(eq + 1));
    }
    return values;
}

double setNumber(const std::map<std::string, std::string>& sets, const std::string& name, double def)
{
    const auto it = sets.find(name);
    if (it == sets.end())
        return def;
    const std::optional<double> v = ParseFloat(it->second);
    if (!v)
        throw UsageError("--set " + name + ": \"" + it->second + "\" is not a number");
    return *v;
}

int generateArray(CommandContext& ctx, GenerateArgs& g)
{
    const std::string ext = UpperCase(fs::path(g.out).extension().string());
    if (ext != ".DCC" && ext != ".INI")
        throw UsageError("Array files end in .DCC or .INI: " + g.out);
    static const std::vector<std::string> common = {"SubDepth", "OffsetBehind", "OffsetRight"};
    auto allowed = [&](std::vector<std::string> names) {
        names.insert(names.end(), common.begin(), common.end());
        return names;
    };
    auto countRequired = [&] {
        if (g.count == 0)
            throw UsageError(g.type + " needs --count N (1 to 25)");
    };

    ArrayDescription d;
    Operator& op = ctx.op;
    std::map<std::string, std::string> sets;
    bool done = false;
    if (SameText(g.type, ArrayTypeExponentialBipole)) {
        sets = parseSets(g, allowed({"CurrElecSeparation", "FirstPotentDist", "TwoToPowerOfnIncr",
                                     "TxElectrodeLength", "PortionSizer", "RadiusOfCurvature"}));
        countRequired();
        ExponentialBipoleEntry e;
        auto box = [&](const char* name, std::string& field) {
            if (sets.count(name))
                field = sets[name];
        };
        box("CurrElecSeparation", e.CurrSep);
        box("FirstPotentDist", e.FirstExponent);
        box("TwoToPowerOfnIncr", e.ExponentStep);
        box("TxElectrodeLength", e.ElectrodeLength);
        box("PortionSizer", e.GrowthConstant);
        box("RadiusOfCurvature", e.Radius);
        e.Curved = sets.count("RadiusOfCurvature") > 0;
        if (!g.rows.empty())
            for (const auto& r : readRows<1>(g.rows))
                e.PotDist.push_back(r[0]);
        done = GenerateExponentialBipole(d, g.count, e, op);
    } else if (SameText(g.type, ArrayTypeLinearBipoleBipole)) {
        sets = parseSets(g, allowed({"ASpacing"}));
        countRequired();
        LinearBipoleBipoleEntry e;
        if (sets.count("ASpacing"))
            e.ASpacing = sets["ASpacing"];
        if (g.rows.empty())
            RefreshLinearTable(e, g.count);
        else
            e.Rows = readRows<2>(g.rows);
        done = GenerateLinearBipoleBipole(d, g.count, e, op);
    } else if (SameText(g.type, ArrayTypeSchlumberger)) {
        sets = parseSets(g, allowed({"SamplePerDecade", "SchlumbL", "Schlumblittlel"}));
        countRequired();
        SchlumbergerEntry e;
        if (sets.count("SamplePerDecade"))
            e.SamplePerDecade = sets["SamplePerDecade"];
        if (!g.rows.empty())
            e.Rows = readRows<2>(g.rows);
        if (sets.count("SchlumbL") || sets.count("Schlumblittlel")) {
            e.Rows.resize(std::max<std::size_t>(e.Rows.size(), 1));
            e.Rows[0] = {sets.count("SchlumbL") ? sets["SchlumbL"] : "", sets["Schlumblittlel"]};
        }
        // Rows beyond those given are filled down from the first, as "Fill Down" does.
        if (e.Rows.size() < std::size_t(g.count) && !FillDownSchlumberger(e, g.count, op))
            throw ActionError("No array file written.");
        done = GenerateSchlumberger(d, g.count, e, op);
    } else if (SameText(g.type, ArrayTypeWenner)) {
        sets = parseSets(g, allowed({"ASpacing"}));
        countRequired();
        WennerEntry e;
        if (!g.rows.empty())
            e.Rows = readRows<2>(g.rows);
        else if (sets.count("ASpacing")) {
            e.ASpacing = sets["ASpacing"];
            if (!RefreshWennerTable(e, g.count, op))
                throw ActionError("No array file written.");
        } else
            ActivateWennerTable(e, g.count);
        done = GenerateWenner(d, g.count, e, op);
    } else if (SameText(g.type, ArrayTypeAarhusPACES)) {
        sets = parseSets(g, allowed({}));
        GenerateAarhusPACES(d, op);
        done = true;
    } else if (SameText(g.type, ArrayTypeGeneralPhiTheta)) {
        sets = parseSets(g, allowed({}));
        countRequired();
        GeneralPhiThetaEntry e;
        if (g.rows.empty())
            throw UsageError(
                "GeneralPhiTheta needs --rows CSV (TxWidth, RxWidth, MidpointSep, Theta, Phi per row)");
        e.Rows = readRows<5>(g.rows);
        done = GenerateGeneralPhiTheta(d, g.count, e, op);
    } else if (SameText(g.type, ArrayTypeGeneralXY)) {
        sets = parseSets(g, allowed({}));
        countRequired();
        GeneralXYEntry e;
        if (g.rows.empty())
            throw UsageError(
                "GeneralXY needs --rows CSV (Curr1x, Curr1y, Curr2x, Curr2y, Pot1x, Pot1y, Pot2x, Pot2y "
                "per row)");
        e.Rows = readRows<8>(g.rows);
        op.inform(GeneralXYMessage);
        done = GenerateGeneralXY(d, g.count, e, op);
    } else {
        throw UsageError("Unknown array type " + g.type +
                         "; one of ExponentialBipole, LinearBipoleBipole, Schlumberger, Wenner, AarhusPACES, "
                         "GeneralPhiTheta, GeneralXY");
    }
    if (!done)
        throw ActionError("No array file written.");

    d.AConfig.SubDepth = setNumber(sets, "SubDepth", 0);
    d.OffsetBehind = setNumber(sets, "OffsetBehind", 0);
    d.OffsetRight = setNumber(sets, "OffsetRight", 0);
    RecordingOperator repeated;
    CalcSubmergedGeomFact(d.AConfig, repeated);

    std::error_code ec;
    if (fs::exists(g.out, ec) && !op.ask(g.out + " already exists. Replace it?", true))
        throw ActionError("Not written: " + g.out);
    WriteConfigIni(d, g.out);
    return 0;
}

// ---- dc-forward ----------------------------------------------------------------------------------

struct ForwardArgs {
    std::string file, thickness, resistivity;
    int filter = 6;
};

int dcForward(CommandContext& ctx, const ForwardArgs& f)
{
    const std::vector<double> h = parseList(f.thickness, "--thickness");
    const std::vector<double> rho = parseList(f.resistivity, "--resistivity");
    const TModel model = MakeLayeredModel(h, rho);
    const ArrayDescription d = readArray(ctx, f.file);
    TResponse r;
    ForwardModel(false, model, d.AConfig, r, *J0FilterForDecade(f.filter));
    // Results are single precision: a value beyond its range would print as "inf" and read as a result.
    std::string overflow;
    for (int b = 1; b <= d.AConfig.numBipoles; ++b)
        for (const auto& [name, value] :
             {std::pair{"voltage", r.Voltages[b]}, std::pair{"apparent resistivity", r.AppReses[b]},
              std::pair{"effective depth", float(d.AConfig.EffDepth[b])}})
            if (!std::isfinite(value))
                overflow += (overflow.empty() ? "" : "; ") + std::string("configuration ") +
                            std::to_string(b) + ": the " + name;
    if (!overflow.empty())
        throw ActionError("The result does not fit single precision (beyond about 3.4E+38) for " + overflow +
                          ". Use smaller resistivities or larger electrode separations.");
    ctx.out << "Config,Voltage,AppRes,EffDepth\n";
    for (int b = 1; b <= d.AConfig.numBipoles; ++b)
        ctx.out << b << ',' << singleText(r.Voltages[b]) << ',' << singleText(r.AppReses[b]) << ','
                << singleText(d.AConfig.EffDepth[b]) << '\n';
    return 0;
}

// ---- array ndic / detect / sig -------------------------------------------------------------------

struct AnalysisArgs {
    std::string file;
    NDICOptions ndic;
    DetectabilityOptions detect;
};

/// A resistivity, thickness, current or noise level: a positive finite number, else exit 2.
void requirePositive(double value, const char* option)
{
    if (!(value > 0) || !std::isfinite(value))
        throw UsageError(std::string(option) + ": " + FormatGeneral(value) + " must be a positive number");
}

void checkDetectOptions(const DetectabilityOptions& o)
{
    requirePositive(o.HalfSpaceRes, "--halfspace-res");
    requirePositive(o.Current, "--current");
    requirePositive(o.NoiseV, "--noise");
}

int ndicCommand(CommandContext& ctx, const AnalysisArgs& a)
{
    requirePositive(a.ndic.SurfaceRes, "--surface-res");
    requirePositive(a.ndic.HalfSpaceRes, "--halfspace-res");
    requirePositive(a.ndic.Thickness, "--thickness");
    const ArrayDescription d = readArray(ctx, a.file);
    const std::vector<ChartSeries> curves = NDICCurves(d.AConfig, a.ndic);
    ctx.out << "Depth";
    for (std::size_t c = 1; c <= curves.size(); ++c)
        ctx.out << ",Config" << c;
    ctx.out << '\n';
    if (curves.empty())
        return 0;
    for (std::size_t s = 0; s < curves[0].X.size(); ++s) {
        ctx.out << FormatGeneral(curves[0].X[s]);
        for (const auto& c : curves)
            ctx.out << ',' << FormatGeneral(c.Y[s]);
        ctx.out << '\n';
    }
    return 0;
}

int detectCommand(CommandContext& ctx, const AnalysisArgs& a)
{
    checkDetectOptions(a.detect);
    const ArrayDescription d = readArray(ctx, a.file);
    const DetectabilityChart chart = DetectabilityCurves(d, a.detect, ctx.op);
    for (const auto& line : chart.Title)
        ctx.op.inform(line);
    ctx.out << "Series,Axis,Depth,Value\n";
    for (const auto& s : chart.Series)
        for (std::size_t k = 0; k < s.X.size(); ++k)
            ctx.out << csvField(s.Title) << ',' << (s.RightAxis ? "DIC" : "Thickness") << ','
                    << FormatGeneral(s.X[k]) << ',' << FormatGeneral(s.Y[k]) << '\n';
    return 0;
}

int sigCommand(CommandContext& ctx, const AnalysisArgs& a)
{
    checkDetectOptions(a.detect);
    const ArrayDescription d = readArray(ctx, a.file);
    const SignalVsEffDepthChart chart = SignalVsEffDepth(d, a.detect, 0);
    ctx.out << "Config,EffDepth,SignalToNoise\n";
    // Configurations without a geometric factor have no point; keep the configuration numbers.
    std::size_t point = 0;
    for (int b = 1; b <= d.AConfig.numBipoles && point < chart.Series.X.size(); ++b) {
        if (d.AConfig.GeomFact[b] == 0)
            continue;
        ctx.out << b << ',' << FormatGeneral(chart.Series.X[point]) << ','
                << FormatGeneral(chart.Series.Y[point]) << '\n';
        ++point;
    }
    return 0;
}

void addDetectOptions(CLI::App* cmd, DetectabilityOptions& o)
{
    cmd->add_option("--halfspace-res", o.HalfSpaceRes, "half-space resistivity (ohm-m)")
        ->capture_default_str();
    cmd->add_option("--current", o.Current, "transmitter current (A)")->capture_default_str();
    cmd->add_option("--noise", o.NoiseV, "system noise level (V)")->capture_default_str();
}

} // namespace

void AddArrayCommands(CLI::App& app, CommandContext& context)
{
    CommandContext* ctx = &context;
    auto* array =
        app.add_subcommand("array", "Geo-electric array files (.DCC, .INI): show, generate, analyse");
    array->require_subcommand(1);

    auto showFile = std::make_shared<std::string>();
    auto* show = array->add_subcommand("show", "Read an array file and print its description as JSON");
    show->add_option("FILE", *showFile, "array file")->required();
    context.addCommand(show, [ctx, showFile] { return showArray(*ctx, *showFile); });

    auto gen = std::make_shared<GenerateArgs>();
    auto* generate =
        array->add_subcommand("generate", "Build an array with one of the seven generators and write "
                                          "it as an array file");
    generate
        ->add_option("TYPE", gen->type,
                     "ExponentialBipole, LinearBipoleBipole, Schlumberger, Wenner, AarhusPACES, "
                     "GeneralPhiTheta or GeneralXY")
        ->required();
    generate->add_option("--count", gen->count, "number of configurations (1 to 25)");
    generate->add_option("--set", gen->sets, "NAME=VALUE for a box of the entry window")
        ->allow_extra_args(false);
    generate->add_option("--rows", gen->rows,
                         "CSV file with the entry window's grid, one row per configuration");
    generate->add_option("-o,--output", gen->out, "array file to write (.DCC or .INI)")->required();
    context.addCommand(generate, [ctx, gen] { return generateArray(*ctx, *gen); });

    auto an = std::make_shared<AnalysisArgs>();
    auto* ndic = array->add_subcommand("ndic", "Print the NDIC (or DIC) curve of every configuration as CSV");
    ndic->add_option("FILE", an->file, "array file")->required();
    ndic->add_flag("--layered", an->ndic.OneLayer,
                   "one layer over a half-space instead of a half-space only");
    ndic->add_option("--surface-res", an->ndic.SurfaceRes, "surface layer resistivity (ohm-m)")
        ->capture_default_str();
    ndic->add_option("--halfspace-res", an->ndic.HalfSpaceRes, "half-space resistivity (ohm-m)")
        ->capture_default_str();
    ndic->add_option("--thickness", an->ndic.Thickness, "surface layer thickness (m)")->capture_default_str();
    ndic->add_option("--terms", an->ndic.ReflectedTerms, "number of reflected signal terms")
        ->check(CLI::Range(2, 20))
        ->capture_default_str();
    ndic->add_flag("--dic", an->ndic.DIC, "the DIC (V) instead of the normalised characteristic");
    context.addCommand(ndic, [ctx, an] { return ndicCommand(*ctx, *an); });

    auto* detect = array->add_subcommand("detect", "Print the DIC and detectability curves as CSV");
    detect->add_option("FILE", an->file, "array file")->required();
    addDetectOptions(detect, an->detect);
    detect->add_option("--variation", an->detect.TrackBar, "percent change of the layer's resistivity")
        ->check(CLI::Range(1, 10))
        ->capture_default_str();
    context.addCommand(detect, [ctx, an] { return detectCommand(*ctx, *an); });

    auto* sig =
        array->add_subcommand("sig", "Print the signal-to-noise ratio at each effective depth as CSV");
    sig->add_option("FILE", an->file, "array file")->required();
    addDetectOptions(sig, an->detect);
    context.addCommand(sig, [ctx, an] { return sigCommand(*ctx, *an); });

    auto fwd = std::make_shared<ForwardArgs>();
    auto* forward =
        app.add_subcommand("dc-forward", "Apparent resistivities of an array over a layered earth, as CSV");
    forward->add_option("FILE", fwd->file, "array file")->required();
    forward->add_option("--thickness", fwd->thickness,
                        "layer thicknesses in m, h1,h2,... (none for a half-space)");
    forward->add_option("--resistivity", fwd->resistivity, "layer resistivities in ohm-m, r1,r2,...")
        ->required();
    forward->add_option("--filter", fwd->filter, "J0 filter: 3, 6 or 12 points per decade")
        ->check(CLI::IsMember({3, 6, 12}))
        ->capture_default_str();
    context.addCommand(forward, [ctx, fwd] { return dcForward(*ctx, *fwd); });
}

} // namespace tem::cli
