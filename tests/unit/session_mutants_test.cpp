// The routed sets of the corpus with their sessions nudged as real sessions come: points moved by
// a unit or two, points dropped or doubled. Every such session either stops with a session error
// or gives a routed board that loads again and keeps every connection the router made.
// Skipped where the corpus is absent.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/errors.h"
#include "fpc/board_writer.h"
#include "fpc/load.h"
#include "session/back_annotation.h"
#include "test_support.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A line of two whole numbers: a point of a path.
bool is_point(const std::string& line, long& x, long& y) {
    char rest = 0;
    return std::sscanf(line.c_str(), " %ld %ld %c", &x, &y, &rest) == 2;
}

// `lines` with `count` changes at points of the network: a coordinate moved by one or two units,
// a point dropped, or a point doubled.
std::string mutated(std::vector<std::string> lines, std::mt19937& random, int count) {
    // The ends of paths, which meet other ends, most of the time; any point else.
    std::vector<std::size_t> points;
    std::vector<std::size_t> ends;
    long x = 0;
    long y = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!is_point(lines[i], x, y)) continue;
        points.push_back(i);
        if (i == 0 || i + 1 == lines.size() || !is_point(lines[i - 1], x, y) || !is_point(lines[i + 1], x, y)) {
            ends.push_back(i);
        }
    }
    for (int c = 0; c < count && !points.empty(); ++c) {
        const std::vector<std::size_t>& from = random() % 4 != 0 ? ends : points;
        std::string& line = lines[from[random() % from.size()]];
        is_point(line, x, y);
        const long by = static_cast<long>(random() % 4) - 2;
        switch (random() % 4) {
            case 0:
                line = "            " + std::to_string(x + (by == 0 ? 1 : by)) + " " + std::to_string(y);
                break;
            case 1:
                line = "            " + std::to_string(x) + " " + std::to_string(y + (by == 0 ? 1 : by));
                break;
            case 2:
                line.clear();  // dropped: an empty line is no record
                break;
            default:
                line += "\n" + line;
                break;
        }
    }
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

TEST(SessionMutants, NudgedSessionsStopOrComeBackWholeAndLoadAgain) {
    const fs::path routed = fs::path(TARNWICK_CORPUS) / "routed";
    if (!fs::is_directory(routed)) GTEST_SKIP() << "no corpus at " << routed;
    const fs::path folder = fs::temp_directory_path() / ("tarnwick_mutants_" + std::to_string(getpid()));
    fs::create_directories(folder);
    std::mt19937 random(20261209);
    int whole = 0;
    int stopped = 0;
    for (const fs::path& session_file : test::files_with_extension(routed, ".ses")) {
        const std::string name = session_file.stem().string();
        const std::vector<std::string> lines = lines_of(test::file_contents(session_file));
        fs::copy_file(routed / (name + ".fpc"), folder / "board.fpc", fs::copy_options::overwrite_existing);
        // A copy of the read-only corpus is read-only too: the next copy must replace it.
        fs::permissions(folder / "board.fpc", fs::perms::owner_write, fs::perm_options::add);
        const RunSettings settings = test::named_settings(folder / "board.fpc", folder / "board.ses", true);
        Diagnostics diagnostics;
        Board loaded;
        testing::internal::CaptureStderr();
        load_fpc_file(loaded, settings, diagnostics);
        testing::internal::GetCapturedStderr();
        for (int m = 0; m < 60; ++m) {
            const std::string text = mutated(lines, random, 1 + m % 6);
            SCOPED_TRACE(name + " mutant " + std::to_string(m));
            std::ofstream(folder / "board.ses", std::ios::binary) << text;
            Board board = loaded;
            testing::internal::CaptureStderr();
            try {
                const ConnectionCount count = back_annotate_file(board, settings, diagnostics).connections;
                write_routed_fpc_file(board, settings, diagnostics);
                testing::internal::GetCapturedStderr();
                EXPECT_EQ(count.kept, count.made);
                ++whole;
            } catch (const FatalError& error) {
                testing::internal::GetCapturedStderr();
                EXPECT_TRUE(error.code >= 30000 && error.code <= 39999) << error.code << " " << error.message;
                ++stopped;
                continue;
            }
            Board again;
            Diagnostics reload_diagnostics;
            testing::internal::CaptureStderr();
            try {
                load_fpc_file(again, test::named_settings(settings.routed_fpcname), reload_diagnostics);
            } catch (const FatalError& error) {
                ADD_FAILURE() << "the routed board does not load again: " << error.code << " " << error.message
                              << " at line " << reload_diagnostics.fpc_line;
            }
            testing::internal::GetCapturedStderr();
        }
    }
    fs::remove_all(folder);
    std::printf("%d mutants came back, %d stopped with a session error\n", whole, stopped);
    EXPECT_GT(whole, stopped);  // most nudges are of no consequence
}

}  // namespace
}  // namespace tarnwick
