#pragma once
// Writing back the kept lines of a board (board/kept_records.h) among the records the writer
// writes: after each record, the lines that followed it in the file.

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "board/kept_records.h"

namespace tarnwick {

class KeptLines {
public:
    KeptLines(std::FILE* out, const KeptRecords& kept) : out_(out), kept_(kept) {}

    // What stands between the line just written and the kept lines that follow it.
    enum class Gap {
        as_read,  // a blank line where the file had one
        apart,    // a blank line in any case, so that they stand outside the record just written
        written,  // the writer has just written a blank line
    };

    // Writes, in order, the kept lines not yet written whose place is `place` or before it: those
    // of a record the writer did not write come where it would have stood.
    void through(const KeptPlace& place, Gap gap = Gap::as_read) {
        const auto& lines = kept_.lines;
        for (bool first = true; next_ < lines.size() && !(place < lines[next_].place); first = false) {
            const KeptLine& line = lines[next_++];
            const bool blank = first ? gap == Gap::apart || (gap == Gap::as_read && line.after_blank) : line.after_blank;
            if (blank) std::fputc('\n', out_);
            std::fwrite(kept_.text.data() + line.offset, 1, line.length, out_);
            std::fputc('\n', out_);
        }
    }

    // Whether through(place) would write anything.
    bool pending(const KeptPlace& place) const {
        return next_ < kept_.lines.size() && !(place < kept_.lines[next_].place);
    }

    // The lines of the section up to its end.
    void through_section(std::uint32_t section) { through({section, UINT32_MAX, UINT32_MAX, UINT32_MAX}); }

private:
    std::FILE* out_;
    const KeptRecords& kept_;
    std::size_t next_ = 0;
};

}  // namespace tarnwick
