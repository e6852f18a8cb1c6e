#include "fpc/load.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "board/part_pins.h"
#include "core/file_system.h"
#include "fpc/board_kind.h"
#include "fpc/footprints.h"
#include "fpc/fork_dialect.h"
#include "fpc/nets.h"
#include "fpc/options.h"
#include "fpc/outlines.h"
#include "fpc/parts.h"
#include "fpc/reader.h"
#include "fpc/texts.h"

namespace tarnwick {

void load_fpc_file(Board& board, const RunSettings& settings, Diagnostics& diagnostics) {
    diagnostics.fpc_name = settings.fpcname;
    diagnostics.fpc_line = 0;

    std::vector<char> contents;
    if (!read_whole_file(settings.fpcname, contents)) {
        fatal_error(13006, strformat("Unable to open %s for input", settings.fpcname.c_str()));
    }
    load_fpc_contents(board, settings, diagnostics, std::move(contents));
}

void load_fpc_contents(Board& board, const RunSettings& settings, Diagnostics& diagnostics,
                       std::vector<char> contents) {
    diagnostics.fpc_name = settings.fpcname;
    translate_fork_board(contents, board.fork, diagnostics.fpc_line);
    LineReader reader(std::move(contents), diagnostics.fpc_line);

    check_board_kind(reader);
    read_options(reader, board);
    read_footprints(reader, board, settings);

    board.outline_min_x = board.outline_min_y = 1000000;
    board.outline_max_x = board.outline_max_y = -1000000;

    read_board_outlines(reader, board, settings);
    read_sm_cutouts(reader, board, settings);
    read_parts(reader, board, settings);
    read_nets(reader, board, settings);
    // The parts section placed the pins before the nets were known; placing them again gives
    // every part pin its net and every net pin its position and layer.
    build_part_pins(board);
    read_texts(reader, board, settings);

    board.stats.source_lines = reader.line_number();

    std::fprintf(console(), "\n  File \"%s\" loaded, %u lines read.\n", settings.fpcname.c_str(), reader.line_number());
}

}  // namespace tarnwick
