#pragma once
// The two fixed data folders: the shared folder and, inside it, the configuration folder.
// Both texts end with '/'.

#include <string>

namespace tem {

class Operator;

struct DataFolders {
    std::string appData;    ///< shared data folder, e.g. ~/.local/share/Pelk/Moravel/
    std::string temConfig;  ///< configuration folder: appData + "TEMSetrix/"

    /// The user's folders: $XDG_DATA_HOME (else ~/.local/share) + "/Pelk/Moravel/".
    static DataFolders ForUser();
    /// Folders under a chosen shared folder (the CLI's --data-dir, tests' temporary folders).
    static DataFolders Under(const std::string& sharedFolder);
};

/// The configuration folder, created with its parents on first use, with the message
/// "New directory <folder> added OK" or "... add failed with error : <errno>".
std::string GetPathToTEMConfigData(const DataFolders& folders, Operator& op);
/// The shared data folder, created the same way.
std::string GetPathToAppData(const DataFolders& folders, Operator& op);

/// The demonstration configuration shipped with the program (data/DemoConfig.TDC).
std::string ShippedDemoConfiguration();
/// Copies `source` into the configuration folder as "DemoConfig.TDC" when no file of that name is
/// there yet; an existing file is never overwritten. Returns whether a copy was made. A missing
/// source copies nothing silently; a copy that fails is reported.
bool InstallDemoConfiguration(const DataFolders& folders, Operator& op,
                              const std::string& source = ShippedDemoConfiguration());

}  // namespace tem
