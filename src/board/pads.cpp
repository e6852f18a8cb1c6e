#include "board/pads.h"

#include <string>

#include "board/precision.h"

namespace tarnwick {

namespace {

double rounded(double value) { return to_precision(value, padstack_precision); }

}  // namespace

PadstackLayer padstack_layer(const PadSpec& pad) {
    PadstackLayer layer;
    if (pad.shape == pad_shape_none) return layer;
    if (is_square_like(pad.shape)) {
        layer.high = rounded(pad.width);
        layer.wide = layer.high;
    } else {
        layer.wide = rounded(pad.length1 + pad.length2);
        layer.high = rounded(pad.width);
        layer.radius = rounded(pad.radius);
    }
    return layer;
}

bool has_copper_pad(const PadSpec& pad) { return has_area(pad.shape, padstack_layer(pad)); }

std::string padstack_name(const Board& board, std::uint32_t index) {
    if (index == 0) return "DefVia";
    const bool via = index < board.padstacks.size() && board.padstacks[index].is_via != 0;
    // Written for every via of the design file: without printf.
    return (via ? "Via" : "Pad") + std::to_string(index + 100);
}

}  // namespace tarnwick
