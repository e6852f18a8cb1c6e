#pragma once
// Runs board-file section readers over a text in the tests: a board with its copper-layer table
// and "DefVia" as the options reader leaves them, the section text from line 1 on, the line
// counter and the console text of the run.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "board/board.h"
#include "core/settings.h"
#include "test_support.h"

namespace tarnwick::test {

// The state the options reader leaves: `copper_layers` layers alternating in direction, and
// padstack 0 "DefVia" of 0.04 inch with a 0.02 inch hole.
inline Board board_with_copper_layers(std::uint32_t copper_layers) {
    Board board;
    board.options.n_copper_layers = copper_layers;
    board.options.default_via_pad_width = 0.04;
    board.options.default_via_hole_width = 0.02;
    board.options.drc_hole_copper = 0.015;
    board.options.drc_copper_copper = 0.01;
    board.copper_layers.assign(copper_layers, CopperLayerInfo{});
    for (std::uint32_t i = 0; i < copper_layers; ++i) board.copper_layers[i].direction = i % 2;
    Padstack via;
    via.top_shape = via.inner_shape = via.bottom_shape = 1;
    via.top.wide = via.inner.wide = via.bottom.wide = 0.04;
    via.hole = 0.02;
    via.is_via = 1;
    board.padstacks.assign(1, via);
    return board;
}

struct SectionRun {
    Board board;
    RunSettings settings;
    std::uint32_t line = 0;  // the line counter as the reader left it
    std::string console;

    explicit SectionRun(std::uint32_t copper_layers = 2) : board(board_with_copper_layers(copper_layers)) {}

    // Runs `read` (a section reader taking reader, board and settings) over `text`, keeping the
    // console text also when it fails.
    template <typename Reader>
    void run(Reader read, const std::string& text) {
        LineReader reader = reader_for(text, line);
        testing::internal::CaptureStderr();
        try {
            read(reader, board, settings);
        } catch (...) {
            console = testing::internal::GetCapturedStderr();
            throw;
        }
        console = testing::internal::GetCapturedStderr();
    }
};

// Runs the reader, which must fail, and checks the error's code, message and line.
template <typename Reader>
void expect_section_error(SectionRun& run, Reader read, const std::string& text, int code, const std::string& message,
                          std::uint32_t line) {
    expect_error_at([&] { run.run(read, text); }, run.line, code, message, line);
}

}  // namespace tarnwick::test
