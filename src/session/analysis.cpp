#include "session/analysis.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "board/units.h"
#include "core/errors.h"
#include "session/connection_sets.h"
#include "session/place_index.h"
#include "session/routes.h"

namespace tarnwick {

namespace {

bool inside(const PathPoint& point, double x, double y, double tolerance) {
    return std::fabs(point.x - x) <= tolerance && std::fabs(point.y - y) <= tolerance;
}

bool near(const PathPoint& point, const PathPoint& other, double tolerance) {
    return std::fabs(point.x - other.x) < tolerance && std::fabs(point.y - other.y) < tolerance;
}

void remeasure(const Session& session, WirePath& path) { measure_path(path, 2 * session.session_scale); }

// The codes of one pairing of path ends, for the three ways a join can be refused.
struct JoinErrors {
    int tee_code;
    const char* tee_message;
    int via3_code;
    const char* via3_message;
    int via4_code;
    const char* via4_message;
};

constexpr JoinErrors start_start{31764, "start/start TEE mismatch", 31780, "start/start VIA mismatch 3",
                                 31792, "start/start VIA mismatch 4"};
constexpr JoinErrors start_end{31823, "start/end TEE mismatch", 31839, "start/end VIA mismatch 3",
                               31851, "start/end VIA mismatch 4"};
constexpr JoinErrors end_start{31886, "end/start TEE mismatch", 31902, "end/start VIA mismatch 3",
                               31914, "end/start VIA mismatch 4"};
constexpr JoinErrors end_end{31944, "end/end TEE mismatch", 31960, "end/end VIA mismatch 3",
                             31975, "end/end VIA mismatch 4"};

// Joins one path's end (its tee field `tee` and its via `via`, at `point`) with another path's
// end (its tee field `other_tee` and its via `other_via`).
void join_ends(Session& session, NetWire& wire, std::int32_t& tee, std::int32_t via, std::int32_t& other_tee,
               std::int32_t other_via, const PathPoint& point, std::uint32_t layer, const JoinErrors& errors) {
    if (tee < 0 && other_tee < 0) {
        WireTee& made = make_tee(session, wire, point.x, point.y, layer);
        made.path_ends = 2;
        tee = other_tee = made.index;
    } else if (tee >= 0 && other_tee >= 0) {
        if (tee != other_tee) fatal_error(errors.tee_code, errors.tee_message);
    } else if (tee < 0) {
        tee = other_tee;
        ++wire.tees[static_cast<std::size_t>(other_tee)].path_ends;
        if (other_via >= 0) {
            ++wire.vias[static_cast<std::size_t>(other_via)].path_ends;
            fatal_error(errors.via4_code, errors.via4_message);
        }
    } else {
        other_tee = tee;
        ++wire.tees[static_cast<std::size_t>(tee)].path_ends;
        if (via >= 0) {
            ++wire.vias[static_cast<std::size_t>(via)].path_ends;
            fatal_error(errors.via3_code, errors.via3_message);
        }
    }
}

// Counts a path end found on a net pin.
void count_pin_end(Session& session, NetWire& wire, std::uint32_t pin) {
    const std::uint32_t path_ends = ++wire.pin_path_ends[pin];
    ++wire.pin_connects_to_go;
    if (path_ends == 1) ++session.stats.pins_connected;
    if (path_ends == 2) ++session.stats.pins_multi;
}

// Gives the path end the via `v`: counts it on the via, makes the via's tee when it is the
// first end there, and snaps the end onto the via.
void attach_via(Session& session, NetWire& wire, WirePath& path, int end, std::int32_t index) {
    WireVia& via = wire.vias[static_cast<std::size_t>(index)];
    (end == 0 ? path.start_via : path.end_via) = index;
    ++via.path_ends;
    const std::size_t slot = path.layer - top_copper_layer;
    if (slot < via_layer_slots) {
        const std::uint32_t bit = std::uint32_t{1} << slot;
        if ((via.layer_path_ends & bit) != 0) via.shared_layer = 1;
        via.layer_path_ends |= bit;
    }
    if (via.path_ends == 1) {
        WireTee& tee = make_tee(session, wire, via.x, via.y, 0);
        tee.path_ends = 1;
        tee.via = index;
        via.tee = tee.index;
        ++session.stats.via_tees_made;
    } else {
        ++wire.tees[static_cast<std::size_t>(via.tee)].path_ends;
    }
    (end == 0 ? path.start_tee : path.end_tee) = via.tee;
    snap_end(session, path, end, PathPoint{via.x, via.y});
}

}  // namespace

WireTee& make_tee(Session& session, NetWire& wire, double x, double y, std::uint32_t layer) {
    WireTee& tee = wire.tees.emplace_back();
    tee.id = session.next_tee_id++;
    tee.index = static_cast<std::int32_t>(wire.tees.size() - 1);
    tee.layer = layer;
    tee.x = x;
    tee.y = y;
    ++session.stats.tees_made;
    return tee;
}

bool snap_end(Session& session, WirePath& path, int end, const PathPoint& point) {
    PathPoint& own = end == 0 ? path.points.front() : path.points.back();
    if (own.x == point.x && own.y == point.y) return false;
    own = point;
    path.moved_ends |= end == 0 ? 1u : 2u;
    ++session.stats.fixups;
    return true;
}

namespace {

// Goes through the `count` items (pins or vias) in their order, as a comparison of the path's
// ends with every item would, but looks only at those the index holds near the ends. `matches`
// tells whether an item takes an end as the path now lies; `take` lets it, which may move the end.
// While the ends stay where they are, what matches stays the same: the items that match are
// taken in order from one look-up, and only an end moved is looked up anew. `found` is room for
// the items that match.
template <typename Matches, typename Take>
void match_in_order(const PlaceIndex& index, std::uint32_t count, const WirePath& path, double reach, Matches matches,
                    Take take, std::vector<std::uint32_t>& found) {
    // Beyond this many items near the ends, each item is compared once, in order, instead: with a
    // huge session unit every item is near, and looking at them all again after every take
    // would cost the square of their number.
    constexpr std::uint32_t crowded = 64;
    std::uint32_t next = 0;
    for (;;) {
        std::uint32_t seen = 0;
        found.clear();
        auto consider = [&](std::uint32_t id) {
            ++seen;
            if (id >= next && matches(id)) found.push_back(id);
        };
        index.visit_near(path.points.front().x, path.points.front().y, reach, consider);
        index.visit_near(path.points.back().x, path.points.back().y, reach, consider);
        if (found.empty()) return;
        std::sort(found.begin(), found.end());
        found.erase(std::unique(found.begin(), found.end()), found.end());
        bool moved = false;
        for (std::size_t i = 0; i < found.size() && !moved; ++i) {
            const PathPoint first = path.points.front();
            const PathPoint last = path.points.back();
            take(found[i]);
            next = found[i] + 1;
            if (seen > crowded) {
                for (std::uint32_t id = next; id < count; ++id) {
                    if (matches(id)) take(id);
                }
                return;
            }
            moved = first.x != path.points.front().x || first.y != path.points.front().y ||
                    last.x != path.points.back().x || last.y != path.points.back().y;
        }
        if (!moved) return;
    }
}

}  // namespace

void locate_pins(Session& session, NetWire& wire, const Net& net) {
    double widest = 0;
    for (const WirePath& path : wire.paths) widest = std::max(widest, path.width);
    PlaceIndex pins(2 * (end_tolerance(session.session_scale) + widest / 2));
    pins.reserve(net.pins.size());
    wire.pin_path_ends.assign(net.pins.size(), 0);
    // A pin of a part without footprint lies nowhere: no path reaches it.
    for (std::uint32_t n = 0; n < net.pins.size(); ++n) {
        if (!net.pins[n].no_position) pins.insert(n, net.pins[n].x, net.pins[n].y);
    }
    // An end that lies on a via belongs to the via, even within a pin's reach: the router often
    // sets a via in or beside a pad with a short wire to the pin, and taking the via's ends onto
    // the pin would cut the wires of the via's layers apart. Only a via on the pin itself (within
    // a via's reach of its centre) leaves the end to both, at one place.
    const double via_reach = end_tolerance(session.session_scale);
    PlaceIndex vias(2 * via_reach);
    vias.reserve(wire.vias.size());
    for (std::uint32_t v = 0; v < wire.vias.size(); ++v) vias.insert(v, wire.vias[v].x, wire.vias[v].y);
    std::vector<std::uint32_t> start_vias;
    std::vector<std::uint32_t> end_vias;
    auto vias_at = [&](const PathPoint& end, std::vector<std::uint32_t>& found) {
        found.clear();
        if (wire.vias.empty()) return;
        vias.visit_near(end.x, end.y, via_reach, [&](std::uint32_t v) {
            if (inside(end, wire.vias[v].x, wire.vias[v].y, via_reach)) found.push_back(v);
        });
    };
    // Whether the pin may take an end that lies on `found`.
    auto free_for = [&](const std::vector<std::uint32_t>& found, const NetPin& pin) {
        return std::all_of(found.begin(), found.end(), [&](std::uint32_t v) {
            return inside(PathPoint{wire.vias[v].x, wire.vias[v].y}, pin.x, pin.y, via_reach);
        });
    };

    std::vector<std::uint32_t> matched;  // room for match_in_order
    for (WirePath& path : wire.paths) {
        path.start_pin = path.end_pin = -1;
        path.reversed = false;
        const double tolerance = end_tolerance(session.session_scale) + path.width / 2;
        vias_at(path.points.front(), start_vias);
        vias_at(path.points.back(), end_vias);
        auto on_layer = [&](const NetPin& pin) { return path.layer == pin.layer || pin.layer == 0; };
        // The end of the path the pin takes: 0 the first point, 1 the last, -1 neither.
        auto end_on = [&](const NetPin& pin) {
            if (inside(path.points.front(), pin.x, pin.y, tolerance) && free_for(start_vias, pin)) return 0;
            if (inside(path.points.back(), pin.x, pin.y, tolerance) && free_for(end_vias, pin)) return 1;
            return -1;
        };
        auto matches = [&](std::uint32_t n) {
            const NetPin& pin = net.pins[n];
            return !pin.no_position && on_layer(pin) && end_on(pin) >= 0;
        };
        // Every pin is tried; the last one that matches an end keeps it.
        auto take = [&](std::uint32_t n) {
            const NetPin& pin = net.pins[n];
            const int end = end_on(pin);
            (end == 0 ? path.start_pin : path.end_pin) = static_cast<std::int32_t>(n);
            count_pin_end(session, wire, n);
            if (snap_end(session, path, end, PathPoint{pin.x, pin.y})) {
                ++session.stats.fixups_at_pins;
                // A later pin sees the end where it now lies.
                vias_at(end == 0 ? path.points.front() : path.points.back(), end == 0 ? start_vias : end_vias);
            }
        };
        // What the rule changes: ends on a via that a pin would have taken.
        for (int end = 0; end < 2; ++end) {
            const std::vector<std::uint32_t>& found = end == 0 ? start_vias : end_vias;
            if (found.empty()) continue;
            const PathPoint& point = end == 0 ? path.points.front() : path.points.back();
            bool kept_from_pin = false;
            pins.visit_near(point.x, point.y, tolerance, [&](std::uint32_t n) {
                const NetPin& pin = net.pins[n];
                kept_from_pin = kept_from_pin || (!pin.no_position && on_layer(pin) &&
                                                  inside(point, pin.x, pin.y, tolerance) && !free_for(found, pin));
            });
            if (kept_from_pin) ++session.stats.via_ends_near_pins;
        }
        match_in_order(pins, static_cast<std::uint32_t>(net.pins.size()), path, tolerance, matches, take, matched);
        if (path.start_pin < 0 && path.end_pin >= 0) path.reversed = true;
        if (path.start_pin >= 0 && path.end_pin >= 0) ++session.stats.pin_to_pin;
        remeasure(session, path);
    }
}

void locate_vias(Session& session, NetWire& wire) {
    const double tolerance = end_tolerance(session.session_scale);
    PlaceIndex vias(2 * tolerance);
    vias.reserve(wire.vias.size());
    for (std::uint32_t v = 0; v < wire.vias.size(); ++v) vias.insert(v, wire.vias[v].x, wire.vias[v].y);

    std::vector<std::uint32_t> matched;  // room for match_in_order
    for (WirePath& path : wire.paths) {
        path.start_via = path.end_via = path.start_tee = path.end_tee = -1;
        auto matches = [&](std::uint32_t v) {
            const Via& via = wire.vias[v];
            return inside(path.points.front(), via.x, via.y, tolerance) ||
                   inside(path.points.back(), via.x, via.y, tolerance);
        };
        // As with pins, a later via that matches takes the end over.
        auto take = [&](std::uint32_t v) {
            const Via& via = wire.vias[v];
            const int end = inside(path.points.front(), via.x, via.y, tolerance) ? 0 : 1;
            attach_via(session, wire, path, end, static_cast<std::int32_t>(v));
        };
        match_in_order(vias, static_cast<std::uint32_t>(wire.vias.size()), path, tolerance, matches, take, matched);
        if ((!path.reversed && path.start_pin >= 0 && path.end_via >= 0) ||
            (path.reversed && path.end_pin >= 0 && path.start_via >= 0)) {
            ++session.stats.pin_to_via;
        } else if (path.start_via >= 0 && path.end_via >= 0) {
            ++session.stats.via_to_via;
        }
        remeasure(session, path);
    }
}

namespace {

// The path ends of a net that may meet others in the tee pass (those without a pin), on a grid of
// cells, in groups of ends alike: at one place, at one tee, on one layer, with a via or without.
// Ends that have met at a junction form one group, so an end that looks for others to meet passes
// over the ends already joined with it at its place, and over those on another layer that
// neither has a via for, a group at a time: a crowd of ends at one point costs no more than a few.
class EndGroups {
public:
    EndGroups(const std::vector<WirePath>& paths, double cell)
        : paths_(paths), places_(cell), group_of_(2 * paths.size(), none), next_(2 * paths.size(), none),
          previous_(2 * paths.size(), none) {
        places_.reserve(2 * paths.size());
        groups_.reserve(2 * paths.size());
        by_key_.reserve(2 * paths.size());
        for (std::uint32_t i = 0; i < paths.size(); ++i) {
            update(i, 0);
            update(i, 1);
        }
    }

    // Puts the end in the group of what it now is: after a move or a join.
    void update(std::uint32_t index, int end) {
        const WirePath& path = paths_[index];
        if ((end == 0 ? path.start_pin : path.end_pin) >= 0) return;
        const std::uint32_t entry = 2 * index + static_cast<std::uint32_t>(end);
        const Key key = key_of(path, end);
        const std::uint32_t old = group_of_[entry];
        if (old != none && groups_[old].key == key) return;
        if (old != none) {
            // Out of the old group's list.
            const std::uint32_t before = previous_[entry];
            const std::uint32_t after = next_[entry];
            (before == none ? groups_[old].first : next_[before]) = after;
            if (after != none) previous_[after] = before;
        }
        const auto [found, added] = by_key_.try_emplace(key, static_cast<std::uint32_t>(groups_.size()));
        if (added) groups_.push_back(Group{key, none, false});
        const std::uint32_t number = found->second;
        Group& group = groups_[number];
        if (!group.listed) {
            // An empty group leaves its cell's list when a search passes it, and comes back here.
            places_.insert(number, point(key.x), point(key.y));
            group.listed = true;
        }
        group_of_[entry] = number;
        previous_[entry] = none;
        next_[entry] = group.first;
        if (group.first != none) previous_[group.first] = entry;
        group.first = entry;
    }

    // Appends to `found` the paths of the ends that may lie within `reach` of `at` and may still
    // meet the end there (of tee `tee`, on `layer`, with a via or not): all but those of groups
    // joined with it at `at` itself, and of groups that cannot reach its layer.
    void gather(const PathPoint& at, double reach, std::int32_t tee, std::uint32_t layer, bool via,
                std::vector<std::uint32_t>& found) {
        places_.visit_near_keeping(at.x, at.y, reach, [&](std::uint32_t number) {
            Group& group = groups_[number];
            if (group.first == none) {
                group.listed = false;
                return false;
            }
            const Key& key = group.key;
            const bool met_here = tee >= 0 && key.tee == tee && point(key.x) == at.x && point(key.y) == at.y;
            const bool other_layer = !via && !key.via && key.layer != layer;
            if (!met_here && !other_layer) {
                for (std::uint32_t entry = group.first; entry != none; entry = next_[entry]) found.push_back(entry / 2);
            }
            return true;
        });
    }

private:
    static constexpr std::uint32_t none = UINT32_MAX;
    struct Key {
        std::uint64_t x;  // the place's bits
        std::uint64_t y;
        std::int32_t tee;
        std::uint32_t layer;
        bool via;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& key) const {
            std::uint64_t h = key.x * 0x9E3779B97F4A7C15ULL;
            h = (h ^ (h >> 29) ^ key.y) * 0xBF58476D1CE4E5B9ULL;
            h = (h ^ (h >> 31) ^ (static_cast<std::uint64_t>(static_cast<std::uint32_t>(key.tee)) << 33) ^
                 (std::uint64_t{key.layer} << 1) ^ static_cast<std::uint64_t>(key.via)) *
                0x94D049BB133111EBULL;
            return static_cast<std::size_t>(h ^ (h >> 32));
        }
    };
    // A group's ends (path * 2 + end) are a list through next_ and previous_, in no order.
    struct Group {
        Key key;
        std::uint32_t first;  // its first end, or none
        bool listed;          // in its cell's list
    };

    static std::uint64_t bits(double value) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        return bits;
    }
    static double point(std::uint64_t bits) {
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    static Key key_of(const WirePath& path, int end) {
        const PathPoint& at = end == 0 ? path.points.front() : path.points.back();
        return Key{bits(at.x), bits(at.y), end == 0 ? path.start_tee : path.end_tee, path.layer,
                   (end == 0 ? path.start_via : path.end_via) >= 0};
    }

    const std::vector<WirePath>& paths_;
    PlaceIndex places_;  // the groups that have ends, by their place
    std::vector<std::uint32_t> group_of_;  // per end, its group, or none for an end with a pin
    std::vector<std::uint32_t> next_;      // per end, the next of its group's list
    std::vector<std::uint32_t> previous_;  // per end, the one before it there
    std::vector<Group> groups_;
    std::unordered_map<Key, std::uint32_t, KeyHash> by_key_;
};

}  // namespace

void locate_tees(Session& session, NetWire& wire) {
    const double tolerance = end_tolerance(session.session_scale);
    std::vector<WirePath>& paths = wire.paths;
    EndGroups ends(paths, 2 * tolerance);
    // The other path's end moves onto the path's point.
    auto snap = [&](std::uint32_t other, int end, const PathPoint& point) {
        snap_end(session, paths[other], end, point);
    };
    auto gather = [&](const WirePath& path, int end, std::vector<std::uint32_t>& found) {
        ends.gather(end == 0 ? path.points.front() : path.points.back(), tolerance,
                    end == 0 ? path.start_tee : path.end_tee, path.layer,
                    (end == 0 ? path.start_via : path.end_via) >= 0, found);
    };

    std::vector<std::uint32_t> candidates;
    for (std::uint32_t index = 0; index < paths.size(); ++index) {
        // Only paths with an end near one of the path's ends can meet it; they are taken in path
        // order, as a comparison with every other path would take them. Those that would meet it
        // to no effect are left out: ends joined with the path's at its very place, and ends on
        // another layer that neither end has a via for.
        candidates.clear();
        if (paths[index].start_pin < 0) gather(paths[index], 0, candidates);
        if (paths[index].end_pin < 0) gather(paths[index], 1, candidates);
        std::sort(candidates.begin(), candidates.end());
        candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());

        for (const std::uint32_t other_index : candidates) {
            if (other_index == index) continue;
            // What the pair changed, in the groups.
            struct Update {
                EndGroups& ends;
                std::uint32_t path, other;
                ~Update() {
                    for (int end = 0; end < 2; ++end) {
                        ends.update(path, end);
                        ends.update(other, end);
                    }
                }
            } update{ends, index, other_index};
            WirePath& path = paths[index];
            WirePath& other = paths[other_index];
            const bool same_layer = path.layer == other.layer;
            // The path's end `end` (0 its first point, 1 its last) meets the other path's first
            // point or, failing that, its last: joined there, the other end moved onto it.
            auto meet = [&](int end, const JoinErrors& at_start, const JoinErrors& at_end) {
                if ((end == 0 ? path.start_pin : path.end_pin) >= 0) return;
                const PathPoint point = end == 0 ? path.points.front() : path.points.back();
                std::int32_t& tee = end == 0 ? path.start_tee : path.end_tee;
                const std::int32_t via = end == 0 ? path.start_via : path.end_via;
                if (other.start_pin < 0 && (via >= 0 || other.start_via >= 0 || same_layer) &&
                    near(point, other.points.front(), tolerance)) {
                    snap(other_index, 0, point);
                    join_ends(session, wire, tee, via, other.start_tee, other.start_via, point, path.layer, at_start);
                } else if (other.end_pin < 0 && (via >= 0 || other.end_via >= 0 || same_layer) &&
                           near(point, other.points.back(), tolerance)) {
                    snap(other_index, 1, point);
                    join_ends(session, wire, tee, via, other.end_tee, other.end_via, point, path.layer, at_end);
                }
            };
            meet(0, start_start, start_end);
            meet(1, end_start, end_end);
        }
        remeasure(session, paths[index]);
    }

    // Every end a junction joins lies at the junction's one place, as ends on pins and vias lie on
    // them: an end that met the junction's ends within reach but after they were placed (or whose
    // end was moved onto a later end) would leave the junction on two vertices, which the board
    // file cannot hold.
    for (std::uint32_t i = 0; i < paths.size(); ++i) {
        WirePath& path = paths[i];
        bool moved = false;
        for (int end = 0; end < 2; ++end) {
            const std::int32_t tee = end == 0 ? path.start_tee : path.end_tee;
            if (tee < 0 || (end == 0 ? path.start_via : path.end_via) >= 0) continue;
            const Tee& junction = wire.tees[static_cast<std::size_t>(tee)];
            moved = snap_end(session, path, end, PathPoint{junction.x, junction.y}) || moved;
        }
        if (moved) remeasure(session, path);
    }

    for (const WirePath& path : paths) {
        if ((!path.reversed && path.start_pin >= 0 && path.end_tee >= 0 && path.end_via < 0) ||
            (path.reversed && path.end_pin >= 0 && path.start_tee >= 0 && path.start_via < 0)) {
            ++session.stats.pin_to_tee;
        }
        if ((path.start_via >= 0 && path.end_tee >= 0 && path.end_via < 0) ||
            (path.end_via >= 0 && path.start_tee >= 0 && path.start_via < 0)) {
            ++session.stats.via_to_tee;
        }
        if (path.start_via < 0 && path.start_tee >= 0 && path.end_via < 0 && path.end_tee >= 0) {
            ++session.stats.tee_to_tee;
        }
    }
}

void drop_collapsed_paths(NetWire& wire) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < wire.paths.size(); ++i) {
        WirePath& path = wire.paths[i];
        const PathPoint& first = path.points.front();
        const bool collapsed = std::all_of(path.points.begin(), path.points.end(), [&](const PathPoint& p) {
            return p.x == first.x && p.y == first.y;
        });
        if (!collapsed) {
            if (kept != i) wire.paths[kept] = std::move(path);
            ++kept;
            continue;
        }
        std::fprintf(console(), "\nNet %s: (line %1u) trace of no length @ (%1.3lf, %1.3lf) on layer %1d dropped.",
                     wire.name.c_str(), path.source_line, first.x, first.y, static_cast<int>(path.layer));
        // Its ends no longer count where they were found.
        for (const std::int32_t pin : {path.start_pin, path.end_pin}) {
            if (pin < 0) continue;
            --wire.pin_path_ends[static_cast<std::size_t>(pin)];
            --wire.pin_connects_to_go;
        }
        for (const std::int32_t via : {path.start_via, path.end_via}) {
            if (via >= 0) --wire.vias[static_cast<std::size_t>(via)].path_ends;
        }
        for (const std::int32_t tee : {path.start_tee, path.end_tee}) {
            if (tee >= 0) --wire.tees[static_cast<std::size_t>(tee)].path_ends;
        }
    }
    wire.paths.resize(kept);
}

void analyse_routes(Session& session, Board& board, const StateReport& state_report) {
    auto report = [&](const char* title, bool with_traces) {
        if (state_report) state_report(title, with_traces, session, board);
    };
    auto dot = [] { std::fprintf(console(), "."); };

    for (NetWire& wire : session.wire_list) {
        locate_pins(session, wire, board.nets[static_cast<std::size_t>(wire.net_index)]);
    }
    report("Analysis Pass 1: Locate Start/End Pins", false);
    dot();
    session.stats.via_tees_made = session.stats.via_to_via = session.stats.pin_to_via = 0;
    for (NetWire& wire : session.wire_list) locate_vias(session, wire);
    report("Analysis Pass 2: Locate Start/End Vias", false);
    dot();
    session.stats.pin_to_tee = session.stats.via_to_tee = session.stats.tee_to_tee = 0;
    for (NetWire& wire : session.wire_list) locate_tees(session, wire);
    report("Analysis Pass 3: Locate Start/End Tees", false);
    dot();
    for (NetWire& wire : session.wire_list) {
        drop_collapsed_paths(wire);
        build_connection_sets(wire);
    }
    dot();
    report("Analysis Pass 4: Build Connection Sets", true);
    std::fprintf(console(), " Done\n");
}

}  // namespace tarnwick
