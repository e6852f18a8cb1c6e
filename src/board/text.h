#pragma once
// Free texts of the board.

#include <cstdint>
#include <string>

namespace tarnwick {

struct BoardText {};

}  // namespace tarnwick
