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
#include "report/info_report.h"
#include "report/session_report.h"
#include "session/back_annotation.h"

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

        Board board;
        load_fpc_file(board, settings, diagnostics);

        if (settings.info_only) {
            if (settings.verbose) write_fpc_sections(stdout, board);
            write_info_report(console(), board, settings);
        } else if (settings.back_annotate) {
            check_routed_name(settings);
            back_annotate_file(board, settings, diagnostics, settings.verbose ? session_reports_to(stdout) : StateReport());
            // The session report of -V is complete here: a lost one fails the run before the
            // routed board is written.
            if (settings.verbose) check_standard_output();
            write_routed_fpc_file(board, settings, diagnostics);
        } else {
            if (write_design_file(board, settings) != 0) fatal_error(design_file_not_written, "Unable to create DSN file");
        }
        check_standard_output();
        print_elapsed_time();
        check_written(console(), standard_error_not_written, "error writing standard error");
        return 0;
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
