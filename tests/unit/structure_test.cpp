#include "dsn/structure.h"

#include <gtest/gtest.h>

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
    via.name = "DefVia";
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
    pad.name = "Pad101";
    board.padstacks.push_back(pad);
    Padstack via;
    via.name = "Via102";
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

}  // namespace
}  // namespace tarnwick
