// The real router loads every design this program writes, for the real boards of the corpus and
// for the test boards of its own, without a complaint, and keeps the boards' copper: no
// connection is left incomplete at load that was not before.
//
// Each load starts Java (seconds per board), so these tests have an executable of their own. They
// skip themselves without Java or the router, and when TARNWICK_SKIP_ROUTER is set (the sanitizer
// build sets it: the router is not our code, and the plain build already runs it).

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/errors.h"
#include "dsn/design_file.h"
#include "fpc/load.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

// Connections incomplete when the router loaded each corpus board's design before every board
// outline was inside the boundary rectangle, each via written once and each open footprint line
// split into its sides. None may be worse now.
const std::map<std::string, long> incomplete_before = {
    {"cbernardo_nl_r3", 2},
    {"fpcutil_DPGd1-0y", 1},
    {"fpcutil_Temp-3.55", 103},
    {"jpt_FUI_Remote_3xAAA", 5},
    {"jpt_IOExtend", 1188},  // a panel of 17 boards: the router dropped the wires outside outline 1
    {"jpt_LED_Driver", 2},
    {"ppmscope_DSOscope_AnalogBrd_A03_20130201", 0},
    {"ppmscope_DSOscope_CPUBrd_A01", 0},
    {"ppmscope_DSOscope_USBBrd_A01", 0},
    {"ppmscope_USBToSerial", 0},
};

// Panels and boards of several outlines with copper beyond the first: most of their connections
// were incomplete before; at most a fifth of those may be now.
const std::set<std::string> copper_beyond_the_first_outline = {"jpt_IOExtend"};

// Boards whose own outline crosses itself: the router's complaints about it are the board's, and
// these must be among them, so that the exception cannot outlive its reason.
const std::map<std::string, std::vector<std::string>> self_crossing_outline = {
    {"design_self_crossing_outline",
     {"PolygonShape.DivisionPoint: projection not found",
      "Polygon.winding_number_after_closing: winding number != 0 expected"}},
};

std::string skip_reason(const fs::path& router) {
    if (const char* skip = std::getenv("TARNWICK_SKIP_ROUTER"); skip != nullptr && *skip != '\0') {
        return "TARNWICK_SKIP_ROUTER is set";
    }
    if (!fs::exists(router / "run.sh")) return "no router at " + router.string();
    if (std::system("command -v java >/dev/null 2>&1") != 0) return "no java on the PATH";
    return "";
}

std::string quoted(const fs::path& path) {
    std::string text = "'";
    for (char c : path.string()) text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return text + "'";
}

std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

struct RouterLoad {
    int status = -1;
    bool session_written = false;
    std::vector<std::string> complaints;  // the " WARN " and " ERROR " lines, timestamp dropped
    long incomplete = -1;                 // connections.incomplete_count of the statistics
    long connections = -1;                // connections.maximum_count
};

long statistic(const std::string& log, const std::string& key) {
    const std::size_t at = log.find("\"" + key + "\":");
    if (at == std::string::npos) return -1;
    return std::strtol(log.c_str() + at + key.size() + 3, nullptr, 10);
}

// Loads the design without routing; the router writes its session file and statistics all the same.
RouterLoad load_in_router(const fs::path& router, const fs::path& design) {
    const fs::path session = fs::path(design).replace_extension(".ses");
    const fs::path log = fs::path(design).replace_extension(".log");
    const std::string command = "FR_TIMEOUT=180 " + quoted(router / "run.sh") + " " + quoted(design) + " " +
                                quoted(session) + " --router.enabled=false >" + quoted(log) + " 2>&1";
    RouterLoad load;
    const int status = std::system(command.c_str());
    load.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    load.session_written = fs::exists(session) && fs::file_size(session) > 0;
    const std::string text = contents(log);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        const std::size_t level = std::min(line.find(" WARN "), line.find(" ERROR "));
        if (level != std::string::npos) load.complaints.push_back(line.substr(level + 1));
        start = end + 1;
    }
    load.incomplete = statistic(text, "incomplete_count");
    load.connections = statistic(text, "maximum_count");
    return load;
}

// Checks one design's load and reports its statistics on standard output.
RouterLoad expect_clean_load(const fs::path& router, const fs::path& design, const std::string& name) {
    SCOPED_TRACE(name);
    const RouterLoad load = load_in_router(router, design);
    EXPECT_EQ(load.status, 0);
    EXPECT_TRUE(load.session_written);
    EXPECT_GE(load.incomplete, 0) << "no statistics in the router's log";

    const auto crossing = self_crossing_outline.find(name);
    std::set<std::string> excused;
    for (const std::string& complaint : load.complaints) {
        bool board_s_own = false;
        if (crossing != self_crossing_outline.end()) {
            for (const std::string& known : crossing->second) {
                if (complaint.find(known) != std::string::npos) {
                    board_s_own = true;
                    excused.insert(known);
                }
            }
        }
        EXPECT_TRUE(board_s_own) << complaint;
    }
    if (crossing != self_crossing_outline.end()) {
        EXPECT_EQ(excused.count(crossing->second.front()), 1u);
    }

    const auto before = incomplete_before.find(name);
    if (before != incomplete_before.end()) {
        EXPECT_LE(load.incomplete, before->second);
        if (copper_beyond_the_first_outline.count(name) != 0) {
            EXPECT_LE(load.incomplete * 5, before->second);
        }
    }
    std::cout << name << ": " << load.incomplete << " of " << load.connections << " connections incomplete";
    if (before != incomplete_before.end()) std::cout << " (before: " << before->second << ")";
    std::cout << ", " << load.complaints.size() << " complaints\n";
    return load;
}

struct Scratch {
    fs::path folder = fs::temp_directory_path() / ("tarnwick_router_load_" + std::to_string(getpid()));
    Scratch() {
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    ~Scratch() { fs::remove_all(folder); }
};

// Exports a board into the scratch folder; false when the board does not load or export.
bool export_board(const fs::path& board_file, const fs::path& design) {
    Board board;
    RunSettings settings;
    settings.fpcname = board_file.string();
    settings.specctraname = design.string();
    Diagnostics diagnostics;
    testing::internal::CaptureStderr();
    bool exported = false;
    try {
        load_fpc_file(board, settings, diagnostics);
        exported = write_design_file(board, settings) == 0;
    } catch (const FatalError&) {
        // The loader's and the exporter's own tests say which boards stop, and why.
    }
    testing::internal::GetCapturedStderr();
    return exported;
}

TEST(RouterLoad, EveryCorpusBoardThatExportsLoadsCleanlyWithAllItsCopper) {
    const fs::path router = TARNWICK_ROUTER;
    const std::string reason = skip_reason(router);
    if (!reason.empty()) GTEST_SKIP() << reason;
    const fs::path corpus = fs::path(TARNWICK_CORPUS) / "fpc";
    if (!fs::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;

    std::vector<fs::path> boards;
    for (const auto& entry : fs::directory_iterator(corpus)) {
        if (entry.path().extension() == ".fpc") boards.push_back(entry.path());
    }
    std::sort(boards.begin(), boards.end());
    Scratch scratch;
    std::set<std::string> loaded;
    for (const fs::path& board : boards) {
        const std::string name = board.stem().string();
        const fs::path design = scratch.folder / (name + ".dsn");
        if (!export_board(board, design)) continue;
        expect_clean_load(router, design, name);
        loaded.insert(name);
    }
    // Every board measured before still exports and loads.
    for (const auto& [name, count] : incomplete_before) EXPECT_EQ(loaded.count(name), 1u) << name;
}

TEST(RouterLoad, EveryTestBoardLoadsCleanly) {
    const fs::path router = TARNWICK_ROUTER;
    const std::string reason = skip_reason(router);
    if (!reason.empty()) GTEST_SKIP() << reason;

    Scratch scratch;
    int loaded = 0;
    // The design files the end-to-end cases expect of a complete run.
    const fs::path cases = fs::path(TARNWICK_TEST_DATA).parent_path() / "cases";
    std::vector<fs::path> case_folders;
    for (const auto& entry : fs::directory_iterator(cases)) case_folders.push_back(entry.path());
    std::sort(case_folders.begin(), case_folders.end());
    for (const fs::path& folder : case_folders) {
        if (contents(folder / "status") != "0\n" || !fs::is_directory(folder / "out")) continue;
        for (const auto& written : fs::directory_iterator(folder / "out")) {
            const std::string text = contents(written.path());
            if (text.rfind("(PCB ", 0) != 0) continue;
            const fs::path design = scratch.folder / (folder.filename().string() + ".dsn");
            fs::copy_file(written.path(), design);
            expect_clean_load(router, design, folder.filename().string());
            ++loaded;
        }
    }
    // The boards of the unit tests, exported here.
    for (const auto& entry : fs::directory_iterator(TARNWICK_TEST_DATA)) {
        if (entry.path().extension() != ".fpc") continue;
        const fs::path design = scratch.folder / (entry.path().stem().string() + ".dsn");
        ASSERT_TRUE(export_board(entry.path(), design)) << entry.path();
        expect_clean_load(router, design, entry.path().stem().string());
        ++loaded;
    }
    EXPECT_GE(loaded, 12);
}

}  // namespace
}  // namespace tarnwick
