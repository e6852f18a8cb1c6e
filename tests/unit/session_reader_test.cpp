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
}

}  // namespace
}  // namespace tarnwick
