#pragma once
// Writing the board database back as a board file: the "_routed" file of a back-annotation,
// and the listing of an info run with -V.

#include <cstdint>
#include <cstdio>
#include <string>

#include "board/board.h"
#include "core/errors.h"
#include "core/settings.h"

namespace tarnwick {

// The length text of the board file: "%6.6lf" without trailing zeros or a trailing point,
// and never "-0".
std::string format_length(double value);

// Board lengths in nanometres, rounded as the board file stores them.
std::uint32_t rounded_length(double inches);
std::int32_t signed_rounded_length(double inches);

// Writes every section and "[end]": the routed board and the -I -V listing alike. A board read
// in the FreePCB-2 dialect is written in that dialect.
void write_fpc_sections(std::FILE* out, const Board& board);

// Writes the routed board under the name the settings give it, reports it on the console, and
// makes that name the one that later board-file errors show. A file that cannot be opened is
// error 20043; one that cannot be written whole, 20044.
void write_routed_fpc_file(const Board& board, const RunSettings& settings, Diagnostics& diagnostics);

}  // namespace tarnwick
