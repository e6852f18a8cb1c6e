#pragma once
// The parts section of the board file.

#include "board/board.h"
#include "core/settings.h"
#include "fpc/reader.h"

namespace tarnwick {

// Reads the parts and binds each to its footprint (but a part whose ref_text: and shape: lines
// are empty, which has none), then builds the circular keepouts and places the part pins.
void read_parts(LineReader& reader, Board& board, const RunSettings& settings);

}  // namespace tarnwick
