#include "board/part_pins.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>
#include <utility>

#include "board/pads.h"
#include "board/units.h"
#include "core/errors.h"
#include "core/name_index.h"
#include "core/settings.h"

namespace tarnwick {

namespace {

void add_keepout(Footprint& footprint, std::int32_t layer, double diameter, const FootprintPin& pin) {
    footprint.keepouts.push_back({layer, diameter, pin.x, pin.y});
}

// Gives every placed pin its net pin, and marks the net pins the router never sees. A placed
// pin's net pin is the first, in net and pin order, named "<ref>.<pin>" after
// it. Found from the net pins' side: each name is split at each of its points into a reference
// and a pin name, and only the parts of that reference are asked, so that no name is made for
// every part pin and no index holds every net pin.
void find_net_pins(Board& board) {
    board.stats.unknown_net_pins = 0;
    board.stats.unknown_part_net_pins = 0;
    if (board.nets.empty()) return;
    // The parts of each reference, in table order: the first, and from each the next.
    NameIndex first_part;
    first_part.reserve(board.parts.size());
    std::vector<std::int32_t> next_part(board.parts.size(), -1);
    for (std::size_t i = board.parts.size(); i-- > 0;) {
        const auto [first, added] = first_part.try_emplace(board.parts[i].ref, static_cast<std::uint32_t>(i));
        if (!added) {
            next_part[i] = static_cast<std::int32_t>(*first);
            *first = static_cast<std::uint32_t>(i);
        }
    }
    // The pins of each name of a footprint, the same way; made when the footprint is first asked.
    struct PinNames {
        bool made = false;
        NameIndex first;
        std::vector<std::int32_t> next;
    };
    std::vector<PinNames> pin_names(board.footprints.size());
    auto names_of = [&](std::uint32_t f) -> const PinNames& {
        PinNames& names = pin_names[f];
        if (names.made) return names;
        names.made = true;
        const std::vector<FootprintPin>& pins = board.footprints[f].pins;
        names.next.assign(pins.size(), -1);
        names.first.reserve(pins.size());
        for (std::size_t k = pins.size(); k-- > 0;) {
            const auto [first, added] = names.first.try_emplace(pins[k].name, static_cast<std::uint32_t>(k));
            if (!added) {
                names.next[k] = static_cast<std::int32_t>(*first);
                *first = static_cast<std::uint32_t>(k);
            }
        }
        return names;
    };

    // The net pins the router never sees, by the node rule of the design file (the first part of
    // the reference before the first point, and its footprint's first pin of the name): of a part
    // without footprint, naming a part the board does not have or a pin the footprint lacks, or
    // a pin without pad or hole. `parts` holds the parts of that reference, or is null.
    auto mark_unseen = [&](NetPin& net_pin, std::string_view pin_name, const std::uint32_t* parts) {
        net_pin.no_position = false;
        net_pin.unknown_pin = false;
        if (parts == nullptr) {
            net_pin.no_position = true;
            ++board.stats.unknown_part_net_pins;
            return;
        }
        const Part& part = board.parts[*parts];
        if (!has_router_image(part)) {
            net_pin.no_position = true;
            return;
        }
        if (part.footprint >= board.footprints.size()) return;
        const PinNames& names = names_of(part.footprint);
        const std::uint32_t* pins = names.first.find(pin_name);
        if (pins == nullptr) {
            net_pin.no_position = true;
            net_pin.unknown_pin = true;
            ++board.stats.unknown_net_pins;
        } else if (has_no_copper(board.footprints[part.footprint].pins[*pins])) {
            net_pin.no_position = true;
        }
    };

    for (std::uint32_t n = 0; n < board.nets.size(); ++n) {
        std::vector<NetPin>& net_pins = board.nets[n].pins;
        for (std::uint32_t p = 0; p < net_pins.size(); ++p) {
            const std::string_view name = net_pins[p].pin_ref;
            const std::size_t first_dot = name.find('.');
            if (first_dot == std::string_view::npos) mark_unseen(net_pins[p], {}, nullptr);
            for (std::size_t dot = first_dot; dot != std::string_view::npos; dot = name.find('.', dot + 1)) {
                const std::uint32_t* parts = first_part.find(name.substr(0, dot));
                const std::string_view pin_name = name.substr(dot + 1);
                if (dot == first_dot) mark_unseen(net_pins[p], pin_name, parts);
                if (parts == nullptr) continue;
                for (std::int32_t i = static_cast<std::int32_t>(*parts); i >= 0; i = next_part[static_cast<std::size_t>(i)]) {
                    Part& part = board.parts[static_cast<std::size_t>(i)];
                    if (part.pins.empty()) continue;  // no footprint, or one without pins
                    const PinNames& names = names_of(part.footprint);
                    const std::uint32_t* pins = names.first.find(pin_name);
                    if (pins == nullptr) continue;
                    for (std::int32_t k = static_cast<std::int32_t>(*pins); k >= 0; k = names.next[static_cast<std::size_t>(k)]) {
                        PartPin& placed = part.pins[static_cast<std::size_t>(k)];
                        if (placed.net >= 0) continue;
                        placed.net = static_cast<std::int32_t>(n);
                        placed.net_pin = static_cast<std::int32_t>(p);
                    }
                }
            }
        }
    }
}

void place_pin(const Part& part, const FootprintPin& pin, PartPin& placed, bool any_angle) {
    if (!place_on_board(part, pin.x, pin.y, any_angle, placed.x, placed.y)) {
        fatal_error(10669, strformat("%s: bad rotation angle (%u)", part.ref.c_str(), part.rotation));
    }

    if (pin.hole != 0) {
        placed.layer = all_copper_layers;
    } else if (pin.top_pad.shape != pad_shape_none) {
        placed.layer = part.side == 0 ? top_copper_layer : bottom_copper_layer;
    } else if (pin.bottom_pad.shape != pad_shape_none) {
        placed.layer = part.side == 0 ? bottom_copper_layer : top_copper_layer;
    } else {
        // A pin with neither pad nor hole (a fiducial) carries no copper: it stays on the part's
        // side, out of the design file and out of reach of the router's wires.
        placed.layer = part.side == 0 ? top_copper_layer : bottom_copper_layer;
    }
    placed.tool = pin.tool;
}

// The hole counts of the drill tools hold one hole per placed pin: a pin placed again gives
// back its old hole first.
void count_holes(Board& board, const std::vector<PartPin>& pins, bool add) {
    for (const PartPin& pin : pins) {
        if (pin.tool >= board.tools.size()) continue;
        std::uint32_t& used = board.tools[pin.tool].used_count;
        if (add) {
            ++used;
        } else if (used > 0) {
            --used;
        }
    }
}

// Every part places a copy of its footprint's pins, so a short file of many parts of a footprint
// with many pins asks for their product. Far beyond any real board, that is refused before
// anything is allocated rather than left to exhaust memory.
constexpr std::uint64_t max_part_pins = std::uint64_t{1} << 24;

void check_part_pin_total(const Board& board) {
    std::uint64_t total = 0;
    for (const Part& part : board.parts) {
        if (!part.no_footprint && part.footprint < board.footprints.size()) {
            total += board.footprints[part.footprint].pins.size();
        }
    }
    if (total > max_part_pins) fatal_error(10643, "allocating part pin storage");
}

// Each net pin takes the place of its part pin; of two part pins of one name, the later part's.
void place_net_pins(Board& board) {
    for (const Part& part : board.parts) {
        for (const PartPin& placed : part.pins) {
            if (placed.net < 0) continue;
            NetPin& net_pin = board.nets[static_cast<std::size_t>(placed.net)].pins[static_cast<std::size_t>(placed.net_pin)];
            net_pin.x = placed.x;
            net_pin.y = placed.y;
            net_pin.layer = placed.layer;
        }
    }
}

}  // namespace

bool place_on_board(const Part& part, double fx, double fy, bool any_angle, double& x, double& y) {
    const double px = part.side == 1 ? -fx : fx;  // the bottom side mirrors the footprint
    const double py = fy;
    switch (part.rotation) {
        case 0:
            x = part.x + px;
            y = part.y + py;
            return true;
        case 90:
            x = part.x - py;
            y = part.y + px;
            return true;
        case 180:
            x = part.x - px;
            y = part.y - py;
            return true;
        case 270:
            x = part.x + py;
            y = part.y - px;
            return true;
        default: {
            if (!any_angle || part.rotation >= 360) return false;
            const double radians = part.rotation * deg_to_rad;
            const double c = std::cos(radians);
            const double s = std::sin(radians);
            x = part.x + px * c - py * s;
            y = part.y + px * s + py * c;
            return true;
        }
    }
}

void build_circular_keepouts(Board& board) {
    const std::uint32_t copper_layers = board.options.n_copper_layers;
    const double clearance = 2 * (board.options.drc_hole_copper - board.options.drc_copper_copper);
    for (Footprint& footprint : board.footprints) {
        footprint.keepouts.clear();
        for (const FootprintPin& pin : footprint.pins) {
            if (pin.hole == 0) continue;
            const double diameter = pin.hole + clearance;
            bool top = pin.top_pad.shape != pad_shape_none;
            bool inner = pin.inner_pad.shape != pad_shape_none;
            bool bottom = pin.bottom_pad.shape != pad_shape_none;
            if (!top && !inner && !bottom) {
                add_keepout(footprint, all_copper_layers, diameter, pin);
                continue;
            }
            // A pad of no size is no copper: the hole is kept out there as where there is no pad.
            top = top && has_copper_pad(pin.top_pad);
            inner = inner && has_copper_pad(pin.inner_pad);
            bottom = bottom && has_copper_pad(pin.bottom_pad);
            if (!top) add_keepout(footprint, top_copper_layer, diameter, pin);
            if (copper_layers > 1 && !bottom) add_keepout(footprint, bottom_copper_layer, diameter, pin);
            if (copper_layers > 2 && !inner && pin.no_inner_pad == 0) {
                for (std::uint32_t k = 1; k + 1 < copper_layers; ++k) {
                    add_keepout(footprint, static_cast<std::int32_t>(inner_copper_layer(k)), diameter, pin);
                }
            }
        }
        footprint.keepout_count = static_cast<std::uint32_t>(footprint.keepouts.size());
    }
}

void build_part_pins(Board& board) {
    check_part_pin_total(board);
    for (Part& part : board.parts) {
        count_holes(board, part.pins, false);
        part.pins.clear();
        if (part.no_footprint) {
            part.pin_count = 0;
            continue;
        }
        if (part.footprint >= board.footprints.size()) continue;  // only a board without footprints
        const Footprint& footprint = board.footprints[part.footprint];
        part.pin_count = footprint.pin_count;
        part.pins.resize(footprint.pins.size());
        for (std::size_t i = 0; i < footprint.pins.size(); ++i) {
            PartPin& placed = part.pins[i];
            place_pin(part, footprint.pins[i], placed, board.parts_at_any_angle);
            placed.net = -1;
            placed.net_pin = 0;
        }
        count_holes(board, part.pins, true);
    }
    find_net_pins(board);
    place_net_pins(board);
}

void move_part_pins(Board& board, const std::vector<std::uint8_t>& moved) {
    for (std::size_t p = 0; p < board.parts.size() && p < moved.size(); ++p) {
        if (moved[p] == 0) continue;
        Part& part = board.parts[p];
        if (part.pins.empty()) continue;  // no footprint, or one without pins
        const std::vector<FootprintPin>& pins = board.footprints[part.footprint].pins;
        for (std::size_t i = 0; i < part.pins.size(); ++i) place_pin(part, pins[i], part.pins[i], board.parts_at_any_angle);
    }
    place_net_pins(board);
}

}  // namespace tarnwick
