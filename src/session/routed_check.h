#pragma once
// The routed board checked in one pass over its nets, each net's copper joined once for both
// checks: whether it keeps every connection the router made, and what it leaves unrouted.

#include <cstdio>

#include "board/board.h"
#include "session/connectivity.h"
#include "session/session.h"
#include "session/unrouted.h"

namespace tarnwick {

struct RoutedCheck {
    ConnectionCount connections;
    UnroutedReport unrouted;
};

// Compares the routed board's nets (board.nets, rebuilt) with the router's pin groups that
// note_router_connections left in the session's wires, printing a warning for each connection
// lost and the summary line on `console`, and finds the routed board's open connections (for
// print_unrouted).
RoutedCheck check_routed_board(std::FILE* console, const Session& session, const Board& board, const NetPinPads& pads);

}  // namespace tarnwick
