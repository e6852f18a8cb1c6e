// The real router loads every design this program writes, for the real boards of the corpus and
// for the test boards of its own, without a complaint, and keeps the boards' copper: no
// connection is left incomplete at load that was not before.
//
// Each load starts Java (seconds per board), so these tests have an executable of their own. They
// skip themselves without Java or the router, and when TARNWICK_SKIP_ROUTER is set (the sanitizer
// build sets it: the router is not our code, and the plain build already runs it).

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/errors.h"
#include "dsn/design_file.h"
#include "fpc/load.h"
#include "router_support.h"
#include "test_support.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

// Connections incomplete when the router loads each corpus board's design; none may be worse.
// Before every board outline was inside the boundary rectangle, each via written once, each
// open footprint line split into its sides, trace ends written on the router's pin centres and
// wires ended at the vias and branches they pass, these were 2, 1, 103, 5, 1188, 2, 0, 0, 0, 0.
const std::map<std::string, long> incomplete_before = {
    {"cbernardo_nl_r3", 2},
    {"fpcutil_DPGd1-0y", 0},
    {"fpcutil_Temp-3.55", 17},
    {"jpt_FUI_Remote_3xAAA", 0},
    {"jpt_IOExtend", 0},  // a panel of 17 boards: the router dropped the wires outside outline 1
    {"jpt_LED_Driver", 0},
    {"ppmscope_DSOscope_AnalogBrd_A03_20130201", 0},
    {"ppmscope_DSOscope_CPUBrd_A01", 0},
    {"ppmscope_DSOscope_USBBrd_A01", 0},
    {"ppmscope_USBToSerial", 0},
};

using test::known_router_complaints;
using test::file_text;
using test::load_in_router;
using test::RouterLoad;

// Checks one design's load and reports its statistics on standard output.
RouterLoad expect_clean_load(const fs::path& router, const fs::path& design, const std::string& name) {
    SCOPED_TRACE(name);
    const RouterLoad load = load_in_router(router, design);
    EXPECT_EQ(load.status, 0);
    EXPECT_TRUE(load.session_written);
    EXPECT_GE(load.incomplete, 0) << "no statistics in the router's log";

    const auto crossing = known_router_complaints().find(name);
    std::set<std::string> excused;
    for (const std::string& complaint : load.complaints) {
        const std::string known = test::known_complaint(name, complaint);
        EXPECT_FALSE(known.empty()) << complaint;
        excused.insert(known);
    }
    if (crossing != known_router_complaints().end()) {
        EXPECT_EQ(excused.count(crossing->second.front()), 1u);
    }

    const auto before = incomplete_before.find(name);
    if (before != incomplete_before.end()) {
        EXPECT_LE(load.incomplete, before->second);
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

// Exports a board into the scratch folder: the number of parts the design places (those with a
// footprint), or -1 when the board does not load or export.
long export_board(const fs::path& board_file, const fs::path& design) {
    Board board;
    const RunSettings settings = test::named_settings(board_file, design);
    Diagnostics diagnostics;
    testing::internal::CaptureStderr();
    long placed = -1;
    try {
        load_fpc_file(board, settings, diagnostics);
        if (write_design_file(board, settings) == 0) {
            placed = std::count_if(board.parts.begin(), board.parts.end(), [](const Part& part) { return !part.no_footprint; });
        }
    } catch (const FatalError&) {
        // The loader's and the exporter's own tests say which boards stop, and why.
    }
    testing::internal::GetCapturedStderr();
    return placed;
}

// Every board of the corpus, those of the fork's dialect (fpc2_*) too, exports, and the router
// loads its design with every part placed and no complaint; only the fork's footprint library
// has no board outline to export.
TEST(RouterLoad, EveryCorpusBoardThatExportsLoadsCleanlyWithAllItsCopper) {
    const fs::path router = TARNWICK_ROUTER;
    const std::string reason = test::router_skip_reason(router);
    if (!reason.empty()) GTEST_SKIP() << reason;
    const fs::path corpus = fs::path(TARNWICK_CORPUS) / "fpc";
    if (!fs::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;

    const std::vector<fs::path> boards = test::files_with_extension(corpus, ".fpc");
    Scratch scratch;
    std::set<std::string> loaded;
    for (const fs::path& board : boards) {
        const std::string name = board.stem().string();
        const bool no_board = name == "fpc2_fpcutil_Show";
        const fs::path design = scratch.folder / (name + ".dsn");
        const long placed = export_board(board, design);
        EXPECT_EQ(placed < 0, no_board) << name;
        if (placed < 0) continue;
        const RouterLoad load = expect_clean_load(router, design, name);
        EXPECT_EQ(test::router_block_count(load.log, "components"), placed) << name;
        loaded.insert(name);
    }
    // Every board measured before still exports and loads.
    for (const auto& [name, count] : incomplete_before) EXPECT_EQ(loaded.count(name), 1u) << name;
}

TEST(RouterLoad, EveryTestBoardLoadsCleanly) {
    const fs::path router = TARNWICK_ROUTER;
    const std::string reason = test::router_skip_reason(router);
    if (!reason.empty()) GTEST_SKIP() << reason;

    Scratch scratch;
    int loaded = 0;
    // The design files the end-to-end cases expect of a complete run.
    const fs::path cases = fs::path(TARNWICK_TEST_DATA).parent_path() / "cases";
    std::vector<fs::path> case_folders;
    for (const auto& entry : fs::directory_iterator(cases)) case_folders.push_back(entry.path());
    std::sort(case_folders.begin(), case_folders.end());
    for (const fs::path& folder : case_folders) {
        if (file_text(folder / "status") != "0\n" || !fs::is_directory(folder / "out")) continue;
        // Written files may lie in folders of their own (names in other scripts, say).
        for (const auto& written : fs::recursive_directory_iterator(folder / "out")) {
            if (!written.is_regular_file()) continue;
            const std::string text = file_text(written.path());
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
