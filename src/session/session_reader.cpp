#include "session/session_reader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "board/units.h"
#include "core/errors.h"
#include "core/scan_record.h"

namespace tarnwick {

namespace {

// The characters' classes, looked up rather than compared one by one: a session is mostly
// blanks and atoms.
enum : std::uint8_t { blank_class = 1, atom_end_class = 2 };
constexpr auto character_classes = [] {
    std::array<std::uint8_t, 256> classes{};
    for (const char c : {' ', '\t', '\r', '\f', '\v', '\0'}) {
        classes[static_cast<unsigned char>(c)] = blank_class | atom_end_class;
    }
    for (const char c : {'\n', '(', ')'}) classes[static_cast<unsigned char>(c)] = atom_end_class;
    return classes;
}();
bool is_blank(char c) { return (character_classes[static_cast<unsigned char>(c)] & blank_class) != 0; }
bool ends_atom(char c) { return (character_classes[static_cast<unsigned char>(c)] & atom_end_class) != 0; }

// Past a line's indentation, and past its text when the line is a comment (its first character
// that is no blank is '#', as the line reader took it), to its line feed.
std::size_t past_line_start(const char* text, std::size_t size, std::size_t p) {
    // Indentation is nearly half of a router's session: its spaces are passed eight at a time.
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t spaces = 0x2020202020202020ULL;
        while (p + 8 <= size) {
            std::uint64_t word;
            std::memcpy(&word, text + p, 8);
            const std::uint64_t other = word ^ spaces;
            if (other != 0) {
                p += static_cast<std::size_t>(std::countr_zero(other)) / 8;  // the first byte that is no space
                break;
            }
            p += 8;
        }
    }
    while (p < size && (text[p] == ' ' || text[p] == '\t')) ++p;
    if (p < size && text[p] == '#') {
        const void* feed = std::memchr(text + p, '\n', size - p);
        p = feed != nullptr ? static_cast<std::size_t>(static_cast<const char*>(feed) - text) : size;
    }
    return p;
}

// Where the string whose text starts at `start` ends: its closing quote, or a line feed or the
// end of the file first.
std::size_t string_end(const char* text, std::size_t size, std::size_t start, char quote) {
    std::size_t q = start;
    while (q < size && text[q] != quote && text[q] != '\n') ++q;
    return q;
}

// Where the atom that starts at `p` ends: at the latest at the NUL after the file's text.
std::size_t atom_end(const char* text, std::size_t p) {
    std::size_t q = p + 1;
    while (!ends_atom(text[q])) ++q;
    return q;
}

}  // namespace

SessionReader::SessionReader(std::vector<char> contents, std::uint32_t& counter)
    : text_(std::move(contents)), counter_(counter) {
    text_.push_back('\0');  // ends a last atom, and stops strtod at the end of a last number
    // A UTF-8 byte order mark, which some editors put first, is no text of the session.
    if (text_.size() >= 4 && text_[0] == '\xEF' && text_[1] == '\xBB' && text_[2] == '\xBF') start_ = 3;
    position_ = start_;
    counter_ = 0;
}

void SessionReader::fail(int code, const std::string& message, std::uint32_t line) {
    counter_ = line;
    fatal_error(code, message);
}

std::uint32_t SessionReader::last_line() {
    if (!last_line_known_) {
        // Lines as the line counter has always counted them: a last line without its line feed
        // counts too.
        const std::size_t size = text_.size() - 1;
        const auto end = text_.begin() + static_cast<std::ptrdiff_t>(size);
        last_line_ = static_cast<std::uint32_t>(std::count(text_.begin(), end, '\n'));
        if (size > 0 && text_[size - 1] != '\n') ++last_line_;
        last_line_known_ = true;
    }
    return last_line_;
}

void SessionReader::fail_cut_short() {
    fail(session_cut_short, "session file ends before its parentheses close", last_line());
}

Token SessionReader::next(int unclosed_code, const char* unclosed_message) {
    const char* const text = text_.data();
    const std::size_t size = text_.size() - 1;
    std::size_t p = position_;
    if (p == start_) p = past_line_start(text, size, p);
    for (;;) {
        if (p >= size) break;
        const char c = text[p];
        if (c == '\n') {
            ++line_;
            p = past_line_start(text, size, p + 1);
        } else if (is_blank(c)) {
            ++p;
        } else {
            break;
        }
    }
    Token token;
    token.line = line_;
    if (p >= size) {
        position_ = p;
        // Every line feed is behind: the line count at the end is the file's.
        if (!last_line_known_) {
            last_line_ = size > 0 && text[size - 1] != '\n' ? line_ : line_ - 1;
            last_line_known_ = true;
        }
        token.line = last_line_;
        counter_ = last_line_;
        return token;
    }
    const char c = text[p];
    if (closed_) {
        fail(session_unbalanced, "unbalanced parentheses: text after the session's last closing parenthesis", line_);
    }
    if (quote_next_) {
        // The character that string_quote names stands alone, whatever it is, and quotes the
        // strings from there on.
        quote_next_ = false;
        if (c != '(' && c != ')') {
            quote_ = c;
            token.kind = TokenKind::atom;
            token.text = std::string_view(text + p, 1);
            position_ = p + 1;
            counter_ = token.line;
            return token;
        }
    }
    if (c == '(') {
        if (depth_ >= session_depth_max) {
            fail(session_too_deep, strformat("session lists nested deeper than %u", session_depth_max), line_);
        }
        ++depth_;
        token.kind = TokenKind::open;
        position_ = p + 1;
    } else if (c == ')') {
        if (depth_ == 0) fail(session_unbalanced, "unbalanced parentheses: a ')' that closes no list", line_);
        if (--depth_ == 0) closed_ = true;
        token.kind = TokenKind::close;
        position_ = p + 1;
    } else if (depth_ == 0) {
        fail(session_unbalanced, "unbalanced parentheses: session text before its first '('", line_);
    } else if (c == quote_) {
        const std::size_t start = p + 1;
        const std::size_t q = string_end(text, size, start, quote_);
        if (q >= size || text[q] != quote_) {
            if (unclosed_message != nullptr) fail(unclosed_code, unclosed_message, line_);
            fail(session_unclosed_string, "string without its closing quote", line_);
        }
        if (q - start > session_token_max) {
            fail(session_token_too_long, strformat("session token longer than %u characters", static_cast<unsigned>(session_token_max)), line_);
        }
        token.kind = TokenKind::string;
        token.text = std::string_view(text + start, q - start);
        position_ = q + 1;
    } else {
        const std::size_t q = atom_end(text, p);
        if (q - p > session_token_max) {
            fail(session_token_too_long, strformat("session token longer than %u characters", static_cast<unsigned>(session_token_max)), line_);
        }
        token.kind = TokenKind::atom;
        token.text = std::string_view(text + p, q - p);
        position_ = q;
        // "(string_quote X)": X is the quote character, not the start of a string.
        if (token.text == "string_quote") quote_next_ = true;
    }
    counter_ = token.line;
    return token;
}

Token SessionReader::peek() {
    const Mark before = mark();
    const bool quote_next = quote_next_;
    const std::uint32_t counter = counter_;
    const Token token = next();
    seek(before);
    quote_next_ = quote_next;
    counter_ = counter;
    return token;
}

void SessionReader::skip_to_close(std::uint32_t depth) {
    if (depth > 0 && skip_plainly(depth)) return;
    while (depth_ >= depth) {
        if (next().is_end()) fail_cut_short();
    }
}

bool SessionReader::skip_plainly(std::uint32_t depth) {
    // As next() reads, without making tokens: the index of the network passes over every net's
    // records so. Anything next() might stop at (an error, the end of the file, the
    // string_quote record) leaves the reader where it was, for next() to read again.
    if (closed_ || quote_next_ || depth_ < depth) return false;
    const char* const text = text_.data();
    const std::size_t size = text_.size() - 1;
    std::size_t p = position_;
    std::uint32_t line = line_;
    std::uint32_t lists = depth_;
    while (p < size) {
        const char c = text[p];
        if (c == '\n') {
            ++line;
            p = past_line_start(text, size, p + 1);
        } else if (is_blank(c)) {
            ++p;
        } else if (c == '(') {
            if (lists >= session_depth_max) return false;
            ++lists;
            ++p;
        } else if (c == ')') {
            --lists;  // at least `depth` of them are open
            ++p;
            if (lists < depth) {
                position_ = p;
                line_ = line;
                depth_ = lists;
                closed_ = lists == 0;
                counter_ = line;
                return true;
            }
        } else if (c == quote_) {
            const std::size_t q = string_end(text, size, p + 1, quote_);
            if (q >= size || text[q] != quote_ || q - p - 1 > session_token_max) return false;
            p = q + 1;
        } else {
            const std::size_t q = atom_end(text, p);
            if (q - p > session_token_max || std::string_view(text + p, q - p) == "string_quote") return false;
            p = q;
        }
    }
    return false;
}

void SessionReader::seek(Mark mark) {
    position_ = mark.position;
    line_ = mark.line;
    depth_ = mark.depth;
    closed_ = mark.closed;
    quote_next_ = false;
    counter_ = mark.line;
}

void SessionReader::release() {
    last_line();  // the file's line count outlives its text
    text_ = std::vector<char>{'\0'};
    start_ = 0;
    position_ = 0;
    depth_ = 0;
}

std::string session_name(const Token& token) {
    return std::string(token.text.substr(0, std::min<std::size_t>(token.text.size(), 127)));
}

std::string token_source(const Token& token, char quote) {
    switch (token.kind) {
        case TokenKind::open:
            return "(";
        case TokenKind::close:
            return ")";
        case TokenKind::string:
            return quote + std::string(token.text) + quote;
        case TokenKind::atom:
            return std::string(token.text);
        case TokenKind::end:
            break;
    }
    return "";
}

bool token_number(const Token& token, double& value) {
    if (token.kind != TokenKind::atom) return false;
    // An atom is followed in the file by a blank, a parenthesis, a line end or the NUL after the
    // file, none of which continues a number: both readers read the atom in place. Plain
    // decimals, nearly every number of a session, are read without strtod's generality.
    const char* plain = token.text.data();
    if (plain_decimal(plain, value) && plain == token.text.data() + token.text.size()) return true;
    char* end = nullptr;
    const double number = std::strtod(token.text.data(), &end);
    if (end != token.text.data() + token.text.size()) return false;
    value = number;
    return true;
}

bool token_unsigned(const Token& token, unsigned& value) {
    if (token.kind != TokenKind::atom) return false;
    // Plain digits, as a part's rotation nearly always is, read as sscanf reads them; anything
    // else (a sign, a number too large, text after the digits) by sscanf itself.
    if (!token.text.empty() && token.text.size() <= 9 &&
        std::all_of(token.text.begin(), token.text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        unsigned number = 0;
        for (const char c : token.text) number = number * 10 + static_cast<unsigned>(c - '0');
        value = number;
        return true;
    }
    char field[session_token_max + 1];
    std::memcpy(field, token.text.data(), token.text.size());
    field[token.text.size()] = '\0';
    return std::sscanf(field, "%u", &value) == 1;
}

bool find_list(SessionReader& reader, std::string_view keyword, std::uint32_t within, int eof_code,
               const char* eof_message) {
    Token token = reader.next();
    for (;;) {
        if (token.is_end()) fatal_error(eof_code, eof_message);
        if (reader.depth() < within) return false;
        if (!token.is_open()) {
            token = reader.next();
            continue;
        }
        token = reader.next();
        if (token.is_atom(keyword)) return true;
    }
}

std::string record_head(SessionReader& reader, const Token& keyword) {
    std::string head = "(" + token_source(keyword, reader.quote());
    for (;;) {
        const Token word = reader.peek();
        if (word.is_close()) head += ')';
        if (!word.is_word()) break;
        reader.next();
        if (head.size() < 127) head += ' ' + token_source(word, reader.quote());
    }
    return head.substr(0, 127);
}

double read_session_resolution(SessionReader& reader, int error_code, const char* error_message) {
    // Every fault of the record is named at the record's line, not at the token after it.
    const std::uint32_t record_line = reader.line_number();
    const Token unit = reader.next();
    double resolution = 0;
    const bool read = unit.is_word() && token_number(reader.next(), resolution);
    reader.show_line(record_line);
    if (!read) fatal_error(error_code, error_message);
    return session_scale_of(std::string(unit.text), resolution);
}

std::uint32_t session_layer_number(std::string_view name) {
    if (name.find("Top") != std::string_view::npos) return top_copper_layer;
    if (name.find("Bottom") != std::string_view::npos) return bottom_copper_layer;
    constexpr std::string_view inner_prefix = "Inner_";
    const std::size_t inner = name.find(inner_prefix);
    if (inner != std::string_view::npos) {
        char digits[session_token_max + 1];
        const std::string_view rest = name.substr(inner + inner_prefix.size(), session_token_max);
        std::memcpy(digits, rest.data(), rest.size());
        digits[rest.size()] = '\0';
        unsigned number = 0;
        // Inner layers count from 1; anything else is no layer of ours.
        if (std::sscanf(digits, "%u", &number) != 1 || number == 0 || number > 1000) return 0;
        return bottom_copper_layer + number;
    }
    return 0;
}

namespace {

// Inches per unit word of the resolution.
struct SessionUnit {
    const char* word;
    double inches;
};
constexpr SessionUnit session_units[] = {
    {"mil", 0.001}, {"inch", 1.0}, {"mm", 1.0 / 25.4}, {"cm", 1.0 / 2.54}, {"um", 1.0 / 25400.0},
};

}  // namespace

double session_scale_of(const std::string& unit, double resolution) {
    // A resolution so close to zero that its reciprocal overflows gives no scale to read with.
    if (!std::isfinite(resolution) || resolution <= 0 || !std::isfinite(1.0 / resolution)) {
        fatal_error(session_resolution_not_positive,
                    strformat("session resolution must be a number above zero (%s %s)", unit.c_str(),
                              std::to_string(resolution).c_str()));
    }
    for (const SessionUnit& known : session_units) {
        // A mil session keeps the historical scale, 0.001 * (1 / R), bit for bit.
        if (strcasecmp(unit.c_str(), known.word) == 0) return known.inches * (1.0 / resolution);
    }
    fatal_error(session_resolution_unknown_unit,
                strformat("unknown unit \"%s\" in session resolution", unit.c_str()));
}

double board_length_or_fail(double inches) {
    if (!board_can_hold(inches)) {
        fatal_error(session_length_out_of_range,
                    strformat("session coordinate or width of %g inch is beyond the board file's range", inches));
    }
    return inches;
}

}  // namespace tarnwick
