// A real board cut short anywhere loads whole or stops with a board-file error that names a
// line of what is left, never a crash, a hang or a line beyond the end.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "core/errors.h"
#include "fpc/load.h"
#include "test_support.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

// Where each physical line ends (just after its line feed, or at the end of the file).
std::vector<std::size_t> line_ends(const std::vector<char>& text) {
    std::vector<std::size_t> ends;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') ends.push_back(i + 1);
    }
    if (!text.empty() && text.back() != '\n') ends.push_back(text.size());
    return ends;
}

// What a line is to the readers: a section header, a record key, or blank.
std::string kind_of(const char* begin, const char* end) {
    while (begin < end && (*begin == ' ' || *begin == '\t')) ++begin;
    const char* stop = begin;
    while (stop < end && *stop != ':' && *stop != ']' && *stop != '\r' && *stop != '\n' && *stop != ' ' &&
           stop - begin < 40) {
        ++stop;
    }
    return stop == begin ? std::string("blank") : std::string(begin, stop);
}

// The lines after which to cut a board of `ends.size()` lines. Where a board is cut decides what
// the readers meet: the section it is cut in, the kind of the last line kept and of the first
// line lost. Every such combination is cut at its first three places, and a board of up to 1000
// lines after every line, which keeps the run fast enough for the sanitizer build;
// TARNWICK_EVERY_TRUNCATION=1 cuts every board after every line.
std::vector<std::size_t> cut_points(const std::vector<char>& text, const std::vector<std::size_t>& ends) {
    const std::size_t lines = ends.size();
    std::vector<std::size_t> cuts;
    if (std::getenv("TARNWICK_EVERY_TRUNCATION") != nullptr || lines <= 1000) {
        for (std::size_t k = 0; k <= lines; ++k) cuts.push_back(k);
        return cuts;
    }
    std::vector<std::string> kinds(lines);
    for (std::size_t i = 0; i < lines; ++i) {
        const std::size_t begin = i == 0 ? 0 : ends[i - 1];
        kinds[i] = kind_of(text.data() + begin, text.data() + ends[i]);
    }
    std::map<std::tuple<std::string, std::string, std::string>, int> seen;
    std::string section = "start";
    for (std::size_t k = 0; k <= lines; ++k) {
        const std::string kept = k == 0 ? "start" : kinds[k - 1];
        if (!kept.empty() && kept[0] == '[') section = kept;
        const std::string lost = k == lines ? "end" : kinds[k];
        if (++seen[{section, kept, lost}] <= 3) cuts.push_back(k);
    }
    return cuts;
}

// Cuts each board where cut_points says and loads what is left; returns the number of cuts.
std::size_t check_cuts(const std::vector<fs::path>& boards) {
    testing::internal::CaptureStderr();  // the loader's console lines, many thousands of them
    std::size_t cuts_made = 0;
    for (const fs::path& path : boards) {
        std::ifstream in(path, std::ios::binary);
        const std::vector<char> text((std::istreambuf_iterator<char>(in)), {});
        const std::vector<std::size_t> ends = line_ends(text);
        for (const std::size_t kept : cut_points(text, ends)) {
            const std::size_t size = kept == 0 ? 0 : ends[kept - 1];
            Board board;
            RunSettings settings;
            settings.fpcname = path.filename().string();
            Diagnostics diagnostics;
            ++cuts_made;
            try {
                load_fpc_contents(board, settings, diagnostics, std::vector<char>(text.begin(), text.begin() + size));
            } catch (const FatalError& error) {
                const std::string where = path.filename().string() + " cut after line " + std::to_string(kept) + ": " +
                                          std::to_string(error.code) + " " + error.message;
                EXPECT_TRUE(error.code >= 10000 && error.code <= 19999) << where;
                EXPECT_LE(diagnostics.fpc_line, kept) << where;
                EXPECT_EQ(diagnostics.fpc_name, path.filename().string()) << where;
            }
        }
    }
    testing::internal::GetCapturedStderr();
    return cuts_made;
}

TEST(Truncation, OurOwnBoardsCutAfterEveryLine) {
    const fs::path data(TARNWICK_TEST_DATA);
    const std::vector<fs::path> boards = {data / "sensor_board.fpc", data.parent_path().parent_path() / "examples" / "blinker.fpc"};
    for (const fs::path& board : boards) ASSERT_TRUE(fs::exists(board)) << board;
    EXPECT_EQ(check_cuts(boards), 337u + 1 + 424 + 1);  // every line, and nothing kept
}

TEST(Truncation, EveryCorpusBoardCutWhereverItMatters) {
    const fs::path corpus = fs::path(TARNWICK_CORPUS) / "fpc";
    if (!fs::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
    const std::vector<fs::path> boards = test::files_with_extension(corpus, ".fpc");
    ASSERT_FALSE(boards.empty());
    const std::size_t cuts = check_cuts(boards);
    std::cout << "[          ] " << cuts << " cuts of " << boards.size() << " boards\n";
}

}  // namespace
}  // namespace tarnwick
