#pragma once

#include "board/board.h"
#include "driver/settings.h"
#include "fpc/reader.h"

namespace tarnwick {

void read_parts(LineReader& reader, Board& board, const RunSettings& settings);

}  // namespace tarnwick
