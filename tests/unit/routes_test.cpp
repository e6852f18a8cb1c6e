#include "session/routes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "session/session_reader.h"
#include "session_support.h"

namespace tarnwick {
namespace {

void read_routes(test::SessionRun& run, const std::string& network, const char* resolution = "mil 100",
                 bool closed = true) {
    run.run(test::session_text(network, resolution, closed),
            [&](Session& session, Board& board) { read_session_routes(session, board); });
}

const NetWire& wire_named(const Session& session, const std::string& name) {
    for (const NetWire& wire : session.wire_list) {
        if (wire.name == name) return wire;
    }
    ADD_FAILURE() << "no net wire " << name;
    return session.wire_list.front();
}

TEST(Routes, HandMadeSessionReadFieldByField) {
    test::SessionRun run;
    test::add_net(run.board, "N 1");
    test::add_net(run.board, "GND");
    test::add_net(run.board, "SIG");
    const std::string network =
        "      (net \"N 1\"\n"                    // 14
        "        (wire\n"                          // 15
        "          (path Top 1000\n"               // 16
        "            0 0\n"                        // 17
        "            100 0 200 0\n"                // 18: two points on one line
        "          )\n"                            // 19
        "        )\n"                              // 20
        "      )\n"                                // 21
        "      (net GND\n"                         // 22
        "        (wire\n"                          // 23
        "          (path Bottom 2000\n"            // 24
        "            1000 1000\n"                  // 25
        "            2000 1000\n"                  // 26
        "            2000 3000\n"                  // 27
        "          )\n"                            // 28
        "        )\n"                              // 29
        "        (wire\n"                          // 30
        "          (path Bottom 2000\n"            // 31: the same path walked backwards
        "            2000 3000\n"                  // 32
        "            2000 1000\n"                  // 33
        "            1000 1000\n"                  // 34
        "          )\n"                            // 35
        "        )\n"                              // 36
        "        (wire\n"                          // 37
        "          (path Top 2000\n"               // 38
        "            500 500\n"                    // 39
        "          )\n"                            // 40
        "        )\n"                              // 41
        "        (via DefVia 5000 5000\n"          // 42
        "        )\n"                              // 43
        "        (via \"DefVia\" 5050 5000\n"      // 44: 0.0005 inch away: the same via
        "        )\n"                              // 45
        "        (wire\n"                          // 46
        "          (polygon Bottom 0\n"            // 47
        "            0 0\n"                        // 48
        "            9000 0\n"                     // 49
        "            9000 9000\n"                  // 50
        "          )\n"                            // 51
        "          (window\n"                      // 52
        "            (polygon Bottom\n"            // 53
        "              100 100\n"                  // 54
        "              200 100\n"                  // 55
        "              200 200\n"                  // 56
        "            )\n"                          // 57
        "          )\n"                            // 58
        "        )\n"                              // 59
        "      )\n"                                // 60
        "      (net GHOST\n"                       // 61
        "        (wire\n"                          // 62
        "          (path Top 1000\n"               // 63
        "            0 0\n"                        // 64
        "            0 100\n"                      // 65
        "          )\n"                            // 66
        "        )\n"                              // 67
        "      )\n"                                // 68
        "      (net \"N 1\"\n"                     // 69: the same net again
        "        (wire\n"                          // 70
        "          (path Top 1000\n"               // 71
        "            100 0\n"                      // 72
        "            100 100\n"                    // 73
        "            100 200)\n"                   // 74: a point on the closing line is read too
        "        )\n"                              // 75
        "      )\n";                               // 76
    read_routes(run, network);
    const Session& session = *run.session;

    ASSERT_EQ(session.wire_list.size(), 3u);  // one per board net, in board order
    EXPECT_EQ(session.wire_list[0].name, "N 1");
    EXPECT_EQ(session.wire_list[2].net_index, 2);

    const NetWire& n1 = wire_named(session, "N 1");
    ASSERT_EQ(n1.paths.size(), 2u);  // both records, in file order
    EXPECT_EQ(n1.paths[0].source_line, 16u);
    EXPECT_EQ(n1.paths[1].source_line, 71u);
    EXPECT_EQ(n1.paths[0].layer, 12u);
    EXPECT_DOUBLE_EQ(n1.paths[0].width, 0.01);
    ASSERT_EQ(n1.paths[0].points.size(), 3u);
    EXPECT_DOUBLE_EQ(n1.paths[0].points[1].x, 0.001);
    EXPECT_DOUBLE_EQ(n1.paths[0].points[2].x, 0.002);
    EXPECT_DOUBLE_EQ(n1.paths[0].length, 0.002);
    ASSERT_EQ(n1.paths[1].points.size(), 3u);
    EXPECT_DOUBLE_EQ(n1.paths[1].points[2].y, 0.002);
    EXPECT_EQ(n1.paths[0].start_pin, -1);

    const NetWire& gnd = wire_named(session, "GND");
    ASSERT_EQ(gnd.paths.size(), 1u);
    EXPECT_EQ(gnd.paths[0].layer, 13u);
    EXPECT_EQ(gnd.paths[0].duplicates_deleted, 1u);
    EXPECT_EQ(gnd.duplicate_paths_removed, 1u);
    ASSERT_EQ(gnd.vias.size(), 1u);
    EXPECT_EQ(gnd.vias[0].source_line, 42u);
    EXPECT_DOUBLE_EQ(gnd.vias[0].x, 0.05);
    EXPECT_DOUBLE_EQ(gnd.vias[0].pad_width, 0.04);  // DefVia's
    EXPECT_DOUBLE_EQ(gnd.vias[0].hole, 0.02);
    EXPECT_EQ(gnd.vias[0].tee, -1);
    ASSERT_EQ(gnd.polys.size(), 1u);
    EXPECT_EQ(gnd.polys[0].layer, 13u);
    EXPECT_EQ(gnd.polys[0].points.size(), 3u);
    ASSERT_EQ(gnd.polys[0].windows.size(), 1u);
    EXPECT_EQ(gnd.polys[0].windows[0].size(), 3u);
    EXPECT_DOUBLE_EQ(gnd.polys[0].windows[0][2].y, 0.002);

    EXPECT_TRUE(wire_named(session, "SIG").paths.empty());

    EXPECT_EQ(session.stats.paths_read, 5u);  // dropped ones included; GHOST's are never read
    EXPECT_EQ(session.stats.vias_read, 1u);
    EXPECT_EQ(session.stats.areas_read, 1u);
    EXPECT_EQ(session.stats.windows_read, 1u);

    EXPECT_EQ(run.console,
              "\n\n    Parser:\n      (host_cad \"x\")\n"
              "\nNet GND: (lines 24, 31) dup trace (0.020, 0.030) to (0.010, 0.010) layer 13 dropped"
              "\nNet GND: (line 38) single point trace @ (0.005, 0.005) on layer 12 dropped."
              "\nNet GND: (lines 42, 44) dup via @ (0.051, 0.050) dropped"
              "\nNet GHOST: not on the board, its wiring is ignored."
              "\n  Done, 79 lines read.\n\n  Analyzing.");
}

TEST(Routes, EveryRepeatOfAPathAmongManyIsDroppedAndEveryOtherPathKept) {
    // Three hundred paths, many sharing their points in another order or on another layer; each
    // of the first forty comes again later, forwards or backwards, the first ten a third time.
    test::SessionRun run;
    test::add_net(run.board, "A");
    auto path = [](const char* layer, int a, int b, int c) {
        return "        (wire (path " + std::string(layer) + " 100 " + std::to_string(a) + " 0 " + std::to_string(b) + " 7 " +
               std::to_string(c) + " 0))\n";
    };
    std::string network = "      (net A\n";
    for (int i = 0; i < 100; ++i) {
        network += path("Top", i, i + 1, i + 2);
        network += path("Bottom", i, i + 1, i + 2);  // the same points on another layer: no repeat
        network += path("Top", i + 2, i, i + 1);      // the same points in another order: no repeat
    }
    for (int i = 0; i < 40; ++i) network += i % 2 == 0 ? path("Top", i, i + 1, i + 2) : path("Top", i + 2, i + 1, i);
    for (int i = 0; i < 10; ++i) network += path("Top", i + 2, i + 1, i);
    network += "      )\n";
    read_routes(run, network);
    const NetWire& a = wire_named(*run.session, "A");
    EXPECT_EQ(a.paths.size(), 300u);
    EXPECT_EQ(a.duplicate_paths_removed, 50u);
    for (std::size_t k = 0; k < 300; k += 3) {
        EXPECT_EQ(a.paths[k].duplicates_deleted, k < 30 ? 2u : k < 120 ? 1u : 0u) << k;
        EXPECT_EQ(a.paths[k + 1].duplicates_deleted, 0u) << k;
        EXPECT_EQ(a.paths[k + 2].duplicates_deleted, 0u) << k;
    }
}

TEST(Routes, AnEmptyPathAndAPathLoopingAtOneViaAreDropped) {
    test::SessionRun run;
    test::add_net(run.board, "A");
    read_routes(run,
                "      (net A\n"
                "        (wire\n"
                "          (path Top 1000\n"  // 16
                "          )\n"
                "        )\n"
                "        (via DefVia 1000 1000\n"
                "        )\n"
                "        (wire\n"
                "          (path Top 1000\n"  // 22: one unit long, both ends on the via
                "            1000 999\n"
                "            1000 1000\n"
                "          )\n"
                "        )\n"
                "        (wire\n"
                "          (path Top 1000\n"  // 28: leaves the via
                "            1000 1000\n"
                "            1000 9000\n"
                "          )\n"
                "        )\n"
                "      )\n");
    const NetWire& wire = run.session->wire_list[0];
    ASSERT_EQ(wire.paths.size(), 1u);
    EXPECT_EQ(wire.paths[0].source_line, 28u);
    EXPECT_NE(run.console.find("\nNet A: (line 16) empty trace on layer 12 dropped."), std::string::npos);
    EXPECT_NE(run.console.find("\nNet A: (line 22) trace with both ends on the via @ (0.010, 0.010) on layer 12 dropped."),
              std::string::npos);
}

TEST(Routes, WiresAndViasGivenToTheRouterAsTheBoardsOwnAreTold) {
    // The router writes "(type protect)" for the copper the design file gave it; what it laid
    // has none, and a "type" inside another list of the record is not the record's.
    test::SessionRun run;
    test::add_net(run.board, "A");
    read_routes(run,
                "      (net A\n"
                "        (wire (path Top 1000 0 0 1000 0) (net A) (type protect))\n"
                "        (wire (path Top 1000 1000 0 2000 0) (net A))\n"
                "        (wire (path Top 1000 9000 0) (type protect))\n"  // one point: dropped
                "        (wire (path Top 1000 2000 0 3000 0) (attr (type protect)) (type route))\n"
                "        (wire (path Bottom 1000 3000 0 4000 0)\n          (type\n            protect\n          )\n        )\n"
                "        (wire (path Top 1000 5000 0 6000 0))\n"
                "        (via DefVia 1000 5000)\n"
                "        (via DefVia 1000 5001 (type protect))\n"  // the first via again: dropped
                "        (via DefVia 1000 0 (type protect))\n"
                "      )\n");
    const NetWire& wire = run.session->wire_list[0];
    ASSERT_EQ(wire.paths.size(), 5u);
    EXPECT_TRUE(wire.paths[0].protect);
    EXPECT_FALSE(wire.paths[1].protect);
    EXPECT_FALSE(wire.paths[2].protect);
    EXPECT_TRUE(wire.paths[3].protect);
    EXPECT_FALSE(wire.paths[4].protect);
    ASSERT_EQ(wire.vias.size(), 2u);
    EXPECT_FALSE(wire.vias[0].protect);
    EXPECT_TRUE(wire.vias[1].protect);
}

TEST(Routes, ResolutionUnitsAreHonoured) {
    test::SessionRun run;
    test::add_net(run.board, "A");
    const std::string path = "      (net A\n        (wire\n          (path Top 254\n            254 0\n            0 0\n"
                             "          )\n        )\n      )\n";
    read_routes(run, path, "um 10");  // 254 units of 0.1 um: 0.001 inch
    EXPECT_DOUBLE_EQ(run.session->wire_list[0].paths[0].points[0].x, 0.001);
    EXPECT_DOUBLE_EQ(run.session->wire_list[0].paths[0].width, 0.001);
    read_routes(run, path, "inch 1000");
    EXPECT_DOUBLE_EQ(run.session->wire_list[0].paths[0].points[0].x, 0.254);
    read_routes(run, path, "mil 10");
    EXPECT_DOUBLE_EQ(run.session->session_scale, 0.0001);
}

TEST(Routes, AreasAreReadWhateverTheirReachAsTheyAreNotWrittenBack) {
    test::SessionRun run;
    test::add_net(run.board, "A");
    read_routes(run, "      (net A\n        (wire\n          (polygon Top 0\n            0 0\n            1e12 0\n"
                     "            0 1e12\n          )\n        )\n      )\n");
    const NetWire& wire = run.session->wire_list[0];
    ASSERT_EQ(wire.polys.size(), 1u);
    ASSERT_EQ(wire.polys[0].points.size(), 3u);
    EXPECT_DOUBLE_EQ(wire.polys[0].points[1].x, 1e7);
}

struct RoutesError {
    const char* network;
    int code;
    const char* message;
    std::uint32_t line;
};

TEST(Routes, ErrorsNameTheirCodeMessageAndLine) {
    const std::uint32_t n = test::network_first_line;
    const RoutesError cases[] = {
        {"      (net \"A\n", 31490, "parsing quoted net name", n},
        {"      (net \n", 31495, "parsing net name", n},
        {"      (net A\n        (wire\n", 31511, "EOF reading wire", n + 1},
        {"      (net A\n        (wire\n          (line Top 5\n", 31555,
         "unknown wire type \"(line Top 5\" found", n + 2},
        {"      (net A\n        (wire\n          (path Top\n", 30882, "parsing wire path header", n + 2},
        {"      (net A\n        (wire\n          (path Middle 100\n", 30883, "bad layer in wire path", n + 2},
        {"      (net A\n        (wire\n          (path Inner_1 100\n", 30883, "bad layer in wire path", n + 2},
        {"      (net A\n        (wire\n          (path Top 100\n            1 x\n", 30890, "parsing path point record",
         n + 3},
        {"      (net A\n        (wire\n          (path Top 100\n            1 nan\n", 30890,
         "parsing path point record", n + 3},
        {"      (net A\n        (wire\n          (path Top 100\n            1 1\n", 30897,
         "premature EOF reading wire path", n + 3},
        {"      (net A\n        (wire\n          (polygon Top\n", 30929, "parsing wire poly header", n + 2},
        {"      (net A\n        (wire\n          (polygon Top 0\n            1\n", 30936, "parsing wire poly point",
         n + 3},
        {"      (net A\n        (wire\n          (polygon Top 0\n            1 1\n            2 2\n", 30943,
         "premature EOF reading wire poly", n + 4},
        {"      (net A\n        (wire\n          (polygon Top 0\n          )\n          (via\n", 30950,
         "reading poly window", n + 4},
        {"      (net A\n        (wire\n          (polygon Top 0\n          )\n          (window\n", 30951,
         "premature EOF reading poly window header", n + 4},
        {"      (net A\n        (wire\n          (polygon Top 0\n          )\n          (window\n            (circle\n",
         30952, "unknown window shape", n + 5},
        {"      (net A\n        (wire\n          (polygon Top 0\n          )\n          (window\n            (polygon\n",
         30954, "reading poly window header", n + 5},
        {"      (net A\n        (wire\n          (polygon Top 0\n          )\n          (window\n"
         "            (polygon Bottom\n",
         30956, "poly window layer", n + 5},
        {"      (net A\n        (wire\n          (polygon Top 0\n          )\n          (window\n"
         "            (polygon Top\n              5 x\n",
         30972, "parsing wire poly window point", n + 6},
        // Cut inside a window's points: its aperture may come first, so a lone number is no
        // broken point.
        {"      (net A\n        (wire\n          (polygon Top 0\n          )\n          (window\n"
         "            (polygon Top\n              5\n",
         30979, "premature EOF reading wire poly window", n + 6},
        {"      (net A\n        (via DefVia 5\n", 30999, "parsing wiring via", n + 1},
        {"      (net A\n        (via Pad7 5 5\n", 31008, "unknown via padstack", n + 1},
        // Coordinates and widths that the routed board file could not hold.
        {"      (net A\n        (via DefVia 5 -9e6\n", 32203,
         "session coordinate or width of -90 inch is beyond the board file's range", n + 1},
        {"      (net A\n        (via Pad7 5 -9e6\n", 31008, "unknown via padstack", n + 1},
        {"      (net A\n        (wire\n          (path Top 1e10\n", 32203,
         "session coordinate or width of 100000 inch is beyond the board file's range", n + 2},
        {"      (net A\n        (wire\n          (path Top 100\n            0 0\n            9e6 0\n", 32203,
         "session coordinate or width of 90 inch is beyond the board file's range", n + 4},
    };
    for (const RoutesError& c : cases) {
        test::SessionRun run;
        test::add_net(run.board, "A");
        test::expect_error_at([&] { read_routes(run, c.network, "mil 100", false); }, run.line, c.code, c.message,
                              c.line);
    }
}

TEST(Routes, ARecordCutShortIsNamedAtItsOwnLineNotAtTheTokenAfterIt) {
    // On the router's layout, a record a line, the line that holds the faulty record is named,
    // as line reading named it, also where the next line's token is what shows the fault.
    const std::uint32_t n = test::network_first_line;
    const RoutesError cases[] = {
        {"      (net\n      )\n", 31495, "parsing net name", n},
        {"      (net A\n        (wire\n          (path Top\n          )\n", 30882, "parsing wire path header", n + 2},
        {"      (net A\n        (wire\n          (path Top 100\n            100000\n          )\n", 30890,
         "parsing path point record", n + 3},
        // The lone number pairs with the next line's first; the point left over at the close is
        // the lone number's fault.
        {"      (net A\n        (wire\n          (path Top 100\n            1 1\n            100000\n"
         "            2 2\n          )\n",
         30890, "parsing path point record", n + 4},
        {"      (net A\n        (wire\n          (polygon Top\n          )\n", 30929, "parsing wire poly header", n + 2},
        {"      (net A\n        (wire\n          (polygon Top 0\n            1 1\n            5\n            2 2\n"
         "          )\n",
         30936, "parsing wire poly point", n + 4},
        {"      (net A\n        (via DefVia 100000\n        )\n", 30999, "parsing wiring via", n + 1},
        {"      (net A\n        (via Pad7 5\n          5)\n", 31008, "unknown via padstack", n + 1},
    };
    for (const RoutesError& c : cases) {
        test::SessionRun run;
        test::add_net(run.board, "A");
        test::expect_error_at([&] { read_routes(run, c.network, "mil 100", false); }, run.line, c.code, c.message,
                              c.line);
    }
    // The same records laid out a word a line still read: a point's numbers may stand on two lines.
    test::SessionRun run;
    test::add_net(run.board, "A");
    read_routes(run, "      (net A\n        (wire\n          (path Top 100\n            1\n            1\n"
                     "            2\n            2\n          )\n        )\n      )\n");
    ASSERT_EQ(wire_named(*run.session, "A").paths.size(), 1u);
    EXPECT_EQ(wire_named(*run.session, "A").paths[0].points.size(), 2u);
}

TEST(Routes, WindowCutShortAndMissingSectionsAreErrorsOfTheirLine) {
    test::SessionRun run;
    test::add_net(run.board, "A");
    auto routes = [&](const std::string& text) {
        run.run(text, [&](Session& session, Board& board) { read_session_routes(session, board); });
    };
    test::expect_error_at([&] { routes("(session s\n  (placement\n  )\n"); }, run.line, 31423,
                          "premature EOF searching for routes section", 3);
    test::expect_error_at([&] { routes("(routes\n  (parser\n"); }, run.line, 31436,
                          "premature EOF searching for routes resolution", 2);
    test::expect_error_at([&] { routes("(routes\n  (resolution mil\n"); }, run.line, 31430,
                          "parsing session route resolution", 2);
    test::expect_error_at([&] { routes("(routes\n  (resolution mil\n  )\n"); }, run.line, 31430,
                          "parsing session route resolution", 2);
    test::expect_error_at([&] { routes("(routes\n  (resolution mil 0)\n"); }, run.line, 32201,
                          "session resolution must be a number above zero (mil 0.000000)", 2);
    test::expect_error_at([&] { routes("(routes\n  (resolution furlong 3)\n"); }, run.line, 32202,
                          "unknown unit \"furlong\" in session resolution", 2);
    test::expect_error_at([&] { routes("(routes\n  (resolution mil 10)\n  (network_out\n"); }, run.line, 31452,
                          "premature EOF searching for parser block", 3);
    test::expect_error_at([&] { routes("(routes\n  (resolution mil 10)\n  (parser\n    (host_cad x)\n"); }, run.line,
                          31452, "premature EOF searching for parser block", 4);
    test::expect_error_at([&] { routes("(routes\n  (resolution mil 10)\n  (parser\n  )\n"); }, run.line, 31460,
                          "premature EOF searching for network_out section", 4);
    // A window whose closing line is the last of the file.
    test::expect_error_at(
        [&] {
            routes("(routes\n  (resolution mil 10)\n  (parser\n  )\n  (network_out\n    (net A\n      (wire\n"
                   "        (polygon Top 0\n        )\n        (window\n          (polygon Top\n          )\n");
        },
        run.line, 30979, "premature EOF reading wire poly window", 12);
}

TEST(Routes, ABadNetNameStopsTheFirstBoardNetThatReachesIt) {
    // Every board net reads the network as a whole: the first one meets the bad record before
    // the second net's duplicate is reported.
    test::SessionRun run;
    test::add_net(run.board, "A");
    test::add_net(run.board, "B");
    const std::string path = "        (wire\n          (path Top 100\n            0 0\n            5 5\n          )\n        )\n";
    const std::string network =
        "      (net B\n" + path + path + "      )\n      (net \"broken\n" + "      (net A\n" + path + "      )\n";
    test::expect_error_at([&] { read_routes(run, network); }, run.line, 31490, "parsing quoted net name",
                          test::network_first_line + 14);
    EXPECT_EQ(run.console.find("dup trace"), std::string::npos);
}

TEST(Routes, LongLinesAreReadWholeAndCountOnceLongTokensAreRefused) {
    test::SessionRun run;
    test::add_net(run.board, "A");
    const std::string long_word(300, 'x');
    read_routes(run, "      (net A\n        (via DefVia" + long_word.substr(0, 121) + " 100 200\n        )\n" +
                         "# " + long_word + "\n        (via DefVia 900 900\n        )\n      )\n");
    const NetWire& wire = run.session->wire_list[0];
    ASSERT_EQ(wire.vias.size(), 2u);
    EXPECT_DOUBLE_EQ(wire.vias[0].y, 0.002);
    EXPECT_EQ(wire.vias[1].source_line, test::network_first_line + 4);
    // A word longer than any name of the board file.
    test::expect_error_at([&] { read_routes(run, "      (net A\n        (via DefVia" + long_word + " 100 200)\n      )\n"); },
                          run.line, 32206, "session token longer than 127 characters", test::network_first_line + 1);
}

TEST(Routes, ASessionCutShortOrNoSExpressionStopsWhereItsReadingMeetsIt) {
    const std::uint32_t n = test::network_first_line;
    const std::string path = "        (wire\n          (path Top 100\n            0 0\n            5 5\n          )\n        )\n";
    struct Case {
        std::string network;
        bool closed;
        int code;
        const char* message;
        std::uint32_t line;
    };
    const Case cases[] = {
        // Cut inside B's path: B meets the end in its own reading, though A is the first board net.
        {"      (net B\n" + path.substr(0, 60), false, 30897, "premature EOF reading wire path", n + 4},
        // Cut between records, or in a net the board does not have: once every net is read.
        {"      (net A\n" + path + "      )\n      (net B\n" + path, false, 32208,
         "session file ends before its parentheses close", n + 14},
        {"      (net GHOST\n" + path.substr(0, 60), false, 32208, "session file ends before its parentheses close",
         n + 4},
        // A string left open stops the first board net that reaches it.
        {"      (net B\n        (via \"DefVia 5 5)\n      )\n", true, 32205, "string without its closing quote",
         n + 1},
        // Nothing may follow the session's last parenthesis.
        {"      (net A\n" + path + "      )\n    )\n  )\n)\n(x)\n", false, 32204,
         "unbalanced parentheses: text after the session's last closing parenthesis", n + 11},
        {"      (net A\n" + path + "      )\n    )\n  )\n))\n", false, 32204,
         "unbalanced parentheses: text after the session's last closing parenthesis", n + 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.network);
        test::SessionRun run;
        test::add_net(run.board, "A");
        test::add_net(run.board, "B");
        test::expect_error_at([&] { read_routes(run, c.network, "mil 100", c.closed); }, run.line, c.code, c.message,
                              c.line);
    }
}

TEST(Routes, TheParserBlocksQuoteCharacterQuotesTheNames) {
    test::SessionRun run;
    test::add_net(run.board, "N \"1\"");
    std::string text = test::session_text("      (net 'N \"1\"'\n" 
                                          "        (wire (path Top 100 0 0 5 5))\n      )\n");
    text.replace(text.find("(host_cad \"x\")"), 14, "(string_quote ')\n      (host_cad 'x y')");
    run.run(text, [&](Session& session, Board& board) { read_session_routes(session, board); });
    ASSERT_EQ(run.session->wire_list[0].paths.size(), 1u);
    EXPECT_EQ(run.session->wire_list[0].paths[0].points.size(), 2u);
    EXPECT_EQ(run.console.substr(0, 60), "\n\n    Parser:\n      (string_quote ')\n      (host_cad 'x y')\n");
}

TEST(Routes, SamePathComparesInBothDirections) {
    auto path = [](std::vector<PathPoint> points) {
        WirePath p;
        p.points = std::move(points);
        return p;
    };
    const WirePath a = path({{0, 0}, {1, 0}, {1, 1}});
    EXPECT_TRUE(same_path(a, path({{0, 0}, {1, 0}, {1, 1}})));
    EXPECT_TRUE(same_path(a, path({{1, 1}, {1, 0}, {0, 0}})));
    EXPECT_FALSE(same_path(a, path({{0, 0}, {1, 0}, {2, 1}})));
    EXPECT_FALSE(same_path(a, path({{0, 0}, {1, 1}})));
    // A closed path whose first points agree is compared forwards only.
    EXPECT_FALSE(same_path(path({{0, 0}, {1, 0}, {1, 1}, {0, 0}}), path({{0, 0}, {1, 1}, {1, 0}, {0, 0}})));
}

}  // namespace
}  // namespace tarnwick
