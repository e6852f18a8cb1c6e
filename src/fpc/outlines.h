#pragma once
// Board outlines (the PCB and signal boundaries chosen by -U) and solder-mask cutouts.

#include "board/board.h"
#include "core/settings.h"
#include "fpc/reader.h"

namespace tarnwick {

// Reads "[board]": every outline, the bounds of outline pcb_outline, and the check that every
// corner of outline signal_outline lies within those bounds; the holes cut in the board are
// those the file's rules carry. Both numbers must be at least 1 and the bounds initialised.
void read_board_outlines(LineReader& reader, Board& board, const RunSettings& settings);

// Reads "[solder_mask_cutouts]"; the cutouts are only written back.
void read_sm_cutouts(LineReader& reader, Board& board, const RunSettings& settings);

}  // namespace tarnwick
