#include "fpc/footprints.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "board/units.h"
#include "core/errors.h"
#include "fpc/footprint_graphics.h"
#include "fpc/padstacks.h"
#include "fpc/board_numbers.h"

namespace tarnwick {

namespace {

constexpr std::size_t name_size = 128;  // names hold at most 127 characters
constexpr std::size_t text_size = 256;  // author, source, description: at most 255

// The length scale of the footprint being read; 0 until its units: record.
struct FootprintScale {
    double scale = 0;

    // Lengths read before the units are known would be scaled by guesswork, so such a footprint
    // is refused with the record that carries them.
    double require(const Footprint& footprint, const char* record) const {
        if (scale == 0) {
            fatal_error(15181, strformat("no units: record before %s record in footprint \"%s\"", record,
                                         footprint.name.c_str()));
        }
        return scale;
    }
};

void read_units(const char* text, Footprint& footprint, FootprintScale& scale) {
    if (std::strstr(text, "MIL") != nullptr) {
        footprint.units = footprint_units_mil;
        scale.scale = mil_to_inch;
    } else if (std::strstr(text, "NM") != nullptr) {
        footprint.units = footprint_units_nm;
        scale.scale = nm_to_inch;
    } else {
        fatal_error(15180, strformat("unknown units: [%s] in footprint \"%s\"", text, footprint.name.c_str()));
    }
}

// ---- Pad records -------------------------------------------------------------------------

enum class PadLayer { Top, Inner, Bottom };

struct PadRecord {
    const char* key;
    bool copper;  // a top, inner or bottom pad: up to six values and the size checks
    PadSpec FootprintPin::*pad;
    PadLayer layer;
    std::uint32_t seen_flag;
    int code;             // too few values
    const char* message;  // too few values, for the mask and paste records
};

const PadRecord pad_records[] = {
    {"top_pad:", true, &FootprintPin::top_pad, PadLayer::Top, pad_top_pad_seen, 15705, nullptr},
    {"inner_pad:", true, &FootprintPin::inner_pad, PadLayer::Inner, pad_inner_pad_seen, 15792, nullptr},
    {"bottom_pad:", true, &FootprintPin::bottom_pad, PadLayer::Bottom, pad_bottom_pad_seen, 15854, nullptr},
    {"top_mask:", false, &FootprintPin::top_mask, PadLayer::Top, pad_top_mask_seen, 15923, "bad fp top_sm record"},
    {"top_paste:", false, &FootprintPin::top_paste, PadLayer::Top, pad_top_paste_seen, 15940, "bad fp top_pm record"},
    {"bottom_mask:", false, &FootprintPin::bottom_mask, PadLayer::Bottom, pad_bottom_mask_seen, 15957,
     "bad fp bottom_sm record"},
    {"bottom_paste:", false, &FootprintPin::bottom_paste, PadLayer::Bottom, pad_bottom_paste_seen, 15974,
     "bad fp bottom_pm record"},
};

// The zero-size check of a surface-mount copper pad; shape 0 and unknown shapes pass.
void check_smt_pad_size(const Footprint& footprint, const FootprintPin& pin, const PadSpec& pad, PadLayer layer) {
    const bool top = layer == PadLayer::Top;
    int code = 0;
    if (is_square_like(pad.shape)) {
        if (pad.width == 0) code = top ? 15753 : 15887;
    } else if (pad.shape == pad_shape_rectangle || pad.shape == pad_shape_oval) {
        if (pad.width == 0 || pad.length1 + pad.length2 == 0) code = top ? 15761 : 15896;
    } else if (pad.shape == pad_shape_rounded_rectangle) {
        if (pad.width == 0 || pad.length1 + pad.length2 == 0) code = top ? 15770 : 15905;
    }
    if (code != 0) {
        fatal_error(code, strformat("%s.%s: invalid %s SMT pad size: 0.0", footprint.name.c_str(), pin.name.c_str(),
                                    top ? "top" : "bottom"));
    }
}

void read_copper_pad(const PadRecord& record, const char* values, const Footprint& footprint, FootprintPin& pin,
                     double scale) {
    const char* fp_name = footprint.name.c_str();
    const char* pin_name = pin.name.c_str();
    unsigned shape = 0, option = 0;
    double width = 0, length1 = 0, length2 = 0, radius = 0;
    const int got = scan_board_record(record.key, scale, values, "%u %lf %lf %lf %lf %u", &shape, &width, &length1, &length2, &radius, &option);
    if (got < 4) {
        switch (record.layer) {
            case PadLayer::Top:
                fatal_error(record.code, strformat("%s: bad fp top_pad record", fp_name));
            case PadLayer::Inner: {
                const std::uint32_t missing = missing_values(4, got);
                fatal_error(record.code, strformat("%s.%s: inner_pad record missing %u parameter%s", fp_name, pin_name,
                                                   missing, plural_s(missing)));
            }
            case PadLayer::Bottom:
                fatal_error(record.code, "bad fp bottom_pad record");
        }
    }
    PadSpec& pad = pin.*record.pad;
    pad.shape = shape;
    pad.width = width * scale;
    pad.length1 = length1 * scale;
    pad.length2 = length2 * scale;
    pad.radius = got >= 5 ? radius * scale : 0;
    if (got == 6) {
        const std::uint32_t kept = option & 0x3u;
        if (record.layer == PadLayer::Top) pin.top_option = kept;
        if (record.layer == PadLayer::Bottom) pin.bottom_option = kept;
        if (record.layer == PadLayer::Inner) {
            pin.inner_option = kept;
            pin.pad_flags |= pad_inner_option_given;
        }
        pin.pad_flags |= pad_option_given;
    }
    if (record.layer == PadLayer::Inner) pin.no_inner_pad = pad.shape == pad_shape_none ? 1 : 0;

    // A pad of unknown shape is copper of unknown extent: the router could not be told to keep
    // clear of it, so the board is refused here, at its line, on any layer.
    if (pad.shape > pad_shape_octagon) {
        const int code = record.layer == PadLayer::Top ? 15733 : record.layer == PadLayer::Inner ? 15798 : bottom_pad_shape_unknown;
        const char* layer = record.layer == PadLayer::Top ? "top" : record.layer == PadLayer::Inner ? "inner" : "bottom";
        fatal_error(code, strformat("%s.%s: invalid %s pad shape: > 6", fp_name, pin_name, layer));
    }
    if (pad.shape == pad_shape_rounded_rectangle &&
        (pad.width < 2 * pad.radius || pad.length1 + pad.length2 < 2 * pad.radius)) {
        switch (record.layer) {
            case PadLayer::Top:
                fatal_error(15741, strformat("%s.%s: invalid top pad size: radius too large", fp_name, pin_name));
            case PadLayer::Inner:
                fatal_error(15839, strformat("%s.%s: invalid inner pad size: radius too large", fp_name, pin_name));
            case PadLayer::Bottom:
                fatal_error(15874,
                            strformat("%s.%s: invalid bottom SMT pad size: radius too large", fp_name, pin_name));
        }
    }
    if (pin.hole == 0 && record.layer != PadLayer::Inner) check_smt_pad_size(footprint, pin, pad, record.layer);
    pin.pad_flags |= record.seen_flag;
}

void read_mask_or_paste(const PadRecord& record, const char* values, FootprintPin& pin, double scale) {
    PadSpec& pad = pin.*record.pad;
    unsigned shape = 0;
    double width = 0, length1 = 0, length2 = 0, radius = 0;
    if (scan_board_record(record.key, scale, values, "%u %lf %lf %lf %lf", &shape, &width, &length1, &length2, &radius) < 5) {
        fatal_error(record.code, record.message);
    }
    pad = {shape, width * scale, length1 * scale, length2 * scale, radius * scale};
    pin.pad_flags |= record.seen_flag;
}

// Reads the pad records that follow a pin line, up to an empty line or the next pin line, which
// is left to be read again.
void read_pad_records(LineReader& reader, const Footprint& footprint, FootprintPin& pin, double scale) {
    for (;;) {
        const char* line = reader.next_line();
        if (line == nullptr) {
            fatal_error(15624, strformat("%s: premature EOF reading fp pins", footprint.name.c_str()));
        }
        const char* text = skip_blanks(line);
        // Board utilities write the next footprint's name: line straight after the last pad
        // record; the editor takes it as the start of that footprint, and so does this reader.
        if (is_blank(text) || starts_with(text, "pin:") || starts_with(text, "name:") ||
            ends_records(reader, text)) {
            reader.unread_line();
            return;
        }
        const PadRecord* record = nullptr;
        for (const PadRecord& candidate : pad_records) {
            if (starts_with(text, candidate.key)) {
                record = &candidate;
                break;
            }
        }
        if (record == nullptr) fatal_error(15988, strformat("unknown record type in pin: \"%s\"", line));
        const char* values = text + std::strlen(record->key);
        if (record->copper) {
            read_copper_pad(*record, values, footprint, pin, scale);
        } else {
            read_mask_or_paste(*record, values, pin, scale);
        }
    }
}

// ---- Pins ----------------------------------------------------------------------------------

// The pin line: a quoted or bare name, then hole, x, y and angle.
void read_pin_line(const char* text, const Footprint& footprint, FootprintPin& pin, double scale) {
    const char* fp_name = footprint.name.c_str();
    const char* rest = text + std::strlen("pin:");
    const char* after_name = nullptr;  // the character right after the name
    if (std::strchr(text, '"') != nullptr) {
        if (extract_quoted(pin.name, text, name_size) <= 0) {
            fatal_error(15648, strformat("%s: bad (empty) pin name", fp_name));
        }
        after_name = std::strrchr(text, '"') + 1;
    } else {
        const char* word = skip_blanks(rest);
        const char* end = word;
        while (*end != '\0' && *end != ' ' && *end != '\t') ++end;
        if (end == word) fatal_error(15648, strformat("%s: bad (empty) pin name", fp_name));
        // A longer name is cut; its numbers still follow the whole word.
        pin.name.assign(word, std::min<std::size_t>(static_cast<std::size_t>(end - word), name_size - 1));
        after_name = end;
    }
    // The one character right after the name, normally a blank, is passed over.
    const char* values = text_at(after_name, 1);
    unsigned angle = 0;
    const int got = scan_board_record("pin:", scale, values, "%lf %lf %lf %u", &pin.hole, &pin.x, &pin.y, &angle);
    if (got < 4) {
        const std::uint32_t missing = missing_values(4, got);
        fatal_error(15658, strformat("%s: pin record missing %u parameter%s", fp_name, missing, plural_s(missing)));
    }
    pin.hole *= scale;
    pin.x *= scale;
    pin.y *= scale;
    pin.angle = convert_angle(angle);
}

void read_pins(LineReader& reader, const char* values, Board& board, LoadIndexes& indexes, Footprint& footprint,
               const FootprintScale& scale) {
    unsigned count = 0;
    if (std::sscanf(values, "%u", &count) < 1) {
        fatal_error(15607, strformat("%s: n_pins record missing 1 parameter", footprint.name.c_str()));
    }
    footprint.pin_count = count;
    footprint.pins.clear();
    footprint.has_bare_hole_pin = 0;
    if (count == 0) return;
    const double length_scale = scale.require(footprint, "pin");

    // The pins grow as they are read: a count from the file does not size memory.
    for (std::uint32_t i = 0; i < count; ++i) {
        const char* fp_name = footprint.name.c_str();
        const char* line = reader.next_line();
        if (line == nullptr) fatal_error(15624, strformat("%s: premature EOF reading fp pins", fp_name));
        if (is_blank(line)) fatal_error(15633, strformat("%s: blank line while reading pins", fp_name));
        const char* text = skip_blanks(line);
        if (!starts_with(text, "pin:")) fatal_error(15640, strformat("%s: bad pin record", fp_name));

        FootprintPin pin;
        read_pin_line(text, footprint, pin, length_scale);
        read_pad_records(reader, footprint, pin, length_scale);
        pin.is_via = 0;
        pin.tool = 0;
        resolve_padstack(board, indexes, pin);
        if (pin.hole > 0 && !has_pad(pin)) footprint.has_bare_hole_pin = 1;
        if (has_no_copper(pin)) ++board.stats.pins_without_copper;
        footprint.pins.push_back(std::move(pin));
    }
    board.stats.footprint_pins += count;
}

// Pins per drill tool and per padstack, sized by both tables as they stand now.
void count_pins_per_tool_and_padstack(const Board& board, Footprint& footprint) {
    footprint.tool_counts.assign(board.tools.size() + 2, 0);
    footprint.padstack_counts.assign(board.padstacks.size() + 1, 0);
    for (const FootprintPin& pin : footprint.pins) {
        if (pin.tool > 0 && pin.tool < board.tools.size()) ++footprint.tool_counts[pin.tool];
        if (pin.padstack != 0 && pin.padstack < board.padstacks.size()) ++footprint.padstack_counts[pin.padstack];
    }
    footprint.tool_counts[board.tools.size()] = -1;
    footprint.tool_counts[board.tools.size() + 1] = -1;
    footprint.padstack_counts[board.padstacks.size()] = -1;
}

}  // namespace

const char* parse_footprint(LineReader& reader, Board& board, LoadIndexes& indexes, Footprint& footprint) {
    FootprintScale scale;
    bool named = false;
    for (;;) {
        const char* line = reader.next_line();
        if (line == nullptr || is_blank(line)) return line;
        const char* text = skip_blanks(line);
        if (ends_records(reader, text)) {
            reader.unread_line();
            return line;
        }
        if (starts_with(text, "name:")) {
            // A second name: line without a blank line before it starts the next footprint.
            if (named) {
                reader.unread_line();
                return line;
            }
            named = true;
            extract_quoted(footprint.name, text, name_size);
        } else if (starts_with(text, "author:")) {
            extract_quoted(footprint.author, text, text_size);
        } else if (starts_with(text, "source:")) {
            extract_quoted(footprint.source, text, text_size);
        } else if (starts_with(text, "description:")) {
            extract_quoted(footprint.description, text, text_size);
        } else if (starts_with(text, "units:")) {
            read_units(text, footprint, scale);
        } else if (starts_with(text, "n_pins:")) {
            read_pins(reader, text + std::strlen("n_pins:"), board, indexes, footprint, scale);
        } else if (const char* key = footprint_graphics_key(text)) {
            const std::string record(key, std::strlen(key) - 1);  // the key without its colon
            read_footprint_graphics(reader, text, footprint, scale.require(footprint, record.c_str()), board.stats);
        }
        // Anything else, pins beyond the announced count included, is passed over.
    }
}

void read_footprints(LineReader& reader, Board& board, const RunSettings& settings) {
    // Every padstack and drill tool the section adds goes through these lookups.
    LoadIndexes indexes(board);
    if (!find_section(reader, "[footprints]", settings.verbose)) {
        fatal_error(11315, "premature EOF looking for FPC footprints");
    }

    // Pass 1: one footprint per name: line, up to the next section or the end of the file.
    const LineReader::Mark start = reader.mark();
    std::uint32_t count = 0;
    while (const char* line = reader.next_line()) {
        if (is_section_header(line)) break;
        if (starts_with(skip_blanks(line), "name:")) ++count;
    }
    reader.seek(start);
    board.footprints.assign(count, Footprint{});
    board.stats.footprints = count;

    // Pass 2.
    for (Footprint& footprint : board.footprints) {
        for (;;) {
            const char* line = reader.next_line();
            if (line == nullptr || is_section_header(line)) fatal_error(11369, "missed footprint in pass 2");
            if (starts_with(skip_blanks(line), "name:")) break;
        }
        reader.unread_line();
        if (parse_footprint(reader, board, indexes, footprint) == nullptr) {
            fatal_error(11377, "premature EOF reading FPC Footprints");
        }
        count_pins_per_tool_and_padstack(board, footprint);
    }
}

}  // namespace tarnwick
