#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/model/data_folders.h"
#include "tdc_test_support.h"

namespace tem::tdctest {
namespace {

// The shipped demonstration file is DemoConfiguration() as this program's TDC writer writes it;
// make fixtures writes it again after a change to the model or the writer.
TEST_F(TdcTest, ShippedDemoConfigurationLoadsSilentlyAsBuilt)
{
    const std::string file = Path("DemoConfig.TDC");
    fs::copy_file(ShippedDemoConfiguration(), file);
    const Configuration cfg = Load(file);
    EXPECT_THAT(op.messages, testing::IsEmpty());
    ExpectSameCarried(DemoConfiguration(), cfg);

    // What makes it a dual-moment system on one loop of about 18 square metres.
    EXPECT_EQ(cfg.TxLM, 1);
    EXPECT_EQ(cfg.TxHM, 2);
    EXPECT_NEAR(cfg.Tx[1].Area, 18.06, 1e-9);
    EXPECT_EQ(cfg.Tx[2].Area, cfg.Tx[1].Area);
    EXPECT_EQ(cfg.AcqChnMapTxRx[1][1], 1);
    EXPECT_EQ(cfg.AcqChnMapTxRx[2][1], 2);
    EXPECT_LT(cfg.TimeBase[1].GateCentre[cfg.TimeBase[1].NumGatesInSet],
              cfg.TimeBase[2].GateCentre[cfg.TimeBase[2].NumGatesInSet]);
}

} // namespace
} // namespace tem::tdctest
