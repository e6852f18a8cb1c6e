#include "session/trace_rebuild.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "board/units.h"
#include "core/errors.h"

namespace tarnwick {

namespace {

// Lengths within this many session units count as the same place.
constexpr double on_pin_units = 4;

std::size_t at(std::int32_t index) { return static_cast<std::size_t>(index); }

Vertex ratline_vertex(const NetPin& pin) {
    Vertex vertex;
    vertex.x = pin.x;
    vertex.y = pin.y;
    vertex.layer = rat_line_layer;
    vertex.seg_layer = rat_line_layer;
    return vertex;
}

// One trace from a connection set: its paths in walking order, their vias and branch tees.
Connect build_connect(const NetWire& wire, std::vector<Via>& vias, const Net& net, std::size_t j,
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
    if (start_pin < 0) {
        start_pin = nearest_net_pin(net, start.x, start.y, -1);
        ratline = start_pin >= 0;
        if (ratline) ++segments;
    }
    const WirePath& last = *paths.back();
    connect.start_pin = static_cast<std::uint32_t>(start_pin);
    connect.end_pin = last.reversed ? last.start_pin : last.end_pin;
    connect.segment_count = segments;
    connect.vertices.reserve(segments + 1);
    if (ratline) connect.vertices.push_back(ratline_vertex(net.pins[at(start_pin)]));

    bool first_vertex = true;
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
                vertex.via_pad_width = vias[at(via)].pad_width;
                vertex.via_hole = vias[at(via)].hole;
                vias[at(via)].written = 1;
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
    if (via >= 0 && vias[at(via)].written == 0) {
        Via& far = vias[at(via)];
        vertex.via_pad_width = far.pad_width;
        vertex.via_hole = far.hole;
        far.written = 1;
        vertex.flag = far.shared_layer != 0 || far.path_ends == 1 ? 1 : 0;
    }
    const std::int32_t tee = last.reversed ? last.start_tee : last.end_tee;
    if (tee >= 0 && wire.tees[at(tee)].path_ends > 2) vertex.tee_id = wire.tees[at(tee)].id;
    return connect;
}

// A via no written trace carries (a via in a pad to an inner plane, a stitching via) becomes a
// trace of its own, as the editor keeps one: a zero-length segment from the pin it lies on, or
// a rat-line from the nearest pin. False when the net has no pin to start it from.
bool add_via_trace(Net& net, Via& via, double tolerance, double width) {
    std::int32_t pin = -1;
    for (std::size_t n = 0; n < net.pins.size() && pin < 0; ++n) {
        const NetPin& candidate = net.pins[n];
        if (!candidate.no_position && std::fabs(candidate.x - via.x) <= tolerance && std::fabs(candidate.y - via.y) <= tolerance) {
            pin = static_cast<std::int32_t>(n);
        }
    }
    const bool on_pin = pin >= 0;
    if (!on_pin) pin = nearest_net_pin(net, via.x, via.y, -1);
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
    via.written = 1;
    return true;
}

}  // namespace

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

std::vector<Net> build_routed_nets(const Session& session, const Board& board) {
    std::vector<Net> routed = board.nets;
    const double tolerance = on_pin_units * session.session_scale;
    for (const NetWire& wire : session.wire_list) {
        Net& net = routed[at(wire.net_index)];
        net.vias = wire.vias;
        net.tees = wire.tees;
        net.connects.clear();
        net.connects.reserve(wire.trace_count);
        for (std::uint32_t j = 0; j < wire.trace_count; ++j) {
            Connect connect = build_connect(wire, net.vias, net, j, wire.connection_sets[j]);
            if (!connect.vertices.empty()) net.connects.push_back(std::move(connect));
        }
        const double width = net.trace_width > 0 ? net.trace_width : board.options.default_trace_width;
        for (Via& via : net.vias) {
            if (via.written != 0) continue;
            if (!add_via_trace(net, via, tolerance, width)) {
                std::fprintf(console(), "\nNet %s: via @ (%1.3lf, %1.3lf) left out, the net has no pin to join it to.",
                             net.name.c_str(), via.x, via.y);
            }
        }
        net.via_count = static_cast<std::uint32_t>(net.vias.size());
        net.tee_count = static_cast<std::uint32_t>(net.tees.size());
        net.connect_count = static_cast<std::uint32_t>(net.connects.size());
    }
    return routed;
}

}  // namespace tarnwick
