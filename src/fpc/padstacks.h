#pragma once
// Shared padstacks and drill tools: pins and vias whose pads and hole agree at four decimals
// share one entry.

#include <cstdint>

#include "board/board.h"
#include "fpc/load_indexes.h"

namespace tarnwick {

// The drill tool of the pin's hole (0 for no hole), adding one when the diameter is new.
std::uint32_t resolve_drill_tool(Board& board, LoadIndexes& indexes, const FootprintPin& pin);

// A pad's dimensions as its padstack holds them, at four decimals.
PadstackLayer padstack_layer(const PadSpec& pad);

// Whether the pad is copper: it has a shape and, as its padstack holds it, a size.
bool has_copper_pad(const PadSpec& pad);

// Normalises the pin, looks up (or adds) its padstack and drill tool, and stores both indices
// and the bare-hole mark in the pin.
std::uint32_t resolve_padstack(Board& board, LoadIndexes& indexes, FootprintPin& pin);

// Enters table entry `index` in the lookups: what resolve_padstack and resolve_drill_tool do
// for the entries they add, and LoadIndexes for the entries it finds.
void index_padstack(LoadIndexes& indexes, const Board& board, std::uint32_t index);
void index_drill_tool(LoadIndexes& indexes, const Board& board, std::uint32_t index);

}  // namespace tarnwick
