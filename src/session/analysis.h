#pragma once
// The route analysis: what each path end touches (a pin, a via, another path end), the tees where
// they meet, and the chains of paths that become traces.

#include <cstdint>

#include "board/board.h"
#include "session/session.h"

namespace tarnwick {

// The four passes over every net of the wire list, with their progress dots on the console and
// the importer's state shown to `report` after each.
void analyse_routes(Session& session, Board& board, const StateReport& report);

// Pass 1: the net pin each path end lies on, counted per pin and in the net's connections to go.
void locate_pins(Session& session, NetWire& wire, const Net& net);
// Pass 2: the via each path end lies on; every via that a path end reaches gets a tee.
void locate_vias(Session& session, NetWire& wire);
// Pass 3: path ends that meet other path ends, joined at tees.
void locate_tees(Session& session, NetWire& wire);

// Drops the paths whose points all lie on one spot, as snapping may leave a runt: they carry
// no copper, and the router takes a wire of no length for an item of its own to connect.
void drop_collapsed_paths(NetWire& wire);

// Appends a tee at (x, y) on `layer` with the next id of the run.
WireTee& make_tee(Session& session, NetWire& wire, double x, double y, std::uint32_t layer);

// Moves the path's first (end 0) or last (end 1) point onto `point` unless it is there already;
// true when it moved.
bool snap_end(Session& session, WirePath& path, int end, const PathPoint& point);

}  // namespace tarnwick
