#pragma once
// A design file written into memory, for the tests of the section writers.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "dsn/design_file.h"
#include "test_support.h"

namespace tarnwick::test {

struct MemoryDesignFile {
#ifdef _WIN32
    DesignFile file;

    // `level` is where the writer under test expects to start.
    explicit MemoryDesignFile(int level = 0) : file(open_temporary_stream()) { file.adjust_indent(level); }
    ~MemoryDesignFile() { file.close(); }
    std::string text() { return temporary_stream_text(file.stream()); }
#else
    char* buffer = nullptr;
    std::size_t size = 0;
    DesignFile file;

    // `level` is where the writer under test expects to start.
    explicit MemoryDesignFile(int level = 0) : file(open_memstream(&buffer, &size)) { file.adjust_indent(level); }
    ~MemoryDesignFile() {
        file.close();
        std::free(buffer);
    }
    std::string text() {
        std::fflush(file.stream());
        return std::string(buffer, size);
    }
#endif
    MemoryDesignFile(const MemoryDesignFile&) = delete;
    MemoryDesignFile& operator=(const MemoryDesignFile&) = delete;
};

// What a section writer writes from level 1, checking that it comes back to level 1.
template <typename Write>
std::string section_text(Write&& write) {
    MemoryDesignFile memory(1);
    write(memory.file);
    EXPECT_EQ(memory.file.adjust_indent(0), 1);
    return memory.text();
}

// Empty when every "(" of the design file has its ")" and the file ends with ")" at level 0
// without a final line feed; otherwise what is wrong. Brackets inside quoted names do not
// count; the string_quote record names the quote character itself.
// Strings run between two double quotes, or two of the string quote the parser record sets,
// as the router reads them.
inline std::string balance_fault(const std::string& text) {
    int depth = 0;
    char open_quote = 0;  // the quote of the string being read, or 0
    char string_quote = '"';
    const std::string quote_record = "(string_quote ";
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (open_quote == 0 && text.compare(i, quote_record.size(), quote_record) == 0 &&
            i + quote_record.size() + 1 < text.size() && text[i + quote_record.size() + 1] == ')') {
            string_quote = text[i + quote_record.size()];
            i += quote_record.size() + 1;
            continue;
        }
        const char c = text[i];
        if (open_quote != 0) {
            if (c == open_quote) open_quote = 0;
            continue;
        }
        if (c == '"' || c == string_quote) {
            open_quote = c;
            continue;
        }
        if (c == '(') ++depth;
        if (c == ')' && --depth < 0) return "unopened \")\" at offset " + std::to_string(i);
    }
    const bool quoted = open_quote != 0;
    if (quoted) return "unclosed quote";
    if (depth != 0) return std::to_string(depth) + " records left open";
    if (text.size() < 2 || text.compare(text.size() - 2, 2, "\n)") != 0) return "does not end with \")\" alone";
    return "";
}

}  // namespace tarnwick::test
