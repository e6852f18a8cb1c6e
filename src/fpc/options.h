#pragma once

#include "board/board.h"
#include "fpc/reader.h"

namespace tarnwick {

// Reads the options from the top of the file up to the first header of another section, then
// makes the copper-layer table and padstack 0 "DefVia".
void read_options(LineReader& reader, Board& board);

}  // namespace tarnwick
