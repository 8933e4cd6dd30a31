#include "core/forward/forward_exports.h"

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

} // namespace tem
