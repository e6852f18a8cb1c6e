#pragma once
// Nets with their pins, traces, vias, tees and copper areas; net classes; per-layer net lists.

#include <cstdint>
#include <string>
#include <vector>

namespace tarnwick {

struct Net {};
struct NetClass {};

}  // namespace tarnwick
