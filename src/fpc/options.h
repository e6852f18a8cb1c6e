#pragma once

#include "board/board.h"
#include "fpc/reader.h"

namespace tarnwick {

// Reads the options from the top of the file up to the first header of another section, then
// makes the copper-layer table and padstack 0 "DefVia".
void read_options(LineReader& reader, Board& board);

// The key of the option record `text` begins with when that option is a length, else nullptr.
const char* length_option_key(const char* text);

}  // namespace tarnwick
