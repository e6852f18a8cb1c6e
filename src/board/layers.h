#pragma once
// The names of the copper layers, as the design file writes them and the session file gives
// them back.

#include <cstdint>
#include <string>

namespace tarnwick {

// "Top", "Bottom", "Inner_<k>" for the copper layers, "" below them.
std::string layer_name(std::uint32_t layer);

}  // namespace tarnwick
