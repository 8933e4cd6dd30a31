#pragma once
// The application settings file: section "StartUp" with the last configuration file.

#include <string>

namespace tem {

struct Configuration;
struct DataFolders;
class Operator;

/// The settings file: configuration folder + the program's name + ".INI".
std::string ConfigApplicIniFileName(const DataFolders& folders, const std::string& programName = "temsetrix");
void LoadConfigApplicIniFile(Configuration& cfg, const DataFolders& folders, Operator& op,
                             const std::string& programName = "temsetrix");
void SaveConfigApplicIniFile(const Configuration& cfg, const DataFolders& folders, Operator& op,
                             const std::string& programName = "temsetrix");

} // namespace tem
