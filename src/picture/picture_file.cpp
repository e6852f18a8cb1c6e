#include "picture/picture_file.h"

#include <cmath>
#include <cstdint>
#include <utility>


namespace tarnwick {

namespace {

// Written to the stream a block at a time: a picture is many short pieces.
constexpr std::size_t buffer_limit = 1 << 16;

// Beyond this many hundredths a value is no length of a board; such a value (or no number at
// all) is written as 0 rather than overflow the integer it is rounded to.
constexpr double largest_hundredths = 1e15;

// Fills the end of `buffer` with the value's text and returns where it starts. Integer
// arithmetic throughout, so that no library's printf can write it otherwise.
char* format_number(double value, char* end) {
    const double hundredths = value * 100.0;
    const long long rounded = std::fabs(hundredths) < largest_hundredths ? std::llround(hundredths) : 0;
    const bool negative = rounded < 0;
    unsigned long long rest = negative ? 0ULL - static_cast<unsigned long long>(rounded) : static_cast<unsigned long long>(rounded);
    char* p = end;
    const unsigned fraction = static_cast<unsigned>(rest % 100);
    rest /= 100;
    if (fraction % 10 != 0) {
        *--p = static_cast<char>('0' + fraction % 10);
        *--p = static_cast<char>('0' + fraction / 10);
        *--p = '.';
    } else if (fraction != 0) {
        *--p = static_cast<char>('0' + fraction / 10);
        *--p = '.';
    }
    do {
        *--p = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    if (negative) *--p = '-';
    return p;
}

constexpr std::string_view replacement = "\xEF\xBF\xBD";  // U+FFFD

// The length of the well-formed UTF-8 sequence of an XML character at text[i], or 0.
std::size_t utf8_length(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0u) != 0x80u) return 0;
        code = (code << 6) | (byte(i + k) & 0x3Fu);
    }
    // Overlong forms, surrogates, code points beyond Unicode and the two non-characters XML
    // leaves out.
    const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF || code == 0xFFFE ||
        code == 0xFFFF) {
        return 0;
    }
    return length;
}

}  // namespace

PictureFile::PictureFile(OutputFile output) : output_(std::move(output)) { buffer_.reserve(buffer_limit + 256); }

PictureFile::PictureFile(std::FILE* stream) : PictureFile(OutputFile(stream)) {}

void PictureFile::flush_buffer() {
    if (buffer_.empty()) return;
    if (output_.stream() != nullptr) std::fwrite(buffer_.data(), 1, buffer_.size(), output_.stream());
    buffer_.clear();
}

void PictureFile::raw(std::string_view text) {
    buffer_.append(text);
    if (buffer_.size() >= buffer_limit) flush_buffer();
}

void PictureFile::number(double value) {
    char text[32];
    char* const end = text + sizeof text;
    const char* start = format_number(value, end);
    raw(std::string_view(start, static_cast<std::size_t>(end - start)));
}

void PictureFile::escaped(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            switch (c) {
                case '&': raw("&amp;"); break;
                case '<': raw("&lt;"); break;
                case '>': raw("&gt;"); break;
                case '"': raw("&quot;"); break;
                default:
                    if (c < 0x20 || c == 0x7F) {
                        raw(replacement);
                    } else {
                        buffer_.push_back(static_cast<char>(c));
                    }
            }
            ++i;
            continue;
        }
        const std::size_t length = utf8_length(text, i);
        if (length == 0) {
            raw(replacement);
            ++i;
        } else {
            raw(text.substr(i, length));
            i += length;
        }
    }
    if (buffer_.size() >= buffer_limit) flush_buffer();
}

bool PictureFile::close() {
    flush_buffer();
    return output_.commit();
}

std::string picture_number(double value) {
    char text[32];
    char* const end = text + sizeof text;
    const char* start = format_number(value, end);
    return std::string(start, static_cast<std::size_t>(end - start));
}

}  // namespace tarnwick
