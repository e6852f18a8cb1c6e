#pragma once
// Placed parts, their pins on the board and the circular keepouts of drilled pins.

#include <cstdint>
#include <string>
#include <vector>

namespace tarnwick {

struct Part {};

}  // namespace tarnwick
