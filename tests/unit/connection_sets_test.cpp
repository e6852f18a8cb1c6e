#include "session/connection_sets.h"

#include <gtest/gtest.h>

#include <vector>

#include "session/analysis.h"
#include "session_support.h"

namespace tarnwick {
namespace {

// A path between two ends, each a pin, a tee or nothing (-1).
WirePath link(std::int32_t start_pin, std::int32_t start_tee, std::int32_t end_tee, std::int32_t end_pin) {
    WirePath path;
    path.points = {{0, 0}, {1, 0}};
    path.layer = 12;
    path.start_pin = start_pin;
    path.start_tee = start_tee;
    path.end_tee = end_tee;
    path.end_pin = end_pin;
    path.reversed = start_pin < 0 && end_pin >= 0;
    return path;
}

WireTee tee_with(std::uint32_t path_ends) {
    WireTee tee;
    tee.path_ends = path_ends;
    return tee;
}

TEST(ConnectionSets, PinPathsStartTracesThatFollowTheFirstFreePathAtATee) {
    // Pin A, path 1 to tee T, path 2 from T to pin B, path 3 from T to pin D.
    NetWire wire;
    wire.tees = {tee_with(3)};
    wire.paths = {link(0, -1, 0, -1), link(-1, 0, -1, 1), link(-1, 0, -1, 2)};
    wire.pin_connects_to_go = 3;
    build_connection_sets(wire);
    ASSERT_EQ(wire.trace_count, 2u);
    EXPECT_EQ(wire.connection_sets[0].path_count, 2u);
    EXPECT_EQ(wire.connection_sets[0].path_list[1], 1);
    EXPECT_FALSE(wire.paths[1].reversed);  // entered at its first point
    EXPECT_EQ(wire.connection_sets[1].path_count, 1u);
    EXPECT_EQ(wire.connection_sets[1].first_path, 2);
    EXPECT_EQ(wire.pin_connects_to_go, 0);

    NetWire empty;
    build_connection_sets(empty);
    EXPECT_EQ(empty.trace_count, 0u);
}

TEST(ConnectionSets, SweepsEndWhenPinConnectionsStayCountedWithNoPinPathLeft) {
    // The first path's end was counted on two pins; the open path is taken once no pin path is left.
    NetWire wire;
    wire.paths = {link(0, -1, -1, -1), link(-1, -1, -1, -1)};
    wire.pin_connects_to_go = 2;
    build_connection_sets(wire);
    EXPECT_EQ(wire.trace_count, 2u);
    EXPECT_EQ(wire.connection_sets[1].first_path, 1);
    EXPECT_TRUE(wire.paths[1].used);
}

TEST(ConnectionSets, ASessionWhosePathEndLiesOnTwoPinsStillGivesEveryPathATrace) {
    // Two pins of the net share a place: the end there counts on both, one connection stays
    // counted to go, and the loose path is taken all the same once no pin path is left.
    test::SessionRun run;
    test::add_net(run.board, "A", {{"J1.1", 0.1, 0.1, 0}, {"J2.1", 0.1, 0.1, 0}});
    const std::string network =
        "      (net A\n        (wire\n          (path Top 1000\n            10000 10000\n            20000 10000\n"
        "          )\n        )\n        (wire\n          (path Top 1000\n            30000 30000\n"
        "            40000 30000\n          )\n        )\n      )\n";
    run.back_annotate(test::session_text(network));
    const NetWire& wire = run.session->wire_list[0];
    EXPECT_EQ(wire.pin_path_ends, (std::vector<std::uint32_t>{1, 1}));
    ASSERT_EQ(wire.trace_count, 2u);
    EXPECT_EQ(wire.connection_sets[1].first_path, 1);
}

TEST(ConnectionSets, AChainOfAHundredThousandPathsIsFollowedWithoutRecursion) {
    const std::int32_t n = 100000;
    NetWire wire;
    wire.tees.assign(n - 1, tee_with(2));
    for (std::int32_t i = 0; i < n; ++i) {
        wire.paths.push_back(link(i == 0 ? 0 : -1, i == 0 ? -1 : i - 1, i == n - 1 ? -1 : i, i == n - 1 ? 1 : -1));
    }
    wire.paths.back().reversed = false;  // walked from the chain's side, as its far end has the pin
    wire.pin_connects_to_go = 2;
    build_connection_sets(wire);
    ASSERT_EQ(wire.trace_count, 1u);
    EXPECT_EQ(wire.connection_sets[0].path_count, static_cast<std::uint32_t>(n));
    EXPECT_EQ(wire.connection_sets[0].path_list[n - 1], n - 1);
    EXPECT_EQ(wire.pin_connects_to_go, 0);
}

TEST(ConnectionSets, AHundredThousandLoosePathsMakeAsManySetsOfOneSlotEach) {
    // Room for every path in every set would take forty gigabytes here.
    NetWire wire;
    wire.paths.assign(100000, link(-1, -1, -1, -1));
    build_connection_sets(wire);
    ASSERT_EQ(wire.trace_count, 100000u);
    std::size_t slots = 0;
    for (const ConnectionSet& set : wire.connection_sets) slots += set.path_list.size();
    EXPECT_EQ(slots, 100000u);
    EXPECT_EQ(wire.connection_sets[99999].first_path, 99999);
}

TEST(ConnectionSets, ACrowdOfPathsAtOneTeePairsUpInPathOrder) {
    // Every path ends at one tee: each set takes the next path not yet used and the first free
    // one after it, and the paths used before are passed over once, not once per set.
    const std::int32_t n = 100000;
    NetWire wire;
    wire.tees.assign(1, tee_with(static_cast<std::uint32_t>(n)));
    wire.paths.assign(static_cast<std::size_t>(n), link(-1, -1, 0, -1));
    build_connection_sets(wire);
    ASSERT_EQ(wire.trace_count, static_cast<std::uint32_t>(n / 2));
    const ConnectionSet& last = wire.connection_sets[static_cast<std::size_t>(n / 2 - 1)];
    EXPECT_EQ(last.path_count, 2u);
    EXPECT_EQ(last.path_list[0], n - 2);
    EXPECT_EQ(last.path_list[1], n - 1);
    EXPECT_TRUE(wire.paths[static_cast<std::size_t>(n - 1)].reversed);  // entered at its last point
}

TEST(ConnectionSets, ChainsGoThroughViasWhateverTheLayer) {
    // From a pin on the top through a via to a path on the bottom and on to a second pin.
    test::SessionRun run;
    test::add_net(run.board, "A", {{"U1.1", 0.1, 0.1, 0}, {"U2.1", 0.5, 0.1, 0}});
    const std::string network =
        "      (net A\n        (wire\n          (path Top 1000\n            10000 10000\n            30000 10000\n"
        "          )\n        )\n        (via DefVia 30000 10000\n        )\n        (wire\n"
        "          (path Bottom 1000\n            50000 10000\n            30000 10000\n          )\n        )\n      )\n";
    run.back_annotate(test::session_text(network));
    const NetWire& wire = run.session->wire_list[0];
    ASSERT_EQ(wire.trace_count, 1u);
    EXPECT_EQ(wire.connection_sets[0].path_count, 2u);
    EXPECT_TRUE(wire.paths[1].reversed);  // entered at its last point, on the via
    EXPECT_EQ(run.session->stats.pin_to_via, 2u);
}

}  // namespace
}  // namespace tarnwick
