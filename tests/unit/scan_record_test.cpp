#include "core/scan_record.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace tarnwick {
namespace {

// Bits, so that -0 and 0, and the payloads of NaNs, count as different.
std::uint64_t bits(double value) {
    std::uint64_t b = 0;
    std::memcpy(&b, &value, sizeof b);
    return b;
}

// Every format the readers give scan_record, over texts made to find where it could part from
// std::sscanf: plain numbers of every length, signs where none belong, exponents, points,
// hexadecimal, inf and nan, missing and glued fields, odd blanks.
TEST(ScanRecord, StoresAndCountsAsSscanfDoes) {
    std::uint64_t state = 99;
    auto random = [&state](int n) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<int>((state >> 33) % static_cast<std::uint64_t>(n));
    };
    static const char* const pieces[] = {"0",  "7",   "12",  "254000", "-",   "+",    ".",  "5",  "e",   "E3",
                                         " ",  " ",   " ",   "\t",     "\v",  "x",    "0x1", "inf", "nan", "1e400",
                                         "99", "000", "123456789", "4294967296", "12345678901234567890", ")", "a", "-0",
                                         "U7.3", "R1.1", "abcdefghij", "\"q\""};
    const int piece_count = static_cast<int>(sizeof pieces / sizeof pieces[0]);
    auto text = [&]() {
        std::string t;
        const int fields = random(9);
        for (int f = 0; f < fields; ++f) {
            if (random(4) == 0) {
                // Mostly well-formed numbers, as the files hold them.
                t += (random(3) == 0 ? "-" : "") + std::to_string(random(100000000));
                if (random(2) == 0) t += "." + std::to_string(random(1000000));
            } else {
                const int parts = 1 + random(3);
                for (int p = 0; p < parts; ++p) t += pieces[random(piece_count)];
            }
            t += random(8) == 0 ? "" : " ";
        }
        return t;
    };

    for (int i = 0; i < 200000; ++i) {
        const std::string input = text();
        const char* s = input.c_str();
        unsigned u[4] = {11, 11, 11, 11};
        unsigned v[4] = {11, 11, 11, 11};
        int d = 22;
        int e = 22;
        double a[4] = {-3.5, -3.5, -3.5, -3.5};
        double b[4] = {-3.5, -3.5, -3.5, -3.5};
        char w[2][128] = {"w", "w"};
        char x[2][128] = {"w", "w"};
        switch (i % 9) {
            case 0:
                ASSERT_EQ(scan_record(s, "%*u %lf %lf %u %u %lf %lf %u", &a[0], &a[1], &u[0], &u[1], &a[2], &a[3], &u[2]),
                          std::sscanf(s, "%*u %lf %lf %u %u %lf %lf %u", &b[0], &b[1], &v[0], &v[1], &b[2], &b[3], &v[2]))
                    << '"' << input << '"';
                break;
            case 1:
                ASSERT_EQ(scan_record(s, "%*u %u %d %u %u", &u[0], &d, &u[1], &u[2]),
                          std::sscanf(s, "%*u %u %d %u %u", &v[0], &e, &v[1], &v[2]))
                    << '"' << input << '"';
                break;
            case 2:
                ASSERT_EQ(scan_record(s, "%*u %*f %*f %*u %u", &u[0]), std::sscanf(s, "%*u %*f %*f %*u %u", &v[0]))
                    << '"' << input << '"';
                break;
            case 3:
                ASSERT_EQ(scan_record(s, "%lf %lf %u %lf %lf %u", &a[0], &a[1], &u[0], &a[2], &a[3], &u[1]),
                          std::sscanf(s, "%lf %lf %u %lf %lf %u", &b[0], &b[1], &v[0], &b[2], &b[3], &v[1]))
                    << '"' << input << '"';
                break;
            case 4:
                ASSERT_EQ(scan_record(s, "%u %lf %lf %lf %lf %u", &u[0], &a[0], &a[1], &a[2], &a[3], &u[1]),
                          std::sscanf(s, "%u %lf %lf %lf %lf %u", &v[0], &b[0], &b[1], &b[2], &b[3], &v[1]))
                    << '"' << input << '"';
                break;
            case 5:
                ASSERT_EQ(scan_record(s, "%*u %127s", w[0]), std::sscanf(s, "%*u %127s", x[0])) << '"' << input << '"';
                break;
            case 6:
                ASSERT_EQ(scan_record(s, "%127s %127s", w[0], w[1]), std::sscanf(s, "%127s %127s", x[0], x[1]))
                    << '"' << input << '"';
                break;
            case 7:
                // Words longer than the width: the library cuts them and reads on.
                ASSERT_EQ(scan_record(s, "%3s %u %5s", w[0], &u[0], w[1]), std::sscanf(s, "%3s %u %5s", x[0], &v[0], x[1]))
                    << '"' << input << '"';
                break;
            default:
                ASSERT_EQ(scan_record(s, "%lf %lf", &a[0], &a[1]), std::sscanf(s, "%lf %lf", &b[0], &b[1]))
                    << '"' << input << '"';
                break;
        }
        for (int k = 0; k < 2; ++k) ASSERT_STREQ(w[k], x[k]) << '"' << input << "\" word " << k;
        for (int k = 0; k < 4; ++k) {
            ASSERT_EQ(u[k], v[k]) << '"' << input << "\" field " << k;
            ASSERT_EQ(bits(a[k]), bits(b[k])) << '"' << input << "\" field " << k;
        }
        ASSERT_EQ(d, e) << '"' << input << '"';
    }
}

TEST(ScanRecord, PlainRecordsOfTheFiles) {
    double x = 0;
    double y = 0;
    unsigned layer = 0;
    unsigned flag = 0;
    double pad = 0;
    double hole = 0;
    unsigned tee = 0;
    EXPECT_EQ(scan_record(" 3 -12700000 0.5 12 1 711200 304800 77", "%*u %lf %lf %u %u %lf %lf %u", &x, &y, &layer, &flag,
                          &pad, &hole, &tee),
              7);
    EXPECT_EQ(x, -12700000.0);
    EXPECT_EQ(y, 0.5);
    EXPECT_EQ(layer, 12u);
    EXPECT_EQ(tee, 77u);
    // The nearest double to a decimal fraction, as strtod makes it.
    EXPECT_EQ(scan_record("0.1 -0.000", "%lf %lf", &x, &y), 2);
    EXPECT_EQ(x, 0.1);
    EXPECT_TRUE(std::signbit(y));
    // A record cut short counts what it holds; an empty one is the end of the input.
    EXPECT_EQ(scan_record("5 6", "%lf %lf %u", &x, &y, &layer), 2);
    EXPECT_EQ(scan_record("", "%lf", &x), EOF);
}

TEST(ScanRecord, WordsOfNetPinAndPartRecords) {
    char word[128] = "";
    char other[128] = "";
    EXPECT_EQ(scan_record(" 12 U7.3\r", "%*u %127s", word), 1);
    EXPECT_STREQ(word, "U7.3");
    // An index that is no number leaves the word unread, as the library does.
    EXPECT_EQ(scan_record(" Q1 DD4.6", "%*u %127s", word), 0);
    EXPECT_EQ(scan_record(" Q1 DD4.6", "%127s %127s", word, other), 2);
    EXPECT_STREQ(word, "Q1");
    EXPECT_STREQ(other, "DD4.6");
    // A word of 127 characters is read whole; one of 128 is cut at 127 as the library cuts it.
    const std::string long_word(127, 'A');
    EXPECT_EQ(scan_record(("1 " + long_word).c_str(), "%*u %127s", word), 1);
    EXPECT_EQ(std::string(word), long_word);
    EXPECT_EQ(scan_record(("1 " + long_word + "B").c_str(), "%*u %127s", word), 1);
    EXPECT_EQ(std::string(word), long_word);
    EXPECT_EQ(scan_record("   ", "%127s", word), EOF);
}

}  // namespace
}  // namespace tarnwick
