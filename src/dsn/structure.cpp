#include "dsn/structure.h"

#include <cmath>

#include "board/units.h"
#include "core/errors.h"

namespace tarnwick {

int write_arc_points(DesignFile& file, double x1, double y1, double x2, double y2, std::uint32_t style) {
    if (style != 1 && style != 2) {
        std::fprintf(console(), "\nInvalid arc found\n");
        return 0;
    }
    // Level or plumb corners span no quarter ellipse: the edge stays straight.
    if (x2 == x1 || y2 == y1) return 0;

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

    const int points = (90 - std::abs(step)) / std::abs(step);
    int angle = start + step;
    for (int k = 0; k < points; ++k, angle += step) {
        const double radians = angle * deg_to_rad;
        const double x = cx + rx * std::cos(radians);
        const double y = cy + ry * std::sin(radians);
        std::fprintf(file.stream(), "\n%s%1.2lf  %1.2lf", file.indent_string(), x * inch_to_mil, y * inch_to_mil);
    }
    return 1;
}

std::uint32_t dsn_layer_index_to_layer(std::uint32_t i, std::uint32_t n) {
    if (i == 0) return top_copper_layer;
    if (i == n - 1) return bottom_copper_layer;
    return i + 13;
}

std::string layer_name(std::uint32_t layer) {
    if (layer < top_copper_layer) return "";
    if (layer == top_copper_layer) return "Top";
    if (layer == bottom_copper_layer) return "Bottom";
    return strformat("Inner_%u", layer - 13);
}

namespace {

void write_boundary(DesignFile& file, const Board& board, const RunSettings& settings) {
    std::FILE* out = file.stream();
    file.open_record("(boundary");
    std::fprintf(out, "\n%s(rect pcb %1.2lf %1.2lf %1.2lf %1.2lf)", file.indent_string(), board.outline_min_x * inch_to_mil,
                 board.outline_min_y * inch_to_mil, board.outline_max_x * inch_to_mil, board.outline_max_y * inch_to_mil);
    file.adjust_indent(-1);
    std::fprintf(out, "\n%s)\n%s(boundary", file.indent_string(), file.indent_string());
    file.adjust_indent(+1);

    // The signal boundary; each arc corner bends towards the next corner, the last towards the first.
    file.open_record("(path signal 0");
    const std::size_t index = settings.signal_outline - 1;
    if (settings.signal_outline > 0 && index < board.outlines.size()) {
        const std::vector<OutlineCorner>& corners = board.outlines[index].corners;
        for (std::size_t i = 0; i < corners.size(); ++i) {
            const OutlineCorner& corner = corners[i];
            std::fprintf(out, "\n%s%1.2lf  %1.2lf", file.indent_string(), corner.x * inch_to_mil, corner.y * inch_to_mil);
            if (corner.style != 0) {
                const OutlineCorner& next = corners[i + 1 < corners.size() ? i + 1 : 0];
                write_arc_points(file, corner.x, corner.y, next.x, next.y, corner.style);
            }
        }
    }
    file.close_record();
}

void write_snap_angle(DesignFile& file, const Board& board) {
    std::FILE* out = file.stream();
    file.adjust_indent(-1);
    std::fprintf(out, "\n%s)\n%s(snap_angle", file.indent_string(), file.indent_string());
    file.adjust_indent(+1);
    const std::uint32_t snap = board.options.snap_angle;
    const char* text = snap == 90 ? "ninety_degree" : snap == 45 ? "fortyfive_degree" : "none";
    std::fprintf(out, "\n%s%s", file.indent_string(), text);
    file.close_record();
}

void write_via_list(DesignFile& file, const Board& board) {
    file.open_record("(via");
    for (const Padstack& padstack : board.padstacks) {
        if (padstack.is_via != 0) std::fprintf(file.stream(), "\n%s%s", file.indent_string(), padstack.name.c_str());
    }
    file.close_record();
}

void write_rules(DesignFile& file, const Board& board) {
    std::FILE* out = file.stream();
    const BoardOptions& options = board.options;
    file.open_record("(control");
    std::fprintf(out, "\n%s(via_at_smd off)", file.indent_string());
    file.adjust_indent(-1);
    std::fprintf(out, "\n%s)\n%s(rule", file.indent_string(), file.indent_string());
    file.adjust_indent(+1);

    // Each rule is an option in mils with one decimal; the level stays put until the close.
    const char* indent = file.indent_string();
    const double width = options.default_trace_width * 1000;
    const double trace_trace = options.drc_trace_trace * 1000;
    const double pad_trace = options.drc_pad_trace * 1000;
    const double copper_copper = options.drc_copper_copper * 1000;
    const double pad_pad = options.drc_pad_pad * 1000;
    const double edge = options.drc_board_edge_copper * 1000;
    std::fprintf(out, "\n%s(width %1.1f)", indent, width);
    std::fprintf(out, "\n%s(clear %1.1f)", indent, trace_trace);
    std::fprintf(out, "\n%s(clear %1.1f (type pad_to_turn_gap))", indent, pad_trace);
    std::fprintf(out, "\n%s(clear %1.1f (type smd_to_turn_gap))", indent, pad_trace);
    std::fprintf(out, "\n%s(clear %1.1f (type default_area))", indent, copper_copper);
    std::fprintf(out, "\n%s(clear %1.1f (type via_via))", indent, pad_pad);
    std::fprintf(out, "\n%s(clear %1.1f (type via_smd))", indent, pad_pad);
    std::fprintf(out, "\n%s(clear %1.1f (type via_pin))", indent, pad_pad);
    std::fprintf(out, "\n%s(clear %1.1f (type pin_pin))", indent, pad_pad);
    std::fprintf(out, "\n%s(clear %1.1f (type smd_pin))", indent, pad_pad);
    std::fprintf(out, "\n%s(clear %1.1f (type smd_smd))", indent, pad_pad);
    std::fprintf(out, "\n%s(clear %1.1f (type default_Outlines))", indent, edge);
    std::fprintf(out, "\n%s(clear %1.1f (type area_Outlines))", indent, edge);
    std::fprintf(out, "\n%s(clear %1.1f (type via_Outlines))", indent, edge);
    std::fprintf(out, "\n%s(clear %1.1f (type smd_Outlines))", indent, edge);
    std::fprintf(out, "\n%s(clear %1.1f (type pin_Outlines))", indent, edge);
    std::fprintf(out, "\n%s(clear 0.00 (type Outlines_Outlines))", indent);
    file.close_record();
}

void write_layers(DesignFile& file, const Board& board) {
    std::FILE* out = file.stream();
    const auto n = static_cast<std::uint32_t>(board.copper_layers.size());
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t layer = dsn_layer_index_to_layer(i, n);
        const CopperLayerInfo& info = board.copper_layers[layer - top_copper_layer];
        std::fprintf(out, "\n%s(layer %s", file.indent_string(), layer_name(layer).c_str());
        file.adjust_indent(+1);
        const bool power = info.is_plane != 0;
        std::fprintf(out, "\n%s(type %s)", file.indent_string(), power ? "power" : "signal");
        if (power) {
            file.open_record("(use_net");
            for (const LayerNet& net : info.layer_nets) {
                std::fprintf(out, "\n%s\"%s\"", file.indent_string(), net.net_name.c_str());
            }
            file.close_record();
        } else {
            std::fprintf(out, "\n%s(direction %s)", file.indent_string(),
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
        const std::string layer = keepout.layer == 0 ? std::string("signal") : layer_name(keepout.layer);
        std::fprintf(file.stream(), "\n%s(%skeepout", file.indent_string(), keepout.via_only != 0 ? "via_" : "");
        file.adjust_indent(+1);
        write_polygon_with_windows(file, keepout.points, layer.c_str());
        file.close_record();
    }
}

}  // namespace

void write_structure(DesignFile& file, const Board& board, const RunSettings& settings) {
    file.expect_level(1, 40222, "structure start indent level");
    file.open_record("(structure");
    write_boundary(file, board, settings);
    write_snap_angle(file, board);
    write_via_list(file, board);
    write_rules(file, board);
    write_layers(file, board);
    write_planes(file, board);
    write_keepouts(file, board);
    file.close_record();
    file.expect_level(1, 40529, "structure end indent level");
}

}  // namespace tarnwick
