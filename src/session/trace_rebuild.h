#pragma once
// The router's wiring rebuilt as board traces: one connect per connection set, with the
// session's vias and tees, in a new net table beside the board's.

#include <cstdint>
#include <vector>

#include "board/board.h"
#include "session/connectivity.h"
#include "session/place_index.h"
#include "session/session.h"

namespace tarnwick {

// The routed nets: the board's nets (taken over rather than copied) with their traces, vias and
// tees replaced by the router's, given the board's default trace width and the pads of its net
// pins. Unless `keep_router_wiring` (for a picture of the router's copper, or a look into the
// analysis), each net's wiring is let go as soon as its traces are built: the session's memory
// goes as the board's grows.
std::vector<Net> build_routed_nets(Session& session, std::vector<Net> nets, double default_trace_width,
                                   const NetPinPads& net_pin_pads, bool keep_router_wiring);

// The net pin nearest to (x, y), skipping `skip` (or -1 for none) and the pins of parts without
// footprint; the first of equally near pins wins. -1 when the net has no pin with a position.
std::int32_t nearest_net_pin(const Net& net, double x, double y, std::int32_t skip);

// The pins of one net on a grid, so that a net of many pins answers for every trace and via
// without walking all its pins; the answers are those of the walk. A net of few pins is walked.
class NetPinFinder {
public:
    // Holds on to the net's pins, which must stay as they are while it is used.
    explicit NetPinFinder(const Net& net);

    // As nearest_net_pin.
    std::int32_t nearest(double x, double y, std::int32_t skip) const;
    // The first pin with a position within `reach` of (x, y) in x and in y, or -1.
    std::int32_t first_within(double x, double y, double reach) const;

private:
    std::int32_t first_within_walking(double x, double y, double reach) const;

    const Net& net_;
    bool walk_ = true;
    PlaceIndex pins_{1};                 // the pins on the grid
    std::vector<std::uint32_t> loose_;  // pins off the grid: far out, or no number
};

}  // namespace tarnwick
