#pragma once

#include <cstdio>

#include "board/board.h"
#include "core/settings.h"

namespace tarnwick {

// The -I report on the console: statistics, padstacks, net classes, footprints, parts and drills.
void write_info_report(std::FILE* out, const Board& board, const RunSettings& settings);

}  // namespace tarnwick
