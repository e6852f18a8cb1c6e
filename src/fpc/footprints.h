#pragma once

#include "board/board.h"
#include "driver/settings.h"
#include "fpc/reader.h"

namespace tarnwick {

void read_footprints(LineReader& reader, Board& board, const RunSettings& settings);

}  // namespace tarnwick
