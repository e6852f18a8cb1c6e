#pragma once
// What kind of file the board file is, before any section is read: a FreePCB board goes on to
// the section readers; a file of another program stops here, with an error that says what it
// is rather than one about a record deep inside.

#include "fpc/reader.h"

namespace tarnwick {

// Ends the run through fatal_error unless the file can be a FreePCB board; leaves the reader
// rewound.
void check_board_kind(LineReader& reader);

}  // namespace tarnwick
