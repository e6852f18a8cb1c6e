#pragma once
// The options of the board file: each key, the field of BoardOptions it fills and how its value is
// read and written, in the order the board writer writes them. The reader and the writer both
// take their keys from here.

#include <cstddef>
#include <cstdint>
#include <string>

#include "board/board.h"

namespace tarnwick {

enum class OptionKind {
    Version,       // version:, then the version checks
    FileVersion,   // file_version:, then the file-version check
    Text,          // a quoted text
    Number,        // an unsigned number
    Length,        // nanometres, held in inches
    Units,         // "units: MIL" or "units: MM"
    Grid,          // a grid family: its spacing line and its item lines
    WidthMenu,     // n_width_menu: and its width_menu_item: lines
    CopperLayers,  // n_copper_layers: and the layer_info: lines of the layer list
    BlankLine,     // no key: the writer's blank line between groups
};

// Where the value is scanned: right after the key, one character further (past the blank), or
// two (past the blank and the opening quote of a value written in quotes).
enum class ValueStart : std::uint8_t { after_key, after_blank, after_quote };

struct OptionKey {
    const char* key;  // nullptr for a blank line
    OptionKind kind;
    ValueStart start = ValueStart::after_key;
    std::uint32_t BoardOptions::*number = nullptr;
    double BoardOptions::*length = nullptr;
    std::string BoardOptions::*text = nullptr;
    std::size_t text_max = 0;  // characters a text keeps
    GridList BoardOptions::*grid = nullptr;
    bool BoardOptions::*marks = nullptr;       // switched on when the key is read
    bool BoardOptions::*written_if = nullptr;  // the key is written only when this is on
    double written_above_version = 0;          // ... and only when the version is above this
    bool written = true;                       // false for a key read, whose value another key writes
};

// Every key in the order the writer writes them. No key begins another, so a line matches one
// key at most.
extern const OptionKey option_keys[];
extern const std::size_t option_key_count;

// The option whose key begins `text` (a line after its blanks), or nullptr.
const OptionKey* option_key_of(const char* text);

// The records under n_width_menu: and n_copper_layers:.
inline constexpr char width_menu_item_key[] = "width_menu_item:";
inline constexpr char layer_info_key[] = "layer_info:";

// BoardOptions::units.
inline constexpr std::uint32_t units_not_given = 0;
inline constexpr std::uint32_t units_mm = 1;
inline constexpr std::uint32_t units_mil = 2;

}  // namespace tarnwick
