#include "dsn/structure.h"

#include <algorithm>
#include <cmath>

#include "board/pads.h"
#include "board/units.h"
#include "core/errors.h"
#include "dsn/wiring.h"

namespace tarnwick {

std::vector<PlanePoint> arc_points(double x1, double y1, double x2, double y2, std::uint32_t style) {
    std::vector<PlanePoint> points;
    if (style != 1 && style != 2) {
        std::fprintf(console(), "\nInvalid arc found\n");
        return points;
    }
    // Level or plumb corners span no quarter ellipse: the edge stays straight.
    if (x2 == x1 || y2 == y1) return points;

    const int step = style == 1 ? -5 : 5;
    const double rx = std::fabs(x2 - x1);
    const double ry = std::fabs(y2 - y1);
    const bool right = x2 > x1;
    const bool up = y2 > y1;

    // The arc leaves the first corner along one axis and meets the second along the other; the
    // centre is the rectangle corner that makes that so for the direction of turning.
    double cx = 0;
    double cy = 0;
    int start = 0;
    const bool centre_below_or_above = style == 1 ? right == up : right != up;  // centre (x2, y1)
    if (centre_below_or_above) {
        cx = x2;
        cy = y1;
        start = right ? 180 : 0;
    } else {
        cx = x1;
        cy = y2;
        start = up ? 270 : 90;
    }

    const int count = (90 - std::abs(step)) / std::abs(step);
    int angle = start + step;
    for (int k = 0; k < count; ++k, angle += step) {
        const double radians = angle * deg_to_rad;
        points.push_back({cx + rx * std::cos(radians), cy + ry * std::sin(radians)});
    }
    return points;
}

int write_arc_points(DesignFile& file, double x1, double y1, double x2, double y2, std::uint32_t style) {
    const std::vector<PlanePoint> points = arc_points(x1, y1, x2, y2, style);
    for (const PlanePoint& point : points) {
        file.write_point(point.x * inch_to_mil, point.y * inch_to_mil);
    }
    return points.empty() ? 0 : 1;
}

std::uint32_t dsn_layer_index_to_layer(std::uint32_t i, std::uint32_t n) {
    if (i == 0) return top_copper_layer;
    if (i == n - 1) return bottom_copper_layer;
    return inner_copper_layer(i);
}

std::vector<PlanePoint> boundary_points(const BoardOutline& outline) {
    std::vector<PlanePoint> points;
    const std::vector<OutlineCorner>& corners = outline.corners;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const OutlineCorner& corner = corners[i];
        points.push_back({corner.x, corner.y});
        if (corner.style != 0) {
            const OutlineCorner& next = corners[i + 1 < corners.size() ? i + 1 : 0];
            const std::vector<PlanePoint> arc = arc_points(corner.x, corner.y, next.x, next.y, corner.style);
            points.insert(points.end(), arc.begin(), arc.end());
        }
    }
    return points;
}

namespace {

// Half the last digit the design file writes: nearer than this, a point is on the edge.
constexpr double on_edge_distance = 0.005 / inch_to_mil;

bool near_edge(const PlanePoint& a, const PlanePoint& b, double x, double y) {
    // Most edges are far off: their box tells at once.
    if (x < std::min(a.x, b.x) - on_edge_distance || x > std::max(a.x, b.x) + on_edge_distance ||
        y < std::min(a.y, b.y) - on_edge_distance || y > std::max(a.y, b.y) + on_edge_distance) {
        return false;
    }
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length = dx * dx + dy * dy;
    const double t = length > 0 ? std::clamp(((x - a.x) * dx + (y - a.y) * dy) / length, 0.0, 1.0) : 0.0;
    const double ex = a.x + t * dx - x;
    const double ey = a.y + t * dy - y;
    return ex * ex + ey * ey <= on_edge_distance * on_edge_distance;
}

}  // namespace

namespace {

// One edge's part in the test, from boundary[j] to boundary[i]: true when the point is on it,
// else `inside` turned when a ray to the right crosses it.
bool on_edge_or_crossing(const PlanePoint& a, const PlanePoint& b, double x, double y, bool& inside) {
    if (near_edge(a, b, x, y)) return true;
    if ((a.y > y) != (b.y > y) && x < a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y)) inside = !inside;
    return false;
}

}  // namespace

bool lies_outside(const std::vector<PlanePoint>& boundary, double x, double y) {
    const std::size_t count = boundary.size();
    if (count < 3) return false;
    // Even-odd rule: a ray to the right crosses the edges of an enclosing boundary an odd number
    // of times.
    bool inside = false;
    for (std::size_t i = 0, j = count - 1; i < count; j = i++) {
        if (on_edge_or_crossing(boundary[j], boundary[i], x, y, inside)) return false;
    }
    return !inside;
}

OutsideTest::OutsideTest(const std::vector<PlanePoint>& boundary) : boundary_(boundary) {
    const std::size_t count = boundary.size();
    if (count < 3) return;
    // An edge counts for a point only at the heights from its lower end to its upper end, each
    // widened by the on-edge distance: elsewhere it is neither near nor crossed.
    auto reach = [&](std::size_t i, double& low, double& high) {
        const PlanePoint& a = boundary[i == 0 ? count - 1 : i - 1];
        const PlanePoint& b = boundary[i];
        low = std::min(a.y, b.y) - on_edge_distance;
        high = std::max(a.y, b.y) + on_edge_distance;
    };
    for (std::size_t i = 0; i < count; ++i) {
        double low = 0;
        double high = 0;
        reach(i, low, high);
        if (!std::isfinite(low) || !std::isfinite(high)) return;  // no bands: every point walks the edges
        low_ = i == 0 ? low : std::min(low_, low);
        high_ = i == 0 ? high : std::max(high_, high);
    }
    const std::size_t bands = std::min<std::size_t>(count, 4096);
    band_ = (high_ - low_) / static_cast<double>(bands);
    if (!(band_ > 0) || !std::isfinite(band_)) return;
    bands_.resize(bands);
    auto band_of = [&](double y) {
        return std::clamp<std::int64_t>(static_cast<std::int64_t>(std::floor((y - low_) / band_)), 0,
                                        static_cast<std::int64_t>(bands) - 1);
    };
    for (std::size_t i = 0; i < count; ++i) {
        double low = 0;
        double high = 0;
        reach(i, low, high);
        // One band more on either side, for rounding at the bands' edges.
        const std::int64_t first = std::max<std::int64_t>(band_of(low) - 1, 0);
        const std::int64_t last = std::min<std::int64_t>(band_of(high) + 1, static_cast<std::int64_t>(bands) - 1);
        for (std::int64_t k = first; k <= last; ++k) bands_[static_cast<std::size_t>(k)].push_back(static_cast<std::uint32_t>(i));
    }
}

bool OutsideTest::operator()(double x, double y) const {
    const std::size_t count = boundary_.size();
    if (bands_.empty() || !std::isfinite(y)) return lies_outside(boundary_, x, y);
    // Above or below every edge: none is near or crossed.
    if (y < low_ || y > high_) return true;
    const auto band = std::min<std::size_t>(static_cast<std::size_t>(std::floor((y - low_) / band_)), bands_.size() - 1);
    bool inside = false;
    for (const std::uint32_t i : bands_[band]) {
        if (on_edge_or_crossing(boundary_[i == 0 ? count - 1 : i - 1], boundary_[i], x, y, inside)) return false;
    }
    return !inside;
}

namespace {

std::string counted(std::uint32_t count, const char* thing) {
    return strformat("%u %s%s", count, thing, count == 1 ? "" : "s");
}

// At most this many net names in the warning; a panel may have hundreds.
constexpr std::uint32_t nets_named = 5;

}  // namespace

void warn_of_copper_outside(const Board& board, std::uint32_t signal_outline, const std::vector<PlanePoint>& boundary) {
    std::uint32_t segments = 0;
    std::uint32_t vias = 0;
    std::uint32_t pads = 0;
    std::vector<bool> outside_net(board.nets.size(), false);
    const OutsideTest outside(boundary);

    for (std::size_t n = 0; n < board.nets.size(); ++n) {
        const Net& net = board.nets[n];
        if (net.reserved != 0) continue;  // neither written as a net nor as wiring
        const std::uint32_t before = segments + vias;
        for (const Connect& connection : net.connects) {
            const std::size_t held = segments_held(connection);
            // A vertex ends one segment and starts the next: each is tested once.
            int next_outside = -1;  // the test of vertex i, when it was made
            for (std::size_t i = 0; i < held; ++i) {
                const Vertex& from = connection.vertices[i];
                const Vertex& to = connection.vertices[i + 1];
                const int from_outside = next_outside;
                next_outside = -1;
                if (from.seg_layer < top_copper_layer) continue;
                if (from_outside >= 0 ? from_outside != 0 : outside(from.x, from.y)) {
                    ++segments;
                    continue;
                }
                next_outside = outside(to.x, to.y) ? 1 : 0;
                if (next_outside != 0) ++segments;
            }
        }
        // Vias at one place are one via of the design file: counted once, and only looked for
        // where any lies outside.
        if (std::any_of(net.vias.begin(), net.vias.end(), [&](const Via& via) { return outside(via.x, via.y); })) {
            for (const Via* via : distinct_vias(net)) {
                if (outside(via->x, via->y)) ++vias;
            }
        }
        if (segments + vias != before) outside_net[n] = true;
    }

    for (const Part& part : board.parts) {
        if (part.footprint >= board.footprints.size()) continue;
        const std::vector<FootprintPin>& pins = board.footprints[part.footprint].pins;
        for (std::size_t i = 0; i < part.pins.size() && i < pins.size(); ++i) {
            const FootprintPin& pin = pins[i];
            const bool copper = pin.top_pad.shape != pad_shape_none || pin.inner_pad.shape != pad_shape_none ||
                                pin.bottom_pad.shape != pad_shape_none;
            const PartPin& placed = part.pins[i];
            if (!copper || !outside(placed.x, placed.y)) continue;
            ++pads;
            const auto net = static_cast<std::size_t>(placed.net);
            if (placed.net >= 0 && net < board.nets.size() && board.nets[net].reserved == 0) outside_net[net] = true;
        }
    }

    const std::uint32_t total = segments + vias + pads;
    if (total == 0) return;
    std::vector<std::string> items;
    if (segments > 0) items.push_back(counted(segments, "trace segment"));
    if (vias > 0) items.push_back(counted(vias, "via"));
    if (pads > 0) items.push_back(counted(pads, "pad"));
    std::string text = items[0];
    for (std::size_t i = 1; i < items.size(); ++i) text += (i + 1 == items.size() ? " and " : ", ") + items[i];

    const auto net_count = static_cast<std::uint32_t>(std::count(outside_net.begin(), outside_net.end(), true));
    if (net_count > 0) {
        text += " of " + counted(net_count, "net") + " (";
        std::uint32_t named = 0;
        for (std::size_t n = 0; n < board.nets.size() && named < nets_named; ++n) {
            if (!outside_net[n]) continue;
            text += strformat("%s\"%s\"", named == 0 ? "" : ", ", board.nets[n].name.c_str());
            ++named;
        }
        if (net_count > named) text += strformat(" and %u more", net_count - named);
        text += ")";
    }
    text += strformat(" %s outside the signal boundary (board outline %u): the router keeps %s but routes nothing "
                      "outside it",
                      total == 1 ? "lies" : "lie", signal_outline, total == 1 ? "it" : "them");
    // With one outline there is no other to choose.
    if (board.outlines.size() > 1) text += "; -Un1,n2 makes outline n2 the signal boundary";
    std::fprintf(console(), "\nWarning: %s.\n", text.c_str());
}

namespace {

// Every outline's corners, from the bounds the reader took of the selected outline. An arc
// between two corners stays within their box, so the corners are enough.
void write_boundary_rect(DesignFile& file, const Board& board) {
    double min_x = board.outline_min_x;
    double min_y = board.outline_min_y;
    double max_x = board.outline_max_x;
    double max_y = board.outline_max_y;
    for (const BoardOutline& outline : board.outlines) {
        for (const OutlineCorner& corner : outline.corners) {
            min_x = std::min(min_x, corner.x);
            min_y = std::min(min_y, corner.y);
            max_x = std::max(max_x, corner.x);
            max_y = std::max(max_y, corner.y);
        }
    }
    std::fprintf(file.stream(), "\n%s(rect pcb %1.2lf %1.2lf %1.2lf %1.2lf)", file.indent_string(), min_x * inch_to_mil,
                 min_y * inch_to_mil, max_x * inch_to_mil, max_y * inch_to_mil);
}

void write_boundary(DesignFile& file, const Board& board, const std::vector<PlanePoint>& signal_boundary) {
    file.open_record("(boundary");
    write_boundary_rect(file, board);
    file.adjust_indent(-1);
    std::fprintf(file.stream(), "\n%s)\n%s(boundary", file.indent_string(), file.indent_string());
    file.adjust_indent(+1);

    file.open_record("(path signal 0");
    for (const PlanePoint& point : signal_boundary) {
        file.write_point(point.x * inch_to_mil, point.y * inch_to_mil);
    }
    file.close_record();
}

void write_snap_angle(DesignFile& file, const Board& board) {
    file.adjust_indent(-1);
    std::fprintf(file.stream(), "\n%s)\n%s(snap_angle", file.indent_string(), file.indent_string());
    file.adjust_indent(+1);
    const std::uint32_t snap = board.options.snap_angle;
    const char* text = snap == 90 ? "ninety_degree" : snap == 45 ? "fortyfive_degree" : "none";
    std::fprintf(file.stream(), "\n%s%s", file.indent_string(), text);
    file.close_record();
}

void write_via_list(DesignFile& file, const Board& board) {
    file.open_record("(via");
    for (std::uint32_t i = 0; i < board.padstacks.size(); ++i) {
        if (board.padstacks[i].is_via != 0) {
            std::fprintf(file.stream(), "\n%s%s", file.indent_string(), padstack_name(board, i).c_str());
        }
    }
    file.close_record();
}

void write_rules(DesignFile& file, const Board& board) {
    const BoardOptions& options = board.options;
    file.open_record("(control");
    std::fprintf(file.stream(), "\n%s(via_at_smd off)", file.indent_string());
    file.adjust_indent(-1);
    std::fprintf(file.stream(), "\n%s)\n%s(rule", file.indent_string(), file.indent_string());
    file.adjust_indent(+1);

    // Each rule is an option in mils with one decimal; the level stays put until the close.
    const char* indent = file.indent_string();
    const double width = options.default_trace_width * 1000;
    const double trace_trace = options.drc_trace_trace * 1000;
    const double pad_trace = options.drc_pad_trace * 1000;
    const double copper_copper = options.drc_copper_copper * 1000;
    const double pad_pad = options.drc_pad_pad * 1000;
    const double edge = options.drc_board_edge_copper * 1000;
    std::fprintf(file.stream(), "\n%s(width %1.1f)", indent, width);
    std::fprintf(file.stream(), "\n%s(clear %1.1f)", indent, trace_trace);
    std::fprintf(file.stream(), "\n%s(clear %1.1f (type pad_to_turn_gap))", indent, pad_trace);
    std::fprintf(file.stream(), "\n%s(clear %1.1f (type smd_to_turn_gap))", indent, pad_trace);
    std::fprintf(file.stream(), "\n%s(clear %1.1f (type default_area))", indent, copper_copper);
    std::fprintf(file.stream(), "\n%s(clear %1.1f (type via_via))", indent, pad_pad);
    std::fprintf(file.stream(), "\n%s(clear %1.1f (type via_smd))", indent, pad_pad);
    std::fprintf(file.stream(), "\n%s(clear %1.1f (type via_pin))", indent, pad_pad);
    std::fprintf(file.stream(), "\n%s(clear %1.1f (type pin_pin))", indent, pad_pad);
    std::fprintf(file.stream(), "\n%s(clear %1.1f (type smd_pin))", indent, pad_pad);
    std::fprintf(file.stream(), "\n%s(clear %1.1f (type smd_smd))", indent, pad_pad);
    std::fprintf(file.stream(), "\n%s(clear %1.1f (type default_Outlines))", indent, edge);
    std::fprintf(file.stream(), "\n%s(clear %1.1f (type area_Outlines))", indent, edge);
    std::fprintf(file.stream(), "\n%s(clear %1.1f (type via_Outlines))", indent, edge);
    std::fprintf(file.stream(), "\n%s(clear %1.1f (type smd_Outlines))", indent, edge);
    std::fprintf(file.stream(), "\n%s(clear %1.1f (type pin_Outlines))", indent, edge);
    std::fprintf(file.stream(), "\n%s(clear 0.00 (type Outlines_Outlines))", indent);
    file.close_record();
}

void write_layers(DesignFile& file, const Board& board) {
    const auto n = static_cast<std::uint32_t>(board.copper_layers.size());
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t layer = dsn_layer_index_to_layer(i, n);
        const CopperLayerInfo& info = board.copper_layers[layer - top_copper_layer];
        std::fprintf(file.stream(), "\n%s(layer %s", file.indent_string(), layer_name(layer).c_str());
        file.adjust_indent(+1);
        const bool power = info.is_plane != 0;
        std::fprintf(file.stream(), "\n%s(type %s)", file.indent_string(), power ? "power" : "signal");
        if (power) {
            file.open_record("(use_net");
            for (const LayerNet& net : info.layer_nets) {
                std::fprintf(file.stream(), "\n%s\"%s\"", file.indent_string(), net.net_name.c_str());
            }
            file.close_record();
        } else {
            std::fprintf(file.stream(), "\n%s(direction %s)", file.indent_string(),
                         info.direction == 1 ? "vertical" : "horizontal");
        }
        file.close_record();
    }
}

void write_planes(DesignFile& file, const Board& board) {
    for (const Net& net : board.nets) {
        for (const Area& area : net.areas) {
            if (area.on_plane == 0) continue;
            std::fprintf(file.stream(), "\n%s(plane \"%s\"", file.indent_string(), net.name.c_str());
            file.adjust_indent(+1);
            write_polygon_with_windows(file, area.corners, layer_name(area.layer).c_str());
            file.close_record();
        }
    }
}

void write_keepouts(DesignFile& file, const Board& board) {
    for (const PolyKeepout& keepout : board.poly_keepouts) {
        const std::string layer = keepout.layer == all_copper_layers ? std::string("signal") : layer_name(keepout.layer);
        std::fprintf(file.stream(), "\n%s(%skeepout", file.indent_string(), keepout.via_only != 0 ? "via_" : "");
        file.adjust_indent(+1);
        write_polygon_with_windows(file, keepout.points, layer.c_str());
        file.close_record();
    }
    // A hole cut in the board keeps every wire and via out.
    for (const BoardHole& hole : board.holes) {
        std::vector<KeepoutPoint> points;
        points.reserve(hole.corners.size());
        for (const OutlineCorner& corner : hole.corners) points.push_back({corner.style, 0, corner.x, corner.y});
        std::fprintf(file.stream(), "\n%s(keepout", file.indent_string());
        file.adjust_indent(+1);
        write_polygon_with_windows(file, points, "signal");
        file.close_record();
    }
}

}  // namespace

void write_structure(DesignFile& file, const Board& board, const RunSettings& settings) {
    file.expect_level(1, 40222, "structure start indent level");
    file.open_record("(structure");
    const std::size_t index = settings.signal_outline - 1;
    const bool selected = settings.signal_outline > 0 && index < board.outlines.size();
    const std::vector<PlanePoint> signal_boundary =
        selected ? boundary_points(board.outlines[index]) : std::vector<PlanePoint>{};
    write_boundary(file, board, signal_boundary);
    write_snap_angle(file, board);
    write_via_list(file, board);
    write_rules(file, board);
    write_layers(file, board);
    write_planes(file, board);
    write_keepouts(file, board);
    file.close_record();
    file.expect_level(1, 40529, "structure end indent level");
    warn_of_copper_outside(board, settings.signal_outline, signal_boundary);
}

}  // namespace tarnwick
