#include "session/placement.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/errors.h"
#include "fpc/parts.h"

namespace tarnwick {

namespace {

constexpr std::size_t header_line_max = 127;

// Header lines up to the one that opens the placement.
void read_session_header(Session& session) {
    for (;;) {
        const char* line = read_or_fail(session.reader, 30484, "premature EOF searching for placement");
        if (std::strstr(line, "placement") != nullptr) return;
        if (std::strstr(line, "(session") != nullptr) session.header.session_line.assign(line, 0, header_line_max);
        if (std::strstr(line, "(base_design") != nullptr) {
            session.header.base_design_line.assign(line, 0, header_line_max);
        }
    }
}

struct PlaceRecord {
    std::string ref;
    double x = 0;  // session units
    double y = 0;
    std::uint32_t side = 0;
    std::uint32_t rotation = 0;
    std::uint32_t locked = 0;
};

// The next place record, or false when the placement ends first.
bool read_place_record(Session& session, PlaceRecord& record) {
    SessionReader& reader = session.reader;
    const char* text = nullptr;
    for (;;) {
        const char* line = read_or_fail(reader, 30502, "premature EOF searching for place data");
        if (std::strstr(line, "resolution") != nullptr) {
            session.session_scale =
                read_session_resolution(line, 30493, "parsing session place resolution");
            session.place_tolerance = session.session_scale;
            continue;
        }
        if (std::strstr(line, "was_is") != nullptr || std::strstr(line, "routes") != nullptr) return false;
        if (const char* place = std::strstr(line, "place")) {
            text = skip_blanks(place + 5);
            break;
        }
    }
    if (*text == '\0') text = read_or_fail(reader, 30508, "premature EOF reading place data");

    const char* p = text;
    std::string ref;
    std::string side;
    double x = 0;
    double y = 0;
    unsigned rotation = 0;
    int used = 0;
    if (!scan_word(p, ref) || std::sscanf(p, "%lf %lf%n", &x, &y, &used) < 2 || !scan_word(p += used, side) ||
        std::sscanf(p, "%u", &rotation) < 1 || !std::isfinite(x) || !std::isfinite(y)) {
        fatal_error(30511, "reading place data");
    }
    record.ref.assign(ref, 0, 127);
    if (text[0] == '"' && !copy_quoted_name(record.ref, text)) fatal_error(30514, "parsing quoted place");
    record.x = x;
    record.y = y;
    record.side = side == "front" ? 0 : 1;
    record.rotation = rotation;
    return true;
}

// The line after a place record locks the part when it holds the lock type; any other line
// belongs to what follows.
std::uint32_t read_place_status(SessionReader& reader) {
    const char* status = read_or_fail(reader, 30531, "premature EOF reading place status");
    if (std::strstr(status, "lock_type") != nullptr && std::strstr(status, "position") != nullptr) return 1;
    reader.unread_session_line();
    return 0;
}

}  // namespace

void apply_session_placement(Session& session, Board& board) {
    session.reader.rewind();
    read_session_header(session);

    // The first part of each reference, as a linear search in board order would find it.
    std::unordered_map<std::string, std::size_t> part_by_ref;
    part_by_ref.reserve(board.parts.size());
    for (std::size_t i = 0; i < board.parts.size(); ++i) part_by_ref.emplace(board.parts[i].ref, i);

    PlaceRecord record;
    for (std::size_t n = 0; n < board.parts.size() && read_place_record(session, record); ++n) {
        const auto found = part_by_ref.find(record.ref);
        if (found == part_by_ref.end()) fatal_error(30522, "locating part");
        Part& part = board.parts[found->second];
        const double x = board_length_or_fail(record.x * session.session_scale);
        const double y = board_length_or_fail(record.y * session.session_scale);
        record.locked = read_place_status(session.reader);
        // A move counts when it exceeds one session unit: the router's wires follow even the
        // smallest move of the pins.
        const double tolerance = session.place_tolerance;
        const bool changed = std::fabs(part.x - x) > tolerance || std::fabs(part.y - y) > tolerance ||
                             part.side != record.side || part.rotation != record.rotation ||
                             part.locked != record.locked;
        part.moved = changed ? 1 : 0;
        if (!changed) continue;
        part.x = x;
        part.y = y;
        part.side = record.side;
        part.rotation = record.rotation;
        part.locked = record.locked;
        ++session.stats.moved_part_count;
    }
    std::fprintf(console(), "\n\n    Part Locations Changed: %u", session.stats.moved_part_count);
    build_part_pins(board);
}

}  // namespace tarnwick
