#include "driver/error_report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "test_support.h"

namespace tarnwick {
namespace {

std::string printed(int code, const std::string& message, const Diagnostics& diagnostics, int* status) {
    test::MemoryStream memory;
    *status = report_fatal(FatalError{code, message}, diagnostics, memory.out);
    return memory.text();
}

std::string usage_text() {
    test::MemoryStream memory;
    print_usage(memory.out);
    return memory.text();
}

TEST(Errors, MessageFormChosenByCodeRange) {
    Diagnostics diagnostics{"board.fpc", 7, "board.ses", 42};
    int status = -1;

    EXPECT_EQ(printed(0, "", diagnostics, &status), usage_text());
    EXPECT_EQ(status, 0);

    EXPECT_EQ(printed(1, "Too few arguments", diagnostics, &status),
              "\nError 001: Too few arguments\n" + usage_text());
    EXPECT_EQ(status, 1);

    EXPECT_EQ(printed(11209, "not enough copper layers, 2 or more needed for autorouting", diagnostics, &status),
              "\n(board.fpc - 7) Error 11209: not enough copper layers, 2 or more needed for autorouting\n");
    EXPECT_NE(status, 0);

    EXPECT_EQ(printed(30449, "x", diagnostics, &status), "\n(board.ses - 42) Error 30449: x\n");
    EXPECT_EQ(printed(40163, "y", diagnostics, &status), "\nError 40163: y\n");
    EXPECT_EQ(printed(20043, "z", diagnostics, &status), "\nError 20043: z\n");
}

TEST(Errors, ExitStatusKeepsLowBitsButNeverZero) {
    EXPECT_EQ(exit_status_for(0), 0);
    EXPECT_EQ(exit_status_for(217), 217);
    EXPECT_EQ(exit_status_for(255), 255);
    EXPECT_EQ(exit_status_for(13006), 13006 & 0xFF);
    EXPECT_EQ(exit_status_for(256), 1);
    EXPECT_EQ(exit_status_for(12800), 1);  // low 8 bits are 0
}

TEST(Errors, NoFailureExitsWithTheStatusOfARouteLeftUnrouted) {
    for (int code = 1; code <= 99999; ++code) {
        ASSERT_NE(exit_status_for(code), unrouted_exit_status) << code;
        ASSERT_NE(exit_status_for(code), 0) << code;
    }
    EXPECT_EQ(exit_status_for(unrouted_exit_status), 1);
    EXPECT_EQ(exit_status_for(256 + unrouted_exit_status), 1);
    EXPECT_EQ(exit_status_for(-256 + unrouted_exit_status), 1);
}

TEST(Errors, UsageTextStartsWithAnEmptyLineAndEndsWithTheCaseNote) {
    const std::string usage = usage_text();
    EXPECT_EQ(usage.rfind("\nusage:\n\n  Tarnwick [<switches>] fpcname[.ext] [[specctraname[.ext]]] [-- router arguments]\n", 0),
              0u);
    EXPECT_NE(usage.find("        -Un1[,n2] Boundry oUtline Poly select: n1 = pcb & signal [n2 = signal]\n"),
              std::string::npos);
    const std::string last = "    Switches are not case sensitive\n";
    EXPECT_EQ(usage.substr(usage.size() - last.size()), last);
}

TEST(Errors, ConsoleTextThatCouldNotBeWrittenIsAnError) {
    test::MemoryStream memory;
    std::fputs("listing\n", memory.out);
    check_written(memory.out, 70002, "error writing standard output");  // stored: no error
    EXPECT_EQ(memory.text(), "listing\n");

    int status = -1;
    Diagnostics none;
    EXPECT_EQ(printed(70002, "error writing standard output", none, &status),
              "\nError 70002: error writing standard output\n");  // plain form, no usage text
    EXPECT_NE(status, 0);

    // A full disk: buffered text that fails only at the flush, and an unbuffered stream whose
    // write failed long before the check (its error flag stays set).
    std::FILE* full = std::fopen("/dev/full", "w");
    if (full == nullptr) GTEST_SKIP() << "no /dev/full on this system";
    std::fputs("listing\n", full);
    FatalError lost = test::expect_fatal([&] { check_written(full, 70002, "error writing standard output"); });
    EXPECT_EQ(lost.code, 70002);
    EXPECT_EQ(lost.message, "error writing standard output");
    std::fclose(full);

    std::FILE* unbuffered = std::fopen("/dev/full", "w");
    ASSERT_NE(unbuffered, nullptr);
    std::setvbuf(unbuffered, nullptr, _IONBF, 0);  // as standard error is
    std::fputs("console\n", unbuffered);
    EXPECT_EQ(test::expect_fatal([&] { check_written(unbuffered, 70003, "error writing standard error"); }).code,
              70003);
    std::fclose(unbuffered);
}

TEST(Errors, StrformatFillsLongTexts) {
    const std::string name(500, 'n');
    EXPECT_EQ(strformat("Unable to open %s for input", name.c_str()), "Unable to open " + name + " for input");
    EXPECT_EQ(strformat("%s%u", "Pad", 125u), "Pad125");
}

}  // namespace
}  // namespace tarnwick
