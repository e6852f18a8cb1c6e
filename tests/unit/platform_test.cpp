// The platform layer: names in any script and with either separator reach the file system as
// they are, and a whole run on a board in such a folder writes the bytes it writes anywhere.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/file_names.h"
#include "core/file_system.h"
#include "core/program_start.h"
#include "driver/run.h"
#include "test_support.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

// The tests' streams are binary, as main makes the program's.
const bool binary_streams = (use_binary_streams(), true);

std::string bytes_of(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(binary_streams);
        root = fs::temp_directory_path() / ("tarnwick_platform_" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root);
    }
    void TearDown() override { fs::remove_all(root); }

    fs::path root;
};

TEST(FileNames, WindowsPathsCompleteInTheirLastComponent) {
    // A dotted folder holds no extension, with either separator and after a drive letter.
    EXPECT_EQ(with_default_extension("C:\\boards\\v1.2\\board", ".fpc"), "C:\\boards\\v1.2\\board.fpc");
    EXPECT_EQ(with_default_extension("C:boards.v1\\board", ".fpc"), "C:boards.v1\\board.fpc");
    EXPECT_EQ(with_default_extension("C:\\boards\\v1.2/board.old", ".fpc"), "C:\\boards\\v1.2/board.old");
    EXPECT_EQ(without_extension("C:\\boards\\v1.2\\board.fpc"), "C:\\boards\\v1.2\\board");
    EXPECT_EQ(without_extension("C:\\boards\\v1.2\\board"), "C:\\boards\\v1.2\\board");
    const RunSettings back = test::named_settings("C:\\boards\\v1.2\\board", std::nullopt, true);
    EXPECT_EQ(back.fpcname, "C:\\boards\\v1.2\\board.fpc");
    EXPECT_EQ(back.routed_fpcname, "C:\\boards\\v1.2\\board_routed.fpc");
    EXPECT_EQ(back.specctraname, "C:\\boards\\v1.2\\board.ses");
    EXPECT_EQ(test::named_settings("C:\\boards\\v1.2\\board").specctraname, "C:\\boards\\v1.2\\board.dsn");
    EXPECT_EQ(test::named_settings("b.fpc", "\\\\server\\share.d\\Плата").specctraname, "\\\\server\\share.d\\Плата.dsn");
}

TEST_F(PlatformTest, NamesInAnyScriptAreOpenedSizedAndSpelledAsTheyAre) {
    const std::string folder = utf8_name(root) + "/Платы v1.2";
    fs::create_directories(native_path(folder));
    const std::string name = folder + "/Плата.fpc";
    std::FILE* out = open_file(name, "wb");
    ASSERT_NE(out, nullptr);
    std::fputs("line one\nline two\n", out);
    std::fclose(out);

    EXPECT_TRUE(fs::is_regular_file(native_path(name)));
    EXPECT_EQ(utf8_name(native_path(name)), name);
    EXPECT_EQ(utf8_name(native_path(folder).filename()), "Платы v1.2");
    std::FILE* in = open_file(name, "rb");
    ASSERT_NE(in, nullptr);
    std::uint64_t size = 0;
    EXPECT_TRUE(regular_file_size(in, size));
    EXPECT_EQ(size, 18u);  // line ends as written, LF alone
    std::fclose(in);
    EXPECT_TRUE(same_file(name, folder + "/./Плата.fpc"));
    EXPECT_FALSE(same_file(name, folder + "/Плата.dsn"));
    EXPECT_EQ(open_file(folder + "/Плата.dsn", "rb"), nullptr);
}

// A run as a user starts it: the arguments, the console it writes and its status.
struct RunResult {
    int status;
    std::string console;
};

RunResult run_with(const std::vector<std::string>& args) {
    std::vector<const char*> argv;
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    const int status = run(static_cast<int>(argv.size()), argv.data());
    std::fflush(nullptr);
    testing::internal::GetCapturedStdout();
    return {status, testing::internal::GetCapturedStderr()};
}

TEST_F(PlatformTest, ABoardInAFolderOfAnyNameGivesTheFilesItGivesAnywhere) {
    // The system's own spelling: on Windows a drive letter and backslashes.
    fs::path folder = root / "boards" / "v1.2" / fs::path(native_path("Платы"));
    folder.make_preferred();
    fs::create_directories(folder);
    const fs::path examples(TARNWICK_EXAMPLES);
    fs::copy_file(examples / "blinker.fpc", folder / native_path("Плата.fpc"));
    fs::copy_file(examples / "blinker.ses", folder / native_path("Плата.ses"));
    const std::string board = utf8_name(folder / native_path("Плата"));

    const RunResult exported = run_with({"tarnwick", board});
    EXPECT_EQ(exported.status, 0) << exported.console;
    EXPECT_NE(exported.console.find("  File \"" + board + ".dsn\" created.\n"), std::string::npos) << exported.console;
    const fs::path cases = fs::path(TARNWICK_TEST_DATA).parent_path() / "cases";
    EXPECT_EQ(bytes_of(native_path(board + ".dsn")), bytes_of(cases / "design_example_board" / "out" / "blinker.dsn"));

    const RunResult routed = run_with({"tarnwick", "-B", board});
    EXPECT_EQ(routed.status, 0) << routed.console;
    EXPECT_NE(routed.console.find("    File \"" + board + "_routed.fpc\" created,\n"), std::string::npos)
        << routed.console;
    EXPECT_EQ(bytes_of(native_path(board + "_routed.fpc")),
              bytes_of(cases / "back_annotation_example" / "out" / "blinker_routed.fpc"));

    // Written again over what is there: replaced whole, and nothing else left in the folder.
    const RunResult again = run_with({"tarnwick", board});
    EXPECT_EQ(again.status, 0) << again.console;
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(utf8_name(entry.path().filename()));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Плата.dsn", "Плата.fpc", "Плата.ses", "Плата_routed.fpc"}));
}

}  // namespace
}  // namespace tarnwick
