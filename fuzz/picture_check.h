#pragma once
// The picture of whatever a fuzz target loaded, written into memory and read back as XML must
// read it: a finding (an abort) when a text of the board broke it.

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <utility>

#include "board/board.h"
#include "board/router_copper.h"
#include "core/errors.h"
#include "core/output_file.h"
#include "picture/board_picture.h"
#include "picture/picture_file.h"

namespace tarnwick {

// Stops the process unless `text` is UTF-8 without control characters but line feeds, every
// "&" begins an entity the picture writes, every "<" begins a tag, every tag holds its quotes in
// pairs, and the groups close as often as they open.
inline void check_picture_text(const std::string& text) {
    long groups = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 && c != '\n') std::abort();
        if (c >= 0x80) {
            const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
            if (length == 0 || i + length > text.size()) std::abort();
            for (std::size_t k = 1; k < length; ++k) {
                if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) std::abort();
            }
            i += length - 1;
            continue;
        }
        if (c == '&') {
            const char* rest = text.c_str() + i + 1;
            if (std::strncmp(rest, "amp;", 4) != 0 && std::strncmp(rest, "lt;", 3) != 0 &&
                std::strncmp(rest, "gt;", 3) != 0 && std::strncmp(rest, "quot;", 5) != 0) {
                std::abort();
            }
        } else if (c == '<') {
            const std::size_t end = text.find('>', i);
            if (end == std::string::npos) std::abort();
            const std::string tag = text.substr(i, end - i);
            if (tag.size() < 2 || !(std::isalpha(static_cast<unsigned char>(tag[1])) || tag[1] == '/' || tag[1] == '?')) {
                std::abort();
            }
            std::size_t quotes = 0;
            for (const char q : tag) quotes += q == '"';
            if (quotes % 2 != 0) std::abort();
            if (tag == "<g" || tag.compare(0, 3, "<g ") == 0) ++groups;
            if (tag == "</g") --groups;
            if (groups < 0) std::abort();
            i = end;
        } else if (c == '>') {
            std::abort();  // outside a tag: a text let through unescaped
        }
    }
    if (groups != 0) std::abort();
}

// Writes the picture of the board (with the router's copper, when given) into a file of the
// process's own and checks it.
inline void check_picture(const Board& board, const RouterCopper* router) {
    // Removed when the process ends.
    static const struct Scratch {
        std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("tarnwick_fuzz_picture_" + std::to_string(getpid()) + ".svg");
        ~Scratch() {
            std::error_code ignored;
            std::filesystem::remove(path, ignored);
        }
    } scratch;
    const std::filesystem::path& path = scratch.path;
    {
        OutputFile output(path.string());
        if (!output.is_open()) return;
        PictureFile file(std::move(output));
        try {
            write_board_picture(file, board, {"fuzz <&> \"picture\"", router});
        } catch (const FatalError&) {
            std::abort();  // the picture refuses nothing the board loaded with
        }
        if (!file.close()) return;  // a full disk is no finding
    }
    std::ifstream in(path, std::ios::binary);
    check_picture_text(std::string(std::istreambuf_iterator<char>(in), {}));
}

}  // namespace tarnwick
