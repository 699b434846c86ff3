#include <gtest/gtest.h>

#include <bit>
#include <set>

#include "crypto/data_process.h"

namespace velkor {
namespace {

TEST(RandomBytes, NeverZeroAndParityAsAsked)
{
    for (const auto parity : { RandomParity::Odd, RandomParity::Even, RandomParity::AsDrawn }) {
        for (int round = 0; round < 200; ++round) {
            uint8_t bytes[16] = {};
            ASSERT_TRUE(CDataProcess::RandomBytes(bytes, 16, parity));
            for (const uint8_t byte : bytes) {
                ASSERT_NE(byte, 0);
                if (parity == RandomParity::Odd) {
                    ASSERT_EQ(std::popcount(byte) % 2, 1) << int(byte);
                } else if (parity == RandomParity::Even) {
                    ASSERT_EQ(std::popcount(byte) % 2, 0) << int(byte);
                }
            }
        }
    }
}

TEST(RandomBytes, RefusesOtherCountsAndParities)
{
    uint8_t bytes[32] = {};
    EXPECT_FALSE(CDataProcess::RandomBytes(bytes, 12, RandomParity::AsDrawn));
    EXPECT_FALSE(CDataProcess::RandomBytes(bytes, 8, static_cast<RandomParity>(3)));
    EXPECT_FALSE(CDataProcess::RandomBytes(nullptr, 8, RandomParity::AsDrawn));
}

TEST(RandomNumber, CoversEveryWindowPosition)
{
    std::set<uint32_t> offsets;
    for (int i = 0; i < 2000 && offsets.size() < 32; ++i) {
        offsets.insert(CDataProcess::RandomNumber() % 32);
    }
    EXPECT_EQ(offsets.size(), 32u);
}

} // namespace
} // namespace velkor
