#include "fpc/padstacks.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <optional>

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

// The bits of a length as it reads at four decimals, which `same` compares; none for a length
// that reads as no number and so equals nothing.
std::optional<std::uint64_t> rounded_bits(double value) {
    const double text_value = rounded(value);
    if (std::isnan(text_value)) return std::nullopt;
    return std::bit_cast<std::uint64_t>(text_value + 0.0);  // -0 reads as 0
}

// Brings the lookups up to the tables; tables that shrank are indexed anew.
void index_tools(Board& board) {
    PadstackLookup& lookup = board.padstack_lookup;
    if (lookup.tools_indexed > board.tools.size()) {
        lookup.tools_by_diameter.clear();
        lookup.tools_by_hole.clear();
        lookup.tools_indexed = 0;
    }
    // Entry 0 stands for no drill and is never compared.
    for (std::size_t i = std::max<std::size_t>(lookup.tools_indexed, 1); i < board.tools.size(); ++i) {
        if (const std::optional<std::uint64_t> key = rounded_bits(board.tools[i].diameter)) {
            lookup.tools_by_diameter.emplace(*key, static_cast<std::uint32_t>(i));
        }
    }
    lookup.tools_indexed = board.tools.size();
}

void index_padstacks(Board& board) {
    PadstackLookup& lookup = board.padstack_lookup;
    if (lookup.padstacks_indexed > board.padstacks.size()) {
        lookup.by_key.clear();
        lookup.by_pin.clear();
        lookup.padstacks_indexed = 0;
    }
    for (std::size_t i = lookup.padstacks_indexed; i < board.padstacks.size(); ++i) {
        const Padstack& entry = board.padstacks[i];
        if (const std::optional<std::uint64_t> hole = rounded_bits(entry.hole)) {
            lookup.by_key[{*hole, entry.top_shape, entry.bottom_shape, entry.is_via}].push_back(static_cast<std::uint32_t>(i));
        }
    }
    lookup.padstacks_indexed = board.padstacks.size();
}

PadstackPinKey pin_key(const Board& board, const FootprintPin& pin) {
    PadstackPinKey key;
    std::size_t n = 0;
    key.words[n++] = std::bit_cast<std::uint64_t>(pin.hole);
    key.words[n++] = (std::uint64_t{pin.is_via} << 32) | pin.no_inner_pad;
    key.words[n++] = std::bit_cast<std::uint64_t>(annular_ring(board, pin));
    for (const PadSpec* pad : {&pin.top_pad, &pin.inner_pad, &pin.bottom_pad}) {
        key.words[n++] = pad->shape;
        key.words[n++] = std::bit_cast<std::uint64_t>(pad->width);
        key.words[n++] = std::bit_cast<std::uint64_t>(pad->length1 + pad->length2);
        key.words[n++] = std::bit_cast<std::uint64_t>(pad->radius);
    }
    return key;
}

// The first padstack, in table order, that the pin matches, or -1: only the entries of the
// pin's key can match it, and a pin met before needs no comparison at all.
std::int64_t find_padstack(Board& board, const FootprintPin& pin) {
    index_padstacks(board);
    PadstackLookup& lookup = board.padstack_lookup;
    const PadstackPinKey exact = pin_key(board, pin);
    const auto known = lookup.by_pin.find(exact);
    if (known != lookup.by_pin.end()) return known->second;
    const std::optional<std::uint64_t> hole = rounded_bits(pin.hole);
    if (!hole) return -1;
    const auto bucket = lookup.by_key.find({*hole, pin.top_pad.shape, pin.bottom_pad.shape, pin.is_via});
    if (bucket == lookup.by_key.end()) return -1;
    for (const std::uint32_t i : bucket->second) {
        if (matches(board, pin, board.padstacks[i])) {
            lookup.by_pin.emplace(exact, i);
            return i;
        }
    }
    return -1;
}

}  // namespace

std::uint32_t resolve_drill_tool(Board& board, const FootprintPin& pin) {
    if (board.tools.empty()) board.tools.emplace_back();
    if (pin.hole == 0) return 0;
    PadstackLookup& lookup = board.padstack_lookup;
    index_tools(board);
    // The first tool of the same diameter at four decimals, as a walk through the table finds it.
    std::uint32_t found = 0;
    const std::uint64_t hole_bits = std::bit_cast<std::uint64_t>(pin.hole);
    const auto known = lookup.tools_by_hole.find(hole_bits);
    if (known != lookup.tools_by_hole.end()) {
        found = known->second;
    } else if (const std::optional<std::uint64_t> key = rounded_bits(pin.hole)) {
        const auto tool = lookup.tools_by_diameter.find(*key);
        if (tool != lookup.tools_by_diameter.end()) found = tool->second;
    }
    if (found != 0) {
        lookup.tools_by_hole.emplace(hole_bits, found);
        DrillTool& tool = board.tools[found];
        if (pin.is_via) {
            ++tool.used_count;
            ++tool.via_count;
        } else {
            ++tool.def_count;
        }
        return found;
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
    const auto index = static_cast<std::uint32_t>(board.tools.size() - 1);
    index_tools(board);
    if (same(tool.diameter, pin.hole)) lookup.tools_by_hole.emplace(hole_bits, index);
    return index;
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

    const std::int64_t found = find_padstack(board, pin);
    if (found >= 0) {
        const auto i = static_cast<std::uint32_t>(found);
        ++board.padstacks[i].use_count;
        pin.padstack = i;
        return i;
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
    index_padstacks(board);
    // A pin just like this one shares the entry, if the entry takes the pin itself.
    if (matches(board, pin, board.padstacks[index])) board.padstack_lookup.by_pin.emplace(pin_key(board, pin), index);
    pin.padstack = index;
    return index;
}

}  // namespace tarnwick
