#include "dsn/wiring.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <functional>
#include <unordered_map>
#include <utility>

#include "board/pads.h"
#include "board/precision.h"
#include "board/units.h"
#include "core/errors.h"
#include "dsn/structure.h"

namespace tarnwick {

namespace {

// A trace end this close to its pin's centre is on the pin.
constexpr double on_pin_inch = 0.0001;

// The written position of vertex i: its own, or at the trace's ends the centre of the pin it
// lies on as the router computes it.
void vertex_position(const Net& net, const Connect& connection, std::size_t i, const PinCentres* centres,
                     std::size_t net_index, double& x_mil, double& y_mil) {
    const Vertex& vertex = connection.vertices[i];
    x_mil = vertex.x * inch_to_mil;
    y_mil = vertex.y * inch_to_mil;
    if (centres == nullptr) return;
    std::int32_t pin = -1;
    if (i == 0) {
        pin = static_cast<std::int32_t>(connection.start_pin);
    } else if (i + 1 == connection.vertices.size()) {
        pin = connection.end_pin;
    }
    if (pin < 0 || static_cast<std::size_t>(pin) >= net.pins.size()) return;
    const NetPin& at = net.pins[static_cast<std::size_t>(pin)];
    if (std::fabs(at.x - vertex.x) > on_pin_inch || std::fabs(at.y - vertex.y) > on_pin_inch) return;
    centres->centre(net_index, pin, x_mil, y_mil);
}

// Segments first .. last (inclusive) form one stretch: their first vertex to the vertex after
// the last segment.
void write_stretch(DesignFile& file, const Net& net, const Connect& connection, std::size_t first, std::size_t last,
                   const PinCentres* centres, std::size_t net_index) {
    const Vertex& start = connection.vertices[first];
    if (start.seg_layer < top_copper_layer) return;
    file.open_record("(wire");
    // "%2.2lf": never narrower than its two decimals and the point.
    char width[fixed_text_size];
    file.put_line({"(path ", layer_name(start.seg_layer), " ", format_fixed(width, start.seg_width * inch_to_mil, 2)});
    file.adjust_indent(+1);
    for (std::size_t i = first; i <= last + 1; ++i) {
        double x = 0;
        double y = 0;
        vertex_position(net, connection, i, centres, net_index, x, y);
        file.write_point(x, y);
    }
    file.close_record();
    file.put_line({"(net \"", net.name, "\")"});
    file.put_line({"(type protect)"});
    file.close_record();
}

void write_area_wire(DesignFile& file, const Net& net, const Area& area) {
    file.open_record("(wire");
    write_polygon_with_windows(file, area.corners, layer_name(area.layer).c_str());
    std::fprintf(file.stream(), "\n%s(net \"%s\")", file.indent_string(), net.name.c_str());
    std::fprintf(file.stream(), "\n%s(type fix)", file.indent_string());
    file.close_record();
}

void write_via(DesignFile& file, const Board& board, const Net& net, const Via& via) {
    const std::string padstack = via.padstack < board.padstacks.size() ? padstack_name(board, via.padstack) : "";
    char x[fixed_text_size];
    char y[fixed_text_size];
    file.put_line({"(via ", padstack, " ", format_fixed(x, via.x * inch_to_mil, 2), " ",
                   format_fixed(y, via.y * inch_to_mil, 2)});
    file.adjust_indent(+1);
    file.put_line({"(net \"", net.name, "\")"});
    file.put_line({"(type protect)"});
    file.close_record();
}

// A position as the design file writes it, in mils at two decimals; -0.00 and 0.00 are one.
using WrittenPosition = std::pair<double, double>;

WrittenPosition written_position(const Via& via) {
    return {to_precision(via.x * inch_to_mil, 2) + 0.0, to_precision(via.y * inch_to_mil, 2) + 0.0};
}

struct WrittenPositionHash {
    std::size_t operator()(const WrittenPosition& position) const {
        const std::size_t x = std::hash<double>{}(position.first);
        return x ^ (std::hash<double>{}(position.second) + 0x9e3779b97f4a7c15ull + (x << 6) + (x >> 2));
    }
};

bool larger_via(const Via& a, const Via& b) {
    if (a.pad_width != b.pad_width) return a.pad_width > b.pad_width;
    return a.hole > b.hole;
}

}  // namespace

std::vector<const Via*> distinct_vias(const Net& net) {
    std::vector<const Via*> vias;
    vias.reserve(net.vias.size());
    const auto keep = [&](const Via& via, std::size_t found, bool added) {
        if (added) {
            vias.push_back(&via);
        } else if (larger_via(via, *vias[found])) {
            vias[found] = &via;
        }
    };
    // Most nets have a few vias: a look through the positions kept costs less than a table.
    constexpr std::size_t few = 16;
    if (net.vias.size() <= few) {
        WrittenPosition positions[few];
        for (const Via& via : net.vias) {
            const WrittenPosition position = written_position(via);
            const std::size_t found = static_cast<std::size_t>(
                std::find(positions, positions + vias.size(), position) - positions);
            if (found == vias.size()) positions[found] = position;
            keep(via, found, found == vias.size());
        }
        return vias;
    }
    std::unordered_map<WrittenPosition, std::size_t, WrittenPositionHash> index;
    index.reserve(net.vias.size());
    for (const Via& via : net.vias) {
        const auto [found, added] = index.emplace(written_position(via), vias.size());
        keep(via, found->second, added);
    }
    return vias;
}

std::size_t segments_held(const Connect& connection) {
    // s segments need s + 1 vertices.
    return connection.vertices.empty()
               ? 0
               : std::min<std::size_t>(connection.segment_count, connection.vertices.size() - 1);
}

PinCentres::PinCentres(const Board& board) : centres_(board.nets.size()) {
    for (std::size_t n = 0; n < board.nets.size(); ++n) centres_[n].resize(board.nets[n].pins.size());
    for (const Part& part : board.parts) {
        if (!has_router_image(part) || part.footprint >= board.footprints.size()) continue;
        const Footprint& footprint = board.footprints[part.footprint];
        const double part_x = to_precision(part.x * inch_to_mil, 2);
        const double part_y = to_precision(part.y * inch_to_mil, 2);
        for (std::size_t i = 0; i < part.pins.size() && i < footprint.pins.size(); ++i) {
            const PartPin& placed = part.pins[i];
            if (placed.net < 0 || static_cast<std::size_t>(placed.net) >= centres_.size()) continue;
            std::vector<Centre>& net_centres = centres_[static_cast<std::size_t>(placed.net)];
            if (placed.net_pin < 0 || static_cast<std::size_t>(placed.net_pin) >= net_centres.size()) continue;
            // The image's pin place as written, mirrored on the bottom, then turned with the part.
            const double px = (part.side == 1 ? -1 : 1) * to_precision(footprint.pins[i].x * inch_to_mil, 2);
            const double py = to_precision(footprint.pins[i].y * inch_to_mil, 2);
            double dx = 0;
            double dy = 0;
            switch (part.rotation) {
                case 0:
                    dx = px;
                    dy = py;
                    break;
                case 90:
                    dx = -py;
                    dy = px;
                    break;
                case 180:
                    dx = -px;
                    dy = -py;
                    break;
                case 270:
                    dx = py;
                    dy = -px;
                    break;
                default: {
                    // Any other whole angle, on a board whose parts may stand at any angle.
                    if (part.rotation >= 360) continue;  // the part's pins could not be placed
                    const double radians = part.rotation * deg_to_rad;
                    dx = px * std::cos(radians) - py * std::sin(radians);
                    dy = px * std::sin(radians) + py * std::cos(radians);
                    break;
                }
            }
            Centre& centre = net_centres[static_cast<std::size_t>(placed.net_pin)];
            centre = {true, part_x + dx, part_y + dy};
        }
    }
}

bool PinCentres::centre(std::size_t net, std::int32_t pin, double& x_mil, double& y_mil) const {
    if (net >= centres_.size() || pin < 0 || static_cast<std::size_t>(pin) >= centres_[net].size()) return false;
    const Centre& centre = centres_[net][static_cast<std::size_t>(pin)];
    if (!centre.known) return false;
    x_mil = centre.x;
    y_mil = centre.y;
    return true;
}

namespace {

// cos 150 degrees: a turn sharper than this folds the trace back onto itself.
constexpr double fold_cosine = -0.8660254037844386;

// How far past a vertex a fold is looked for, in segments: keeps the search linear when a
// trace has many tiny segments.
constexpr std::size_t fold_reach = 16;

// Whether the trace folds back at vertex i: from the segment that ends there, it turns by more
// than 150 degrees to a segment after it, both shorter than half the trace's width and with
// less than that between them (a sharp turn, or a hook of short segments), so the fold lies
// inside the trace's own copper. The router cuts each segment's shape at its corners by the
// sides of the segments next to it, and at such a fold it can cut a whole segment away (its
// log says a shape is empty); ended there, the wire keeps the same copper and the router is
// given no fold to cut. Segments of no length have no direction and are passed over.
bool folds_back(const Connect& connection, std::size_t i, std::size_t segments) {
    const Vertex& before = connection.vertices[i - 1];
    const Vertex& at = connection.vertices[i];
    const double half_width = before.seg_width / 2;
    const double ax = at.x - before.x;
    const double ay = at.y - before.y;
    const double a = std::hypot(ax, ay);
    if (!(a > 0) || !(a < half_width)) return false;
    double between = 0;
    for (std::size_t m = i; m < segments && m < i + fold_reach; ++m) {
        const Vertex& from = connection.vertices[m];
        const Vertex& to = connection.vertices[m + 1];
        // Past a change of layer or width, a via or a branch the wire ends anyway.
        if (m > i && (from.seg_layer != before.seg_layer || from.seg_width != before.seg_width ||
                      from.via_pad_width > 0 || from.tee_id != 0)) {
            return false;
        }
        const double bx = to.x - from.x;
        const double by = to.y - from.y;
        const double b = std::hypot(bx, by);
        if (b > 0 && b < half_width && ax * bx + ay * by < fold_cosine * a * b) return true;
        between += b;
        if (!(between < half_width)) return false;
    }
    return false;
}

}  // namespace

void write_connection_wires(DesignFile& file, const Net& net, const Connect& connection, const PinCentres* centres,
                            std::size_t net_index) {
    const std::size_t segments = segments_held(connection);
    std::size_t first = 0;
    for (std::size_t i = 1; i <= segments; ++i) {
        const Vertex& previous = connection.vertices[i - 1];
        // A wire also ends at a via or a branch it passes: the router joins wires to a via, and
        // to one another, at their ends.
        const Vertex& vertex = connection.vertices[i];
        const bool ends = i == segments || vertex.seg_layer != previous.seg_layer ||
                          vertex.seg_width != previous.seg_width || vertex.via_pad_width > 0 || vertex.tee_id != 0 ||
                          folds_back(connection, i, segments);
        if (ends) {
            write_stretch(file, net, connection, first, i - 1, centres, net_index);
            first = i;
        }
    }
}

namespace {

// One console line counts the copper areas that lie on no copper layer (drawn on a drawing
// layer) and names the first few of their nets: there is no copper to give the router.
void warn_areas_off_copper(const Board& board) {
    NameList names;
    std::uint32_t count = 0;
    for (const Net& net : board.nets) {
        if (net.reserved != 0) continue;
        const auto off = static_cast<std::uint32_t>(
            std::count_if(net.areas.begin(), net.areas.end(), [](const Area& area) { return area.off_copper; }));
        if (off == 0) continue;
        count += off;
        names.add(strformat("\"%s\"", net.name.c_str()));
    }
    if (count == 0) return;
    std::fprintf(console(), "\n  Warning: %u copper area%s on no copper layer left out of the design file, of net%s %s\n",
                 count, count == 1 ? "" : "s", names.count() == 1 ? "" : "s", names.text().c_str());
}

}  // namespace

void write_wiring(DesignFile& file, const Board& board) {
    file.expect_level(1, 41348, "wiring start indent level");
    warn_areas_off_copper(board);
    file.open_record("(wiring");
    const PinCentres centres(board);
    for (std::size_t n = 0; n < board.nets.size(); ++n) {
        const Net& net = board.nets[n];
        if (net.reserved != 0) continue;
        for (const Connect& connection : net.connects) write_connection_wires(file, net, connection, &centres, n);
        // Areas on a plane layer went to the structure as planes.
        for (const Area& area : net.areas) {
            if (area.on_plane == 0 && !area.off_copper) write_area_wire(file, net, area);
        }
        for (const Via* via : distinct_vias(net)) write_via(file, board, net, *via);
    }
    file.close_record();
    // The last ")" closes the "(PCB" record of the header and ends the file.
    file.close_record();
    file.expect_level(0, 41466, "wiring end indent level");
}

}  // namespace tarnwick
