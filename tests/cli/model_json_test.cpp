#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/model_json.h"
#include "core/model/configuration.h"
#include "support/member_count.h"

namespace tem::cli {
namespace {

TEST(ModelJson, TopLevelKeysAreTheModelNamesInOrder)
{
    const Json j = ModelToJson(DefaultConfiguration());
    std::vector<std::string> keys;
    for (const auto& item : j.items())
        keys.push_back(item.key());
    const std::vector<std::string> expected = {"NumTx",
                                               "NumRx",
                                               "NumAcqChn",
                                               "NumTimebases",
                                               "TxSingle",
                                               "TxLM",
                                               "TxHM",
                                               "TxOther",
                                               "AcqChnMapTxRx",
                                               "LoadFilename",
                                               "SaveFilename",
                                               "ParentConfigFile",
                                               "Description",
                                               "DataType",
                                               "TDCorGEX",
                                               "Master",
                                               "MasterTamperCheckCRC",
                                               "IsCorrupt",
                                               "FrontGateDelay",
                                               "CalculateRawDataSTD",
                                               "GateNoForPowerLineMonitor",
                                               "LinkTxApproximateCurrenttoTxAmps",
                                               "Tx",
                                               "Rx",
                                               "AcqChn",
                                               "TimeBase",
                                               "SysResp",
                                               "TxWaveform",
                                               "Vehicle"};
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(j["AcqChnMapTxRx"].size(), 9u);
    EXPECT_EQ(j["AcqChnMapTxRx"][0].size(), 9u);
}

TEST(ModelJson, EnumerationsByNameAndRecordsByFieldName)
{
    Configuration cfg = DefaultConfiguration();
    cfg.Tx[1].MomentID = TMomentID::HM;
    cfg.Rx[1].RxType = TRxType::rxtypeB;
    cfg.Vehicle.Propulsion = TPropulsion::propBoat;
    cfg.TDCorGEX = TINIFileFormat::GEX;
    const Json j = ModelToJson(cfg);
    EXPECT_EQ(j["TDCorGEX"], "GEX");
    EXPECT_EQ(j["Tx"][0]["MomentID"], "HM");
    EXPECT_EQ(j["Rx"][0]["RxType"], "rxtypeB");
    EXPECT_EQ(j["Vehicle"]["Propulsion"], "propBoat");
    EXPECT_EQ(j["Tx"][0]["Name"], "2Turns36Amps");
    EXPECT_EQ(j["Tx"][0]["SignPattern"], Json::parse("[1,-1]"));
    EXPECT_EQ(j["Tx"][0]["LPFilterOrderandCutoff"], Json::parse("[1.0,60000.0]"));
    EXPECT_EQ(j["AcqChn"][0]["RowID"], "X");
    EXPECT_EQ(j["AcqChn"][0]["GateConstants"], Json::array());
    EXPECT_EQ(j["Vehicle"]["PhotoFilename"], "NoPhotoAvailable.jpg");
    // One entry per member.
    EXPECT_EQ(j["Vehicle"].size(), testsupport::MemberCount<TVehicle>());
    EXPECT_EQ(j["Tx"][0].size(), testsupport::MemberCount<TTransmitter>());
}

TEST(ModelJson, OnlyUsedEntriesAndNeverBeyondTheArrays)
{
    struct Case {
        const char* name;
        int numTx, loopSides, rxLoopsides, gatesInSet, points, layers, noGates, txNumber;
        std::size_t tx, txNodes, rxNodes, gates, wavePoints, layerValues, sysRespGates;
    };
    const Case cases[] = {
        {"defaults", 1, 4, 4, 99, 7, 3, 30, 1, 1, 5, 4, 99, 7, 3, 30},
        {"at the limits", 9, 99, 99, 255, 255, 16, 255, 1, 9, 100, 99, 255, 255, 16, 255},
        {"beyond the limits", 40, 500, 500, 1000, 300, 40, 1000, 1, 9, 100, 99, 255, 255, 16, 255},
        {"negative counts", -1, -4, -4, -3, -2, -1, -5, 1, 0, 0, 0, 0, 0, 0, 0},
        {"channel without transmitter", 1, 4, 4, 99, 7, 3, 30, 12, 1, 5, 4, 99, 7, 3, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Configuration cfg = DefaultConfiguration();
        cfg.NumTx = k.numTx;
        for (int t = 1; t <= MaxTx; ++t) {
            cfg.Tx[t].LoopSides = k.loopSides;
            cfg.Tx[t].NoGates = k.noGates;
            cfg.TxWaveform[t].WaveformPointsDigitized = k.points;
            cfg.Rx[t].Loopsides = k.rxLoopsides;
            cfg.TimeBase[t].NumGatesInSet = k.gatesInSet;
        }
        cfg.SysResp[1].FwdModelLayers = k.layers;
        cfg.AcqChn[1].TxNumber = k.txNumber;
        const Json j = ModelToJson(cfg);
        ASSERT_EQ(j["Tx"].size(), k.tx);
        ASSERT_EQ(j["TxWaveform"].size(), k.tx);
        if (k.tx > 0) {
            EXPECT_EQ(j["Tx"][0]["NodeX"].size(), k.txNodes);
            EXPECT_EQ(j["Tx"][0]["NodeZ"].size(), k.txNodes);
            EXPECT_EQ(j["TxWaveform"][0]["WaveformPointTimes"].size(), k.wavePoints);
        }
        EXPECT_EQ(j["Rx"][0]["NodeY"].size(), k.rxNodes);
        EXPECT_EQ(j["TimeBase"][0]["GateCentre"].size(), k.gates);
        EXPECT_EQ(j["SysResp"][0]["LayerThicknesses"].size(), k.layerValues);
        EXPECT_EQ(j["SysResp"][0]["FieldAmplitudes"].size(), k.sysRespGates);
    }
}

TEST(ModelJson, UsedEntriesStartAtTheirFirstIndex)
{
    Configuration cfg = DefaultConfiguration();
    cfg.Tx[1].LoopSides = 3;
    for (int i = 0; i <= 3; ++i)
        cfg.Tx[1].NodeX[i] = 10 + i;
    cfg.Rx[1].NodeX[0] = -99; // not used by the receiver
    cfg.TimeBase[1].NumGatesInSet = 2;
    cfg.SysResp[1].LayerResistivities[0] = -1;
    const Json j = ModelToJson(cfg);
    EXPECT_EQ(j["Tx"][0]["NodeX"], Json::parse("[10.0,11.0,12.0,13.0]"));
    EXPECT_EQ(j["Rx"][0]["NodeX"], Json::parse("[1.0,0.0,-1.0,0.0]"));
    EXPECT_EQ(j["TimeBase"][0]["drivenGateStart"], Json::parse("[1e-6,2e-6]"));
    EXPECT_EQ(j["SysResp"][0]["LayerResistivities"], Json::parse("[10.0,20.0,30.0]"));
}

} // namespace
} // namespace tem::cli

namespace tem::cli {
namespace {

TEST(ModelJson, EightBitTextsBecomeUtf8)
{
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"plain", "plain"},
        {"Loop 18 m\xb2 at 0\xb0", "Loop 18 m\xc2\xb2 at 0\xc2\xb0"}, // Latin-1 ² and °
        {"ramp 3 \xc2\xb5s", "ramp 3 \xc2\xb5s"},                     // already UTF-8 µ: kept
        {"cut \xc3", "cut \xc3\x83"},                                 // truncated sequence: Latin-1
    };
    for (const Case& k : cases) {
        Json j = {{"Description", k.in}, {"Tx", Json::array({{{"Name", k.in}}})}};
        TextsToUtf8(j);
        EXPECT_EQ(j["Description"], k.out);
        EXPECT_EQ(j["Tx"][0]["Name"], k.out);
        EXPECT_NO_THROW(j.dump());
    }
}

} // namespace
} // namespace tem::cli
