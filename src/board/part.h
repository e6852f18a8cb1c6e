#pragma once
// Placed parts, their pins on the board and the circular keepouts of drilled pins.

#include <cstdint>
#include <string>
#include <vector>

namespace tarnwick {

struct Part {};

// A keepout around a drilled pin, in footprint coordinates. Layer 0 is every copper layer,
// 12 top, 13 bottom, 12 + k inner layer k - 1.
struct CircleKeepout {
    std::int32_t layer = 0;
    double diameter = 0;
    double x = 0;
    double y = 0;
};

}  // namespace tarnwick
