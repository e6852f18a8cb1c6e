#include "session/placement.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "board/part_pins.h"
#include "fpc/load.h"
#include "session/back_annotation.h"
#include "session/session_reader.h"
#include "session_support.h"

namespace tarnwick {
namespace {

void place(test::SessionRun& run, const std::string& text) {
    run.run(text, [](Session& session, Board& board) { apply_session_placement(session, board); });
}

std::string placement(const std::string& records) {
    return "(session board\n  (base_design board)\n  (placement\n    (resolution mil 100)\n" + records +
           "  )\n  (was_is\n  )\n";
}

TEST(SessionPlacement, MovesFlipsRotatesAndLocksThePartsItNames) {
    test::SessionRun run;
    test::add_part(run.board, "R1", 1.0, 1.0);
    test::add_part(run.board, "R2", 2.0, 2.0);
    test::add_part(run.board, "R3", 3.0, 3.0);
    test::add_part(run.board, "R4", 4.0, 4.0);
    place(run, placement("    (component X\n"
                         "      (place R1 150000 100000 back 90)\n"  // moved half an inch, flipped, turned
                         "      (place R2 200000 200000 front 0\n"   // only locked
                         "       (lock_type position))\n"
                         "      (place\n"                             // the record on the next line
                         "        \"R3\" 300000.5 300000 front 0)\n"  // half a unit, as rounding leaves: not a move
                         "    )\n"));
    const Board& board = run.board;
    EXPECT_DOUBLE_EQ(board.parts[0].x, 1.5);
    EXPECT_EQ(board.parts[0].side, 1u);
    EXPECT_EQ(board.parts[0].rotation, 90u);
    EXPECT_EQ(board.parts[1].locked, 1u);
    EXPECT_DOUBLE_EQ(board.parts[2].x, 3.0);
    // R3 stays, and R4, which no record names, as it was.
    EXPECT_EQ(run.session->moved_parts, (std::vector<std::uint8_t>{1, 1, 0, 0}));
    EXPECT_EQ(run.session->stats.moved_part_count, 2u);
    EXPECT_EQ(run.session->header.session_line, "(session board");
    EXPECT_EQ(run.session->header.base_design_line, "(base_design board)");
    EXPECT_EQ(run.console, "\n\n    Part Locations Changed: 2");

    // Two units is a move, and any side word but "front" is the bottom.
    place(run, placement("      (place R4 400002 400000 Front 0)\n"));
    EXPECT_DOUBLE_EQ(run.board.parts[3].x, 4.00002);
    EXPECT_EQ(run.board.parts[3].side, 1u);
}

TEST(SessionPlacement, ErrorsNameTheirCodeMessageAndLine) {
    struct Case {
        std::string text;
        int code;
        const char* message;
        std::uint32_t line;
    };
    const std::string start = "(session b\n  (placement\n";
    const Case cases[] = {
        {"(session b\n", 30484, "premature EOF searching for placement", 1},
        {start + "    (resolution mil)\n", 30493, "parsing session place resolution", 3},
        {start + "    (component X\n", 30502, "premature EOF searching for place data", 3},
        {start + "    (place\n", 30508, "premature EOF reading place data", 3},
        {start + "    (place R1 10 10 front\n", 30511, "reading place data", 3},
        {start + "    (place R1 10 nan front 0\n", 30511, "reading place data", 3},
        {start + "    (place \"R1 10 10 front 0\n", 30514, "parsing quoted place", 3},
        {start + "    (place \"R 1\" 10 10 front 0\n", 30522, "locating part", 3},  // a name with its blank
        // A record cut short is named at its own line, not at the token after it.
        {start + "    (place R1\n     10\n     10 front\n", 30511, "reading place data", 3},
        {start + "    (place R1 10 10 front\n    )\n", 30511, "reading place data", 3},
        {start + "    (resolution mil\n    )\n", 30493, "parsing session place resolution", 3},
        {start + "    (place R9 10 10 front 0\n", 30522, "locating part", 3},
        {start + "    (place R1 10 10 front 0\n", 30531, "premature EOF reading place status", 3},
        // A place the board file cannot hold, once the part is known.
        {start + "    (place R1 10 1e12 front 0)\n", 32203,
         "session coordinate or width of 1e+07 inch is beyond the board file's range", 3},
        {start + "    (place R9 1e12 10 front 0)\n", 30522, "locating part", 3},
    };
    for (const Case& c : cases) {
        test::SessionRun run;
        test::add_part(run.board, "R1");
        test::expect_error_at([&] { place(run, c.text); }, run.line, c.code, c.message, c.line);
    }
}

TEST(SessionPlacement, KeywordsEndThePlacementAndBoundTheRecordsRead) {
    test::SessionRun run;
    test::add_part(run.board, "R1", 1.0, 1.0);
    // The placement's close ends it, with or without a was_is after it; a second record for the only part
    // is not read, as there are no more parts than records.
    place(run, "(session b\n  (placement\n    (place R1 0 0 front 0)\n    (place R1 500 0 front 0)\n  )\n");
    EXPECT_DOUBLE_EQ(run.board.parts[0].x, 0.0);
    place(run, "(session b\n  (placement\n  )\n  (routes\n");
    EXPECT_EQ(run.session->stats.moved_part_count, 0u);
}

TEST(SessionPlacement, PinsAndNetPinsFollowAPartTheRouterMovedFlippedAndTurned) {
    // The example's session with R3 moved from (1200, 500) to (1300, 600) mil, put on the bottom
    // and turned a quarter.
    std::ifstream in(std::string(TARNWICK_EXAMPLES) + "/blinker.ses", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string from = "(place R3 120000 50000 front 0)";
    ASSERT_NE(text.find(from), std::string::npos);
    text.replace(text.find(from), from.size(), "(place R3 130000 60000 back 90)");

    Board board;
    Diagnostics diagnostics;
    testing::internal::CaptureStderr();
    load_fpc_file(board, test::named_settings(std::string(TARNWICK_EXAMPLES) + "/blinker.fpc"), diagnostics);
    std::uint32_t line = 0;
    const BackAnnotation done =
        back_annotate(board, "blinker.ses", std::vector<char>(text.begin(), text.end()), line);
    const Session& session = done.session;
    const std::vector<Net>& routed = board.nets;
    testing::internal::GetCapturedStderr();

    const Part* r3 = nullptr;
    for (const Part& part : board.parts) {
        if (part.ref == "R3") r3 = &part;
    }
    ASSERT_NE(r3, nullptr);
    EXPECT_DOUBLE_EQ(r3->x, 1.3);
    EXPECT_EQ(r3->side, 1u);
    EXPECT_EQ(r3->rotation, 90u);
    EXPECT_EQ(session.stats.moved_part_count, 1u);
    // Pin 2 lies 400 mil from pin 1 along the footprint's x: mirrored on the bottom, then turned.
    for (const Net& net : routed) {
        for (const NetPin& pin : net.pins) {
            if (pin.pin_ref == "R3.1") {
                EXPECT_DOUBLE_EQ(pin.x, 1.3);
                EXPECT_DOUBLE_EQ(pin.y, 0.6);
            }
            if (pin.pin_ref == "R3.2") {
                EXPECT_DOUBLE_EQ(pin.x, 1.3);
                EXPECT_DOUBLE_EQ(pin.y, 0.2);
            }
        }
    }
}

// The router's moves place again only the pins of the parts it moved; every pin, and every net
// pin, must end where placing every part again puts it. The board's first part shares its
// reference with a later copy, whose pins keep the net pins of that name.
TEST(SessionPlacement, PinsOfTheMovedPartsEndWherePlacingEveryPartPutsThem) {
    test::SessionRun run;
    RunSettings settings;
    settings.fpcname = (std::filesystem::path(TARNWICK_EXAMPLES) / "blinker.fpc").string();
    Diagnostics diagnostics;
    testing::internal::CaptureStderr();
    load_fpc_file(run.board, settings, diagnostics);
    testing::internal::GetCapturedStderr();
    Board& board = run.board;
    ASSERT_EQ(board.parts[0].ref, "U1");
    board.parts.push_back(board.parts[0]);
    board.parts.back().x += 0.25;
    build_part_pins(board);
    const Board before = board;

    place(run, placement("      (place U1 150000 100000 back 90)\n      (place R1 120000 80000 front 270)\n"));
    ASSERT_EQ(run.session->stats.moved_part_count, 2u);
    Board everyone = board;
    build_part_pins(everyone);
    for (std::size_t p = 0; p < board.parts.size(); ++p) {
        ASSERT_EQ(board.parts[p].pins.size(), everyone.parts[p].pins.size());
        for (std::size_t k = 0; k < board.parts[p].pins.size(); ++k) {
            const PartPin& a = board.parts[p].pins[k];
            const PartPin& b = everyone.parts[p].pins[k];
            EXPECT_TRUE(a.x == b.x && a.y == b.y && a.layer == b.layer && a.net == b.net && a.net_pin == b.net_pin)
                << board.parts[p].ref << " pin " << k;
        }
    }
    // R1's net pins moved; U1's stay where its later copy, which did not move, put them.
    std::size_t r1_moved = 0;
    std::size_t u1_pins = 0;
    for (std::size_t n = 0; n < board.nets.size(); ++n) {
        for (std::size_t k = 0; k < board.nets[n].pins.size(); ++k) {
            const NetPin& a = board.nets[n].pins[k];
            const NetPin& b = everyone.nets[n].pins[k];
            EXPECT_TRUE(a.x == b.x && a.y == b.y && a.layer == b.layer) << a.pin_ref;
            const NetPin& old = before.nets[n].pins[k];
            if (a.pin_ref.rfind("R1.", 0) == 0) r1_moved += old.x != a.x || old.y != a.y;
            if (a.pin_ref.rfind("U1.", 0) == 0) {
                ++u1_pins;
                EXPECT_TRUE(old.x == a.x && old.y == a.y && old.layer == a.layer) << a.pin_ref;
            }
        }
    }
    EXPECT_EQ(r1_moved, 2u);
    EXPECT_GT(u1_pins, 0u);
}

}  // namespace
}  // namespace tarnwick
