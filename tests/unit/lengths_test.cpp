#include "fpc_writer/lengths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

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

// The text as printf's "%6.6lf" gives it, with the trailing zeros and point taken off.
std::string printf_length(double value) {
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%6.6lf", value + 0.0);
    std::string text = buffer;
    if (text.find('.') != std::string::npos) {
        while (!text.empty() && text.back() == '0') text.pop_back();
        if (!text.empty() && text.back() == '.') text.pop_back();
    }
    return text;
}

TEST(BoardFileLengths, SameTextAsPrintf) {
    const double tricky[] = {0.0, -0.0, 1e-7, -1e-7, 4e-7, 5e-7, -5e-7, 6e-7, 0.0000005, 0.0000015, 0.0000025,
                             0.1, 0.125, 0.1234565, -0.1234565, 2.5e-6, 1e15, -1e15, 0x1p50 / 1e6,
                             2147483647.0, -2147483648.5, 1e300, -1e300, 5e-324,
                             std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN()};
    for (const double value : tricky) EXPECT_EQ(format_length(value), printf_length(value)) << value;
    std::mt19937_64 random(7);
    std::uniform_int_distribution<std::int64_t> nanometres(-3000000000LL, 3000000000LL);
    std::uniform_int_distribution<int> scale(0, 8);
    for (int i = 0; i < 200000; ++i) {
        // Lengths as the board's arithmetic leaves them: whole nanometres scaled, and halves.
        const double value = static_cast<double>(nanometres(random)) / std::pow(10.0, scale(random));
        ASSERT_EQ(format_length(value), printf_length(value)) << value;
        ASSERT_EQ(format_length(value * 25400000.0 / 3.0), printf_length(value * 25400000.0 / 3.0)) << value;
        // Whole nanometres kept in inches and turned back, and values just off whole numbers.
        const double whole = static_cast<double>(nanometres(random));
        const double back = whole / 25400000.0 * 25400000.0;
        ASSERT_EQ(format_length(back), printf_length(back)) << whole;
        for (const double off : {3.9e-7, -3.9e-7, 4.1e-7, -4.1e-7, 5e-7, -5e-7, 6e-7}) {
            ASSERT_EQ(format_length(whole + off), printf_length(whole + off)) << whole << " " << off;
            ASSERT_EQ(format_length(off), printf_length(off)) << off;
        }
    }
}

}  // namespace
}  // namespace tarnwick
