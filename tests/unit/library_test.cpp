#include "dsn/library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "design_file_support.h"
#include "test_support.h"

namespace tarnwick {
namespace {

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t text = line.find_first_not_of(' ');
        if (text != std::string::npos) lines.push_back(line.substr(text));
    }
    return lines;
}

PadstackLayer pad(double wide, double high, double radius = 0) { return {wide, high, radius}; }

Padstack through_hole(std::uint32_t shape, PadstackLayer layer) {
    Padstack padstack;
    padstack.top_shape = padstack.inner_shape = padstack.bottom_shape = shape;
    padstack.top = padstack.inner = padstack.bottom = layer;
    padstack.hole = 0.035;
    return padstack;
}

std::string padstack_text(const std::string& name, const Padstack& padstack, std::uint32_t copper_layers) {
    test::MemoryDesignFile memory(2);
    write_padstack(memory.file, name, padstack, copper_layers);
    EXPECT_EQ(memory.file.adjust_indent(0), 2);
    return memory.text();
}

TEST(PadstackRecords, PadAlikeOnAllLayersIsOneSignalShape) {
    const Padstack padstack = through_hole(pad_shape_circle, pad(0.06, 0.06));
    EXPECT_EQ(padstack_text("Pad101", padstack, 2),
              "\n        (padstack Pad101\n            (shape (circle signal 60.00))\n        )");
    EXPECT_EQ(padstack_text("Pad101", padstack, 4),
              "\n        (padstack Pad101\n            (shape (circle signal 60.00))\n        )");
}

TEST(PadstackRecords, DifferentPadsGetOneShapePerLayerTopInnerBottom) {
    Padstack padstack = through_hole(pad_shape_circle, pad(0.06, 0.06));
    padstack.bottom = pad(0.07, 0.07);
    EXPECT_EQ(padstack_text("Pad102", padstack, 2),
              "\n        (padstack Pad102"
              "\n            (shape (circle Top 60.00))"
              "\n            (shape (circle Bottom 70.00))"
              "\n        )");
    padstack.inner = pad(0.05, 0.05);
    EXPECT_EQ(padstack_text("Pad102", padstack, 4),
              "\n        (padstack Pad102"
              "\n            (shape (circle Top 60.00))"
              "\n            (shape (circle Inner_1 50.00))"
              "\n            (shape (circle Inner_2 50.00))"
              "\n            (shape (circle Bottom 70.00))"
              "\n        )");
}

TEST(PadstackRecords, InnerPadCountsOnlyFromThreeLayersOn) {
    // Top and bottom alike, inner different: one shape on two layers, three shapes on three.
    Padstack padstack = through_hole(pad_shape_rectangle, pad(0.08, 0.04));
    padstack.inner_shape = pad_shape_circle;
    padstack.inner = pad(0.05, 0.05);
    EXPECT_EQ(lines_of(padstack_text("Pad103", padstack, 2)).size(), 3u);
    EXPECT_EQ(lines_of(padstack_text("Pad103", padstack, 3)),
              (std::vector<std::string>{"(padstack Pad103", "(shape (rect Top -40.00 -20.00 40.00 20.00))",
                                        "(shape (circle Inner_1 50.00))",
                                        "(shape (rect Bottom -40.00 -20.00 40.00 20.00))", ")"}));
    // A rounded rectangle differing only in its corner radius is not alike.
    Padstack rounded = through_hole(pad_shape_rounded_rectangle, pad(0.08, 0.04, 0.01));
    rounded.bottom.radius = 0.005;
    const std::string text = padstack_text("Pad104", rounded, 2);
    EXPECT_NE(text.find("(polygon Top 0"), std::string::npos);
    EXPECT_NE(text.find("(polygon Bottom 0"), std::string::npos);
}

TEST(PadstackRecords, SurfacePadIsOneShapeOnItsSide) {
    Padstack padstack;
    padstack.top_shape = pad_shape_rectangle;
    padstack.top = pad(0.08, 0.04);
    EXPECT_EQ(padstack_text("Pad105", padstack, 2),
              "\n        (padstack Pad105\n            (shape (rect Top -40.00 -20.00 40.00 20.00))\n        )");
    Padstack bottom;
    bottom.bottom_shape = pad_shape_square;
    bottom.bottom = pad(0.05, 0.05);
    EXPECT_EQ(padstack_text("Pad106", bottom, 2),
              "\n        (padstack Pad106\n            (shape (rect Bottom -25.00 -25.00 25.00 25.00))\n        )");
}

TEST(PadstackRecords, OvalIsTwoSemicirclesOfEighteenPointsOutsideTheTrueArc) {
    Padstack padstack;
    padstack.top_shape = pad_shape_oval;
    padstack.top = pad(0.1, 0.05);
    const std::vector<std::string> lines = lines_of(padstack_text("Pad107", padstack, 2));
    ASSERT_EQ(lines.size(), 3u + 36u + 3u);
    EXPECT_EQ(lines[1], "(shape");
    EXPECT_EQ(lines[2], "(polygon Top 0");
    EXPECT_EQ(lines[3], "27.19  -25.00");    // -85 degrees around (25, 0)
    EXPECT_EQ(lines[20], "27.19  25.00");    // 85 degrees
    EXPECT_EQ(lines[21], "-27.19  25.00");   // 95 degrees around (-25, 0)
    EXPECT_EQ(lines[38], "-27.19  -25.00");  // 265 degrees

    // Standing upright, the semicircles sit above and below.
    padstack.top = pad(0.05, 0.1);
    const std::vector<std::string> upright = lines_of(padstack_text("Pad107", padstack, 2));
    ASSERT_EQ(upright.size(), 42u);
    EXPECT_EQ(upright[3], "25.00  27.19");  // 5 degrees around (0, 25)
}

TEST(PadstackRecords, RoundedRectangleHasNinePointsPerCorner) {
    Padstack padstack;
    padstack.top_shape = pad_shape_rounded_rectangle;
    padstack.top = pad(0.08, 0.04, 0.01);
    const std::vector<std::string> lines = lines_of(padstack_text("Pad108", padstack, 2));
    ASSERT_EQ(lines.size(), 3u + 36u + 3u);
    EXPECT_EQ(lines[3], "30.87  -20.00");    // 275 degrees around (30, -10)
    EXPECT_EQ(lines[38], "-30.87  -20.00");  // 265 degrees around (-30, -10)
}

TEST(PadstackRecords, OctagonIsEightPointsWithOneBlank) {
    Padstack padstack = through_hole(pad_shape_octagon, pad(0.06, 0.06));
    const std::vector<std::string> lines = lines_of(padstack_text("Pad109", padstack, 2));
    ASSERT_EQ(lines.size(), 3u + 8u + 3u);
    EXPECT_EQ(lines[2], "(polygon signal 0");
    EXPECT_EQ(lines[3], "30.00 12.43");
    EXPECT_EQ(lines[4], "12.43 30.00");
    EXPECT_EQ(lines[10], "30.00 -12.43");
}

TEST(PadstackRecords, ShapeWithoutCopperOnAWrittenLayerEndsTheRun) {
    Padstack padstack;
    padstack.inner_shape = pad_shape_circle;  // surface pad with an inner shape only
    test::MemoryDesignFile memory(2);
    FatalError error = test::expect_fatal([&] { write_padstack(memory.file, "Pad103", padstack, 2); });
    EXPECT_EQ(error.code, 40760);
    EXPECT_EQ(error.message, "invalid Bottom pad shape in Pad103");

    Padstack odd = through_hole(7, pad(0.06, 0.06));
    error = test::expect_fatal([&] { write_padstack(memory.file, "Pad110", odd, 2); });
    EXPECT_EQ(error.code, 40760);
    EXPECT_EQ(error.message, "invalid signal pad shape in Pad110");
}

FootprintPin footprint_pin(const char* name, double x, double y, std::uint32_t angle, std::uint32_t shape, double hole,
                           std::uint32_t padstack) {
    FootprintPin pin;
    pin.name = name;
    pin.x = x;
    pin.y = y;
    pin.angle = angle;
    pin.top_pad.shape = shape;
    pin.bottom_pad.shape = shape;
    pin.hole = hole;
    pin.padstack = padstack;
    return pin;
}

std::string library_of(const Board& board) {
    return test::section_text([&](DesignFile& file) { write_library(file, board); });
}

TEST(Library, ImagePinsKeepoutsSelectionOutlinesAndHoles) {
    Board board;
    const Padstack round = through_hole(pad_shape_circle, pad(0.06, 0.06));
    board.padstacks = {round, round};
    board.padstacks[0].is_via = 1;

    Footprint footprint;
    footprint.name = "CONN";
    footprint.sel_rect = {-0.1, -0.05, 0.2, 0.05};
    footprint.pins = {footprint_pin("1", 0, 0, 270, pad_shape_circle, 0.035, 1),
                      footprint_pin("MH", 0.15, 0, 0, pad_shape_none, 0.125, 0)};
    footprint.keepouts = {{0, 0.155, 0.15, 0}, {12, 0.065, 0, 0}, {13, 0.065, 0, 0}, {15, 0.065, 0, 0}};
    FootprintPolyline open_line;
    open_line.x = -0.1;
    open_line.y = 0;
    open_line.corners = {{0, 0.1, 2}, {0.1, 0.1, 0}};
    open_line.corner_count = 2;
    footprint.polylines.push_back(open_line);
    board.footprints.push_back(footprint);
    Footprint unused;
    unused.name = "EMPTY";
    board.footprints.push_back(unused);

    const std::string text = library_of(board);
    const std::string image =
        "\n    (library"
        "\n        (image \"CONN\""
        "\n            (side front)"
        "\n            (pin Pad101 (rotate 270) \"1\" 0.00 0.00)"
        "\n            (keepout (circle signal 155.00 150.00 0.00))"
        "\n            (keepout (circle Top 65.00 0.00 0.00))"
        "\n            (keepout (circle Bottom 65.00 0.00 0.00))"
        "\n            (keepout (circle Inner_2 65.00 0.00 0.00))"
        "\n            (outline"
        "\n                (rect signal -100.00 -50.00 200.00 50.00)"
        "\n            )"
        "\n            (outline"
        "\n                (path signal 0"
        "\n                    -100.00  0.00";
    EXPECT_EQ(text.rfind(image, 0), 0u) << text;
    // The open line's second side is a path of its own.
    const std::string tail =
        "\n                    0.00  100.00"
        "\n                )"
        "\n            )"
        "\n            (outline"
        "\n                (path signal 0"
        "\n                    0.00  100.00"
        "\n                    100.00  100.00"
        "\n                )"
        "\n            )"
        "\n            (outline"
        "\n                (circle  signal 35.00 0.00 0.00)"
        "\n            )"
        "\n            (outline"
        "\n                (circle  signal 125.00 150.00 0.00)"
        "\n            )"
        "\n        )"
        "\n        (image \"EMPTY\""
        "\n            (side front)"
        "\n            (outline"
        "\n                (rect signal 0.00 0.00 0.00 0.00)"
        "\n            )"
        "\n        )"
        "\n        (padstack DefVia";
    EXPECT_NE(text.find(tail), std::string::npos) << text;
    // 17 arc points between the first point and the first corner.
    const std::size_t from = text.find("-100.00  0.00");
    const std::size_t to = text.find("0.00  100.00", from);
    EXPECT_EQ(lines_of(text.substr(from, to - from)).size(), 1u + 17u);
}

// The shape of each outline record of an image, its lines joined by "|" without indentation.
std::vector<std::string> image_outlines(const Footprint& footprint) {
    Board board;
    board.footprints.push_back(footprint);
    const std::vector<std::string> lines = lines_of(library_of(board));
    std::vector<std::string> outlines;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] != "(outline") continue;
        std::string outline;
        for (++i; lines[i] != ")"; ++i) outline += lines[i] + "|";
        outlines.push_back(outline);
    }
    return outlines;
}

TEST(Library, OpenOutlineLinesAreOnePathPerSideSoTheRouterHasNothingToClose) {
    Footprint footprint;
    footprint.name = "CLIP";
    FootprintPolyline open_line;  // four corners: straight, arc, straight
    open_line.x = 0;
    open_line.y = 0;
    open_line.corners = {{0.1, 0, 0}, {0.2, 0.1, 1}, {0.2, 0.2, 0}};
    FootprintPolyline closed = open_line;
    closed.closed = 1;
    FootprintPolyline one_side = open_line;
    one_side.corners.resize(1);
    FootprintPolyline lone_point = open_line;
    lone_point.corners.clear();
    footprint.polylines = {open_line, closed, one_side, lone_point};

    const std::vector<std::string> outlines = image_outlines(footprint);
    ASSERT_EQ(outlines.size(), 1u + 3u + 1u + 1u + 1u);
    EXPECT_EQ(outlines[0], "(rect signal 0.00 0.00 0.00 0.00)|");
    EXPECT_EQ(outlines[1], "(path signal 0|0.00  0.00|100.00  0.00|");
    // The arc side keeps its 17 points between its two corners.
    EXPECT_EQ(outlines[2].rfind("(path signal 0|100.00  0.00|", 0), 0u);
    EXPECT_EQ(outlines[2].substr(outlines[2].size() - 16), "|200.00  100.00|");
    EXPECT_EQ(std::count(outlines[2].begin(), outlines[2].end(), '|'), 1 + 2 + 17);
    EXPECT_EQ(outlines[3], "(path signal 0|200.00  100.00|200.00  200.00|");
    // A closed line stays one polygon, arc points and all.
    EXPECT_EQ(outlines[4].rfind("(polygon signal 0|0.00  0.00|100.00  0.00|", 0), 0u);
    EXPECT_EQ(std::count(outlines[4].begin(), outlines[4].end(), '|'), 1 + 4 + 17);
    EXPECT_EQ(outlines[5], "(path signal 0|0.00  0.00|100.00  0.00|");
    EXPECT_EQ(outlines[6], "(path signal 0|0.00  0.00|");
}

TEST(Library, AnArcThatCannotBeDrawnNamesItsPolylineAndSideAsBefore) {
    Footprint footprint;
    footprint.name = "TAB";
    FootprintPolyline first;
    first.closed = 1;
    first.corners = {{0.1, 0, 0}, {0.1, 0.1, 0}};
    FootprintPolyline open_line;
    open_line.corners = {{0.1, 0, 0}, {0.1, 0.1, 0}, {0.2, 0.1, 2}};  // level corners: no arc
    footprint.polylines = {first, open_line};
    testing::internal::CaptureStderr();
    const std::vector<std::string> outlines = image_outlines(footprint);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "\"TAB\" polyline 2 segment 3 style = 2\n");
    ASSERT_EQ(outlines.size(), 1u + 1u + 3u);
    EXPECT_EQ(outlines[4], "(path signal 0|100.00  100.00|200.00  100.00|");
}

TEST(Library, WritesPadstacksWithCopperAndLeavesBareHolesOut) {
    Board board;
    board.options.n_copper_layers = 2;
    board.copper_layers.assign(2, CopperLayerInfo{});
    Padstack via = through_hole(pad_shape_circle, pad(0.05, 0));
    via.is_via = 1;
    board.padstacks.push_back(via);
    // A mounting hole whose missing inner pad stands in as a ring: no pin names it.
    Padstack hole;
    hole.inner_shape = pad_shape_circle;
    hole.inner = pad(0.15, 0.15);
    hole.hole = 0.125;
    hole.bare_hole = 1;
    board.padstacks.push_back(hole);
    Padstack empty;
    board.padstacks.push_back(empty);
    board.padstacks.push_back(through_hole(pad_shape_square, pad(0.06, 0.06)));

    test::MemoryDesignFile memory(1);
    write_library(memory.file, board);
    EXPECT_EQ(memory.text(),
              "\n    (library"
              "\n        (padstack DefVia\n            (shape (circle signal 50.00))\n        )"
              "\n        (padstack Pad103\n            (shape (rect signal -30.00 -30.00 30.00 30.00))\n        )"
              "\n    )");
}

}  // namespace
}  // namespace tarnwick

namespace tarnwick {
namespace {

// A blind via placed as a part: a drilled pin whose outer pads have no size and whose missing
// inner pad stands in as a ring.
Padstack blind_via_pad() {
    Padstack padstack = through_hole(pad_shape_circle, pad(0, 0));
    padstack.inner = pad(0.0307, 0.0307);
    return padstack;
}

TEST(PadstackRecords, PadOfNoSizeIsLeftOutAndTheRestWritten) {
    EXPECT_EQ(lines_of(padstack_text("Pad104", blind_via_pad(), 4)),
              (std::vector<std::string>{"(padstack Pad104", "(shape (circle Inner_1 30.70))",
                                        "(shape (circle Inner_2 30.70))", ")"}));
    // One outer pad of no size: the other is still written on its layer.
    Padstack bottom_only = through_hole(pad_shape_rectangle, pad(0.08, 0.04));
    bottom_only.top = pad(0.08, 0);
    EXPECT_EQ(lines_of(padstack_text("Pad105", bottom_only, 2)),
              (std::vector<std::string>{"(padstack Pad105", "(shape (rect Bottom -40.00 -20.00 40.00 20.00))", ")"}));
    // A surface pad of no size on top, a pad on the bottom: the bottom one.
    Padstack surface;
    surface.top_shape = pad_shape_oval;
    surface.top = pad(0, 0.02);
    surface.bottom_shape = pad_shape_square;
    surface.bottom = pad(0.03, 0.03);
    EXPECT_EQ(lines_of(padstack_text("Pad106", surface, 2)),
              (std::vector<std::string>{"(padstack Pad106", "(shape (rect Bottom -15.00 -15.00 15.00 15.00))", ")"}));
}

TEST(Library, PinsWhosePadsHaveNoSizeAreNoImagePinsButKeepTheirHole) {
    for (const std::uint32_t layers : {2u, 4u}) {
        SCOPED_TRACE(layers);
        Board board;
        board.options.n_copper_layers = layers;
        board.copper_layers.assign(layers, CopperLayerInfo{});
        Padstack via = through_hole(pad_shape_circle, pad(0, 0));  // rules name every via
        via.is_via = 1;
        board.padstacks.push_back(via);
        board.padstacks.push_back(blind_via_pad());
        Padstack flat;
        flat.top_shape = pad_shape_rectangle;
        flat.top = pad(0, 0.05);
        board.padstacks.push_back(flat);
        Footprint footprint;
        footprint.name = "BLIND";
        footprint.pins.push_back(footprint_pin("1", 0, 0, 0, pad_shape_circle, 0.015, 1));
        footprint.pins.push_back(footprint_pin("2", 0.1, 0, 0, pad_shape_rectangle, 0, 2));
        footprint.pins[1].bottom_pad.shape = pad_shape_none;
        board.footprints.push_back(footprint);

        EXPECT_EQ(is_image_pin(board, board.footprints[0].pins[0]), layers > 2);
        EXPECT_FALSE(is_image_pin(board, board.footprints[0].pins[1]));
        testing::internal::CaptureStderr();
        const std::string text = library_of(board);
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "\n  Warning: 1 footprint pin without pad or hole left out of the design file: BLIND.2\n");
        EXPECT_EQ(text.find("(pin Pad101 (rotate 0) \"1\"") != std::string::npos, layers > 2) << text;
        EXPECT_EQ(text.find("(padstack Pad101") != std::string::npos, layers > 2) << text;
        EXPECT_EQ(text.find("Pad102"), std::string::npos) << text;  // the flat pad
        EXPECT_NE(text.find("(padstack DefVia\n"), std::string::npos) << text;
        // The hole stays in the image's outline.
        EXPECT_NE(text.find("(circle  signal 15.00 0.00 0.00)"), std::string::npos) << text;
    }
}

TEST(Library, AnInnerPadOfAPinWithoutHoleIsNoCopperOnAnyBoard) {
    // A surface pin whose only pad is an inner one: no inner layer could reach it, so on four
    // layers as on two its padstack is not written and the pin is no pin of the image.
    for (const std::uint32_t layers : {2u, 4u}) {
        SCOPED_TRACE(layers);
        Board board;
        board.options.n_copper_layers = layers;
        board.copper_layers.assign(layers, CopperLayerInfo{});
        board.padstacks.emplace_back();  // the default via, with no pad to write
        Padstack inner_only;
        inner_only.inner_shape = pad_shape_circle;
        inner_only.inner = pad(0.06, 0.06);
        board.padstacks.push_back(inner_only);
        Footprint footprint;
        footprint.name = "ODD";
        footprint.pins.push_back(footprint_pin("1", 0, 0, 0, pad_shape_none, 0, 1));
        footprint.pins[0].bottom_pad.shape = pad_shape_none;
        footprint.pins[0].inner_pad.shape = pad_shape_circle;
        board.footprints.push_back(footprint);

        EXPECT_FALSE(is_image_pin(board, board.footprints[0].pins[0]));
        testing::internal::CaptureStderr();
        const std::string text = library_of(board);
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "\n  Warning: 1 footprint pin without pad or hole left out of the design file: ODD.1\n");
        EXPECT_EQ(text.find("Pad101"), std::string::npos) << text;
    }
}

TEST(Library, AnUnknownPadShapeStillEndsTheRunWhateverItsSize) {
    // Read as a shape of width and length, an unknown code's pad has no length: it is still no
    // pad of no size, and the design file stops at it.
    Board board;
    board.copper_layers.assign(2, CopperLayerInfo{});
    board.padstacks.emplace_back();  // the default via, with no pad to write
    Padstack odd = through_hole(pad_shape_circle, pad(0.06, 0.06));
    odd.bottom_shape = 7;
    odd.bottom = pad(0, 0.06);
    board.padstacks.push_back(odd);
    test::MemoryDesignFile memory(1);
    const FatalError error = test::expect_fatal([&] { write_library(memory.file, board); });
    EXPECT_EQ(error.code, 40760);
    EXPECT_EQ(error.message, "invalid Bottom pad shape in Pad101");
}

}  // namespace
}  // namespace tarnwick
