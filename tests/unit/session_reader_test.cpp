#include "session/session_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/errors.h"
#include "test_support.h"

namespace tarnwick {
namespace {

// Every token of `text` as kind letter and text, with its line: "(1 a1 )2 \"s\"3 .4".
std::string tokens_of(const std::string& text) {
    std::uint32_t line = 0;
    SessionReader reader(std::vector<char>(text.begin(), text.end()), line);
    std::string out;
    for (;;) {
        const Token token = reader.next();
        EXPECT_EQ(line, token.line);
        if (!out.empty()) out += ' ';
        out += token_source(token, reader.quote()) + (token.is_end() ? "." : "") + std::to_string(token.line);
        if (token.is_end()) return out;
    }
}

TEST(SessionReader, TokensCarryTheLineTheyStartOnWhateverTheLayout) {
    // Blank and comment lines count; a '#' only begins a comment as a line's first character.
    EXPECT_EQ(tokens_of("  (session a\r\n\n   # note (x\n\t(placement #1\r\n))"),
              "(1 session1 a1 (4 placement4 #14 )5 )5 .5");
    EXPECT_EQ(tokens_of("(net \"a b\"(wire)) \n"), "(1 net1 \"a b\"1 (1 wire1 )1 )1 .1");
    EXPECT_EQ(tokens_of("# all comment\n"), ".1");
    // Long indentation, of spaces and tabs, before a comment, an atom and the file's end.
    EXPECT_EQ(tokens_of("(a\n                 # (b\n        \t        c\n                )\n          "),
              "(1 a1 c3 )4 .5");
    EXPECT_EQ(tokens_of(""), ".0");
    EXPECT_EQ(tokens_of("\xEF\xBB\xBF# a byte order mark first\n(s)"), "(2 s2 )2 .2");
    // The parser names the quote character; from there on it quotes.
    EXPECT_EQ(tokens_of("(p (string_quote ')\n (host 'x \"y')\n (n \"z\"))"),
              "(1 p1 (1 string_quote1 '1 )1 (2 host2 'x \"y'2 )2 (3 n3 \"z\"3 )3 )3 .3");

    std::uint32_t line = 0;
    const std::string text = "(a\n  (b c)\n  d)\n";
    SessionReader reader(std::vector<char>(text.begin(), text.end()), line);
    reader.next();
    const SessionReader::Mark after_a = reader.mark();
    EXPECT_TRUE(reader.next().is_atom("a"));
    EXPECT_TRUE(reader.peek().is_open());
    EXPECT_EQ(line, 1u);  // a look ahead shows nothing
    EXPECT_TRUE(find_list(reader, "b", 1, 1, "eof"));
    EXPECT_EQ(reader.depth(), 2u);
    EXPECT_FALSE(find_list(reader, "z", 2, 1, "eof"));  // b's list closes first
    EXPECT_EQ(reader.depth(), 1u);
    reader.seek(after_a);
    EXPECT_EQ(reader.depth(), 1u);
    EXPECT_TRUE(reader.next().is_atom("a"));
    reader.skip_to_close(1);
    EXPECT_EQ(reader.depth(), 0u);
    EXPECT_EQ(line, 3u);
    EXPECT_TRUE(reader.next().is_end());
    reader.rewind();
    EXPECT_EQ(line, 0u);
    EXPECT_TRUE(reader.next().is_open());
}

TEST(SessionReader, TextThatIsNoSExpressionIsAnErrorOfItsLine) {
    struct Bad {
        std::string text;
        int code;
        const char* message;
        std::uint32_t line;
    };
    const std::string deep = std::string(64, '(') + "\n" + "(";
    const Bad cases[] = {
        {"(a)\n)", 32204, "unbalanced parentheses: text after the session's last closing parenthesis", 2},
        {"(a))", 32204, "unbalanced parentheses: text after the session's last closing parenthesis", 1},
        {")", 32204, "unbalanced parentheses: a ')' that closes no list", 1},
        {"\nsession (a)", 32204, "unbalanced parentheses: session text before its first '('", 2},
        {"(a\n \"open (b)\n)", 32205, "string without its closing quote", 2},
        {"(a " + std::string(128, 'x') + ")", 32206, "session token longer than 127 characters", 1},
        {"(a \"" + std::string(128, 'x') + "\")", 32206, "session token longer than 127 characters", 1},
        {deep, 32207, "session lists nested deeper than 64", 2},
    };
    for (const Bad& bad : cases) {
        std::uint32_t line = 0;
        SessionReader reader(std::vector<char>(bad.text.begin(), bad.text.end()), line);
        test::expect_error_at(
            [&] {
                while (!reader.next().is_end()) {
                }
            },
            line, bad.code, bad.message, bad.line);
    }
    // The longest token is read; a caller names its own code for a string left open.
    std::uint32_t line = 0;
    const std::string longest = "(a " + std::string(127, 'x') + " \"b\n)";
    SessionReader reader(std::vector<char>(longest.begin(), longest.end()), line);
    reader.next();
    reader.next();
    EXPECT_EQ(reader.next().text.size(), 127u);
    test::expect_error_at([&] { reader.next(31490, "parsing quoted net name"); }, line, 31490,
                          "parsing quoted net name", 1);
    // A file that ends inside a list names its last line, whether it is read to its end first or
    // not: a last line without its line feed counts, a byte order mark is no line.
    const std::pair<std::string, std::uint32_t> cuts[] = {
        {"(a (b\n\n", 2}, {"(a (b\n\nc", 3}, {"(a (b", 1}, {"\xEF\xBB\xBF(a\n(b\n", 2}, {"(a\n# note\n  (b ", 3}};
    for (const auto& [cut, last] : cuts) {
        SessionReader cut_reader(std::vector<char>(cut.begin(), cut.end()), line);
        cut_reader.next();
        test::expect_error_at([&] { cut_reader.skip_to_close(1); }, line, 32208,
                              "session file ends before its parentheses close", last);
        EXPECT_EQ(cut_reader.next().line, last) << cut;
        SessionReader unread(std::vector<char>(cut.begin(), cut.end()), line);
        unread.next();
        test::expect_error_at([&] { unread.fail_cut_short(); }, line, 32208,
                              "session file ends before its parentheses close", last);
    }
}

// Where a reader stands after passing over the rest of a list, or the error it stopped at.
struct Passed {
    int code = 0;
    std::uint32_t counter = 0;  // after the passing over, or at the error
    std::uint32_t next_line = 0;  // of the token after it
    std::size_t position = 0;
    std::uint32_t line = 0;
    std::uint32_t depth = 0;
    bool closed = false;
    bool operator==(const Passed&) const = default;
};

Passed pass_over(const std::string& text, std::uint32_t opens, bool token_by_token) {
    std::uint32_t counter = 0;
    SessionReader reader(std::vector<char>(text.begin(), text.end()), counter);
    Passed passed;
    try {
        for (std::uint32_t i = 0; i < opens; ++i) reader.next();
        const std::uint32_t depth = reader.depth();
        if (token_by_token) {
            while (reader.depth() >= depth) {
                if (reader.next().is_end()) reader.fail_cut_short();
            }
        } else {
            reader.skip_to_close(depth);
        }
        const SessionReader::Mark mark = reader.mark();
        passed = Passed{0, counter, 0, mark.position, mark.line, mark.depth, mark.closed};
        passed.next_line = reader.next().line;  // what follows reads alike

    } catch (const FatalError& error) {
        passed.code = error.code;
        passed.counter = counter;
    }
    return passed;
}

TEST(SessionReader, PassingOverAListReadsAsItsTokensRead) {
    // Lists of atoms, strings, comments and line ends, with now and then what stops a reader: a
    // string left open, an atom too long, lists too deep, the string_quote record, a file cut
    // short, text after the last list.
    const std::string pieces[] = {"(", "(", ")", ")", " ", "\n", "\n  # (a comment\n", "\t", "ab", "-12.5",
                                  "\"a b\"", "\"open\n", std::string(128, 'x'), std::string(127, 'y'),
                                  "(string_quote ')", "'q'", std::string(61, '('), std::string(62, ')'), "#", "\r",
                                  std::string(1, '\0')};
    std::mt19937 random(1210);
    for (int round = 0; round < 4000; ++round) {
        std::string text = "(session\n";
        const int count = 1 + static_cast<int>(random() % 40);
        for (int k = 0; k < count; ++k) {
            const std::size_t pick = random() % std::size(pieces);
            // The rare pieces rarely.
            if (pick >= 11 && random() % 4 != 0) continue;
            text += pieces[pick];
        }
        if (random() % 3 != 0) text += ")))";
        const std::uint32_t opens = 1 + static_cast<std::uint32_t>(random() % 3);
        EXPECT_EQ(pass_over(text, opens, false), pass_over(text, opens, true)) << text;
    }
}

TEST(SessionReader, NamesLayersNumbersAndWords) {
    EXPECT_EQ(session_layer_number("Top"), 12u);
    EXPECT_EQ(session_layer_number("\"Bottom\""), 13u);
    EXPECT_EQ(session_layer_number("Inner_1"), 14u);
    EXPECT_EQ(session_layer_number("Inner_2"), 15u);
    EXPECT_EQ(session_layer_number("TopInner_3"), 12u);  // "Top" is tested first
    EXPECT_EQ(session_layer_number("Inner_"), 0u);
    EXPECT_EQ(session_layer_number("Inner_0"), 0u);
    EXPECT_EQ(session_layer_number("Signal"), 0u);

    const std::string text = "(x \"a b\" 12.5 -3 1e3 12abc 0x10 90.5 )";
    std::uint32_t line = 0;
    SessionReader reader(std::vector<char>(text.begin(), text.end()), line);
    reader.next();
    reader.next();
    const Token quoted = reader.next();
    EXPECT_EQ(session_name(quoted), "a b");
    EXPECT_EQ(token_source(quoted, '"'), "\"a b\"");
    double value = 0;
    EXPECT_FALSE(token_number(quoted, value));
    EXPECT_TRUE(token_number(reader.next(), value));
    EXPECT_EQ(value, 12.5);
    EXPECT_TRUE(token_number(reader.next(), value));
    EXPECT_EQ(value, -3);
    EXPECT_TRUE(token_number(reader.next(), value));
    EXPECT_EQ(value, 1000);
    EXPECT_FALSE(token_number(reader.next(), value));  // a number must be the whole token
    EXPECT_TRUE(token_number(reader.next(), value));
    EXPECT_EQ(value, 16);
    unsigned rotation = 0;
    EXPECT_TRUE(token_unsigned(reader.next(), rotation));  // as "%u" reads it
    EXPECT_EQ(rotation, 90u);
    EXPECT_FALSE(token_unsigned(reader.next(), rotation));
}

// Reads the atoms, one to a line of one list, and hands each with its token to `check`.
template <typename Check>
void for_each_atom(const std::vector<std::string>& atoms, Check check) {
    std::string text = "(";
    for (const std::string& atom : atoms) text += atom + "\n";
    text += ")";
    std::uint32_t line = 0;
    SessionReader reader(std::vector<char>(text.begin(), text.end()), line);
    reader.next();
    for (const std::string& atom : atoms) {
        const Token token = reader.next();
        ASSERT_EQ(token.text, atom);
        check(atom, token);
    }
}

// Plain decimals are read without strtod: every atom must read as strtod reads it, to the bit and
// the sign of zero, and be refused where strtod stops short of its end.
TEST(SessionReaderTest, NumbersReadAsStrtodReadsThem) {
    std::mt19937 random(20261210);
    const std::vector<std::string> fixed = {"0",     "-0",      "-0.0",   "007",  "1.",     ".5",    "+3",
                                            "-",     "1.5.2",   "1e5",    "1E-3", "nan",    "-inf",  "0x1p3",
                                            "12a",   "999999999999999",  "9999999999999999", "0.000000000000001",
                                            "-123456789.012345", "1.0000000000000000001", "2.5-1"};
    std::vector<std::string> atoms = fixed;
    const std::string digits = "0123456789";
    for (int i = 0; i < 3000; ++i) {
        std::string atom = random() % 4 == 0 ? "-" : "";
        const int whole = static_cast<int>(random() % 12);
        for (int d = 0; d < whole; ++d) atom += digits[random() % 10];
        if (random() % 2 == 0) {
            atom += '.';
            const int fraction = static_cast<int>(random() % 10);
            for (int d = 0; d < fraction; ++d) atom += digits[random() % 10];
        }
        if (!atom.empty() && atom != "-") atoms.push_back(atom);
    }
    for_each_atom(atoms, [](const std::string& atom, const Token& token) {
        char* end = nullptr;
        const double expected = std::strtod(atom.c_str(), &end);
        const bool whole = end == atom.c_str() + atom.size();
        double value = 12345;
        ASSERT_EQ(token_number(token, value), whole) << atom;
        if (!whole) return;
        if (std::isnan(expected)) {
            EXPECT_TRUE(std::isnan(value)) << atom;
        } else {
            EXPECT_EQ(std::memcmp(&value, &expected, sizeof value), 0) << atom << ": " << value << " against " << expected;
        }
    });
}

// Unsigned numbers (rotations, apertures) as sscanf's "%u" reads them, plain digits or not.
TEST(SessionReaderTest, UnsignedNumbersReadAsSscanfReadsThem) {
    const std::vector<std::string> atoms = {"0",  "7",   "90",  "000270", "999999999", "1000000000", "4294967295",
                                            "4294967296", "99999999999999999999", "-1", "+5", "12abc", "1e3",
                                            "abc", "0x10", "270.0"};
    for_each_atom(atoms, [](const std::string& atom, const Token& token) {
        unsigned expected = 4242;
        const bool read = std::sscanf(atom.c_str(), "%u", &expected) == 1;
        unsigned value = 4242;
        ASSERT_EQ(token_unsigned(token, value), read) << atom;
        if (read) {
            EXPECT_EQ(value, expected) << atom;
        }
    });
}

double resolution_of(const std::string& record, int code = 1) {
    std::uint32_t line = 0;
    SessionReader reader(std::vector<char>(record.begin(), record.end()), line);
    reader.next();
    reader.next();
    return read_session_resolution(reader, code, "m");
}

TEST(SessionReader, ResolutionGivesInchesPerUnitInItsOwnUnit) {
    EXPECT_DOUBLE_EQ(resolution_of("(resolution mil 10)"), 0.0001);
    EXPECT_EQ(resolution_of("(resolution mil 100)"), 0.001 * (1.0 / 100));
    EXPECT_DOUBLE_EQ(resolution_of("(resolution um 10)"), 0.0001 / 25.4);
    EXPECT_DOUBLE_EQ(resolution_of("(resolution MM 1)"), 1 / 25.4);
    EXPECT_DOUBLE_EQ(resolution_of("(resolution\n inch\n 2\n)"), 0.5);
    EXPECT_EQ(test::expect_fatal([] { resolution_of("(resolution mil)", 30493); }).code, 30493);
    EXPECT_EQ(test::expect_fatal([] { resolution_of("(resolution mil x)", 30493); }).code, 30493);
    EXPECT_EQ(test::expect_fatal([] { resolution_of("(resolution mil -5)"); }).code, 32201);
    EXPECT_EQ(test::expect_fatal([] { resolution_of("(resolution mil inf)"); }).code, 32201);
    EXPECT_EQ(test::expect_fatal([] { resolution_of("(resolution parsec 1)"); }).code, 32202);
    // Above zero, but so close to it that a unit would be infinitely many inches.
    const FatalError tiny = test::expect_fatal([] { resolution_of("(resolution mil 1e-310)"); });
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
