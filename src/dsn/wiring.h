#pragma once
// The wiring section: the copper already on the board, which the router keeps.

#include "board/board.h"
#include "dsn/design_file.h"

namespace tarnwick {

// The copper of one trace: one wire per stretch of segments on the same copper layer and of
// the same width; stretches off the copper layers (unrouted rat-lines) are left out.
void write_connection_wires(DesignFile& file, const Net& net, const Connect& connection);

void write_wiring(DesignFile& file, const Board& board);

}  // namespace tarnwick
