#include "dsn/wiring.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/units.h"
#include "design_file_support.h"

namespace tarnwick {
namespace {

struct Point {
    double x;
    double y;
    std::uint32_t layer;  // of the segment leaving the point; unused on the last one
    double width;
};

Connect trace(std::vector<Point> points) {
    Connect connect;
    connect.segment_count = static_cast<std::uint32_t>(points.size() - 1);
    for (const Point& point : points) {
        Vertex vertex;
        vertex.x = point.x;
        vertex.y = point.y;
        vertex.seg_layer = point.layer;
        vertex.seg_width = point.width;
        connect.vertices.push_back(vertex);
    }
    connect.vertices.back().seg_layer = 0;
    connect.vertices.back().seg_width = 0;
    return connect;
}

Board board_with_vias() {
    Board board;
    Padstack def;
    def.is_via = 1;
    board.padstacks.push_back(def);
    Padstack via;
    via.is_via = 1;
    board.padstacks.push_back(via);
    return board;
}

std::string wiring_of(const Board& board) {
    test::MemoryDesignFile memory(1);
    write_wiring(memory.file, board);
    EXPECT_EQ(memory.file.adjust_indent(0), 0);
    return memory.text();
}

TEST(Wiring, WidthChangeOnOneLayerSplitsTheWireAtTheSharedVertex) {
    Board board = board_with_vias();
    Net net;
    net.name = "N";
    net.connects.push_back(trace({{0, 0, 14, 0.01}, {0.1, 0, 14, 0.02}, {0.2, 0, 14, 0.02}, {0.3, 0, 0, 0}}));
    net.connects.push_back(trace({{0, 0, rat_line_layer, 0}, {1, 1, 0, 0}}));  // unrouted: no wire
    net.connects.push_back(trace({{0, 0, 12, 0.01}, {0.1, 0, 12, 0.01}, {0.2, 0, 12, 0.01}, {0.3, 0, 0, 0}}));
    board.nets.push_back(net);
    const std::string text = wiring_of(board);
    EXPECT_NE(text.find("(path Inner_1 10.00\n                0.00  0.00\n                100.00  0.00\n            )"),
              std::string::npos);
    EXPECT_NE(text.find("(path Inner_1 20.00\n                100.00  0.00\n                200.00  0.00"
                        "\n                300.00  0.00\n            )"),
              std::string::npos);
    EXPECT_NE(text.find("(path Top 10.00\n                0.00  0.00\n                100.00  0.00"
                        "\n                200.00  0.00\n                300.00  0.00\n            )"),
              std::string::npos);
    std::size_t wires = 0;
    for (std::size_t at = text.find("(wire\n"); at != std::string::npos; at = text.find("(wire\n", at + 1)) ++wires;
    EXPECT_EQ(wires, 3u);
}

TEST(Wiring, AreasOffThePlanesAreFixedWiresAndReservedNetsAreSkipped) {
    Board board = board_with_vias();
    Net gnd;
    gnd.name = "GND";
    Area pour;
    pour.layer = 13;
    pour.corners = {{0, 0, 0, 0}, {1, 0, 0, 0}, {1, 1, 0, 1}, {0.2, 0.2, 0, 0}, {0.4, 0.2, 0, 0}, {0.4, 0.4, 0, 1}};
    gnd.areas.push_back(pour);
    Area plane = pour;
    plane.layer = 14;
    plane.on_plane = 1;  // written as a plane in the structure instead
    gnd.areas.push_back(plane);
    board.nets.push_back(gnd);

    Net keepout;
    keepout.name = "KEEPOUT";
    keepout.reserved = 2;
    keepout.areas.push_back(pour);
    keepout.connects.push_back(trace({{0, 0, 12, 0.01}, {1, 0, 0, 0}}));
    keepout.vias.push_back(Via{0, 0, 0.05, 0.028, 0});
    board.nets.push_back(keepout);

    EXPECT_EQ(
        wiring_of(board),
        "\n    (wiring"
        "\n        (wire"
        "\n            (polygon Bottom 0"
        "\n                0.00  0.00\n                1000.00  0.00\n                1000.00  1000.00"
        "\n            )"
        "\n            (window"
        "\n                (polygon Bottom 0"
        "\n                    200.00  200.00\n                    400.00  200.00\n                    400.00  400.00"
        "\n                )"
        "\n            )"
        "\n            (net \"GND\")"
        "\n            (type fix)"
        "\n        )"
        "\n    )"
        "\n)");
}

TEST(Wiring, EachViaOncePerNetAndWrittenPositionTheLargestCopyStanding) {
    Board board = board_with_vias();
    Padstack large;
    large.is_via = 1;
    board.padstacks.push_back(large);
    Net supply;
    supply.name = "+5";
    // Three traces end at (0.9, 0.8): a 28/14 mil copy, a 65/40 mil copy and a 65/32 mil one.
    supply.vias.push_back(Via{0.9, 0.8, 0.028, 0.014, 1});
    supply.vias.push_back(Via{0.1, 0.1, 0.028, 0.014, 0});
    supply.vias.push_back(Via{0.9, 0.8, 0.065, 0.040, 2});
    supply.vias.push_back(Via{0.9 + 4e-9, 0.8, 0.065, 0.032, 1});  // 0.004 mil away: written alike
    supply.vias.push_back(Via{0.1 + 1e-5, 0.1, 0.050, 0.020, 2});  // 0.01 mil away: a via of its own
    supply.vias.push_back(Via{-1e-9, 0, 0.028, 0.014, 0});         // written -0.00, the same place as 0.00
    supply.vias.push_back(Via{0, 0, 0.028, 0.014, 1});
    board.nets.push_back(supply);
    Net ground;
    ground.name = "GND";
    ground.vias.push_back(Via{0.9, 0.8, 0.028, 0.014, 0});  // another net's via is not a copy
    board.nets.push_back(ground);

    const std::vector<const Via*> vias = distinct_vias(board.nets[0]);
    ASSERT_EQ(vias.size(), 4u);
    EXPECT_EQ(vias[0], &board.nets[0].vias[2]);
    EXPECT_EQ(vias[1], &board.nets[0].vias[1]);
    EXPECT_EQ(vias[2], &board.nets[0].vias[4]);
    EXPECT_EQ(vias[3], &board.nets[0].vias[5]);  // alike in size: the first copy stands

    const auto via = [](const char* padstack, const char* xy, const char* net) {
        return std::string("\n        (via ") + padstack + " " + xy + "\n            (net \"" + net +
               "\")\n            (type protect)\n        )";
    };
    EXPECT_EQ(wiring_of(board), "\n    (wiring" + via("Via102", "900.00 800.00", "+5") +
                                    via("DefVia", "100.00 100.00", "+5") + via("Via102", "100.01 100.00", "+5") +
                                    via("DefVia", "-0.00 0.00", "+5") + via("DefVia", "900.00 800.00", "GND") +
                                    "\n    )\n)");
    // The board keeps every copy: its via table and drill counts do not change.
    EXPECT_EQ(board.nets[0].vias.size(), 7u);
}

TEST(Wiring, ANetOfManyViasKeepsTheSameOnesAsOneOfFew) {
    // 40 vias at 20 places, each place twice: the second copy larger at even places. Past a few
    // vias a net's copies are found by a table rather than a search; the choice is the same.
    Net net;
    for (int copy = 0; copy < 2; ++copy) {
        for (int i = 0; i < 20; ++i) {
            const double pad = copy == 1 && i % 2 == 0 ? 0.065 : 0.028;
            net.vias.push_back(Via{0.1 * i + (copy == 1 ? 4e-9 : 0), 0.2, pad, 0.014, 0});
        }
    }
    const std::vector<const Via*> vias = distinct_vias(net);
    ASSERT_EQ(vias.size(), 20u);
    for (std::size_t i = 0; i < 20; ++i) EXPECT_EQ(vias[i], &net.vias[i % 2 == 0 ? 20 + i : i]) << i;
    // The first eight of them alone (four places) are a net of few vias.
    Net few;
    few.vias = {net.vias[0], net.vias[1], net.vias[2], net.vias[3], net.vias[20], net.vias[21], net.vias[22], net.vias[23]};
    const std::vector<const Via*> kept = distinct_vias(few);
    ASSERT_EQ(kept.size(), 4u);
    EXPECT_EQ(kept[0], &few.vias[4]);
    EXPECT_EQ(kept[1], &few.vias[1]);
    EXPECT_EQ(kept[2], &few.vias[6]);
    EXPECT_EQ(kept[3], &few.vias[3]);
}

TEST(Wiring, TraceEndsLieOnThePinCentreAsTheRouterPlacesItAndWiresEndAtViasAndBranches) {
    Board board = board_with_vias();
    // A part at (1712.6, 1377.954) mil, turned a quarter, with its pin 98.426 mil along the
    // footprint's x: the router adds the place and the pin offset as written (1377.95 - 98.43),
    // a hundredth of a mil from the pin's own place written (1279.528 as 1279.53).
    Footprint footprint;
    FootprintPin pin;
    pin.name = "1";
    pin.x = -0.098426;
    footprint.pins.push_back(pin);
    board.footprints.push_back(footprint);
    Part part;
    part.ref = "C2";
    part.x = 1.7126;
    part.y = 1.377954;
    part.rotation = 90;
    part.pins.push_back(PartPin{0, 0, 12, 0, 1.7126, 1.279528});
    board.parts.push_back(part);

    Net net;
    net.name = "5V";
    net.pins.push_back(NetPin{"C2.1", 1.7126, 1.279528, 12});
    // From the pin through a via and a branch on the same layer to an open end.
    Connect connect = trace({{1.7126, 1.279528, 12, 0.02}, {1.5, 1.279528, 12, 0.02}, {1.4, 1.2, 12, 0.02},
                             {1.3, 1.2, 0, 0}});
    connect.start_pin = 0;
    connect.vertices[1].via_pad_width = 0.028;
    connect.vertices[2].tee_id = 12345;
    net.connects.push_back(connect);
    board.nets.push_back(net);

    const std::string text = wiring_of(board);
    EXPECT_NE(text.find("(path Top 20.00\n                1712.60  1279.52\n                1500.00  1279.53\n"
                        "            )"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("(path Top 20.00\n                1500.00  1279.53\n                1400.00  1200.00\n"
                        "            )"),
              std::string::npos);
    EXPECT_NE(text.find("(path Top 20.00\n                1400.00  1200.00\n                1300.00  1200.00\n"
                        "            )"),
              std::string::npos);
}

TEST(Wiring, BoardWithoutNets) { EXPECT_EQ(wiring_of(board_with_vias()), "\n    (wiring\n    )\n)"); }

}  // namespace
}  // namespace tarnwick

namespace tarnwick {
namespace {

std::vector<std::string> paths_of(const std::string& text) {
    std::vector<std::string> paths;
    for (std::size_t at = text.find("(path "); at != std::string::npos; at = text.find("(path ", at + 1)) {
        std::string path = text.substr(at, text.find(')', at) - at);
        std::string compact;
        for (const char c : path) {
            if (c == '\n') {
                compact += '|';
            } else if (c != ' ' || (!compact.empty() && compact.back() != ' ' && compact.back() != '|')) {
                compact += c;
            }
        }
        paths.push_back(compact);
    }
    return paths;
}

TEST(Wiring, ATraceThatFoldsBackWithinItsWidthEndsAtTheFold) {
    Board board = board_with_vias();
    Net net;
    net.name = "N";
    // 40 mils wide: a turn back by 170 degrees between segments of 10 and 12 mils is a fold.
    net.connects.push_back(trace({{0, 0, 12, 0.04},
                                  {0.01, 0, 12, 0.04},
                                  {-0.0018, 0.0021, 12, 0.04},
                                  {-0.1, 0.0021, 0, 0}}));
    // Not folds: the same turn between longer segments, and a right angle between short ones.
    net.connects.push_back(trace({{0, 1, 12, 0.04}, {0.03, 1, 12, 0.04}, {0.0005, 1.0052, 0, 0}}));
    net.connects.push_back(trace({{0, 2, 12, 0.04}, {0.01, 2, 12, 0.04}, {0.01, 2.01, 0, 0}}));
    // A hook: two right angles 10 mils apart turn it back; the wire ends where the hook starts.
    net.connects.push_back(trace({{-0.1, 3, 12, 0.04}, {0, 3, 12, 0.04}, {0.01, 3, 12, 0.04}, {0.01, 3.01, 12, 0.04},
                                  {0, 3.01, 12, 0.04}, {-0.1, 3.01, 0, 0}}));
    // The same hook 30 mils long is no fold.
    net.connects.push_back(trace({{-0.1, 4, 12, 0.04}, {0.01, 4, 12, 0.04}, {0.01, 4.03, 12, 0.04},
                                  {0, 4.03, 12, 0.04}, {-0.1, 4.03, 0, 0}}));
    board.nets.push_back(net);
    EXPECT_EQ(paths_of(wiring_of(board)),
              (std::vector<std::string>{"(path Top 40.00|0.00 0.00|10.00 0.00|",
                                        "(path Top 40.00|10.00 0.00|-1.80 2.10|-100.00 2.10|",
                                        "(path Top 40.00|0.00 1000.00|30.00 1000.00|0.50 1005.20|",
                                        "(path Top 40.00|0.00 2000.00|10.00 2000.00|10.00 2010.00|",
                                        "(path Top 40.00|-100.00 3000.00|0.00 3000.00|10.00 3000.00|",
                                        "(path Top 40.00|10.00 3000.00|10.00 3010.00|0.00 3010.00|-100.00 3010.00|",
                                        "(path Top 40.00|-100.00 4000.00|10.00 4000.00|10.00 4030.00|0.00 4030.00|"
                                        "-100.00 4030.00|"}));
}

}  // namespace
}  // namespace tarnwick
