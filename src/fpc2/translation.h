#pragma once
// Reading a board of FreePCB-2 through a thin layer: each line of the dialect is turned into what
// the 1.3xx reader expects, line for line, so that every message still names the line of the
// file; what the 1.3xx records cannot hold goes to the reader as the file's rules, and the file's
// lines are kept for writing back.

#include <cstdint>
#include <vector>

#include "board/board.h"
#include "fpc/file_rules.h"

namespace tarnwick {

// Whether `contents` is a board of the dialect: the larger of the version: and file_version:
// records of its options is 2.0 or more.
bool is_fpc2_board(const std::vector<char>& contents);

// Replaces `contents`, a board of the dialect, by the 1.3xx text, line for line, keeps the
// file's lines in `source` and returns what the 1.3xx lines cannot say. `counter` names the line
// being translated in an error, as the line reader's counter does.
FileRules translate_fpc2_board(std::vector<char>& contents, SourceText& source, std::uint32_t& counter);

// The copper of a footprint polyline on the footprint layer `layer`: 13 top, 14 the inner
// layers, 15 bottom; none on any other layer.
PolylineCopper footprint_copper(std::uint32_t layer);

// A length of the dialect, "0.4mm", "12mil", "2.5um" or a plain number of nanometres, in
// nanometres; false when it is none.
bool fpc2_length_nm(const char* text, double& nm, const char** end);

}  // namespace tarnwick
