#pragma once

#include "board/board.h"
#include "driver/settings.h"
#include "fpc/reader.h"

namespace tarnwick {

void read_board_outlines(LineReader& reader, Board& board, const RunSettings& settings);
void read_sm_cutouts(LineReader& reader, Board& board, const RunSettings& settings);

}  // namespace tarnwick
