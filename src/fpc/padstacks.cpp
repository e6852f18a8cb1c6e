#include "fpc/padstacks.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <optional>

#include "board/pads.h"
#include "board/precision.h"
#include "core/errors.h"

namespace tarnwick {

namespace {

double rounded(double value) { return to_precision(value, padstack_precision); }

// A pin matches a padstack when the values it is compared with agree at four decimals: its
// hole, pin or via, its outer shapes, and then, by the pin's kind, the pad dimensions its
// shapes use (a surface pin: its top pad, or its bottom pad when it has no top pad; a drilled
// pin: every pad it has, the inner ring of a pin without inner pad, and an inner shape that is
// the same or, for such a pin, a circle). Each way of comparing is a key: the words of the
// values compared, as they read at four decimals, so that equal keys are exactly the matches.
// A value that reads as no number equals nothing, and makes no key.
enum class KeyKind : std::uint64_t { surface = 1, drilled = 2, ring_same_inner = 3, ring_circle_inner = 4 };

class KeyBuilder {
public:
    KeyBuilder(KeyKind kind, double hole, std::uint32_t is_via, std::uint32_t top, std::uint32_t bottom) {
        word(static_cast<std::uint64_t>(kind));
        length(hole);
        key_.words[next_++] = is_via;
        key_.words[next_++] = top;
        key_.words[next_++] = bottom;
    }
    void word(std::uint64_t value) { key_.words[next_++] = value; }
    // The value as it reads at four decimals; -0 reads as 0.
    void length(double value) {
        const double text_value = rounded(value);
        if (std::isnan(text_value)) valid_ = false;
        key_.words[next_++] = std::bit_cast<std::uint64_t>(text_value + 0.0);
    }
    // Three words for one pad: nothing, two lengths, or three.
    void dimensions(int count, double wide, double high, double radius) {
        if (count >= 2) {
            length(wide);
            length(high);
        } else {
            word(0);
            word(0);
        }
        if (count == 3) {
            length(radius);
        } else {
            word(0);
        }
    }
    std::optional<PadstackKey> key() const { return valid_ ? std::optional<PadstackKey>(key_) : std::nullopt; }

private:
    PadstackKey key_;
    std::size_t next_ = 0;
    bool valid_ = true;
};

// How many of a pad's dimensions its shape compares: none (no pad, or a code beyond 6), the
// width and length, or those and the corner radius.
int compared_dimensions(std::uint32_t shape) {
    if (is_square_like(shape) || shape == pad_shape_rectangle || shape == pad_shape_oval) return 2;
    if (shape == pad_shape_rounded_rectangle) return 3;
    return 0;
}

// A pin's pad as a padstack layer holds it: along x, along y, the radius.
void pin_pad(KeyBuilder& key, const PadSpec& pad, std::uint32_t shape) {
    const double wide = is_square_like(shape) ? pad.width : pad.length1 + pad.length2;
    key.dimensions(compared_dimensions(shape), wide, pad.width, pad.radius);
}

void entry_layer(KeyBuilder& key, const PadstackLayer& layer, std::uint32_t shape) {
    key.dimensions(compared_dimensions(shape), layer.wide, layer.high, layer.radius);
}

double annular_ring(const Board& board, const FootprintPin& pin) {
    return pin.is_via ? board.options.annular_ring_for_vias : board.options.annular_ring_for_pins;
}

void add_key(std::vector<PadstackKey>& keys, const KeyBuilder& builder) {
    if (const std::optional<PadstackKey> key = builder.key()) keys.push_back(*key);
}

// The keys a pin is looked up by; the first padstack of any of them is the one it shares.
std::vector<PadstackKey> pin_keys(const Board& board, const FootprintPin& pin) {
    std::vector<PadstackKey> keys;
    const std::uint32_t top = pin.top_pad.shape;
    const std::uint32_t bottom = pin.bottom_pad.shape;
    if (pin.hole == 0) {
        // A surface pin without copper shares nothing.
        if (top == pad_shape_none && bottom == pad_shape_none) return keys;
        KeyBuilder key(KeyKind::surface, pin.hole, pin.is_via, top, bottom);
        if (top != pad_shape_none) {
            pin_pad(key, pin.top_pad, top);
        } else {
            pin_pad(key, pin.bottom_pad, bottom);
        }
        add_key(keys, key);
        return keys;
    }
    const std::uint32_t inner = pin.inner_pad.shape;
    const auto drilled = [&](KeyKind kind, std::uint64_t inner_word, bool ring) {
        KeyBuilder key(kind, pin.hole, pin.is_via, top, bottom);
        pin_pad(key, pin.top_pad, top);
        pin_pad(key, pin.bottom_pad, bottom);
        key.word(inner_word);
        if (ring) {
            key.length(pin.hole + 2 * annular_ring(board, pin));
        } else {
            key.word(0);
        }
        pin_pad(key, pin.inner_pad, inner);
        return key;
    };
    if (pin.no_inner_pad != 1) {
        add_key(keys, drilled(KeyKind::drilled, inner, false));
    } else {
        add_key(keys, drilled(KeyKind::ring_same_inner, inner, true));
        // ... or an inner circle, compared by the pin's own inner shape.
        add_key(keys, drilled(KeyKind::ring_circle_inner, static_cast<std::uint64_t>(compared_dimensions(inner)), true));
    }
    return keys;
}

// The keys a padstack is found by: every way a pin could be compared with it.
std::vector<PadstackKey> padstack_keys(const Padstack& entry) {
    std::vector<PadstackKey> keys;
    const std::uint32_t top = entry.top_shape;
    const std::uint32_t bottom = entry.bottom_shape;
    if (rounded(entry.hole) == 0 && (top != pad_shape_none || bottom != pad_shape_none)) {
        KeyBuilder key(KeyKind::surface, entry.hole, entry.is_via, top, bottom);
        if (top != pad_shape_none) {
            entry_layer(key, entry.top, top);
        } else {
            entry_layer(key, entry.bottom, bottom);
        }
        add_key(keys, key);
    }
    // A drilled pin's hole may still read as 0 at four decimals: every entry has drilled keys.
    const std::uint32_t inner = entry.inner_shape;
    const auto drilled = [&](KeyKind kind, std::uint64_t inner_word, bool ring, int inner_dimensions) {
        KeyBuilder key(kind, entry.hole, entry.is_via, top, bottom);
        entry_layer(key, entry.top, top);
        entry_layer(key, entry.bottom, bottom);
        key.word(inner_word);
        if (ring) {
            key.length(entry.inner.wide);
        } else {
            key.word(0);
        }
        key.dimensions(inner_dimensions, entry.inner.wide, entry.inner.high, entry.inner.radius);
        return key;
    };
    add_key(keys, drilled(KeyKind::drilled, inner, false, compared_dimensions(inner)));
    add_key(keys, drilled(KeyKind::ring_same_inner, inner, true, compared_dimensions(inner)));
    if (inner == pad_shape_circle) {
        for (const int dimensions : {0, 2, 3}) {
            add_key(keys, drilled(KeyKind::ring_circle_inner, static_cast<std::uint64_t>(dimensions), true, dimensions));
        }
    }
    return keys;
}

// The first padstack, in table order, that the pin matches, or -1.
std::int64_t find_padstack(const Board& board, const LoadIndexes& indexes, const FootprintPin& pin) {
    std::int64_t found = -1;
    for (const PadstackKey& key : pin_keys(board, pin)) {
        const auto entry = indexes.padstacks.find(key);
        if (entry != indexes.padstacks.end() && (found < 0 || entry->second < found)) found = entry->second;
    }
    return found;
}

// The bits of a diameter as it reads at four decimals, or none when it reads as no number.
std::optional<std::uint64_t> diameter_key(double diameter) {
    const double text_value = rounded(diameter);
    if (std::isnan(text_value)) return std::nullopt;
    return std::bit_cast<std::uint64_t>(text_value + 0.0);
}

}  // namespace

void index_padstack(LoadIndexes& indexes, const Board& board, std::uint32_t index) {
    for (const PadstackKey& key : padstack_keys(board.padstacks[index])) indexes.padstacks.emplace(key, index);
}

void index_drill_tool(LoadIndexes& indexes, const Board& board, std::uint32_t index) {
    if (const std::optional<std::uint64_t> key = diameter_key(board.tools[index].diameter)) {
        indexes.tools.emplace(*key, index);
    }
}

std::uint32_t resolve_drill_tool(Board& board, LoadIndexes& indexes, const FootprintPin& pin) {
    if (board.tools.empty()) board.tools.emplace_back();
    if (pin.hole == 0) return 0;
    // The first tool of the same diameter at four decimals, as a walk through the table finds it.
    if (const std::optional<std::uint64_t> key = diameter_key(pin.hole)) {
        const auto found = indexes.tools.find(*key);
        if (found != indexes.tools.end()) {
            DrillTool& tool = board.tools[found->second];
            if (pin.is_via) {
                ++tool.used_count;
                ++tool.via_count;
            } else {
                ++tool.def_count;
            }
            return found->second;
        }
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
    index_drill_tool(indexes, board, index);
    return index;
}

std::uint32_t resolve_padstack(Board& board, LoadIndexes& indexes, FootprintPin& pin) {
    if (pin.is_via) {
        pin.inner_pad.width = pin.top_pad.width;
        pin.inner_pad.shape = pad_shape_circle;
        pin.no_inner_pad = 0;
        pin.bare_hole = 0;
    } else {
        pin.bare_hole = pin.hole > 0 && !has_pad(pin) ? 1 : 0;
    }
    if (pin.tool == 0) pin.tool = resolve_drill_tool(board, indexes, pin);

    const std::int64_t found = find_padstack(board, indexes, pin);
    if (found >= 0) {
        const auto i = static_cast<std::uint32_t>(found);
        ++board.padstacks[i].use_count;
        pin.padstack = i;
        return i;
    }

    const auto index = static_cast<std::uint32_t>(board.padstacks.size());
    Padstack entry;
    entry.top_shape = pin.top_pad.shape;
    entry.inner_shape = pin.inner_pad.shape == pad_shape_none && pin.no_inner_pad == 1 ? pad_shape_circle
                                                                                        : pin.inner_pad.shape;
    entry.bottom_shape = pin.bottom_pad.shape;
    entry.hole = rounded(pin.hole);
    entry.top = padstack_layer(pin.top_pad);
    entry.inner = padstack_layer(pin.inner_pad);
    entry.bottom = padstack_layer(pin.bottom_pad);
    if (pin.inner_pad.shape == pad_shape_none && pin.no_inner_pad == 1) {
        entry.inner.high = entry.inner.wide = rounded(pin.hole + 2 * annular_ring(board, pin));
        entry.inner.radius = 0;
    }
    entry.bare_hole = pin.bare_hole;
    entry.is_via = pin.is_via;
    entry.use_count = 1;
    board.padstacks.push_back(entry);
    index_padstack(indexes, board, index);
    pin.padstack = index;
    return index;
}

}  // namespace tarnwick
