#include "session/load_session.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "core/file_names.h"
#include "core/file_system.h"
#include "session/analysis.h"
#include "session/connectivity.h"
#include "session/placement.h"
#include "session/routes.h"

namespace tarnwick {

std::unique_ptr<Session> load_session(Board& board, RunSettings& settings, Diagnostics& diagnostics) {
    settings.specctraname = session_file_name(settings.specctraname);
    diagnostics.ses_name = settings.specctraname;
    diagnostics.ses_line = 0;
    if (same_file(settings.specctraname, settings.fpcname)) {
        fatal_error(30449,
                    "Session (.SES) file name matches FreePCB (.FPC) file name, restart without file extensions");
    }
    std::vector<char> contents;
    if (!read_whole_file(settings.specctraname, contents)) fatal_error(32170, "unable to open SES file for input");
    std::fprintf(console(), "\n  Loading session file \"%s\"\n", settings.specctraname.c_str());

    auto session = std::make_unique<Session>(settings.specctraname, std::move(contents), diagnostics.ses_line);
    read_session(*session, board, settings);
    return session;
}

void read_session(Session& session, Board& board, const RunSettings& settings) {
    apply_session_placement(session, board);
    read_session_routes(session, board, settings);
    // Everything of the file is in the wire list now: its memory is of no further use.
    session.reader.release();
    note_router_connections(session, board);
    analyse_routes(session, board, settings);
}

}  // namespace tarnwick
