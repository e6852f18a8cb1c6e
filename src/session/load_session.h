#pragma once
// The back-annotation: the router's session file read into the board.

#include <memory>

#include "board/board.h"
#include "core/errors.h"
#include "core/settings.h"
#include "session/session.h"

namespace tarnwick {

// Completes and opens the session file named by the settings, applies its placement to the
// board's parts, reads its routes and analyses them into connection sets. Every failure ends
// through fatal_error.
std::unique_ptr<Session> load_session(Board& board, RunSettings& settings, Diagnostics& diagnostics);

// The session's work once its text is in memory: placement, routes and their analysis.
void read_session(Session& session, Board& board, const RunSettings& settings);

}  // namespace tarnwick
