// Feeds arbitrary bytes to the system report as the configuration it describes: the bytes become
// a TDC file (or a GEX file, by the first byte) read through the real path, and the whole report is
// laid out. Whatever the file holds, the report is laid out in bounded time and memory with at
// least its title page, or the read stops with an error report.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/action_error.h"
#include "core/files/gex_file.h"
#include "core/files/tdc_file.h"
#include "core/model/configuration.h"
#include "core/model/data_folders.h"
#include "core/operator.h"
#include "fuzz_data_folder.h"
#include "report/SystemReport.h"

// Qt keeps its font and platform caches until the process ends; they are not leaks of a run.
extern "C" const char* __asan_default_options()
{
    return "detect_leaks=0";
}

namespace {

namespace fs = std::filesystem;
using namespace tem;

using fuzzing::DefaultAnswers;
using Folder = fuzzing::DataFolder;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Folder f("fuzz-report");
    static const bool app = (report::EnsureGuiApplication(), true);
    (void)app;
    if (size < 1)
        return 0;
    const bool gex = (data[0] & 1) != 0;
    const std::string input = f.root + (gex ? "/Input.GEX" : "/Input.TDC");
    {
        FILE* out = std::fopen(input.c_str(), "wb");
        if (!out)
            std::abort();
        if (size > 1)
            std::fwrite(data + 1, 1, size - 1, out);
        std::fclose(out);
    }
    DefaultAnswers op;
    Configuration cfg;
    cfg.LoadFilename = input;
    cfg.TDCorGEX = gex ? TINIFileFormat::GEX : TINIFileFormat::TDC;
    std::error_code ec;
    fs::remove(f.folders.temConfig + (gex ? "Temp.GEX" : "Temp.TDC"), ec);
    try {
        if (gex)
            LoadGEXFromFile(cfg, f.folders, op);
        else
            LoadTDCFromFile(cfg, f.folders, op);
    } catch (const ActionError&) {
        return 0; // the read stopped with an error report
    }
    report::ReportSource source;
    source.fileName = QString::fromStdString(input);
    int pages = 0;
    try {
        const QByteArray pdf = report::RenderSystemReport(cfg, source, pages);
        if (pages < 1 || !pdf.startsWith("%PDF-"))
            std::abort();
    } catch (const ActionError&) {
        // an error report, not a crash
    }
    return 0;
}
