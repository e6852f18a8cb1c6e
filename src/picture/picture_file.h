#pragma once
// The picture file: an SVG drawing written as text, with the same care as the other files. One
// writer holds the stream; every number goes through one fixed format and every text of the
// board through one escape, so that the file is the same bytes on every system and well-formed
// XML whatever the board's names hold.

#include <cstdio>
#include <string>
#include <string_view>

#include "core/output_file.h"

namespace tarnwick {

class PictureFile {
public:
    // Writes into the output file, which close() puts in place.
    explicit PictureFile(OutputFile output);
    // Takes over a stream of the caller's (in memory, say); close() flushes and closes it.
    explicit PictureFile(std::FILE* stream);
    PictureFile(PictureFile&&) = default;
    PictureFile(const PictureFile&) = delete;
    PictureFile& operator=(const PictureFile&) = delete;

    // Text as it stands: markup, never the board's own texts.
    void raw(std::string_view text);
    // A number in the picture's one format: rounded to hundredths (halves away from zero),
    // without trailing zeros or point ("12.5", "-3", "0"; never "-0").
    void number(double value);
    // A text of the board, escaped for an attribute or an element: "&", "<", ">" and '"' as
    // entities; control characters and bytes that are no UTF-8, which XML cannot hold, as
    // U+FFFD.
    void escaped(std::string_view text);

    // Writes what is buffered, then flushes, closes and stores the file; false when anything
    // written could not be stored.
    bool close();

private:
    void flush_buffer();

    OutputFile output_;
    std::string buffer_;
};

// The number format of the picture, as PictureFile::number writes it.
std::string picture_number(double value);

}  // namespace tarnwick
