#pragma once
// Writing the footprint library back in the board file's own syntax.

#include <cstdio>

#include "board/board.h"

namespace tarnwick {

// Writes "\n[footprints]\n" and every footprint of the table, used or not, in table order.
void write_footprints(std::FILE* out, const Board& board);

// Writes one footprint in its own units (mils or nanometres).
void write_footprint(std::FILE* out, const Footprint& footprint);

}  // namespace tarnwick
