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

// At most this many digits: an integer field fits its type without the wrap-around of the
// library's conversions, and a real's digits make an integer that a double holds exactly.
constexpr int int_digits = 9;
constexpr int real_digits = 15;

// At most this many values stored by one record read here.
constexpr int max_values = 16;

constexpr double powers_of_ten[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// A plain decimal integer: digits, after a minus sign when `sign` allows one. False for anything
// else, the text left where it was.
bool plain_integer(const char*& p, bool sign, long long& value) {
    const char* q = p;
    const bool negative = sign && *q == '-';
    if (negative) ++q;
    const char* const digits = q;
    // Unsigned, so that a field of too many digits wraps harmlessly before it is refused.
    std::uint64_t magnitude = 0;
    for (; is_digit(*q); ++q) magnitude = magnitude * 10 + static_cast<unsigned>(*q - '0');
    if (q == digits || q - digits > int_digits) return false;
    const auto number = static_cast<long long>(magnitude);
    value = negative ? -number : number;
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

// The plain reading of the whole format, each value stored as it is read; false where a field
// is not plain. A field read here is read by the library to the same value from the same place,
// so what was stored before a field that is not plain is what the library stores there again.
bool scan_plain(const char* text, const char* format, va_list args, double* reals, int& real_count, int& count) {
    const char* p = text;
    count = 0;
    real_count = 0;
    for (const char* f = format; *f != '\0';) {
        if (is_space(*f)) {
            do ++f;
            while (is_space(*f));
            while (is_space(*p)) ++p;
            continue;
        }
        if (*f != '%') return false;
        ++f;
        const bool suppressed = *f == '*';
        if (suppressed) ++f;
        while (is_space(*p)) ++p;
        if (*f == 'u' || *f == 'd') {
            long long number = 0;
            if (!plain_integer(p, *f == 'd', number)) return false;
            ++f;
            if (suppressed) continue;
            if (count == max_values) return false;
            if (f[-1] == 'u') {
                *va_arg(args, unsigned*) = static_cast<unsigned>(number);
            } else {
                *va_arg(args, int*) = static_cast<int>(number);
            }
        } else if (suppressed ? *f == 'f' : (f[0] == 'l' && f[1] == 'f')) {
            double value = 0;
            if (!plain_decimal(p, value)) return false;
            f += suppressed ? 1 : 2;
            if (suppressed) continue;
            if (count == max_values) return false;
            *va_arg(args, double*) = value;
            if (reals != nullptr) reals[real_count++] = value;
        } else {
            // Only words are read with a width here (and every word with one).
            std::size_t width = 0;
            for (; is_digit(*f); ++f) {
                width = width * 10 + static_cast<std::size_t>(*f - '0');
                if (width > 4096) return false;
            }
            if (*f != 's' || width == 0 || suppressed) return false;
            ++f;
            const char* word = nullptr;
            std::size_t length = 0;
            if (!plain_word(p, width, word, length)) return false;
            if (count == max_values) return false;
            char* destination = va_arg(args, char*);
            std::memcpy(destination, word, length);
            destination[length] = '\0';
        }
        ++count;
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
    const char* const whole = q;
    // Unsigned, so that a field of too many digits wraps harmlessly before it is refused.
    std::uint64_t mantissa = 0;
    for (; is_digit(*q); ++q) mantissa = mantissa * 10 + static_cast<unsigned>(*q - '0');
    if (q == whole) return false;
    auto digits = q - whole;
    std::ptrdiff_t fraction = 0;
    if (*q == '.') {
        ++q;
        const char* const decimals = q;
        for (; is_digit(*q); ++q) mantissa = mantissa * 10 + static_cast<unsigned>(*q - '0');
        fraction = q - decimals;
        if (fraction == 0) return false;
        digits += fraction;
    }
    if (digits > real_digits || *q == '.' || is_letter(*q)) return false;
    const double magnitude = static_cast<double>(mantissa) / powers_of_ten[fraction];
    value = negative ? -magnitude : magnitude;
    p = q;
    return true;
}

int vscan_record(const char* text, const char* format, va_list args, double* reals, int* real_count) {
    va_list stored;
    va_copy(stored, args);
    int count = 0;
    int reals_read = 0;
    int result;
    if (scan_plain(text, format, args, reals, reals_read, count)) {
        result = count;
    } else {
        reals_read = -1;
        result = std::vsscanf(text, format, stored);
    }
    va_end(stored);
    if (real_count != nullptr) *real_count = reals_read;
    return result;
}

int scan_record(const char* text, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int result = vscan_record(text, format, args);
    va_end(args);
    return result;
}

}  // namespace tarnwick
