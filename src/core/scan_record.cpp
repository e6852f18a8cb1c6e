#include "core/scan_record.h"

#include <array>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>


namespace tarnwick {

namespace {

// The blanks that a blank in the format and every numeric directive pass over (isspace in the
// C locale), by a table: words are scanned a character at a time.
constexpr auto blank_table = [] {
    std::array<bool, 256> table{};
    for (const unsigned char c : {' ', '\t', '\n', '\v', '\f', '\r'}) table[c] = true;
    return table;
}();
bool is_space(char c) { return blank_table[static_cast<unsigned char>(c)]; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

enum class Kind { unsigned_int, signed_int, real, word };

// Without initialisers: a table of sixteen is made for every record, and only the entries read
// into are filled, each from a value made whole for its field.
struct Value {
    Kind kind;
    unsigned unsigned_value;
    int signed_value;
    double real_value;
    const char* word;  // a word's characters in the text, and how many
    std::size_t word_length;
};

// At most this many digits: an integer field fits its type without the wrap-around of the
// library's conversions, and a real's digits make an integer that a double holds exactly.
constexpr int int_digits = 9;
constexpr int real_digits = 15;

constexpr double powers_of_ten[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// A plain decimal integer: digits, after a minus sign when `sign` allows one. False for anything
// else, the text left where it was.
bool plain_integer(const char*& p, bool sign, long long& value) {
    const char* q = p;
    const bool negative = sign && *q == '-';
    if (negative) ++q;
    long long magnitude = 0;
    int digits = 0;
    for (; is_digit(*q); ++q) {
        if (++digits > int_digits) return false;
        magnitude = magnitude * 10 + (*q - '0');
    }
    if (digits == 0) return false;
    value = negative ? -magnitude : magnitude;
    p = q;
    return true;
}

// A word as "%<width>s" reads it: the characters up to the next blank or the end. False for an
// empty field and for one longer than `width`, where the library would cut the word and read on.
bool plain_word(const char*& p, std::size_t width, const char*& word, std::size_t& length) {
    const char* q = p;
    while (*q != '\0' && !is_space(*q)) ++q;
    length = static_cast<std::size_t>(q - p);
    if (length == 0 || length > width) return false;
    word = p;
    p = q;
    return true;
}

// The plain reading of the whole format, or false.
bool scan_plain(const char* text, const char* format, Value* values, int capacity, int& count) {
    const char* p = text;
    count = 0;
    for (const char* f = format; *f != '\0';) {
        if (is_space(*f)) {
            while (is_space(*f)) ++f;
            while (is_space(*p)) ++p;
            continue;
        }
        if (*f != '%') return false;
        ++f;
        const bool suppressed = *f == '*';
        if (suppressed) ++f;
        std::size_t width = 0;
        for (; is_digit(*f); ++f) {
            width = width * 10 + static_cast<std::size_t>(*f - '0');
            if (width > 4096) return false;
        }
        Kind kind;
        if (width != 0 || *f == 's') {
            // Only words are read with a width here (and every word with one).
            if (*f != 's' || width == 0 || suppressed) return false;
            kind = Kind::word;
            ++f;
        } else if (*f == 'u') {
            kind = Kind::unsigned_int;
            ++f;
        } else if (*f == 'd') {
            kind = Kind::signed_int;
            ++f;
        } else if (f[0] == 'l' && f[1] == 'f' && !suppressed) {
            kind = Kind::real;
            f += 2;
        } else if (*f == 'f' && suppressed) {
            kind = Kind::real;
            ++f;
        } else {
            return false;
        }
        while (is_space(*p)) ++p;
        Value value{};
        value.kind = kind;
        if (kind == Kind::word) {
            if (!plain_word(p, width, value.word, value.word_length)) return false;
        } else if (kind == Kind::real) {
            if (!plain_decimal(p, value.real_value)) return false;
        } else {
            long long number = 0;
            if (!plain_integer(p, kind == Kind::signed_int, number)) return false;
            value.unsigned_value = static_cast<unsigned>(number);
            value.signed_value = static_cast<int>(number);
        }
        if (suppressed) continue;
        if (count == capacity) return false;
        values[count++] = value;
    }
    return true;
}

}  // namespace

// The digits as an integer divided by a power of ten is the nearest double to the text, as
// strtod gives it: both are exact and the one division rounds correctly.
bool plain_decimal(const char*& p, double& value) {
    const char* q = p;
    const bool negative = *q == '-';
    if (negative) ++q;
    std::int64_t mantissa = 0;
    int digits = 0;
    int fraction = 0;
    for (; is_digit(*q); ++q) {
        if (++digits > real_digits) return false;
        mantissa = mantissa * 10 + (*q - '0');
    }
    if (digits == 0) return false;
    if (*q == '.') {
        ++q;
        if (!is_digit(*q)) return false;
        for (; is_digit(*q); ++q) {
            if (++digits > real_digits) return false;
            mantissa = mantissa * 10 + (*q - '0');
            ++fraction;
        }
    }
    if (*q == '.' || is_letter(*q)) return false;
    const double magnitude = static_cast<double>(mantissa) / powers_of_ten[fraction];
    value = negative ? -magnitude : magnitude;
    p = q;
    return true;
}

int vscan_record(const char* text, const char* format, va_list args, double* reals, int* real_count) {
    constexpr int capacity = 16;
    Value values[capacity];
    int count = 0;
    if (real_count != nullptr) *real_count = -1;
    if (!scan_plain(text, format, values, capacity, count)) return std::vsscanf(text, format, args);
    if (real_count != nullptr) {
        *real_count = 0;
        for (int i = 0; i < count; ++i) {
            if (values[i].kind == Kind::real) reals[(*real_count)++] = values[i].real_value;
        }
    }
    for (int i = 0; i < count; ++i) {
        switch (values[i].kind) {
            case Kind::unsigned_int:
                *va_arg(args, unsigned*) = values[i].unsigned_value;
                break;
            case Kind::signed_int:
                *va_arg(args, int*) = values[i].signed_value;
                break;
            case Kind::real:
                *va_arg(args, double*) = values[i].real_value;
                break;
            case Kind::word: {
                char* word = va_arg(args, char*);
                std::memcpy(word, values[i].word, values[i].word_length);
                word[values[i].word_length] = '\0';
                break;
            }
        }
    }
    return count;
}

int scan_record(const char* text, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int result = vscan_record(text, format, args);
    va_end(args);
    return result;
}

}  // namespace tarnwick
