#include "fpc2/translation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "board/option_keys.h"
#include "board/units.h"
#include "core/errors.h"
#include "fpc/reader.h"
#include "fpc2/dialect.h"

namespace tarnwick {

namespace {

using Section = Fpc2Section;

// The number after a "version:" or "file_version:" key, or 0.
double version_of(const char* text, const char* key) {
    double value = 0;
    return starts_with(text, key) && std::sscanf(text + std::strlen(key), "%lf", &value) == 1 ? value : 0;
}

// The lines of the file without their line feeds, as the line reader cuts them (at the first
// carriage return) in `cut`, and whole in `raw`.
struct Lines {
    std::vector<std::string> raw;
    std::vector<std::string> cut;
};

Lines split_lines(const std::vector<char>& contents) {
    Lines lines;
    const std::size_t size = contents.size();
    std::size_t start = 0;
    while (start < size) {
        const void* feed = std::memchr(contents.data() + start, '\n', size - start);
        const std::size_t end = feed != nullptr ? static_cast<std::size_t>(static_cast<const char*>(feed) - contents.data()) : size;
        lines.raw.emplace_back(contents.data() + start, end - start);
        const std::string& raw = lines.raw.back();
        lines.cut.push_back(raw.substr(0, std::min(raw.find('\r'), raw.find('\0'))));
        start = end + 1;
    }
    return lines;
}

// Where the field `index` (from 0) after `from` starts and ends; false when the line has fewer.
bool find_field(const std::string& line, std::size_t from, int index, std::size_t& start, std::size_t& end) {
    std::size_t p = from;
    for (int i = 0;; ++i) {
        while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
        if (p >= line.size()) return false;
        start = p;
        while (p < line.size() && line[p] != ' ' && line[p] != '\t') ++p;
        end = p;
        if (i == index) return true;
    }
}

// The layer number in field `index` after `from`, in the board's numbering; a field that is
// no plain number stays as it is, for the reader to refuse.
void map_layer_field(std::string& line, std::size_t from, int index, const SourceText& source) {
    std::size_t start = 0, end = 0;
    if (!find_field(line, from, index, start, end)) return;
    const std::string field = line.substr(start, end - start);
    if (field.empty() || field.size() > 9 || field.find_first_not_of("0123456789") != std::string::npos) return;
    const auto layer = static_cast<std::uint32_t>(std::strtoul(field.c_str(), nullptr, 10));
    line.replace(start, end - start, std::to_string(layer_from_fpc2(source, layer)));
}

// Nanometres as the 1.3xx records write them: no fraction where there is none.
std::string nm_text(double nm) {
    std::string text = strformat("%.3f", nm + 0.0);
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text == "-0" ? "0" : text;
}

// The value of a length option or a width menu field, in nanometres. A number with a unit this
// reader does not know would be read as nanometres by the 1.3xx reader: refused.
std::string length_field(const char* field, const char* record) {
    double nm = 0;
    const char* end = nullptr;
    if (!fpc2_length_nm(field, nm, &end)) {
        if (end != nullptr) {
            fatal_error(13031, strformat("unknown length unit in %s record: \"%s\"", record, field));
        }
        return field;
    }
    return nm_text(nm);
}

void translate_option(std::string& line, const SourceText& source) {
    const char* text = skip_blanks(line.c_str());
    const std::size_t indent = static_cast<std::size_t>(text - line.c_str());
    if (starts_with(text, width_menu_item_key)) {
        // "width_menu_item: 1 0.25mm 0mil 0mil": the item number, then three lengths.
        const std::string record(width_menu_item_key, std::strlen(width_menu_item_key) - 1);  // without its colon
        std::string rebuilt = line.substr(0, indent) + width_menu_item_key;
        const std::size_t from = indent + std::strlen(width_menu_item_key);
        for (int i = 0; i < 4; ++i) {
            std::size_t start = 0, end = 0;
            if (!find_field(line, from, i, start, end)) return;  // short: the reader says so
            const std::string field = line.substr(start, end - start);
            rebuilt += ' ';
            rebuilt += i == 0 ? field : length_field(field.c_str(), record.c_str());
        }
        line = rebuilt;
        return;
    }
    if (starts_with(text, layer_info_key)) {
        // The layer list is in the dialect's order; its scribing and notes entries have no place
        // in the 1.3xx list, which the reader fills in file order.
        if (source.non_copper_layers == non_copper_layers) return;
        const std::size_t open = line.find('"');
        const std::size_t close = open == std::string::npos ? open : line.find('"', open + 1);
        if (close == std::string::npos) return;
        unsigned index = 0;
        if (std::sscanf(line.c_str() + close + 1, "%u", &index) == 1 && index >= fpc2_scribing_layer &&
            index <= fpc2_bottom_notes_layer) {
            line.clear();
        }
        return;
    }
    const OptionKey* option = option_key_of(text);
    if (option == nullptr || option->kind != OptionKind::Length) return;
    const char* key = option->key;
    const char* value = skip_blanks(text + std::strlen(key));
    if (*value == '\0' || *value == '"') return;
    const char* value_end = value;
    while (*value_end != '\0' && *value_end != ' ' && *value_end != '\t') ++value_end;
    const std::string field(value, value_end);
    line = line.substr(0, indent) + key + " " + length_field(field.c_str(), key) + value_end;
}

// Of `pin: "name" hole x y angle "description"`, the 1.3xx reader takes the numbers after the
// last quote: the description goes.
void translate_footprint_pin(std::string& line) {
    const std::size_t open = line.find('"');
    if (open == std::string::npos) return;
    const std::size_t close = line.find('"', open + 1);
    if (close == std::string::npos) return;
    const std::size_t description = line.find('"', close + 1);
    if (description == std::string::npos) return;
    std::size_t end = description;
    while (end > close + 1 && (line[end - 1] == ' ' || line[end - 1] == '\t')) --end;
    line.erase(end);
}

struct Translation {
    const SourceText& source;
    FileRules& rules;
    Lines& lines;
    Section section = Section::None;
    std::int64_t footprint = -1;   // index of the footprint being read
    std::uint32_t outline = 0;     // outlines of the board so far

    void footprint_line(std::size_t i) {
        std::string& line = lines.cut[i];
        const char* text = skip_blanks(line.c_str());
        if (starts_with(text, "name:")) {
            ++footprint;
        } else if (starts_with(text, "pin:")) {
            translate_footprint_pin(line);
        } else if (starts_with(text, "outline_polyline:") && footprint >= 0) {
            // "w x y visible hatch layer": a polyline on a copper layer is copper of the part.
            double w = 0, x = 0, y = 0;
            unsigned visible = 0, hatch = 0, layer = 0;
            const int got = std::sscanf(text + std::strlen("outline_polyline:"), "%lf %lf %lf %u %u %u", &w, &x, &y,
                                        &visible, &hatch, &layer);
            PolylineTraits traits{static_cast<std::uint32_t>(i + 1)};
            traits.drawn = !(got >= 4 && visible == 0);
            if (got == 6) traits.copper = footprint_copper(layer);
            if (!traits.drawn || traits.copper != PolylineCopper::none) rules.polylines.push_back(traits);
        }
    }

    // "outline: n index width hatch merge submerge" with corners "i x y style contour": the
    // first contour is the outline, every further one a hole cut in the board. The 1.3xx reader
    // gets the first contour; the holes are kept aside, their lines left empty.
    void outline_line(std::size_t i) {
        std::string& line = lines.cut[i];
        const char* text = skip_blanks(line.c_str());
        const std::uint32_t index = outline++;
        unsigned announced = 0;
        if (std::sscanf(text + std::strlen("outline:"), "%u", &announced) != 1) return;
        std::uint32_t dropped = 0;
        std::int64_t contour = 0;
        for (std::size_t k = i + 1; k < lines.cut.size() && k - i <= announced; ++k) {
            const char* corner = skip_blanks(lines.cut[k].c_str());
            if (!starts_with(corner, "corner:")) break;
            long number = 0;
            double x = 0, y = 0;
            unsigned style = 0;
            long this_contour = 0;
            const int got = std::sscanf(corner + std::strlen("corner:"), "%ld %lf %lf %u %ld", &number, &x, &y, &style,
                                        &this_contour);
            if (dropped == 0 && (got < 5 || this_contour == 0)) continue;
            if (got < 4) break;  // a bad corner line is the reader's to refuse
            if (dropped == 0 || this_contour != contour) rules.holes.push_back({index, {}});
            contour = this_contour;
            rules.holes.back().corners.push_back({x * nm_to_inch, y * nm_to_inch, style});
            lines.cut[k].clear();
            ++dropped;
        }
        if (dropped == 0) return;
        const std::size_t indent = static_cast<std::size_t>(text - line.c_str());
        std::size_t start = 0, end = 0;
        if (!find_field(line, indent + std::strlen("outline:"), 0, start, end)) return;
        line.replace(start, end - start, std::to_string(announced - dropped));
    }

    void line(std::size_t i) {
        std::string& text_line = lines.cut[i];
        const Section header = fpc2_section_of(text_line.c_str());
        if (header != Section::None) {
            section = header;
            // The reader knows no header of the dialect's own sections: their lines go empty.
            if (section == Section::Graphics || section == Section::Merges) text_line.clear();
            return;
        }
        const char* text = skip_blanks(text_line.c_str());
        const std::size_t indent = static_cast<std::size_t>(text - text_line.c_str());
        switch (section) {
            case Section::Options:
                translate_option(text_line, source);
                break;
            case Section::Footprints:
                footprint_line(i);
                break;
            case Section::Board:
                if (starts_with(text, "outline:")) outline_line(i);
                break;
            case Section::Cutouts:
                // "sm_cutout: n hatch layer width merge submerge".
                if (starts_with(text, "sm_cutout:")) map_layer_field(text_line, indent + std::strlen("sm_cutout:"), 2, source);
                break;
            case Section::Graphics:
            case Section::Merges:
                text_line.clear();
                break;
            case Section::Nets:
                if (starts_with(text, "vtx:")) {
                    map_layer_field(text_line, indent + std::strlen("vtx:"), 3, source);
                } else if (starts_with(text, "seg:")) {
                    map_layer_field(text_line, indent + std::strlen("seg:"), 1, source);
                } else if (starts_with(text, "area:")) {
                    map_layer_field(text_line, indent + std::strlen("area:"), 2, source);
                }
                break;
            case Section::Texts:
                if (starts_with(text, "text:")) {
                    const std::size_t quote = text_line.rfind('"');
                    if (quote != std::string::npos) map_layer_field(text_line, quote + 1, 2, source);
                } else if (starts_with(text, "text_line:") || starts_with(text, "selection:")) {
                    text_line.clear();  // the strokes FreePCB-2 draws the text with
                }
                break;
            case Section::None:
            case Section::Parts:
            case Section::End:
                break;
        }
    }
};

// The version of a board of the dialect (the larger of the version: and file_version: records
// of its options), or 0 for any other file.
double fpc2_board_version(const std::vector<char>& contents) {
    double version = 0;
    std::size_t start = 0;
    std::string line;
    while (start < contents.size()) {
        const void* feed = std::memchr(contents.data() + start, '\n', contents.size() - start);
        const std::size_t end =
            feed != nullptr ? static_cast<std::size_t>(static_cast<const char*>(feed) - contents.data()) : contents.size();
        line.assign(contents.data() + start, end - start);
        line.resize(std::min(line.size(), std::min(line.find('\r'), line.find('\0'))));
        start = end + 1;
        const char* text = skip_blanks(line.c_str());
        // The options come first, up to the first header of another section.
        if (is_other_section_header(text, "[options]")) break;
        version = std::max({version, version_of(text, "version:"), version_of(text, "file_version:")});
    }
    return version >= first_fpc2_version ? version : 0;
}

}  // namespace

bool is_fpc2_board(const std::vector<char>& contents) { return fpc2_board_version(contents) != 0; }

FileRules translate_fpc2_board(std::vector<char>& contents, SourceText& source, std::uint32_t& counter) {
    const double version = fpc2_board_version(contents);
    FileRules rules;
    rules.versions = {"FreePCB-2", newest_tested_fpc2_version, std::nextafter(newest_fpc2_version, 0.0), false};
    rules.short_layer_list = true;
    rules.header_ends_records = true;
    rules.parts_at_any_angle = true;

    Lines lines = split_lines(contents);
    // The layer numbering follows the file version, or the version where the file has none.
    double file_version = 0;
    for (const std::string& line : lines.cut) {
        const char* text = skip_blanks(line.c_str());
        if (is_other_section_header(text, "[options]")) break;
        if (starts_with(text, "file_version:")) file_version = version_of(text, "file_version:");
    }
    source = SourceText{};
    if ((file_version != 0 ? file_version : version) >= first_shifted_layers_version) {
        source.non_copper_layers = shifted_non_copper_layers;
    }
    if (!lines.raw.empty() && !lines.raw[0].empty() && lines.raw[0].back() == '\r') source.line_end = "\r\n";
    source.final_line_end = !contents.empty() && contents.back() == '\n';

    Translation translation{source, rules, lines};
    for (std::size_t i = 0; i < lines.cut.size(); ++i) {
        counter = static_cast<std::uint32_t>(i + 1);
        translation.line(i);
    }
    counter = 0;

    std::vector<char> translated;
    std::size_t size = 0;
    for (const std::string& line : lines.cut) size += line.size() + 1;
    translated.reserve(size);
    for (const std::string& line : lines.cut) {
        translated.insert(translated.end(), line.begin(), line.end());
        translated.push_back('\n');
    }
    contents = std::move(translated);
    source.lines = std::move(lines.raw);
    return rules;
}

PolylineCopper footprint_copper(std::uint32_t layer) {
    // A footprint numbers its own layers: its copper comes last.
    constexpr std::uint32_t top_copper = 13;
    constexpr std::uint32_t inner_copper = 14;
    constexpr std::uint32_t bottom_copper = 15;
    if (layer == top_copper) return PolylineCopper::top;
    if (layer == inner_copper) return PolylineCopper::inner;
    if (layer == bottom_copper) return PolylineCopper::bottom;
    return PolylineCopper::none;
}

bool fpc2_length_nm(const char* text, double& nm, const char** end) {
    *end = nullptr;
    const char* p = text;
    if (*p == '-' || *p == '+') ++p;
    const char* digits = p;
    while (*p >= '0' && *p <= '9') ++p;
    if (*p == '.') ++p;
    while (*p >= '0' && *p <= '9') ++p;
    if (p == digits || (p == digits + 1 && *digits == '.')) return false;
    const std::string number(text, p);
    const char* unit = p;
    while ((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z')) ++p;
    *end = p;
    const std::string word(unit, p);
    const double value = std::strtod(number.c_str(), nullptr);
    if (word.empty() || word == "nm") {
        nm = value;
    } else if (word == "mm") {
        nm = value * 1000000.0;
    } else if (word == "mil") {
        nm = value * 25400.0;
    } else if (word == "um") {
        nm = value * 1000.0;
    } else {
        return false;
    }
    // Only blanks may follow.
    const char* rest = skip_blanks(p);
    if (*rest != '\0') return false;
    return true;
}

}  // namespace tarnwick
