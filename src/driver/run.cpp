#include "driver/run.h"

#include <cstdio>
#include <ctime>
#include <new>

#include "board/board.h"
#include "core/errors.h"
#include "core/settings.h"
#include "driver/command_line.h"
#include "driver/error_report.h"
#include "dsn/design_file.h"
#include "fpc/board_writer.h"
#include "fpc/load.h"
#include "report/info_report.h"

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

}  // namespace

int run(int argc, const char* const* argv) {
    Diagnostics diagnostics;
    try {
        print_banner();
        RunSettings settings;
        parse_command_line(argc, argv, settings);

        Board board;
        load_fpc_file(board, settings, diagnostics);

        if (settings.info_only) {
            if (settings.verbose) write_fpc_sections(stdout, board, true);
            write_info_report(console(), board, settings);
        } else if (settings.back_annotate) {
            // Until the session import exists, say so rather than end as if a routed board were written.
            fatal_error(back_annotation_unavailable, "back-annotation (-B) is not available in this version");
        } else {
            if (write_design_file(board, settings) != 0) fatal_error(266, "Unable to create DSN file");
        }
        print_elapsed_time();
        std::fflush(stdout);
        std::fflush(console());
        return 0;
    } catch (const FatalError& error) {
        std::fflush(stdout);
        return report_fatal(error, diagnostics, console());
    } catch (const std::bad_alloc&) {
        // Tables grow as the file is read; a board too large for memory still ends with a message.
        std::fflush(stdout);
        return report_fatal(FatalError{out_of_memory, "out of memory"}, diagnostics, console());
    }
}

}  // namespace tarnwick
