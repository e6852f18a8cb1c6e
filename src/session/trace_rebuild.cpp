#include "session/trace_rebuild.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "board/units.h"
#include "core/errors.h"
#include "session/connectivity.h"

namespace tarnwick {

namespace {

std::size_t at(std::int32_t index) { return static_cast<std::size_t>(index); }

Vertex ratline_vertex(const NetPin& pin) {
    Vertex vertex;
    vertex.x = pin.x;
    vertex.y = pin.y;
    vertex.layer = rat_line_layer;
    vertex.seg_layer = rat_line_layer;
    return vertex;
}

// The copper layer for a stub from a pin to a point on `layer`: that layer where the pin has
// copper there, else the pin's first copper layer.
std::uint32_t stub_layer(const PinPad& pad, std::uint32_t layer, const NetPin& pin) {
    if (layer >= top_copper_layer && pad.copper[pad_layer_kind(layer)]) return layer;
    if (pad.copper[top_kind]) return top_copper_layer;
    if (pad.copper[bottom_kind]) return bottom_copper_layer;
    return pin.layer == 0 ? top_copper_layer : pin.layer;
}

Vertex stub_vertex(const NetPin& pin, std::uint32_t layer, double width) {
    Vertex vertex;
    vertex.x = pin.x;
    vertex.y = pin.y;
    vertex.layer = layer;
    vertex.seg_layer = layer;
    vertex.seg_width = width;
    return vertex;
}

// One trace from a connection set: its paths in walking order, their vias and branch tees.
// A trace that starts without a pin, at a via or a path end within a pin's pad (the router's
// via in a pad), begins with a copper stub from that pin; elsewhere with a rat-line from the
// nearest pin.
Connect build_connect(const NetWire& wire, std::vector<std::uint8_t>& written, const Net& net, const NetPinFinder& pins,
                      const std::vector<PinPad>& pads, const PadFinder& under, std::size_t j,
                      const ConnectionSet& set) {
    std::vector<const WirePath*> paths;
    std::uint32_t segments = 0;
    for (std::uint32_t slot = 0; slot < set.path_count; ++slot) {
        const std::int32_t index = slot < set.path_list.size() ? set.path_list[slot] : -1;
        if (index < 0) {
            std::fprintf(console(), "\nBuild: NetWire \"%s\" trace %d path %d invalid\n", net.name.c_str(),
                         static_cast<int>(j), static_cast<int>(slot));
            break;
        }
        paths.push_back(&wire.paths[at(index)]);
        segments += static_cast<std::uint32_t>(paths.back()->points.size()) - 1;
    }

    Connect connect;
    if (paths.empty()) return connect;
    const WirePath& first = *paths.front();
    const PathPoint& start = first.reversed ? first.points.back() : first.points.front();
    std::int32_t start_pin = first.reversed ? first.end_pin : first.start_pin;
    bool ratline = false;
    bool stub = false;
    if (start_pin < 0) {
        const bool at_via = (first.reversed ? first.end_via : first.start_via) >= 0;
        start_pin = under.first_under(start.x, start.y, at_via ? 0 : first.layer);
        stub = start_pin >= 0;
        if (!stub) start_pin = pins.nearest(start.x, start.y, -1);
        ratline = !stub && start_pin >= 0;
        if (stub || ratline) ++segments;
    }
    const WirePath& last = *paths.back();
    connect.start_pin = static_cast<std::uint32_t>(start_pin);
    connect.end_pin = last.reversed ? last.start_pin : last.end_pin;
    connect.segment_count = segments;
    connect.vertices.reserve(segments + 1);
    if (ratline) connect.vertices.push_back(ratline_vertex(net.pins[at(start_pin)]));
    if (stub) {
        const NetPin& pin = net.pins[at(start_pin)];
        connect.vertices.push_back(stub_vertex(pin, stub_layer(pads[at(start_pin)], first.layer, pin), first.width));
    }

    bool first_vertex = !stub;
    for (const WirePath* path : paths) {
        const std::size_t n = path->points.size();
        for (std::size_t s = 0; s + 1 < n; ++s) {
            const PathPoint& point = path->reversed ? path->points[n - 1 - s] : path->points[s];
            Vertex& vertex = connect.vertices.emplace_back();
            vertex.x = point.x;
            vertex.y = point.y;
            vertex.layer = first_vertex ? path->layer : 0;
            first_vertex = false;
            vertex.seg_layer = path->layer;
            vertex.seg_width = path->width;
            if (s != 0) continue;
            const std::int32_t via = path->reversed ? path->end_via : path->start_via;
            if (via >= 0) {
                vertex.via_pad_width = wire.vias[at(via)].pad_width;
                vertex.via_hole = wire.vias[at(via)].hole;
                written[at(via)] = 1;
            }
            const std::int32_t tee = path->reversed ? path->end_tee : path->start_tee;
            if (tee >= 0 && wire.tees[at(tee)].path_ends > 2) vertex.tee_id = wire.tees[at(tee)].id;
        }
    }

    const PathPoint& end = last.reversed ? last.points.front() : last.points.back();
    Vertex& vertex = connect.vertices.emplace_back();
    vertex.x = end.x;
    vertex.y = end.y;
    vertex.layer = last.layer;
    const std::int32_t via = last.reversed ? last.start_via : last.end_via;
    if (via >= 0 && written[at(via)] == 0) {
        const WireVia& far = wire.vias[at(via)];
        vertex.via_pad_width = far.pad_width;
        vertex.via_hole = far.hole;
        written[at(via)] = 1;
        vertex.flag = far.shared_layer != 0 || far.path_ends == 1 ? 1 : 0;
    }
    const std::int32_t tee = last.reversed ? last.start_tee : last.end_tee;
    if (tee >= 0 && wire.tees[at(tee)].path_ends > 2) vertex.tee_id = wire.tees[at(tee)].id;
    return connect;
}

// A via no written trace carries (a via in a pad to an inner plane, a stitching via) becomes a
// trace of its own, as the editor keeps one: a segment from the pin it lies on or in, or a
// rat-line from the nearest pin. False when the net has no pin to start it from.
bool add_via_trace(Net& net, const NetPinFinder& pins, const PadFinder& under, const Via& via, double tolerance,
                   double width) {
    std::int32_t pin = pins.first_within(via.x, via.y, tolerance);
    if (pin < 0) pin = under.first_under(via.x, via.y, 0);
    const bool on_pin = pin >= 0;
    if (!on_pin) pin = pins.nearest(via.x, via.y, -1);
    if (pin < 0) return false;

    Connect& connect = net.connects.emplace_back();
    connect.start_pin = static_cast<std::uint32_t>(pin);
    connect.end_pin = -1;
    connect.segment_count = 1;
    const NetPin& from = net.pins[at(pin)];
    if (on_pin) {
        Vertex& start = connect.vertices.emplace_back();
        start.x = from.x;
        start.y = from.y;
        // A drilled pin reaches every layer; the segment lies on the top.
        start.layer = from.layer == 0 ? top_copper_layer : from.layer;
        start.seg_layer = start.layer;
        start.seg_width = width;
    } else {
        connect.vertices.push_back(ratline_vertex(from));
    }
    Vertex& end = connect.vertices.emplace_back();
    end.x = via.x;
    end.y = via.y;
    end.flag = 1;  // nothing changes layer here: the editor must keep the via all the same
    end.via_pad_width = via.pad_width;
    end.via_hole = via.hole;
    return true;
}

}  // namespace

namespace {

// A net with fewer pins than this is walked: a grid would not pay.
constexpr std::size_t grid_from_pins = 64;
// Pins and places farther out than this (inches) are off the grid, and places are walked.
constexpr double grid_limit = 1e6;

bool on_grid(double x, double y) { return std::fabs(x) <= grid_limit && std::fabs(y) <= grid_limit; }

}  // namespace

NetPinFinder::NetPinFinder(const Net& net) : net_(net) {
    if (net.pins.size() < grid_from_pins) return;
    std::vector<std::uint32_t> gridded;
    for (std::uint32_t n = 0; n < net.pins.size(); ++n) {
        const NetPin& pin = net.pins[n];
        if (pin.no_position) continue;
        (on_grid(pin.x, pin.y) ? gridded : loose_).push_back(n);
    }
    if (gridded.size() < grid_from_pins) return;
    walk_ = false;
    double min_x = net.pins[gridded[0]].x;
    double min_y = net.pins[gridded[0]].y;
    double max_x = min_x;
    double max_y = min_y;
    for (const std::uint32_t n : gridded) {
        min_x = std::min(min_x, net.pins[n].x);
        max_x = std::max(max_x, net.pins[n].x);
        min_y = std::min(min_y, net.pins[n].y);
        max_y = std::max(max_y, net.pins[n].y);
    }
    // About one pin per cell, and never more cells than a few times the pins, also when the pins
    // lie on a line.
    const double width = max_x - min_x;
    const double height = max_y - min_y;
    const double count = static_cast<double>(gridded.size());
    pins_ = PlaceIndex(std::max({std::sqrt(width * height / count), std::max(width, height) / count, 1e-9}));
    pins_.reserve(gridded.size());
    for (const std::uint32_t n : gridded) pins_.insert(n, net.pins[n].x, net.pins[n].y);
}

std::int32_t NetPinFinder::nearest(double x, double y, std::int32_t skip) const {
    if (walk_ || !on_grid(x, y)) return nearest_net_pin(net_, x, y, skip);
    // The least distance, and of equal distances the first pin: what the walk finds.
    std::int32_t nearest = -1;
    double best = 1e10;
    auto consider = [&](std::uint32_t n) {
        const auto index = static_cast<std::int32_t>(n);
        if (index == skip) return;
        const double dx = net_.pins[n].x - x;
        const double dy = net_.pins[n].y - y;
        const double d = dx * dx + dy * dy;
        if (d < best || (d == best && nearest >= 0 && index < nearest)) {
            best = d;
            nearest = index;
        }
    };
    for (const std::uint32_t n : loose_) consider(n);
    pins_.visit_outwards(x, y, consider, [&](double clear) { return nearest >= 0 && best < clear * clear; });
    return nearest;
}

std::int32_t NetPinFinder::first_within_walking(double x, double y, double reach) const {
    for (std::size_t n = 0; n < net_.pins.size(); ++n) {
        const NetPin& pin = net_.pins[n];
        if (!pin.no_position && std::fabs(pin.x - x) <= reach && std::fabs(pin.y - y) <= reach) {
            return static_cast<std::int32_t>(n);
        }
    }
    return -1;
}

std::int32_t NetPinFinder::first_within(double x, double y, double reach) const {
    if (walk_ || !on_grid(x, y) || !(reach >= 0 && reach <= grid_limit)) return first_within_walking(x, y, reach);
    std::int32_t first = -1;
    auto consider = [&](std::uint32_t n) {
        const NetPin& pin = net_.pins[n];
        if ((first < 0 || static_cast<std::int32_t>(n) < first) && std::fabs(pin.x - x) <= reach &&
            std::fabs(pin.y - y) <= reach) {
            first = static_cast<std::int32_t>(n);
        }
    };
    for (const std::uint32_t n : loose_) consider(n);
    pins_.visit_near(x, y, reach, consider);
    return first;
}

std::int32_t nearest_net_pin(const Net& net, double x, double y, std::int32_t skip) {
    std::int32_t nearest = -1;
    double best = 1e10;
    for (std::size_t n = 0; n < net.pins.size(); ++n) {
        if (static_cast<std::int32_t>(n) == skip || net.pins[n].no_position) continue;
        const double dx = net.pins[n].x - x;
        const double dy = net.pins[n].y - y;
        const double d = dx * dx + dy * dy;
        if (d < best) {
            best = d;
            nearest = static_cast<std::int32_t>(n);
        }
    }
    return nearest;
}

std::vector<Net> build_routed_nets(Session& session, std::vector<Net> nets, double default_trace_width,
                                   const NetPinPads& net_pin_pads, bool keep_router_wiring) {
    std::vector<Net> routed = std::move(nets);
    const double tolerance = end_tolerance(session.session_scale);
    for (NetWire& wire : session.wire_list) {
        Net& net = routed[at(wire.net_index)];
        net.vias.assign(wire.vias.begin(), wire.vias.end());
        net.tees.assign(wire.tees.begin(), wire.tees.end());
        std::vector<std::uint8_t> written(wire.vias.size(), 0);  // per via: a trace's vertex carries it
        net.connects = std::vector<Connect>();  // the board's traces go, and their memory with them
        net.connects.reserve(wire.trace_count);
        const NetPinFinder pins(net);
        const std::vector<PinPad> pads = net_pin_pads.of_net(at(wire.net_index));
        const PadFinder under(net, pads, tolerance);
        for (std::uint32_t j = 0; j < wire.trace_count; ++j) {
            Connect connect = build_connect(wire, written, net, pins, pads, under, j, wire.connection_sets[j]);
            if (!connect.vertices.empty()) net.connects.push_back(std::move(connect));
        }
        const double width = net.trace_width > 0 ? net.trace_width : default_trace_width;
        for (std::size_t v = 0; v < net.vias.size(); ++v) {
            if (written[v] != 0) continue;
            const Via& via = net.vias[v];
            if (!add_via_trace(net, pins, under, via, tolerance, width)) {
                std::fprintf(console(), "\nNet %s: via @ (%1.3lf, %1.3lf) left out, the net has no pin to join it to.",
                             net.name.c_str(), via.x, via.y);
            }
        }
        net.via_count = static_cast<std::uint32_t>(net.vias.size());
        net.tee_count = static_cast<std::uint32_t>(net.tees.size());
        net.connect_count = static_cast<std::uint32_t>(net.connects.size());
        if (!keep_router_wiring) {
            wire.paths = std::vector<WirePath>();
            wire.polys = std::vector<WirePoly>();
            wire.vias = std::vector<WireVia>();
            wire.tees = std::vector<WireTee>();
            wire.connection_sets = std::vector<ConnectionSet>();
            wire.pin_path_ends = std::vector<std::uint32_t>();
        }
    }
    return routed;
}

}  // namespace tarnwick
