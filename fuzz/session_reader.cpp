// Fuzzes the session importer with any text as the session of a fixed board of our own (the
// example board, compiled in): the whole back-annotation, from reading the session to writing
// the routed board and its picture (checked as XML reads it). A FatalError is how bad input must end; a crash, a sanitizer report, a leak,
// a hang or a huge allocation is a finding.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "board/board.h"
#include "core/errors.h"
#include "core/file_names.h"
#include "core/settings.h"
#include "fpc/load.h"
#include "fpc_writer/board_writer.h"
#include "report/session_report.h"
#include "picture_check.h"
#include "session/back_annotation.h"
#include "session/router_copper.h"

using namespace tarnwick;

namespace {

const unsigned char board_file[] = {
#include "fuzz_board.inc"
};

// The board as loaded, once; every input gets a copy of it, as the importer changes the board.
// Standard output, where the -V reports go, is pointed at /dev/null at the same time.
const Board& fixed_board() {
    static const Board board = [] {
        if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
        Board loaded;
        RunSettings settings;
        settings.fpcname = "blinker.fpc";
        Diagnostics diagnostics;
        try {
            load_fpc_contents(loaded, settings, diagnostics, std::vector<char>(board_file, board_file + sizeof board_file));
        } catch (const FatalError& error) {
            std::fprintf(stderr, "the fixed board does not load: %d %s\n", error.code, error.message.c_str());
            std::abort();
        }
        return loaded;
    }();
    return board;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Board& fixed = fixed_board();
    // A quarter of the inputs, picked by their length, run with -V: the five reports read every
    // record the importer made.
    RunSettings settings;
    settings.back_annotate = true;
    settings.verbose = size % 4 == 0;
    name_run_files(settings, "blinker.fpc", "fuzz.ses");

    Board board = fixed;
    std::uint32_t line = 0;
    std::FILE* sink = std::fopen("/dev/null", "w");
    if (sink == nullptr) return 0;
    // Two inputs in three keep the session's wiring for the picture of the router's copper, as
    // -B --svg does; the third lets it go as the routed nets are built, as -B alone does.
    const bool picture_of_router = size % 3 != 0;
    try {
        const BackAnnotation routed =
            back_annotate(board, settings.specctraname, std::vector<char>(data, data + size), line,
                          settings.verbose ? session_reports_to(stdout) : StateReport(), picture_of_router);
        write_fpc_sections(sink, board);
        const RouterCopper copper = picture_of_router ? router_copper(routed.session) : RouterCopper();
        check_picture(board, picture_of_router ? &copper : nullptr);
    } catch (const FatalError&) {
    }
    std::fclose(sink);
    return 0;
}
