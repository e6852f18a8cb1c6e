#pragma once
// The free texts of the board.

#include "board/board.h"
#include "core/settings.h"
#include "fpc/reader.h"

namespace tarnwick {

// Reads "[texts]". A text record with an eighth number switches the board to eight-number text
// records when it is written back.
void read_texts(LineReader& reader, Board& board, const RunSettings& settings);

}  // namespace tarnwick
