#include "core/output_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <csignal>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/signals.h"
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
    void TearDown() override {
        // Windows deletes no read-only file.
        std::error_code ignored;
        for (const auto& entry : fs::directory_iterator(folder, ignored)) {
            if (!entry.is_symlink()) fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ignored);
        }
        fs::remove_all(folder);
    }

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

TEST_F(OutputFileTest, AFileOfManyBuffersMovedBeforeItsCommitArrivesWhole) {
    // Lines of every length, past the stream's buffer several times over, part of them written
    // after the file has been handed on.
    std::string expected;
    OutputFile first(target);
    ASSERT_TRUE(first.is_open());
    auto put = [&](std::FILE* stream, int from, int to) {
        for (int i = from; i < to; ++i) {
            const std::string line = std::to_string(i) + std::string(static_cast<std::size_t>(i % 300), 'x') + "\n";
            std::fputs(line.c_str(), stream);
            expected += line;
        }
    };
    put(first.stream(), 0, 10000);
    OutputFile file(std::move(first));
    put(file.stream(), 10000, 30000);
    ASSERT_GT(expected.size(), std::size_t{3} << 20);
    EXPECT_TRUE(file.commit());
    EXPECT_EQ(read(target), expected);
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
    if (!test::FileSizeLimit::supported) GTEST_SKIP() << "no file size limit on this system";
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

#ifndef _WIN32
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


TEST_F(OutputFileTest, ALinkToAFileNotYetThereCreatesItAndStays) {
    // Through a chain of links, relative ones as well: the last link's file is made.
    fs::create_directories(folder / "kept");
    fs::create_symlink("kept/next.dsn", target);
    fs::create_symlink("board.dsn", folder / "kept" / "next.dsn");
    OutputFile file(target);
    ASSERT_TRUE(file.is_open());
    std::fputs("new design\n", file.stream());
    ASSERT_TRUE(file.commit());
    EXPECT_TRUE(fs::is_symlink(target));
    EXPECT_TRUE(fs::is_symlink(folder / "kept" / "next.dsn"));
    EXPECT_EQ(read(folder / "kept" / "board.dsn"), "new design\n");
    EXPECT_EQ(read(target), "new design\n");

    // A link into a folder that does not exist cannot be written through, and stays as it was.
    const fs::path nowhere = folder / "nowhere.dsn";
    fs::create_symlink("missing/board.dsn", nowhere);
    EXPECT_FALSE(OutputFile(nowhere.string()).is_open());
    EXPECT_TRUE(fs::is_symlink(nowhere));
    EXPECT_EQ(fs::read_symlink(nowhere), "missing/board.dsn");
}

TEST_F(OutputFileTest, LinksThatLoopAreNotOpenedAndStay) {
    fs::create_symlink("other.dsn", target);
    fs::create_symlink("board.dsn", folder / "other.dsn");
    fs::create_symlink("self.dsn", folder / "self.dsn");
    for (const char* name : {"board.dsn", "self.dsn"}) {
        SCOPED_TRACE(name);
        OutputFile file((folder / name).string());
        EXPECT_FALSE(file.is_open());
        EXPECT_FALSE(file.commit());
    }
    EXPECT_EQ(entries(), (std::vector<std::string>{"board.dsn", "other.dsn", "self.dsn"}));
    EXPECT_EQ(fs::read_symlink(target), "other.dsn");
    EXPECT_EQ(fs::read_symlink(folder / "self.dsn"), "self.dsn");
}

// A child writes a file and is sent `signal_number` before it commits: how it ended.
int interrupted_child(const std::string& target, int signal_number, bool ignored_at_start) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        if (ignored_at_start) std::signal(signal_number, SIG_IGN);
        install_signal_handlers();
        OutputFile file(target);
        if (!file.is_open()) ::_exit(101);
        for (int i = 0; i < 10000; ++i) std::fprintf(file.stream(), "\n    (record %d)", i);
        std::fflush(file.stream());
        ::kill(::getpid(), signal_number);
        ::_exit(file.commit() ? 0 : 102);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

TEST_F(OutputFileTest, AnInterruptedRunRemovesItsTemporaryFileAndEndsByTheSignal) {
    write(target, "earlier design\n");
    for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal_number);
        const int status = interrupted_child(target, signal_number, false);
        ASSERT_TRUE(WIFSIGNALED(status)) << status;
        EXPECT_EQ(WTERMSIG(status), signal_number);
        EXPECT_EQ(entries(), std::vector<std::string>{"board.dsn"});
        EXPECT_EQ(read(target), "earlier design\n");
    }
    // A signal ignored when the program started (nohup, say) goes on being ignored.
    const int status = interrupted_child(target, SIGHUP, true);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(read(target).substr(0, 15), "\n    (record 0)");
    EXPECT_EQ(entries(), std::vector<std::string>{"board.dsn"});
}
#endif

TEST_F(OutputFileTest, ATargetThatCannotBeHadIsNotOpen) {
    EXPECT_FALSE(OutputFile((folder / "missing" / "board.dsn").string()).is_open());
    fs::create_directories(folder / "board.dsn");
    OutputFile folder_named_so(target);
    EXPECT_FALSE(folder_named_so.is_open());
    EXPECT_FALSE(folder_named_so.commit());
    EXPECT_EQ(entries(), std::vector<std::string>{"board.dsn"});
}

TEST_F(OutputFileTest, AFileWeMayNotWriteIsNotReplaced) {
#ifndef _WIN32
    if (::geteuid() == 0) GTEST_SKIP() << "root may write any file";
#endif
    write(target, "protected design\n");
    fs::permissions(target, fs::perms::owner_read);
    EXPECT_FALSE(OutputFile(target).is_open());
    EXPECT_EQ(read(target), "protected design\n");
    EXPECT_EQ(entries(), std::vector<std::string>{"board.dsn"});
}

#ifndef _WIN32
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
#endif

}  // namespace
}  // namespace tarnwick
