#include "fpc_writer/footprint_writer.h"

#include <string>

#include "board/units.h"
#include "core/errors.h"
#include "fpc_writer/lengths.h"

namespace tarnwick {

namespace {

// The footprint's lengths as texts of its own unit.
struct LengthText {
    double per_inch;
    std::string operator()(double inches) const { return format_length(inches * per_inch); }
};

// One pad record: "<key> shape width length1 length2 radius", with the closing piece that the
// caller finishes (an option number for copper pads, or just the line end).
void write_pad_start(std::FILE* out, const char* key, const PadSpec& pad, const LengthText& length) {
    std::fprintf(out, "      %s %u %s ", key, pad.shape, length(pad.width).c_str());
    std::fprintf(out, "%s ", length(pad.length1).c_str());
    std::fprintf(out, "%s ", length(pad.length2).c_str());
    std::fprintf(out, "%s", length(pad.radius).c_str());
}

void write_plain_pad(std::FILE* out, const char* key, const PadSpec& pad, const LengthText& length) {
    write_pad_start(out, key, pad, length);
    std::fprintf(out, "\n");
}

// Top and bottom pads get their option back only when the file gave one and it is not 0.
void write_outer_pad(std::FILE* out, const char* key, const PadSpec& pad, std::uint32_t option,
                     const FootprintPin& pin, const LengthText& length) {
    write_pad_start(out, key, pad, length);
    if ((pin.pad_flags & pad_option_given) != 0 && option > 0) {
        std::fprintf(out, " %u\n", option);
    } else {
        std::fprintf(out, "\n");
    }
}

void write_top_side(std::FILE* out, const FootprintPin& pin, const LengthText& length) {
    write_outer_pad(out, "top_pad:", pin.top_pad, pin.top_option, pin, length);
    if ((pin.pad_flags & pad_top_mask_seen) != 0) write_plain_pad(out, "top_mask:", pin.top_mask, length);
    if ((pin.pad_flags & pad_top_paste_seen) != 0) write_plain_pad(out, "top_paste:", pin.top_paste, length);
}

void write_bottom_side(std::FILE* out, const FootprintPin& pin, const LengthText& length) {
    write_outer_pad(out, "bottom_pad:", pin.bottom_pad, pin.bottom_option, pin, length);
    if ((pin.pad_flags & pad_bottom_mask_seen) != 0) write_plain_pad(out, "bottom_mask:", pin.bottom_mask, length);
    if ((pin.pad_flags & pad_bottom_paste_seen) != 0) write_plain_pad(out, "bottom_paste:", pin.bottom_paste, length);
}

void write_pin(std::FILE* out, const FootprintPin& pin, const LengthText& length) {
    std::fprintf(out, "    pin: \"%s\" %s ", pin.name.c_str(), length(pin.hole).c_str());
    std::fprintf(out, "%s ", length(pin.x).c_str());
    std::fprintf(out, "%s %u\n", length(pin.y).c_str(), convert_angle(pin.angle));

    if (pin.hole != 0) {
        // A drilled pin always has its three copper layers written, the inner one included.
        write_top_side(out, pin, length);
        write_pad_start(out, "inner_pad:", pin.inner_pad, length);
        if ((pin.pad_flags & pad_inner_option_given) != 0) {
            std::fprintf(out, " %u\n", pin.inner_option);
        } else {
            std::fprintf(out, "\n");
        }
        write_bottom_side(out, pin, length);
    } else if (pin.top_pad.shape != pad_shape_none) {
        write_top_side(out, pin, length);
    } else if (pin.bottom_pad.shape != pad_shape_none) {
        write_bottom_side(out, pin, length);
    } else {
        // A pin with neither pad nor hole (a fiducial) is written back with the records it was
        // read with, so that the editor gets it as it was.
        if ((pin.pad_flags & (pad_top_pad_seen | pad_top_mask_seen | pad_top_paste_seen)) != 0) {
            write_top_side(out, pin, length);
        }
        if ((pin.pad_flags & (pad_bottom_pad_seen | pad_bottom_mask_seen | pad_bottom_paste_seen)) != 0) {
            write_bottom_side(out, pin, length);
        }
    }
}

// ref_text: and value_text: records: height, x, y, angle and stroke width.
void write_text_placement(std::FILE* out, const char* key, const TextPlacement& text, const LengthText& length) {
    std::fprintf(out, "  %s %s ", key, length(text.height).c_str());
    std::fprintf(out, "%s ", length(text.x).c_str());
    std::fprintf(out, "%s %u ", length(text.y).c_str(), convert_angle(text.angle));
    std::fprintf(out, "%s\n", length(text.stroke_width).c_str());
}

void write_polyline(std::FILE* out, const FootprintPolyline& polyline, const LengthText& length) {
    std::fprintf(out, "  outline_polyline: %s ", length(polyline.width).c_str());
    std::fprintf(out, "%s ", length(polyline.x).c_str());
    std::fprintf(out, "%s\n", length(polyline.y).c_str());
    for (const PolylineCorner& corner : polyline.corners) {
        std::fprintf(out, "    next_corner: %s ", length(corner.x).c_str());
        std::fprintf(out, "%s %u\n", length(corner.y).c_str(), corner.style);
    }
    if (polyline.closed != 0) std::fprintf(out, "    close_polyline: %u\n", polyline.close_style);
}

}  // namespace

void write_footprint(std::FILE* out, const Footprint& footprint) {
    const KeptRecords none;
    KeptLines kept(out, none);
    write_footprint(out, footprint, kept, 1);
}

void write_footprint(std::FILE* out, const Footprint& footprint, KeptLines& kept, std::uint32_t number) {
    const bool mils = footprint.units == footprint_units_mil;
    const LengthText length{mils ? inch_to_mil : nm_per_inch};
    const auto after = [&](FootprintSlot slot, std::uint32_t ordinal = 0) {
        kept.through({kept_footprints, number, slot, ordinal});
    };

    std::fprintf(out, "\nname: \"%s\"\n", footprint.name.c_str());
    after(footprint_name);
    if (!footprint.author.empty()) std::fprintf(out, "author: \"%s\"\n", footprint.author.c_str());
    after(footprint_author);
    if (!footprint.source.empty()) std::fprintf(out, "source: \"%s\"\n", footprint.source.c_str());
    after(footprint_source);
    if (!footprint.description.empty()) std::fprintf(out, "description: \"%s\"\n", footprint.description.c_str());
    after(footprint_description);
    std::fprintf(out, "  units: %s\n", mils ? "MIL" : "NM");
    after(footprint_units);

    const SelectionRect& rect = footprint.sel_rect;
    std::fprintf(out, "  sel_rect: %s ", length(rect.min_x).c_str());
    std::fprintf(out, "%s ", length(rect.min_y).c_str());
    std::fprintf(out, "%s ", length(rect.max_x).c_str());
    std::fprintf(out, "%s\n", length(rect.max_y).c_str());
    after(footprint_sel_rect);

    write_text_placement(out, "ref_text:", footprint.ref_text, length);
    after(footprint_ref_text);
    if ((footprint.graphics_flags & graphics_value_text) != 0) {
        write_text_placement(out, "value_text:", footprint.value_text, length);
    }
    after(footprint_value_text);
    if ((footprint.graphics_flags & graphics_centroid) != 0) {
        // The centroid angle is kept as the file gave it, and always written.
        std::fprintf(out, "  centroid: %u %s ", footprint.centroid_type, length(footprint.centroid_x).c_str());
        std::fprintf(out, "%s %u\n", length(footprint.centroid_y).c_str(), footprint.centroid_angle);
    }
    after(footprint_centroid);
    std::uint32_t ordinal = 0;
    for (const Adhesive& dot : footprint.adhesives) {
        std::fprintf(out, "  adhesive: %u %s %s %s\n", dot.kind, length(dot.width).c_str(), length(dot.x).c_str(),
                     length(dot.y).c_str());
        after(footprint_adhesive, ordinal++);
    }
    ordinal = 0;
    for (const FootprintText& text : footprint.texts) {
        std::fprintf(out, "  text: \"%s\" %s ", text.text.c_str(), length(text.height).c_str());
        std::fprintf(out, "%s ", length(text.x).c_str());
        std::fprintf(out, "%s %u ", length(text.y).c_str(), convert_angle(text.angle));
        std::fprintf(out, "%s %u %u\n", length(text.stroke_width).c_str(), text.mirror, text.layer);
        after(footprint_text, ordinal++);
    }
    ordinal = 0;
    for (const FootprintPolyline& polyline : footprint.polylines) {
        write_polyline(out, polyline, length);
        after(footprint_polyline, ordinal++);
    }

    // The count of the pins written, so that the file always reads back.
    std::fprintf(out, "  n_pins: %u\n", static_cast<unsigned>(footprint.pins.size()));
    for (const FootprintPin& pin : footprint.pins) write_pin(out, pin, length);
    // After pad records only a blank line keeps a line out of the last pin, as in the file.
    kept.through({kept_footprints, number, footprint_pins, UINT32_MAX},
                 footprint.pins.empty() ? KeptLines::Gap::as_read : KeptLines::Gap::apart);
}

void write_footprints(std::FILE* out, const Board& board, KeptLines& kept) {
    std::fprintf(out, "\n[footprints]\n");
    kept.through({kept_footprints, 0});
    std::uint32_t number = 0;
    for (const Footprint& footprint : board.footprints) write_footprint(out, footprint, kept, ++number);
    kept.through_section(kept_footprints);
}

void write_footprints(std::FILE* out, const Board& board) {
    KeptLines kept(out, board.kept);
    write_footprints(out, board, kept);
}

}  // namespace tarnwick
