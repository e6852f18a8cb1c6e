#pragma once
// The wiring section: the copper already on the board, which the router keeps.

#include <cstddef>
#include <vector>

#include "board/board.h"
#include "dsn/design_file.h"

namespace tarnwick {

// The segments of a trace that its vertices hold: never past the last vertex.
std::size_t segments_held(const Connect& connection);

// Where the router puts the centre of each net pin, in mils: the part's place and the pin's
// place in its image, each as the design file writes them (to 0.01 mil), mirrored and turned as
// the router does. The router joins a wire to a pin only where the wire ends exactly on that
// centre; a hundredth of a mil beside it, the connection counts as open.
class PinCentres {
public:
    explicit PinCentres(const Board& board);
    // False for a pin of a part without footprint, or one the parts do not place.
    bool centre(std::size_t net, std::int32_t pin, double& x_mil, double& y_mil) const;

private:
    struct Centre {
        bool known = false;
        double x = 0;
        double y = 0;
    };
    std::vector<std::vector<Centre>> centres_;  // per net, per net pin
};

// The copper of one trace: one wire per stretch of segments on the same copper layer and of
// the same width; stretches off the copper layers (unrouted rat-lines) are left out. A trace
// end on its pin is written on the pin's centre as the router places it (`centres` and the
// net's index given).
void write_connection_wires(DesignFile& file, const Net& net, const Connect& connection,
                            const PinCentres* centres = nullptr, std::size_t net_index = 0);

// The vias of a net as the wiring writes them: one per position as written (to 0.01 mil), in the
// order first met. Traces that meet at a via each carry it, so the board holds it once per trace
// end; the router keeps only the first of several, so where the copies differ the one with the
// largest pad, then the largest hole, stands for them all.
std::vector<const Via*> distinct_vias(const Net& net);

void write_wiring(DesignFile& file, const Board& board);

}  // namespace tarnwick
