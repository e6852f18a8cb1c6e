#include "fpc/outlines.h"

#include <cstdio>
#include <cstring>

#include "board/units.h"
#include "core/errors.h"
#include "fpc/board_numbers.h"

namespace tarnwick {

namespace {

struct CornerErrors {
    int storage_code;
    const char* storage;
    int bad_code;
    const char* bad;
    int eof_code;
    const char* eof;
};

const CornerErrors outline_corner_errors = {11524, "allocating outline corner storage", 11539,
                                            "bad board outline corner: record", 11553,
                                            "premature EOF in outline corners"};
const CornerErrors cutout_corner_errors = {11677, "allocating sm cutout corner storage", 11690,
                                           "bad SM cutout corner: record", 11698, "premature EOF in SM cutout corners"};

// Reads up to `count` corner lines. A line that is not a corner ends them early and is consumed;
// the corners not read stay at (0, 0) with style 0. `announced` sums the counts of the section:
// corners that no file of this size can hold are refused rather than allocated.
std::vector<OutlineCorner> read_corners(LineReader& reader, std::uint32_t count, std::uint64_t& announced,
                                        const CornerErrors& errors) {
    announced += count;
    if (announced > reader.line_count()) fatal_error(errors.storage_code, errors.storage);
    std::vector<OutlineCorner> corners(count);
    for (OutlineCorner& corner : corners) {
        const char* line = reader.next_line();
        if (line == nullptr) fatal_error(errors.eof_code, errors.eof);
        const char* text = skip_blanks(line);
        if (!starts_with(text, "corner:")) break;
        unsigned style = 0;
        if (scan_board_record("corner:", nm_to_inch, text + std::strlen("corner:"), "%*u %lf %lf %u", &corner.x, &corner.y, &style) != 3) {
            fatal_error(errors.bad_code, errors.bad);
        }
        corner.x *= nm_to_inch;
        corner.y *= nm_to_inch;
        corner.style = style;
    }
    return corners;
}

void widen_bounds(Board& board, const OutlineCorner& corner) {
    if (corner.x > board.outline_max_x) board.outline_max_x = corner.x;
    if (corner.x < board.outline_min_x) board.outline_min_x = corner.x;
    if (corner.y > board.outline_max_y) board.outline_max_y = corner.y;
    if (corner.y < board.outline_min_y) board.outline_min_y = corner.y;
}

bool within_bounds(const Board& board, const OutlineCorner& corner) {
    return board.outline_min_x <= corner.x && corner.x <= board.outline_max_x && board.outline_min_y <= corner.y &&
           corner.y <= board.outline_max_y;
}

}  // namespace

void read_board_outlines(LineReader& reader, Board& board, const RunSettings& settings) {
    if (!find_section(reader, "[board]", settings.verbose)) {
        fatal_error(11439, "premature EOF looking for FPC board outlines");
    }
    const std::uint32_t count =
        count_records(reader, "[board]", "outline:", true, 11465, "premature EOF in board outlines Pass 1");
    board.outlines.assign(count, BoardOutline{});
    board.stats.outlines = count;
    // The loader makes an outline number given as 0 (no -U) the first outline.
    const std::uint32_t pcb_outline = settings.pcb_outline == 0 ? 1 : settings.pcb_outline;
    const std::uint32_t signal_outline = settings.signal_outline == 0 ? 1 : settings.signal_outline;
    if (count == 0) fatal_error(11482, "No Board Outline found");
    if (count < pcb_outline) fatal_error(11487, "Limits Outline not found");
    if (count < signal_outline) fatal_error(11492, "Keepin Outline not found");
    board.pcb_outline = pcb_outline;
    board.signal_outline = signal_outline;

    std::uint64_t announced = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const char* text = find_record(reader, "outline:", 11508, "premature EOF in outlines Pass 2");
        unsigned corner_count = 0;
        if (std::sscanf(text + std::strlen("outline:"), "%u", &corner_count) != 1) {
            fatal_error(11515, "bad board outline: record");
        }
        BoardOutline& outline = board.outlines[i];
        outline.corner_count = corner_count;
        board.stats.outline_corners += corner_count;
        outline.corners = read_corners(reader, corner_count, announced, outline_corner_errors);
        // The corners left at (0, 0) of a short outline count for the bounds too.
        if (i + 1 == pcb_outline) {
            for (const OutlineCorner& corner : outline.corners) widen_bounds(board, corner);
        }
    }

    for (const OutlineCorner& corner : board.outlines[signal_outline - 1].corners) {
        if (!within_bounds(board, corner)) fatal_error(11563, "signal outline exceeds board outline");
    }
    board.holes = reader.rules().holes;
}

void read_sm_cutouts(LineReader& reader, Board& board, const RunSettings& settings) {
    if (!find_section(reader, "[solder_mask_cutouts]", settings.verbose)) {
        fatal_error(11604, "premature EOF looking for FPC sm cutouts");
    }
    const std::uint32_t count = count_records(reader, "[solder_mask_cutouts]", "sm_cutout:", false, 11630,
                                              "premature EOF in sm cutouts Pass 1");
    board.sm_cutouts.assign(count, SmCutout{});
    board.stats.sm_cutouts = count;

    std::uint64_t announced = 0;
    for (SmCutout& cutout : board.sm_cutouts) {
        const char* text = find_record(reader, "sm_cutout:", 11659, "premature EOF in SM cutouts Pass 2");
        unsigned values[3] = {0, 0, 0};
        if (std::sscanf(text + std::strlen("sm_cutout:"), "%u %u %u", &values[0], &values[1], &values[2]) != 3) {
            fatal_error(11666, "bad sm_cutout: record");
        }
        cutout.corner_count = values[0];
        cutout.hatch = values[1];
        cutout.layer = values[2];
        board.stats.sm_cutout_corners += values[0];
        cutout.corners = read_corners(reader, values[0], announced, cutout_corner_errors);
    }
}

}  // namespace tarnwick
