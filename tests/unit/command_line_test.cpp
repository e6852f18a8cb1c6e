#include "driver/command_line.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "test_support.h"

namespace tarnwick {
namespace {

RunSettings parse(std::initializer_list<const char*> args) {
    std::vector<const char*> argv{"tarnwick"};
    argv.insert(argv.end(), args);
    RunSettings settings;
    parse_command_line(static_cast<int>(argv.size()), argv.data(), settings);
    return settings;
}

FatalError parse_error(std::initializer_list<const char*> args) {
    return test::expect_fatal([&] { parse(args); });
}

TEST(CommandLine, SwitchesAreCaseInsensitiveAndOnlyTheLetterCounts) {
    EXPECT_TRUE(parse({"-b", "board"}).back_annotate);
    EXPECT_TRUE(parse({"-Bogus", "board"}).back_annotate);
    RunSettings settings = parse({"-i", "-v", "board"});
    EXPECT_TRUE(settings.info_only);
    EXPECT_TRUE(settings.verbose);
    EXPECT_FALSE(settings.back_annotate);

    FatalError invalid = parse_error({"-x", "board"});
    EXPECT_EQ(invalid.code, 217);
    EXPECT_EQ(invalid.message, "Invalid switch \"-x\"");
    EXPECT_EQ(parse_error({"-", "board"}).message, "Invalid switch \"-\"");
}

TEST(CommandLine, FromToMode) {
    EXPECT_EQ(parse({"-F", "board"}).fromto_mode, 0u);
    EXPECT_EQ(parse({"-Fz", "board"}).fromto_mode, 0u);
    EXPECT_EQ(parse({"-f3", "board"}).fromto_mode, 3u);
    FatalError four = parse_error({"-F4", "board"});
    EXPECT_EQ(four.code, 191);
    EXPECT_EQ(four.message, "-F switch: parameter out of range, 0-3 only");
    EXPECT_EQ(parse_error({"-F-1", "board"}).code, 191);  // wraps to a large unsigned value
}

TEST(CommandLine, OutlineSelection) {
    auto outlines = [](const char* arg) {
        RunSettings s = parse({arg, "board"});
        return std::make_pair(s.pcb_outline, s.signal_outline);
    };
    EXPECT_EQ(outlines("-U2"), std::make_pair(2u, 2u));
    EXPECT_EQ(outlines("-U2,3"), std::make_pair(2u, 3u));
    EXPECT_EQ(outlines("-u2x3"), std::make_pair(2u, 3u));
    EXPECT_EQ(outlines("-U2,"), std::make_pair(2u, 2u));
    EXPECT_EQ(outlines("-U2,,3"), std::make_pair(2u, 2u));
    EXPECT_EQ(outlines("-u1"), std::make_pair(1u, 1u));
    EXPECT_EQ(parse({"board"}).pcb_outline, 1u);  // the first outline unless -U names another
    EXPECT_EQ(parse({"board"}).signal_outline, 1u);

    EXPECT_EQ(parse_error({"-U", "board"}).code, 203);
    EXPECT_EQ(parse_error({"-U,3", "board"}).message, "-U switch needs at least one parameter");
    EXPECT_EQ(parse_error({"-U0", "board"}).code, 204);
    EXPECT_EQ(parse_error({"-U2,0", "board"}).message, "-U switch: Zero (0) not a valid outline");
}

TEST(CommandLine, SwitchesAreTakenInOrderAndEndAtTheFirstFileName) {
    EXPECT_EQ(parse_error({"-F7", "-H"}).code, 191);
    EXPECT_EQ(parse_error({"-x", "-H"}).code, 217);
    EXPECT_EQ(parse_error({"-H", "-x"}).code, 0);
    EXPECT_EQ(parse_error({"-V"}).code, 1);
    EXPECT_EQ(parse_error({}).message, "Too few arguments");

    RunSettings settings = parse({"board", "routed", "extra"});
    EXPECT_EQ(settings.fpcname, "board.fpc");
    EXPECT_EQ(settings.specctraname, "routed.dsn");
}

TEST(CommandLine, ASwitchAfterTheBoardNameIsRefusedNotTakenAsAFileName) {
    FatalError late = parse_error({"board", "-I"});
    EXPECT_EQ(late.code, 218);
    EXPECT_EQ(late.message, "Switch \"-I\" after the file name: switches come first");
    EXPECT_EQ(parse_error({"-B", "board.fpc", "-V"}).message,
              "Switch \"-V\" after the file name: switches come first");
    EXPECT_EQ(parse_error({"board", "routed", "-V"}).code, 218);  // a third argument too
    EXPECT_EQ(parse_error({"board", "-"}).code, 218);
    EXPECT_EQ(parse_error({"board", "--help"}).code, 218);
    // A file whose name starts with "-" is still reachable through its folder.
    EXPECT_EQ(parse({"board", "./-routed"}).specctraname, "./-routed.dsn");
}

TEST(CommandLine, HelpAndVersionAreAnsweredWhereSwitchesStand) {
    RunSettings settings;
    auto request = [&](std::initializer_list<const char*> args) {
        std::vector<const char*> argv{"tarnwick"};
        argv.insert(argv.end(), args);
        return parse_command_line(static_cast<int>(argv.size()), argv.data(), settings);
    };
    EXPECT_EQ(request({"--help"}), Request::help);
    EXPECT_EQ(request({"--version"}), Request::version);
    EXPECT_EQ(request({"-B", "--version", "-x"}), Request::version);  // answered before the rest is read
    EXPECT_EQ(request({"board"}), Request::run);
    EXPECT_EQ(test::expect_fatal([&] { request({"-F7", "--help"}); }).code, 191);  // in order, as -H
    EXPECT_EQ(test::expect_fatal([&] { request({"--HELP"}); }).code, 217);  // long names are exact
    EXPECT_EQ(test::expect_fatal([&] { request({"--versions"}); }).message, "Invalid switch \"--versions\"");
}

TEST(CommandLine, FileNamesAreCompletedOnceWithTheJobsExtensions) {
    EXPECT_EQ(parse({"board"}).specctraname, "board.dsn");
    EXPECT_EQ(parse({"board.fpc"}).specctraname, "board.dsn");
    EXPECT_EQ(parse({"-B", "board.fpc"}).specctraname, "board.ses");
    // Only the last path component holds an extension, and a dotted name keeps its dots.
    EXPECT_EQ(parse({"my.dir/board"}).specctraname, "my.dir/board.dsn");
    EXPECT_EQ(parse({"my.dir/board"}).fpcname, "my.dir/board.fpc");
    EXPECT_EQ(parse({"-B", "board-v1.2.fpc"}).specctraname, "board-v1.2.ses");
    EXPECT_EQ(parse({"board-v1.2.fpc"}).specctraname, "board-v1.2.dsn");
    // A Specctra name given gets the job's extension only when it has none.
    EXPECT_EQ(parse({"board.fpc", "routed.ses"}).specctraname, "routed.ses");
    EXPECT_EQ(parse({"board.fpc", "routed"}).specctraname, "routed.dsn");
    EXPECT_EQ(parse({"board.fpc", "out.txt"}).specctraname, "out.txt");
    EXPECT_EQ(parse({"-B", "board.fpc", "routed"}).specctraname, "routed.ses");
    EXPECT_EQ(parse({"-B", "board.fpc", "routed.txt"}).specctraname, "routed.txt");
    EXPECT_EQ(parse({"-B", "board.fpc", "a.dir/routed"}).specctraname, "a.dir/routed.ses");
    EXPECT_EQ(parse({"board"}).fpcname, "board.fpc");
    EXPECT_EQ(parse({"board.old"}).fpcname, "board.old");
    // The routed board: "_routed" before the board file's extension.
    EXPECT_EQ(parse({"-B", "board"}).routed_fpcname, "board_routed.fpc");
    EXPECT_EQ(parse({"-B", "my.dir/board-v1.2.old", "s"}).routed_fpcname, "my.dir/board-v1.2_routed.old");
    EXPECT_EQ(parse({"-B", "my.dir/board"}).routed_fpcname, "my.dir/board_routed.fpc");
    // The picture of --svg: beside the board, "_routed" for the routed board; only when asked for.
    EXPECT_EQ(parse({"board"}).picture_name, "");
    EXPECT_FALSE(parse({"board"}).picture);
    EXPECT_EQ(parse({"--svg", "board.fpc"}).picture_name, "board.svg");
    EXPECT_EQ(parse({"--svg", "-I", "my.dir/board-v1.2.old"}).picture_name, "my.dir/board-v1.2.svg");
    EXPECT_EQ(parse({"-B", "--svg", "C:\\v1.2\\board", "x.ses"}).picture_name, "C:\\v1.2\\board_routed.svg");
    EXPECT_EQ(parse({"--svg", "board.fpc", "other.dsn"}).picture_name, "board.svg");
    EXPECT_EQ(parse({"-R", "--svg", "board.fpc"}).picture_name, "board_routed.svg");
    // -I reports the board as loaded, whatever job switch stands beside it: so does its picture.
    EXPECT_EQ(parse({"-I", "-B", "--svg", "board.fpc"}).picture_name, "board.svg");
    EXPECT_EQ(parse({"-R", "-I", "--svg", "board.fpc"}).picture_name, "board.svg");
    EXPECT_EQ(parse_error({"board", "--svg"}).code, 218);  // a switch after the board, as any other
    EXPECT_EQ(parse_error({"--SVG", "board"}).code, 217);  // long names are exact
}

TEST(CommandLine, NamesTooLongForTheirFieldsAreRefused) {
    const std::string fits(123, 'a');  // 127 with ".fpc"
    EXPECT_EQ(parse({fits.c_str()}).fpcname, fits + ".fpc");
    const std::string too_long(124, 'a');
    FatalError error = parse_error({too_long.c_str()});
    EXPECT_EQ(error.code, 219);
    EXPECT_NE(error.message.find(too_long), std::string::npos);

    // The routed name needs room for "_routed" as well, but only when it is made.
    const std::string board = std::string(117, 'b') + ".fpc";  // 121 characters
    EXPECT_EQ(parse({board.c_str()}).fpcname, board);
    EXPECT_EQ(parse_error({"-B", board.c_str()}).code, 219);

    // The picture's name too, when there is one: "b.x" makes "b_routed.svg", longer than "b.x_routed".
    const std::string short_extension = std::string(117, 'b') + ".x";  // 119 characters
    EXPECT_EQ(parse({"-B", short_extension.c_str()}).routed_fpcname, std::string(117, 'b') + "_routed.x");
    EXPECT_EQ(parse_error({"-B", "--svg", short_extension.c_str()}).code, 219);

    const std::string long_second(130, 's');
    EXPECT_EQ(parse_error({"board", long_second.c_str()}).code, 219);
}

TEST(CommandLine, TheRouteJobAndItsOptions) {
    RunSettings settings = parse({"-r", "board.fpc"});
    EXPECT_TRUE(settings.route.enabled);
    EXPECT_EQ(settings.route.passes, default_router_passes);
    EXPECT_EQ(settings.route.time_limit, 0.0);
    // One Specctra name for the design file and the session file, whatever extension it was
    // given; the session named for the routed board, the log for the board.
    EXPECT_EQ(settings.specctraname, "board.dsn");
    EXPECT_EQ(settings.route.session_file, "board_routed.ses");
    EXPECT_EQ(settings.route.log_file, "board_router.log");
    EXPECT_EQ(settings.routed_fpcname, "board_routed.fpc");
    settings = parse({"-R", "v1.2/board", "out.d/routes.ses"});
    EXPECT_EQ(settings.fpcname, "v1.2/board.fpc");
    EXPECT_EQ(settings.specctraname, "out.d/routes.dsn");
    EXPECT_EQ(settings.route.session_file, "out.d/routes_routed.ses");
    EXPECT_EQ(settings.route.log_file, "v1.2/board_router.log");

    settings = parse({"-R", "--router=C:\\Program Files\\fr.jar", "--passes=7", "--time-limit=90.5",
                      "--summary=s.json", "board", "--", "--router.optimizer.enabled=false", "-mp", "", "board"});
    EXPECT_EQ(settings.route.router, "C:\\Program Files\\fr.jar");
    EXPECT_EQ(settings.route.passes, 7u);
    EXPECT_EQ(settings.route.time_limit, 90.5);
    EXPECT_EQ(settings.route.summary, "s.json");
    EXPECT_EQ(settings.fpcname, "board.fpc");
    // After "--", everything is the router's: switches, empty words, names.
    EXPECT_EQ(settings.route.router_arguments,
              (std::vector<std::string>{"--router.optimizer.enabled=false", "-mp", "", "board"}));
    EXPECT_EQ(parse({"-R", "--passes=9999", "board"}).route.passes, 9999u);

    for (const char* wrong : {"--passes=0", "--passes=10000", "--passes=3.5", "--passes=+3", "--passes=", "--passes=99999999999",
                              "--time-limit=0", "--time-limit=-5", "--time-limit=1e3", "--time-limit=nan",
                              "--time-limit=inf", "--time-limit=", "--time-limit=20000000", "--router=", "--summary="}) {
        SCOPED_TRACE(wrong);
        const FatalError error = parse_error({"-R", wrong, "board"});
        EXPECT_EQ(error.code, 220);
        EXPECT_EQ(error.message.rfind(std::string("Invalid value in \"") + wrong + "\": ", 0), 0u);
    }
    // The options are words, written as shown.
    EXPECT_EQ(parse_error({"-R", "--Passes=3", "board"}).code, 217);
    EXPECT_EQ(parse_error({"-R", "--passes", "board"}).code, 217);
    // Without the job they have nothing to do.
    const FatalError without = parse_error({"--time-limit=60", "board"});
    EXPECT_EQ(without.code, 221);
    EXPECT_EQ(without.message, "Option \"--time-limit=60\" belongs to the route job: it needs -R");
    EXPECT_EQ(parse_error({"-B", "board", "--", "x"}).message, "Arguments after \"--\" are the router's: they need -R");
    // "--" before the board leaves no board.
    EXPECT_EQ(parse_error({"-R", "--", "board"}).code, 1);
    // The routed board's name must fit, as for -B.
    const std::string long_board(118, 'b');
    EXPECT_EQ(parse_error({"-R", long_board.c_str()}).code, 219);
}

TEST(CommandLine, ASessionFileGivenForTheBoardBackAnnotatesTheBoardOfItsName) {
    // A session dropped on the program: -B of the board beside it.
    RunSettings settings = parse({"C:\\boards\\v1.2\\blinker.SES"});
    EXPECT_TRUE(settings.back_annotate);
    EXPECT_EQ(settings.fpcname, "C:\\boards\\v1.2\\blinker.fpc");
    EXPECT_EQ(settings.specctraname, "C:\\boards\\v1.2\\blinker.SES");
    EXPECT_TRUE(parse({"-B", "-V", "blinker.ses"}).back_annotate);
    // Not when the job or the names say otherwise.
    EXPECT_EQ(parse({"-I", "odd.ses"}).fpcname, "odd.ses");
    EXPECT_FALSE(parse({"-I", "odd.ses"}).back_annotate);
    EXPECT_EQ(parse({"odd.ses", "out.dsn"}).fpcname, "odd.ses");
    EXPECT_FALSE(parse({"odd.ses", "out.dsn"}).back_annotate);
    EXPECT_FALSE(parse({"ses.dir/board"}).back_annotate);
}

}  // namespace
}  // namespace tarnwick
