#include "dsn/library.h"

#include <cmath>
#include <string>

#include "board/pads.h"
#include "board/units.h"
#include "core/errors.h"
#include "dsn/structure.h"

namespace tarnwick {

namespace {

void open_polygon_shape(DesignFile& file, const char* layer) {
    file.open_record("(shape");
    std::fprintf(file.stream(), "\n%s(polygon %s 0", file.indent_string(), layer);
    file.adjust_indent(+1);
}

void close_polygon_shape(DesignFile& file) {
    file.close_record();
    file.close_record();
}

}  // namespace

void write_corner_arc(DesignFile& file, double cx, double cy, double r, double a0, double a1) {
    const double tangent = r * std::tan(5.0 * deg_to_rad);
    const double radius = std::sqrt(tangent * tangent + r * r);
    for (double angle = a0 + 5; angle < a1; angle += 10) {
        const double radians = angle * deg_to_rad;
        std::fprintf(file.stream(), "\n%s%1.2lf  %1.2lf", file.indent_string(),
                     (cx + radius * std::cos(radians)) * inch_to_mil, (cy + radius * std::sin(radians)) * inch_to_mil);
    }
}

void write_padstack_shape(DesignFile& file, const std::string& name, const Padstack& padstack, std::uint32_t selector) {
    const PadstackLayer* dimensions = &padstack.top;
    std::uint32_t shape = padstack.top_shape;
    std::string layer;
    if (selector == shape_on_all_layers) {
        layer = "signal";
    } else if (selector == shape_on_top) {
        layer = layer_name(top_copper_layer);
    } else if (selector == shape_on_bottom) {
        dimensions = &padstack.bottom;
        shape = padstack.bottom_shape;
        layer = layer_name(bottom_copper_layer);
    } else {
        dimensions = &padstack.inner;
        shape = padstack.inner_shape;
        layer = layer_name(inner_copper_layer(selector - shape_on_first_inner + 1));
    }
    const double w = dimensions->wide;
    const double h = dimensions->high;
    const double r = dimensions->radius;
    const char* l = layer.c_str();

    switch (shape) {
        case pad_shape_circle:
            std::fprintf(file.stream(), "\n%s(shape (circle %s %1.2lf))", file.indent_string(), l, w * inch_to_mil);
            return;
        case pad_shape_square:
        case pad_shape_rectangle:
            std::fprintf(file.stream(), "\n%s(shape (rect %s %1.2lf %1.2lf %1.2lf %1.2lf))", file.indent_string(), l,
                         -w / 2 * inch_to_mil, -h / 2 * inch_to_mil, w / 2 * inch_to_mil, h / 2 * inch_to_mil);
            return;
        case pad_shape_rounded_rectangle:
            open_polygon_shape(file, l);
            write_corner_arc(file, w / 2 - r, -h / 2 + r, r, 270, 360);
            write_corner_arc(file, w / 2 - r, h / 2 - r, r, 0, 90);
            write_corner_arc(file, -w / 2 + r, h / 2 - r, r, 90, 180);
            write_corner_arc(file, -w / 2 + r, -h / 2 + r, r, 180, 270);
            close_polygon_shape(file);
            return;
        case pad_shape_oval:
            open_polygon_shape(file, l);
            if (w < h) {
                write_corner_arc(file, 0, h / 2 - w / 2, w / 2, 0, 180);
                write_corner_arc(file, 0, -h / 2 + w / 2, w / 2, 180, 360);
            } else {
                write_corner_arc(file, w / 2 - h / 2, 0, h / 2, -90, 90);
                write_corner_arc(file, -w / 2 + h / 2, 0, h / 2, 90, 270);
            }
            close_polygon_shape(file);
            return;
        case pad_shape_octagon: {
            open_polygon_shape(file, l);
            const double radius = w / 2 * octagon_corner_factor;
            for (double angle = 22.5; angle < 360; angle += 45) {
                const double radians = angle * deg_to_rad;
                std::fprintf(file.stream(), "\n%s%1.2lf %1.2lf", file.indent_string(), radius * std::cos(radians) * inch_to_mil,
                             radius * std::sin(radians) * inch_to_mil);
            }
            close_polygon_shape(file);
            return;
        }
        default:
            fatal_error(40760, strformat("invalid %s pad shape in %s", l, name.c_str()));
    }
}

namespace {

// The dimensions a shape uses, compared exactly: they were rounded alike when the padstack
// was made.
bool same_pad(std::uint32_t shape, const PadstackLayer& a, const PadstackLayer& b) {
    switch (shape) {
        case pad_shape_circle:
        case pad_shape_octagon:
            return a.wide == b.wide;
        case pad_shape_square:
        case pad_shape_rectangle:
        case pad_shape_oval:
            return a.wide == b.wide && a.high == b.high;
        case pad_shape_rounded_rectangle:
            return a.wide == b.wide && a.high == b.high && a.radius == b.radius;
        default:
            return true;
    }
}

bool same_on_all_layers(const Padstack& padstack, std::uint32_t copper_layers) {
    const std::uint32_t shape = padstack.top_shape;
    if (shape != padstack.bottom_shape || !same_pad(shape, padstack.top, padstack.bottom)) return false;
    if (copper_layers >= 3 && (shape != padstack.inner_shape || !same_pad(shape, padstack.top, padstack.inner))) {
        return false;
    }
    return true;
}

}  // namespace

namespace {

// Which of the padstack's pads are written: a pin's pad of no size is no copper and is left
// out, and so is the inner pad of a pin without a hole, which no inner layer could reach (a
// surface pad's padstack has one shape, on top or bottom). A via's padstack is written as it
// is, since the rules name every via padstack.
struct WrittenPads {
    bool top;
    bool inner;
    bool bottom;
};

WrittenPads written_pads(const Padstack& padstack) {
    if (padstack.is_via != 0) {
        return {padstack.top_shape != pad_shape_none, padstack.inner_shape != pad_shape_none,
                padstack.bottom_shape != pad_shape_none};
    }
    return {has_top_copper(padstack), padstack.hole != 0 && has_inner_copper(padstack), has_bottom_copper(padstack)};
}

bool writes_any_pad(const Padstack& padstack, std::uint32_t copper_layers) {
    const WrittenPads pads = written_pads(padstack);
    return pads.top || pads.bottom || (pads.inner && (padstack.is_via != 0 || copper_layers > 2));
}

}  // namespace

bool is_image_pin(const Board& board, const FootprintPin& pin) {
    // A pin without any pad is only a hole: it appears as a keepout and a hole outline.
    if (!has_pad(pin)) return false;
    if (pin.padstack >= board.padstacks.size()) return true;
    return writes_any_pad(board.padstacks[pin.padstack], static_cast<std::uint32_t>(board.copper_layers.size()));
}

void write_padstack(DesignFile& file, const std::string& name, const Padstack& padstack, std::uint32_t copper_layers) {
    std::fprintf(file.stream(), "\n%s(padstack %s", file.indent_string(), name.c_str());
    file.adjust_indent(+1);
    const WrittenPads pads = written_pads(padstack);
    if (padstack.hole == 0) {
        write_padstack_shape(file, name, padstack, pads.top ? shape_on_top : shape_on_bottom);
    } else if (same_on_all_layers(padstack, copper_layers)) {
        write_padstack_shape(file, name, padstack, shape_on_all_layers);
    } else {
        if (pads.top) write_padstack_shape(file, name, padstack, shape_on_top);
        if (pads.inner && copper_layers > 2) {
            for (std::uint32_t k = shape_on_first_inner; k <= copper_layers; ++k) {
                write_padstack_shape(file, name, padstack, k);
            }
        }
        if (pads.bottom) write_padstack_shape(file, name, padstack, shape_on_bottom);
    }
    file.close_record();
}

namespace {

void write_image_pins(DesignFile& file, const Board& board, const Footprint& footprint) {
    for (const FootprintPin& pin : footprint.pins) {
        if (!is_image_pin(board, pin)) continue;
        const std::string padstack = pin.padstack < board.padstacks.size() ? padstack_name(board, pin.padstack) : "";
        std::fprintf(file.stream(), "\n%s(pin %s (rotate %u) \"%s\" %1.2lf %1.2lf)", file.indent_string(), padstack.c_str(),
                     pin.angle, pin.name.c_str(), pin.x * inch_to_mil, pin.y * inch_to_mil);
    }
}

// A polyline of the footprint on a copper layer (an antenna, a heat-sink area) is copper that
// every other net keeps clear of: a keepout of the image on its layer, the inner layers each for
// an inner one. A closed polyline keeps out its area, an open one its line at its width.
void write_copper_polylines(DesignFile& file, const Board& board, const Footprint& footprint) {
    const auto copper_layers = static_cast<std::uint32_t>(board.copper_layers.size());
    for (const FootprintPolyline& polyline : footprint.polylines) {
        if (polyline.copper == PolylineCopper::none) continue;
        std::vector<std::string> layers;
        if (polyline.copper == PolylineCopper::top) {
            layers.push_back(layer_name(top_copper_layer));
        } else if (polyline.copper == PolylineCopper::bottom) {
            layers.push_back(layer_name(bottom_copper_layer));
        } else {
            for (std::uint32_t k = 1; k + 2 <= copper_layers; ++k) layers.push_back(layer_name(inner_copper_layer(k)));
        }
        for (const std::string& layer : layers) {
            file.open_record("(keepout");
            if (polyline.closed != 0) {
                file.open_record(strformat("(polygon %s 0", layer.c_str()).c_str());
            } else {
                file.open_record(strformat("(path %s %1.2lf", layer.c_str(), polyline.width * inch_to_mil).c_str());
            }
            double x = polyline.x;
            double y = polyline.y;
            file.write_point(x * inch_to_mil, y * inch_to_mil);
            for (const PolylineCorner& corner : polyline.corners) {
                if (corner.style != 0) write_arc_points(file, x, y, corner.x, corner.y, corner.style);
                file.write_point(corner.x * inch_to_mil, corner.y * inch_to_mil);
                x = corner.x;
                y = corner.y;
            }
            if (polyline.closed != 0 && polyline.close_style != 0) {
                write_arc_points(file, x, y, polyline.x, polyline.y, polyline.close_style);
            }
            file.close_record();
            file.close_record();
        }
    }
}

void write_image_keepouts(DesignFile& file, const Footprint& footprint) {
    for (const CircleKeepout& keepout : footprint.keepouts) {
        const double d = keepout.diameter * inch_to_mil;
        const double x = keepout.x * inch_to_mil;
        const double y = keepout.y * inch_to_mil;
        if (keepout.layer < 0) continue;
        const auto layer = static_cast<std::uint32_t>(keepout.layer);
        const std::string name = layer == all_copper_layers ? std::string("signal") : layer_name(layer);
        if (name.empty()) continue;  // below the copper layers
        std::fprintf(file.stream(), "\n%s(keepout (circle %s %1.2lf %1.2lf %1.2lf))", file.indent_string(), name.c_str(), d, x, y);
    }
}

// An arc edge of a footprint outline; one that cannot be drawn stays straight and is named on
// the console.
void write_outline_arc(DesignFile& file, const Footprint& footprint, const FootprintPolyline& polyline,
                       std::uint32_t number, std::uint32_t segment, double x1, double y1, double x2, double y2,
                       std::uint32_t style) {
    if (write_arc_points(file, x1, y1, x2, y2, style) == 0) {
        std::fprintf(console(), "\"%s\" poly%s %u segment %u style = %u\n", footprint.name.c_str(),
                     polyline.closed != 0 ? "gon" : "line", number, segment, style);
    }
}

void write_image_outlines(DesignFile& file, const Footprint& footprint) {
    file.open_record("(outline");
    std::fprintf(file.stream(), "\n%s(rect signal %1.2lf %1.2lf %1.2lf %1.2lf)", file.indent_string(),
                 footprint.sel_rect.min_x * inch_to_mil, footprint.sel_rect.min_y * inch_to_mil,
                 footprint.sel_rect.max_x * inch_to_mil, footprint.sel_rect.max_y * inch_to_mil);
    file.close_record();

    std::uint32_t number = 0;
    for (const FootprintPolyline& polyline : footprint.polylines) {
        ++number;
        if (!polyline.drawn) continue;
        // The router closes every outline path into a polygon, and an open line of three or more
        // corners closed that way may cross itself. Each side of an open line is therefore a path
        // of its own: the drawing stays the same and there is nothing to close.
        const bool one_path_per_side = polyline.closed == 0 && !polyline.corners.empty();
        const auto open_outline = [&](double x, double y) {
            file.open_record("(outline");
            file.open_record(polyline.closed != 0 ? "(polygon signal 0" : "(path signal 0");
            std::fprintf(file.stream(), "\n%s%1.2lf  %1.2lf", file.indent_string(), x * inch_to_mil, y * inch_to_mil);
        };
        const auto close_outline = [&]() {
            file.close_record();
            file.close_record();
        };
        if (!one_path_per_side) open_outline(polyline.x, polyline.y);
        double x = polyline.x;
        double y = polyline.y;
        const auto corners = static_cast<std::uint32_t>(polyline.corners.size());
        for (std::uint32_t k = 1; k <= corners; ++k) {
            const PolylineCorner& corner = polyline.corners[k - 1];
            if (one_path_per_side) open_outline(x, y);
            if (corner.style != 0)
                write_outline_arc(file, footprint, polyline, number, k, x, y, corner.x, corner.y, corner.style);
            std::fprintf(file.stream(), "\n%s%1.2lf  %1.2lf", file.indent_string(), corner.x * inch_to_mil, corner.y * inch_to_mil);
            if (one_path_per_side) close_outline();
            x = corner.x;
            y = corner.y;
        }
        if (polyline.closed != 0 && polyline.close_style != 0) {
            write_outline_arc(file, footprint, polyline, number, corners + 1, x, y, polyline.x, polyline.y,
                              polyline.close_style);
        }
        if (!one_path_per_side) close_outline();
    }

    for (const FootprintPin& pin : footprint.pins) {
        if (pin.hole <= 0) continue;
        file.open_record("(outline");
        std::fprintf(file.stream(), "\n%s(circle  signal %1.2lf %1.2lf %1.2lf)", file.indent_string(), pin.hole * inch_to_mil,
                     pin.x * inch_to_mil, pin.y * inch_to_mil);
        file.close_record();
    }
}

void write_image(DesignFile& file, const Board& board, const Footprint& footprint) {
    std::fprintf(file.stream(), "\n%s(image \"%s\"", file.indent_string(), footprint.name.c_str());
    file.adjust_indent(+1);
    std::fprintf(file.stream(), "\n%s(side front)", file.indent_string());
    write_image_pins(file, board, footprint);
    write_image_keepouts(file, footprint);
    write_copper_polylines(file, board, footprint);
    write_image_outlines(file, footprint);
    file.close_record();
}

// One console line counts the footprint pins with neither pad nor hole (fiducials, alignment
// marks; a pad of no size is none) and names the first few: they carry no copper, so the
// images leave them out.
void warn_pins_without_copper(const Board& board) {
    NameList names;
    for (const Footprint& footprint : board.footprints) {
        for (const FootprintPin& pin : footprint.pins) {
            if (pin.hole == 0 && !is_image_pin(board, pin)) {
                names.add(strformat("%s.%s", footprint.name.c_str(), pin.name.c_str()));
            }
        }
    }
    warn_left_out(names, "footprint pin", "without pad or hole");
}

}  // namespace

void write_library(DesignFile& file, const Board& board) {
    file.expect_level(1, 40779, "library start indent level");
    warn_pins_without_copper(board);
    file.open_record("(library");
    for (const Footprint& footprint : board.footprints) write_image(file, board, footprint);
    const auto copper_layers = static_cast<std::uint32_t>(board.copper_layers.size());
    for (std::uint32_t i = 0; i < board.padstacks.size(); ++i) {
        const Padstack& padstack = board.padstacks[i];
        // A bare hole's padstack is never named by a pin (the hole becomes a keepout); its
        // stand-in inner ring would otherwise be written as a pad of no shape. Nor is a padstack
        // whose pads all have no size.
        if (writes_any_pad(padstack, copper_layers) && padstack.bare_hole == 0) {
            write_padstack(file, padstack_name(board, i), padstack, copper_layers);
        }
    }
    file.close_record();
    file.expect_level(1, 41079, "library end indent level");
}

}  // namespace tarnwick
