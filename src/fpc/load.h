#pragma once

#include <vector>

#include "board/board.h"
#include "core/errors.h"
#include "core/settings.h"

namespace tarnwick {

// True for the runs that write the loaded board back (-B, -R, and -I with -V): only these keep
// the lines of the file that no reader takes as a record.
bool board_written_back(const RunSettings& settings);

// Reads the board file that the settings name and runs the section readers in their fixed order
// into `board`. Every failure ends through fatal_error.
void load_fpc_file(Board& board, const RunSettings& settings, Diagnostics& diagnostics);

// The same over a board file's contents already in memory; `settings.fpcname` names it in the
// messages.
void load_fpc_contents(Board& board, const RunSettings& settings, Diagnostics& diagnostics,
                       std::vector<char> contents);

}  // namespace tarnwick
