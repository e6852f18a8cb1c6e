#pragma once

#include "core/settings.h"

namespace tarnwick {

// What the command line asks for: a run, or one of the two answers every command-line tool
// gives (`--help`, `--version`), which need no board.
enum class Request { run, help, version };

// Parses the switches and file arguments into settings. Raises the command-line errors
// (and code 0 for the help switch) through fatal_error.
Request parse_command_line(int argc, const char* const* argv, RunSettings& settings);

}  // namespace tarnwick
