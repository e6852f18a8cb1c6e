#include "fpc/reader.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace tarnwick {
namespace {

using test::reader_for;

TEST(LineReader, ServesWholeLinesWithoutLineEndsAndCountsThem) {
    std::uint32_t counter = 99;
    const std::string long_line(200, 'x');
    LineReader reader = reader_for("first\r\n\tsecond\n" + long_line + "\nlast", counter);
    EXPECT_EQ(counter, 0u);
    EXPECT_STREQ(reader.next_line(), "first");
    EXPECT_STREQ(reader.next_line(), "\tsecond");
    EXPECT_EQ(reader.next_line(), long_line);  // one line, however long
    EXPECT_EQ(counter, 3u);
    EXPECT_STREQ(reader.next_line(), "last");
    EXPECT_EQ(reader.next_line(), nullptr);
    EXPECT_EQ(counter, 4u);
}

TEST(LineReader, PushBackReturnsTheSameLineWithoutCountingIt) {
    std::uint32_t counter = 0;
    LineReader reader = reader_for("a\nb\n", counter);
    reader.unread_line();  // nothing read yet: nothing to give back
    EXPECT_STREQ(reader.next_line(), "a");
    reader.unread_line();
    EXPECT_EQ(counter, 1u);
    EXPECT_STREQ(reader.next_line(), "a");
    EXPECT_EQ(counter, 1u);
    EXPECT_STREQ(reader.next_line(), "b");
    EXPECT_EQ(counter, 2u);
}

TEST(LineReader, CarriageReturnCutsTheLineAndEmptyLinesCount) {
    std::uint32_t counter = 0;
    LineReader reader = reader_for("a\rtail\n\n\r\n", counter);
    EXPECT_STREQ(reader.next_line(), "a");
    EXPECT_STREQ(reader.next_line(), "");
    EXPECT_STREQ(reader.next_line(), "");
    EXPECT_EQ(reader.next_line(), nullptr);
    EXPECT_EQ(counter, 3u);

    // A NUL cuts its line in a file without any CR as well, and a CR in a file without a NUL.
    LineReader nul_only = reader_for(std::string("x") + '\0' + "y\nz", counter);
    EXPECT_STREQ(nul_only.next_line(), "x");
    EXPECT_STREQ(nul_only.next_line(), "z");
    LineReader carriage_return_only = reader_for("p\rq\nr\r", counter);
    EXPECT_STREQ(carriage_return_only.next_line(), "p");
    EXPECT_STREQ(carriage_return_only.next_line(), "r");
    EXPECT_EQ(carriage_return_only.next_line(), nullptr);
}

// Lines cut short (a carriage return, a NUL inside a line) keep the lines after them whole and
// in their places; a mark and the line given back after a seek are the lines they were.
TEST(LineReader, LinesCutShortLeaveTheNextLinesAsTheyWere) {
    std::uint32_t counter = 0;
    const std::string text = std::string("one\rdropped\ntwo") + '\0' + "hidden\n\r\nfour\r\n\nsix";
    LineReader reader = test::reader_for(text, counter);
    EXPECT_EQ(reader.line_count(), 6u);
    EXPECT_STREQ(reader.next_line(), "one");
    const LineReader::Mark second = reader.mark();
    EXPECT_STREQ(reader.next_line(), "two");
    EXPECT_STREQ(reader.next_line(), "");
    EXPECT_STREQ(reader.next_line(), "four");
    reader.unread_line();
    EXPECT_STREQ(reader.next_line(), "four");
    EXPECT_EQ(counter, 4u);
    EXPECT_STREQ(reader.next_line(), "");
    EXPECT_STREQ(reader.next_line(), "six");
    EXPECT_EQ(reader.next_line(), nullptr);
    reader.unread_line();
    EXPECT_STREQ(reader.next_line(), "six");
    EXPECT_EQ(counter, 6u);
    reader.seek(second);
    EXPECT_EQ(counter, 1u);
    reader.unread_line();  // the line before the mark
    EXPECT_STREQ(reader.next_line(), "one");
    EXPECT_STREQ(reader.next_line(), "two");
    EXPECT_EQ(counter, 2u);
}

TEST(SectionSearch, FindsIndentedHeadersFromTheTopAndCountsRecords) {
    std::uint32_t counter = 0;
    LineReader reader = reader_for(
        "[options]\n"
        "[texts]\n"
        "text: \"a\"\n"
        "\t[parts] and more\n"
        "part: R1\n"
        "  pos: 1\n"
        "   part: R2\n"
        "[texts]\n"
        "[end]\n",
        counter);
    ASSERT_TRUE(find_section(reader, "[parts]", false));
    EXPECT_EQ(counter, 4u);
    EXPECT_EQ(count_records(reader, "[parts]", "part:", false, 1, "eof"), 2u);
    EXPECT_EQ(counter, 4u);  // back where the count started
    EXPECT_STREQ(find_record(reader, "part:", 2, "eof"), "part: R1");
    EXPECT_STREQ(find_record(reader, "part:", 2, "eof"), "part: R2");
    EXPECT_EQ(counter, 7u);

    // Every search starts at the top, so an earlier section is found too.
    ASSERT_TRUE(find_section(reader, "[texts]", false));
    EXPECT_EQ(counter, 2u);
    EXPECT_FALSE(find_section(reader, "[board]", false));
}

TEST(SectionSearch, EndOfFileDuringCountingOrSearchingIsTheSectionsError) {
    std::uint32_t counter = 0;
    LineReader reader = reader_for("[board]\noutline: 4 0\n  corner: 1\n", counter);
    ASSERT_TRUE(find_section(reader, "[board]", false));
    FatalError counting = test::expect_fatal(
        [&] { count_records(reader, "[board]", "outline:", true, 11465, "premature EOF in board outlines Pass 1"); });
    EXPECT_EQ(counting.code, 11465);
    EXPECT_EQ(counter, 3u);

    ASSERT_TRUE(find_section(reader, "[board]", false));
    FatalError searching = test::expect_fatal([&] { find_record(reader, "sm_cutout:", 11659, "premature EOF"); });
    EXPECT_EQ(searching.code, 11659);
}

TEST(QuotedText, ExtractsTheFirstQuotedTextWithinItsSize) {
    std::string text = "unchanged";
    EXPECT_EQ(extract_quoted(text, "name: \"abc\" rest", 128), 3);
    EXPECT_EQ(text, "abc");
    EXPECT_EQ(extract_quoted(text, "name: \"\"", 128), 0);
    EXPECT_EQ(text, "");
    text = "unchanged";
    EXPECT_EQ(extract_quoted(text, "name: none", 128), -1);
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(extract_quoted(text, "name: \"open", 128), -1);
    EXPECT_EQ(extract_quoted(text, "name: \"abcdef\"", 4), 3);
    EXPECT_EQ(text, "abc");
}

TEST(SmallHelpers, BlankLinesReservedNamesAndBoundedOffsets) {
    EXPECT_TRUE(is_blank(""));
    EXPECT_TRUE(is_blank(" \t\r\n"));
    EXPECT_FALSE(is_blank("  x"));

    EXPECT_EQ(reserved_net_index("KEEPOUT_ALL"), 1u);
    EXPECT_EQ(reserved_net_index("KEEPOUT"), 2u);
    EXPECT_EQ(reserved_net_index("KEEPOUT_VIA"), 3u);
    EXPECT_EQ(reserved_net_index("POWER_LAYER"), 4u);
    EXPECT_EQ(reserved_net_index("keepout"), 0u);
    EXPECT_EQ(reserved_net_index("GND"), 0u);

    const char* line = "dsn_flags:";
    EXPECT_STREQ(text_at(line, 12), "");  // never past the end of a short line
    EXPECT_STREQ(text_at("version: 1.344", 9), "1.344");
}

}  // namespace
}  // namespace tarnwick

namespace tarnwick {
namespace {

// The headers are all found in one pass, and each search still ends where a search from the top
// would: at the first line beginning with the header, or at the end of the file.
TEST(SectionSearch, OnePassGivesWhatASearchFromTheTopGives) {
    std::uint32_t counter = 0;
    LineReader reader = test::reader_for(
        "[options]\n"
        "  [nets]x\n"
        "[parts]\n"
        "[nets]\n"
        "[custom]\n",
        counter);
    ASSERT_TRUE(find_section(reader, "[nets]", false));
    EXPECT_EQ(counter, 2u);  // "[nets]x" begins with the header too
    ASSERT_TRUE(find_section(reader, "[options]", false));
    EXPECT_EQ(counter, 1u);
    EXPECT_FALSE(find_section(reader, "[texts]", false));
    EXPECT_EQ(counter, 5u);  // every line read
    EXPECT_EQ(reader.next_line(), nullptr);
    ASSERT_TRUE(find_section(reader, "[custom]", false));  // no section header of ours: searched
    EXPECT_EQ(counter, 5u);
    ASSERT_TRUE(find_section(reader, "[parts]", false));
    EXPECT_EQ(counter, 3u);
    EXPECT_STREQ(reader.next_line(), "[nets]");
}

TEST(SectionSearch, AHeaderOnTheLastLineWithoutLineEndAndHeadersAfterCutLines) {
    std::uint32_t counter = 0;
    LineReader reader = test::reader_for("[options]\r\nx\r\n[parts]\r\n[end]", counter);
    EXPECT_EQ(reader.first_header_line(4), 2u);  // [parts]
    EXPECT_EQ(reader.first_header_line(7), 3u);  // [end]
    EXPECT_EQ(reader.first_header_line(5), 4u);  // no [nets]: the line count
    ASSERT_TRUE(find_section(reader, "[end]", false));
    EXPECT_EQ(counter, 4u);
    EXPECT_EQ(reader.next_line(), nullptr);
    ASSERT_TRUE(find_section(reader, "[parts]", false));
    EXPECT_EQ(counter, 3u);
    EXPECT_STREQ(reader.next_line(), "[end]");
}

}  // namespace
}  // namespace tarnwick
