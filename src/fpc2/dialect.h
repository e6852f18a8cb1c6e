#pragma once
// Boards of FreePCB-2, the editor's maintained fork, which saves a dialect of the 1.3xx format:
// lengths with units, other layer numbers, more fields in many records, sections of its own.
// A thin layer: each line of the dialect is turned into what the 1.3xx reader expects, line for
// line, so that every message still names the line of the file; what the 1.3xx records cannot
// hold goes to the reader as the file's rules, and the file's lines are kept for writing back.

#include <cstdint>
#include <string>
#include <vector>

#include "board/board.h"
#include "fpc/file_rules.h"

namespace tarnwick {

// The versions of the dialect that this reader was made for: 2.0xx to 2.4xx.
inline constexpr double first_fpc2_version = 2.0;
inline constexpr double newest_fpc2_version = 2.5;
inline constexpr double newest_tested_fpc2_version = 2.427;  // a later one is read with a caution
// From this file version on the dialect has fifteen non-copper layers.
inline constexpr double first_shifted_layers_version = 2.0199;
inline constexpr std::uint32_t shifted_non_copper_layers = 15;

// The sections of the dialect: the 1.3xx ones and its own [graphics] and [merges].
enum class Fpc2Section { None, Options, Footprints, Board, Cutouts, Graphics, Parts, Nets, Texts, Merges, End };

// The section whose header the line is, after blanks and tabs, or None.
Fpc2Section fpc2_section_of(const char* line);

// Whether `contents` is a board of the dialect: the larger of the version: and file_version:
// records of its options is 2.0 or more.
bool is_fpc2_board(const std::vector<char>& contents);

// Replaces `contents`, a board of the dialect, by the 1.3xx text, line for line, keeps the
// file's lines in `source` and returns what the 1.3xx lines cannot say. `counter` names the line
// being translated in an error, as the line reader's counter does.
FileRules translate_fpc2_board(std::vector<char>& contents, SourceText& source, std::uint32_t& counter);

// A layer number of the dialect (numbered as `source` numbers its layers) as the board database
// numbers it, and back. Layers of the dialect with no counterpart (scribing, the notes layers)
// become 1, a layer that holds nothing.
std::uint32_t layer_from_fpc2(const SourceText& source, std::uint32_t layer);
std::uint32_t layer_to_fpc2(const SourceText& source, std::uint32_t layer);

// The copper of a footprint polyline on the footprint layer `layer`: 13 top, 14 the inner
// layers, 15 bottom; none on any other layer.
PolylineCopper footprint_copper(std::uint32_t layer);

// A length of the dialect, "0.4mm", "12mil", "2.5um" or a plain number of nanometres, in
// nanometres; false when it is none.
bool fpc2_length_nm(const char* text, double& nm, const char** end);

}  // namespace tarnwick
