#pragma once
// Finding the lines of a 1.3xx board file that no section reader takes as a record, for the board
// writer to give back.

#include "board/board.h"
#include "fpc/reader.h"

namespace tarnwick {

// Reads the whole file once more, after the section readers, and keeps in board.kept every line
// that is no record the writer writes, with the place of the record it followed. Lines of a
// section the readers never reach (a header met a second time, and what follows it up to the
// next section) are not kept. The reader is left where it stood.
void collect_kept_records(LineReader& reader, Board& board);

}  // namespace tarnwick
