// Feeds arbitrary bytes to the system test reader and its analysis.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/operator.h"
#include "core/systest/system_test_analysis.h"
#include "core/systest/system_test_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tem;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    SystemTestData d;
    RecordingOperator op;
    const int kind = size > 0 ? data[0] % SysTestKinds : 0;
    if (ReadSystemTestText(d, text, kind, op)) {
        if (d.Chan < 0 || d.Chan > MaxChannelValues)
            std::abort();
        for (int n = 1; n <= SysTestStations; ++n)
            if (d.NumStn[n] < 0)
                std::abort();
        AnalyseSystemTest(d, op);
        (void)Stn8SiteResponseText(d);
    } else if (d.Chan != 0 || d.NumStn[1] != 0) {
        std::abort(); // a load that ended early leaves nothing behind
    }
    return 0;
}
