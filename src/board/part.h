#pragma once
// Placed parts, their pins on the board and the circular keepouts of drilled pins.

#include <cstdint>
#include <string>
#include <vector>

#include "board/text.h"

namespace tarnwick {

// A footprint pin placed on the board by its part's position, side and rotation; its name is
// that of the footprint pin of the same index.
struct PartPin {
    std::int32_t net = -1;      // net whose pin list names this pin, else -1
    std::int32_t net_pin = -1;  // its place in that net's pin list; 0 when there is no net
    std::uint32_t layer = 0;    // 0 drilled (all layers), 12 top or 13 bottom copper
    std::uint32_t tool = 0;     // drill tool of the footprint pin
    double x = 0;
    double y = 0;
};

struct Part {
    std::string ref;      // reference designator, at most 127 characters
    std::string package;  // at most 127 characters
    std::string value;    // at most 127 characters
    std::string shape;    // footprint name, at most 127 characters
    std::uint32_t side = 0;            // 0 top ("front"), 1 bottom ("back")
    std::uint32_t rotation = 0;        // counter-clockwise; pins are placed only at 0, 90, 180, 270
    std::uint32_t locked = 0;
    std::uint32_t has_bare_hole_pin = 0;
    std::uint32_t pin_count = 0;
    std::uint32_t footprint = 0;  // index into the footprint table; means nothing when no_footprint
    TextPlacement ref_text;
    TextPlacement value_text;
    std::uint32_t ref_text_visible = 0;  // 0 hidden, 1 shown, and 1 when the record leaves it out
    std::uint32_t value_visible = 0;     // likewise
    double x = 0;
    double y = 0;
    std::vector<PartPin> pins;
    // Read with empty ref_text: and shape: lines, as the editor writes a part that has no
    // footprint yet: it has no pins and stays out of the design file.
    bool no_footprint = false;
    // Read without a shape: line: its pins are the first footprint's, which is no image of it.
    bool no_shape_record = false;
};

// Whether the router is given the part: not a part without footprint, nor one read without a
// shape: line.
inline bool has_router_image(const Part& part) { return !part.no_footprint && !part.no_shape_record; }

// A keepout around a drilled pin, in footprint coordinates. Layer 0 is every copper layer,
// 12 top, 13 bottom, 12 + k inner layer k - 1.
struct CircleKeepout {
    std::int32_t layer = 0;
    double diameter = 0;
    double x = 0;
    double y = 0;
};

}  // namespace tarnwick
