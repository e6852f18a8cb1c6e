#include "core/output_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

class OutputFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("tarnwick_output_" + std::to_string(::getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        target = (folder / "board.dsn").string();
    }
    void TearDown() override { fs::remove_all(folder); }

    static std::string read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void write(const fs::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    // The names of the folder's entries, sorted.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path folder;
    std::string target;
};

TEST_F(OutputFileTest, NothingReachesTheTargetBeforeTheCommit) {
    write(target, "earlier design\n");
    {
        OutputFile file(target);
        ASSERT_TRUE(file.is_open());
        std::fputs("new design\n", file.stream());
        std::fflush(file.stream());
        EXPECT_EQ(read(target), "earlier design\n");
        EXPECT_EQ(entries().size(), 2u);  // the target and the temporary file beside it
        EXPECT_TRUE(file.commit());
        EXPECT_FALSE(file.is_open());
    }
    EXPECT_EQ(read(target), "new design\n");
    EXPECT_EQ(entries(), std::vector<std::string>{"board.dsn"});
}

TEST_F(OutputFileTest, AFileNotCommittedLeavesNothingAndKeepsAnEarlierOne) {
    {
        OutputFile file(target);
        ASSERT_TRUE(file.is_open());
        std::fputs("half a design", file.stream());
    }
    EXPECT_TRUE(entries().empty());

    write(target, "earlier design\n");
    {
        OutputFile file(target);
        std::fputs("half a design", file.stream());
    }
    EXPECT_EQ(read(target), "earlier design\n");
    EXPECT_EQ(entries(), std::vector<std::string>{"board.dsn"});
}

TEST_F(OutputFileTest, AWriteErrorIsReportedAndLeavesTheEarlierFile) {
    write(target, "earlier design\n");
    {
        OutputFile file(target);
        ASSERT_TRUE(file.is_open());
        test::FileSizeLimit limit(4096);
        for (int i = 0; i < 1000; ++i) std::fprintf(file.stream(), "\n    (record %d)", i);
        EXPECT_FALSE(file.commit());
    }
    EXPECT_EQ(read(target), "earlier design\n");
    EXPECT_EQ(entries(), std::vector<std::string>{"board.dsn"});
}

TEST_F(OutputFileTest, TemporaryNamesNeverMeetAnotherFile) {
    // Two files for one target at once: each writes its own temporary file.
    OutputFile first(target);
    OutputFile second(target);
    ASSERT_TRUE(first.is_open());
    ASSERT_TRUE(second.is_open());
    std::fputs("first\n", first.stream());
    std::fputs("second\n", second.stream());
    EXPECT_EQ(entries().size(), 2u);
    EXPECT_TRUE(first.commit());
    EXPECT_EQ(read(target), "first\n");
    EXPECT_TRUE(second.commit());
    EXPECT_EQ(read(target), "second\n");
    EXPECT_EQ(entries(), std::vector<std::string>{"board.dsn"});
}

TEST_F(OutputFileTest, ReplacedFileKeepsItsPermissionsAndANewOneGetsTheUsualOnes) {
    write(target, "earlier design\n");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    OutputFile replacing(target);
    ASSERT_TRUE(replacing.is_open());
    ASSERT_TRUE(replacing.commit());
    EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    const std::string fresh = (folder / "fresh.dsn").string();
    const mode_t mask = ::umask(0);
    ::umask(mask);
    OutputFile creating(fresh);
    ASSERT_TRUE(creating.commit());
    EXPECT_EQ(static_cast<mode_t>(fs::status(fresh).permissions()), 0666 & ~mask);
}

TEST_F(OutputFileTest, ALinkStaysAndTheFileItNamesIsReplaced) {
    fs::create_directories(folder / "kept");
    write(folder / "kept" / "board.dsn", "earlier design\n");
    fs::create_symlink(folder / "kept" / "board.dsn", target);
    OutputFile file(target);
    ASSERT_TRUE(file.is_open());
    std::fputs("new design\n", file.stream());
    ASSERT_TRUE(file.commit());
    EXPECT_TRUE(fs::is_symlink(target));
    EXPECT_EQ(read(folder / "kept" / "board.dsn"), "new design\n");
}

TEST_F(OutputFileTest, ATargetThatCannotBeHadIsNotOpen) {
    EXPECT_FALSE(OutputFile((folder / "missing" / "board.dsn").string()).is_open());
    fs::create_directories(folder / "board.dsn");
    OutputFile folder_named_so(target);
    EXPECT_FALSE(folder_named_so.is_open());
    EXPECT_FALSE(folder_named_so.commit());
    EXPECT_EQ(entries(), std::vector<std::string>{"board.dsn"});
}

TEST_F(OutputFileTest, AFileWeMayNotWriteIsNotReplaced) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may write any file";
    write(target, "protected design\n");
    fs::permissions(target, fs::perms::owner_read);
    EXPECT_FALSE(OutputFile(target).is_open());
    EXPECT_EQ(read(target), "protected design\n");
    EXPECT_EQ(entries(), std::vector<std::string>{"board.dsn"});
}

TEST_F(OutputFileTest, ADeviceIsWrittenInPlace) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full to fill";
    // Through a link as well: the device is written, never replaced.
    fs::create_symlink("/dev/full", target);
    OutputFile file(target);
    ASSERT_TRUE(file.is_open());
    for (int i = 0; i < 10000; ++i) std::fprintf(file.stream(), "\n    (record %d)", i);
    EXPECT_FALSE(file.commit());
    EXPECT_TRUE(fs::is_symlink(target));
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
    EXPECT_EQ(entries(), std::vector<std::string>{"board.dsn"});
}

}  // namespace
}  // namespace tarnwick
