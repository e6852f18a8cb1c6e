#pragma once
// The three standard streams as the run needs them, whatever state the caller left them in.

namespace tarnwick {

// Gives each standard stream that was closed when the program started (`2>&-`) the null device,
// opened for reading only. No file the run opens can then take the stream's number, so console
// text never lands inside an output file; a write to a closed standard output or standard error
// fails instead, and the run reports it.
void reserve_standard_streams();

}  // namespace tarnwick
