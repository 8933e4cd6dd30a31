#include <gtest/gtest.h>

#include "core/bounded_array.h"
#include "core/model/configuration.h"

namespace tem {
namespace {

TEST(BoundedArray, IndexOutsideBoundsThrows)
{
    OneBased<int, 9> a;
    a[1] = 4;
    a[9] = 5;
    EXPECT_EQ(a[1], 4);
    EXPECT_EQ(a[9], 5);
    EXPECT_THROW(a[0], ListIndexError);
    EXPECT_THROW(a[10], ListIndexError);
    BoundedArray<double, 0, 255> g;
    EXPECT_NO_THROW(g[0]);
    EXPECT_NO_THROW(g[255]);
    EXPECT_THROW(g[256], ListIndexError);
    EXPECT_THROW(g[-1], ListIndexError);
}

TEST(ConfigurationDefaults, RowIdsAndReceiverVertices)
{
    EXPECT_EQ(DefaultAcqChn(1).RowID, "X");
    EXPECT_EQ(DefaultAcqChn(2).RowID, "Y");
    EXPECT_EQ(DefaultAcqChn(8).RowID, "S");
    const TReceiver r = DefaultReceiver();
    const double x[] = {1, 0, -1, 0}, y[] = {0, -1, 0, 1};
    for (int k = 1; k <= 4; ++k) {
        EXPECT_DOUBLE_EQ(r.NodeX[k], x[k - 1]) << k;
        EXPECT_DOUBLE_EQ(r.NodeY[k], y[k - 1]) << k;
    }
}

TEST(ConfigurationNames, EnumerationsRoundTripByName)
{
    EXPECT_EQ(Name(TMomentID::Bogus), "Bogus");
    EXPECT_EQ(MomentIDFromName("HM"), TMomentID::HM);
    EXPECT_FALSE(MomentIDFromName("hm").has_value());
    EXPECT_EQ(INIFileFormatFromName("gex"), TINIFileFormat::GEX);
    EXPECT_EQ(Name(TRxType::rxtypedBdt), "rxtypedBdt");
    EXPECT_EQ(ChecksumTable[1], 0x77073096u);
}

} // namespace
} // namespace tem
