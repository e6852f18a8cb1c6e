#pragma once
// Writing a board of the FreePCB-2 dialect back in that dialect: its own lines as read, but for
// the records the board database changed (the parts' places, the nets' traces), which are
// written in the dialect's syntax and layer numbers.

#include <cstdio>

#include "board/board.h"

namespace tarnwick {

// Writes the board, which must have been read in the dialect, with its lines kept in board.source.
void write_fpc2_board(std::FILE* out, const Board& board);

}  // namespace tarnwick
