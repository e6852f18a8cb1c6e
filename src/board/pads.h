#pragma once
// A footprint pin's pads as the padstacks hold them.

#include "board/board.h"

namespace tarnwick {

// A pad's dimensions as its padstack holds them, at four decimals.
PadstackLayer padstack_layer(const PadSpec& pad);

// Whether the pad is copper: it has a shape and, as its padstack holds it, a size.
bool has_copper_pad(const PadSpec& pad);

}  // namespace tarnwick
