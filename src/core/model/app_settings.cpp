#include "core/model/app_settings.h"

#include <filesystem>
#include <system_error>

#include "core/action_error.h"
#include "core/files/keyword_file.h"
#include "core/model/configuration.h"
#include "core/model/data_folders.h"
#include "core/operator.h"

namespace tem {

namespace fs = std::filesystem;

namespace {

constexpr const char* StartUp = "StartUp";

/// The configuration folder; when GetPathToTEMConfigData could not make it, one more attempt.
std::string configurationFolder(const DataFolders& folders, Operator& op)
{
    const std::string folder = GetPathToTEMConfigData(folders, op);
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        fs::create_directories(folder, ec);
        if (fs::is_directory(folder, ec))
            op.inform(folder + " was created");
        else
            op.inform("Could not create " + folder);
    }
    return folder;
}

} // namespace

std::string ConfigApplicIniFileName(const DataFolders& folders, const std::string& programName)
{
    return folders.temConfig + programName + ".INI";
}

void LoadConfigApplicIniFile(Configuration& cfg, const DataFolders& folders, Operator& op,
                             const std::string& programName)
{
    const std::string folder = configurationFolder(folders, op);
    // The first start finds no demonstration file yet: put the shipped one in place, so the
    // fallbacks below name a file that exists.
    InstallDemoConfiguration(folders, op);
    // Likewise the shipped gate sets, where the time base window looks for stored sets; a set the
    // operator already has there is never replaced.
    InstallShippedGateSets(folder);

    const std::string demo = folder + "DemoConfig.TDC";
    KeywordFile ini;
    try {
        ini = KeywordFile::Load(ConfigApplicIniFileName(folders, programName));
    } catch (const ActionError& e) {
        // An unreadable settings file is as good as none: the defaults apply.
        op.inform(e.what());
    }
    cfg.LoadFilename = ini.ReadString(StartUp, "LoadFilename", demo);
    cfg.SaveFilename = ini.ReadString(StartUp, "SaveFilename", demo);
    const std::string format = ini.ReadString(StartUp, "TDCorGEX", "TDC");
    if (const auto f = INIFileFormatFromName(format)) {
        cfg.TDCorGEX = *f;
    } else {
        // A name of no known format: the start-up read takes the GEX reader.
        cfg.TDCorGEX = TINIFileFormat::GEX;
        op.inform("The settings file " + ConfigApplicIniFileName(folders, programName) +
                  " gives the unknown file format \"" + format + "\" under TDCorGEX; GEX is assumed.");
    }
    if (!IsRegularFile(cfg.LoadFilename))
        cfg.LoadFilename = demo;
}

void SaveConfigApplicIniFile(const Configuration& cfg, const DataFolders& folders, Operator& op,
                             const std::string& programName)
{
    const std::string folder = GetPathToTEMConfigData(folders, op);
    const std::string name = ConfigApplicIniFileName(folders, programName);
    try {
        KeywordFile ini = KeywordFile::Load(name);
        const std::string fallback =
            folder + (cfg.TDCorGEX == TINIFileFormat::TDC ? "DemoConfig.TDC" : "DemoConfig.GEX");
        const std::string load = IsRegularFile(cfg.LoadFilename) ? cfg.LoadFilename : fallback;
        const std::string save = IsRegularFile(cfg.SaveFilename) ? cfg.SaveFilename : fallback;
        ini.WriteString(StartUp, "LoadFilename", load);
        ini.WriteString(StartUp, "SaveFilename", save);
        ini.WriteString(StartUp, "TDCorGEX", Name(cfg.TDCorGEX));
        ini.Save(name);
    } catch (const ActionError& e) {
        op.inform(e.what());
    }
}

} // namespace tem
