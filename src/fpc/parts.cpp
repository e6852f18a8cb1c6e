#include "fpc/parts.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "board/units.h"
#include "core/errors.h"
#include "core/huge_pages.h"
#include "core/scan_record.h"
#include "board/part_pins.h"
#include "fpc/board_numbers.h"

namespace tarnwick {

namespace {

constexpr std::size_t text_size = 128;  // part texts hold at most 127 characters

// The footprints by name, the first of each, so that binding a part to its footprint does not
// walk the table. The table does not change while the parts are read.
class FootprintIndex {
public:
    explicit FootprintIndex(const Board& board) {
        by_name_.reserve(board.footprints.size());
        for (std::size_t i = 0; i < board.footprints.size(); ++i) by_name_.emplace(board.footprints[i].name, i);
    }
    // The first footprint of the name, or -1.
    std::int64_t find(const std::string& name) const {
        const auto found = by_name_.find(name);
        return found == by_name_.end() ? -1 : static_cast<std::int64_t>(found->second);
    }

private:
    std::unordered_map<std::string_view, std::size_t> by_name_;
};

// "ref_text:" and the numbers after the quoted text of "value:" share one layout: height, stroke
// width, angle, x, y and whether the text is shown, 1 when the line leaves it out.
bool read_text_placement(const char* record, const char* values, TextPlacement& text, std::uint32_t& visible) {
    visible = 1;
    if (scan_board_record(record, nm_to_inch, values, "%lf %lf %u %lf %lf %u", &text.height, &text.stroke_width, &text.angle,
                          &text.x, &text.y, &visible) < 5) {
        return false;
    }
    text.height *= nm_to_inch;
    text.stroke_width *= nm_to_inch;
    text.x *= nm_to_inch;
    text.y *= nm_to_inch;
    text.angle = convert_angle(text.angle);
    return true;
}

// The editor writes a part that has no footprint yet with empty ref_text: and shape: lines (blanks
// only after the key). Looked for ahead of reading the part, so that every other part keeps its
// errors at the lines that cause them.
bool lacks_footprint(LineReader& reader) {
    const LineReader::Mark start = reader.mark();
    bool empty_ref_text = false;
    bool empty_shape = false;
    bool filled = false;  // some ref_text: or shape: line has a value
    for (const char* line = reader.next_line(); line != nullptr && !is_blank(line); line = reader.next_line()) {
        const char* text = skip_blanks(line);
        if (starts_with(text, "part:")) break;
        if (starts_with(text, "ref_text:")) {
            if (is_blank(text + std::strlen("ref_text:"))) {
                empty_ref_text = true;
            } else {
                filled = true;
            }
        } else if (starts_with(text, "shape:")) {
            if (is_blank(text + std::strlen("shape:"))) {
                empty_shape = true;
            } else {
                filled = true;
            }
        }
    }
    reader.seek(start);
    return empty_ref_text && empty_shape && !filled;
}

void read_part_record(const char* text, const FootprintIndex& footprints, Part& part) {
    // Of a part without footprint, these lines are known to be empty.
    if (part.no_footprint && (starts_with(text, "ref_text:") || starts_with(text, "shape:"))) return;
    if (starts_with(text, "ref_text:")) {
        if (!read_text_placement("ref_text:", text + std::strlen("ref_text:"), part.ref_text, part.ref_text_visible)) {
            fatal_error(11940, "bad parts ref_text: record");
        }
    } else if (starts_with(text, "package:")) {
        if (extract_quoted(part.package, text, text_size) < 0) fatal_error(11958, "bad parts package: record");
    } else if (starts_with(text, "shape:")) {
        if (extract_quoted(part.shape, text, text_size) < 1) fatal_error(11970, "bad parts shape: record");
        if (footprints.find(part.shape) < 0) {
            fatal_error(11981,
                        strformat("Part \"%s\" uses unknown footprint \"%s\"", part.ref.c_str(), part.shape.c_str()));
        }
    } else if (starts_with(text, "pos:")) {
        if (scan_board_record("pos:", nm_to_inch, text + std::strlen("pos:"), "%lf %lf %u %u %u", &part.x, &part.y, &part.side, &part.rotation, &part.locked) != 5) {
            fatal_error(11994, "bad parts pos: record");
        }
        part.x *= nm_to_inch;
        part.y *= nm_to_inch;
        part.rotation = convert_angle(part.rotation);
    } else if (starts_with(text, "value:")) {
        const int length = extract_quoted(part.value, text, text_size);
        if (length < 0) fatal_error(12010, "bad part value string, too long");
        // The numbers follow the closing quote when one blank separates the key from the text.
        const std::size_t numbers = std::strlen("value: \"") + static_cast<std::size_t>(length) + std::strlen("\"");
        if (!read_text_placement("value:", text_at(text, numbers), part.value_text, part.value_visible)) {
            fatal_error(12020, "bad parts value: record");
        }
    }
}

void read_part(LineReader& reader, Board& board, const FootprintIndex& footprints, Part& part) {
    const char* header = find_record(reader, "part:", 11906, "premature EOF reading parts header Pass 2");
    char ref[text_size];
    if (scan_record(header + std::strlen("part:"), "%127s", ref) != 1) fatal_error(11913, "bad part: record");
    part.ref = ref;
    part.no_footprint = lacks_footprint(reader);

    for (;;) {
        const char* line = reader.next_line();
        if (line == nullptr) fatal_error(12037, "premature EOF reading parts record 1, Pass 2");
        if (is_blank(line)) break;
        const char* text = skip_blanks(line);
        if (starts_with(text, "part:") || ends_records(reader, text)) {
            reader.unread_line();
            break;
        }
        read_part_record(text, footprints, part);
    }

    if (part.no_footprint) return;  // no use of any footprint, also on a board that has none
    part.no_shape_record = part.shape.empty();
    const std::int64_t footprint = footprints.find(part.shape);
    if (footprint >= 0) {
        Footprint& bound = board.footprints[static_cast<std::size_t>(footprint)];
        ++bound.part_count;
        part.footprint = static_cast<std::uint32_t>(footprint);
        part.has_bare_hole_pin = bound.has_bare_hole_pin;
    } else if (board.footprints.empty()) {
        // Without a shape a part takes the first footprint's pins; with none there is nothing to take.
        fatal_error(11982, strformat("Part \"%s\" has no shape: record and the board has no footprints",
                                     part.ref.c_str()));
    }
}

}  // namespace

void read_parts(LineReader& reader, Board& board, const RunSettings& settings) {
    if (!find_section(reader, "[parts]", settings.verbose)) fatal_error(11854, "premature EOF looking for FPC parts");
    const std::uint32_t count =
        count_records(reader, "[parts]", "part:", false, 11878, "premature EOF in parts Pass 1");
    board.parts.clear();
    reserve_on_huge_pages(board.parts, count);
    board.parts.resize(count);  // made in place: no copy of a blank part for each
    board.stats.parts = count;
    const FootprintIndex footprints(board);
    for (Part& part : board.parts) read_part(reader, board, footprints, part);
    board.parts_at_any_angle = reader.rules().parts_at_any_angle;

    build_circular_keepouts(board);
    build_part_pins(board);
}

}  // namespace tarnwick
