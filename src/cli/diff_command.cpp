#include "cli/diff_command.h"

#include <algorithm>
#include <array>
#include <exception>
#include <memory>
#include <ostream>
#include <string_view>

#include <CLI/CLI.hpp>

#include "cli/command_context.h"
#include "core/model/configuration.h"

namespace tem::cli {

namespace {

/// Fields that describe the file a model was read from, not the system it describes: a field copy
/// and its master differ in them by nature.
constexpr std::array<std::string_view, 6> FileFields{"LoadFilename", "SaveFilename",         "TDCorGEX",
                                                     "Master",       "MasterTamperCheckCRC", "IsCorrupt"};

/// Per-entry values the model counts from 0 (a loop's corners and the transmitter's filter pair);
/// every other array, and every record, counts from 1.
constexpr std::array<std::string_view, 4> CountedFromZero{"Tx.NodeX", "Tx.NodeY", "Tx.NodeZ",
                                                          "Tx.LPFilterOrderandCutoff"};

bool isFileField(std::string_view key)
{
    return std::find(FileFields.begin(), FileFields.end(), key) != FileFields.end();
}

/// Walks both values side by side. `path` is the field path shown ("Tx[1].NodeX"); `shape` the same
/// without indices ("Tx.NodeX"), which decides where an array starts counting.
void compare(const Json& a, const Json& b, const std::string& path, const std::string& shape, Json& out)
{
    if (a.is_object() && b.is_object()) {
        auto field = [&](const std::string& key) {
            if (path.empty() && isFileField(key))
                return;
            const std::string p = path.empty() ? key : path + "." + key;
            const std::string s = shape.empty() ? key : shape + "." + key;
            const bool inA = a.contains(key), inB = b.contains(key);
            if (inA && inB)
                compare(a.at(key), b.at(key), p, s, out);
            else
                out.push_back(
                    Json{{"field", p}, {"a", inA ? a.at(key) : Json()}, {"b", inB ? b.at(key) : Json()}});
        };
        for (const auto& item : a.items())
            field(item.key());
        for (const auto& item : b.items())
            if (!a.contains(item.key()))
                field(item.key());
        return;
    }
    if (a.is_array() && b.is_array()) {
        const bool fromZero =
            std::find(CountedFromZero.begin(), CountedFromZero.end(), shape) != CountedFromZero.end();
        const std::size_t n = std::max(a.size(), b.size());
        for (std::size_t i = 0; i < n; ++i) {
            const std::string p = path + "[" + std::to_string(i + (fromZero ? 0 : 1)) + "]";
            if (i < a.size() && i < b.size())
                compare(a[i], b[i], p, shape, out);
            else
                out.push_back(Json{
                    {"field", p}, {"a", i < a.size() ? a[i] : Json()}, {"b", i < b.size() ? b[i] : Json()}});
        }
        return;
    }
    if (a != b)
        out.push_back(Json{{"field", path}, {"a", a}, {"b", b}});
}

/// One JSON value on one line, with a blank after each ':' and ',' as the command's output shows.
std::string oneLine(const Json& j)
{
    if (j.is_object()) {
        std::string text = "{";
        for (const auto& item : j.items())
            text += (text.size() > 1 ? ", " : "") + Json(item.key()).dump() + ": " + oneLine(item.value());
        return text + "}";
    }
    if (j.is_array()) {
        std::string text = "[";
        for (const auto& item : j)
            text += (text.size() > 1 ? ", " : "") + oneLine(item);
        return text + "]";
    }
    return j.dump(-1, ' ', false, Json::error_handler_t::replace);
}

struct DiffArguments {
    std::string a, b;
};

} // namespace

Json DiffModels(const Json& a, const Json& b)
{
    Json out = Json::array();
    compare(a, b, "", "", out);
    return out;
}

std::string DiffText(const Json& differences)
{
    if (differences.empty())
        return "[]\n";
    std::string text = "[\n";
    for (std::size_t i = 0; i < differences.size(); ++i)
        text += "  " + oneLine(differences[i]) + (i + 1 < differences.size() ? ",\n" : "\n");
    return text + "]\n";
}

void AddDiffCommand(CLI::App& app, CommandContext& ctx)
{
    auto args = std::make_shared<DiffArguments>();
    auto* diff =
        app.add_subcommand("diff", "Compare two configurations (.tdc or .gex, any mix) field by field and "
                                   "print the differences as JSON (exit 0 equal, 1 different, 2 unreadable)");
    diff->add_option("A", args->a, "first configuration file")->required();
    diff->add_option("B", args->b, "second configuration file")->required();
    ctx.addCommand(diff, [&ctx, args] {
        Json models[2];
        const std::string* files[2] = {&args->a, &args->b};
        for (int i = 0; i < 2; ++i) {
            try {
                models[i] = ModelToJson(ReadConfigurationFile(ctx, *files[i]));
            } catch (const std::exception& e) {
                // As diff(1): a file that cannot be compared is trouble, exit 2, not a difference.
                ctx.err << e.what() << '\n';
                return 2;
            }
            TextsToUtf8(models[i]);
        }
        const Json differences = DiffModels(models[0], models[1]);
        ctx.out << DiffText(differences);
        return differences.empty() ? 0 : 1;
    });
}

} // namespace tem::cli
