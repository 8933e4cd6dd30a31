// libFuzzer harness for the engine's readers: the bytes are read as a model file and as a TEM
// system file; a system file that reads is prepared and, when small, computed over a two-layer
// earth. Nothing may crash, hang or touch memory it does not own.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "engine/files.h"
#include "engine/forward.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        tem::engine::ModelFile model = tem::engine::ParseModelFile(text, "fwd.mod");
        (void)model;
    } catch (const tem::engine::InputError&) {
    }
    try {
        tem::engine::SystemFile file = tem::engine::ParseSystemFile(text, "FWD01.tem");
        const tem::engine::TemSystem& system = file.system;
        if (system.gates.size() <= 40 && system.geometry.corners.size() <= 16 &&
            system.waveform.size() <= 8) {
            tem::engine::PreparedSystem prepared = tem::engine::PrepareSystem(system);
            tem::engine::LayeredEarth earth{{30, 300}, {20}};
            tem::engine::ForwardResult result = tem::engine::Forward(prepared, earth);
            (void)result;
        }
    } catch (const tem::engine::InputError&) {
    } catch (const std::invalid_argument&) {
        // the engine's own entry refused what the reader let through: a clear message, not a crash
    } catch (const std::range_error&) {
        // a gate value that is not finite: the engine fails that data set with a message
    }
    return 0;
}
