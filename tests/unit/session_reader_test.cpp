#include "session/session_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace tarnwick {
namespace {

TEST(SessionReader, SkipsBlankAndCommentLinesButCountsThem) {
    std::uint32_t line = 0;
    const std::string text = "  (session a\r\n\n   # note\n\t(placement\r\n";
    SessionReader reader(std::vector<char>(text.begin(), text.end()), line);
    EXPECT_STREQ(reader.read_session_line(), "(session a");
    EXPECT_STREQ(reader.read_session_line(), "(placement");
    EXPECT_EQ(line, 4u);
    reader.unread_session_line();
    reader.unread_session_line();  // a second push-back changes nothing
    EXPECT_STREQ(reader.read_session_line(), "(placement");
    EXPECT_EQ(line, 4u);
    EXPECT_EQ(reader.read_session_line(), nullptr);
}

TEST(SessionReader, NamesLayersAndWords) {
    EXPECT_EQ(session_layer_number("Top"), 12u);
    EXPECT_EQ(session_layer_number("\"Bottom\""), 13u);
    EXPECT_EQ(session_layer_number("Inner_1"), 14u);
    EXPECT_EQ(session_layer_number("Inner_2"), 15u);
    EXPECT_EQ(session_layer_number("TopInner_3"), 12u);  // "Top" is tested first
    EXPECT_EQ(session_layer_number("Inner_"), 0u);
    EXPECT_EQ(session_layer_number("Inner_0"), 0u);
    EXPECT_EQ(session_layer_number("Signal"), 0u);

    std::string name;
    EXPECT_TRUE(copy_quoted_name(name, "(net \"a b\" x"));
    EXPECT_EQ(name, "a b");
    EXPECT_FALSE(copy_quoted_name(name, "(net \"a b"));
    EXPECT_FALSE(copy_quoted_name(name, "(net a"));

    const char* text = "  one\ttwo";
    std::string word;
    EXPECT_TRUE(scan_word(text, word));
    EXPECT_EQ(word, "one");
    EXPECT_TRUE(scan_word(text, word));
    EXPECT_EQ(word, "two");
    EXPECT_FALSE(scan_word(text, word));

    EXPECT_EQ(session_file_name("routed"), "routed.ses");
    EXPECT_EQ(session_file_name("routed.txt"), "routed.txt");
    EXPECT_EQ(session_file_name("a.dir/routed"), "a.dir/routed.ses");
}

TEST(SessionReader, ResolutionGivesInchesPerUnitInItsOwnUnit) {
    EXPECT_DOUBLE_EQ(read_session_resolution("(resolution mil 10)", 1, ""), 0.0001);
    EXPECT_EQ(read_session_resolution("(resolution mil 100)", 1, ""), 0.001 * (1.0 / 100));
    EXPECT_DOUBLE_EQ(read_session_resolution("(resolution um 10)", 1, ""), 0.0001 / 25.4);
    EXPECT_DOUBLE_EQ(read_session_resolution("(resolution MM 1)", 1, ""), 1 / 25.4);
    EXPECT_DOUBLE_EQ(read_session_resolution("x (resolution inch 2)", 1, ""), 0.5);
    EXPECT_EQ(test::expect_fatal([] { read_session_resolution("(resolution mil)", 30493, "m"); }).code, 30493);
    EXPECT_EQ(test::expect_fatal([] { read_session_resolution("(resolution mil -5)", 1, ""); }).code, 32201);
    EXPECT_EQ(test::expect_fatal([] { read_session_resolution("(resolution mil inf)", 1, ""); }).code, 32201);
    EXPECT_EQ(test::expect_fatal([] { read_session_resolution("(resolution parsec 1)", 1, ""); }).code, 32202);
    // Above zero, but so close to it that a unit would be infinitely many inches.
    const FatalError tiny = test::expect_fatal([] { read_session_resolution("(resolution mil 1e-310)", 1, ""); });
    EXPECT_EQ(tiny.code, 32201);
    EXPECT_EQ(tiny.message, "session resolution must be a number above zero (mil 0.000000)");
}

TEST(SessionReader, LengthsWithinTheBoardFilesRangePassOthersAreRefused) {
    EXPECT_EQ(board_length_or_fail(1.5), 1.5);
    EXPECT_EQ(board_length_or_fail(-84.0), -84.0);  // 2133600000 nm
    // 2147483647 nm, about 84.55 inches, is the most the board file holds either way.
    const FatalError beyond = test::expect_fatal([] { board_length_or_fail(85.0); });
    EXPECT_EQ(beyond.code, 32203);
    EXPECT_EQ(beyond.message, "session coordinate or width of 85 inch is beyond the board file's range");
    EXPECT_EQ(test::expect_fatal([] { board_length_or_fail(-1e300); }).code, 32203);
    EXPECT_EQ(test::expect_fatal([] { board_length_or_fail(1e300 * 1e300); }).code, 32203);  // overflowed
    EXPECT_EQ(test::expect_fatal([] { board_length_or_fail(0.0 * (1e300 * 1e300)); }).code, 32203);  // NaN
}

}  // namespace
}  // namespace tarnwick
