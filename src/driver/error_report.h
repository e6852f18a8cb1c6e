#pragma once
// How a failure reaches the user: the error line in the form its code's range chooses, the
// usage text, and the process exit status.

#include <cstdio>

#include "core/errors.h"

namespace tarnwick {

void print_usage(std::FILE* out);

// Prints the error in the form its code's range chooses (and the usage text for command-line
// codes) and returns the process exit status for it.
int report_fatal(const FatalError& error, const Diagnostics& diagnostics, std::FILE* out);

// Flushes the stream and ends the run through fatal_error with `code` and `message` when
// anything written to it was lost (a full disk, a file size limit, a closed pipe).
void check_written(std::FILE* stream, int code, const char* message);

}  // namespace tarnwick
