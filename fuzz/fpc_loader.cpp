// Fuzzes the board-file loader with any text, and runs the design export, the board writer, the
// info report and the picture (checked as XML reads it) on every board that loads. A FatalError is how bad input must end; a crash, a
// sanitizer report, a leak or a hang is a finding.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "board/board.h"
#include "core/errors.h"
#include "core/settings.h"
#include "dsn/design_file.h"
#include "fpc/load.h"
#include "fpc_writer/board_writer.h"
#include "picture_check.h"
#include "report/info_report.h"

using namespace tarnwick;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The input's length picks the switches, so that every -F mode, -V and a -U choice meet
    // every kind of board without a header of ours in front of the board text.
    RunSettings settings;
    settings.fpcname = "fuzz.fpc";
    settings.specctraname = "fuzz";
    settings.fromto_mode = static_cast<std::uint32_t>(size % 4);
    settings.verbose = (size / 4) % 2 == 1;
    if ((size / 8) % 2 == 1) {
        settings.pcb_outline = 2;
        settings.signal_outline = 1;
    }
    // As -B loads a board: the lines no reader takes are kept for the board writer.
    settings.back_annotate = (size / 16) % 2 == 1;

    Board board;
    Diagnostics diagnostics;
    try {
        load_fpc_contents(board, settings, diagnostics, std::vector<char>(data, data + size));
    } catch (const FatalError&) {
        return 0;
    }

    // The writers too may refuse what they are given (a surface pin without copper, a pad shape
    // the router has no name for): each runs on its own, so that one's refusal leaves the others
    // fuzzed.
    std::FILE* sink = std::fopen("/dev/null", "w");
    if (sink == nullptr) return 0;
    try {
        write_fpc_sections(sink, board);
    } catch (const FatalError&) {
    }
    try {
        write_info_report(sink, board, settings);
    } catch (const FatalError&) {
    }
    check_picture(board, nullptr);
    try {
        DesignFile design(sink);  // closes the sink
        write_design_sections(design, board, settings);
    } catch (const FatalError&) {
    }
    return 0;
}
