#pragma once
// The router's placement applied to the board's parts.

#include "board/board.h"
#include "session/session.h"

namespace tarnwick {

// Reads the session's header lines and place records, moves, flips, rotates and locks the parts
// they name, counts those that changed, and places every part pin again so that the pins and
// the net pins follow their parts.
void apply_session_placement(Session& session, Board& board);

}  // namespace tarnwick
