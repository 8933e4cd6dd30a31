#include "core/forward/forward_results.h"

#include "core/forward/forward_store.h"
#include "core/model/data_folders.h"

namespace tem {

void ForwardResults::clear()
{
    dBdtTEM.resize(0, 0, 0);
    FwdModTimes.resize(0, 0, 0);
    AppRTEM.resize(0, 0, 0);
    LociTEM.resize(0, 0, 0);
    FwdModelOutputGates.fill(0);
    RespVoltages.resize(0, 0);
    ln10responses.resize(0, 0);
}

std::string DefaultWorkFolder(const DataFolders& folders)
{
    return folders.appData + "AarhusInv_Temp/";
}

std::string DefaultControlFile(const DataFolders& folders)
{
    return folders.appData + "AarhusInv.con";
}

} // namespace tem
