#include "board/layers.h"

#include <string>

#include "board/units.h"

namespace tarnwick {

std::string layer_name(std::uint32_t layer) {
    if (layer < top_copper_layer) return "";
    if (layer == top_copper_layer) return "Top";
    if (layer == bottom_copper_layer) return "Bottom";
    return "Inner_" + std::to_string(inner_layer_number(layer));
}

}  // namespace tarnwick
