#include "fpc/footprint_graphics.h"

#include <gtest/gtest.h>

#include <string>

#include "board/units.h"
#include "fpc/footprints.h"
#include "fpc/options.h"
#include "test_support.h"

namespace tarnwick {
namespace {

using test::expect_fatal;
using test::reader_for;

struct Loaded {
    std::uint32_t line = 0;
    Board board;
};

// A board file with one footprint in mils whose graphics records are `body`.
// Line numbers: 1 [options], 2 [footprints], 3 name:, 4 units:, 5 the first line of `body`.
void load(Loaded& loaded, const std::string& body) {
    const std::string text = "[options]\n[footprints]\nname: \"G\"\n  units: MIL\n" + body + "\n[board]\n";
    LineReader reader = reader_for(text, loaded.line);
    read_options(reader, loaded.board);
    read_footprints(reader, loaded.board, RunSettings{});
}

void expect_failure(const std::string& body, int code, const std::string& message, std::uint32_t line) {
    Loaded loaded;
    test::expect_error_at([&] { load(loaded, body); }, loaded.line, code, message, line);
}

TEST(FootprintGraphics, PlacementRecordsAreScaledAndLaidOutForWritingBack) {
    Loaded loaded;
    load(loaded,
         "  sel_rect: -10 -20 10 20\n"
         "  ref_text: 50 1 2 90 7\n"
         "  value_text: 40 3 4 270 6\n"
         "  centroid: 2 5 6 90\n"
         "  adhesive: 1 10 20 30\n"
         "  adhesive: 0 1 2 3\n");
    const Footprint& fp = loaded.board.footprints[0];
    EXPECT_DOUBLE_EQ(fp.sel_rect.min_x, -0.01);
    EXPECT_DOUBLE_EQ(fp.sel_rect.max_y, 0.02);
    // First, fifth, second and third number.
    EXPECT_DOUBLE_EQ(fp.ref_text.height, 0.05);
    EXPECT_DOUBLE_EQ(fp.ref_text.stroke_width, 0.007);
    EXPECT_DOUBLE_EQ(fp.ref_text.x, 0.001);
    EXPECT_DOUBLE_EQ(fp.ref_text.y, 0.002);
    EXPECT_EQ(fp.ref_text.angle, 270u);
    EXPECT_DOUBLE_EQ(fp.value_text.stroke_width, 0.006);
    EXPECT_EQ(fp.value_text.angle, 90u);
    // The centroid angle is kept as the file gives it.
    EXPECT_EQ(fp.centroid_type, 2u);
    EXPECT_DOUBLE_EQ(fp.centroid_y, 0.006);
    EXPECT_EQ(fp.centroid_angle, 90u);
    EXPECT_EQ(fp.graphics_flags, 0x7u);
    ASSERT_EQ(fp.adhesive_count, 2u);
    ASSERT_EQ(fp.adhesives.size(), 2u);
    EXPECT_EQ(fp.adhesives[0].kind, 1u);
    EXPECT_DOUBLE_EQ(fp.adhesives[0].y, 0.03);
    EXPECT_DOUBLE_EQ(fp.adhesives[1].width, 0.001);
}

TEST(FootprintGraphics, CentroidWithoutAngleAndNoValueText) {
    Loaded loaded;
    load(loaded, "  centroid: 0 5 6\n");
    const Footprint& fp = loaded.board.footprints[0];
    EXPECT_EQ(fp.graphics_flags, graphics_centroid);
    EXPECT_EQ(fp.centroid_angle, 0u);

    // A second centroid replaces the first, angle included.
    Loaded twice;
    load(twice, "  centroid: 0 5 6 45\n  centroid: 1 7 8\n");
    EXPECT_EQ(twice.board.footprints[0].graphics_flags, graphics_centroid);
    EXPECT_EQ(twice.board.footprints[0].centroid_angle, 0u);
    EXPECT_DOUBLE_EQ(twice.board.footprints[0].centroid_x, 0.007);
}

TEST(FootprintGraphics, SelectionRectangleChecks) {
    expect_failure("  sel_rect: 1 2 3\n", 15196, "G sel_rect record missing 1 parameter", 5);
    expect_failure("  sel_rect: 1 2\n", 15196, "G sel_rect record missing 2 parameters", 5);
    expect_failure("  sel_rect:\n", 15196, "G sel_rect record missing 4 parameters", 5);
    expect_failure("  sel_rect: 5 0 4 10\n", 15203, "G: invalid sel_rect values: min > max", 5);
    expect_failure("  sel_rect: 0 5 10 4\n", 15203, "G: invalid sel_rect values: min > max", 5);
    // An empty width or height is not min > max.
    Loaded loaded;
    load(loaded, "  sel_rect: 5 5 5 5\n");
    EXPECT_DOUBLE_EQ(loaded.board.footprints[0].sel_rect.max_x, 0.005);
}

TEST(FootprintGraphics, RecordsWithTooFewValues) {
    expect_failure("  ref_text: 50 1 2 90\n", 15225, "G ref_text record missing 1 parameter", 5);
    expect_failure("  ref_text: 50 1\n", 15225, "G ref_text record missing 3 parameters", 5);
    expect_failure("  value_text: 50 1 2 90\n", 15247, "bad footprint value record", 5);
    expect_failure("  centroid: 0 5\n", 15271, "bad footprint centroid record", 5);
    expect_failure("  adhesive: 1 10 20\n", 15306, "bad footprint adhesive record", 5);
    expect_failure("  text: \"R\" 1 2 3 0 4 0\n", 15346, "G: text record missing 1 parameter", 5);
    expect_failure("  text: \"R\" 1 2 3\n", 15346, "G: text record missing 4 parameters", 5);
    expect_failure("  text: R 1 2 3 0 4 0 0\n", 15335, "G: bad footprint text record: no quoted text", 5);
}

TEST(FootprintGraphics, TextsAreCountedWithTheirCharacters) {
    Loaded loaded;
    load(loaded,
         "  text: \"HELLO\" 50 1 2 90 7 1 2\n"
         "  text: \"AB\" 5 6 7 0 8 0 4\n");
    const Footprint& fp = loaded.board.footprints[0];
    ASSERT_EQ(fp.text_count, 2u);
    ASSERT_EQ(fp.texts.size(), 2u);
    const FootprintText& hello = fp.texts[0];
    EXPECT_EQ(hello.text, "HELLO");
    EXPECT_DOUBLE_EQ(hello.height, 0.05);
    EXPECT_EQ(hello.angle, 270u);
    EXPECT_DOUBLE_EQ(hello.stroke_width, 0.007);
    EXPECT_EQ(hello.layer, 2u);
    EXPECT_EQ(loaded.board.stats.footprint_texts, 2u);
    EXPECT_EQ(loaded.board.stats.footprint_text_characters, 7u);
}

TEST(FootprintGraphics, ClosedAndOpenPolylinesAndTheRecordAfterThem) {
    Loaded loaded;
    load(loaded,
         "  outline_polyline: 7 -50 50\n"
         "    next_corner: 750 50 0\n"
         "    next_corner: 750 -50 1\n"
         "    close_polyline: 2\n"
         "  outline_polyline: 10 0 0\n"
         "    next_corner: 100 0 0\n"
         "  n_pins: 1\n"
         "    pin: \"1\" 0 0 0 0\n"
         "      top_pad: 1 60 0 0\n");
    const Footprint& fp = loaded.board.footprints[0];
    ASSERT_EQ(fp.polyline_count, 2u);
    ASSERT_EQ(fp.polylines.size(), 2u);
    const FootprintPolyline& closed = fp.polylines[0];
    EXPECT_DOUBLE_EQ(closed.x, -0.05);
    EXPECT_EQ(closed.closed, 1u);
    EXPECT_EQ(closed.corner_count, 2u);
    ASSERT_EQ(closed.corners.size(), 2u);
    EXPECT_DOUBLE_EQ(closed.corners[1].x, 0.75);
    EXPECT_DOUBLE_EQ(closed.corners[1].y, -0.05);
    EXPECT_EQ(closed.corners[1].style, 1u);
    EXPECT_EQ(closed.close_style, 2u);

    const FootprintPolyline& open = fp.polylines[1];
    EXPECT_EQ(open.closed, 0u);
    EXPECT_EQ(open.corner_count, 1u);
    EXPECT_EQ(open.close_style, 0u);
    // The line that ended the polyline was read as the footprint's next record.
    EXPECT_EQ(fp.pins.size(), 1u);
}

TEST(FootprintGraphics, PolylineErrors) {
    expect_failure("  outline_polyline: 7 0\n    next_corner: 1 1 0\n", 15485,
                   "G: polyline header missing 1 parameter", 5);
    // Numbered from 1 within the footprint; reported at the line that ended the count.
    expect_failure("  outline_polyline: 7 0 0\n    next_corner: 1 1 0\n  outline_polyline: 7 0 0\n  n_pins: 0\n",
                   15515, "G polyline 2 is degenerate", 8);
    expect_failure("  outline_polyline: 7 0 0\n\n", 15515, "G polyline 1 is degenerate", 6);
    expect_failure("  outline_polyline: 7 0 0\n    next_corner: 1 1\n", 15561,
                   "G: next_corner record missing 1 parameter", 6);
    expect_failure("  outline_polyline: 7 0 0\n    next_corner: 1 1 0\n    close_polyline:\n", 15577,
                   "G: close_polyline record missing 1 parameter", 7);
    // A close before the last counted line, and a line that only counts (no colon), are misplaced.
    expect_failure("  outline_polyline: 7 0 0\n    close_polyline: 0\n    next_corner: 1 1 0\n", 15585,
                   "G: footprint poly scan", 6);
    expect_failure("  outline_polyline: 7 0 0\n    next_corner 1 1 0\n", 15585, "G: footprint poly scan", 6);

    Loaded loaded;
    const FatalError error = expect_fatal([&] {
        LineReader reader =
            reader_for("[options]\n[footprints]\nname: \"G\"\nunits: MIL\noutline_polyline: 1 0 0\nnext_corner: 1 1 0",
                       loaded.line);
        read_options(reader, loaded.board);
        read_footprints(reader, loaded.board, RunSettings{});
    });
    EXPECT_EQ(error.code, 15529);
    EXPECT_EQ(error.message, "G: premature EOF in footprint poly");
    EXPECT_EQ(loaded.line, 6u);
}

}  // namespace
}  // namespace tarnwick
