#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <regex>
#include <string>

#include <sys/stat.h>

#include "cli_test_support.h"
#include "core/action_error.h"
#include "core/files/protection.h"
#include "core/files/value_forms.h"
#include "core/model/configuration.h"
#include "report/SystemReport.h"

namespace tem::cli {
namespace {

using test::CliFixture;
namespace fs = std::filesystem;

const std::string Demo = TEMSETRIX_SOURCE_DIR "/data/DemoConfig.TDC";

/// The standard output of a shell command (poppler's tools), empty when it cannot run.
std::string Capture(const std::string& command)
{
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe)
        return {};
    std::string text;
    std::array<char, 4096> buf{};
    while (std::size_t n = std::fread(buf.data(), 1, buf.size(), pipe.get()))
        text.append(buf.data(), n);
    return text;
}

bool Has(const std::string& text, const std::string& pattern)
{
    return std::regex_search(text, std::regex(pattern));
}

TEST(CliReport, TheDemonstrationReportCarriesTheSystemInItsTextLayer)
{
    ASSERT_FALSE(Capture("command -v pdftotext").empty()) << "pdftotext (Debian poppler-utils) is needed";
    CliFixture f;
    const std::string config = f.path("Demo.TDC");
    fs::copy_file(Demo, config);
    const std::string pdf = f.path("Demo.PDF");
    const auto r = f.run({"report", config, pdf});
    ASSERT_EQ(r.status, 0) << r.err;

    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.err, m, std::regex("Wrote (\\d+) pages"))) << r.err;
    const int pages = std::stoi(m[1]);
    const std::string info = Capture("pdfinfo '" + pdf + "'");
    EXPECT_TRUE(Has(info, "Pages:\\s+" + std::to_string(pages) + "\\n")) << info;
    // Title, diagram, transmitters, receivers and channels, two time bases, waveforms, responses,
    // vehicle: about a dozen pages for the two-moment demonstration.
    EXPECT_GE(pages, 8);
    EXPECT_LE(pages, 16);

    const std::string text = Capture("pdftotext -layout '" + pdf + "' -");
    // Transmitter names, in the transmitter table and wherever a transmitter is named.
    EXPECT_TRUE(Has(text, "LM_1Turn_3A")) << text;
    EXPECT_TRUE(Has(text, "HM_1Turn_30A"));
    EXPECT_TRUE(Has(text, "RxZ_Near"));
    // Gate counts of both time bases, and their last gates in the file's "%12.6e" form.
    EXPECT_TRUE(Has(text, "Gates in the set\\s+28"));
    EXPECT_TRUE(Has(text, "Gates in the set\\s+32"));
    EXPECT_TRUE(Has(text, "28\\s+8\\.000000E-004"));
    EXPECT_TRUE(Has(text, "32\\s+4\\.000000E-003"));
    // The master state, the stamp and the CRC-32 of the file described.
    EXPECT_TRUE(Has(text, "Master file\\s+No"));
    EXPECT_TRUE(Has(text, "MasterTamperCheckCRC\\)\\s+0\\b"));
    EXPECT_TRUE(Has(text, "CRC-32 of the file as stored\\s+" + FormatHex(CalcCRC32(config)) + "\\b"));
    // Running header and page numbers on every page.
    for (int p = 1; p <= pages; ++p)
        EXPECT_TRUE(Has(text, "Page " + std::to_string(p) + " of " + std::to_string(pages))) << p;
    std::size_t headers = 0;
    for (std::size_t at = 0; (at = text.find("Demo.TDC", at)) != std::string::npos; ++at)
        ++headers;
    EXPECT_GE(headers, std::size_t(pages));
}

TEST(CliReport, AFailedReportLeavesNoPdfAndAnEarlierFileAsItWas)
{
    CliFixture f;
    const std::string config = f.path("Demo.TDC");
    fs::copy_file(Demo, config);
    const std::string earlier = f.write("Earlier.pdf", "an earlier report");
    fs::create_directory(f.path("Folder.pdf"));

    struct Case {
        std::vector<std::string> args;
        int status;
        const char* message; ///< start of the last line on standard error
    };
    const Case cases[] = {
        {{"report", config, f.path("missing/Demo.pdf")}, 1, "Could not write the report"},
        {{"report", config, f.path("Folder.pdf")}, 1, "Could not write the report"},
        {{"report", f.path("Absent.TDC"), earlier}, 1, "File not found"},
        {{"report", f.write("Notes.txt", "x"), earlier}, 2, ""},
        {{"report", config}, 2, ""},
    };
    for (const Case& c : cases) {
        const auto r = f.run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args.back() << "\n" << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    EXPECT_FALSE(fs::exists(f.path("missing")));
    EXPECT_TRUE(fs::is_directory(f.path("Folder.pdf")));
    EXPECT_EQ(f.read(earlier), "an earlier report");
    // Nothing half-written is left beside the chosen names.
    for (const auto& e : fs::directory_iterator(f.root()))
        EXPECT_TRUE(e.path().filename() == "Demo.TDC" || e.path().filename() == "Earlier.pdf" ||
                    e.path().filename() == "Folder.pdf" || e.path().filename() == "Notes.txt" ||
                    e.path().filename() == "shared")
            << e.path();
}

// No output replaces a device, a FIFO or its own input; "-" is standard output where that is free.
TEST(CliOutputs, RefuseDevicesFifosAndTheirOwnInput)
{
    CliFixture f;
    const std::string config = f.path("Demo.TDC");
    fs::copy_file(Demo, config);
    const std::string original = f.read(config);
    fs::create_symlink(config, f.path("Link.pdf"));
    const std::string fifo = f.path("pipe.pdf");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string systest = TEMSETRIX_SOURCE_DIR "/tests/data/systest/tab.TXT";
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    } cases[] = {
        {{"report", config, config}, 1, "is the input file"},
        {{"report", config, f.path("Link.pdf")}, 1, "is the input file"},
        {{"report", config, fifo}, 1, "it is not a regular file"},
        {{"report", config, "/dev/null"}, 1, "it is not a regular file"},
        {{"convert", config, f.path("pipe.gex")}, 1, "not a regular file"},
        {{"convert", config, "-"}, 2, "OUT must name a file"},
        {{"systest", systest, "--stn8-csv", fifo}, 1, "it is not a regular file"},
        {{"systest", systest, "--stn8-csv", systest}, 1, "is the input file"},
        {{"systest", systest, "--stn8-csv", "-"}, 2, "standard output holds the JSON results"},
        {{"systest", fifo}, 1, "it is not a regular file"},
        {{"forward", config, "--resistivity", "100", "--dbf-volt", f.path("Link.DBF")},
         1,
         "is the input file"},
    };
    ASSERT_EQ(::mkfifo(f.path("pipe.gex").c_str(), 0600), 0);
    fs::create_symlink(config, f.path("Link.DBF"));
    for (const Case& c : cases) {
        const auto r = f.run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args.back() << "\n" << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args.back() << "\n" << r.err;
    }
    EXPECT_EQ(f.read(config), original);
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    // The window's route refuses it too.
    report::EnsureGuiApplication();
    report::ReportSource source;
    source.fileName = QString::fromStdString(config);
    EXPECT_THROW(report::WriteSystemReport(DefaultConfiguration(), source, QString::fromStdString(config)),
                 InOutError);
    EXPECT_EQ(f.read(config), original);

    const auto r = f.run({"report", config, "-"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 5), "%PDF-");
    EXPECT_NE(r.err.find("to standard output"), std::string::npos) << r.err;
}

TEST(Report, EveryLimitAndBadIndexStillGivesACompleteReport)
{
    // Full counts, the most gates and nodes, numbers that point nowhere, values that are not
    // finite and names far wider than a page: every page is laid out and numbered, nothing hangs.
    Configuration cfg = DefaultConfiguration();
    cfg.NumTx = cfg.NumRx = cfg.NumTimebases = 9;
    cfg.NumAcqChn = 18;
    const std::string longName(300, 'W');
    for (int t = 1; t <= 9; ++t) {
        TTransmitter& tx = cfg.Tx[t];
        tx = DefaultTransmitter();
        tx.Name = t == 9 ? longName : "Tx" + std::to_string(t);
        tx.LoopSides = t == 1 ? 99 : 4;
        for (int k = 0; k < 99; ++k) {
            tx.NodeX[k] = 10 * std::cos(k * 0.0634);
            tx.NodeY[k] = 10 * std::sin(k * 0.0634);
        }
        tx.NoGates = t == 2 ? 100000 : 255;
        tx.TimeBaseNumber = t == 3 ? 12 : t;
        tx.Volts = t == 4 ? std::nan("") : 12;
        cfg.Rx[t] = DefaultReceiver();
        cfg.TxWaveform[t] = DefaultTxWaveform();
        cfg.TxWaveform[t].WaveformPointsDigitized = t == 5 ? 1000 : 64;
        cfg.TimeBase[t] = DefaultTimeBase();
        cfg.TimeBase[t].NumGatesInSet = t == 6 ? -5 : 255;
        for (int g = 1; g <= 255; ++g)
            cfg.TimeBase[t].GateCentre[g] = g * 1e-5;
    }
    cfg.Description = std::string(5000, 'D');
    for (int c = 1; c <= 18; ++c) {
        cfg.AcqChn[c] = DefaultAcqChn(c);
        cfg.AcqChn[c].TxNumber = c == 17 ? 0 : c == 18 ? 40 : (c - 1) % 9 + 1;
        cfg.AcqChn[c].RxCoilNumber = c == 16 ? -3 : (c - 1) % 9 + 1;
        cfg.SysResp[c] = DefaultSystemResponse();
        cfg.SysResp[c].SysRespExists = c % 2 == 0;
        cfg.SysResp[c].SysRespAmplitudes[3] = std::numeric_limits<double>::infinity();
    }

    report::EnsureGuiApplication();
    CliFixture f;
    const std::string pdf = f.path("Limits.pdf");
    const int pages = report::WriteSystemReport(cfg, {}, QString::fromStdString(pdf));
    EXPECT_GT(pages, 20);
    const std::string text = Capture("pdftotext -layout '" + pdf + "' -");
    EXPECT_TRUE(Has(text, "Page " + std::to_string(pages) + " of " + std::to_string(pages)));
    EXPECT_TRUE(Has(text, "Tx8"));
}

// Values at the ends of what a double holds give bounded plots: no endless ticks, no overflow.
TEST(Report, ExtremeValuesGiveBoundedPlots)
{
    Configuration cfg = DefaultConfiguration();
    cfg.NumTx = cfg.NumRx = cfg.NumTimebases = cfg.NumAcqChn = 1;
    TTimeBase& tb = cfg.TimeBase[1];
    tb.NumGatesInSet = 4;
    cfg.Tx[1].NoGates = 4;
    const double times[] = {4.9e-324, 1e-5, 1e-3, 1e308};
    for (int g = 1; g <= 4; ++g) {
        tb.GateCentre[g] = times[g - 1];
        tb.drivenGateStart[g] = times[g - 1] * 0.9;
        tb.drivenGateEnd[g] = times[g - 1];
    }
    TTxWaveform& w = cfg.TxWaveform[1];
    w.WaveformPointsDigitized = 3;
    const double wt[] = {-1.7e308, 0, 1.7e308}, wa[] = {0, 1e-300, -1e300};
    for (int k = 1; k <= 3; ++k) {
        w.WaveformPointTimes[k] = wt[k - 1];
        w.WaveformPointAmplitudes[k] = wa[k - 1];
    }
    report::EnsureGuiApplication();
    CliFixture f;
    const std::string pdf = f.path("Extreme.pdf");
    const int pages = report::WriteSystemReport(cfg, {}, QString::fromStdString(pdf));
    EXPECT_GT(pages, 1);
    EXPECT_LT(fs::file_size(pdf), 20u << 20);
}

} // namespace
} // namespace tem::cli
