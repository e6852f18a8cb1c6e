#include "fpc/texts.h"

#include <gtest/gtest.h>

#include <string>

#include "board/units.h"
#include "test_support.h"

namespace tarnwick {
namespace {

using test::expect_fatal;
using test::reader_for;

struct Loaded {
    std::uint32_t line = 0;
    Board board;
};

void load(Loaded& loaded, const std::string& text) {
    LineReader reader = reader_for(text, loaded.line);
    read_texts(reader, loaded.board, RunSettings{});
}

void expect_failure(const std::string& text, int code, const std::string& message, std::uint32_t line) {
    Loaded loaded;
    test::expect_error_at([&] { load(loaded, text); }, loaded.line, code, message, line);
}

TEST(BoardTexts, SevenNumbersKeepTheShortFormEightSwitchToTheLongOne) {
    Loaded seven;
    load(seven, "[texts]\n\ntext: \"+5\" 4064000 -19558000 7 0 0 1270000 127000\n\n[end]\n");
    ASSERT_EQ(seven.board.texts.size(), 1u);
    const BoardText& plus = seven.board.texts[0];
    EXPECT_EQ(plus.text, "+5");
    EXPECT_DOUBLE_EQ(plus.x, 0.16);
    EXPECT_DOUBLE_EQ(plus.y, -0.77);
    EXPECT_EQ(plus.layer, 7u);
    EXPECT_EQ(plus.angle, 0u);
    EXPECT_EQ(plus.mirror, 0u);
    EXPECT_DOUBLE_EQ(plus.height, 0.05);
    EXPECT_DOUBLE_EQ(plus.stroke_width, 0.005);
    EXPECT_EQ(plus.negative, 0u);
    EXPECT_FALSE(seven.board.options.long_text_records);
    EXPECT_EQ(seven.board.stats.texts, 1u);
    EXPECT_EQ(seven.line, 3u);  // the last text read

    // The eighth number sets the long form even for an old file version.
    Loaded eight;
    load(eight, "[texts]\ntext: \"\" 0 0 12 90 1 500000 50000 3\ntext: \"say \"hi\"\" 0 0 7 0 0 1 1\n[end]\n");
    ASSERT_EQ(eight.board.texts.size(), 2u);
    EXPECT_EQ(eight.board.texts[0].text, "");
    EXPECT_EQ(eight.board.texts[0].angle, 270u);
    EXPECT_EQ(eight.board.texts[0].mirror, 1u);
    EXPECT_EQ(eight.board.texts[0].negative, 3u);
    // The numbers follow the last quote; the text is the first quoted part.
    EXPECT_EQ(eight.board.texts[1].text, "say ");
    EXPECT_EQ(eight.board.texts[1].layer, 7u);
    EXPECT_TRUE(eight.board.options.long_text_records);
}

TEST(BoardTexts, EmptySectionLoadsNothing) {
    Loaded loaded;
    RunSettings verbose;
    verbose.verbose = true;
    testing::internal::CaptureStderr();
    LineReader reader = reader_for("[options]\n[texts]\n[end]\n", loaded.line);
    read_texts(reader, loaded.board, verbose);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "\nLine 2 [texts]\n");
    EXPECT_TRUE(loaded.board.texts.empty());
    EXPECT_EQ(loaded.line, 2u);  // the header's line, which the loader reports as lines read
}

TEST(BoardTexts, Errors) {
    expect_failure("[options]\n[end]\n", 12905, "premature EOF looking for FPC text", 2);
    expect_failure("[texts]\ntext: \"a\" 0 0 7 0 0 1 1\n", 12931, "premature EOF in text Pass 1", 2);
    expect_failure("[texts]\ntext: \"open 0 0 7 0 0 1 1\n[end]\n", 12965, "copying text record", 2);
    expect_failure("[texts]\ntext: none 0 0 7 0 0 1 1\n[end]\n", 12965, "copying text record", 2);
    expect_failure("[texts]\n\ntext: \"a\" 0 0 7 0 0 1\n[end]\n", 12974, "bad texts text: record", 3);
}

}  // namespace
}  // namespace tarnwick
