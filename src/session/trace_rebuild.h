#pragma once
// The router's wiring rebuilt as board traces: one connect per connection set, with the
// session's vias and tees, in a new net table beside the board's.

#include <cstdint>
#include <vector>

#include "board/board.h"
#include "session/session.h"

namespace tarnwick {

// The routed nets: the board's nets with their traces, vias and tees replaced by the router's.
std::vector<Net> build_routed_nets(const Session& session, const Board& board);

// The net pin nearest to (x, y), skipping `skip` (or -1 for none) and the pins of parts without
// footprint; the first of equally near pins wins. -1 when the net has no pin with a position.
std::int32_t nearest_net_pin(const Net& net, double x, double y, std::int32_t skip);

}  // namespace tarnwick
