#pragma once
// Reading the router's session file: serving it as the tokens of an S-expression
// (parentheses, atoms and quoted strings, each with the line it starts on), the names, layer
// names, numbers and resolution that records hold.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

enum class TokenKind : std::uint8_t { open, close, atom, string, end };

struct Token {
    TokenKind kind = TokenKind::end;
    std::string_view text;  // an atom's text, a string's text between its quotes; empty otherwise
    std::uint32_t line = 0;  // the physical line it starts on; for `end` the file's last line

    bool is_open() const { return kind == TokenKind::open; }
    bool is_close() const { return kind == TokenKind::close; }
    bool is_end() const { return kind == TokenKind::end; }
    // An atom or a string: a value of a record.
    bool is_word() const { return kind == TokenKind::atom || kind == TokenKind::string; }
    bool is_atom(std::string_view word) const { return kind == TokenKind::atom && text == word; }
};

// The longest atom or string the reader takes: no name of the board file is longer, and no
// number needs more.
inline constexpr std::size_t session_token_max = 127;
// The deepest nesting the reader takes: a real session nests a handful of lists.
inline constexpr std::uint32_t session_depth_max = 64;

// Our own codes for a session file that is no S-expression.
inline constexpr int session_unbalanced = 32204;
inline constexpr int session_unclosed_string = 32205;
inline constexpr int session_token_too_long = 32206;
inline constexpr int session_too_deep = 32207;
inline constexpr int session_cut_short = 32208;

class SessionReader {
public:
    // `counter` is the session line counter that error messages show: the line of the last
    // token read.
    SessionReader(std::vector<char> contents, std::uint32_t& counter);

    // The next token. A ')' that closes nothing, anything after the outermost list has closed,
    // a token longer than session_token_max and nesting deeper than session_depth_max are
    // errors of their own naming the line; so is a string without its closing quote on its
    // line, unless `unclosed_code` names the caller's code for it.
    Token next(int unclosed_code = session_unclosed_string, const char* unclosed_message = nullptr);
    // The next token, without reading it.
    Token peek();

    // Reads on to the close of the list whose open and keyword were read last (its depth is
    // `depth`); the end of the file first is the error of a session cut short.
    void skip_to_close(std::uint32_t depth);
    // The error of a file that ends while lists are open, naming its last line.
    [[noreturn]] void fail_cut_short();

    struct Mark {
        std::size_t position;
        std::uint32_t line;
        std::uint32_t depth;
        bool closed;
    };
    Mark mark() const { return {position_, line_, depth_, closed_}; }
    void seek(Mark mark);
    // Back to the start; the line counter restarts at 0.
    void rewind() {
        seek({start_, 1, 0, false});
        counter_ = 0;
    }
    // Gives the file's memory back once the session is read; the line counter stays.
    void release();

    // Lists open after the last token read.
    std::uint32_t depth() const { return depth_; }
    std::uint32_t line_number() const { return counter_; }
    // Shows `line` in the error messages from now on.
    void show_line(std::uint32_t line) { counter_ = line; }
    // The character that quotes strings: '"' until a string_quote record names another.
    char quote() const { return quote_; }

private:
    [[noreturn]] void fail(int code, const std::string& message, std::uint32_t line);
    // skip_to_close for a stretch next() would read without a stop; false, with nothing read,
    // where it would stop.
    bool skip_plainly(std::uint32_t depth);
    // The file's last line, counted when first asked for (reading to the end counts it).
    std::uint32_t last_line();

    std::vector<char> text_;  // the file, with a NUL after it
    std::size_t start_ = 0;   // where the session's text begins
    std::size_t position_ = 0;
    std::uint32_t line_ = 1;  // the line at position_
    std::uint32_t depth_ = 0;
    bool closed_ = false;  // the outermost list has closed
    std::uint32_t last_line_ = 0;
    bool last_line_known_ = false;
    std::uint32_t& counter_;
    char quote_ = '"';
    bool quote_next_ = false;  // the next token is the string_quote character itself
};

// The text of a token as a session name: its atom or the text inside its quotes, cut to the 127
// characters the board's names hold.
std::string session_name(const Token& token);

// The token as it stands in the file: a string with its quotes, '(' and ')' themselves.
std::string token_source(const Token& token, char quote);

// The number a token spells out whole (as strtod reads it); false for any other token.
bool token_number(const Token& token, double& value);
// The token read as sscanf's "%u" reads it, from its start; false when it begins no number.
bool token_unsigned(const Token& token, unsigned& value);

// Reads on to the next list whose keyword (the atom after its '(') is `keyword`, at any depth
// inside the list open at depth `within` (0: anywhere in the file); the reader stands after
// the keyword. False when that list closes first; the end of the file first is
// fatal_error(eof_code, eof_message), naming the last line.
bool find_list(SessionReader& reader, std::string_view keyword, std::uint32_t within, int eof_code,
               const char* eof_message);

// The text of a record's head as one line of the file shows it: '(', the keyword and the
// words that follow it up to the next list or the record's close (with its ')'), one blank
// between them. The reader stands after the keyword; the words are read.
std::string record_head(SessionReader& reader, const Token& keyword);

// Reads a resolution's unit and number from after its keyword and gives inches per session
// unit. A unit or number missing is fatal_error(error_code, error_message); an unknown unit or
// a resolution that is not a finite number above zero are errors of their own.
double read_session_resolution(SessionReader& reader, int error_code, const char* error_message);

// The layer number of a layer name of the session: the top copper for a name holding "Top",
// else the bottom copper for "Bottom", else inner copper layer n for "Inner_<n>", else 0.
std::uint32_t session_layer_number(std::string_view name);

// Inches per session unit of a resolution in `unit` with `resolution` units per unit. An
// unknown unit or a resolution that is not a finite number above zero are errors of their own.
double session_scale_of(const std::string& unit, double resolution);

// Our own codes for a resolution the coordinates cannot be read with.
inline constexpr int session_resolution_not_positive = 32201;
inline constexpr int session_resolution_unknown_unit = 32202;

// Our own code for a coordinate or width that the routed board file could not hold.
inline constexpr int session_length_out_of_range = 32203;

// `inches` as a coordinate or width of the routed board. The board file holds lengths as 32-bit
// nanometres: a length beyond them would be written wrapped round to another place, so it is
// error 32203.
double board_length_or_fail(double inches);

}  // namespace tarnwick
