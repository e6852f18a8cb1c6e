#pragma once
// The parts section, and the two tables built from the parts and footprints: the circular
// keepouts of drilled pins and the part pins placed on the board.

#include "board/board.h"
#include "core/settings.h"
#include "fpc/reader.h"

namespace tarnwick {

// Reads the parts and binds each to its footprint (but a part whose ref_text: and shape: lines
// are empty, which has none), then builds the circular keepouts and places the part pins.
void read_parts(LineReader& reader, Board& board, const RunSettings& settings);

// (Re)builds the keepout list of every footprint: one circle per drilled pin and copper layer
// the pin has no pad on.
void build_circular_keepouts(Board& board);

// (Re)places the pins of every part from its position, side and rotation, gives each its
// copper layer and its net, and moves the net's pin entry to it; the net pins of parts without
// footprint are marked as having no position. May run again after parts moved: the drill
// tools' hole counts keep one hole per placed pin.
void build_part_pins(Board& board);

}  // namespace tarnwick
