#pragma once
// The shapes of the picture, placed in board inches and written in mils with y turned up, as the
// board has it. A canvas without a file only measures: the picture is drawn twice, once to learn
// the extent its frame must show, then into the file.

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "picture/picture_file.h"

namespace tarnwick {

// A bounding box in board inches.
struct Box {
    double min_x = std::numeric_limits<double>::infinity();
    double min_y = std::numeric_limits<double>::infinity();
    double max_x = -std::numeric_limits<double>::infinity();
    double max_y = -std::numeric_limits<double>::infinity();

    bool empty() const { return !(min_x <= max_x && min_y <= max_y); }
    void add(double x, double y);
    void add(const Box& other);
    // The point and everything within `reach` of it.
    void add_around(double x, double y, double reach);
};

class Canvas {
public:
    // Writes into `file`, or only measures when it is null.
    explicit Canvas(PictureFile* file) : file_(file) {}

    bool measuring() const { return file_ == nullptr; }
    const Box& box() const { return box_; }
    // Only while writing.
    PictureFile& file() { return *file_; }

    // "<g" and the attributes (each with its leading blank), ">"; and its close.
    void open_group(std::string_view attributes);
    void close_group();

    // A circle of the diameter; a rectangle of wide by high (along the shape's own x and y)
    // centred on (x, y), its corners rounded by `corner` and the whole turned counter-clockwise
    // by `angle` degrees; an octagon of the width, turned alike.
    void circle(double x, double y, double diameter);
    void rectangle(double x, double y, double wide, double high, double corner, std::uint32_t angle);
    void octagon(double x, double y, double width, std::uint32_t angle);
    // A straight stroke; a width of 0 leaves the stroke width to the group.
    void line(double x1, double y1, double x2, double y2, double width);

    // A path: its attributes (and its stroke width, unless 0), then its pieces, then end_path().
    void begin_path(std::string_view attributes, double stroke_width = 0);
    void move_to(double x, double y);
    void line_to(double x, double y);
    // A quarter of an ellipse to (x, y) whose axes are rx along the direction `angle` degrees
    // counter-clockwise from the board's x axis, and ry across it; counter-clockwise or not.
    void arc_to(double x, double y, double rx, double ry, std::uint32_t angle, bool counter_clockwise);
    void close_subpath();
    void end_path();

    // A text of the board, its baseline from (x, y) at `angle` degrees counter-clockwise, `height`
    // tall; with `ends_at_point` the text ends at (x, y) rather than starting there.
    void text(double x, double y, double height, std::uint32_t angle, std::string_view text, bool ends_at_point);

private:
    void x(double inches);
    void y(double inches);
    void point(double x, double y);  // "x,y"

    PictureFile* file_;
    Box box_;
};

// A length in inches as the picture writes it: mils in its number format.
std::string picture_length(double inches);

}  // namespace tarnwick
