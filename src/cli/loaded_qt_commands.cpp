#include <dlfcn.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

#include "cli/command_context.h"
#include "cli/qt_commands.h"
#include "core/action_error.h"

namespace tem::cli {

namespace fs = std::filesystem;

namespace {

/// Where the module may lie: the library folder of an installation (the relative path from the
/// installed programs comes from the build), then beside the program, as in the build tree.
std::vector<fs::path> moduleCandidates()
{
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return {};
    const fs::path folder = program.parent_path();
    return {(folder / TEMSETRIX_QT_MODULE_FROM_PROGRAMS / QtModuleFile).lexically_normal(),
            folder / QtModuleFile};
}

int runInModule(CommandContext& ctx, int argc, char** argv)
{
    const std::vector<fs::path> candidates = moduleCandidates();
    std::string path, searched;
    for (const fs::path& c : candidates) {
        std::error_code ec;
        if (fs::is_regular_file(c, ec)) {
            path = c.string();
            break;
        }
        searched += (searched.empty() ? "" : " or ") + c.parent_path().string();
    }
    if (path.empty())
        throw ActionError(std::string("The report and forward commands need ") + QtModuleFile +
                          ", which is not in " + (searched.empty() ? "the program's folder" : searched));
    // Never unloaded: Qt stays until the process ends.
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module)
        throw ActionError(std::string("Cannot load the Qt part of temsetrix-cli: ") + dlerror());
    using Entry = int(int, char**);
    auto* run = reinterpret_cast<Entry*>(dlsym(module, QtModuleEntry));
    if (!run)
        throw ActionError(path + " is not the Qt part of temsetrix-cli (no " + QtModuleEntry + ")");
    ctx.out.flush();
    ctx.err.flush();
    return run(argc, argv);
}

} // namespace

QtCommands LoadedQtCommands(int argc, char** argv)
{
    QtCommands qt;
    qt.report = [argc, argv](CommandContext& ctx, const std::string&, const std::string&) {
        return runInModule(ctx, argc, argv);
    };
    qt.forward = [argc, argv](CommandContext& ctx, const ForwardArgs&) {
        return runInModule(ctx, argc, argv);
    };
    return qt;
}

} // namespace tem::cli
