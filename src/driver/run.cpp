#include "driver/run.h"

#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <utility>
#include <new>

#include "board/board.h"
#include "core/errors.h"
#include "core/file_names.h"
#include "core/settings.h"
#include "driver/command_line.h"
#include "driver/error_report.h"
#include "dsn/design_file.h"
#include "fpc/board_writer.h"
#include "fpc/load.h"
#include "report/info_report.h"
#include "route/route_result.h"
#include "route/router_run.h"
#include "session/connectivity.h"
#include "session/load_session.h"
#include "session/session_reader.h"
#include "session/trace_rebuild.h"

namespace tarnwick {

namespace {

void print_banner() {
    std::fprintf(console(), "\n\n   Tarnwick - A FreePCB <--> Freerouter file translator\n");
    std::fprintf(console(), "%17s", "");
    std::fprintf(console(), "Ver %1.3lf%c", program_version, release_letter);
    std::fprintf(console(), "\n\n");
}

void print_elapsed_time() {
    std::fprintf(console(), "\n\n\nElapsed time: %1.3lf Sec\n\n",
                 static_cast<double>(std::clock()) / static_cast<double>(CLOCKS_PER_SEC));
}

constexpr const char* routed_suffix = "_routed";

// Our own code for a design file that could not be stored whole (a full disk, a file size
// limit). The shipped code 266 lies in the command-line range, whose errors print the usage
// text as if the command line were wrong; the message stays the same.
constexpr int design_file_not_written = 41481;

// The answer to --version: the name and the version, as the banner shows them.
void print_version(std::FILE* out) { std::fprintf(out, "Tarnwick %1.3lf%c\n", program_version, release_letter); }

void check_standard_output() {
    check_written(stdout, standard_output_not_written, "error writing standard output");
}

// The routed board must never replace an input, whatever spelling names it.
void check_routed_name(const RunSettings& settings) {
    const std::string routed = routed_file_name(settings.fpcname, routed_suffix);
    const std::string session = session_file_name(settings.specctraname);
    if (same_file(routed, settings.fpcname) || same_file(routed, session)) {
        fatal_error(routed_name_is_input,
                    strformat("routed board file %s would replace an input file; name the session file otherwise",
                              routed.c_str()));
    }
}

// The back-annotation, for -B and the route job alike: the session read, its wiring rebuilt as
// traces, the connections checked and the routed board written.
ConnectionCount back_annotate(Board& board, RunSettings& settings, Diagnostics& diagnostics) {
    check_routed_name(settings);
    const std::unique_ptr<Session> session = load_session(board, settings, diagnostics);
    const NetPinPads pads(board);
    board.nets = build_routed_nets(*session, std::move(board.nets), board.options.default_trace_width, pads);
    const ConnectionCount count = check_routed_connections(console(), *session, board, pads);
    // The session report of -V is complete here: a lost one fails the run before the routed
    // board is written.
    if (settings.verbose) check_standard_output();
    write_routed_fpc_file(board, settings, diagnostics, routed_suffix);
    return count;
}

// The summary file may name no file that the route reads or writes.
void check_summary_name(const RunSettings& settings, const RouteResult& result) {
    const std::string& summary = settings.route.summary;
    if (summary.empty()) return;
    const std::string routed = routed_file_name(result.board, routed_suffix);
    for (const std::string* name : {&result.board, &result.design_file, &result.session_file, &routed, &result.router_log}) {
        if (same_file(summary, *name)) {
            fatal_error(summary_name_is_input,
                        strformat("summary file %s would replace a file of the route; name it otherwise", summary.c_str()));
        }
    }
}

// The route job: the export, the router, the back-annotation; the summary file written whatever
// the end. Returns the exit status.
int route_board(Board& board, RunSettings& settings, Diagnostics& diagnostics) {
    RouteResult result;
    result.board = settings.fpcname;
    result.design_file = design_file_name(settings.specctraname);
    // Named for the routed board it becomes, so that a session of the board's own (the one a
    // routing by hand left, say) stays as it is.
    result.session_file = without_extension(result.design_file) + "_routed.ses";
    result.router_log = without_extension(settings.fpcname) + "_router.log";
    result.passes = settings.route.passes;
    result.time_limit = settings.route.time_limit;
    check_summary_name(settings, result);
    // Before the router takes its time: a routed board's name that -B would refuse afterwards.
    RunSettings named = settings;
    named.specctraname = result.session_file;
    check_routed_name(named);
    const std::string& summary = settings.route.summary;
    try {
        if (write_design_file(board, settings) != 0) fatal_error(design_file_not_written, "Unable to create DSN file");
        RouterJob job;
        job.router_option = settings.route.router;
        job.design_file = result.design_file;
        job.session_file = result.session_file;
        job.log_file = result.router_log;
        job.passes = settings.route.passes;
        job.time_limit = settings.route.time_limit;
        job.extra_arguments = settings.route.router_arguments;
        job.verbose = settings.verbose;
        run_router(job, result.router);
        settings.specctraname = result.session_file;
        result.before = copper_totals(board.nets);
        result.connections = back_annotate(board, settings, diagnostics);
        result.connections_checked = true;
        result.routed_board = settings.fpcname;
        result.after = copper_totals(board.nets);
    } catch (const FatalError& error) {
        result.error_code = error.code;
        result.error_message = error.message;
        if (!summary.empty()) {
            try {
                write_route_summary(summary, result);
            } catch (const FatalError& lost) {
                // The failure that ended the route is the one reported.
                std::fprintf(console(), "\n%s\n", lost.message.c_str());
            }
        }
        throw;
    }
    print_route_result(console(), result);
    if (!summary.empty()) write_route_summary(summary, result);
    return route_exit_status(result);
}

}  // namespace

int run(int argc, const char* const* argv) {
    Diagnostics diagnostics;
    try {
        RunSettings settings;
        Request request = Request::run;
        try {
            request = parse_command_line(argc, argv, settings);
        } catch (const FatalError&) {
            // A command-line error (and -H) is reported below the banner, as in every other run.
            print_banner();
            throw;
        }
        if (request != Request::run) {
            // Answered as every command-line tool answers them: on standard output, nothing else.
            if (request == Request::help) {
                print_usage(stdout);
            } else {
                print_version(stdout);
            }
            check_standard_output();
            return 0;
        }
        print_banner();

        Board board;
        load_fpc_file(board, settings, diagnostics);

        int status = 0;
        if (settings.info_only) {
            if (settings.verbose) write_fpc_sections(stdout, board);
            write_info_report(console(), board, settings);
        } else if (settings.route.enabled) {
            status = route_board(board, settings, diagnostics);
        } else if (settings.back_annotate) {
            back_annotate(board, settings, diagnostics);
        } else {
            if (write_design_file(board, settings) != 0) fatal_error(design_file_not_written, "Unable to create DSN file");
        }
        check_standard_output();
        print_elapsed_time();
        check_written(console(), standard_error_not_written, "error writing standard error");
        return status;
    } catch (const FatalError& error) {
        std::fflush(stdout);
        const int status = report_fatal(error, diagnostics, console());
        // The usage text of -H is the one report that ends in success; lost, it is a failure too.
        if (status == 0 && std::ferror(console()) != 0) return exit_status_for(standard_error_not_written);
        return status;
    } catch (const std::bad_alloc&) {
        // Tables grow as the file is read; a board too large for memory still ends with a message.
        std::fflush(stdout);
        return report_fatal(FatalError{out_of_memory, "out of memory"}, diagnostics, console());
    }
}

}  // namespace tarnwick
