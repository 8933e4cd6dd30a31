// Feeds arbitrary bytes to the TDC reader through the real path: the bytes become a file in a
// temporary data folder, the master check and working copy run on it, questions get their default
// answers. What was read is then written and read again twice: the second and third files must
// be the same bytes, or the writer and reader disagree about something.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/action_error.h"
#include "core/files/keyword_file.h"
#include "core/files/tdc_file.h"
#include "core/model/configuration.h"
#include "core/model/data_folders.h"
#include "core/operator.h"
#include "fuzz_data_folder.h"

namespace {

namespace fs = std::filesystem;
using namespace tem;

using fuzzing::DefaultAnswers;
using Folder = fuzzing::DataFolder;

void CheckBounds(const Configuration& cfg)
{
    if (cfg.NumTx < 1 || cfg.NumTx > MaxTx || cfg.NumRx < 1 || cfg.NumRx > MaxRx || cfg.NumAcqChn < 1 ||
        cfg.NumAcqChn > MaxAcqChn || cfg.NumTimebases < 1 || cfg.NumTimebases > MaxTimeBases)
        std::abort();
    for (int t = 1; t <= cfg.NumTx; ++t)
        if (cfg.Tx[t].LoopSides < 0 || cfg.Tx[t].LoopSides > MaxLoopSides || cfg.Tx[t].NoGates < 0 ||
            cfg.Tx[t].NoGates > MaxGates || cfg.TxWaveform[t].WaveformPointsDigitized > MaxWaveformPoints)
            std::abort();
    for (int k = 1; k <= cfg.NumTimebases; ++k)
        if (cfg.TimeBase[k].NumGatesInSet < 0 || cfg.TimeBase[k].NumGatesInSet > MaxGates)
            std::abort();
}

/// Saves cfg as a new file and returns its bytes.
std::string SaveFresh(Configuration& cfg, const Folder& f, const std::string& name, Operator& op)
{
    cfg.SaveFilename = f.root + "/" + name;
    std::error_code ec;
    fs::remove(cfg.SaveFilename, ec);
    SaveTDCToFile(cfg, f.folders, op);
    return ReadFileBytes(cfg.SaveFilename);
}

Configuration Read(const std::string& file, const Folder& f, Operator& op)
{
    std::error_code ec;
    fs::remove(f.folders.temConfig + "Temp.TDC", ec); // each read sees only its own file
    Configuration cfg;
    cfg.LoadFilename = file;
    LoadTDCFromFile(cfg, f.folders, op);
    return cfg;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Folder f("fuzz-tdc");
    DefaultAnswers op;
    const std::string input = f.root + "/Input.TDC";
    {
        FILE* out = std::fopen(input.c_str(), "wb");
        if (!out)
            std::abort();
        if (size > 0)
            std::fwrite(data, 1, size, out);
        std::fclose(out);
    }

    Configuration cfg;
    try {
        cfg = Read(input, f, op);
    } catch (const ActionError&) {
        return 0; // an action stopped with an error report: a sound outcome
    }
    CheckBounds(cfg);

    cfg.Master = false;
    SaveFresh(cfg, f, "First.TDC", op);
    Configuration second = Read(f.root + "/First.TDC", f, op);
    CheckBounds(second);
    const std::string secondBytes = SaveFresh(second, f, "Second.TDC", op);
    Configuration third = Read(f.root + "/Second.TDC", f, op);
    const std::string thirdBytes = SaveFresh(third, f, "Third.TDC", op);
    if (secondBytes != thirdBytes)
        std::abort();
    return 0;
}
