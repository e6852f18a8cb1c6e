#pragma once
// The placement section: every part by its footprint, with side, rotation and lock.

#include "board/board.h"
#include "dsn/design_file.h"

namespace tarnwick {

void write_placement(DesignFile& file, const Board& board);

}  // namespace tarnwick
