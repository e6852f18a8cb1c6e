#pragma once
// Board outlines and solder-mask cutouts.

#include <cstdint>
#include <vector>

namespace tarnwick {

struct BoardOutline {};
struct SmCutout {};

}  // namespace tarnwick
