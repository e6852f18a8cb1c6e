#pragma once
// The two tables built from the parts and footprints: the circular keepouts of drilled pins and
// the part pins placed on the board. Built when the board is read, and again after the router
// moved parts.

#include <cstdint>
#include <vector>

#include "board/board.h"

namespace tarnwick {

// Where the point (fx, fy) of the part's footprint lies on the board: mirrored for the bottom
// side, turned by the part's rotation and moved to its place. Right angles keep their exact
// arithmetic; `any_angle` (a board whose parts stand at any angle) turns by any whole angle.
// False for a rotation the board cannot have.
bool place_on_board(const Part& part, double fx, double fy, bool any_angle, double& x, double& y);

// (Re)builds the keepout list of every footprint: one circle per drilled pin and copper layer
// the pin has no pad on.
void build_circular_keepouts(Board& board);

// (Re)places the pins of every part from its position, side and rotation, gives each its
// copper layer and its net, and moves the net's pin entry to it; the net pins of parts without
// footprint are marked as having no position. May run again after parts moved: the drill
// tools' hole counts keep one hole per placed pin.
void build_part_pins(Board& board);

// Places again the pins of the parts marked in `moved` (by the part's place in the table), after
// the router moved them: which pins a part has, and which net pin each is, stay as they were.
void move_part_pins(Board& board, const std::vector<std::uint8_t>& moved);

}  // namespace tarnwick
