// load_board: loads a board file the way every run does and stops there, so that the benchmark
// can time loading apart from the jobs that follow it. Exit status as the program's.
//
//   load_board BOARD.fpc

#include <cstdio>
#include <new>

#include "board/board.h"
#include "core/errors.h"
#include "core/settings.h"
#include "fpc/load.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: load_board BOARD.fpc\n");
        return 2;
    }
    tarnwick::RunSettings settings;
    settings.fpcname = argv[1];
    tarnwick::Diagnostics diagnostics;
    tarnwick::Board board;
    try {
        tarnwick::load_fpc_file(board, settings, diagnostics);
    } catch (const tarnwick::FatalError& error) {
        std::fprintf(stderr, "load_board: error %d: %s (line %u)\n", error.code, error.message.c_str(),
                     diagnostics.fpc_line);
        return 1;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "load_board: out of memory\n");
        return 1;
    }
    std::printf("%zu parts, %zu nets\n", board.parts.size(), board.nets.size());
    return 0;
}
