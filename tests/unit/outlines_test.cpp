#include "fpc/outlines.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace tarnwick {
namespace {

using test::expect_fatal;
using test::reader_for;

struct Loaded {
    std::uint32_t line = 0;
    Board board;
};

RunSettings outlines_selected(std::uint32_t pcb, std::uint32_t signal) {
    RunSettings settings;
    settings.pcb_outline = pcb;
    settings.signal_outline = signal;
    return settings;
}

void load(Loaded& loaded, const std::string& text, const RunSettings& settings = outlines_selected(1, 1)) {
    LineReader reader = reader_for(text, loaded.line);
    read_board_outlines(reader, loaded.board, settings);
    read_sm_cutouts(reader, loaded.board, settings);
}

void expect_failure(const std::string& text, const RunSettings& settings, int code, const std::string& message,
                    std::uint32_t line) {
    Loaded loaded;
    test::expect_error_at([&] { load(loaded, text, settings); }, loaded.line, code, message, line);
}

// A 2 x 1 inch board and a smaller outline inside it, then an empty cutouts section.
// Line numbers: 1 [board], 2 outline 1, 3-6 its corners, 7 empty, 8 outline 2, 9-12 corners.
const std::string two_outlines =
    "[board]\n"
    "outline: 4 0\n"
    "  corner: 1 0 0 0\n"
    "  corner: 2 50800000 0 0\n"
    "  corner: 3 50800000 25400000 0\n"
    "  corner: 4 0 25400000 0\n"
    "\n"
    "outline: 4 1\n"
    "  corner: 1 2540000 2540000 0\n"
    "  corner: 2 25400000 2540000 1\n"
    "  corner: 3 25400000 12700000 0\n"
    "  corner: 4 2540000 12700000 0\n"
    "\n"
    "[solder_mask_cutouts]\n"
    "[end]\n";

TEST(BoardOutlines, WithoutSelectionTheFirstOutlineIsBothBoundaries) {
    Loaded loaded;
    load(loaded, two_outlines);
    const Board& board = loaded.board;
    ASSERT_EQ(board.outlines.size(), 2u);
    EXPECT_EQ(board.pcb_outline, 1u);
    EXPECT_EQ(board.signal_outline, 1u);
    EXPECT_EQ(board.outline_min_x, 0.0);
    EXPECT_EQ(board.outline_min_y, 0.0);
    EXPECT_DOUBLE_EQ(board.outline_max_x, 2.0);
    EXPECT_DOUBLE_EQ(board.outline_max_y, 1.0);
    const BoardOutline& inner = board.outlines[1];
    EXPECT_EQ(inner.corner_count, 4u);
    EXPECT_DOUBLE_EQ(inner.corners[1].x, 1.0);
    EXPECT_DOUBLE_EQ(inner.corners[1].y, 0.1);
    EXPECT_EQ(inner.corners[1].style, 1u);
    EXPECT_EQ(board.stats.outlines, 2u);
    EXPECT_EQ(board.stats.outline_corners, 8u);
    EXPECT_TRUE(board.sm_cutouts.empty());

    // A loader that has not replaced 0 by 1 gets the same.
    Loaded unset;
    load(unset, two_outlines, outlines_selected(0, 0));
    EXPECT_EQ(unset.board.pcb_outline, 1u);
    EXPECT_DOUBLE_EQ(unset.board.outline_max_x, 2.0);
}

TEST(BoardOutlines, SecondOutlineAsBoardTheFirstMustLieInIt) {
    // -U2,1: the bounds come from the small outline, which the big one exceeds.
    expect_failure(two_outlines, outlines_selected(2, 1), 11563, "signal outline exceeds board outline", 12);

    // -U1,2: the small one lies inside the big one.
    Loaded loaded;
    load(loaded, two_outlines, outlines_selected(1, 2));
    EXPECT_EQ(loaded.board.signal_outline, 2u);

    // -U2 alone uses the small outline for both.
    Loaded second;
    load(second, two_outlines, outlines_selected(2, 2));
    EXPECT_DOUBLE_EQ(second.board.outline_min_x, 0.1);
    EXPECT_DOUBLE_EQ(second.board.outline_max_y, 0.5);
}

TEST(BoardOutlines, SignalCornerOnTheBoxEdgeIsInside) {
    Loaded loaded;
    load(loaded,
         "[board]\noutline: 2 0\ncorner: 1 0 0 0\ncorner: 2 25400000 25400000 0\n"
         "outline: 3 1\ncorner: 1 0 12700000 0\ncorner: 2 25400000 0 0\ncorner: 3 25400000 25400000 0\n"
         "[solder_mask_cutouts]\n[end]\n",
         outlines_selected(1, 2));
    EXPECT_DOUBLE_EQ(loaded.board.outline_max_x, 1.0);

    expect_failure(
        "[board]\noutline: 2 0\ncorner: 1 0 0 0\ncorner: 2 25400000 25400000 0\n"
        "outline: 2 1\ncorner: 1 0 0 0\ncorner: 2 0 25400001 0\n[solder_mask_cutouts]\n[end]\n",
        outlines_selected(1, 2), 11563, "signal outline exceeds board outline", 7);
}

TEST(BoardOutlines, SelectionBeyondTheOutlinesAndNoOutlines) {
    // Raised before any outline is read, at the header's line.
    expect_failure(two_outlines, outlines_selected(3, 3), 11487, "Limits Outline not found", 1);
    expect_failure(two_outlines, outlines_selected(1, 3), 11492, "Keepin Outline not found", 1);
    expect_failure("[options]\n[board]\n\n[parts]\n", outlines_selected(1, 1), 11482, "No Board Outline found", 2);
}

TEST(BoardOutlines, ShortOutlineIsPaddedWithCornersAtTheOrigin) {
    Loaded loaded;
    load(loaded,
         "[board]\noutline: 4 0\ncorner: 1 25400000 25400000 0\ncorner: 2 50800000 25400000 0\n"
         "corner: 3 50800000 50800000 2\n\noutline: 2 1\ncorner: 1 0 0 0\ncorner: 2 1 1 0\n"
         "[solder_mask_cutouts]\n[end]\n",
         outlines_selected(1, 2));
    const BoardOutline& outline = loaded.board.outlines[0];
    EXPECT_EQ(outline.corner_count, 4u);
    ASSERT_EQ(outline.corners.size(), 4u);
    EXPECT_EQ(outline.corners[3].x, 0.0);
    EXPECT_EQ(outline.corners[3].y, 0.0);
    EXPECT_EQ(outline.corners[3].style, 0u);
    // The padded corner widens the bounds, so the signal outline at the origin fits.
    EXPECT_EQ(loaded.board.outline_min_x, 0.0);
    EXPECT_EQ(loaded.board.outline_min_y, 0.0);
    EXPECT_EQ(loaded.board.stats.outline_corners, 6u);
}

TEST(BoardOutlines, MalformedRecordsAndEndsOfFile) {
    expect_failure("[options]\n", outlines_selected(1, 1), 11439, "premature EOF looking for FPC board outlines", 1);
    expect_failure("[board]\noutline: 1 0\n", outlines_selected(1, 1), 11465, "premature EOF in board outlines Pass 1",
                   2);
    expect_failure("[board]\noutline: x\n[end]\n", outlines_selected(1, 1), 11515, "bad board outline: record", 2);
    expect_failure("[board]\noutline: 2 0\ncorner: 1 0 0\n[end]\n", outlines_selected(1, 1), 11539,
                   "bad board outline corner: record", 3);
    // Counted anywhere in a line, searched only at its start.
    expect_failure("[board]\nold_outline: 1\n[end]\n", outlines_selected(1, 1), 11508,
                   "premature EOF in outlines Pass 2", 3);
    // A short outline without its empty line consumes the next outline line as its end.
    expect_failure("[board]\noutline: 2 0\ncorner: 1 0 0 0\noutline: 1 1\ncorner: 1 0 0 0\n[end]\n",
                   outlines_selected(1, 1), 11508, "premature EOF in outlines Pass 2", 6);
    // A corner line that also holds "outline:" counts as an outline, so the search runs on past
    // the section into an outline whose corners meet the end of the file.
    expect_failure("[board]\noutline: 1 0\ncorner: 1 0 0 0 outline:\n[end]\noutline: 2 0\ncorner: 1 0 0 0\n",
                   outlines_selected(1, 1), 11553, "premature EOF in outline corners", 6);
    // More corners than any file of this size could hold are refused, not allocated.
    expect_failure("[board]\noutline: 4000000000 0\ncorner: 1 0 0 0\n[end]\n", outlines_selected(1, 1), 11524,
                   "allocating outline corner storage", 2);
}

TEST(SolderMaskCutouts, CornersAndTheTwoValuesAreKept) {
    Loaded loaded;
    load(loaded,
         "[board]\noutline: 1 0\ncorner: 1 0 0 0\n"
         "[solder_mask_cutouts]\n\nsm_cutout: 3 1 9\n  corner: 1 25400000 0 1\n  corner: 2 0 25400000 0\n"
         "  corner: 3 0 0 0\n\nsm_cutout: 2 0 7\n  corner: 1 1 2 0\n\n[parts]\n");
    const Board& board = loaded.board;
    ASSERT_EQ(board.sm_cutouts.size(), 2u);
    const SmCutout& first = board.sm_cutouts[0];
    EXPECT_EQ(first.corner_count, 3u);
    EXPECT_EQ(first.hatch, 1u);
    EXPECT_EQ(first.layer, 9u);
    EXPECT_DOUBLE_EQ(first.corners[0].x, 1.0);
    EXPECT_EQ(first.corners[0].style, 1u);
    EXPECT_DOUBLE_EQ(first.corners[1].y, 1.0);
    // The second cutout stops at the empty line: its missing corner stays at the origin.
    ASSERT_EQ(board.sm_cutouts[1].corners.size(), 2u);
    EXPECT_EQ(board.sm_cutouts[1].corners[1].x, 0.0);
    EXPECT_EQ(board.sm_cutouts[1].layer, 7u);
    EXPECT_EQ(board.stats.sm_cutouts, 2u);
    EXPECT_EQ(board.stats.sm_cutout_corners, 5u);
}

TEST(SolderMaskCutouts, MalformedRecordsAndEndsOfFile) {
    const std::string board = "[board]\noutline: 1 0\ncorner: 1 0 0 0\n";  // lines 1 to 3
    const RunSettings settings = outlines_selected(1, 1);
    expect_failure(board + "[parts]\n", settings, 11604, "premature EOF looking for FPC sm cutouts", 4);
    expect_failure(board + "[solder_mask_cutouts]\nsm_cutout: 1 0 0\n", settings, 11630,
                   "premature EOF in sm cutouts Pass 1", 5);
    expect_failure(board + "[solder_mask_cutouts]\nsm_cutout: 1 0\n[end]\n", settings, 11666,
                   "bad sm_cutout: record", 5);
    expect_failure(board + "[solder_mask_cutouts]\nsm_cutout: 1 0 0\ncorner: 1 0 0\n[end]\n", settings, 11690,
                   "bad SM cutout corner: record", 6);
    expect_failure(board + "[solder_mask_cutouts]\nsm_cutout: 1 0 0\nsm_cutout: 1 0 0\n[end]\nsm_cutout: 2 0 0\n"
                           "corner: 1 0 0 0\n",
                   settings, 11698, "premature EOF in SM cutout corners", 9);
    // The second cutout line is taken, and consumed, as the end of the first one's corners.
    expect_failure(board + "[solder_mask_cutouts]\nsm_cutout: 1 0 0\nsm_cutout: 1 0 0\n[end]\n", settings, 11659,
                   "premature EOF in SM cutouts Pass 2", 7);
    expect_failure(board + "[solder_mask_cutouts]\nsm_cutout: 99 0 0\n[end]\n", settings, 11677,
                   "allocating sm cutout corner storage", 5);
}

TEST(SolderMaskCutouts, VerboseRunsNameTheSectionLines) {
    Loaded loaded;
    RunSettings settings = outlines_selected(1, 1);
    settings.verbose = true;
    testing::internal::CaptureStderr();
    load(loaded, "[options]\n[solder_mask_cutouts]\n[board]\noutline: 1 0\ncorner: 1 0 0 0\n[end]\n", settings);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "\nLine 3 [board]\n\nLine 2 [solder_mask_cutouts]\n");
}

}  // namespace
}  // namespace tarnwick
