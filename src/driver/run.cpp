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
#include "fpc/board_writer.h"
#include "fpc/load.h"
#include "picture/board_picture.h"
#include "report/info_report.h"
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

// The picture (--svg) must replace neither an input nor another output of the run.
void check_picture_name(const RunSettings& settings) {
    const std::string& picture = settings.picture_name;
    const auto refuse_if = [&](const std::string& other, const char* what) {
        if (!same_file(picture, other)) return;
        fatal_error(picture_name_taken,
                    strformat("picture file %s would replace the %s; name the files otherwise", picture.c_str(), what));
    };
    refuse_if(settings.fpcname, "board file");
    if (settings.back_annotate) {
        refuse_if(settings.specctraname, "session file");
        refuse_if(settings.routed_fpcname, "routed board file");
    } else if (!settings.info_only) {
        refuse_if(settings.specctraname, "design file");
    }
}

// The picture's title: the name of the board file it shows, without its folder.
std::string picture_title(const std::string& fpcname) {
    const std::string::size_type slash = fpcname.find_last_of("/\\");
    return slash == std::string::npos ? fpcname : fpcname.substr(slash + 1);
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
        if (settings.picture) check_picture_name(settings);

        if (settings.info_only) {
            if (settings.verbose) write_fpc_sections(stdout, board);
            write_info_report(console(), board, settings);
            if (settings.picture) write_picture_file(board, settings.picture_name, {picture_title(settings.fpcname), nullptr});
        } else if (settings.back_annotate) {
            check_routed_name(settings);
            const BackAnnotation routed = back_annotate_file(board, settings, diagnostics);
            // The session report of -V is complete here: a lost one fails the run before the
            // routed board is written.
            if (settings.verbose) check_standard_output();
            write_routed_fpc_file(board, settings, diagnostics);
            if (settings.picture) {
                const RouterCopper copper = router_copper(routed.session);
                write_picture_file(board, settings.picture_name, {picture_title(settings.routed_fpcname), &copper});
            }
        } else {
            if (write_design_file(board, settings) != 0) fatal_error(design_file_not_written, "Unable to create DSN file");
            if (settings.picture) write_picture_file(board, settings.picture_name, {picture_title(settings.fpcname), nullptr});
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
