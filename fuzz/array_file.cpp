// Feeds arbitrary bytes to the array-file reader, then computes everything the program derives
// from an array and writes it back: nothing may crash, and no value that is not finite may come
// out of the computations or reach the written text.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/action_error.h"
#include "core/arrays/array_file.h"
#include "core/arrays/array_geometry.h"
#include "core/files/keyword_file.h"
#include "core/geoelectric/geoelectric_model.h"
#include "core/operator.h"

namespace {

/// Whether the written text holds a number token "INF", "-INF" or "NAN" that the input did not
/// already carry as text (a description may hold any word, and is written back as it was read).
bool WritesNonFiniteNumber(const std::string& written, std::string_view input)
{
    std::size_t pos = 0;
    while (pos < written.size()) {
        const std::size_t start = written.find_first_not_of(" ,=\r\n\t", pos);
        if (start == std::string::npos)
            break;
        const std::size_t end = std::min(written.find_first_of(" ,=\r\n\t", start), written.size());
        const std::string_view token(written.data() + start, end - start);
        if ((token == "INF" || token == "-INF" || token == "NAN") &&
            input.find(token) == std::string_view::npos)
            return true;
        pos = end;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tem;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    RecordingOperator op;
    ArrayDescription d;
    ReadConfigIni(d, KeywordFile::FromText(text), op);
    const TArrayConfiguration& a = d.AConfig;
    if (a.numBipoles < 1 || a.numBipoles > MaxArrayConfigs)
        std::abort();
    for (int i = 1; i <= a.numBipoles; ++i) {
        if (a.numCurPot[i] < 1 || a.numCurPot[i] > MaxMonopolePairs || a.numCurPot[i] > a.MaxCP)
            std::abort();
        if (!std::isfinite(a.GeomFact[i]) || a.GeomFact[i] < 0 || !std::isfinite(a.EffDepth[i]))
            std::abort();
    }
    d.AConfig.SubDepth = 2;
    RecalculateArray(d, op);
    for (int i = 1; i <= a.numBipoles; ++i)
        if (!std::isfinite(a.SubmergedGeomFact[i]))
            std::abort();

    TResponse r;
    ForwardModel(false, MakeLayeredModel({5}, {100, 10}), d.AConfig, r, J0Filter6());
    for (int i = 1; i <= a.numBipoles; ++i)
        if (!std::isfinite(r.AppReses[i]) || r.AppReses[i] < 1e-6f)
            std::abort();

    try {
        const std::string written = ArrayConfigFile(d).Text();
        if (WritesNonFiniteNumber(written, text))
            std::abort();
        RecordingOperator again;
        ArrayDescription back;
        ReadConfigIni(back, KeywordFile::FromText(written), again);
        if (back.AConfig.numBipoles != a.numBipoles)
            std::abort();
    } catch (const ActionError&) {
        // A midpoint or coordinate too large to be finite: refused, nothing written.
    }
    return 0;
}
