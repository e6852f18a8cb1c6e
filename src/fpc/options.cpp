#include "fpc/options.h"

#include <cstdio>
#include <cstring>

#include "board/option_keys.h"
#include "board/units.h"
#include "core/errors.h"
#include "fpc/board_numbers.h"

namespace tarnwick {

namespace {

void check_version(BoardOptions& options, const TestedVersions& tested) {
    if (options.version > 1.33101) options.long_text_records = true;
    options.always_write_package = options.version > 1.3469;
    if (options.version > tested.untested_above) {
        std::fprintf(console(),
                     "\n\nCaution: Loading an untested version %s file:\n Loading: V%1.3lf, Latest Tested: V%1.3lf\n\n",
                     tested.editor, options.version, tested.newest);
    }
}

void check_file_version(const BoardOptions& options, const TestedVersions& tested) {
    if (!tested.file_version_checked) return;
    if (options.file_version >= 1.312 && options.file_version <= 1.34401) return;
    const std::string shown =
        options.file_version >= 0.1 ? strformat("%1.3lf", options.file_version) : std::string("<Unknown>");
    std::fprintf(console(), "\n\nWarning: Loading FreePCB file format version %s.\n         This may cause problems...\n\n",
                 shown.c_str());
}

void read_grid(LineReader& reader, const char* line, GridList& grid) {
    const char* colon = std::strchr(line, ':');
    double spacing = 0;
    if (colon != nullptr && std::sscanf(colon + 1, "%lf", &spacing) == 1) {
        check_board_length("grid", nm_to_inch, spacing);
        grid.spacing = spacing * nm_to_inch;
    }
    grid.items.clear();
    while (const char* item_line = reader.next_line()) {
        const char* item_colon = std::strchr(item_line, ':');
        if (item_colon == nullptr) break;  // the line that ends the list is consumed
        char word[64];
        if (std::sscanf(item_colon + 1, "%63s", word) != 1) fatal_error(10134, "bad grid item record");
        grid.items.emplace_back(word);
    }
}

void read_width_menu(LineReader& reader, BoardOptions& options) {
    options.width_menu.clear();
    std::uint32_t read = 0;
    while (read < options.n_width_menu) {
        const char* line = reader.next_line();
        if (line == nullptr) fatal_error(11170, "premature EOF reading width menu");
        const char* text = skip_blanks(line);
        const char* key = width_menu_item_key;
        if (!starts_with(text, key)) break;
        WidthMenuItem item;
        if (scan_board_record(key, nm_to_inch, text + std::strlen(key), "%*u %lf %lf %lf", &item.width, &item.via_pad_width,
                              &item.via_hole) != 3) {
            fatal_error(11182, "bad width menu item record");
        }
        item.width *= nm_to_inch;
        item.via_pad_width *= nm_to_inch;
        item.via_hole *= nm_to_inch;
        options.width_menu.push_back(item);
        ++read;
    }
    if (read < options.n_width_menu) fatal_error(11192, "reading width list");
}

void read_layer_list(LineReader& reader, const char* value, Board& board) {
    BoardOptions& options = board.options;
    unsigned count = 0;
    if (std::sscanf(value, "%u", &count) != 1) fatal_error(11204, "bad n_copper_layers: record");
    options.n_copper_layers = count;
    if (count < 2) fatal_error(11209, "not enough copper layers, 2 or more needed for autorouting");
    // The layer list holds 44 entries; more copper layers than that leaves room for is refused.
    if (count > max_copper_layers) fatal_error(11210, "too many copper layers, 32 at most");

    const std::uint32_t wanted = count + non_copper_layers;
    options.layer_list.clear();
    while (options.layer_list.size() < wanted) {
        const char* line = reader.next_line();
        if (line == nullptr) fatal_error(11216, "premature EOF");
        const char* text = skip_blanks(line);
        if (!starts_with(text, layer_info_key)) {
            // A file whose list may stop early has the next option on this line.
            if (reader.rules().short_layer_list) reader.unread_line();
            break;
        }
        LayerListEntry entry;
        extract_quoted(entry.name, text, 32);
        const char* last_quote = std::strrchr(text, '"');
        if (last_quote == nullptr) fatal_error(11228, "bad layer_info: record");
        unsigned values[4];
        if (std::sscanf(last_quote + 1, "%*u %u %u %u %u", &values[0], &values[1], &values[2], &values[3]) != 4) {
            fatal_error(11236, "bad layer_info: record");
        }
        for (int i = 0; i < 3; ++i) entry.color[i] = static_cast<std::uint8_t>(values[i] & 0xFFu);
        entry.visible = static_cast<std::uint8_t>(values[3] & 0xFFu);
        options.layer_list.push_back(std::move(entry));
    }
    if (options.layer_list.size() < wanted) {
        if (!reader.rules().short_layer_list) fatal_error(11241, "reading layer list");
        options.layer_list.resize(wanted);
    }

    board.copper_layers.assign(count, CopperLayerInfo{});
    for (std::uint32_t i = 0; i < count; ++i) board.copper_layers[i].direction = i % 2;
}

void make_default_via(Board& board) {
    const BoardOptions& options = board.options;
    Padstack via;
    via.top_shape = via.inner_shape = via.bottom_shape = 1;
    via.top.wide = via.inner.wide = via.bottom.wide = options.default_via_pad_width;
    via.hole = options.default_via_hole_width;
    via.is_via = 1;
    board.padstacks.assign(1, via);
}

// Where the option's value is scanned in `text`, which begins with its key.
const char* option_value(const OptionKey& option, const char* text) {
    const std::size_t skipped = option.start == ValueStart::after_quote   ? 2
                                : option.start == ValueStart::after_blank ? 1
                                                                          : 0;
    return text_at(text, std::strlen(option.key) + skipped);
}

// Handles one option line; the reader may consume more lines (grids, width menu, layer list).
void read_option(LineReader& reader, const char* text, Board& board) {
    BoardOptions& options = board.options;
    const OptionKey* found = option_key_of(text);
    if (found == nullptr) return;
    const OptionKey& key = *found;
    const char* value = option_value(key, text);
    if (key.marks != nullptr) options.*key.marks = true;
    switch (key.kind) {
        case OptionKind::Version:
            std::sscanf(value, "%lf", &options.version);
            check_version(options, reader.rules().versions);
            break;
        case OptionKind::FileVersion:
            std::sscanf(value, "%lf", &options.file_version);
            check_file_version(options, reader.rules().versions);
            break;
        case OptionKind::Text:
            extract_quoted(options.*key.text, text, key.text_max + 1);
            break;
        case OptionKind::Number: {
            unsigned number = 0;
            if (std::sscanf(value, "%u", &number) == 1) options.*key.number = number;
            break;
        }
        case OptionKind::Length: {
            double number = 0;
            if (std::sscanf(value, "%lf", &number) == 1) {
                check_board_length(key.key, nm_to_inch, number);
                options.*key.length = number * nm_to_inch;
            }
            break;
        }
        case OptionKind::Units:
            // Only these spellings: a value in lower case is no unit.
            if (starts_with(text, "units: MIL")) {
                options.units = units_mil;
            } else if (starts_with(text, "units: MM")) {
                options.units = units_mm;
            }
            break;
        case OptionKind::Grid:
            read_grid(reader, text, options.*key.grid);
            break;
        case OptionKind::WidthMenu: {
            unsigned number = 0;
            if (std::sscanf(value, "%u", &number) == 1) options.n_width_menu = number;
            read_width_menu(reader, options);
            break;
        }
        case OptionKind::CopperLayers:
            read_layer_list(reader, value, board);
            break;
        case OptionKind::BlankLine:
            break;
    }
}

}  // namespace

void read_options(LineReader& reader, Board& board) {
    for (;;) {
        const char* line = reader.next_line();
        if (line == nullptr) fatal_error(11260, "premature EOF reading FPC options");
        const char* text = skip_blanks(line);
        if (*text == '\0' || starts_with(text, "[options]")) continue;
        if (is_other_section_header(text, "[options]")) break;
        read_option(reader, text, board);
    }
    make_default_via(board);
}

}  // namespace tarnwick
