#pragma once
// The routes of the session: its sections found in order, the network records read into one
// `NetWire` per board net, duplicate and single-point paths and duplicate vias dropped.

#include <cstdint>

#include "board/board.h"
#include "session/session.h"

namespace tarnwick {

// Finds the routes section, its resolution, the parser block (printed on the console) and the
// network records, and reads every board net's wiring into `session.wire_list`, in board net
// order. Prints the console lines and shows the importer's state to `report` ("Session File
// Loaded").
void read_session_routes(Session& session, const Board& board, const StateReport& report = {});

// Sets the path's length and its count of segments shorter than `runt_limit`; returns the length.
double measure_path(WirePath& path, double runt_limit);

// The duplicate test: the same points in the same or in reverse order.
bool same_path(const WirePath& a, const WirePath& b);

}  // namespace tarnwick
