#include "fpc/areas.h"

#include <cmath>
#include <cstdio>

#include "board/units.h"
#include "core/errors.h"
#include "core/settings.h"
#include "core/scan_record.h"
#include "fpc/board_numbers.h"

namespace tarnwick {

namespace {

// The degrees between two flattened arc points; a quarter ellipse gets (90 - 5) / 5 of them.
constexpr int arc_step_degrees = 5;
constexpr std::uint32_t arc_point_count = (90 - arc_step_degrees) / arc_step_degrees;

struct AreaLineErrors {
    int eof_code;
    int key_code;
    int scan_code;
};

// Reads an "area:" line into the area's counts; the codes tell the first reading from the second.
void read_area_line(LineReader& reader, Area& area, const AreaLineErrors& errors) {
    const char* values = next_record(reader, "area:", errors.eof_code, "premature EOF reading net areas",
                                     errors.key_code, "missing net area record");
    if (scan_record(values, "%*u %u %u %u", &area.corner_count, &area.layer, &area.hatch) < 3) {
        fatal_error(errors.scan_code, "bad net area: record");
    }
}

// The text after "corner:" of the next line, which must be a corner line.
const char* next_corner_values(LineReader& reader, int eof_code, int key_code) {
    return next_record(reader, "corner:", eof_code, "premature EOF reading net area corner", key_code,
                       "missing net area corner record");
}

// Counting pass over the area's corners: how many contours they form. Corners after the last
// end-of-contour mark (the editor never writes them) make one more contour, closed back to its
// first corner the way the design-file writer closes such corners, so that none is lost.
std::uint32_t count_contours(LineReader& reader, std::uint32_t corner_count) {
    std::uint32_t contours = 0;
    std::uint32_t end_contour = 1;
    for (std::uint32_t i = 0; i < corner_count; ++i) {
        const char* values = next_corner_values(reader, 12707, 12714);
        if (scan_record(values, "%*u %*f %*f %*u %u", &end_contour) != 1) {
            fatal_error(12721, "bad net area corner: record");
        }
        if (end_contour != 0) ++contours;
    }
    if (corner_count > 0 && end_contour == 0) ++contours;
    return contours;
}

PolyKeepout keepout_from(const Net& net, const Area& area) {
    PolyKeepout keepout;
    keepout.point_count = area.corner_count;
    const bool via = net.name.find("VIA") != std::string::npos;
    keepout.via_only = via ? 1 : 0;
    keepout.layer = via || net.name.find("ALL") != std::string::npos ? all_copper_layers : area.layer;
    keepout.points.reserve(area.corners.size());
    for (const AreaCorner& corner : area.corners) {
        keepout.points.push_back({corner.style, corner.end_contour, corner.x, corner.y});
    }
    return keepout;
}

bool is_copper_layer(const Board& board, std::uint32_t layer) {
    return layer >= non_copper_layers && layer - non_copper_layers < board.copper_layers.size();
}

void read_area(LineReader& reader, Board& board, LoadIndexes& indexes, std::uint32_t net_index, Area& area) {
    const LineReader::Mark start = reader.mark();
    read_area_line(reader, area, {12685, 12692, 12700});
    area.contour_count = count_contours(reader, area.corner_count);
    area.contours.resize(area.contour_count);

    reader.seek(start);
    read_area_line(reader, area, {12741, 12748, 12756});
    area.corners.reserve(area.corner_count);  // the counting pass has seen every corner line
    std::uint32_t contour = 0;
    for (std::uint32_t i = 0; i < area.corner_count; ++i) {
        const char* values = next_corner_values(reader, 12768, 12775);
        AreaCorner corner;
        if (scan_board_record("corner:", nm_to_inch, values, "%*u %lf %lf %u %u", &corner.x, &corner.y, &corner.style, &corner.end_contour) < 4) {
            fatal_error(12783, "bad net area corner: record");
        }
        corner.x *= nm_to_inch;
        corner.y *= nm_to_inch;
        area.corners.push_back(corner);
        const bool last = i + 1 == area.corner_count;
        // The last corner closes its contour even when it carries no end mark (see count_contours).
        const std::uint32_t closes = corner.end_contour != 0 || last ? 1 : 0;
        add_contour_corner(area.contours[contour], corner.style, closes, corner.x, corner.y);
        if (closes != 0 && !last) ++contour;
    }

    Net& net = board.nets[net_index];
    switch (net.reserved) {
        case 0:
            // An area beyond the copper layers has no net list to join; the closing check rejects it.
            if (is_copper_layer(board, area.layer)) {
                note_layer_net(board, indexes, area.layer - non_copper_layers, net_index, true);
            }
            // One on a drawing layer is no copper at all: the editor keeps it, and so does the board.
            area.off_copper = area.layer < non_copper_layers;
            break;
        case 1:
        case 2:
        case 3:
            board.poly_keepouts.push_back(keepout_from(net, area));
            // A keepout kept on its own layer must name a copper layer the router knows.
            if (board.poly_keepouts.back().layer != all_copper_layers && !is_copper_layer(board, area.layer)) {
                fatal_error(12792, strformat("bad keepout area layer %u, the board has %u copper layers", area.layer,
                                             static_cast<unsigned>(board.copper_layers.size())));
            }
            break;
        case 4:
            if (area.layer >= non_copper_layers) {
                if (!is_copper_layer(board, area.layer)) {
                    fatal_error(12791, strformat("bad power plane area layer %u, the board has %u copper layers",
                                                 area.layer, static_cast<unsigned>(board.copper_layers.size())));
                }
                board.copper_layers[area.layer - non_copper_layers].is_plane = 1;
            }
            break;
        default:
            break;
    }
}

}  // namespace

void read_net_areas(LineReader& reader, Board& board, LoadIndexes& indexes, std::uint32_t net_index) {
    const std::uint32_t count = board.nets[net_index].area_count;
    for (std::uint32_t i = 0; i < count; ++i) {
        Area area;
        read_area(reader, board, indexes, net_index, area);
        board.nets[net_index].areas.push_back(std::move(area));
    }
    board.stats.areas += count;
}

std::uint32_t note_layer_net(Board& board, LoadIndexes& indexes, std::uint32_t k, std::uint32_t net_index,
                             bool is_area) {
    CopperLayerInfo& layer = board.copper_layers[k];
    const std::string& name = board.nets[net_index].name;
    // The first entry of the name, as a walk through the list finds it.
    if (indexes.layer_nets.size() < board.copper_layers.size()) indexes.layer_nets.resize(board.copper_layers.size());
    if (indexes.layer_last_net.size() < board.copper_layers.size()) {
        indexes.layer_last_net.resize(board.copper_layers.size(), UINT32_MAX);
    }
    if (!is_area && indexes.layer_last_net[k] == net_index) return layer.net_count;
    if (!is_area) indexes.layer_last_net[k] = net_index;
    const auto [found, added] = indexes.layer_nets[k].try_emplace(name, static_cast<std::uint32_t>(layer.layer_nets.size()));
    if (!added) {
        if (is_area) ++layer.layer_nets[found->second].area_count;
        return layer.net_count;
    }
    layer.layer_nets.push_back({name, net_index, is_area ? 1u : 0u});
    layer.net_count = static_cast<std::uint32_t>(layer.layer_nets.size());
    return layer.net_count;
}

std::uint32_t flatten_arc(double x1, double y1, double x2, double y2, std::uint32_t style,
                          std::vector<ContourPoint>& out) {
    const double dx = x2 - x1;
    const double dy = y2 - y1;
    if (dx == 0 || dy == 0) return 0;
    const bool same_sign = (dx > 0) == (dy > 0);
    // Style 1 turns clockwise, any other style counter-clockwise; the centre is the corner of the
    // spanned rectangle from which both points are seen along the axes.
    const bool centre_beside_end = style == 1 ? same_sign : !same_sign;  // centre (x2, y1)
    const double cx = centre_beside_end ? x2 : x1;
    const double cy = centre_beside_end ? y1 : y2;
    int angle;
    if (centre_beside_end) {
        angle = dx > 0 ? 180 : 0;
    } else {
        angle = dy > 0 ? 270 : 90;
    }
    const int step = style == 1 ? -arc_step_degrees : arc_step_degrees;
    const double rx = std::fabs(dx);
    const double ry = std::fabs(dy);
    for (std::uint32_t k = 0; k < arc_point_count; ++k) {
        angle += step;
        const double radians = angle * deg_to_rad;
        out.push_back({0, cx + rx * std::cos(radians), cy + ry * std::sin(radians)});
    }
    return arc_point_count;
}

void add_contour_corner(AreaContour& contour, std::uint32_t style, std::uint32_t end_contour, double x, double y) {
    if (contour.points.empty()) {
        contour.min_x = contour.max_x = x;
        contour.min_y = contour.max_y = y;
    }
    if (x < contour.min_x) contour.min_x = x;
    if (x > contour.max_x) contour.max_x = x;
    if (y < contour.min_y) contour.min_y = y;
    if (y > contour.max_y) contour.max_y = y;

    if (!contour.points.empty()) {
        const ContourPoint last = contour.points.back();
        if (last.style != 0) flatten_arc(last.x, last.y, x, y, last.style, contour.points);
    }
    contour.points.push_back({style, x, y});
    if (end_contour != 0 && style != 0) {
        const ContourPoint first = contour.points.front();
        flatten_arc(x, y, first.x, first.y, style, contour.points);
    }
    contour.point_count = static_cast<std::uint32_t>(contour.points.size());
}

void finish_copper_layers(Board& board) {
    std::uint32_t signal_layers = 0;
    for (CopperLayerInfo& layer : board.copper_layers) {
        if (layer.is_plane == 0) layer.direction = signal_layers++ % 2;
    }

    for (Net& net : board.nets) {
        if (net.reserved != 0) continue;
        for (Area& area : net.areas) {
            if (area.off_copper) continue;
            if (!is_copper_layer(board, area.layer)) fatal_error(12847, "bad copper area layer");
            if (board.copper_layers[area.layer - non_copper_layers].is_plane != 0) {
                area.on_plane = 1;
                ++net.plane_area_count;
            }
        }
    }
}

}  // namespace tarnwick
