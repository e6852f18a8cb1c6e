#include "session/connectivity.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <compare>
#include <limits>

#include "board/units.h"
#include "core/settings.h"

namespace tarnwick {

namespace {

constexpr std::uint32_t none = UINT32_MAX;

// The extent of a pad shape along its own x (the pin's direction) and y.
void pad_size(const PadSpec& pad, double& wide, double& high) {
    if (is_square_like(pad.shape)) {
        wide = high = pad.width;
    } else {
        wide = pad.length1 + pad.length2;
        high = pad.width;
    }
}

// The half sizes of the box around a pad of `wide` by `high` turned by `degrees`.
void turned_box(double wide, double high, std::uint32_t degrees, float& half_x, float& half_y) {
    double c = 0;
    double s = 0;
    switch (degrees % 360) {
        case 0:
        case 180:
            c = 1;
            break;
        case 90:
        case 270:
            s = 1;
            break;
        default:
            c = std::fabs(std::cos(degrees * deg_to_rad));
            s = std::fabs(std::sin(degrees * deg_to_rad));
    }
    half_x = static_cast<float>((c * wide + s * high) / 2);
    half_y = static_cast<float>((s * wide + c * high) / 2);
}

PinPad pad_of(const Board& board, const Part& part, const FootprintPin& pin) {
    PinPad pad;
    // The bottom side mirrors the footprint: its top pad lies on the bottom copper.
    const bool flipped = part.side == 1;
    const std::uint32_t angle = (flipped ? 360 - pin.angle % 360 : pin.angle) + part.rotation;
    const PadSpec* pads[copper_kinds] = {flipped ? &pin.bottom_pad : &pin.top_pad,
                                         flipped ? &pin.top_pad : &pin.bottom_pad, &pin.inner_pad};
    for (std::size_t k = 0; k < copper_kinds; ++k) {
        // A surface pin has copper only on its outer layers.
        if (k == inner_kind && pin.hole == 0) continue;
        double wide = 0;
        double high = 0;
        if (pads[k]->shape != pad_shape_none) {
            pad_size(*pads[k], wide, high);
        } else if (k == inner_kind && pin.no_inner_pad == 1 && pin.padstack < board.padstacks.size()) {
            // A hole whose inner pad is given as none has the ring the padstack puts there.
            wide = high = board.padstacks[pin.padstack].inner.wide;
        } else {
            continue;
        }
        if (!(wide >= 0 && high >= 0)) continue;
        pad.copper[k] = true;
        turned_box(wide, high, angle, pad.half_x[k], pad.half_y[k]);
    }
    return pad;
}

// The pad boxes' cell: as wide as the largest pad and the reach on both sides, so that a box
// covers at most two cells either way.
double pad_cell(const std::vector<PinPad>& pads, double reach) {
    double widest = 0;
    for (const PinPad& pad : pads) {
        for (std::size_t k = 0; k < copper_kinds; ++k) {
            if (pad.copper[k]) widest = std::max({widest, 2.0 * pad.half_x[k], 2.0 * pad.half_y[k]});
        }
    }
    return std::max(widest + 2 * reach, reach);
}

bool near(const PathPoint& a, const PathPoint& b, double reach) {
    return std::fabs(a.x - b.x) <= reach && std::fabs(a.y - b.y) <= reach;
}

// Whether (x, y) lies within the contour, by the crossings of a ray towards +x.
bool contour_holds(const AreaContour& contour, double x, double y) {
    const std::vector<ContourPoint>& p = contour.points;
    bool inside = false;
    for (std::size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
        if ((p[i].y > y) != (p[j].y > y) && x < (p[j].x - p[i].x) * (y - p[i].y) / (p[j].y - p[i].y) + p[i].x) {
            inside = !inside;
        }
    }
    return inside;
}

// Whether a place lies within a copper area: inside its outline (the first contour) and outside
// its cut-outs (the others). Each contour's rows are kept: a point beside them crosses none of
// its edges, so a plane's many cut-outs cost a point only those beside it.
class AreaRows {
public:
    explicit AreaRows(const Area& area) : area_(area) {
        rows_.reserve(area.contours.size());
        for (const AreaContour& contour : area.contours) {
            Rows rows{std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
            for (const ContourPoint& p : contour.points) {
                rows.low = std::min(rows.low, p.y);
                rows.high = std::max(rows.high, p.y);
            }
            rows_.push_back(rows);
        }
    }
    bool holds(double x, double y) const {
        const std::vector<AreaContour>& contours = area_.contours;
        if (contours.empty() || contours[0].points.size() < 3 || !contour_at(0, x, y)) return false;
        for (std::size_t c = 1; c < contours.size(); ++c) {
            if (contours[c].points.size() >= 3 && contour_at(c, x, y)) return false;
        }
        return true;
    }

private:
    struct Rows {
        double low, high;
    };
    // An edge is crossed where one end lies above y and the other not: only within low <= y < high.
    bool contour_at(std::size_t c, double x, double y) const {
        return rows_[c].low <= y && y < rows_[c].high && contour_holds(area_.contours[c], x, y);
    }
    const Area& area_;
    std::vector<Rows> rows_;
};

// Each pin's label: the first pin of its group, where `group_of(pin)` is the group's item, one
// of `items`.
template <class GroupOf>
std::vector<std::uint32_t> label_pins(std::size_t pin_count, std::size_t items, GroupOf group_of) {
    std::vector<std::uint32_t> label_of_group(items, none);
    std::vector<std::uint32_t> labels(pin_count);
    for (std::uint32_t n = 0; n < labels.size(); ++n) {
        std::uint32_t& label = label_of_group[group_of(n)];
        if (label == none) label = n;
        labels[n] = label;
    }
    return labels;
}

}  // namespace

std::size_t pad_layer_kind(std::uint32_t layer) {
    return layer == top_copper_layer ? top_kind : layer == bottom_copper_layer ? bottom_kind : inner_kind;
}

bool pad_holds(const PinPad& pad, const NetPin& pin, std::size_t kind, double x, double y, double reach) {
    return !pin.no_position && pad.copper[kind] && std::fabs(x - pin.x) <= pad.half_x[kind] + reach &&
           std::fabs(y - pin.y) <= pad.half_y[kind] + reach;
}

// A net with fewer pins than this is walked: an index would not pay.
constexpr std::size_t index_pads_from = 16;

PadFinder::PadFinder(const Net& net, const std::vector<PinPad>& pads, double reach)
    : net_(net), pads_(pads), reach_(reach), walk_(net.pins.size() < index_pads_from),
      boxes_(walk_ ? 1 : pad_cell(pads, reach)) {
    if (walk_) return;
    boxes_.reserve(net.pins.size());
    for (std::uint32_t n = 0; n < net.pins.size() && n < pads.size(); ++n) {
        const PinPad& pad = pads[n];
        if (net.pins[n].no_position) continue;
        bool copper = false;
        double half_x = 0;
        double half_y = 0;
        for (std::size_t k = 0; k < copper_kinds; ++k) {
            if (!pad.copper[k]) continue;
            copper = true;
            half_x = std::max<double>(half_x, pad.half_x[k]);
            half_y = std::max<double>(half_y, pad.half_y[k]);
        }
        if (copper) boxes_.insert_box(n, net.pins[n].x, net.pins[n].y, half_x, half_y);
    }
}

std::int32_t PadFinder::first_under(double x, double y, std::uint32_t layer) const {
    std::uint32_t first = none;
    for (std::size_t kind = 0; kind < copper_kinds; ++kind) {
        if (layer != 0 && kind != pad_layer_kind(layer)) continue;
        visit_holding(x, y, kind, [&](std::uint32_t pin) { first = std::min(first, pin); });
    }
    return first == none ? -1 : static_cast<std::int32_t>(first);
}

NetPinPads::NetPinPads(const Board& board) : first_(board.nets.size() + 1, 0) {
    for (std::size_t n = 0; n < board.nets.size(); ++n) {
        first_[n + 1] = first_[n] + static_cast<std::uint32_t>(board.nets[n].pins.size());
    }
    // Per net pin its part pin; of two part pins of one net pin, the later part's places it, as
    // the pin placement does.
    struct Placed {
        std::uint32_t part = none;
        std::uint32_t pin = 0;
    };
    std::vector<Placed> placed(first_.back());
    for (std::uint32_t p = 0; p < board.parts.size(); ++p) {
        const std::vector<PartPin>& pins = board.parts[p].pins;
        for (std::uint32_t k = 0; k < pins.size(); ++k) {
            const PartPin& part_pin = pins[k];
            if (part_pin.net < 0 || static_cast<std::size_t>(part_pin.net) >= board.nets.size()) continue;
            const std::size_t net = static_cast<std::size_t>(part_pin.net);
            const std::size_t slot = first_[net] + static_cast<std::uint32_t>(part_pin.net_pin);
            if (slot < first_[net + 1]) placed[slot] = Placed{p, k};
        }
    }
    // The pads once, net after net: every use then copies a net's stretch of them.
    pads_.resize(placed.size());
    for (std::size_t i = 0; i < placed.size(); ++i) {
        if (placed[i].part == none) continue;
        const Part& part = board.parts[placed[i].part];
        if (!has_router_image(part) || part.footprint >= board.footprints.size()) continue;
        const std::vector<FootprintPin>& pins = board.footprints[part.footprint].pins;
        if (placed[i].pin < pins.size()) pads_[i] = pad_of(board, part, pins[placed[i].pin]);
    }
}

std::vector<PinPad> NetPinPads::of_net(std::size_t net) const {
    if (net + 1 >= first_.size()) return {};
    return std::vector<PinPad>(pads_.begin() + first_[net], pads_.begin() + first_[net + 1]);
}

// Copper of at most this many points is joined pair by pair: an index would not pay.
constexpr std::size_t pairwise_points_max = 64;

CopperGroups join_copper(const Net& net, const std::vector<PinPad>& pads, const std::vector<CopperRun>& runs,
                         const std::vector<PathPoint>& vias, const std::vector<Area>& areas, double reach,
                         std::vector<std::uint32_t>* labels_without_areas) {
    const auto run_count = static_cast<std::uint32_t>(runs.size());
    const auto via_count = static_cast<std::uint32_t>(vias.size());
    const auto area_count = static_cast<std::uint32_t>(areas.size());
    const auto pin_count = static_cast<std::uint32_t>(net.pins.size());
    Groups groups(std::size_t{run_count} + via_count + area_count + pin_count);
    const std::uint32_t first_via = run_count;
    const std::uint32_t first_area = run_count + via_count;
    const std::uint32_t first_pin = first_area + area_count;
    if (!(reach > 0) || !std::isfinite(reach)) reach = 1e-9;

    // Every point of every run in the index of its layer, on cells `reach` wide: points of one
    // cell are all near each other, and a point's neighbours lie in its cell and the eight around it.
    struct Entry {
        std::uint32_t run;
        const PathPoint* point;
    };
    std::vector<Entry> entries;
    std::vector<std::pair<std::uint32_t, PlaceIndex>> layers;  // each layer's index, in the order met
    auto index_of = [&](std::uint32_t layer) -> PlaceIndex& {
        for (auto& [number, index] : layers) {
            if (number == layer) return index;
        }
        return layers.emplace_back(layer, PlaceIndex(reach)).second;
    };
    std::size_t point_count = 0;
    for (const CopperRun& run : runs) point_count += run.count;
    entries.reserve(point_count);
    for (std::uint32_t r = 0; r < run_count; ++r) {
        for (std::uint32_t i = 0; i < runs[r].count; ++i) entries.push_back(Entry{r, &runs[r].points[i]});
    }
    auto meet = [&](std::uint32_t a, std::uint32_t b) { return near(*entries[a].point, *entries[b].point, reach); };

    // Most nets hold a few points and no area: their points are joined pair by pair, by the
    // lattice's rule below (the points of one cell meet; of neighbouring cells, those near), and
    // their vias with every point: the same groups without an index to build.
    if (area_count == 0 && point_count <= pairwise_points_max) {
        const PlaceIndex lattice(reach);
        struct Cell {
            std::int64_t x, y;
        };
        Cell cells[pairwise_points_max];
        for (std::size_t e = 0; e < point_count; ++e) {
            cells[e] = Cell{lattice.cell_of(entries[e].point->x), lattice.cell_of(entries[e].point->y)};
        }
        for (std::uint32_t a = 0; a < point_count; ++a) {
            const std::uint32_t layer = runs[entries[a].run].layer;
            for (std::uint32_t b = a + 1; b < point_count; ++b) {
                if (runs[entries[b].run].layer != layer) continue;
                const std::int64_t dx = cells[a].x - cells[b].x;
                const std::int64_t dy = cells[a].y - cells[b].y;
                if (dx < -1 || dx > 1 || dy < -1 || dy > 1) continue;
                const bool one_cell =
                    dx == 0 && dy == 0 && PlaceIndex::bounded(cells[a].x) && PlaceIndex::bounded(cells[a].y);
                if (one_cell || meet(a, b)) groups.join(entries[a].run, entries[b].run);
            }
        }
        for (std::uint32_t v = 0; v < via_count; ++v) {
            for (const Entry& e : entries) {
                if (near(vias[v], *e.point, reach)) groups.join(first_via + v, e.run);
            }
        }
    } else {
        // Room for every point at once, rather than grown by doubling: each layer's points
        // counted in one walk, the layers in the order met.
        std::vector<std::pair<std::uint32_t, std::size_t>> on_layer;
        for (const CopperRun& run : runs) {
            auto counted =
                std::find_if(on_layer.begin(), on_layer.end(), [&](const auto& c) { return c.first == run.layer; });
            if (counted == on_layer.end()) counted = on_layer.insert(on_layer.end(), {run.layer, 0});
            counted->second += run.count;
        }
        for (const auto& [layer, count] : on_layer) index_of(layer).reserve(count);
        for (std::uint32_t e = 0; e < entries.size(); ++e) {
            index_of(runs[entries[e].run].layer).insert(e, entries[e].point->x, entries[e].point->y);
        }
    }

    // The points of one cell meet; across cells, each point is tried against the cell's points
    // until one meets it. Meeting goes both ways, so each pair of neighbouring cells is looked at
    // once: from the one on the left, or below. The outermost cells, which far-out places share,
    // hold points that need not meet: each is tried against every other there and around.
    constexpr std::int64_t neighbours[4][2] = {{1, -1}, {1, 0}, {1, 1}, {0, 1}};
    for (const auto& layer_index : layers) {
        // Named, not a structured binding, so that the lambda below may capture it.
        const PlaceIndex& index = layer_index.second;
        index.visit_cells([&](std::int64_t cx, std::int64_t cy, PlaceIndex::Items cell) {
            if (!PlaceIndex::bounded(cx) || !PlaceIndex::bounded(cy)) {
                for (std::int64_t dx = -1; dx <= 1; ++dx) {
                    for (std::int64_t dy = -1; dy <= 1; ++dy) {
                        const PlaceIndex::Items other = index.cell(cx + dx, cy + dy);
                        for (const std::uint32_t a : cell) {
                            for (const std::uint32_t b : other) {
                                if (meet(a, b)) groups.join(entries[a].run, entries[b].run);
                            }
                        }
                    }
                }
                return;
            }
            const std::uint32_t run = entries[cell.front()].run;
            for (const std::uint32_t e : cell) groups.join(run, entries[e].run);
            for (const auto& [dx, dy] : neighbours) {
                for (const std::uint32_t q : index.cell(cx + dx, cy + dy)) {
                    if (groups.find(entries[q].run) == groups.find(run)) continue;
                    for (const std::uint32_t e : cell) {
                        if (meet(e, q)) {
                            groups.join(run, entries[q].run);
                            break;
                        }
                    }
                }
            }
        });
    }

    // A via joins what reaches its place on any layer.
    for (std::uint32_t v = 0; v < via_count; ++v) {
        const PathPoint& via = vias[v];
        for (const auto& [layer, index] : layers) {
            index.visit_near(via.x, via.y, reach, [&](std::uint32_t q) {
                if (groups.find(entries[q].run) != groups.find(first_via + v) && near(via, *entries[q].point, reach)) {
                    groups.join(first_via + v, entries[q].run);
                }
            });
        }
    }

    // Pins: a run's point within the pad on a layer with copper; a via on the pin's centre (the
    // router joins a via and a pin that share their centre, not one that only overlaps the pad).
    const PadFinder finder(net, pads, reach);
    for (const Entry& e : entries) {
        finder.visit_holding(e.point->x, e.point->y, pad_layer_kind(runs[e.run].layer),
                             [&](std::uint32_t n) { groups.join(first_pin + n, e.run); });
    }
    for (std::uint32_t v = 0; v < via_count; ++v) {
        const PathPoint& via = vias[v];
        for (std::size_t kind = 0; kind < copper_kinds; ++kind) {
            finder.visit_holding(via.x, via.y, kind, [&](std::uint32_t n) {
                if (near(via, PathPoint{net.pins[n].x, net.pins[n].y}, reach)) groups.join(first_pin + n, first_via + v);
            });
        }
    }

    if (labels_without_areas != nullptr) {
        *labels_without_areas = label_pins(pin_count, std::size_t{first_pin} + pin_count,
                                           [&](std::uint32_t n) { return groups.find(first_pin + n); });
    }

    // An area joins the run points, vias and pad centres that lie inside it on its layer (a via
    // on every layer); only the points within its extent are looked at.
    for (std::uint32_t a = 0; a < area_count; ++a) {
        const Area& area = areas[a];
        const std::uint32_t item = first_area + a;
        if (area.off_copper || area.contours.empty() || area.contours[0].points.empty()) continue;
        double x0 = area.contours[0].points[0].x;
        double x1 = x0;
        double y0 = area.contours[0].points[0].y;
        double y1 = y0;
        for (const ContourPoint& p : area.contours[0].points) {
            x0 = std::min(x0, p.x);
            x1 = std::max(x1, p.x);
            y0 = std::min(y0, p.y);
            y1 = std::max(y1, p.y);
        }
        const double cx = (x0 + x1) / 2;
        const double cy = (y0 + y1) / 2;
        const double half = std::max(x1 - x0, y1 - y0) / 2;
        // What the area's group holds already needs no test.
        const AreaRows shape(area);
        for (auto& [layer, index] : layers) {
            if (layer != area.layer) continue;
            index.visit_near(cx, cy, half, [&](std::uint32_t q) {
                if (groups.find(entries[q].run) != groups.find(item) &&
                    shape.holds(entries[q].point->x, entries[q].point->y)) {
                    groups.join(item, entries[q].run);
                }
            });
        }
        for (std::uint32_t v = 0; v < via_count; ++v) {
            if (groups.find(first_via + v) != groups.find(item) && shape.holds(vias[v].x, vias[v].y)) {
                groups.join(item, first_via + v);
            }
        }
        const std::size_t kind = pad_layer_kind(area.layer);
        for (std::uint32_t n = 0; n < pin_count && n < pads.size(); ++n) {
            const NetPin& pin = net.pins[n];
            if (!pin.no_position && pads[n].copper[kind] && groups.find(first_pin + n) != groups.find(item) &&
                shape.holds(pin.x, pin.y)) {
                groups.join(item, first_pin + n);
            }
        }
    }

    CopperGroups result;
    result.runs = run_count;
    result.vias = via_count;
    result.areas = area_count;
    result.group.resize(std::size_t{first_pin} + pin_count);
    for (std::uint32_t i = 0; i < result.group.size(); ++i) result.group[i] = groups.find(i);
    return result;
}

std::vector<std::uint32_t> pin_labels(const CopperGroups& copper, std::size_t pin_count) {
    return label_pins(pin_count, copper.group.size(),
                      [&](std::uint32_t n) { return copper.group[copper.first_pin() + n]; });
}

std::vector<std::uint32_t> join_pins(const Net& net, const std::vector<PinPad>& pads,
                                     const std::vector<CopperRun>& runs, const std::vector<PathPoint>& vias,
                                     double reach) {
    return pin_labels(join_copper(net, pads, runs, vias, {}, reach), net.pins.size());
}

std::vector<std::uint32_t> router_pin_groups(const NetWire& wire, const Net& net, const std::vector<PinPad>& pads,
                                             double reach) {
    std::vector<CopperRun> runs;
    runs.reserve(wire.paths.size());
    for (const WirePath& path : wire.paths) {
        runs.push_back(CopperRun{path.layer, path.points.data(), static_cast<std::uint32_t>(path.points.size())});
    }
    std::vector<PathPoint> vias;
    vias.reserve(wire.vias.size());
    for (const Via& via : wire.vias) vias.push_back(PathPoint{via.x, via.y});
    return join_pins(net, pads, runs, vias, reach);
}

BoardCopper::BoardCopper(const Net& net) {
    // The points of every trace, and its copper stretches: consecutive segments on one copper
    // layer; a rat-line is no copper, and a change of layer joins only through a via.
    std::size_t total = 0;
    for (const Connect& connect : net.connects) total += connect.vertices.size();
    points.reserve(total);
    std::vector<std::pair<std::size_t, CopperRun>> stretches;
    for (const Connect& connect : net.connects) {
        const std::vector<Vertex>& v = connect.vertices;
        const std::size_t base = points.size();
        for (const Vertex& vertex : v) {
            points.push_back(PathPoint{vertex.x, vertex.y});
            if (vertex.via_pad_width > 0) vias.push_back(PathPoint{vertex.x, vertex.y});
        }
        for (std::size_t i = 0; i + 1 < v.size();) {
            const std::uint32_t layer = v[i].seg_layer;
            std::size_t j = i + 1;
            while (j + 1 < v.size() && v[j].seg_layer == layer) ++j;
            if (layer >= top_copper_layer) {
                stretches.emplace_back(base + i, CopperRun{layer, nullptr, static_cast<std::uint32_t>(j - i + 1)});
            }
            i = j;
        }
    }
    runs.reserve(stretches.size());
    for (auto& [first, run] : stretches) {
        run.points = points.data() + first;
        runs.push_back(run);
    }
}

void note_router_connections(Session& session, const Board& board, const NetPinPads& pads) {
    const double reach = end_tolerance(session.session_scale);
    for (NetWire& wire : session.wire_list) {
        const auto n = static_cast<std::size_t>(wire.net_index);
        wire.router_pin_groups = router_pin_groups(wire, board.nets[n], pads.of_net(n), reach);
    }
}

void compare_connections(std::FILE* console, const Net& net, const std::vector<std::uint32_t>& router,
                         const std::vector<std::uint32_t>& routed, ConnectionCount& count) {
    if (router.size() != net.pins.size() || routed.size() != net.pins.size()) return;
    // Each router group with the routed groups its pins fall into: pins beyond the first of a
    // router group are connections made; those beyond the first of each routed group within it
    // are kept, and each further routed group is one connection lost.
    struct Joined {
        std::uint32_t router_group;
        std::uint32_t routed_group;
        std::uint32_t pin;
        auto operator<=>(const Joined&) const = default;
    };
    std::vector<Joined> order;
    order.reserve(router.size());
    for (std::uint32_t pin = 0; pin < router.size(); ++pin) order.push_back(Joined{router[pin], routed[pin], pin});
    std::sort(order.begin(), order.end());
    std::uint32_t group_first = 0;  // the pin of the router group's first routed group
    for (std::size_t i = 0; i < order.size(); ++i) {
        const auto [group, part, pin] = order[i];
        const bool first_of_group = i == 0 || order[i - 1].router_group != group;
        const bool first_of_part = first_of_group || order[i - 1].routed_group != part;
        if (first_of_group) {
            group_first = pin;
            continue;
        }
        ++count.made;
        if (!first_of_part) {
            ++count.kept;
            continue;
        }
        const NetPin& from = net.pins[group_first];
        const NetPin& to = net.pins[pin];
        std::fprintf(console,
                     "\n  Warning: net \"%s\": %s and %s are joined by the router but not in the routed board, "
                     "near (%1.3lf, %1.3lf)",
                     net.name.c_str(), from.pin_ref.c_str(), to.pin_ref.c_str(), to.x, to.y);
    }
}

void print_connection_count(std::FILE* console, const ConnectionCount& count) {
    // The warnings above end without a line's end.
    if (count.made != count.kept) std::fprintf(console, "\n");
    std::fprintf(console, "\n  Connections: %u made by the router, %u kept\n", count.made, count.kept);
}

}  // namespace tarnwick
