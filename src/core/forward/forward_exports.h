#pragma once
// Text exports of the forward window: the model set ("FwdModels.Mod") and the geo-electric
// responses ("FwdModels.Rsp").

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

} // namespace tem
