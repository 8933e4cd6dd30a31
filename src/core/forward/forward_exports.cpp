#include "core/forward/forward_exports.h"

#include <algorithm>
#include <cmath>

#include "core/files/keyword_file.h"
#include "core/files/value_forms.h"

namespace tem {

namespace {
constexpr const char* CRLF = "\r\n";
}

std::string FwdModelsModText(const ModelSet& set)
{
    std::string out = "NLayers: " + FormatNumbered(set.NLayer, 2) + CRLF;
    out += "Model";
    for (int i = 0; i <= set.NLayer - 2; ++i)
        out += "  Thick" + FormatNumbered(i, 2);
    for (int i = 0; i <= set.NLayer - 1; ++i)
        out += " Resist" + FormatNumbered(i, 2);
    out += CRLF;
    for (int m = 0; m < set.NumModels; ++m) {
        out += FormatNumbered(m, 5);
        for (int p = 1; p <= set.NParam; ++p)
            out += " " + FormatSignificant(set.Models[std::size_t(m)].Param[p], 8, 4);
        out += CRLF;
    }
    return out;
}

void SaveFwdModelsMod(const ModelSet& set, const std::string& fileName)
{
    WriteFileReplacing(fileName, FwdModelsModText(set));
}

std::string FwdModelsRspText(const ForwardStore& store, int numBipoles)
{
    std::string out = "numBipoles: " + FormatNumbered(numBipoles, 2) + CRLF;
    out += "Model";
    for (int i = 1; i <= numBipoles; ++i)
        out += " AppRes" + FormatNumbered(i, 2);
    out += CRLF;
    const ResultMatrix<float>& ln10 = store.results.ln10responses;
    for (int m = 0; m < store.models.NumModels && m < ln10.models(); ++m) {
        out += FormatNumbered(m, 5);
        for (int i = 1; i <= numBipoles && i <= ln10.columns(); ++i)
            out += " " + FormatSignificant(std::pow(10.0, double(ln10(m, i))), 8, 4);
        out += CRLF;
    }
    return out;
}

void SaveFwdModelsRsp(const ForwardStore& store, int numBipoles, const std::string& fileName)
{
    WriteFileReplacing(fileName, FwdModelsRspText(store, numBipoles));
}

bool ResponsesComputed(const ForwardStore& store)
{
    return store.results.RespVoltages.models() > 0 && store.results.RespVoltages.columns() > 0;
}

std::string FwdModelsTEMRspText(const ForwardStore& store)
{
    const ForwardResults& r = store.results;
    const int c = store.AcqSel;
    if (r.dBdtTEM.models() == 0 || c < 1 || c > r.dBdtTEM.channels() || c > MaxAcqChn)
        throw ActionError(NoResponsesMessage);
    const int gates = std::min(r.FwdModelOutputGates[c], r.dBdtTEM.gates());
    std::string out = "numGates: " + FormatNumbered(gates, 2) + CRLF;
    out += "Model";
    for (int i = 1; i <= gates; ++i)
        out += " " + FormatSignificant(r.FwdModTimes(0, i, c), 8, 4);
    out += CRLF;
    for (int m = 0; m < store.models.NumModels && m < r.dBdtTEM.models(); ++m) {
        out += FormatNumbered(m, 5);
        for (int i = 1; i <= gates; ++i)
            out += " " + FormatSignificant(r.dBdtTEM(m, i, c), 8, 4);
        out += CRLF;
    }
    return out;
}

void SaveFwdModelsTEMRsp(const ForwardStore& store, const std::string& fileName)
{
    WriteFileReplacing(fileName, FwdModelsTEMRspText(store));
}

} // namespace tem
