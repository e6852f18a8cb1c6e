#include "picture/canvas.h"

#include <algorithm>
#include <cmath>

#include "board/footprint.h"
#include "board/units.h"
#include "core/settings.h"

namespace tarnwick {

void Box::add(double x, double y) {
    min_x = std::min(min_x, x);
    min_y = std::min(min_y, y);
    max_x = std::max(max_x, x);
    max_y = std::max(max_y, y);
}

void Box::add(const Box& other) {
    if (other.empty()) return;
    add(other.min_x, other.min_y);
    add(other.max_x, other.max_y);
}

void Box::add_around(double x, double y, double reach) {
    const double r = std::fabs(reach);
    add(x - r, y - r);
    add(x + r, y + r);
}

std::string picture_length(double inches) { return picture_number(inches * inch_to_mil); }

void Canvas::x(double inches) { file_->number(inches * inch_to_mil); }

// The picture's y runs down the page, the board's up it.
void Canvas::y(double inches) { file_->number(-inches * inch_to_mil); }

void Canvas::point(double px, double py) {
    x(px);
    file_->raw(",");
    y(py);
}

void Canvas::open_group(std::string_view attributes) {
    if (measuring()) return;
    file_->raw("<g");
    file_->raw(attributes);
    file_->raw(">\n");
}

void Canvas::close_group() {
    if (!measuring()) file_->raw("</g>\n");
}

void Canvas::circle(double cx, double cy, double diameter) {
    if (measuring()) {
        box_.add_around(cx, cy, diameter / 2);
        return;
    }
    file_->raw("<circle cx=\"");
    x(cx);
    file_->raw("\" cy=\"");
    y(cy);
    file_->raw("\" r=\"");
    x(diameter / 2);
    file_->raw("\"/>\n");
}

void Canvas::rectangle(double cx, double cy, double wide, double high, double corner, std::uint32_t angle) {
    angle %= 360;
    // At right angles the rectangle stays one of the picture's own; otherwise it is turned.
    const bool turned = angle % 90 != 0;
    if (angle % 180 == 90) std::swap(wide, high);
    if (measuring()) {
        if (turned) {
            box_.add_around(cx, cy, std::hypot(wide, high) / 2);
        } else {
            box_.add(cx - wide / 2, cy - high / 2);
            box_.add(cx + wide / 2, cy + high / 2);
        }
        return;
    }
    file_->raw("<rect x=\"");
    x(cx - wide / 2);
    file_->raw("\" y=\"");
    y(cy + high / 2);
    file_->raw("\" width=\"");
    x(wide);
    file_->raw("\" height=\"");
    x(high);
    if (corner > 0) {
        file_->raw("\" rx=\"");
        x(corner);
    }
    if (turned) {
        file_->raw("\" transform=\"rotate(");
        file_->number(-static_cast<double>(angle));
        file_->raw(" ");
        x(cx);
        file_->raw(" ");
        y(cy);
        file_->raw(")");
    }
    file_->raw("\"/>\n");
}

void Canvas::octagon(double cx, double cy, double width, std::uint32_t angle) {
    const double radius = width / 2 * octagon_corner_factor;
    if (measuring()) {
        box_.add_around(cx, cy, radius);
        return;
    }
    file_->raw("<polygon points=\"");
    for (int k = 0; k < 8; ++k) {
        const double radians = (22.5 + 45.0 * k + angle % 360) * deg_to_rad;
        if (k != 0) file_->raw(" ");
        point(cx + radius * std::cos(radians), cy + radius * std::sin(radians));
    }
    file_->raw("\"/>\n");
}

void Canvas::line(double x1, double y1, double x2, double y2, double width) {
    if (measuring()) {
        box_.add_around(x1, y1, width / 2);
        box_.add_around(x2, y2, width / 2);
        return;
    }
    file_->raw("<line x1=\"");
    x(x1);
    file_->raw("\" y1=\"");
    y(y1);
    file_->raw("\" x2=\"");
    x(x2);
    file_->raw("\" y2=\"");
    y(y2);
    if (width > 0) {
        file_->raw("\" stroke-width=\"");
        x(width);
    }
    file_->raw("\"/>\n");
}

void Canvas::begin_path(std::string_view attributes, double stroke_width) {
    if (measuring()) return;
    file_->raw("<path");
    file_->raw(attributes);
    if (stroke_width > 0) {
        file_->raw(" stroke-width=\"");
        x(stroke_width);
        file_->raw("\"");
    }
    file_->raw(" d=\"");
}

void Canvas::move_to(double px, double py) {
    if (measuring()) {
        box_.add(px, py);
        return;
    }
    file_->raw("M");
    x(px);
    file_->raw(" ");
    y(py);
}

void Canvas::line_to(double px, double py) {
    if (measuring()) {
        box_.add(px, py);
        return;
    }
    file_->raw("L");
    x(px);
    file_->raw(" ");
    y(py);
}

void Canvas::arc_to(double px, double py, double rx, double ry, std::uint32_t angle, bool counter_clockwise) {
    if (measuring()) {
        // A quarter of an ellipse stays within reach of its end by its larger axis.
        box_.add_around(px, py, std::max(rx, ry));
        return;
    }
    file_->raw("A");
    x(rx);
    file_->raw(" ");
    x(ry);
    file_->raw(" ");
    // The page's angles run clockwise as one looks at it (its y runs down): the axis is turned
    // back, and its sweep flag 1 draws what looks clockwise.
    file_->number(angle % 360 == 0 ? 0.0 : 360.0 - angle % 360);
    file_->raw(counter_clockwise ? " 0 0 " : " 0 1 ");
    x(px);
    file_->raw(" ");
    y(py);
}

void Canvas::close_subpath() {
    if (!measuring()) file_->raw("Z");
}

void Canvas::end_path() {
    if (!measuring()) file_->raw("\"/>\n");
}

void Canvas::text(double px, double py, double height, std::uint32_t angle, std::string_view content, bool ends_at_point) {
    if (measuring()) {
        // Letters are about as wide as six tenths of their height.
        const double length = 0.6 * height * static_cast<double>(content.size());
        const double radians = (angle % 360) * deg_to_rad;
        const double sense = ends_at_point ? -1.0 : 1.0;
        box_.add_around(px, py, height);
        box_.add_around(px + sense * length * std::cos(radians), py + sense * length * std::sin(radians), height);
        return;
    }
    file_->raw("<text x=\"");
    x(px);
    file_->raw("\" y=\"");
    y(py);
    file_->raw("\" font-size=\"");
    x(height);
    if (ends_at_point) file_->raw("\" text-anchor=\"end");
    if (angle % 360 != 0) {
        file_->raw("\" transform=\"rotate(");
        file_->number(-static_cast<double>(angle % 360));
        file_->raw(" ");
        x(px);
        file_->raw(" ");
        y(py);
        file_->raw(")");
    }
    file_->raw("\">");
    file_->escaped(content);
    file_->raw("</text>\n");
}

}  // namespace tarnwick
