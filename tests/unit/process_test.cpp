// Running another program: every argument reaches it as it stands, its output comes as it is
// written, waits end on time, and ending it ends all it started. The program run is the tests'
// stand-in router.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "core/file_system.h"
#include "core/process.h"
#include "core/run_folder.h"
#include "test_support.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;
using test::file_contents;

const std::string stand_in = TARNWICK_STAND_IN;

class ProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("tarnwick_process_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string path(const char* name) const { return utf8_name(folder / native_path(name)); }

    // Reads all the program writes until it closes its output or `seconds` pass.
    static std::string read_all(ChildProcess& child, double seconds) {
        std::string text;
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (std::chrono::steady_clock::now() < end && child.read(text, 100) != ChildProcess::Output::closed) {
        }
        return text;
    }

    // Whether the file still grows: a program that beats into it is running.
    static bool still_beating(const std::string& beat) {
        const auto size = [&] { return file_contents(native_path(beat)).size(); };
        const std::size_t before = size();
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        return size() != before;
    }

    fs::path folder;
};

TEST(WindowsCommandLine, QuotesAsTheCRuntimeSplitsAgain) {
    EXPECT_EQ(windows_command_line({"C:\\Program Files\\java.exe", "-jar", "a b.jar"}),
              "\"C:\\Program Files\\java.exe\" -jar \"a b.jar\"");
    // Backslashes stand for themselves but before a quote, where they are doubled.
    EXPECT_EQ(windows_command_line({"p", "C:\\dir\\", "a\\b"}), "\"p\" C:\\dir\\ a\\b");
    EXPECT_EQ(windows_command_line({"p", "C:\\my dir\\"}), "\"p\" \"C:\\my dir\\\\\"");
    EXPECT_EQ(windows_command_line({"p", "say \"hi\""}), "\"p\" \"say \\\"hi\\\"\"");
    EXPECT_EQ(windows_command_line({"p", "a\\\"b"}), "\"p\" \"a\\\\\\\"b\"");
    // Empty, blank, tab and wildcard arguments are quoted: Java's launcher would expand a bare '*'.
    EXPECT_EQ(windows_command_line({"p", "", "\t", "*.dsn", "a?"}), "\"p\" \"\" \"\t\" \"*.dsn\" \"a?\"");
    // Everything a shell would act on passes as plain text.
    EXPECT_EQ(windows_command_line({"p", "a;b", "$(touch x)", "%PATH%", "&|<>^"}),
              "\"p\" a;b \"$(touch x)\" %PATH% &|<>^");
}

TEST_F(ProcessTest, EveryArgumentReachesTheProgramAsItStandsAndNothingElseRuns) {
    const std::vector<std::string> arguments = {"--stand_in.mode=fail",
                                                "--stand_in.args=arguments.txt",
                                                "with blank",
                                                "",
                                                "quote \" inside",
                                                "'single'",
                                                "semi;colon",
                                                "$(touch x)",
                                                "`touch y`",
                                                "back\\slash\\",
                                                "back\\\"quote",
                                                "*.dsn",
                                                "Плата №1",
                                                "%PATH%"};
    ChildProcess child;
    std::string error;
    ASSERT_TRUE(child.start(stand_in, arguments, folder.string(), error)) << error;
    read_all(child, 30);
    int status = -1;
    for (int i = 0; i < 300 && !child.ended(status); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(status, 3);
    // Written in the folder it was started in.
    std::string expected;
    for (const std::string& argument : arguments) expected += argument + "\n";
    EXPECT_EQ(file_contents(folder / "arguments.txt"), expected);
    EXPECT_FALSE(fs::exists(folder / "x"));
    EXPECT_FALSE(fs::exists(folder / "y"));
}

TEST_F(ProcessTest, OutputComesAsWrittenAndWaitsEndOnTime) {
    ChildProcess child;
    std::string error;
    ASSERT_TRUE(child.start(stand_in, {"--stand_in.mode=hang", "--stand_in.beat=" + path("beat")}, "", error)) << error;
    std::string text;
    const auto start = std::chrono::steady_clock::now();
    while (text.find('\n') == std::string::npos && std::chrono::steady_clock::now() - start < std::chrono::seconds(30)) {
        child.read(text, 100);
    }
    EXPECT_NE(text.find("Freerouting v9.8.7"), std::string::npos);
    // Nothing more comes: the wait ends after its time, not before and not much after.
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(child.read(text, 300), ChildProcess::Output::none);
    const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count();
    EXPECT_GE(waited, 0.25);
    EXPECT_LT(waited, 5.0);
    int status = 0;
    EXPECT_FALSE(child.ended(status));
    child.end(2000);
    EXPECT_TRUE(child.ended(status));
    EXPECT_EQ(read_all(child, 10), "");
    EXPECT_FALSE(still_beating(path("beat")));
}

TEST_F(ProcessTest, EndingTheProgramEndsWhatItStarted) {
    for (const bool by_end : {true, false}) {
        SCOPED_TRACE(by_end ? "ended" : "destroyed");
        const std::string beat = path(by_end ? "beat_end" : "beat_destroyed");
        {
            ChildProcess child;
            std::string error;
            ASSERT_TRUE(child.start(stand_in, {"--stand_in.mode=hang", "--stand_in.spawn", "--stand_in.beat=" + beat},
                                    "", error))
                << error;
            // The copy it started beats too; the two are seen running.
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            ASSERT_TRUE(still_beating(beat));
            if (by_end) child.end(2000);
        }
        EXPECT_FALSE(still_beating(beat));
    }
}

TEST_F(ProcessTest, AProgramThatEndsLeavesNothingOfItsGroupRunning) {
    // The router exits, a program it started stays: the pipe closes only once that one is ended too.
    ChildProcess child;
    std::string error;
    ASSERT_TRUE(child.start(stand_in, {"--stand_in.mode=fail", "--stand_in.spawn", "--stand_in.beat=" + path("beat")},
                            "", error))
        << error;
    int status = -1;
    for (int i = 0; i < 3000 && !child.ended(status); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(status, 3);
    read_all(child, 10);
    EXPECT_EQ(child.read(error, 10), ChildProcess::Output::closed);
    EXPECT_FALSE(still_beating(path("beat")));
}

TEST_F(ProcessTest, AProgramThatCannotStartSaysWhy) {
    ChildProcess child;
    std::string error;
    EXPECT_FALSE(child.start(path("no such program"), {}, "", error));
    EXPECT_FALSE(error.empty());
#ifndef _WIN32
    // A file that is no program.
    std::ofstream(folder / "not_a_program", std::ios::binary) << "text\n";
    error.clear();
    EXPECT_FALSE(child.start(path("not_a_program"), {}, "", error));
    EXPECT_FALSE(error.empty());
#endif
}

TEST_F(ProcessTest, ARunFolderIsNewAndGoesWithAllItHolds) {
    std::string made;
    {
        const RunFolder first("tarnwick-test-");
        const RunFolder second("tarnwick-test-");
        ASSERT_FALSE(first.path().empty());
        ASSERT_NE(first.path(), second.path());
        made = first.path();
        fs::create_directories(native_path(made) / "settings" / "deeper");
        std::ofstream(native_path(made) / "settings" / "deeper" / "file") << "x";
        std::ofstream(native_path(made) / "board.dsn") << "x";
    }
    EXPECT_FALSE(fs::exists(native_path(made)));
}

TEST(ProgramPlace, TheExecutablesFolderHoldsTheTests) {
    const std::string folder = executable_folder();
    ASSERT_FALSE(folder.empty());
#ifdef _WIN32
    EXPECT_TRUE(fs::exists(native_path(folder) / "unit_tests.exe"));
#else
    EXPECT_TRUE(fs::exists(native_path(folder) / "unit_tests"));
#endif
}

}  // namespace
}  // namespace tarnwick
