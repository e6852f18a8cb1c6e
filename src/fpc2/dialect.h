#pragma once
// Boards of FreePCB-2, the editor's maintained fork, which saves a dialect of the 1.3xx format:
// lengths with units, other layer numbers, more fields in many records, sections of its own.
// A thin layer: each line of the dialect is turned into what the 1.3xx reader expects, line for
// line, so that every message still names the line of the file; what the 1.3xx records cannot
// hold is kept in Fpc2Board.

#include <cstdint>
#include <string>
#include <vector>

#include "board/fpc2_board.h"

namespace tarnwick {

// The versions of the dialect that this reader was made for: 2.0xx to 2.4xx.
inline constexpr double first_fpc2_version = 2.0;
inline constexpr double newest_fpc2_version = 2.5;
inline constexpr double newest_tested_fpc2_version = 2.427;  // a later one is read with a caution
// From this file version on the dialect has fifteen non-copper layers.
inline constexpr double first_shifted_layers_version = 2.0199;

// The sections of the dialect: the 1.3xx ones and its own [graphics] and [merges].
enum class Fpc2Section { None, Options, Footprints, Board, Cutouts, Graphics, Parts, Nets, Texts, Merges, End };

// The section whose header the line is, after blanks and tabs, or None.
Fpc2Section fpc2_section_of(const char* line);

// The version of a board of the dialect (the larger of the version: and file_version: records
// of its options), or 0 for any other file.
double fpc2_board_version(const std::vector<char>& contents);

// When `contents` is a board of the dialect: keeps its lines in `fpc2`, makes it active and
// replaces `contents` by the 1.3xx text, line for line. Any other file is left as it is.
// `counter` names the line being translated in an error, as the line reader's counter does.
void translate_fpc2_board(std::vector<char>& contents, Fpc2Board& fpc2, std::uint32_t& counter);

// A layer number of the dialect as the board database numbers it, and back. Layers of the
// dialect with no counterpart (scribing, the notes layers) become 1, a layer that holds nothing.
std::uint32_t layer_from_fpc2(const Fpc2Board& fpc2, std::uint32_t layer);
std::uint32_t layer_to_fpc2(const Fpc2Board& fpc2, std::uint32_t layer);

// The copper layer of a footprint polyline's layer number: 12 top, 13 bottom, 0 the inner
// layers; -1 for a layer that is no copper.
std::int32_t footprint_copper_layer(std::uint32_t layer);

// A length of the dialect, "0.4mm", "12mil", "2.5um" or a plain number of nanometres, in
// nanometres; false when it is none.
bool fpc2_length_nm(const char* text, double& nm, const char** end);

}  // namespace tarnwick
