#include "dsn/structure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "design_file_support.h"

namespace tarnwick {
namespace {

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

TEST(ArcPoints, QuarterCircleClockwiseFromOriginToOneInch) {
    test::MemoryDesignFile memory(2);
    EXPECT_EQ(write_arc_points(memory.file, 0, 0, 1, 1, 1), 1);
    const std::vector<std::string> lines = lines_of(memory.text());
    ASSERT_EQ(lines.size(), 17u);
    EXPECT_EQ(lines[0], "        3.81  87.16");      // 175 degrees around (1000, 0)
    EXPECT_EQ(lines[1], "        15.19  173.65");    // 170 degrees
    EXPECT_EQ(lines[16], "        912.84  996.19");  // 95 degrees
}

TEST(ArcPoints, EveryDirectionStaysOnTheQuarterBetweenTheCorners) {
    // For each style and direction of travel, the points stay inside the rectangle spanned by
    // the two corners and run monotonically from the first towards the second.
    const double xs[] = {1, -1};
    const double ys[] = {1, -1};
    for (std::uint32_t style : {1u, 2u}) {
        for (double dx : xs) {
            for (double dy : ys) {
                test::MemoryDesignFile memory;
                ASSERT_EQ(write_arc_points(memory.file, 0, 0, dx * 2, dy, style), 1);
                double previous_x = 0;
                double previous_y = 0;
                int count = 0;
                for (const std::string& line : lines_of(memory.text())) {
                    double x = 0;
                    double y = 0;
                    ASSERT_EQ(std::sscanf(line.c_str(), "%lf %lf", &x, &y), 2);
                    EXPECT_GE(x * dx, previous_x * dx) << style << " " << dx << " " << dy;
                    EXPECT_GE(y * dy, previous_y * dy) << style << " " << dx << " " << dy;
                    EXPECT_LE(x * dx, 2000.0);
                    EXPECT_LE(y * dy, 1000.0);
                    previous_x = x;
                    previous_y = y;
                    ++count;
                }
                EXPECT_EQ(count, 17);
            }
        }
    }
}

TEST(ArcPoints, StyleDecidesTheBulge) {
    // From (0,0) to (1,1): clockwise bulges above the diagonal (centre (1,0)), counter-clockwise
    // below it (centre (0,1)).
    test::MemoryDesignFile clockwise;
    write_arc_points(clockwise.file, 0, 0, 1, 1, 1);
    test::MemoryDesignFile counter;
    write_arc_points(counter.file, 0, 0, 1, 1, 2);
    EXPECT_EQ(lines_of(clockwise.text())[8], "292.89  707.11");
    EXPECT_EQ(lines_of(counter.text())[8], "707.11  292.89");
}

TEST(ArcPoints, LevelOrPlumbCornersAndUnknownStylesStayStraight) {
    test::MemoryDesignFile memory;
    testing::internal::CaptureStderr();
    EXPECT_EQ(write_arc_points(memory.file, 0, 0, 0, 1, 1), 0);
    EXPECT_EQ(write_arc_points(memory.file, 0, 0, 1, 0, 2), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    testing::internal::CaptureStderr();
    EXPECT_EQ(write_arc_points(memory.file, 0, 0, 1, 1, 3), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "\nInvalid arc found\n");
    EXPECT_EQ(memory.text(), "");
}

TEST(LayerNames, CopperLayersInDesignFileOrder) {
    EXPECT_EQ(layer_name(0), "");
    EXPECT_EQ(layer_name(11), "");
    EXPECT_EQ(layer_name(12), "Top");
    EXPECT_EQ(layer_name(13), "Bottom");
    EXPECT_EQ(layer_name(14), "Inner_1");
    EXPECT_EQ(layer_name(43), "Inner_30");

    EXPECT_EQ(dsn_layer_index_to_layer(0, 4), 12u);
    EXPECT_EQ(dsn_layer_index_to_layer(1, 4), 14u);
    EXPECT_EQ(dsn_layer_index_to_layer(2, 4), 15u);
    EXPECT_EQ(dsn_layer_index_to_layer(3, 4), 13u);
    EXPECT_EQ(dsn_layer_index_to_layer(1, 2), 13u);
}

struct TestCorner {
    double x;
    double y;
    std::uint32_t style;
    std::uint32_t end_contour;
};

TEST(PolygonWithWindows, EveryContourAfterTheFirstIsAWindow) {
    const std::vector<TestCorner> corners = {
        {0, 0, 0, 0},     {1, 0, 0, 0},     {1, 1, 0, 0},     {0, 1, 0, 1},  // outline
        {0.2, 0.2, 0, 0}, {0.4, 0.2, 0, 0}, {0.4, 0.4, 0, 1},                // hole 1
        {0.6, 0.6, 0, 0}, {0.8, 0.6, 0, 0}, {0.8, 0.8, 0, 1},                // hole 2
    };
    test::MemoryDesignFile memory(3);
    write_polygon_with_windows(memory.file, corners, "Top");
    EXPECT_EQ(memory.text(),
              "\n            (polygon Top 0"
              "\n                0.00  0.00\n                1000.00  0.00"
              "\n                1000.00  1000.00\n                0.00  1000.00"
              "\n            )"
              "\n            (window"
              "\n                (polygon Top 0"
              "\n                    200.00  200.00\n                    400.00  200.00"
              "\n                    400.00  400.00"
              "\n                )"
              "\n            )"
              "\n            (window"
              "\n                (polygon Top 0"
              "\n                    600.00  600.00\n                    800.00  600.00"
              "\n                    800.00  800.00"
              "\n                )"
              "\n            )");
    EXPECT_EQ(memory.file.adjust_indent(0), 3);
}

TEST(PolygonWithWindows, ArcsRunToTheNextCornerOrBackToTheContourStart) {
    // An arc on the flagged last corner of a hole closes towards the hole's first corner; an
    // unflagged last corner closes towards the first corner of its contour as well.
    const std::vector<TestCorner> corners = {
        {0, 0, 0, 0},     {2, 0, 1, 0},     {3, 1, 0, 0}, {0, 1, 0, 1}, {1, 0.2, 0, 0},
        {1.5, 0.2, 0, 0}, {1.5, 0.7, 2, 1}, {5, 5, 0, 0}, {6, 6, 1, 0},
    };
    test::MemoryDesignFile memory;
    write_polygon_with_windows(memory.file, corners, "signal");
    const std::vector<std::string> lines = lines_of(memory.text());
    // polygon line + 4 corners + 17 arc points + ")" , then two windows.
    ASSERT_EQ(lines.size(), 1 + 4 + 17 + 1 + (2 + 3 + 17 + 2) + (2 + 2 + 17 + 2));
    EXPECT_EQ(lines[2], "    2000.00  0.00");
    EXPECT_EQ(lines[20], "    3000.00  1000.00");  // the next corner right after the arc
    // Hole arc from (1.5, 0.7) back to (1, 0.2), counter-clockwise: centre (1.5, 0.2).
    EXPECT_EQ(lines[27], "        1500.00  700.00");
    EXPECT_EQ(lines[28], "        1456.42  698.10");
    // Last contour without flag: arc from (6, 6) back to (5, 5).
    EXPECT_EQ(lines[lines.size() - 3], "        5087.16  5003.81");
}

Board board_with_layers(std::uint32_t count) {
    Board board;
    board.options.n_copper_layers = count;
    board.copper_layers.assign(count, CopperLayerInfo{});
    for (std::uint32_t i = 0; i < count; ++i) board.copper_layers[i].direction = i % 2;
    Padstack via;
    via.is_via = 1;
    board.padstacks.push_back(via);
    return board;
}

std::string structure_of(const Board& board) {
    RunSettings settings;
    settings.pcb_outline = settings.signal_outline = 1;
    test::MemoryDesignFile memory(1);
    write_structure(memory.file, board, settings);
    EXPECT_EQ(memory.file.adjust_indent(0), 1);
    return memory.text();
}

TEST(Structure, SnapAngleNamesOnlyNinetyAndFortyFive) {
    Board board = board_with_layers(2);
    for (auto [angle, text] : {std::pair<std::uint32_t, const char*>{90, "ninety_degree"},
                               {45, "fortyfive_degree"},
                               {0, "none"},
                               {22, "none"}}) {
        board.options.snap_angle = angle;
        const std::string expected = std::string("\n        (snap_angle\n            ") + text + "\n        )";
        EXPECT_NE(structure_of(board).find(expected), std::string::npos) << angle;
    }
}

TEST(Structure, RulesInMilsWithOneDecimal) {
    Board board = board_with_layers(2);
    board.options.default_trace_width = 0.01;
    board.options.drc_trace_trace = 0.008;
    board.options.drc_pad_trace = 0.0075;
    board.options.drc_copper_copper = 0.012;
    board.options.drc_pad_pad = 0.006;
    board.options.drc_board_edge_copper = 0.025;
    const std::string text = structure_of(board);
    const std::string rules =
        "\n        (control\n            (via_at_smd off)\n        )\n        (rule"
        "\n            (width 10.0)\n            (clear 8.0)"
        "\n            (clear 7.5 (type pad_to_turn_gap))\n            (clear 7.5 (type smd_to_turn_gap))"
        "\n            (clear 12.0 (type default_area))"
        "\n            (clear 6.0 (type via_via))\n            (clear 6.0 (type via_smd))"
        "\n            (clear 6.0 (type via_pin))\n            (clear 6.0 (type pin_pin))"
        "\n            (clear 6.0 (type smd_pin))\n            (clear 6.0 (type smd_smd))"
        "\n            (clear 25.0 (type default_Outlines))\n            (clear 25.0 (type area_Outlines))"
        "\n            (clear 25.0 (type via_Outlines))\n            (clear 25.0 (type smd_Outlines))"
        "\n            (clear 25.0 (type pin_Outlines))\n            (clear 0.00 (type Outlines_Outlines))"
        "\n        )";
    EXPECT_NE(text.find(rules), std::string::npos) << text;
}

TEST(Structure, ViaListNamesEveryViaPadstackInOrder) {
    Board board = board_with_layers(2);
    Padstack pad;
    board.padstacks.push_back(pad);
    Padstack via;
    via.is_via = 1;
    board.padstacks.push_back(via);
    EXPECT_NE(structure_of(board).find("\n        (via\n            DefVia\n            Via102\n        )"),
              std::string::npos);
}

TEST(Structure, FourSignalLayersAlternateDirectionsInBoardOrder) {
    const std::string text = structure_of(board_with_layers(4));
    const std::string layers =
        "\n        (layer Top\n            (type signal)\n            (direction horizontal)\n        )"
        "\n        (layer Inner_1\n            (type signal)\n            (direction horizontal)\n        )"
        "\n        (layer Inner_2\n            (type signal)\n            (direction vertical)\n        )"
        "\n        (layer Bottom\n            (type signal)\n            (direction vertical)\n        )"
        "\n    )";
    EXPECT_NE(text.find(layers), std::string::npos) << text;
}

BoardOutline rectangle(double x1, double y1, double x2, double y2) {
    BoardOutline outline;
    outline.corners = {{x1, y1, 0}, {x2, y1, 0}, {x2, y2, 0}, {x1, y2, 0}};
    outline.corner_count = 4;
    return outline;
}

// Two boards of a panel and a strip for the keys: the reader took the bounds of outline 1 only.
Board panel() {
    Board board = board_with_layers(2);
    board.outlines = {rectangle(0, 0, 1, 1), rectangle(2, -0.5, 3, 1), rectangle(0.25, 1.5, 0.75, 1.75)};
    board.outline_min_x = board.outline_min_y = 0;
    board.outline_max_x = board.outline_max_y = 1;
    return board;
}

std::string structure_of(const Board& board, std::uint32_t signal_outline, std::string& console) {
    RunSettings settings;
    settings.pcb_outline = 1;
    settings.signal_outline = signal_outline;
    testing::internal::CaptureStderr();
    const std::string text = test::section_text([&](DesignFile& file) { write_structure(file, board, settings); });
    console = testing::internal::GetCapturedStderr();
    return text;
}

TEST(Boundary, RectangleEnclosesEveryOutlineAndTheSignalPathIsTheSelectedOne) {
    std::string console;
    std::string text = structure_of(panel(), 1, console);
    EXPECT_NE(text.find("\n            (rect pcb 0.00 -500.00 3000.00 1750.00)\n        )"
                        "\n        (boundary\n            (path signal 0"
                        "\n                0.00  0.00\n                1000.00  0.00"
                        "\n                1000.00  1000.00\n                0.00  1000.00\n            )"),
              std::string::npos)
        << text;
    EXPECT_EQ(console, "");  // the board has no copper

    text = structure_of(panel(), 2, console);
    EXPECT_NE(text.find("(rect pcb 0.00 -500.00 3000.00 1750.00)\n        )"
                        "\n        (boundary\n            (path signal 0\n                2000.00  -500.00"),
              std::string::npos);

    // One outline: the rectangle is its box, as the reader took it.
    Board single = board_with_layers(2);
    single.outlines = {rectangle(0.5, 0.25, 1.5, 0.75)};
    single.outline_min_x = 0.5;
    single.outline_min_y = 0.25;
    single.outline_max_x = 1.5;
    single.outline_max_y = 0.75;
    EXPECT_NE(structure_of(single, 1, console).find("(rect pcb 500.00 250.00 1500.00 750.00)"), std::string::npos);
}

TEST(Boundary, SignalPathDrawsArcsAsTheOtherPolygonsDo) {
    Board board = board_with_layers(2);
    BoardOutline round = rectangle(0, 0, 1, 1);
    round.corners[1].style = 2;  // (1, 0) to (1, 1): plumb, stays straight
    round.corners[3].style = 1;  // (0, 1) back to (0, 0): plumb as well
    round.corners[2].style = 1;  // (1, 1) to (0, 1): level
    board.outlines = {round};
    std::string console;
    EXPECT_NE(structure_of(board, 1, console)
                  .find("(path signal 0\n                0.00  0.00\n                1000.00  0.00"
                        "\n                1000.00  1000.00\n                0.00  1000.00\n            )"),
              std::string::npos);
    board.outlines[0].corners = {{0, 0, 1}, {1, 1, 0}, {0, 1, 0}};  // clockwise arc from (0, 0) to (1, 1)
    const std::vector<std::string> lines = lines_of(structure_of(board, 1, console));
    const auto path = std::find(lines.begin(), lines.end(), "            (path signal 0");
    ASSERT_NE(path, lines.end());
    EXPECT_EQ(path[1], "                0.00  0.00");
    EXPECT_EQ(path[2], "                3.81  87.16");
    EXPECT_EQ(path[18], "                912.84  996.19");
    EXPECT_EQ(path[19], "                1000.00  1000.00");
}

TEST(Boundary, PointsOutsideAConcaveOutlineWithArcs) {
    // An L: the notch at the top right is outside; the edges count as inside.
    const std::vector<PlanePoint> l_shape = {{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}};
    EXPECT_FALSE(lies_outside(l_shape, 0.5, 0.5));
    EXPECT_FALSE(lies_outside(l_shape, 0.5, 1.5));
    EXPECT_FALSE(lies_outside(l_shape, 1.5, 0.5));
    EXPECT_TRUE(lies_outside(l_shape, 1.5, 1.5));
    EXPECT_TRUE(lies_outside(l_shape, -0.1, 0.5));
    EXPECT_TRUE(lies_outside(l_shape, 2.5, 0.5));
    EXPECT_FALSE(lies_outside(l_shape, 2, 0.5));               // on an edge
    EXPECT_FALSE(lies_outside(l_shape, 1, 1));                 // on the inner corner
    EXPECT_FALSE(lies_outside(l_shape, 2 + 0.004e-3, 0.5));    // within half of the last digit written
    EXPECT_TRUE(lies_outside(l_shape, 2 + 0.006e-3, 0.5));
    EXPECT_FALSE(lies_outside(l_shape, 1.5, 1 + 0.004e-3));
    EXPECT_FALSE(lies_outside({{0, 0}, {1, 0}}, 5, 5));  // no area: nothing to test against

    // A quarter-round corner: the square's corner lies outside the arc, a point near it inside.
    BoardOutline rounded;
    rounded.corners = {{0, 0, 0}, {1, 0, 2}, {0, 1, 0}};  // arc from (1, 0) to (0, 1) around (0, 0)
    const std::vector<PlanePoint> quarter = boundary_points(rounded);
    ASSERT_EQ(quarter.size(), 3u + 17u);
    EXPECT_TRUE(lies_outside(quarter, 0.9, 0.9));
    EXPECT_FALSE(lies_outside(quarter, 0.6, 0.6));
}

// A board with one part of two pads, and the nets' copper given by the test.
Board board_with_copper() {
    Board board = panel();
    Padstack via;
    via.is_via = 1;
    board.padstacks.push_back(via);
    Footprint footprint;
    footprint.name = "R";
    footprint.pins.resize(3);
    footprint.pins[0].top_pad.shape = pad_shape_square;
    footprint.pins[1].top_pad.shape = pad_shape_circle;
    footprint.pins[2].hole = 0.1;  // a bare hole: no copper
    board.footprints.push_back(footprint);
    Part part;
    part.ref = "R1";
    part.pins.resize(3);
    board.parts.push_back(part);
    for (const char* name : {"GND", "SIG", "KEEPOUT"}) {
        Net net;
        net.name = name;
        board.nets.push_back(net);
    }
    board.nets[2].reserved = 2;
    return board;
}

Connect segments(std::vector<PlanePoint> points, std::uint32_t layer) {
    Connect connect;
    connect.segment_count = static_cast<std::uint32_t>(points.size() - 1);
    for (const PlanePoint& point : points) {
        Vertex vertex;
        vertex.x = point.x;
        vertex.y = point.y;
        vertex.seg_layer = layer;
        vertex.seg_width = 0.01;
        connect.vertices.push_back(vertex);
    }
    return connect;
}

TEST(Boundary, CopperOutsideTheSignalBoundaryIsCountedAndNamedInOneWarning) {
    Board board = board_with_copper();
    // Inside outline 1, the pads on its edge: nothing to say.
    board.parts[0].pins[0].x = 0.5;
    board.parts[0].pins[1].x = 1;
    board.parts[0].pins[2].x = 5;  // the bare hole does not count
    board.nets[0].connects.push_back(segments({{0.1, 0.1}, {0.9, 0.1}, {0.9, 0.9}}, 12));
    std::string console;
    structure_of(board, 1, console);
    EXPECT_EQ(console, "");

    // Into the second outline: a trace of three segments, two of them with an end outside; a
    // rat-line and a reserved net's trace, which are not copper the router is given; a via
    // carried by two traces; a pad of SIG.
    board.nets[0].connects.push_back(segments({{0.5, 0.5}, {0.6, 0.5}, {2.5, 0.5}, {2.6, 0.5}}, 13));
    board.nets[0].connects.push_back(segments({{0.5, 0.5}, {2.5, 0.5}}, rat_line_layer));
    board.nets[2].connects.push_back(segments({{0.5, 0.5}, {2.5, 0.5}}, 12));
    board.nets[0].vias = {{2.5, 0.5, 0.028, 0.014, 1}, {2.5, 0.5, 0.028, 0.014, 1}};
    board.parts[0].pins[1].x = 2.2;
    board.parts[0].pins[1].net = 1;
    structure_of(board, 1, console);
    EXPECT_EQ(console,
              "\nWarning: 2 trace segments, 1 via and 1 pad of 2 nets (\"GND\", \"SIG\") lie outside the signal "
              "boundary (board outline 1): the router keeps them but routes nothing outside it; -Un1,n2 makes "
              "outline n2 the signal boundary.\n");

    // From outline 2 the rest is outside; a pad without a net is counted but names none.
    board.parts[0].pins[1].net = -1;
    structure_of(board, 2, console);
    EXPECT_EQ(console,
              "\nWarning: 4 trace segments and 1 pad of 1 net (\"GND\") lie outside the signal boundary (board "
              "outline 2): the router keeps them but routes nothing outside it; -Un1,n2 makes outline n2 the "
              "signal boundary.\n");

    // A board of one outline has no other to choose.
    Board single = board_with_copper();
    single.outlines.resize(1);
    single.parts[0].pins[0].x = 1.5;
    structure_of(single, 1, console);
    EXPECT_EQ(console,
              "\nWarning: 1 pad lies outside the signal boundary (board outline 1): the router keeps it but routes "
              "nothing outside it.\n");
}

TEST(Boundary, NetsBeyondFiveAreCounted) {
    Board board = board_with_copper();
    board.nets.clear();
    for (int i = 0; i < 7; ++i) {
        Net net;
        net.name = "N" + std::to_string(i);
        net.vias.push_back({5, 5, 0.028, 0.014, 1});
        board.nets.push_back(net);
    }
    std::string console;
    structure_of(board, 1, console);
    EXPECT_EQ(console,
              "\nWarning: 7 vias of 7 nets (\"N0\", \"N1\", \"N2\", \"N3\", \"N4\" and 2 more) lie outside the "
              "signal boundary (board outline 1): the router keeps them but routes nothing outside it; -Un1,n2 makes "
              "outline n2 the signal boundary.\n");
}

}  // namespace
}  // namespace tarnwick

namespace tarnwick {
namespace {

// The banded test answers as lies_outside does, on boundaries with arcs, spikes, level and
// plumb edges, and for points inside, outside, on the edges and at the corners.
TEST(OutsideTest, AnswersAsLiesOutside) {
    std::uint64_t state = 3;
    auto random = [&state](int n) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<int>((state >> 33) % static_cast<std::uint64_t>(n));
    };
    for (int shape = 0; shape < 40; ++shape) {
        BoardOutline outline;
        const int corners = 3 + random(12);
        for (int c = 0; c < corners; ++c) {
            // Around a circle, with spikes; some corners share a height or a width.
            const double angle = 6.283185307179586 * c / corners;
            const double radius = 1.0 + 0.1 * random(10) + (random(8) == 0 ? 3.0 : 0.0);
            OutlineCorner corner;
            corner.x = random(5) == 0 && c > 0 ? outline.corners.back().x : 5 + radius * std::cos(angle);
            corner.y = random(5) == 0 && c > 0 ? outline.corners.back().y : 5 + radius * std::sin(angle);
            corner.style = static_cast<std::uint32_t>(random(6) == 0 ? 1 + random(2) : 0);
            outline.corners.push_back(corner);
        }
        testing::internal::CaptureStderr();
        const std::vector<PlanePoint> boundary = boundary_points(outline);
        testing::internal::GetCapturedStderr();
        const OutsideTest outside(boundary);
        for (int q = 0; q < 2000; ++q) {
            double x = 0.001 * random(10000);
            double y = 0.001 * random(10000);
            if (q % 3 == 0) {  // on or just beside an edge or a corner
                const PlanePoint& a = boundary[static_cast<std::size_t>(random(static_cast<int>(boundary.size())))];
                const PlanePoint& b = boundary[static_cast<std::size_t>(random(static_cast<int>(boundary.size())))];
                const double t = random(3) == 0 ? 0.0 : 0.001 * random(1000);
                x = a.x + t * (b.x - a.x) + 0.000001 * (random(21) - 10);
                y = a.y + t * (b.y - a.y) + 0.000001 * (random(21) - 10);
            }
            ASSERT_EQ(outside(x, y), lies_outside(boundary, x, y)) << "shape " << shape << " at (" << x << ", " << y << ")";
        }
    }
    // Too few points to enclose anything: nothing lies outside.
    const std::vector<PlanePoint> line{{0, 0}, {1, 1}};
    EXPECT_FALSE(OutsideTest(line)(5, 5));
}

}  // namespace
}  // namespace tarnwick
