#pragma once
// The wiring section: the copper already on the board, which the router keeps.

#include <cstddef>
#include <vector>

#include "board/board.h"
#include "dsn/design_file.h"

namespace tarnwick {

// The segments of a trace that its vertices hold: never past the last vertex.
std::size_t segments_held(const Connect& connection);

// The copper of one trace: one wire per stretch of segments on the same copper layer and of
// the same width; stretches off the copper layers (unrouted rat-lines) are left out.
void write_connection_wires(DesignFile& file, const Net& net, const Connect& connection);

// The vias of a net as the wiring writes them: one per position as written (to 0.01 mil), in the
// order first met. Traces that meet at a via each carry it, so the board holds it once per trace
// end; the router keeps only the first of several, so where the copies differ the one with the
// largest pad, then the largest hole, stands for them all.
std::vector<const Via*> distinct_vias(const Net& net);

void write_wiring(DesignFile& file, const Board& board);

}  // namespace tarnwick
