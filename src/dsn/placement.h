#pragma once
// The placement section: every part by its footprint, with side, rotation and lock. Parts
// without footprint are left out, and named in one console warning.

#include "board/board.h"
#include "dsn/design_file.h"

namespace tarnwick {

void write_placement(DesignFile& file, const Board& board);

}  // namespace tarnwick
