#pragma once
// The session importer's records: the router's wiring of each net as read from the session file,
// the analysis of its path ends, and the chains of paths that become traces. One `Session` holds
// everything of one back-annotation run.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "board/net.h"
#include "session/session_reader.h"

namespace tarnwick {

// The heads of the session's first two records, as the router writes them on their lines,
// shown by the session report.
struct SessionHeader {
    std::string session_line;      // "(session" and its name, at most 127 characters
    std::string base_design_line;  // "(base_design" and its name, at most 127 characters
};

struct SessionStats {
    std::uint32_t moved_part_count = 0;
    std::uint32_t paths_read = 0;
    std::uint32_t areas_read = 0;
    std::uint32_t windows_read = 0;
    std::uint32_t vias_read = 0;
    std::uint32_t tees_made = 0;
    std::uint32_t via_tees_made = 0;
    std::uint32_t fixups = 0;
    std::uint32_t fixups_at_pins = 0;
    std::uint32_t via_ends_near_pins = 0;  // path ends left to their via though within a pin's reach
    std::uint32_t pins_connected = 0;
    std::uint32_t pins_multi = 0;
    std::uint32_t pin_to_pin = 0;
    std::uint32_t pin_to_via = 0;
    std::uint32_t via_to_via = 0;
    std::uint32_t pin_to_tee = 0;
    std::uint32_t via_to_tee = 0;
    std::uint32_t tee_to_tee = 0;
};

struct PathPoint {
    double x = 0;  // inch
    double y = 0;
};

// One routed wire of a net.
struct WirePath {
    double width = 0;   // inch
    double length = 0;  // sum of the segment lengths
    std::vector<PathPoint> points;
    std::uint32_t layer = 0;
    std::uint32_t source_line = 0;  // session line of the path's header
    std::int32_t start_pin = -1;    // net pin at the first / last point
    std::int32_t end_pin = -1;
    std::int32_t start_via = -1;  // index into the net wire's vias
    std::int32_t end_via = -1;
    std::int32_t start_tee = -1;  // index into the net wire's tees
    std::int32_t end_tee = -1;
    std::uint32_t runts = 0;  // segments shorter than two session units
    std::uint32_t moved_ends = 0;  // bit 0: first point moved, bit 1: last point moved
    std::uint32_t duplicates_deleted = 0;
    bool used = false;       // taken into a connection set
    bool following = false;  // on the chain being followed
    bool reversed = false;  // walked from its last point to its first
    bool protect = false;   // the board's own wire, given to the router as "(type protect)"
};

using PointList = std::vector<PathPoint>;

// A copper polygon of a net: read, counted and reported, never rebuilt.
struct WirePoly {
    std::uint32_t layer = 0;  // 0 when the layer name is not a copper layer's
    PointList points;
    std::vector<PointList> windows;
};

// A via of the router's wiring: the board's via record, which the routed board takes over, and
// what the importer learns of it.
struct WireVia : Via {
    std::int32_t tee = -1;          // index of the via's tee in its net, once a path end reaches it
    std::uint32_t source_line = 0;  // session line of the via record
    std::uint32_t path_ends = 0;
    // Copper layers a path end has reached the via on, a bit each, the top copper's first: only
    // whether a layer has a second end matters, and a board holds a via for every trace vertex
    // with one.
    std::uint32_t layer_path_ends = 0;
    std::uint32_t shared_layer = 0;  // two path ends on one layer meet at the via
    bool protect = false;            // the board's own via, given to the router as "(type protect)"
};

// A junction the importer makes: the board's tee record, and what the importer keeps of it.
struct WireTee : Tee {
    std::int32_t index = 0;       // position in the net's tees
    std::int32_t via = -1;        // the via it was made at, else -1
    std::uint32_t path_ends = 0;  // path ends joined at it
};

// A chain of paths that becomes one trace.
struct ConnectionSet {
    std::uint32_t path_count = 0;
    std::int32_t first_path = -1;
    std::vector<std::int32_t> path_list;  // path indices in walking order; -1 for a slot not filled
};

// One board net as the router wired it.
struct NetWire {
    std::string name;  // the board net's name
    std::int32_t net_index = 0;
    std::vector<WirePath> paths;
    std::vector<WirePoly> polys;
    std::vector<WireVia> vias;
    std::vector<WireTee> tees;
    std::vector<std::uint32_t> pin_path_ends;  // per pin of the board net: path ends found on it
    std::int32_t pin_connects_to_go = 0;
    std::vector<ConnectionSet> connection_sets;
    std::uint32_t trace_count = 0;
    std::uint32_t duplicate_paths_removed = 0;
    // The groups of the net's pins that the router's wiring joins, as read (see connectivity.h).
    std::vector<std::uint32_t> router_pin_groups;
};

using WireList = std::vector<NetWire>;

// How far a path end may lie from a pin, a via or another path end and still meet it: four
// session units, which the router's rounding of its own coordinates stays well inside.
inline double end_tolerance(double session_scale) { return 4 * session_scale; }

// Everything of one back-annotation run: the file, its header, the counters, the wiring and the
// run-wide tee numbering.
struct Session {
    Session(std::string file_name, std::vector<char> contents, std::uint32_t& line_counter)
        : name(std::move(file_name)), reader(std::move(contents), line_counter) {}

    std::string name;  // the session file's name as opened
    SessionReader reader;
    SessionHeader header;
    SessionStats stats;
    WireList wire_list;
    std::vector<std::uint8_t> moved_parts;  // per board part: the router's last place record changed it
    std::uint32_t next_tee_id = 12345;
    // Inches per session unit, and the moved-part tolerance; these are the values of a
    // resolution of 100 mil units until a resolution line is read.
    double session_scale = 0.00001;
    double place_tolerance = 0.00001;
};

struct Board;

// Shown the importer's state as a back-annotation goes: once the session is read, and after each
// of the four passes of the analysis, which `title` names; the connection sets are complete, and
// shown, `with_traces`. An empty one shows nothing.
using StateReport =
    std::function<void(const char* title, bool with_traces, const Session& session, const Board& board)>;

}  // namespace tarnwick
