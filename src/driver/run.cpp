#include "driver/run.h"

#include <cstdio>
#include <ctime>
#include <string>
#include <new>

#include "board/board.h"
#include "core/errors.h"
#include "core/file_names.h"
#include "core/settings.h"
#include "driver/command_line.h"
#include "driver/error_report.h"
#include "dsn/design_file.h"
#include "fpc/load.h"
#include "fpc_writer/board_writer.h"
#include "picture/board_picture.h"
#include "report/info_report.h"
#include "report/session_report.h"
#include "route/route_result.h"
#include "route/router_run.h"
#include "session/back_annotation.h"
#include "session/router_copper.h"

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
    const std::string& routed = settings.routed_fpcname;
    if (same_file(routed, settings.fpcname) || same_file(routed, settings.specctraname)) {
        fatal_error(routed_name_is_input,
                    strformat("routed board file %s would replace an input file; name the session file otherwise",
                              routed.c_str()));
    }
}

// Our own code for a picture whose name is that of another file of the run.
constexpr int picture_name_taken = 50045;

// The export's design file, for the export and the route job.
void export_design(const Board& board, const RunSettings& settings) {
    if (write_design_file(board, settings) != 0) fatal_error(design_file_not_written, "Unable to create DSN file");
}

// The picture (--svg) must replace neither an input nor another output of the run.
void check_picture_name(const RunSettings& settings) {
    const std::string& picture = settings.picture_name;
    const auto refuse_if = [&](const std::string& other, const char* what) {
        if (!same_file(picture, other)) return;
        fatal_error(picture_name_taken,
                    strformat("picture file %s would replace the %s; name the files otherwise", picture.c_str(), what));
    };
    refuse_if(settings.fpcname, "board file");
    if (settings.route.enabled) {
        refuse_if(settings.specctraname, "design file");
        refuse_if(settings.route.session_file, "session file");
        refuse_if(settings.routed_fpcname, "routed board file");
        refuse_if(settings.route.log_file, "router's log");
        if (!settings.route.summary.empty()) refuse_if(settings.route.summary, "summary file");
    } else if (settings.back_annotate) {
        refuse_if(settings.specctraname, "session file");
        refuse_if(settings.routed_fpcname, "routed board file");
    } else if (!settings.info_only) {
        refuse_if(settings.specctraname, "design file");
    }
}

// The picture's title: the name of the board file it shows, without its folder.
std::string picture_title(const std::string& fpcname) { return fpcname.substr(last_component_position(fpcname)); }

// The picture of the board as loaded.
void write_loaded_picture(const Board& board, const RunSettings& settings) {
    write_picture_file(board, settings.picture_name, {picture_title(settings.fpcname), nullptr});
}

// The picture of the routed board, the router's copper told apart from the board's own, and the
// connections it leaves open drawn from one side to the other.
void write_routed_picture(const Board& board, const RunSettings& settings, const BackAnnotation& routed) {
    const RouterCopper copper = router_copper(routed.session);
    std::vector<OpenLine> open;
    open.reserve(routed.unrouted.open.size());
    for (const OpenConnection& line : routed.unrouted.open) {
        open.push_back(OpenLine{line.from.x, line.from.y, line.to.x, line.to.y});
    }
    write_picture_file(board, settings.picture_name, {picture_title(settings.routed_fpcname), &copper, &open});
}

// The back-annotation, for -B and the route job alike: the session read, its wiring rebuilt as
// traces, the connections checked and the routed board written.
BackAnnotation back_annotate_and_write(Board& board, const RunSettings& settings, Diagnostics& diagnostics) {
    check_routed_name(settings);
    BackAnnotation routed =
        back_annotate_file(board, settings, diagnostics, settings.verbose ? session_reports_to(stdout) : StateReport());
    // The session report of -V is complete here: a lost one fails the run before the routed
    // board is written.
    if (settings.verbose) check_standard_output();
    write_routed_fpc_file(board, settings, diagnostics);
    return routed;
}

// The summary file may name no file that the route reads or writes.
void check_summary_name(const RunSettings& settings) {
    const std::string& summary = settings.route.summary;
    if (summary.empty()) return;
    for (const std::string* name : {&settings.fpcname, &settings.specctraname, &settings.route.session_file,
                                    &settings.routed_fpcname, &settings.route.log_file}) {
        if (same_file(summary, *name)) {
            fatal_error(summary_name_is_input,
                        strformat("summary file %s would replace a file of the route; name it otherwise", summary.c_str()));
        }
    }
}

// The route job: the board loaded and exported, the router, the back-annotation; the summary
// file written whatever the end, so that no earlier one is taken for this run's. Returns the
// exit status.
int route_board(const RunSettings& settings, Diagnostics& diagnostics) {
    RouteResult result;
    result.board = settings.fpcname;
    result.design_file = settings.specctraname;
    result.session_file = settings.route.session_file;
    result.router_log = settings.route.log_file;
    result.passes = settings.route.passes;
    result.time_limit = settings.route.time_limit;
    check_summary_name(settings);
    if (settings.picture) check_picture_name(settings);
    // -B's settings for the session the router will write; a routed board's name that -B would
    // refuse is refused before the router takes its time.
    RunSettings back_annotation = settings;
    back_annotation.specctraname = settings.route.session_file;
    check_routed_name(back_annotation);
    const std::string& summary = settings.route.summary;
    const auto write_failed_summary = [&](int code, const std::string& message) {
        result.error_code = code;
        result.error_message = message;
        if (summary.empty()) return;
        try {
            write_route_summary(summary, result);
        } catch (const FatalError& lost) {
            // The failure that ended the route is the one reported.
            std::fprintf(console(), "\n%s\n", lost.message.c_str());
        }
    };
    try {
        Board board;
        load_fpc_file(board, settings, diagnostics);
        export_design(board, settings);
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
        result.before = copper_totals(board.nets);
        const BackAnnotation routed = back_annotate_and_write(board, back_annotation, diagnostics);
        result.connections = routed.connections;
        result.connections_checked = true;
        note_unrouted(result, board, routed.unrouted);
        result.routed_board = settings.routed_fpcname;
        result.after = copper_totals(board.nets);
        if (settings.picture) write_routed_picture(board, settings, routed);
    } catch (const FatalError& error) {
        write_failed_summary(error.code, error.message);
        throw;
    } catch (const std::bad_alloc&) {
        write_failed_summary(out_of_memory, "out of memory");
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
        RunSettings parsed;
        Request request = Request::run;
        try {
            request = parse_command_line(argc, argv, parsed);
        } catch (const FatalError&) {
            // A command-line error (and -H) is reported below the banner, as in every other run.
            print_banner();
            throw;
        }
        const RunSettings& settings = parsed;
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

        int status = 0;
        if (settings.route.enabled && !settings.info_only) {
            status = route_board(settings, diagnostics);
        } else {
            Board board;
            load_fpc_file(board, settings, diagnostics);
            if (settings.picture) check_picture_name(settings);
            if (settings.info_only) {
                if (settings.verbose) write_fpc_sections(stdout, board);
                write_info_report(console(), board, settings);
                if (settings.picture) write_loaded_picture(board, settings);
            } else if (settings.back_annotate) {
                const BackAnnotation routed = back_annotate_and_write(board, settings, diagnostics);
                if (settings.picture) write_routed_picture(board, settings, routed);
            } else {
                export_design(board, settings);
                if (settings.picture) write_loaded_picture(board, settings);
            }
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
