#include "session/connection_sets.h"

#include <cstdint>
#include <span>
#include <vector>

#include "core/errors.h"

namespace tarnwick {

namespace {

// What lies at the end a path is walked to, or from.
struct PathEnd {
    std::int32_t pin;
    std::int32_t via;
    std::int32_t tee;
};

PathEnd far_end(const WirePath& path) {
    return path.reversed ? PathEnd{path.start_pin, path.start_via, path.start_tee}
                         : PathEnd{path.end_pin, path.end_via, path.end_tee};
}

bool has_pin(const WirePath& path) { return path.start_pin >= 0 || path.end_pin >= 0; }
bool has_via(const WirePath& path) { return path.start_via >= 0 || path.end_via >= 0; }
bool has_tee(const WirePath& path) { return path.start_tee >= 0 || path.end_tee >= 0; }

void start_set(NetWire& wire, std::size_t i) {
    ConnectionSet& set = wire.connection_sets[wire.trace_count];
    set.path_count = 1;
    set.first_path = static_cast<std::int32_t>(i);
    set.path_list[0] = static_cast<std::int32_t>(i);
    wire.paths[i].used = true;
}

// The paths with an end at each via and at each tee of a net, in path order: a chain looks only
// at the paths at its far end. As paths once used stay used, each list keeps where its first
// path not yet used may be, so that a crowd of paths at one tee is passed over once, not once
// per chain.
// Per via (or tee), the paths with an end there, in path order, each once: the lists of all of
// them in one table.
struct PathLists {
    PathLists(const std::vector<WirePath>& paths, std::size_t places, std::int32_t WirePath::*start,
              std::int32_t WirePath::*end)
        : first(places + 1, 0) {
        auto place = [&](std::int32_t at) { return at >= 0 && static_cast<std::size_t>(at) < places; };
        for (const WirePath& path : paths) {
            if (place(path.*start)) ++first[static_cast<std::size_t>(path.*start) + 1];
            if (place(path.*end) && path.*end != path.*start) ++first[static_cast<std::size_t>(path.*end) + 1];
        }
        for (std::size_t k = 0; k < places; ++k) first[k + 1] += first[k];
        items.resize(first[places]);
        std::vector<std::uint32_t> next(first.begin(), first.end() - 1);
        for (std::uint32_t i = 0; i < paths.size(); ++i) {
            const WirePath& path = paths[i];
            if (place(path.*start)) items[next[static_cast<std::size_t>(path.*start)]++] = i;
            if (place(path.*end) && path.*end != path.*start) items[next[static_cast<std::size_t>(path.*end)]++] = i;
        }
    }
    std::span<const std::uint32_t> at(std::size_t place) const {
        return {items.data() + first[place], first[place + 1] - first[place]};
    }
    std::vector<std::uint32_t> first;  // per place, where its paths begin in `items`; and the end
    std::vector<std::uint32_t> items;
};

struct ChainIndex {
    explicit ChainIndex(const NetWire& wire)
        : paths_at_via(wire.paths, wire.vias.size(), &WirePath::start_via, &WirePath::end_via),
          paths_at_tee(wire.paths, wire.tees.size(), &WirePath::start_tee, &WirePath::end_tee),
          via_unused_from(wire.vias.size(), 0),
          tee_unused_from(wire.tees.size(), 0) {}
    PathLists paths_at_via;
    PathLists paths_at_tee;
    std::vector<std::uint32_t> via_unused_from;
    std::vector<std::uint32_t> tee_unused_from;
};

// Where the next path of a chain enters: at its first or its last point, through the via or
// through the tee.
enum class Entry { none, start_at_via, end_at_via, start_at_tee, end_at_tee };

// Extends the set being built (the one at the net's trace count) from slot `depth` on, entering
// through tee `tee` or via `via` from a path on `layer`, until a pin or an open end is reached or
// no path continues the chain.
void follow_chain(NetWire& wire, ChainIndex& index, std::int32_t tee, std::int32_t via, std::uint32_t layer,
                  std::uint32_t depth) {
    ConnectionSet& set = wire.connection_sets[wire.trace_count];
    // A loop, not a recursion: a chain may be as long as the net has paths.
    std::vector<std::size_t> taken;
    for (;;) {
        if (depth > wire.paths.size()) fatal_error(30688, "path following recursion overflow");
        const bool via_open = via >= 0 && wire.vias[static_cast<std::size_t>(via)].path_ends > 1;
        const bool tee_open = tee >= 0 && wire.tees[static_cast<std::size_t>(tee)].path_ends > 1;
        std::size_t found = wire.paths.size();
        Entry entry = Entry::none;
        auto try_path = [&](std::uint32_t i) {
            if (i >= found) return false;
            const WirePath& path = wire.paths[i];
            if (path.used || path.following) return false;
            Entry through = Entry::none;
            if (via_open && path.start_via == via) {
                through = Entry::start_at_via;
            } else if (via_open && path.end_via == via) {
                through = Entry::end_at_via;
            } else if (tee_open && path.start_tee == tee && path.layer == layer) {
                through = Entry::start_at_tee;
            } else if (tee_open && path.end_tee == tee && path.layer == layer) {
                through = Entry::end_at_tee;
            }
            if (through == Entry::none) return false;
            found = i;
            entry = through;
            return true;
        };
        // The first path, in path order, that enters through the via or the tee; only paths with
        // an end there can, and each list is in path order, from its first path not yet used.
        auto search = [&](std::span<const std::uint32_t> list, std::uint32_t& unused_from) {
            while (unused_from < list.size() && wire.paths[list[unused_from]].used) ++unused_from;
            for (std::size_t k = unused_from; k < list.size(); ++k) {
                if (try_path(list[k])) return;
            }
        };
        if (via_open) {
            const auto at = static_cast<std::size_t>(via);
            search(index.paths_at_via.at(at), index.via_unused_from[at]);
        }
        if (tee_open) {
            const auto at = static_cast<std::size_t>(tee);
            search(index.paths_at_tee.at(at), index.tee_unused_from[at]);
        }
        if (entry == Entry::none) break;
        WirePath& path = wire.paths[found];
        if (set.path_list.size() <= depth) set.path_list.resize(depth + 1, -1);
        set.path_list[depth] = static_cast<std::int32_t>(found);
        path.reversed = entry == Entry::end_at_via || entry == Entry::end_at_tee;
        taken.push_back(found);
        const PathEnd far = far_end(path);
        if (far.pin >= 0) {
            --wire.pin_connects_to_go;
            break;
        }
        const bool open = entry == Entry::end_at_via ? far.via < 0 && (far.tee < 0 || path.layer != layer)
                                                     : far.via < 0 && far.tee < 0;
        if (open) break;
        path.following = true;
        tee = far.tee;
        via = far.via;
        layer = path.layer;
        ++depth;
    }
    for (const std::size_t i : taken) {
        wire.paths[i].used = true;
        ++set.path_count;
    }
}

}  // namespace

void build_connection_sets(NetWire& wire) {
    const std::size_t count = wire.paths.size();
    wire.connection_sets.assign(count + 1, ConnectionSet{});
    wire.trace_count = 0;
    ChainIndex index(wire);
    bool any_left = true;
    while (any_left && wire.trace_count <= count) {
        any_left = false;
        bool started_any = false;
        for (std::size_t i = 0; i < count && wire.trace_count <= count; ++i) {
            WirePath& path = wire.paths[i];
            if (path.used) continue;
            any_left = true;
            ConnectionSet& set = wire.connection_sets[wire.trace_count];
            // The list grows with its chain: room for every path in every set would be the
            // square of the net's paths.
            if (set.path_list.empty()) set.path_list.assign(1, -1);

            const PathEnd far = far_end(path);
            const bool pins_to_go = wire.pin_connects_to_go != 0;
            bool started = true;
            if (has_pin(path) && pins_to_go) {
                start_set(wire, i);
                --wire.pin_connects_to_go;
                if (far.pin >= 0) {
                    --wire.pin_connects_to_go;
                } else if (far.via >= 0 || far.tee >= 0) {
                    follow_chain(wire, index, far.tee, far.via, path.layer, 1);
                }
            } else if (!pins_to_go && has_via(path)) {
                start_set(wire, i);
                if (far.pin < 0 && (far.via >= 0 || far.tee >= 0)) follow_chain(wire, index, far.tee, far.via, path.layer, 1);
            } else if (!pins_to_go && has_tee(path)) {
                start_set(wire, i);
                if (far.tee >= 0) follow_chain(wire, index, far.tee, far.via, path.layer, 1);
            } else if (!pins_to_go) {
                start_set(wire, i);
            } else {
                started = false;
            }
            if (started) {
                ++wire.trace_count;
                started_any = true;
            }
        }
        // Pin connections can stay counted with no pin path left to take them (an end counted on
        // two pins, a pin reached from inside a chain): the paths left then start sets as if
        // every pin connection were made, so that none is lost and the sweeps end.
        if (any_left && !started_any) wire.pin_connects_to_go = 0;
    }
}

}  // namespace tarnwick
