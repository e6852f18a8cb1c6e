#pragma once
// Writing the footprint library back in the board file's own syntax.

#include <cstdio>

#include "board/board.h"
#include "fpc_writer/kept_lines.h"

namespace tarnwick {

// Writes "\n[footprints]\n" and every footprint of the table, used or not, in table order.
void write_footprints(std::FILE* out, const Board& board);
// The same among the board writer's sections, with the footprints' kept lines.
void write_footprints(std::FILE* out, const Board& board, KeptLines& kept);

// Writes one footprint in its own units (mils or nanometres).
void write_footprint(std::FILE* out, const Footprint& footprint);
// The same with the kept lines of the footprint `number` (from 1) of the table.
void write_footprint(std::FILE* out, const Footprint& footprint, KeptLines& kept, std::uint32_t number);

}  // namespace tarnwick
