// Fuzzes the GEX reader through the real path: the input is written as a file in a temporary
// folder, read through the working copy, and the model it gives is saved as GEX and read again.
// Errors that end an action (ActionError) are fine; crashes, hangs and sanitizer reports are not.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/action_error.h"
#include "core/files/gex_file.h"
#include "core/model/configuration.h"
#include "core/model/data_folders.h"
#include "core/operator.h"

namespace {

class QuietOperator : public tem::Operator {
  public:
    void inform(const std::string&) override {}
    bool ask(const std::string&, bool) override { return true; }
};

const std::string& Folder()
{
    // Kept for the whole run (never destroyed), so the clean-up at exit can still name it.
    static const std::string* folder = [] {
        // Memory-backed when the machine has it: every input makes several small files.
        char tmpl[] = "/dev/shm/fuzz-gex-XXXXXX";
        char fallback[] = "/tmp/fuzz-gex-XXXXXX";
        const char* made = ::mkdtemp(tmpl);
        if (!made)
            made = ::mkdtemp(fallback);
        if (!made)
            std::abort();
        auto* f = new std::string(std::string(made) + "/");
        std::filesystem::create_directories(*f + "TEMSetrix/");
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(Folder(), ec);
        });
        return f;
    }();
    return *folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const tem::DataFolders folders = tem::DataFolders::Under(Folder());
    const std::string in = Folder() + "in.gex";
    const std::string out = Folder() + "out.gex";
    std::error_code ec;
    std::filesystem::remove(folders.temConfig + "Temp.GEX", ec);
    std::filesystem::remove(out, ec);
    for (const auto& e : std::filesystem::directory_iterator(Folder(), ec))
        if (e.path().extension() == ".gexBAK")
            std::filesystem::remove(e.path(), ec);
    {
        std::ofstream f(in, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

    QuietOperator op;
    tem::Configuration cfg;
    cfg.LoadFilename = in;
    try {
        tem::LoadGEXFromFile(cfg, folders, op);
        cfg.SaveFilename = out;
        cfg.Master = false;
        tem::SaveGEXToFile(cfg, folders, op);
        tem::Configuration again;
        again.LoadFilename = out;
        tem::LoadGEXFromFile(again, folders, op);
    } catch (const tem::ActionError&) {
    }
    return 0;
}
