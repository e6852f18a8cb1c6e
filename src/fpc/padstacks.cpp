#include "fpc/padstacks.h"

#include "board/precision.h"
#include "core/errors.h"

namespace tarnwick {

namespace {

bool same(double a, double b) { return same_at_precision(a, b, padstack_precision); }
double rounded(double value) { return to_precision(value, padstack_precision); }


bool layer_matches(const PadSpec& pad, const PadstackLayer& layer) {
    if (is_square_like(pad.shape)) return same(pad.width, layer.wide) && same(pad.width, layer.high);
    if (pad.shape == pad_shape_rectangle || pad.shape == pad_shape_oval || pad.shape == pad_shape_rounded_rectangle) {
        if (!same(pad.width, layer.high) || !same(pad.length1 + pad.length2, layer.wide)) return false;
        return pad.shape != pad_shape_rounded_rectangle || same(pad.radius, layer.radius);
    }
    return true;  // shape 0 and unknown codes compare no dimensions
}

PadstackLayer layer_from(const PadSpec& pad) {
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

double annular_ring(const Board& board, const FootprintPin& pin) {
    return pin.is_via ? board.options.annular_ring_for_vias : board.options.annular_ring_for_pins;
}

bool matches(const Board& board, const FootprintPin& pin, const Padstack& entry) {
    if (!same(pin.hole, entry.hole) || pin.is_via != entry.is_via) return false;
    if (pin.top_pad.shape != entry.top_shape || pin.bottom_pad.shape != entry.bottom_shape) return false;
    if (pin.hole == 0) {
        if (pin.top_pad.shape != pad_shape_none) return layer_matches(pin.top_pad, entry.top);
        if (pin.bottom_pad.shape != pad_shape_none) return layer_matches(pin.bottom_pad, entry.bottom);
        return false;  // a surface-mount pin without copper shares nothing
    }
    const bool inner_ok =
        pin.inner_pad.shape == entry.inner_shape || (pin.no_inner_pad == 1 && entry.inner_shape == pad_shape_circle);
    if (!inner_ok) return false;
    if (pin.top_pad.shape != pad_shape_none && !layer_matches(pin.top_pad, entry.top)) return false;
    if (pin.no_inner_pad == 1 && !same(entry.inner.wide, pin.hole + 2 * annular_ring(board, pin))) return false;
    if (pin.inner_pad.shape != pad_shape_none && !layer_matches(pin.inner_pad, entry.inner)) return false;
    if (pin.bottom_pad.shape != pad_shape_none && !layer_matches(pin.bottom_pad, entry.bottom)) return false;
    return true;
}

}  // namespace

std::uint32_t resolve_drill_tool(Board& board, const FootprintPin& pin) {
    if (board.tools.empty()) board.tools.emplace_back();
    if (pin.hole == 0) return 0;
    for (std::uint32_t i = 1; i < board.tools.size(); ++i) {
        DrillTool& tool = board.tools[i];
        if (!same(tool.diameter, pin.hole)) continue;
        if (pin.is_via) {
            ++tool.used_count;
            ++tool.via_count;
        } else {
            ++tool.def_count;
        }
        return i;
    }
    DrillTool tool;
    tool.diameter = rounded(pin.hole);
    if (pin.is_via) {
        tool.used_count = 1;
        tool.via_count = 1;
    } else {
        tool.def_count = 1;
    }
    board.tools.push_back(tool);
    return static_cast<std::uint32_t>(board.tools.size() - 1);
}

std::uint32_t resolve_padstack(Board& board, FootprintPin& pin) {
    if (pin.is_via) {
        pin.inner_pad.width = pin.top_pad.width;
        pin.inner_pad.shape = pad_shape_circle;
        pin.no_inner_pad = 0;
        pin.bare_hole = 0;
    } else {
        pin.bare_hole = pin.hole > 0 && pin.top_pad.shape == pad_shape_none && pin.inner_pad.shape == pad_shape_none &&
                                pin.bottom_pad.shape == pad_shape_none
                            ? 1
                            : 0;
    }
    if (pin.tool == 0) pin.tool = resolve_drill_tool(board, pin);

    for (std::uint32_t i = 0; i < board.padstacks.size(); ++i) {
        if (matches(board, pin, board.padstacks[i])) {
            ++board.padstacks[i].use_count;
            pin.padstack = i;
            return i;
        }
    }

    const auto index = static_cast<std::uint32_t>(board.padstacks.size());
    Padstack entry;
    entry.name = strformat("%s%u", pin.is_via ? "Via" : "Pad", index + 100);
    entry.top_shape = pin.top_pad.shape;
    entry.inner_shape = pin.inner_pad.shape == pad_shape_none && pin.no_inner_pad == 1 ? pad_shape_circle
                                                                                        : pin.inner_pad.shape;
    entry.bottom_shape = pin.bottom_pad.shape;
    entry.hole = rounded(pin.hole);
    entry.top = layer_from(pin.top_pad);
    entry.inner = layer_from(pin.inner_pad);
    entry.bottom = layer_from(pin.bottom_pad);
    if (pin.inner_pad.shape == pad_shape_none && pin.no_inner_pad == 1) {
        entry.inner.high = entry.inner.wide = rounded(pin.hole + 2 * annular_ring(board, pin));
        entry.inner.radius = 0;
    }
    entry.bare_hole = pin.bare_hole;
    entry.is_via = pin.is_via;
    entry.use_count = 1;
    board.padstacks.push_back(entry);
    pin.padstack = index;
    return index;
}

}  // namespace tarnwick
