#pragma once
// Everything a forward run keeps between runs: the model set, the results, the selected channel
// and the file names. The application's Session holds one; the command line builds its own.

#include <string>

#include "core/forward/forward_results.h"
#include "core/forward/model_set.h"

namespace tem {

struct DataFolders;

struct ForwardStore {
    ModelSet models;            ///< Models, NumModels, NLayer, NParam
    ForwardResults results;     ///< dBdtTEM, FwdModTimes, AppRTEM, LociTEM, RespVoltages, ...
    int AcqSel = 1;             ///< the selected acquisition channel (1-based)
    RunnerFiles files;          ///< AarExename, MODFilename, CONFilename, AarTEMFilename
    std::string workFolder;     ///< holds the run folders; ends in '/'
    std::string runFolder;      ///< the private folder of the run under way (input and result files)
    bool keepRunFolder = false; ///< keep each run folder after the run (for looking at the files)
};

/// The shared data folder + "AarhusInv_Temp/".
std::string DefaultWorkFolder(const DataFolders& folders);
/// The shared data folder + "AarhusInv.con".
std::string DefaultControlFile(const DataFolders& folders);

} // namespace tem
