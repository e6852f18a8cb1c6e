#include "fpc/texts.h"

#include <cstdio>
#include <cstring>

#include "board/units.h"
#include "core/errors.h"
#include "fpc/board_numbers.h"

namespace tarnwick {

void read_texts(LineReader& reader, Board& board, const RunSettings& settings) {
    if (!find_section(reader, "[texts]", settings.verbose)) fatal_error(12905, "premature EOF looking for FPC text");
    const std::uint32_t count =
        count_records(reader, "[texts]", "text:", false, 12931, "premature EOF in text Pass 1");
    board.texts.assign(count, BoardText{});
    board.stats.texts = count;

    for (BoardText& item : board.texts) {
        const char* text = find_record(reader, "text:", 12960, "premature EOF reading FPC text records");
        if (extract_quoted(item.text, text, 1024) < 0) fatal_error(12965, "copying text record");
        unsigned layer = 0, angle = 0, mirror = 0, negative = 0;
        const int got = scan_board_record("text:", nm_to_inch, std::strrchr(text, '"') + 1, "%lf %lf %u %u %u %lf %lf %u",
                                          &item.x, &item.y, &layer, &angle, &mirror, &item.height, &item.stroke_width, &negative);
        if (got < 7) fatal_error(12974, "bad texts text: record");
        if (got == 8) board.options.long_text_records = true;
        item.x *= nm_to_inch;
        item.y *= nm_to_inch;
        item.height *= nm_to_inch;
        item.stroke_width *= nm_to_inch;
        item.layer = layer;
        item.angle = convert_angle(angle);
        item.mirror = mirror;
        item.negative = got == 8 ? negative : 0;
    }
}

}  // namespace tarnwick
