#pragma once
// Boards of FreePCB-2, the editor's maintained fork, which saves a dialect of the 1.3xx format:
// lengths with units, other layer numbers, more fields in many records, sections of its own.
// What the translation of its lines and its writer both know of it: its versions, its sections
// and its numbering of the layers.

#include <cstdint>

#include "board/board.h"

namespace tarnwick {

// The versions of the dialect that this reader was made for: 2.0xx to 2.4xx.
inline constexpr double first_fpc2_version = 2.0;
inline constexpr double newest_fpc2_version = 2.5;
inline constexpr double newest_tested_fpc2_version = 2.427;  // a later one is read with a caution
// From this file version on the dialect has fifteen non-copper layers: scribing and the notes
// layers of the top and bottom were put in at 6 to 8.
inline constexpr double first_shifted_layers_version = 2.0199;
inline constexpr std::uint32_t shifted_non_copper_layers = 15;
inline constexpr std::uint32_t fpc2_scribing_layer = 6;
inline constexpr std::uint32_t fpc2_bottom_notes_layer = 8;

// The sections of the dialect: the 1.3xx ones and its own [graphics] and [merges].
enum class Fpc2Section { None, Options, Footprints, Board, Cutouts, Graphics, Parts, Nets, Texts, Merges, End };

// The section whose header the line is, after blanks and tabs, or None.
Fpc2Section fpc2_section_of(const char* line);

// A layer number of the dialect (numbered as `source` numbers its layers) as the board database
// numbers it, and back. Layers of the dialect with no counterpart (scribing, the notes layers)
// become 1, a layer that holds nothing.
std::uint32_t layer_from_fpc2(const SourceText& source, std::uint32_t layer);
std::uint32_t layer_to_fpc2(const SourceText& source, std::uint32_t layer);

}  // namespace tarnwick
