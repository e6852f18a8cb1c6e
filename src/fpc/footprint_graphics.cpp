#include "fpc/footprint_graphics.h"

#include <cstdio>
#include <cstring>

#include "board/units.h"
#include "core/errors.h"
#include "fpc/board_numbers.h"

namespace tarnwick {

namespace {

constexpr const char* graphics_keys[] = {"sel_rect:", "ref_text:", "value_text:",     "centroid:",
                                         "adhesive:", "text:",     "outline_polyline:"};

// The values of a record start right after its key.
const char* after_key(const char* text, const char* key) { return text + std::strlen(key); }

void read_sel_rect(const char* values, Footprint& footprint, double scale) {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    const int got = scan_board_record("sel_rect:", scale, values, "%lf %lf %lf %lf", &x1, &y1, &x2, &y2);
    if (got < 4) {
        const std::uint32_t missing = missing_values(4, got);
        fatal_error(15196, strformat("%s sel_rect record missing %u parameter%s", footprint.name.c_str(), missing,
                                     plural_s(missing)));
    }
    // Checked in file units, before scaling; an empty width or height is allowed.
    if (x2 < x1 || y2 < y1) {
        fatal_error(15203, strformat("%s: invalid sel_rect values: min > max", footprint.name.c_str()));
    }
    footprint.sel_rect = {x1 * scale, y1 * scale, x2 * scale, y2 * scale};
}

// ref_text: and value_text: share their layout: height, x, y, angle and stroke width. Returns
// the number of values read.
int scan_text_placement(const char* record, const char* values, double scale, TextPlacement& text) {
    TextPlacement read;
    const int got = scan_board_record(record, scale, values, "%lf %lf %lf %u %lf", &read.height, &read.x, &read.y,
                                      &read.angle, &read.stroke_width);
    text = {read.height * scale, read.stroke_width * scale, convert_angle(read.angle), read.x * scale, read.y * scale};
    return got;
}

void read_ref_text(const char* values, Footprint& footprint, double scale) {
    TextPlacement text;
    const int got = scan_text_placement("ref_text:", values, scale, text);
    if (got < 5) {
        const std::uint32_t missing = missing_values(5, got);
        fatal_error(15225, strformat("%s ref_text record missing %u parameter%s", footprint.name.c_str(), missing,
                                     plural_s(missing)));
    }
    footprint.ref_text = text;
}

void read_value_text(const char* values, Footprint& footprint, double scale) {
    TextPlacement text;
    if (scan_text_placement("value_text:", values, scale, text) < 5) fatal_error(15247, "bad footprint value record");
    footprint.value_text = text;
    footprint.graphics_flags |= graphics_value_text;
}

void read_centroid(const char* values, Footprint& footprint, double scale) {
    unsigned type = 0, angle = 0;
    double x = 0, y = 0;
    const int got = scan_board_record("centroid:", scale, values, "%u %lf %lf %u", &type, &x, &y, &angle);
    if (got < 3) fatal_error(15271, "bad footprint centroid record");
    // A second centroid replaces the first whole, its angle included.
    footprint.centroid_type = type;
    footprint.centroid_x = x * scale;
    footprint.centroid_y = y * scale;
    footprint.graphics_flags |= graphics_centroid;
    if (got == 4) {
        footprint.centroid_angle = angle;  // kept as the file gives it
        footprint.graphics_flags |= graphics_centroid_angle;
    } else {
        footprint.centroid_angle = 0;
        footprint.graphics_flags &= ~graphics_centroid_angle;
    }
}

void read_adhesive(const char* values, Footprint& footprint, double scale) {
    Adhesive dot;
    if (scan_board_record("adhesive:", scale, values, "%u %lf %lf %lf", &dot.kind, &dot.width, &dot.x, &dot.y) < 4) {
        fatal_error(15306, "bad footprint adhesive record");
    }
    dot.width *= scale;
    dot.x *= scale;
    dot.y *= scale;
    footprint.adhesives.push_back(dot);
    ++footprint.adhesive_count;
}

void read_text(const char* text, Footprint& footprint, double scale, BoardStats& stats) {
    FootprintText item;
    extract_quoted(item.text, text, 256);
    const char* last_quote = std::strrchr(text, '"');
    if (last_quote == nullptr) {
        fatal_error(15335, strformat("%s: bad footprint text record: no quoted text", footprint.name.c_str()));
    }
    unsigned angle = 0;
    const int got = scan_board_record("text:", scale, last_quote + 1, "%lf %lf %lf %u %lf %u %u", &item.height, &item.x,
                                      &item.y, &angle, &item.stroke_width, &item.mirror, &item.layer);
    if (got < 7) {
        const std::uint32_t missing = missing_values(7, got);
        fatal_error(15346, strformat("%s: text record missing %u parameter%s", footprint.name.c_str(), missing,
                                     plural_s(missing)));
    }
    item.height *= scale;
    item.x *= scale;
    item.y *= scale;
    item.stroke_width *= scale;
    item.angle = convert_angle(angle);
    stats.footprint_text_characters += static_cast<std::uint32_t>(item.text.size());
    ++stats.footprint_texts;
    footprint.texts.push_back(std::move(item));
    ++footprint.text_count;
}

// Counts the corner lines that follow a polyline header: next_corner and close_polyline lines,
// up to the first other line. Returns to where it started.
std::uint32_t count_polyline_corners(LineReader& reader, const Footprint& footprint, bool& closed) {
    const LineReader::Mark start = reader.mark();
    std::uint32_t count = 0;
    for (;;) {
        const char* line = reader.next_line();
        if (line == nullptr) {
            fatal_error(15529, strformat("%s: premature EOF in footprint poly", footprint.name.c_str()));
        }
        const char* text = skip_blanks(line);
        if (starts_with(text, "close_polyline")) {
            closed = true;
        } else if (!starts_with(text, "next_corner")) {
            break;
        }
        ++count;
    }
    if (count == 0) {
        fatal_error(15515, strformat("%s polyline %u is degenerate", footprint.name.c_str(),
                                     footprint.polyline_count + 1));
    }
    reader.seek(start);
    return count;
}

void read_outline_polyline(LineReader& reader, const char* values, Footprint& footprint, double scale) {
    FootprintPolyline polyline;
    if (const PolylineTraits* traits = reader.rules().polyline_at(reader.line_number())) {
        polyline.copper = traits->copper;
        polyline.drawn = traits->drawn;
    }
    const int got = scan_board_record("outline_polyline:", scale, values, "%lf %lf %lf", &polyline.width, &polyline.x, &polyline.y);
    if (got < 3) {
        const std::uint32_t missing = missing_values(3, got);
        fatal_error(15485, strformat("%s: polyline header missing %u parameter%s", footprint.name.c_str(), missing,
                                     plural_s(missing)));
    }
    polyline.width *= scale;
    polyline.x *= scale;
    polyline.y *= scale;

    bool closed = false;
    const std::uint32_t count = count_polyline_corners(reader, footprint, closed);
    polyline.corners.reserve(count);  // counted lines of the file, not a number read from it
    const char* name = footprint.name.c_str();
    for (std::uint32_t i = 0; i < count; ++i) {
        const char* line = reader.next_line();
        if (line == nullptr) fatal_error(15547, strformat("%s: premature EOF reading footprint poly", name));
        const char* text = skip_blanks(line);
        if (starts_with(text, "next_corner:")) {
            PolylineCorner corner;
            unsigned style = 0;
            const int found = scan_board_record("next_corner:", scale, after_key(text, "next_corner:"), "%lf %lf %u", &corner.x, &corner.y, &style);
            if (found < 3) {
                const std::uint32_t missing = missing_values(3, found);
                fatal_error(15561,
                            strformat("%s: next_corner record missing %u parameter%s", name, missing, plural_s(missing)));
            }
            corner.x *= scale;
            corner.y *= scale;
            corner.style = style;
            polyline.corners.push_back(corner);
        } else if (starts_with(text, "close_polyline:") && i == count - 1) {
            unsigned style = 0;
            if (std::sscanf(after_key(text, "close_polyline:"), "%u", &style) != 1) {
                fatal_error(15577, strformat("%s: close_polyline record missing 1 parameter", name));
            }
            polyline.close_style = style;
        } else {
            fatal_error(15585, strformat("%s: footprint poly scan", name));
        }
    }
    // A close_polyline line can only have been the last one read, so the corners read are the
    // next_corner records.
    polyline.closed = closed ? 1 : 0;
    polyline.corner_count = static_cast<std::uint32_t>(polyline.corners.size());
    footprint.polylines.push_back(std::move(polyline));
    ++footprint.polyline_count;
}

}  // namespace

std::uint32_t missing_values(int wanted, int scanned) {
    return static_cast<std::uint32_t>(wanted - (scanned > 0 ? scanned : 0));
}

const char* plural_s(std::uint32_t count) { return count == 1 ? "" : "s"; }

const char* footprint_graphics_key(const char* text) {
    for (const char* key : graphics_keys) {
        if (starts_with(text, key)) return key;
    }
    return nullptr;
}

void read_footprint_graphics(LineReader& reader, const char* text, Footprint& footprint, double scale,
                             BoardStats& stats) {
    const char* key = footprint_graphics_key(text);
    if (key == nullptr) return;
    const char* values = after_key(text, key);
    if (key == graphics_keys[0]) {
        read_sel_rect(values, footprint, scale);
    } else if (key == graphics_keys[1]) {
        read_ref_text(values, footprint, scale);
    } else if (key == graphics_keys[2]) {
        read_value_text(values, footprint, scale);
    } else if (key == graphics_keys[3]) {
        read_centroid(values, footprint, scale);
    } else if (key == graphics_keys[4]) {
        read_adhesive(values, footprint, scale);
    } else if (key == graphics_keys[5]) {
        read_text(text, footprint, scale, stats);
    } else {
        read_outline_polyline(reader, values, footprint, scale);
    }
}

}  // namespace tarnwick
