#pragma once
// The two tables built from the parts and footprints: the circular keepouts of drilled pins and
// the part pins placed on the board. Built when the board is read, and again after the router
// moved parts.

#include "board/board.h"

namespace tarnwick {

// (Re)builds the keepout list of every footprint: one circle per drilled pin and copper layer
// the pin has no pad on.
void build_circular_keepouts(Board& board);

// (Re)places the pins of every part from its position, side and rotation, gives each its
// copper layer and its net, and moves the net's pin entry to it; the net pins of parts without
// footprint are marked as having no position. May run again after parts moved: the drill
// tools' hole counts keep one hole per placed pin.
void build_part_pins(Board& board);

}  // namespace tarnwick
