#pragma once
// The two fixed data folders: the shared folder and, inside it, the configuration folder.
// Both texts end with '/'.

#include <string>

namespace tem {

class Operator;

struct DataFolders {
    std::string appData;   ///< shared data folder, e.g. ~/.local/share/Pelk/Moravel/
    std::string temConfig; ///< configuration folder: appData + "TEMSetrix/"

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

/// The folder of the data shipped with the program, ending in '/': "share/temsetrix/" of the
/// installation the running program belongs to (PREFIX/bin/temsetrix finds PREFIX/share/temsetrix/),
/// else, for a program run from its build folder, the data/ folder of the checkout it was built from.
std::string ShippedDataFolder();
/// The same for a program at `program` (the running one's path is read from /proc/self/exe).
std::string ShippedDataFolderFor(const std::string& program);

/// The demonstration configuration shipped with the program (ShippedDataFolder() + "DemoConfig.TDC").
std::string ShippedDemoConfiguration();
/// Copies `source` into the configuration folder as "DemoConfig.TDC" when no file of that name is
/// there yet; an existing file is never overwritten. Returns whether a copy was made. A missing
/// source copies nothing silently; a copy that fails is reported.
bool InstallDemoConfiguration(const DataFolders& folders, Operator& op,
                              const std::string& source = ShippedDemoConfiguration());

/// The gate sets shipped with the program (ShippedDataFolder() + "Channel_Files/").
std::string ShippedGateSetFolder();
/// Copies every shipped "*.chn" file into configFolder + "Channel_Files/" where no file of that
/// name exists yet (the operator's own sets are never replaced); returns the number copied.
int InstallShippedGateSets(const std::string& configFolder,
                           const std::string& shippedFolder = ShippedGateSetFolder());

} // namespace tem
