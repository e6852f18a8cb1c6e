#pragma once
// The back-annotation: the router's session applied to the board, its wiring analysed and
// rebuilt as the board's traces, and the connections the router made checked on the result.

#include <cstdint>
#include <string>
#include <vector>

#include "board/board.h"
#include "core/errors.h"
#include "core/settings.h"
#include "session/connectivity.h"
#include "session/session.h"
#include "session/unrouted.h"

namespace tarnwick {

// What a back-annotation leaves beside the routed board: the session as read and analysed (the
// router's wires, vias and junctions that the routed traces were made of, and the counts of the
// reports), how many of the router's connections the routed board keeps, and what it leaves
// unrouted.
struct BackAnnotation {
    Session session;
    ConnectionCount connections;
    UnroutedReport unrouted;
};

// Reads the session file that the settings name and back-annotates the board with it: the
// router's placement applied to the parts, its wiring read and analysed (the importer's state
// shown to `report` as it goes), the routed nets in place of the board's nets, and the check that
// they keep every connection the router made (its warnings and summary line on the console), and the
// connections the routed board leaves open (their lines on the console). The
// board is then the routed board, ready to be written. Every failure ends through fatal_error.
BackAnnotation back_annotate_file(Board& board, const RunSettings& settings, Diagnostics& diagnostics,
                                  const StateReport& report = {});

// The same over a session's text in memory, which the reports call `name`; `line_counter` is
// the session line that error messages show. Unless `keep_router_wiring`, the session's wiring
// is let go as the routed nets are built (only a picture of the router's copper reads it later),
// so that the checks after it run in its memory; the counts of its analysis stay.
BackAnnotation back_annotate(Board& board, std::string name, std::vector<char> text, std::uint32_t& line_counter,
                             const StateReport& report = {}, bool keep_router_wiring = true);

}  // namespace tarnwick
