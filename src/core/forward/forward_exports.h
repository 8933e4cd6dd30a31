#pragma once
// Text exports of the forward window: the model set ("FwdModels.Mod") and the responses
// ("FwdModels.Rsp", geo-electric or TEM).

#include <string>

#include "core/forward/forward_store.h"

namespace tem {

/// "NLayers: %2.2d", the header "Model  Thick00 .. Resist00 ..", then per model "%5.5d" of its
/// number and " %8.4g" of every parameter. Throws InOutError.
std::string FwdModelsModText(const ModelSet& set);
void SaveFwdModelsMod(const ModelSet& set, const std::string& fileName);

/// "numBipoles: %2.2d", "Model AppRes01 ..", then per model its apparent resistivities (10 to the
/// stored log10 value) as " %8.4g". Throws InOutError.
std::string FwdModelsRspText(const ForwardStore& store, int numBipoles);
void SaveFwdModelsRsp(const ForwardStore& store, int numBipoles, const std::string& fileName);

/// The TEM responses of channel store.AcqSel: "numGates: %2.2d", "Model" followed by each returned
/// gate's time (s, from model 0) as " %8.4g", then per model "%5.5d" of its number and " %8.4g" of
/// its dB/dt (V/(A.m^2)) at each gate. Throws ActionError when nothing has been computed.
std::string FwdModelsTEMRspText(const ForwardStore& store);
void SaveFwdModelsTEMRsp(const ForwardStore& store, const std::string& fileName);

/// True when the last recalculation left responses to export.
bool ResponsesComputed(const ForwardStore& store);
/// Shown when an export has no responses to write.
inline constexpr const char* NoResponsesMessage =
    "There are no computed responses to save. Click \"Recalculate Responses\" first.";

} // namespace tem
