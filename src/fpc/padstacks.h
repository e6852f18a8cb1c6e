#pragma once
// Shared padstacks and drill tools: pins and vias whose pads and hole agree at four decimals
// share one entry.

#include <cstdint>

#include "board/board.h"

namespace tarnwick {

// The drill tool of the pin's hole (0 for no hole), adding one when the diameter is new.
std::uint32_t resolve_drill_tool(Board& board, const FootprintPin& pin);

// Normalises the pin, looks up (or adds) its padstack and drill tool, and stores both indices
// and the bare-hole mark in the pin.
std::uint32_t resolve_padstack(Board& board, FootprintPin& pin);

}  // namespace tarnwick
