#pragma once
// What the router laid itself: its wiring less what it returned marked as the board's own.

#include "board/router_copper.h"
#include "session/session.h"

namespace tarnwick {

// The segments of every path and the vias that the session does not mark "(type protect)", by
// board net, as the analysis left them: the routed board's traces are built from these points.
RouterCopper router_copper(const Session& session);

}  // namespace tarnwick
