#include "session/back_annotation.h"

#include <cstdio>
#include <utility>

#include "core/file_names.h"
#include "core/file_system.h"
#include "session/analysis.h"
#include "session/placement.h"
#include "session/routed_check.h"
#include "session/routes.h"
#include "session/trace_rebuild.h"

namespace tarnwick {

BackAnnotation back_annotate_file(Board& board, const RunSettings& settings, Diagnostics& diagnostics,
                                  const StateReport& report) {
    const std::string& name = settings.specctraname;
    diagnostics.ses_name = name;
    diagnostics.ses_line = 0;
    if (same_file(name, settings.fpcname)) {
        fatal_error(30449,
                    "Session (.SES) file name matches FreePCB (.FPC) file name, restart without file extensions");
    }
    std::vector<char> contents;
    if (!read_whole_file(name, contents)) fatal_error(32170, "unable to open SES file for input");
    std::fprintf(console(), "\n  Loading session file \"%s\"\n", name.c_str());
    return back_annotate(board, name, std::move(contents), diagnostics.ses_line, report, settings.picture);
}

BackAnnotation back_annotate(Board& board, std::string name, std::vector<char> text, std::uint32_t& line_counter,
                             const StateReport& report, bool keep_router_wiring) {
    // Every net's traces, vias and tees give way to the router's (the session's network names
    // every board net, and a session without one is refused). A board loaded for -B holds none
    // but its tees; one loaded for the route job holds them all: nothing reads them from here
    // on, so their memory goes now rather than after the session's has been added to it.
    for (Net& net : board.nets) {
        net.connects = std::vector<Connect>();
        net.vias = std::vector<Via>();
        net.tees = std::vector<Tee>();
    }
    BackAnnotation result{Session(std::move(name), std::move(text), line_counter), {}, {}};
    Session& session = result.session;
    apply_session_placement(session, board);
    read_session_routes(session, board, report);
    // Everything of the file is in the wire list now: its memory is of no further use.
    session.reader.release();
    // The parts stay where the placement put them from here on, and with them every pad.
    const NetPinPads pads(board);
    // Before the analysis moves any path end.
    note_router_connections(session, board, pads);
    analyse_routes(session, board, report);
    board.nets = build_routed_nets(session, std::move(board.nets), board.options.default_trace_width, pads,
                                   keep_router_wiring);
    RoutedCheck check = check_routed_board(console(), session, board, pads);
    result.connections = check.connections;
    result.unrouted = std::move(check.unrouted);
    print_unrouted(console(), board, result.unrouted);
    return result;
}

}  // namespace tarnwick
