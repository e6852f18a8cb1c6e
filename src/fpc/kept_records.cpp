#include "fpc/kept_records.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "board/option_keys.h"

namespace tarnwick {

namespace {

enum Section : int {
    unread = -1,  // after a header met a second time: no reader reaches these lines
    options_section = kept_options,
    footprints_section = kept_footprints,
    outlines_section = kept_outlines,
    cutouts_section = kept_cutouts,
    parts_section = kept_parts,
    nets_section = kept_nets,
    texts_section = kept_texts,
    end_section = kept_end,
};

int header_of(const char* text) {
    if (*text != '[') return unread;
    for (int h = 0; h <= end_section; ++h) {
        if (starts_with(text, section_headers[h])) return h;
    }
    return unread;
}

bool starts_with_any(const char* text, std::initializer_list<const char*> keys) {
    for (const char* key : keys) {
        if (starts_with(text, key)) return true;
    }
    return false;
}

struct FootprintKey {
    const char* key;
    FootprintSlot slot;
};

const FootprintKey footprint_keys[] = {
    {"author:", footprint_author},         {"source:", footprint_source},       {"description:", footprint_description},
    {"units:", footprint_units},           {"sel_rect:", footprint_sel_rect},   {"ref_text:", footprint_ref_text},
    {"value_text:", footprint_value_text}, {"centroid:", footprint_centroid},   {"adhesive:", footprint_adhesive},
    {"text:", footprint_text},             {"outline_polyline:", footprint_polyline}, {"n_pins:", footprint_pins},
};

struct PartKey {
    const char* key;
    PartSlot slot;
};

const PartKey part_keys[] = {{"ref_text:", part_ref_text}, {"package:", part_package}, {"value:", part_value},
                             {"shape:", part_shape},       {"pos:", part_pos}};

// Walks the file's lines as the section readers see them: what each takes as its records moves
// the place on, anything else is kept there.
class Collector {
public:
    explicit Collector(KeptRecords& kept) : kept_(kept) {}

    void line(const char* line) {
        const char* text = skip_blanks(line);
        if (is_blank(text)) {
            blank_line();
            return;
        }
        if (const int header = header_of(text); header != unread) {
            enter(header);
            return;
        }
        bool known = true;
        switch (section_) {
            case unread:
                break;
            case options_section:
                known = option(line, text);
                break;
            case footprints_section:
                known = footprint(text);
                break;
            case outlines_section:
                // The outlines reader counts every line holding the key, wherever it stands.
                if (std::strstr(line, "outline:") != nullptr) {
                    next_record();
                } else {
                    known = starts_with(text, "corner:");
                }
                break;
            case cutouts_section:
                if (starts_with(text, "sm_cutout:")) {
                    next_record();
                } else {
                    known = starts_with(text, "corner:");
                }
                break;
            case parts_section:
                known = part(text);
                break;
            case nets_section:
                if (starts_with(text, "net:")) {
                    next_record();
                } else {
                    known = starts_with_any(text, {"vtx:", "seg:", "pin:", "connect:", "area:", "corner:"});
                }
                break;
            case texts_section:
                if (starts_with(text, "text:")) {
                    next_record();
                } else {
                    known = false;
                }
                break;
            default:
                known = false;  // after "[end]"
                break;
        }
        if (!known) keep(line);
        blank_ = false;
    }

private:
    void keep(const char* line) {
        const std::size_t length = std::strlen(line);
        kept_.lines.push_back({place_, kept_.text.size(), length, blank_});
        kept_.text.append(line, length);
    }

    void next_record() {
        ++place_.record;
        place_.slot = 0;
        place_.ordinal = 0;
    }

    void blank_line() {
        blank_ = true;
        in_grid_ = false;
        // A blank line ends a footprint or a part: what follows stands after the record's lines.
        if (place_.record == 0) return;
        if (section_ == footprints_section) {
            place_.slot = footprint_pins;
            place_.ordinal = 0;
            between_ = true;
        } else if (section_ == parts_section) {
            place_.slot = part_after;
            between_ = true;
        }
    }

    void enter(int header) {
        blank_ = false;
        in_grid_ = false;
        // The section's own header again is passed over as the readers pass it over, but for
        // the footprints, which any header ends.
        if (header == section_ && header != footprints_section) return;
        // The options are read from the top of the file only; every other section from its
        // first header.
        if (header != options_section && !seen_[header]) {
            seen_[header] = true;
            section_ = header;
            place_ = {static_cast<std::uint32_t>(header), 0, 0, 0};
            between_ = false;
        } else {
            section_ = unread;
        }
    }

    bool option(const char* line, const char* text) {
        if (in_grid_) {
            // The grid reader takes every line with a colon as an item, up to the line that ends
            // the list, which is read and passed over.
            if (std::strchr(line, ':') != nullptr) return true;
            in_grid_ = false;
            return false;
        }
        if (starts_with(text, width_menu_item_key) || starts_with(text, layer_info_key)) return true;
        const OptionKey* key = option_key_of(text);
        if (key == nullptr) return false;
        place_.record = static_cast<std::uint32_t>(key - option_keys) + 1;
        in_grid_ = key->kind == OptionKind::Grid;
        return true;
    }

    bool footprint(const char* text) {
        if (starts_with(text, "name:")) {
            next_record();
            place_.slot = footprint_name;
            adhesives_ = texts_ = polylines_ = 0;
            between_ = false;
            return true;
        }
        // Pins, pads and polyline corners, and the prefixes the corner count takes.
        if (starts_with_any(text, {"pin:", "top_pad:", "inner_pad:", "bottom_pad:", "top_mask:", "top_paste:",
                                   "bottom_mask:", "bottom_paste:", "next_corner", "close_polyline"})) {
            return true;
        }
        for (const FootprintKey& key : footprint_keys) {
            if (!starts_with(text, key.key)) continue;
            // Before the first footprint or between two, the line is no footprint's: the readers
            // pass it over.
            if (place_.record == 0 || between_) return true;
            place_.slot = key.slot;
            place_.ordinal = key.slot == footprint_adhesive ? adhesives_++
                             : key.slot == footprint_text   ? texts_++
                             : key.slot == footprint_polyline ? polylines_++
                                                              : 0;
            return true;
        }
        return false;
    }

    bool part(const char* text) {
        if (starts_with(text, "part:")) {
            next_record();
            place_.slot = part_header;
            between_ = false;
            return true;
        }
        for (const PartKey& key : part_keys) {
            if (!starts_with(text, key.key)) continue;
            if (place_.record != 0 && !between_) place_.slot = key.slot;
            return true;
        }
        return false;
    }

    KeptRecords& kept_;
    int section_ = options_section;
    bool seen_[end_section + 1] = {true};
    KeptPlace place_;
    bool blank_ = false;
    bool in_grid_ = false;
    bool between_ = false;  // past the blank line that ended a footprint or a part
    std::uint32_t adhesives_ = 0;
    std::uint32_t texts_ = 0;
    std::uint32_t polylines_ = 0;
};

}  // namespace

void collect_kept_records(LineReader& reader, Board& board) {
    board.kept = KeptRecords{};
    const LineReader::Mark where = reader.mark();
    reader.rewind();
    Collector collector(board.kept);
    while (const char* line = reader.next_line()) collector.line(line);
    reader.seek(where);
    // The writer writes the sections' records in an order of its own: each kept line goes with
    // the record it followed, those of one place in file order.
    std::stable_sort(board.kept.lines.begin(), board.kept.lines.end(),
                     [](const KeptLine& a, const KeptLine& b) { return a.place < b.place; });
}

}  // namespace tarnwick
