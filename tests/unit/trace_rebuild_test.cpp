#include "session/trace_rebuild.h"

#include <gtest/gtest.h>

#include <cmath>

#include <string>

#include "session_support.h"

namespace tarnwick {
namespace {

// Back-annotates the run's board with `network`: its routed nets.
const std::vector<Net>& rebuild(test::SessionRun& run, const std::string& network) {
    run.back_annotate(test::session_text(network));
    return run.board.nets;
}

std::string path(const char* layer, const std::string& points) {
    return std::string("        (wire\n          (path ") + layer + " 1000\n" + points + "          )\n        )\n";
}

TEST(TraceRebuild, APathFromPinToPinBecomesOneTraceWithAVertexPerPoint) {
    test::SessionRun run;
    test::add_net(run.board, "A",
                  {{"U1.1", 0.9, 0.9, 0}, {"U1.2", 0.8, 0.9, 0}, {"U1.3", 0.7, 0.9, 0}, {"U1.4", 0.1, 0.1, 13},
                   {"U1.5", 0.6, 0.9, 0}, {"U1.6", 0.5, 0.9, 0}, {"U1.7", 0.3, 0.4, 13}, {"U1.8", 0.4, 0.9, 0}});
    test::add_net(run.board, "QUIET", {{"U2.1", 0.1, 0.8, 0}});
    run.board.nets[1].connects.resize(1);  // the board's own traces do not survive without a session record
    const std::vector<Net> nets =
        rebuild(run, "      (net A\n" +
                         path("Bottom", "            10000 10000\n            20000 10000\n            20000 30000\n"
                                        "            30000 40000\n") +
                         "      )\n");
    ASSERT_EQ(nets[0].connects.size(), 1u);
    const Connect& trace = nets[0].connects[0];
    EXPECT_EQ(trace.start_pin, 3u);
    EXPECT_EQ(trace.end_pin, 6);
    EXPECT_EQ(trace.segment_count, 3u);
    ASSERT_EQ(trace.vertices.size(), 4u);
    EXPECT_EQ(trace.vertices[0].layer, 13u);
    EXPECT_EQ(trace.vertices[1].layer, 0u);
    EXPECT_EQ(trace.vertices[3].layer, 13u);
    EXPECT_EQ(trace.vertices[2].seg_layer, 13u);
    EXPECT_DOUBLE_EQ(trace.vertices[2].seg_width, 0.01);
    EXPECT_EQ(trace.vertices[3].seg_layer, 0u);
    EXPECT_TRUE(nets[1].connects.empty());
    EXPECT_EQ(nets[1].pins.size(), 1u);  // everything else of the net stays
}

TEST(TraceRebuild, ViasNoPathReachesBecomeTracesOfTheirOwn) {
    test::SessionRun run;
    test::add_net(run.board, "PLANE", {{"U1.1", 0.1, 0.1, 0}, {"U1.2", 0.5, 0.1, 13}});
    test::add_net(run.board, "LONELY");
    run.board.options.default_trace_width = 0.008;
    const std::vector<Net> nets = rebuild(run,
                                          "      (net PLANE\n        (via DefVia 10000 10000\n        )\n"
                                          "        (via DefVia 60000 10000\n        )\n      )\n"
                                          "      (net LONELY\n        (via DefVia 1 1\n        )\n      )\n");
    ASSERT_EQ(nets[0].connects.size(), 2u);
    // On a pin: a zero-length segment on the pin's layer (the top for a drilled pin), the via forced.
    const Connect& on_pin = nets[0].connects[0];
    EXPECT_EQ(on_pin.start_pin, 0u);
    EXPECT_EQ(on_pin.end_pin, -1);
    ASSERT_EQ(on_pin.vertices.size(), 2u);
    EXPECT_EQ(on_pin.vertices[0].seg_layer, 12u);
    EXPECT_DOUBLE_EQ(on_pin.vertices[0].seg_width, 0.008);
    EXPECT_EQ(on_pin.vertices[1].flag, 1u);
    EXPECT_DOUBLE_EQ(on_pin.vertices[1].via_pad_width, 0.04);
    // Off the pins: a rat-line from the nearest pin.
    const Connect& off_pin = nets[0].connects[1];
    EXPECT_EQ(off_pin.start_pin, 1u);
    EXPECT_EQ(off_pin.vertices[0].seg_layer, 6u);
    EXPECT_DOUBLE_EQ(off_pin.vertices[1].x, 0.6);
    EXPECT_EQ(nets[0].vias.size(), 2u);
    // A net without pins cannot hold a trace: the via is named as left out.
    EXPECT_TRUE(nets[1].connects.empty());
    EXPECT_NE(run.console.find("\nNet LONELY: via @ (0.000, 0.000) left out, the net has no pin to join it to."),
              std::string::npos);
}

TEST(TraceRebuild, OnlyBranchTeesAreMarkedAndAViaIsWrittenOnce) {
    test::SessionRun run;
    test::add_net(run.board, "A", {{"U1.1", 0.1, 0.1, 12}, {"U1.2", 0.3, 0.1, 0}});
    // Two paths bend at a tee of two ends; the chain goes on through a via to the bottom, and
    // the via is written where the third path starts, not again at the second one's end.
    const std::vector<Net> nets =
        rebuild(run, "      (net A\n" + path("Top", "            10000 10000\n            20000 10000\n") +
                         path("Top", "            20000 10000\n            20000 20000\n") +
                         "        (via DefVia 20000 20000\n        )\n" +
                         path("Bottom", "            20000 20000\n            30000 10000\n") + "      )\n");
    ASSERT_EQ(nets[0].connects.size(), 1u);
    const Connect& trace = nets[0].connects[0];
    ASSERT_EQ(trace.vertices.size(), 4u);
    EXPECT_EQ(trace.vertices[1].tee_id, 0u);  // a bend, not a branch
    EXPECT_DOUBLE_EQ(trace.vertices[2].via_pad_width, 0.04);
    EXPECT_EQ(trace.vertices[2].seg_layer, 13u);
    EXPECT_DOUBLE_EQ(trace.vertices[3].via_pad_width, 0);
    EXPECT_EQ(trace.end_pin, 1);
}

TEST(TraceRebuild, NearestPinIsTheFirstOfTheNearest) {
    Net net;
    net.pins = {NetPin{"A", 0, 1, 0}, NetPin{"B", 1, 0, 0}, NetPin{"C", 0.5, 0.5, 0}};
    EXPECT_EQ(nearest_net_pin(net, 0, 0, -1), 2);
    EXPECT_EQ(nearest_net_pin(net, 0, 0, 2), 0);  // A and B are as near; A comes first
    net.pins[0].no_position = true;                // a part without footprint is nowhere
    EXPECT_EQ(nearest_net_pin(net, 0, 0, 2), 1);
    EXPECT_EQ(nearest_net_pin(Net{}, 0, 0, -1), -1);
}

}  // namespace
}  // namespace tarnwick

namespace tarnwick {
namespace {

// The first pin within `reach` by walking, as the via rule has it.
std::int32_t first_within_by_walking(const Net& net, double x, double y, double reach) {
    for (std::size_t n = 0; n < net.pins.size(); ++n) {
        const NetPin& pin = net.pins[n];
        if (!pin.no_position && std::fabs(pin.x - x) <= reach && std::fabs(pin.y - y) <= reach) {
            return static_cast<std::int32_t>(n);
        }
    }
    return -1;
}

// The grid answers as the walk through the pins does, on nets of many pins laid out to make it
// hard: pins on a pitch (many equally near), repeated places, pins on a line, pins without
// position, far out or no number, and places inside, on the edge of and far outside the pins.
TEST(NetPinFinder, AnswersAsTheWalkDoes) {
    std::uint64_t state = 12345;
    auto random = [&state](int n) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<int>((state >> 33) % static_cast<std::uint64_t>(n));
    };
    const double nan = std::nan("");
    for (int layout = 0; layout < 6; ++layout) {
        Net net;
        const int count = 64 + random(1500);
        for (int i = 0; i < count; ++i) {
            NetPin pin;
            switch (layout) {
                case 0:  // a 0.05 inch pitch: many pins as near as each other
                    pin.x = 0.05 * random(40);
                    pin.y = 0.05 * random(40);
                    break;
                case 1:  // on one line
                    pin.x = 0.001 * random(100000);
                    pin.y = 2.5;
                    break;
                case 2:  // all in one place but a few
                    pin.x = i % 50 == 0 ? 0.1 * random(10) : 1.0;
                    pin.y = 1.0;
                    break;
                default:  // spread, with clusters
                    pin.x = 0.0001 * random(200000) + (i % 7 == 0 ? 30.0 : 0.0);
                    pin.y = 0.0001 * random(100000);
                    break;
            }
            pin.no_position = random(20) == 0;
            if (layout >= 4 && random(100) == 0) pin.x = random(2) == 0 ? nan : 5e7;
            net.pins.push_back(pin);
        }
        const NetPinFinder finder(net);
        for (int q = 0; q < 400; ++q) {
            const NetPin& some = net.pins[static_cast<std::size_t>(random(count))];
            double x = 0;
            double y = 0;
            switch (q % 4) {
                case 0:  // on a pin
                    x = some.x;
                    y = some.y;
                    break;
                case 1:  // near the pins
                    x = 0.0001 * random(60000) - 0.5;
                    y = 0.0001 * random(60000) - 0.5;
                    break;
                case 2:  // far outside them
                    x = 200.0 * (random(3) - 1);
                    y = -300.0 + random(5);
                    break;
                default:  // beyond the grid altogether
                    x = 3e6;
                    y = 1.0;
                    break;
            }
            const std::int32_t skip = random(3) == 0 ? random(count) : -1;
            ASSERT_EQ(finder.nearest(x, y, skip), nearest_net_pin(net, x, y, skip))
                << "layout " << layout << " query " << q << " at (" << x << ", " << y << ")";
            const double reach = random(2) == 0 ? 0.00004 : 0.03;
            ASSERT_EQ(finder.first_within(x, y, reach), first_within_by_walking(net, x, y, reach))
                << "layout " << layout << " query " << q;
        }
    }
}

TEST(NetPinFinder, NoPinFarEnoughAndNetsOfFewPins) {
    Net net;
    for (int i = 0; i < 100; ++i) net.pins.push_back(NetPin{"P", 1e5 + i * 0.125, 0, 12});
    const NetPinFinder finder(net);
    // The walk finds no pin beyond 1e10 square inches: neither does the grid.
    EXPECT_EQ(finder.nearest(-1e5, 0, -1), -1);
    EXPECT_EQ(finder.nearest(1e5 + 3.05, 0, -1), 24);
    EXPECT_EQ(finder.nearest(1e5 + 3.0625, 0, -1), 24);  // as near to 24 as to 25: the first
    EXPECT_EQ(finder.nearest(1e5 + 3.0625, 0, 24), 25);
    EXPECT_EQ(finder.first_within(1e5 + 3.0625, 0, 0.0625), 24);
    EXPECT_EQ(finder.first_within(1e5 + 3.0625, 0, 0.0624), -1);
    Net few;
    few.pins = {NetPin{"A", 0, 1, 0}, NetPin{"B", 1, 0, 0}};
    const NetPinFinder small(few);
    EXPECT_EQ(small.nearest(0, 0, -1), 0);
    EXPECT_EQ(small.first_within(1, 0, 0), 1);
}

}  // namespace
}  // namespace tarnwick
