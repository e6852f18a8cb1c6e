#pragma once

#include "core/settings.h"

namespace tarnwick {

// Parses the switches and file arguments into settings. Raises the command-line errors
// (and code 0 for the help switch) through fatal_error.
void parse_command_line(int argc, const char* const* argv, RunSettings& settings);

}  // namespace tarnwick
