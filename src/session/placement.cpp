#include "session/placement.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "board/part_pins.h"
#include "core/errors.h"
#include "core/name_index.h"

namespace tarnwick {

namespace {

// The records before the placement: the session's and the base design's heads are kept for the
// report. The reader stands after the placement's keyword.
void read_session_header(Session& session) {
    SessionReader& reader = session.reader;
    Token token = reader.next();
    for (;;) {
        if (token.is_end()) fatal_error(30484, "premature EOF searching for placement");
        if (!token.is_open()) {
            token = reader.next();
            continue;
        }
        token = reader.next();
        if (token.is_atom("placement")) return;
        if (token.is_atom("session")) session.header.session_line = record_head(reader, token);
        if (token.is_atom("base_design")) session.header.base_design_line = record_head(reader, token);
    }
}

struct PlaceRecord {
    std::string ref;
    double x = 0;  // session units
    double y = 0;
    std::uint32_t side = 0;
    std::uint32_t rotation = 0;
    std::uint32_t locked = 0;
    std::uint32_t line = 0;  // where its values begin
};

// The next place record of the placement (open at `depth`), or false when the placement ends
// first. The reader stands after the record's values.
bool read_place_record(Session& session, std::uint32_t depth, PlaceRecord& record) {
    SessionReader& reader = session.reader;
    for (;;) {
        Token token = reader.next();
        if (token.is_end()) fatal_error(30502, "premature EOF searching for place data");
        if (reader.depth() < depth) return false;
        if (!token.is_open()) continue;
        token = reader.peek();
        if (token.is_atom("resolution")) {
            reader.next();
            session.session_scale = read_session_resolution(reader, 30493, "parsing session place resolution");
            session.place_tolerance = session.session_scale;
        } else if (token.is_atom("place")) {
            reader.next();
            break;
        }
    }
    const std::uint32_t record_line = reader.line_number();
    const Token ref = reader.next(30514, "parsing quoted place");
    if (ref.is_end()) fatal_error(30508, "premature EOF reading place data");
    Token side;
    double x = 0;
    double y = 0;
    unsigned rotation = 0;
    if (!ref.is_word() || !token_number(reader.next(), x) || !token_number(reader.next(), y) ||
        !(side = reader.next()).is_word() || !token_unsigned(reader.next(), rotation) || !std::isfinite(x) ||
        !std::isfinite(y)) {
        reader.show_line(record_line);  // the record's line, not that of the token after it
        fatal_error(30511, "reading place data");
    }
    record.ref = session_name(ref);
    record.x = x;
    record.y = y;
    record.side = side.text == "front" ? 0 : 1;
    record.rotation = rotation;
    record.line = ref.line;
    return true;
}

// The rest of a place record (open at `depth`): a "(lock_type position)" in it locks the part.
std::uint32_t read_place_status(SessionReader& reader, std::uint32_t depth) {
    std::uint32_t locked = 0;
    bool in_lock = false;
    while (reader.depth() >= depth) {
        const Token token = reader.next();
        if (token.is_end()) fatal_error(30531, "premature EOF reading place status");
        if (token.is_open()) {
            in_lock = reader.peek().is_atom("lock_type");
        } else if (token.is_close()) {
            in_lock = false;
        } else if (in_lock && token.is_atom("position")) {
            locked = 1;
        }
    }
    return locked;
}

}  // namespace

void apply_session_placement(Session& session, Board& board) {
    SessionReader& reader = session.reader;
    reader.rewind();
    read_session_header(session);
    const std::uint32_t placement_depth = reader.depth();

    // The first part of each reference, as a linear search in board order would find it.
    NameIndex part_by_ref;
    part_by_ref.reserve(board.parts.size());
    for (std::size_t i = 0; i < board.parts.size(); ++i) part_by_ref.try_emplace(board.parts[i].ref, static_cast<std::uint32_t>(i));

    session.moved_parts.assign(board.parts.size(), 0);
    PlaceRecord record;
    for (std::size_t n = 0; n < board.parts.size() && read_place_record(session, placement_depth, record); ++n) {
        const std::uint32_t record_depth = reader.depth();
        reader.show_line(record.line);
        const std::uint32_t* found = part_by_ref.find(record.ref);
        if (found == nullptr) fatal_error(30522, "locating part");
        Part& part = board.parts[*found];
        const double x = board_length_or_fail(record.x * session.session_scale);
        const double y = board_length_or_fail(record.y * session.session_scale);
        record.locked = read_place_status(reader, record_depth);
        // A move counts when it exceeds one session unit: the router's wires follow even the
        // smallest move of the pins.
        const double tolerance = session.place_tolerance;
        const bool changed = std::fabs(part.x - x) > tolerance || std::fabs(part.y - y) > tolerance ||
                             part.side != record.side || part.rotation != record.rotation ||
                             part.locked != record.locked;
        session.moved_parts[*found] = changed ? 1 : 0;
        if (!changed) continue;
        part.x = x;
        part.y = y;
        part.side = record.side;
        part.rotation = record.rotation;
        part.locked = record.locked;
        ++session.stats.moved_part_count;
    }
    std::fprintf(console(), "\n\n    Part Locations Changed: %u", session.stats.moved_part_count);
    move_part_pins(board, session.moved_parts);
}

}  // namespace tarnwick
