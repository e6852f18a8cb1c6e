// Boards of the FreePCB-2 dialect with the real router: every corpus board of the dialect that
// has an outline exports and loads with every part and no complaint; the small ones are routed,
// back-annotated, and their routed board reloads, keeps every connection and differs from the
// board only in the records the router changed.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/errors.h"
#include "dsn/design_file.h"
#include "fpc/board_writer.h"
#include "fpc/load.h"
#include "router_support.h"
#include "test_support.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

// The boards: the corpus's boards of the dialect that have an outline, and our own. One pass
// of the router takes seconds on each but fpc2_fpcutil_Areas (151 parts, about two minutes on
// this machine): that one is only loaded.
struct ForkCase {
    fs::path board;
    bool route;
};

std::vector<ForkCase> fork_cases() {
    std::vector<ForkCase> cases = {{fs::path(TARNWICK_TEST_DATA) / "fork_board.fpc", true}};
    const fs::path corpus = fs::path(TARNWICK_CORPUS) / "fpc";
    for (const char* name : {"fpc2_duxah_Regulator-01", "fpc2_platform_Driver-01", "fpc2_fpcutil_Nets",
                             "fpc2_duxah_SimpleTimer", "fpc2_duxah_smart_kitchen"}) {
        cases.push_back({corpus / (std::string(name) + ".fpc"), true});
    }
    cases.push_back({corpus / "fpc2_fpcutil_Areas.fpc", false});
    return cases;
}

// The lines of a board file, each reduced to what -B may not change: the traces (connect, vtx
// and seg lines) left out, a net's trace count and a part's place masked.
std::vector<std::string> unchanged_records(const std::string& text) {
    std::vector<std::string> kept;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t start = line.find_first_not_of(" \t");
        const std::string record = start == std::string::npos ? "" : line.substr(start);
        if (record.rfind("connect:", 0) == 0 || record.rfind("vtx:", 0) == 0 || record.rfind("seg:", 0) == 0) continue;
        if (record.rfind("pos:", 0) == 0) {
            kept.push_back("pos: (place)");
        } else if (record.rfind("net:", 0) == 0) {
            // net: "name" pins traces areas ...: the trace count may change.
            std::istringstream fields(record.substr(record.rfind('"') + 1));
            std::string pins, traces, rest;
            fields >> pins >> traces;
            std::getline(fields, rest);
            kept.push_back(record.substr(0, record.rfind('"') + 1) + " " + pins + " (traces)" + rest);
        } else {
            kept.push_back(line);
        }
    }
    return kept;
}


// The router's wires of a session in mm (its resolution is mil 100): per wire its net, layer
// and points.
struct SessionWire {
    std::string net;
    std::string layer;
    std::vector<std::pair<double, double>> points;
};

std::vector<SessionWire> session_wires(const std::string& session) {
    std::vector<SessionWire> wires;
    std::istringstream lines(session.substr(std::min(session.find("(network_out"), session.size())));
    std::string line;
    std::string net;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string keyword;
        words >> keyword;
        if (keyword == "(net") {
            words >> net;
        } else if (keyword == "(path") {
            SessionWire wire{net, "", {}};
            words >> wire.layer;
            while (std::getline(lines, line) && line.find(')') == std::string::npos) {
                std::istringstream point(line);
                double x = 0, y = 0;
                point >> x >> y;
                wire.points.emplace_back(x / 100 * 0.0254, y / 100 * 0.0254);
            }
            wires.push_back(wire);
        }
    }
    return wires;
}

// Distance from (x, y) to the segment a-b.
double distance_to(double x, double y, std::pair<double, double> a, std::pair<double, double> b) {
    const double dx = b.first - a.first, dy = b.second - a.second;
    const double length = dx * dx + dy * dy;
    const double t = length > 0 ? std::clamp(((x - a.first) * dx + (y - a.second) * dy) / length, 0.0, 1.0) : 0.0;
    return std::hypot(a.first + t * dx - x, a.second + t * dy - y);
}

// On our own board the router keeps every wire out of the hole cut in the board (17 to 23 mm
// by 11 to 19 mm) and the wires of other nets on the top off the antenna of ANT1 (from (5, 21)
// to (10, 21) to (10, 24) mm, 0.3 mm wide): points every 0.05 mm along each wire.
void check_hole_and_antenna_kept_clear(const std::string& session) {
    int wires = 0;
    for (const SessionWire& wire : session_wires(session)) {
        ++wires;
        for (std::size_t k = 0; k + 1 < wire.points.size(); ++k) {
            const auto [x0, y0] = wire.points[k];
            const auto [x1, y1] = wire.points[k + 1];
            const int steps = 1 + static_cast<int>(std::hypot(x1 - x0, y1 - y0) / 0.05);
            for (int i = 0; i <= steps; ++i) {
                const double x = x0 + (x1 - x0) * i / steps, y = y0 + (y1 - y0) * i / steps;
                EXPECT_FALSE(x > 17 && x < 23 && y > 11 && y < 19) << wire.net << " crosses the hole at " << x << " " << y;
                if (wire.layer != "Top" || wire.net == "N2") continue;
                const double from_antenna = std::min(distance_to(x, y, {5, 21}, {10, 21}), distance_to(x, y, {10, 21}, {10, 24}));
                EXPECT_GT(from_antenna, 0.15) << wire.net << " on the antenna at " << x << " " << y;
            }
        }
    }
    EXPECT_GE(wires, 4);
}

struct Annotated {
    bool done = false;
    ConnectionCount count;
};

// -B of the board `name` in `folder` with its session; then the routed board loaded again.
Annotated back_annotate(const fs::path& folder, const std::string& name) {
    Annotated result;
    result.done = test::back_annotate(folder, name, result.count, [](const Board& routed, const fs::path& file) {
        Board again;
        Diagnostics reload_diagnostics;
        load_fpc_file(again, test::named_settings(file), reload_diagnostics);
        EXPECT_TRUE(again.fork.active);
        EXPECT_EQ(again.parts.size(), routed.parts.size());
    });
    return result;
}

TEST(ForkBoards, ExportLoadInTheRouterAndComeBackInTheirDialect) {
    const fs::path router = TARNWICK_ROUTER;
    const std::string reason = test::router_skip_reason(router);
    if (!reason.empty()) GTEST_SKIP() << reason;
    const bool corpus = fs::is_directory(fs::path(TARNWICK_CORPUS) / "fpc");

    const fs::path folder = fs::temp_directory_path() / ("tarnwick_fork_boards_" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    int routed = 0;
    for (const ForkCase& fork_case : fork_cases()) {
        if (!fs::exists(fork_case.board)) {
            EXPECT_FALSE(corpus) << fork_case.board;
            continue;
        }
        const std::string name = fork_case.board.stem().string();
        SCOPED_TRACE(name);
        fs::copy_file(fork_case.board, folder / (name + ".fpc"));

        Board board;
        const RunSettings settings = test::named_settings(folder / (name + ".fpc"), folder / name);
        Diagnostics diagnostics;
        testing::internal::CaptureStderr();
        int status = -1;
        try {
            load_fpc_file(board, settings, diagnostics);
            status = write_design_file(board, settings);
        } catch (const FatalError& error) {
            ADD_FAILURE() << "error " << error.code << ": " << error.message;
        }
        testing::internal::GetCapturedStderr();
        ASSERT_EQ(status, 0);
        std::size_t parts = 0;
        for (const Part& part : board.parts) parts += part.no_footprint ? 0 : 1;

        const fs::path design = folder / (name + ".dsn");
        const test::RouterLoad load = test::load_in_router(router, design);
        EXPECT_EQ(load.status, 0) << load.log;
        EXPECT_TRUE(load.complaints.empty()) << load.complaints.front();
        EXPECT_EQ(test::router_block_count(load.log, "components"), static_cast<long>(parts));
        if (!fork_case.route) continue;

        // Routed for a pass, within a time limit; whatever it leaves unrouted stays a rat line.
        const fs::path session = folder / (name + ".ses");
        fs::remove(session);
        const std::string command = "FR_TIMEOUT=240 " + test::shell_quoted(router / "run.sh") + " " +
                                    test::shell_quoted(design) + " " + test::shell_quoted(session) + " -mp 1 >" +
                                    test::shell_quoted(folder / (name + ".route.log")) + " 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << test::file_text(folder / (name + ".route.log"));
        if (name == "fork_board") check_hole_and_antenna_kept_clear(test::file_text(session));
        const Annotated back = back_annotate(folder, name);
        ASSERT_TRUE(back.done);
        EXPECT_EQ(back.count.kept, back.count.made);
        EXPECT_GT(back.count.made, 0u);

        // Everything but the traces, the trace counts and the places is written as read.
        const std::vector<std::string> before = unchanged_records(test::file_text(folder / (name + ".fpc")));
        const std::vector<std::string> after = unchanged_records(test::file_text(folder / (name + "_routed.fpc")));
        ASSERT_EQ(before.size(), after.size());
        for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(after[i], before[i]) << "record " << i;
        std::cout << name << ": " << back.count.made << " connections made by the router, " << back.count.kept
                  << " kept\n";
        ++routed;
    }
    EXPECT_GE(routed, 1);
    fs::remove_all(folder);
}

}  // namespace
}  // namespace tarnwick
