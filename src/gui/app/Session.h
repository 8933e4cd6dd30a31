#pragma once
// Everything the windows share for the life of the process: the configuration model, the data
// folders, and the operator and file-dialog interfaces through which they talk to the person at
// the keyboard. The application owns one Session and hands it to every window by reference.

#include <string>

#include "core/arrays/array_description.h"
#include "core/forward/forward_store.h"
#include "core/model/configuration.h"
#include "core/model/data_folders.h"
#include "core/operator.h"
#include "core/systest/system_test_file.h"

namespace tem::gui {

struct Session {
    Session(DataFolders dataFolders, Operator& oper, FileDialogs& fileDialogs)
        : folders(std::move(dataFolders)), op(oper), dialogs(fileDialogs)
    {
    }

    Configuration cfg;         ///< the configuration model
    ArrayDescription arrays;   ///< the geo-electric array description
    std::string ConfigIniName; ///< the forward or array configuration file in use
    ForwardStore forward;      ///< model set, forward results, AcqSel, the engine's file names
    SystemTestData sysTest;    ///< the last system test loaded, for the life of the process
    DataFolders folders;       ///< shared and configuration data folders
    Operator& op;              ///< messages and Yes/No questions
    FileDialogs& dialogs;      ///< open and save dialogs, folder chooser
    /// Names the settings file (<configuration folder>/<programName>.INI): the executable's name.
    std::string programName = "temsetrix";

    // Settings names of the forward and geo-electric windows.
    int ConfigType = 0; ///< current-propagation method: 0 TDEM, 1 Direct, 2 FDEM
    std::string LastTDEMConfigIniName, LastDirectConfigIniName, LastFDEMConfigIniName;
    std::string ForwardIniName; ///< the model-grid settings file; blank: "Forward.Ini" in the shared folder
};

} // namespace tem::gui
