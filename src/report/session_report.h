#pragma once
// The verbose report of the session importer's state, written after the session is read and
// after each analysis pass.

#include <cstdio>

#include "board/board.h"
#include "session/session.h"

namespace tarnwick {

// Writes one report titled `title` to `out` and flushes it; the connection sets are listed only
// `with_traces`. Changes nothing.
void write_session_report(std::FILE* out, const char* title, bool with_traces, const Session& session,
                          const Board& board);

// The importer's state shown as these reports on `out`: what -B -V writes on standard output.
StateReport session_reports_to(std::FILE* out);

}  // namespace tarnwick
