#include "board/layers.h"

#include "board/units.h"
#include "core/errors.h"

namespace tarnwick {

std::string layer_name(std::uint32_t layer) {
    if (layer < top_copper_layer) return "";
    if (layer == top_copper_layer) return "Top";
    if (layer == bottom_copper_layer) return "Bottom";
    return strformat("Inner_%u", inner_layer_number(layer));
}

}  // namespace tarnwick
