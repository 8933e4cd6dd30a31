// Feeds arbitrary bytes to the reader of the engine's result files. The first byte chooses how
// many gates the run expects and whether the channel has a front gate; the rest is the file. A
// file is taken whole or refused: what is taken holds exactly the expected gates, every one a
// finite number.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/action_error.h"
#include "core/forward/aarhus_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const int expected = data[0] & 0x3F;
    const bool frontGate = (data[0] & 0x40) != 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    try {
        const tem::FwdResultGates gates = tem::ReadFwdResultText(bytes, "FWD00001.fwr", expected, frontGate);
        if (int(gates.times.size()) != expected || gates.values.size() != gates.times.size())
            std::abort();
        for (std::size_t k = 0; k < gates.times.size(); ++k)
            if (!std::isfinite(gates.times[k]) || !std::isfinite(gates.values[k]))
                std::abort();
    } catch (const tem::InOutError&) {
        // refused, with its message
    }
    return 0;
}
