// Feeds arbitrary bytes to the CHN gate-file reader through a real file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/action_error.h"
#include "core/files/chn_file.h"
#include "core/model/configuration.h"
#include "core/operator.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tem;
    static const std::string path = "/tmp/fuzz-chn-" + std::to_string(::getpid()) + ".chn";
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        std::abort();
    if (size > 0)
        std::fwrite(data, 1, size, out);
    std::fclose(out);

    Configuration cfg;
    cfg.TimeBase[1].NumGatesInSet = 99;
    RecordingOperator op;
    try {
        ReadMonexChnTimegateFile(cfg, path, 1, op);
    } catch (const ActionError&) {
        // a row with one column ends the read: an expected outcome
    }
    ::unlink(path.c_str());
    const TTimeBase& tb = cfg.TimeBase[1];
    if (tb.NumGatesInSet < 0 || tb.NumGatesInSet > MaxGates)
        std::abort();
    return 0;
}
