#pragma once
// The footprint library of the board file: footprints with their pins, pads and graphics.

#include "board/board.h"
#include "fpc/load_indexes.h"
#include "core/settings.h"
#include "fpc/reader.h"

namespace tarnwick {

// Our own code for a bottom pad of a shape the editor does not have (the top and inner pads
// have theirs).
inline constexpr int bottom_pad_shape_unknown = 15879;

// Reads the whole "[footprints]" section into board.footprints, resolving every pin to a shared
// padstack and drill tool. The options must have been read (padstack 0 exists).
void read_footprints(LineReader& reader, Board& board, const RunSettings& settings);

// Reads one footprint from its name: line up to the empty line that ends it, or up to the next
// footprint's name: line, which is left to be read again. Returns that line, or nullptr at end
// of file.
const char* parse_footprint(LineReader& reader, Board& board, LoadIndexes& indexes, Footprint& footprint);

}  // namespace tarnwick
