#include "fpc_writer/lengths.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

TEST(BoardFileLengths, TextsAndRoundedNanometres) {
    EXPECT_EQ(format_length(0.5 * 25400000.0), "12700000");
    EXPECT_EQ(format_length(0.254), "0.254");
    EXPECT_EQ(format_length(-0.0), "0");
    EXPECT_EQ(format_length(-1.5), "-1.5");
    EXPECT_EQ(format_length(50.0), "50");

    EXPECT_EQ(signed_rounded_length(0.5), 12700000);
    EXPECT_EQ(signed_rounded_length(-0.0), 0);
    EXPECT_EQ(signed_rounded_length(-0.5), -12700000);
    EXPECT_EQ(signed_rounded_length(1.0 / 25400000.0 * 2.5), 3);  // half away from zero
    EXPECT_EQ(signed_rounded_length(-1.0 / 25400000.0 * 2.5), -3);
    EXPECT_EQ(signed_rounded_length(1e300), 0);  // no undefined conversion for absurd values
    EXPECT_EQ(signed_rounded_length(-1e300), 0);
}

}  // namespace
}  // namespace tarnwick
