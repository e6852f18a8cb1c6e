#pragma once
// A footprint pin's pads as the padstacks hold them, and the names the padstacks go by.

#include <cstdint>
#include <string>

#include "board/board.h"

namespace tarnwick {

// A pad's dimensions as its padstack holds them, at four decimals.
PadstackLayer padstack_layer(const PadSpec& pad);

// Whether the pad is copper: it has a shape and, as its padstack holds it, a size.
bool has_copper_pad(const PadSpec& pad);

// The name of padstack `index` in the design file, and so in the session file and the reports:
// "DefVia" for entry 0, the default via, else "Pad" or "Via" and the index + 100.
std::string padstack_name(const Board& board, std::uint32_t index);

}  // namespace tarnwick
