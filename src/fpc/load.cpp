#include "fpc/load.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "board/part_pins.h"
#include "core/file_system.h"
#include "fpc/board_kind.h"
#include "fpc/footprints.h"
#include "fpc/kept_records.h"
#include "fpc/nets.h"
#include "fpc/options.h"
#include "fpc/outlines.h"
#include "fpc/parts.h"
#include "fpc/reader.h"
#include "fpc/texts.h"
#include "fpc2/translation.h"

namespace tarnwick {

bool board_written_back(const RunSettings& settings) {
    return settings.back_annotate || settings.route.enabled || (settings.info_only && settings.verbose);
}

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
    // A board of FreePCB-2 is read through the translation of its dialect into 1.3xx lines.
    FileRules rules;
    board.file_format = BoardFileFormat::fpc;
    board.source = SourceText{};
    if (is_fpc2_board(contents)) {
        board.file_format = BoardFileFormat::fpc2;
        rules = translate_fpc2_board(contents, board.source, diagnostics.fpc_line);
    }
    LineReader reader(std::move(contents), diagnostics.fpc_line, std::move(rules));

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
    // The dialect's writer writes its lines back itself.
    board.kept = KeptRecords{};
    if (board.file_format == BoardFileFormat::fpc && board_written_back(settings)) collect_kept_records(reader, board);

    board.stats.source_lines = reader.line_number();

    std::fprintf(console(), "\n  File \"%s\" loaded, %u lines read.\n", settings.fpcname.c_str(), reader.line_number());
}

}  // namespace tarnwick
