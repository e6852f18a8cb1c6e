#pragma once
// Board outlines, the holes cut in the board and solder-mask cutouts.

#include <cstdint>
#include <vector>

namespace tarnwick {

// A corner of an outline or cutout; style is that of the side running to the next corner
// (the last corner's side closes the polygon): 0 straight, else an arc.
struct OutlineCorner {
    double x = 0;
    double y = 0;
    std::uint32_t style = 0;
};

// Outlines are numbered from 1 in file order. A short outline keeps its announced corner count,
// the missing corners left at (0, 0).
struct BoardOutline {
    std::uint32_t corner_count = 0;
    std::vector<OutlineCorner> corners;
};

// A contour cut out of the board inside outline `outline` (its index): a hole the router keeps
// every wire and via out of.
struct BoardHole {
    std::uint32_t outline = 0;
    std::vector<OutlineCorner> corners;
};

// Only written back: the hatch and layer are kept as read.
struct SmCutout {
    std::uint32_t corner_count = 0;
    std::uint32_t hatch = 0;
    std::uint32_t layer = 0;
    std::vector<OutlineCorner> corners;
};

}  // namespace tarnwick
