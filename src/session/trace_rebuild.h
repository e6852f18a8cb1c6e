#pragma once
// The router's wiring rebuilt as board traces: one connect per connection set, with the
// session's vias and tees, in a new net table beside the board's.

#include <cstdint>
#include <vector>

#include "board/board.h"
#include "session/connectivity.h"
#include "session/session.h"

namespace tarnwick {

// The routed nets: the board's nets (taken over rather than copied) with their traces, vias and
// tees replaced by the router's, given the board's default trace width and the pads of its net
// pins.
std::vector<Net> build_routed_nets(const Session& session, std::vector<Net> nets, double default_trace_width,
                                   const NetPinPads& net_pin_pads);

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
    std::int64_t column_of(double x) const;
    std::int64_t row_of(double y) const;
    // Calls visit(pin) for the pins of the cells in columns c0..c1 and rows r0..r1 (clipped).
    template <typename Visit>
    void visit_cells(std::int64_t c0, std::int64_t c1, std::int64_t r0, std::int64_t r1, Visit visit) const;

    const Net& net_;
    bool walk_ = true;
    double min_x_ = 0;
    double min_y_ = 0;
    double cell_ = 1;
    std::int64_t columns_ = 0;
    std::int64_t rows_ = 0;
    std::vector<std::uint32_t> cell_start_;  // per cell its first entry in cell_pins_, and the end
    std::vector<std::uint32_t> cell_pins_;   // pin indices cell by cell, each cell's in pin order
    std::vector<std::uint32_t> loose_;       // pins off the grid: far out, or no number
};

}  // namespace tarnwick
