// The engine's files: the model file and TEM system files in the program's exact forms, the bad
// input they must refuse with the file and line named, the result files, and whole runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include <sys/stat.h>

#include "engine/files.h"
#include "engine/run.h"
#include "support/temp_folder.h"

namespace tem::engine {
namespace {

namespace fs = std::filesystem;

// Two channels, three models (one of them a half-space), as the program writes them.
const char* const ModelText =
    "Temporary Model File for Input to AarhusInv64\r\n"
    "6 0 !NDatafiles, N vertical+lateral constrain columns\r\n"
    "1 1 FWD01.tem\r\n2 1 FWD01.tem\r\n3 1 FWD01.tem\r\n4 1 FWD02.tem\r\n5 1 FWD02.tem\r\n6 1 FWD02.tem\r\n"
    "-1       !Niteration, (-1=forward, 0=forward + model analysis, >0=inversion)\r\n";
const char* const HalfSpaceBlock =
    " 1 !# of layers, model 1\r\n"
    "    100.00 -1   !Resistivity, prior STD, vert. constraints, horiz. constraints\r\n";
const char* const TwoLayerBlock =
    " 2 !# of layers, model 1\r\n"
    "     30.00 -1   !Resistivity, prior STD, vert. constraints, horiz. constraints\r\n"
    "    300.00 -1   !Resistivity, prior STD, vert. constraints, horiz. constraints\r\n"
    "     25.50 -1   !Thickness, prior STD, vert. constraints, horiz. constraints\r\n"
    "     25.50 -1   !Depth, prior STD, vert. constraints, horiz. constraints\r\n";

std::string FullModelText(const std::string& middle_block = TwoLayerBlock)
{
    std::string blocks = std::string(HalfSpaceBlock) + middle_block + TwoLayerBlock;
    return ModelText + blocks + blocks;
}

// A channel with both low-pass filters and a front gate, numbers in the program's %g and %e forms.
std::string SystemText(const std::string& receiver = "       0        0     -0.5",
                       const std::string& type = "72")
{
    return "Forward_Model ! INPUT TEM file - Only system parameters are used in forward modelling, Data "
           "contained "
           "is irrelevant and will be ignored\r\n" +
           type +
           " 3  !Segmented loop TxPolarizationHorizontalLoop\r\n"
           "       0        0     -0.5 " +
           receiver +
           " !Tx X Y Z Rx X Y Z\r\n"
           "4    1600.00 !NWire, Loop area\r\n"
           " -20.000  -20.000 !knot (x,y)\r\n"
           "  20.000  -20.000 !knot (x,y)\r\n"
           "  20.000   20.000 !knot (x,y)\r\n"
           " -20.000   20.000 !knot (x,y)\r\n"
           " 3   3   3                  !Inp/out: Inp, Out, Inv (0->H,1->dH/dt,2->B,3->dB/dt,4->rhoa\r\n"
           " 3   1                      !WaveFormType: 0->step,1->imp.,3->user def. d/dt, NWaveForms\r\n"
           "2      -1E-003    -1.5E-005          1          1    -1.5E-005          0          1          0 "
           "!NSubWaves, T0_1,T1_1,A0_1,A1_1, .. ,T0_n,T1_n,A0_n,A1_n\r\n"
           "1 1          1            !NFilters (0->no filters at all, else 1,2...) UseFrontG(0->no gate, "
           "1->gate),  "
           "FrontGScale scale factor\r\n"
           "2          2      3E005          1    4.5E005 !LP: NCutOff (0->no filter), FOrder(1,NCutOff), "
           "FCutOff(1,NCutOff) (Hz) Filters before Front Gate\r\n"
           " 0     !HP: NCutOff (0->no filter), FOrder(1,NCutOff), FCutOff(1,NCutOff) (Hz)\r\n"
           "  1.5E-005 !First FrontGate in s\r\n"
           " 1 1 3.30E+0005 !Filters after the front Gate\r\n"
           " 0     !HP: NCutOff (0->no filter), FOrder(1,NCutOff), FCutOff(1,NCutOff) (Hz)\r\n"
           "2.00000000000000E-005 999.99E-06  3.33E-7 1 1 1.50000000000000E-005 2.50000000000000E-005\r\n"
           "\r\n"
           "1.00000000000000E-004 999.99E-06  3.33E-7 1 1 8.00000000000000E-005 1.20000000000000E-004\r\n";
}

TEST(ModelFile, ReadsDataSetsAndTheirModels)
{
    ModelFile m = ParseModelFile(FullModelText(), "fwd.mod");
    ASSERT_EQ(m.data_sets.size(), 6u);
    EXPECT_TRUE(m.notes.empty());
    for (int i = 0; i < 6; ++i) {
        const DataSetEntry& e = m.data_sets[i];
        EXPECT_EQ(e.number, i + 1);
        EXPECT_EQ(e.system_file, i < 3 ? "FWD01.tem" : "FWD02.tem");
        ASSERT_TRUE(e.earth.has_value()) << e.problem;
    }
    EXPECT_EQ(*m.data_sets[0].earth, (LayeredEarth{{100}, {}}));
    EXPECT_EQ(*m.data_sets[4].earth, (LayeredEarth{{30, 300}, {25.5}}));
}

TEST(ModelFile, RefusesBadModelsNamingFileAndLine)
{
    struct Case {
        std::string block, line, words;
    };
    // The middle block (data sets 2 and 5) starts on line 12 of the file.
    const Case cases[] = {
        {" 2 !\r\n 30 -1\r\n abc -1\r\n 25 -1\r\n 25 -1\r\n", "line 14", "not a number"},
        {" 2 !\r\n 30 -1\r\n 0.00 -1\r\n 25 -1\r\n 25 -1\r\n", "line 14",
         "must be from 0.0001 to 1e+09 ohm-m"},
        {" 2 !\r\n 30 -1\r\n 1e-160 -1\r\n 25 -1\r\n 25 -1\r\n", "line 14", "not 1e-160"},
        {" 2 !\r\n 30 -1\r\n 300 -1\r\n -5 -1\r\n -5 -1\r\n", "line 15",
         "thickness of layer 1 must be above 0"},
        // Wrong depths, and a resistivity line lost: the program's comments show the block is out
        // of step at once, and where the next block starts.
        {" 2 !# of layers\r\n 30 -1\r\n 300 -1\r\n 25.50 -1\r\n 30.00 -1\r\n", "line 16",
         "the depth of layer 1 of the model of data set 2 is 30.00 m, but its thicknesses add up to 25.50 m"},
        {" 2 !# of layers\r\n 30 -1 !Resistivity\r\n 25.5 -1 !Thickness\r\n 25.5 -1 !Depth\r\n", "line 14",
         "this line holds a thickness where a resistivity was expected: the model block of data set 2 is "
         "malformed"},
        {" 2 !# of layers\r\n 30 -1\r\n 300" + std::string(70000, ' ') + "-1\r\n 25 -1\r\n 25 -1\r\n",
         "line 14", "longer than 65536 characters"},
    };
    for (const Case& c : cases) {
        ModelFile m = ParseModelFile(FullModelText(c.block), "fwd.mod");
        ASSERT_EQ(m.data_sets.size(), 6u);
        EXPECT_NE(m.data_sets[1].problem.find("fwd.mod, " + c.line + ": "), std::string::npos)
            << m.data_sets[1].problem;
        EXPECT_NE(m.data_sets[1].problem.find(c.words), std::string::npos) << m.data_sets[1].problem;
        // A bad value or a malformed block spoils only its own data set.
        for (int i : {0, 2, 3, 5})
            EXPECT_TRUE(m.data_sets[i].earth.has_value()) << c.block << i << m.data_sets[i].problem;
        EXPECT_EQ(*m.data_sets[2].earth, (LayeredEarth{{30, 300}, {25.5}}));
        EXPECT_FALSE(m.data_sets[4].earth.has_value());
    }
    // Depths rounded to two decimals as the program writes them are not taken for a fault.
    ModelFile rounded = ParseModelFile(
        FullModelText(
            " 3 !\r\n 10 -1\r\n 20 -1\r\n 30 -1\r\n 1.00 -1\r\n 1.00 -1\r\n 1.00 -1\r\n 2.01 -1\r\n"),
        "fwd.mod");
    EXPECT_TRUE(rounded.data_sets[1].earth.has_value()) << rounded.data_sets[1].problem;

    // Without the comments a block out of step is found by its depths; the blocks after it cannot
    // be told apart any more, so they fail too, saying so.
    std::string bare = FullModelText(" 2\r\n 30 -1\r\n 25.5 -1\r\n 25.5 -1\r\n");
    for (std::size_t at = bare.find('!'); at != std::string::npos; at = bare.find('!', at))
        bare.erase(at, bare.find('\r', at) - at);
    ModelFile lost = ParseModelFile(bare, "fwd.mod");
    EXPECT_TRUE(lost.data_sets[0].earth.has_value());
    EXPECT_NE(lost.data_sets[1].problem.find(
                  "model of data set 2 is 2.00 m, but its thicknesses add up to 25.50 m"),
              std::string::npos)
        << lost.data_sets[1].problem;
    for (int i = 2; i < 6; ++i)
        EXPECT_NE(lost.data_sets[i].problem.find("the models from here on cannot be read"), std::string::npos)
            << lost.data_sets[i].problem;

    // A system file is named, not reached through folders; a name's odd bytes are not echoed.
    std::string list = ModelText;
    list.replace(list.find("2 1 FWD01.tem"), 13, "2 1 ../x.tem");
    list.replace(list.find("3 1 FWD01.tem"), 13, "3 1 /dev/zero");
    list.replace(list.find("4 1 FWD02.tem"), 13, "4 1 a\x1B[2J.tem");
    std::string blocks = std::string(HalfSpaceBlock) + TwoLayerBlock + TwoLayerBlock;
    ModelFile named = ParseModelFile(list + blocks + blocks, "fwd.mod");
    EXPECT_TRUE(named.data_sets[0].earth.has_value());
    EXPECT_NE(named.data_sets[1].problem.find(
                  "line 4: the TEM system file name \"../x.tem\" is not a plain file name"),
              std::string::npos)
        << named.data_sets[1].problem;
    EXPECT_NE(named.data_sets[2].problem.find("\"/dev/zero\" is not a plain file name"), std::string::npos);
    EXPECT_NE(named.data_sets[3].problem.find("\"a\\x1B[2J.tem\" holds control characters"),
              std::string::npos)
        << named.data_sets[3].problem;
    EXPECT_TRUE(named.data_sets[4].earth.has_value());

    // Truncated or unreadable lists stop the whole file.
    EXPECT_THROW(ParseModelFile("title\r\n3 0\r\n1 1 FWD01.tem\r\n", "fwd.mod"), InputError);
    EXPECT_THROW(ParseModelFile("title\r\nsix 0\r\n", "fwd.mod"), InputError);
    EXPECT_THROW(ParseModelFile("title\r\n999999999 0\r\n", "fwd.mod"), InputError);
}

TEST(SystemFile, ReadsEveryLineOfTheProgramsForm)
{
    SystemFile f = ParseSystemFile(SystemText(), "FWD01.tem");
    const TemSystem& s = f.system;
    EXPECT_EQ(f.header_lines.size(), 17u); // 14 lines, then the three front-gate lines
    EXPECT_EQ(f.header_lines[1], "72 3  !Segmented loop TxPolarizationHorizontalLoop");
    EXPECT_TRUE(f.front_gate);
    EXPECT_EQ(s.geometry.component, Component::Z);
    EXPECT_DOUBLE_EQ(s.geometry.loop_height, 0.5);
    EXPECT_DOUBLE_EQ(s.geometry.receiver_height, 0.5);
    EXPECT_EQ(s.geometry.corners.size(), 4u);
    EXPECT_EQ(s.geometry.corners[2], (Point2{20, 20}));
    EXPECT_EQ(s.waveform, (std::vector<SubWave>{{-1e-3, -1.5e-5, 1, 1}, {-1.5e-5, 0, 1, 0}}));
    // Receiver filter, transmitter filter, then the one after the front gate.
    EXPECT_EQ(s.filters, (std::vector<ButterworthFilter>{{2, 3e5}, {1, 4.5e5}, {1, 3.3e5}}));
    EXPECT_EQ(s.gates, (std::vector<Gate>{{2e-5, 1.5e-5, 2.5e-5}, {1e-4, 8e-5, 1.2e-4}}));
    EXPECT_EQ(f.gate_times, (std::vector<std::string>{"2.00000000000000E-005", "1.00000000000000E-004"}));
}

TEST(SystemFile, RefusesBadInputNamingFileAndLine)
{
    struct Case {
        std::string from, to, line, words;
    };
    const Case cases[] = {
        {"72 3  !Seg", "71 3  !Seg", "line 2", "loop type 71 is not modelled"},
        {"72 3  !Seg", "72 4  !Seg", "line 2", "receiver component 4"},
        {"       0        0     -0.5 ", "       0        0     0.5 ", "line 3",
         "transmitter loop is below the ground"},
        {"     -0.5 !Tx", "     0.5 !Tx", "line 3", "receiver is below the ground"},
        {"     -0.5 !Tx", " !Tx", "line 3", "receiver Z is missing"},
        {"4    1600.00", "2    1600.00", "line 4", "needs at least 3"},
        {"  20.000   20.000 !knot", "  20.000   2x.000 !knot", "line 7", "not a number: \"2x.000\""},
        {" 3   3   3 ", " 3   1   3 ", "line 9", "quantity code 1 is not modelled"},
        {" 3   1          ", " 0   1          ", "line 10", "waveform type 0"},
        {"2      -1E-003    -1.5E-005", "2      -1E-003    -1.5E-002", "line 11",
         "sub-wave 1 ends before it starts"},
        {"1          1    -1.5E-005", "1          1    -2.5E-005", "line 11",
         "starts before sub-wave 1 ends"},
        {"    -1.5E-005          0          1          0 !", " !", "line 11", "missing"},
        {"2          2      3E005", "2          2.5      3E005", "line 13", "whole number from 1 to 20"},
        {"1    4.5E005", "1    -4.5E005", "line 13", "must be from 1 to 1e+12 Hz"},
        {"1    4.5E005", "1    1E-200", "line 13", "not 1e-200"},
        {"2          2      3E005", std::string(70000, ' ') + "2          2      3E005", "line 13",
         "longer than 65536"},
        {" 0     !HP", " 1 2 10    !HP", "line 14", "high-pass filters are not modelled"},
        {"1.20000000000000E-004\r", "7.0E-005\r", "line 20", "ends (7e-05 s) before it starts"},
        {"1 1 1.50000000000000E-005", "1 1", "line 18", "needs 7 numbers"},
    };
    for (const Case& c : cases) {
        std::string text = SystemText();
        std::size_t at = text.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.from;
        text.replace(at, c.from.size(), c.to);
        try {
            ParseSystemFile(text, "FWD01.tem");
            ADD_FAILURE() << "accepted: " << c.to;
        } catch (const InputError& e) {
            std::string what = e.what();
            EXPECT_NE(what.find("FWD01.tem, " + c.line + ":"), std::string::npos) << what;
            EXPECT_NE(what.find(c.words), std::string::npos) << what;
        }
    }
    // Receiver on the wire, and a file cut short.
    EXPECT_THROW(ParseSystemFile(SystemText("      20        5     -0.5"), "f"), InputError);
    std::string text = SystemText();
    EXPECT_THROW(ParseSystemFile(text.substr(0, text.find(" 3   1 ")), "f"), InputError);
}

TEST(ResultFile, RepeatsTheHeaderThenGatesThatReadBack)
{
    SystemFile f = ParseSystemFile(SystemText(), "FWD01.tem");
    const std::vector<double> values{1.23456789012345678e-7, -4.5e-12};
    std::string text = FormatResult(f, values);
    std::istringstream in(text);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        ASSERT_FALSE(line.empty());
        EXPECT_EQ(line.back(), '\r');
        lines.push_back(line.substr(0, line.size() - 1));
    }
    ASSERT_EQ(lines.size(), f.header_lines.size() + 2);
    for (std::size_t i = 0; i < f.header_lines.size(); ++i)
        EXPECT_EQ(lines[i], f.header_lines[i]);
    for (std::size_t g = 0; g < 2; ++g) {
        std::istringstream gate(lines[f.header_lines.size() + g]);
        double time = 0, value = 0;
        gate >> time >> value;
        EXPECT_EQ(time, f.system.gates[g].centre);
        EXPECT_NEAR(value / values[g], 1, 5e-15); // 15 significant digits
    }
    // A value that is not finite is never written.
    EXPECT_THROW(FormatResult(f, {1e-7, NAN}), std::invalid_argument);
    EXPECT_THROW(FormatResult(f, {-INFINITY, 1e-7}), std::invalid_argument);
    EXPECT_EQ(ResultFileName(5), "FWD00005.fwr");
    EXPECT_EQ(ResultFileName(12345), "FWD12345.fwr");
}

/// The program's reading of a result file: line 1 skipped, the source type on line 2, line 3
/// skipped, the corner count on line 4 and the corners skipped, four lines with the filter count
/// first on the fourth, two lines per filter and three more for a front gate skipped; then every
/// line with a token is a gate: its time and its value.
std::vector<std::pair<double, double>> ReadAsTheProgramDoes(const std::string& text, bool front_gate)
{
    std::istringstream in(text);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    auto first_token = [&](std::size_t i) { return std::atoi(lines.at(i).c_str()); };
    EXPECT_EQ(first_token(1), 72);
    std::size_t next = 3 + 1 + first_token(3);
    int filters = first_token(next + 3);
    next += 4 + 2 * filters + (front_gate ? 3 : 0);
    std::vector<std::pair<double, double>> gates;
    for (; next < lines.size(); ++next) {
        std::istringstream gate(lines[next]);
        double time = 0, value = 0;
        if (gate >> time >> value)
            gates.push_back({time, value});
    }
    return gates;
}

class EngineRun : public ::testing::Test {
  protected:
    void Write(const std::string& name, const std::string& text)
    {
        std::ofstream(folder / name, std::ios::binary) << text;
    }
    std::string Read(const std::string& name)
    {
        std::ifstream in(folder / name, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    int Run(std::string& console, int threads = 0, const char* control = "AarhusInv.con")
    {
        RunArguments a;
        a.model_file = folder / "fwd.mod";
        if (*control)
            a.control_file = folder / control;
        a.threads = threads;
        std::ostringstream out;
        int code = RunEngine(a, out);
        console = out.str();
        return code;
    }
    testsupport::TempFolder temp{"temsetrix-engine-"};
    fs::path folder = temp.path();
};

TEST_F(EngineRun, WritesOneResultPerDataSetAndSaysSo)
{
    Write("fwd.mod", FullModelText());
    Write("FWD01.tem", SystemText());
    Write("fwd02.TEM", SystemText("     -30        0     -0.5")); // found without regard to case
    std::string console;
    EXPECT_EQ(Run(console), 0) << console;
    EXPECT_NE(console.find("AarhusInv.con\" does not exist"), std::string::npos);
    EXPECT_NE(console.find("front gate is not modelled"), std::string::npos);
    EXPECT_NE(console.find("6 of 6 data sets written."), std::string::npos);
    for (int n = 1; n <= 6; ++n) {
        EXPECT_NE(console.find("Data set " + std::to_string(n) + " (FWD0" + (n <= 3 ? "1" : "2") +
                               ".tem): " + ResultFileName(n) + " written"),
                  std::string::npos);
        std::vector<std::pair<double, double>> gates = ReadAsTheProgramDoes(Read(ResultFileName(n)), true);
        ASSERT_EQ(gates.size(), 2u) << n;
        EXPECT_EQ(gates[0].first, 2e-5);
        EXPECT_EQ(gates[1].first, 1e-4);
        EXPECT_GT(gates[1].second, 0) << n; // late gate: positive inside and outside the loop
    }
    // Progress for the runner: whole lines "data set N of 6", N never falling, the last one 6 of 6.
    std::istringstream lines(console);
    std::vector<int> progress;
    for (std::string line; std::getline(lines, line);) {
        int n = -1;
        char rest = 0;
        if (std::sscanf(line.c_str(), "data set %d of 6%c", &n, &rest) == 1)
            progress.push_back(n);
    }
    ASSERT_FALSE(progress.empty()) << console;
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), 6);
    EXPECT_NE(console.find("data set 6 of 6\ntemsetrix-engine: 6 of 6 data sets written.\n"),
              std::string::npos);

    // Same earth, different receivers: different decays.
    EXPECT_NE(Read(ResultFileName(1)), Read(ResultFileName(4)));

    // One worker or several, with a control file or none: the same files. Without one, the
    // console does not speak of it.
    std::string first = Read(ResultFileName(5));
    EXPECT_EQ(Run(console, 1), 0);
    EXPECT_EQ(Read(ResultFileName(5)), first);
    EXPECT_EQ(Run(console, 0, ""), 0);
    EXPECT_EQ(Read(ResultFileName(5)), first);
    EXPECT_EQ(console.find("control file"), std::string::npos) << console;
}

TEST_F(EngineRun, BadSystemFileFailsOnlyItsDataSetsAndLeavesNoStaleResult)
{
    Write("fwd.mod", FullModelText());
    Write("FWD01.tem", SystemText());
    Write("FWD02.tem", SystemText("       0        0     -0.5", "71"));
    Write(ResultFileName(4), "an old result\r\n");
    std::string console;
    EXPECT_EQ(Run(console), 1);
    EXPECT_NE(console.find("Data set 4 (FWD02.tem): not computed - " + (folder / "FWD02.tem").string() +
                           ", line 2: loop type 71 is not modelled"),
              std::string::npos)
        << console;
    EXPECT_NE(console.find("3 of 6 data sets written, 3 failed."), std::string::npos);
    for (int n = 1; n <= 6; ++n)
        EXPECT_EQ(fs::exists(folder / ResultFileName(n)), n <= 3) << n;
}

TEST_F(EngineRun, MissingFilesAreReported)
{
    std::string console;
    EXPECT_EQ(Run(console), 2);
    EXPECT_NE(console.find("Cannot read the model file"), std::string::npos);
    Write("fwd.mod", FullModelText());
    EXPECT_EQ(Run(console), 1);
    EXPECT_NE(console.find("cannot read the TEM system file"), std::string::npos);
    EXPECT_NE(console.find("0 of 6 data sets written, 6 failed."), std::string::npos);
}

TEST_F(EngineRun, EarlierResultsGoBeforeTheRunEvenWhenItStopsAtOnce)
{
    Write("FWD00001.fwr", "an old result\r\n");
    Write("FWD99999.fwr", "an old result\r\n");
    Write("FWD00001.fwr.txt", "kept\r\n");
    Write("FWD0001.fwr", "kept\r\n");
    Write("fwd.mod", "title\r\nsix 0\r\n");
    std::string console;
    EXPECT_EQ(Run(console), 2);
    EXPECT_NE(console.find("fwd.mod, line 2: the number of data sets is not a whole number"),
              std::string::npos)
        << console;
    EXPECT_FALSE(fs::exists(folder / "FWD00001.fwr"));
    EXPECT_FALSE(fs::exists(folder / "FWD99999.fwr"));
    EXPECT_TRUE(fs::exists(folder / "FWD00001.fwr.txt"));
    EXPECT_TRUE(fs::exists(folder / "FWD0001.fwr"));
}

TEST_F(EngineRun, ReadsOnlyRegularFilesOfASaneSize)
{
    std::string console;
    // A FIFO as the model file, and as a system file: refused at once, not waited on.
    ASSERT_EQ(mkfifo((folder / "fwd.mod").c_str(), 0600), 0);
    EXPECT_EQ(Run(console), 2);
    EXPECT_NE(console.find("Cannot read the model file " + (folder / "fwd.mod").string() +
                           ": it is not a regular file"),
              std::string::npos)
        << console;
    fs::remove(folder / "fwd.mod");
    Write("fwd.mod", FullModelText());
    ASSERT_EQ(mkfifo((folder / "FWD01.tem").c_str(), 0600), 0);
    // A link, even to a file the engine could read: its lines never reach the console.
    Write("../outside-" + folder.filename().string(), "secret first line\nsecret 2 3\n");
    fs::create_symlink("../outside-" + folder.filename().string(), folder / "FWD02.tem");
    EXPECT_EQ(Run(console), 1);
    fs::remove(folder.parent_path() / ("outside-" + folder.filename().string()));
    EXPECT_NE(console.find("Data set 1 (FWD01.tem): not computed - cannot read the TEM system file " +
                           (folder / "FWD01.tem").string() + ": it is not a regular file"),
              std::string::npos)
        << console;
    EXPECT_NE(console.find("FWD02.tem: it is a symbolic link; only regular files are read"),
              std::string::npos)
        << console;
    EXPECT_EQ(console.find("secret"), std::string::npos) << console;
    fs::remove(folder / "FWD02.tem");
    Write("FWD02.tem", SystemText());
    fs::resize_file(folder / "FWD02.tem", MaxSystemFileBytes + 1);
    EXPECT_EQ(Run(console), 1);
    EXPECT_NE(console.find("FWD02.tem: it is larger than 16 MB"), std::string::npos) << console;
}

TEST_F(EngineRun, EnginesSharingAFolderKeepEachOthersResults)
{
    Write("fwd.mod", FullModelText());
    Write("FWD01.tem", SystemText());
    Write("FWD02.tem", SystemText("     -30        0     -0.5"));
    std::string alone;
    ASSERT_EQ(Run(alone, 1), 0);
    const std::string expected = Read(ResultFileName(6));
    // Three runs at once: each writes through a temporary file of its own, so none fails or
    // removes a result because another renamed a shared temporary file first.
    std::vector<std::string> consoles(3);
    std::vector<int> codes(3, -1);
    std::vector<std::thread> runs;
    for (int i = 0; i < 3; ++i)
        runs.emplace_back([&, i] { codes[i] = Run(consoles[i], 1); });
    for (std::thread& t : runs)
        t.join();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(codes[i], 0) << consoles[i];
    EXPECT_EQ(Read(ResultFileName(6)), expected);
    for (const fs::directory_entry& e : fs::directory_iterator(folder))
        EXPECT_EQ(e.path().string().find(".part"), std::string::npos) << e.path();
}

TEST(GroupByEarth, KeepsFirstAppearanceOrderAndSkipsTheMissing)
{
    const LayeredEarth a{{10}, {}}, b{{10, 100}, {5}}, c{{10, 100}, {6}}, a2{{10}, {}};
    std::vector<const LayeredEarth*> earths{&b, &a, nullptr, &c, &a2, &b, nullptr};
    EXPECT_EQ(GroupByEarth(earths), (std::vector<std::vector<std::size_t>>{{0, 5}, {1, 4}, {3}}));
    EXPECT_TRUE(GroupByEarth({}).empty());
}

} // namespace
} // namespace tem::engine
