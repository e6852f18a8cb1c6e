// Every corpus board gives the outputs recorded for it: the design file (plain and with -F3), the
// -I report and the -I -V listing, the picture of --svg -I, and for the routed pairs the -B routed
// board, the -B -V report and the picture of --svg -B, with the console and the exit status of
// each run. The recorded hashes
// (tests/data/corpus_outputs.tsv) pin the program's behaviour on real files byte for byte, so
// that work on its speed cannot change what it writes; a change meant to alter an output
// updates its row, which the failure message gives.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "driver/run.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

std::string fnv1a64(const std::string& bytes) {
    std::uint64_t hash = 0xCBF29CE484222325ULL;
    for (const char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ULL;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

std::string file_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The console with its one varying line, the elapsed time, masked.
std::string masked(const std::string& console) {
    std::istringstream lines(console);
    std::string out;
    std::string line;
    while (std::getline(lines, line)) {
        unsigned whole = 0;
        unsigned thousandths = 0;
        char tail[8] = {};
        if (std::sscanf(line.c_str(), "Elapsed time: %u.%3u %7s", &whole, &thousandths, tail) == 3 &&
            std::string(tail) == "Sec" && line.size() == std::string("Elapsed time: ").size() +
                                                             std::to_string(whole).size() + 4 + std::string(" Sec").size()) {
            line = "Elapsed time: <masked> Sec";
        }
        out += line;
        if (!lines.eof()) out += '\n';
    }
    return out;
}

struct Recorded {
    std::string board;  // "fpc/<name>" or "routed/<name>"
    std::string switches;
    std::string status;
    std::string out;
    std::string console;
    std::string written;
};

std::vector<Recorded> recorded_outputs() {
    std::ifstream in(fs::path(TARNWICK_TEST_DATA) / "corpus_outputs.tsv");
    std::vector<Recorded> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        Recorded row;
        std::getline(fields, row.board, '\t');
        std::getline(fields, row.switches, '\t');
        std::getline(fields, row.status, '\t');
        std::getline(fields, row.out, '\t');
        std::getline(fields, row.console, '\t');
        std::getline(fields, row.written, '\t');
        rows.push_back(row);
    }
    return rows;
}

// One run of the program in a folder of its own holding the board (and its session), as a user
// runs it: the row it gives.
Recorded run_on(const Recorded& row, const fs::path& corpus, const fs::path& folder) {
    const fs::path board = corpus / (row.board + ".fpc");
    const std::string name = board.stem().string();
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::copy_file(board, folder / board.filename());
    fs::path session = board;
    session.replace_extension(".ses");
    if (fs::exists(session)) fs::copy_file(session, folder / session.filename());
    // Copies of a read-only corpus are read-only too, and Windows would not delete them.
    for (const auto& entry : fs::directory_iterator(folder)) {
        fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add);
    }

    std::vector<std::string> args{"tarnwick"};
    std::istringstream words(row.switches == "export" ? "" : row.switches);
    for (std::string word; words >> word;) args.push_back(word);
    args.push_back(name + ".fpc");
    std::vector<const char*> argv;
    for (const std::string& arg : args) argv.push_back(arg.c_str());

    const fs::path here = fs::current_path();
    fs::current_path(folder);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = run(static_cast<int>(argv.size()), argv.data());
    std::fflush(stdout);
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string console = testing::internal::GetCapturedStderr();
    fs::current_path(here);

    Recorded result = row;
    result.status = std::to_string(status);
    result.out = fnv1a64(out);
    result.console = fnv1a64(masked(console));
    // The file the run writes: the design file, the routed board, or with --svg the picture.
    bool routed = false;
    bool picture = false;
    std::istringstream switches(row.switches);
    for (std::string word; switches >> word;) {
        routed = routed || word == "-B";
        picture = picture || word == "--svg";
    }
    const fs::path written =
        folder / (picture ? name + (routed ? "_routed.svg" : ".svg") : routed ? name + "_routed.fpc" : name + ".dsn");
    result.written = fs::exists(written) ? fnv1a64(file_bytes(written)) : "-";
    return result;
}

TEST(CorpusOutputs, EveryBoardWritesAndSaysWhatWasRecorded) {
    const fs::path corpus(TARNWICK_CORPUS);
    if (!fs::is_directory(corpus / "fpc") || !fs::is_directory(corpus / "routed")) {
        GTEST_SKIP() << "no corpus at " << corpus;
    }
    const std::vector<Recorded> rows = recorded_outputs();
    ASSERT_GE(rows.size(), 100u);
    const fs::path folder = fs::temp_directory_path() / ("tarnwick_corpus_outputs_" + std::to_string(getpid()));
    for (const Recorded& row : rows) {
        SCOPED_TRACE(row.board + " " + row.switches);
        if (!fs::exists(corpus / (row.board + ".fpc"))) {
            ADD_FAILURE() << "the corpus lacks " << row.board;
            continue;
        }
        const Recorded now = run_on(row, corpus, folder);
        EXPECT_TRUE(now.status == row.status && now.out == row.out && now.console == row.console &&
                    now.written == row.written)
            << "now: " << now.board << '\t' << now.switches << '\t' << now.status << '\t' << now.out << '\t'
            << now.console << '\t' << now.written;
    }
    fs::remove_all(folder);
}

TEST(CorpusOutputs, TheElapsedTimeIsTheOnlyLineMasked) {
    EXPECT_EQ(masked("a\n\nElapsed time: 12.345 Sec\n\n"), "a\n\nElapsed time: <masked> Sec\n\n");
    EXPECT_EQ(masked("Elapsed time: 1.2345 Sec\n"), "Elapsed time: 1.2345 Sec\n");
    EXPECT_EQ(masked("x Elapsed time: 1.234 Sec"), "x Elapsed time: 1.234 Sec");
    EXPECT_EQ(fnv1a64(""), "cbf29ce484222325");
    EXPECT_EQ(fnv1a64("a"), "af63dc4c8601ec8c");
}

}  // namespace
}  // namespace tarnwick
