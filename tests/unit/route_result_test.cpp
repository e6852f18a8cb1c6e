// What a route comes to: the exit status, the closing line, the summary's figures.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/errors.h"
#include "route/route_result.h"
#include "test_support.h"

namespace tarnwick {
namespace {

// A net with the same via repeated at two trace ends and one more elsewhere, a copper trace of
// 3-4-5 and 1 inch, and a rat-line of 10 inches.
Net routed_net() {
    Net net;
    net.vias = {{1, 1, 0.05, 0.02, 0}, {1, 1, 0.05, 0.02, 0}, {2, 1, 0.05, 0.02, 0}};
    Connect copper;
    copper.vertices.resize(3);
    copper.vertices[0] = {0, 0, 12, 0, 0, 0, 0, 12, 0.01, 0, 0};
    copper.vertices[1] = {3, 4, 13, 0, 0, 0, 0, 13, 0.01, 0, 0};
    copper.vertices[2] = {3, 5, 13, 0, 0, 0, 0, 0, 0, 0, 0};
    Connect ratline;
    ratline.vertices.resize(2);
    ratline.vertices[0] = {0, 0, 6, 0, 0, 0, 0, 6, 0, 0, 0};
    ratline.vertices[1] = {10, 0, 6, 0, 0, 0, 0, 0, 0, 0, 0};
    net.connects = {copper, ratline};
    return net;
}

RouteResult routed_result() {
    RouteResult result;
    result.board = "b.fpc";
    result.design_file = "b.dsn";
    result.session_file = "b.ses";
    result.routed_board = "b_routed.fpc";
    result.router_log = "b_router.log";
    result.passes = 20;
    result.router.command.router = "/opt/freerouting.jar";
    result.router.command.found_by = "named by --router";
    result.router.command.program = "/usr/bin/java";
    result.router.version = "2.1.0";
    result.router.end = RouterEnd::exited;
    result.router.exit_status = 0;
    result.router.passes_run = 4;
    result.router.unrouted = 0;
    result.router.violations = 0;
    result.router.seconds = 12.344;
    result.connections_checked = true;
    result.connections = {10, 10};
    result.after = copper_totals({routed_net()});
    return result;
}

TEST(RouteResult, CopperCountsEachViaOnceAndOnlyCopperLength) {
    const CopperTotals totals = copper_totals({routed_net(), Net()});
    EXPECT_EQ(totals.vias, 2u);
    EXPECT_DOUBLE_EQ(totals.length, 6.0);
}

TEST(RouteResult, ExitStatusZeroOnlyWhenEveryConnectionIsRoutedAndKept) {
    RouteResult result = routed_result();
    EXPECT_EQ(route_exit_status(result), 0);
    result.router.unrouted = 3;
    EXPECT_EQ(route_exit_status(result), unrouted_exit_status);
    // The router's statistics count before its last pass line.
    result.router.statistics = {{"connections", {{"incomplete_count", 0}}}};
    EXPECT_EQ(unrouted_by_router(result.router), 0);
    EXPECT_EQ(route_exit_status(result), 0);
    result.connections.kept = 9;
    EXPECT_EQ(route_exit_status(result), unrouted_exit_status);
    // A router that said nothing of what it left open is no proof that nothing is.
    result = routed_result();
    result.router.unrouted = -1;
    EXPECT_EQ(route_exit_status(result), unrouted_exit_status);
    // A failure exits with its own code's status.
    result.error_code = 50022;
    EXPECT_EQ(route_exit_status(result), 50022 & 0xFF);
}

TEST(RouteResult, TheRoutedBoardsCountDecidesOverTheRouters) {
    RouteResult result = routed_result();
    Board board;
    Net& net = board.nets.emplace_back();
    net.name = "VCC";
    net.pins = {NetPin{"U1.7"}, NetPin{"C3.1"}};
    UnroutedReport report;
    report.connections = 2;
    report.nets = 1;
    report.open = {{0, {0, 1.0, 2.0}, {1, 1.5, 2.0}}, {0, {1, 1.5, 2.0}, {-1, 0.25, 0.5}}};
    note_unrouted(result, board, report);
    // The router said none were open.
    EXPECT_EQ(unrouted_count(result), 2);
    EXPECT_EQ(route_exit_status(result), unrouted_exit_status);
    test::MemoryStream stream;
    print_route_result(stream.out, result);
    EXPECT_EQ(stream.text(), "\n  Route incomplete: 2 connections left unrouted\n");
    const nlohmann::ordered_json connections = route_summary(result)["connections"];
    EXPECT_EQ(connections["unrouted"], 2);
    EXPECT_EQ(connections["unrouted_counted_by"], "routed_board");
    EXPECT_EQ(connections["unrouted_list"].dump(),
              "[{\"net\":\"VCC\",\"from\":{\"pin\":\"U1.7\",\"x_mm\":25.4,\"y_mm\":50.8},"
              "\"to\":{\"pin\":\"C3.1\",\"x_mm\":38.1,\"y_mm\":50.8}},"
              "{\"net\":\"VCC\",\"from\":{\"pin\":\"C3.1\",\"x_mm\":38.1,\"y_mm\":50.8},"
              "\"to\":{\"pin\":null,\"x_mm\":6.35,\"y_mm\":12.7}}]");

    // None left open by the routed board, whatever the router said.
    result.router.unrouted = 3;
    note_unrouted(result, board, UnroutedReport{});
    EXPECT_EQ(route_exit_status(result), 0);
    EXPECT_EQ(route_summary(result)["connections"]["unrouted_list"].dump(), "[]");
}

TEST(RouteResult, TheClosingLine) {
    const auto line = [](const RouteResult& result) {
        test::MemoryStream stream;
        print_route_result(stream.out, result);
        return stream.text();
    };
    RouteResult result = routed_result();
    EXPECT_EQ(line(result), "\n  Route complete: every connection routed\n");
    result.router.unrouted = 1;
    EXPECT_EQ(line(result), "\n  Route incomplete: 1 connection left unrouted by the router\n");
    result.router.unrouted = 3;
    result.connections.kept = 8;
    EXPECT_EQ(line(result),
              "\n  Route incomplete: 3 connections left unrouted by the router, 2 connections lost on the way back\n");
    result.router.unrouted = -1;
    result.connections.kept = 10;
    EXPECT_EQ(line(result), "\n  Route incomplete: the router did not say how many connections it left unrouted\n");
}

TEST(RouteResult, TheSummary) {
    RouteResult result = routed_result();
    nlohmann::ordered_json summary = route_summary(result);
    EXPECT_EQ(summary.dump(),
              "{\"board\":\"b.fpc\",\"design_file\":\"b.dsn\",\"session_file\":\"b.ses\",\"routed_board\":\"b_routed.fpc\","
              "\"router_log\":\"b_router.log\",\"router\":{\"path\":\"/opt/freerouting.jar\",\"found\":\"named by "
              "--router\",\"program\":\"/usr/bin/java\",\"version\":\"2.1.0\",\"exit_status\":0,\"ended\":\"exited\","
              "\"seconds\":12.34},\"passes\":{\"limit\":20,\"run\":4},\"time_limit_seconds\":null,\"connections\":{"
              "\"made\":10,\"kept\":10,\"unrouted\":0,\"unrouted_counted_by\":\"router\",\"unrouted_list\":null,"
              "\"violations\":0},\"vias_added\":2,\"wire_length_added_mm\":152.4,\"router_statistics\":null,"
              "\"result\":\"routed\",\"exit_status\":0,\"error\":null}");

    // A failure: no routed board, so nothing added; the error as the console gave it.
    result.routed_board.clear();
    result.connections_checked = false;
    result.router.end = RouterEnd::failed;
    result.router.exit_status = -1;
    result.router.unrouted = -1;
    result.time_limit = 90;
    result.error_code = router_time_limit;
    result.error_message = "The router ran past the time limit";
    summary = route_summary(result);
    EXPECT_TRUE(summary["routed_board"].is_null());
    EXPECT_TRUE(summary["vias_added"].is_null());
    EXPECT_TRUE(summary["connections"]["made"].is_null());
    EXPECT_TRUE(summary["connections"]["unrouted"].is_null());
    EXPECT_TRUE(summary["router"]["exit_status"].is_null());
    EXPECT_EQ(summary["router"]["ended"], "failed");
    EXPECT_EQ(summary["time_limit_seconds"], 90.0);
    EXPECT_EQ(summary["result"], "failed");
    EXPECT_EQ(summary["exit_status"], router_time_limit & 0xFF);
    EXPECT_EQ(summary["error"]["code"], router_time_limit);
    EXPECT_EQ(summary["error"]["message"], "The router ran past the time limit");
}

}  // namespace
}  // namespace tarnwick
