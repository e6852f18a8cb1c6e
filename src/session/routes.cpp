#include "session/routes.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "board/pads.h"
#include "board/units.h"
#include "core/errors.h"
#include "core/scan_record.h"
#include "session/place_index.h"

namespace tarnwick {

namespace {

// The name of a net record, from after its keyword: a quoted name without its closing quote is
// error 31490, no name at all 31495.
std::string read_net_name(SessionReader& reader) {
    const std::uint32_t record_line = reader.line_number();
    const Token name = reader.next(31490, "parsing quoted net name");
    if (!name.is_word()) {
        reader.show_line(record_line);
        fatal_error(31495, "parsing net name");
    }
    return session_name(name);
}

std::uint64_t hash_coordinate(double value) {
    // -0.0 and 0.0 are the same coordinate; the bits are mixed so that nearby values spread.
    const auto bits = std::bit_cast<std::uint64_t>(value + 0.0);
    return (bits ^ (bits >> 31)) * 0x9E3779B97F4A7C15ULL;
}

// Hash of a path's points that is the same in either direction, so that a path and its reverse
// fall into one bucket of the duplicate index.
std::size_t path_hash(const WirePath& path) {
    std::size_t forward = path.points.size() * 31 + path.layer;
    std::size_t backward = forward;
    const std::size_t n = path.points.size();
    for (std::size_t i = 0; i < n; ++i) {
        const PathPoint& f = path.points[i];
        const PathPoint& b = path.points[n - 1 - i];
        forward = (forward * 1000003) ^ hash_coordinate(f.x) ^ (hash_coordinate(f.y) << 1);
        backward = (backward * 1000003) ^ hash_coordinate(b.x) ^ (hash_coordinate(b.y) << 1);
    }
    return forward ^ backward;
}

// The paths of a net kept so far, by hash, each hash's in the order they were read: chains in
// one open table rather than a list per hash, so that a path costs no allocation of its own.
class PathsByHash {
public:
    // Calls same(index) for the paths of `hash` in the order added, until one returns true;
    // whether one did.
    template <class Same>
    bool find(std::size_t hash, Same same) const {
        if (slots_.empty()) return false;
        for (std::uint32_t path = slots_[slot_of(hash)].first; path != none; path = next_[path]) {
            if (same(path)) return true;
        }
        return false;
    }

    void add(std::size_t hash, std::uint32_t path) {
        if (2 * (used_ + 1) > slots_.size()) grow();
        if (next_.size() <= path) next_.resize(std::size_t{path} + 1, none);
        next_[path] = none;
        Slot& slot = slots_[slot_of(hash)];
        if (slot.first == none) {
            slot = Slot{hash, path, path};
            ++used_;
        } else {
            next_[slot.last] = path;
            slot.last = path;
        }
    }

private:
    static constexpr std::uint32_t none = UINT32_MAX;
    struct Slot {
        std::size_t hash = 0;
        std::uint32_t first = none;
        std::uint32_t last = none;
    };
    // The slot of `hash`, or the empty slot where it would go.
    std::size_t slot_of(std::size_t hash) const {
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = (hash ^ (hash >> 29)) & mask;
        while (slots_[i].first != none && slots_[i].hash != hash) i = (i + 1) & mask;
        return i;
    }
    void grow() {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(std::max<std::size_t>(16, 2 * old.size()), Slot{});
        for (const Slot& slot : old) {
            if (slot.first != none) slots_[slot_of(slot.hash)] = slot;
        }
    }
    std::vector<Slot> slots_;          // size a power of two, at most half full
    std::vector<std::uint32_t> next_;  // per path, the next of its hash
    std::size_t used_ = 0;
};

// Reading one net's wiring; lives while the records of one board net are read.
class NetReader {
public:
    NetReader(Session& session, const Board& board, NetWire& wire, std::unordered_map<std::string, int>& padstacks)
        : session_(session), board_(board), reader_(session.reader), wire_(wire), padstack_by_word_(padstacks) {}

    // The body of a net record, from after its name to its close.
    void read_body() {
        const std::uint32_t depth = reader_.depth();
        for (;;) {
            const Token token = reader_.next();
            if (token.is_end()) reader_.fail_cut_short();
            if (reader_.depth() < depth) return;
            if (!token.is_open()) continue;
            const std::uint32_t record_depth = reader_.depth();
            const Token keyword = reader_.peek();
            if (keyword.is_atom("via")) {
                reader_.next();
                const std::size_t before = wire_.vias.size();
                read_session_via(token.line);
                const bool protect = read_to_close(record_depth);
                if (wire_.vias.size() > before) wire_.vias.back().protect = protect;
            } else if (keyword.is_atom("wire")) {
                reader_.next();
                const std::size_t before = wire_.paths.size();
                read_wire();
                const bool protect = read_to_close(record_depth);
                if (wire_.paths.size() > before) wire_.paths.back().protect = protect;
            } else {
                reader_.skip_to_close(record_depth);
            }
        }
    }

    // A path whose two ends lie on one via joins nothing to anything (a runt or a loop the router
    // left at a via); the analysis could not give it the via at both ends. Dropped, as
    // single-point paths are.
    void drop_paths_at_one_via() {
        const double reach = end_tolerance(scale());
        PlaceIndex vias(2 * reach);
        vias.reserve(wire_.vias.size());
        for (std::uint32_t i = 0; i < wire_.vias.size(); ++i) vias.insert(i, wire_.vias[i].x, wire_.vias[i].y);
        auto on = [reach](const PathPoint& p, const Via& via) {
            return std::fabs(p.x - via.x) <= reach && std::fabs(p.y - via.y) <= reach;
        };
        std::size_t kept = 0;
        for (std::size_t i = 0; i < wire_.paths.size(); ++i) {
            WirePath& path = wire_.paths[i];
            const Via* loop = nullptr;
            vias.visit_near(path.points.front().x, path.points.front().y, reach, [&](std::uint32_t v) {
                const Via& via = wire_.vias[v];
                if (loop == nullptr && on(path.points.front(), via) && on(path.points.back(), via)) loop = &via;
            });
            if (loop != nullptr) {
                std::fprintf(console(), "\nNet %s: (line %1u) trace with both ends on the via @ (%1.3lf, %1.3lf) on layer %1d dropped.",
                             wire_.name.c_str(), path.source_line, loop->x, loop->y, static_cast<int>(path.layer));
                continue;
            }
            if (kept != i) wire_.paths[kept] = std::move(path);
            ++kept;
        }
        wire_.paths.resize(kept);
    }

private:
    double scale() const { return session_.session_scale; }

    // The rest of a via or wire record (open at `depth`), read to its close as skip_to_close reads
    // it: whether it holds "(type protect)", which marks what the router was given as the
    // board's own and kept as it was.
    bool read_to_close(std::uint32_t depth) {
        bool protect = false;
        bool type_list = false;  // just after "(type" directly in the record
        Token last;
        while (reader_.depth() >= depth) {
            const Token token = reader_.next();
            if (token.is_end()) reader_.fail_cut_short();
            if (type_list && token.is_atom("protect")) protect = true;
            type_list = last.is_open() && reader_.depth() == depth + 1 && token.is_atom("type");
            last = token;
        }
        return protect;
    }

    // The highest layer number of the board's copper: the bottom, or its last inner layer.
    std::uint32_t last_copper_layer() const {
        const std::uint32_t copper_layers = board_.options.n_copper_layers;
        return bottom_copper_layer + (copper_layers > 2 ? copper_layers - 2 : 0);
    }

    // A wire, from after its keyword: its shape, and for a polygon the windows after it.
    void read_wire() {
        const Token shape = reader_.next();
        if (shape.is_end()) fatal_error(31511, "EOF reading wire");
        if (shape.is_open()) {
            const Token keyword = reader_.next();
            if (keyword.is_end()) fatal_error(31511, "EOF reading wire");
            if (keyword.is_atom("path")) {
                read_wire_path(shape.line);
                check_new_path();
                return;
            }
            if (keyword.is_atom("polygon")) {
                read_wire_poly(shape.line);
                return;
            }
            reader_.show_line(keyword.line);
            fatal_error(31555, strformat("unknown wire type \"%s\" found", record_head(reader_, keyword).c_str()));
        }
        fatal_error(31555, strformat("unknown wire type \"%s\" found", token_source(shape, reader_.quote()).c_str()));
    }

    // One point of a path or polygon, from its first number on; false at the list's close.
    // Anything but two finite numbers is fatal_error(scan_code, ...), the end of the file before
    // the point fatal_error(eof_code, ...). `split_line` keeps the line of the first point whose
    // numbers stood on two lines: on the router's layout, a point a line, that point was a lone
    // number paired with the next line's, and a list that then ends inside a point is its fault.
    bool read_point(PathPoint& point, std::uint32_t& split_line, int scan_code, const char* scan_message, int eof_code,
                    const char* eof_message) {
        const Token first = reader_.next();
        if (first.is_close()) return false;
        if (first.is_end()) fatal_error(eof_code, eof_message);
        double x = 0;
        double y = 0;
        bool read = token_number(first, x);
        std::uint32_t fault_line = first.line;
        if (read) {
            const Token second = reader_.next();
            read = token_number(second, y);
            if (second.is_close() && split_line != 0) fault_line = split_line;
            if (read && second.line != first.line && split_line == 0) split_line = first.line;
        }
        reader_.show_line(fault_line);
        if (!read || !std::isfinite(x) || !std::isfinite(y)) fatal_error(scan_code, scan_message);
        reader_.show_line(first.line);
        point.x = x * scale();
        point.y = y * scale();
        return true;
    }

    void read_wire_path(std::uint32_t path_line) {
        WirePath& path = wire_.paths.emplace_back();
        path.source_line = path_line;
        const Token layer = reader_.next();
        if (layer.is_end()) fatal_error(30879, "reading wire path header");
        double width = 0;
        // A header cut short is named at its own line, not at the token after it.
        const bool read = layer.is_word() && token_number(reader_.next(), width) && std::isfinite(width);
        reader_.show_line(path_line);
        if (!read) fatal_error(30882, "parsing wire path header");
        path.layer = session_layer_number(layer.text);
        // A layer the board does not have could not be written back as a trace.
        if (path.layer == 0 || path.layer > last_copper_layer()) fatal_error(30883, "bad layer in wire path");
        path.width = board_length_or_fail(width * scale());
        PathPoint point;
        std::uint32_t split_line = 0;
        // Gathered apart and kept at their size: one block per path, none larger than it needs.
        points_.clear();
        while (read_point(point, split_line, 30890, "parsing path point record", 30897,
                          "premature EOF reading wire path")) {
            // A path's points become trace vertices; an area's are never written back.
            board_length_or_fail(point.x);
            board_length_or_fail(point.y);
            points_.push_back(point);
        }
        path.points.assign(points_.begin(), points_.end());
        ++session_.stats.paths_read;
        measure_path(path, 2 * scale());
    }

    // Drops the path just read when it has fewer than two points or repeats an earlier one.
    void check_new_path() {
        WirePath& path = wire_.paths.back();
        if (path.points.empty()) {
            std::fprintf(console(), "\nNet %s: (line %1u) empty trace on layer %1d dropped.", wire_.name.c_str(),
                         path.source_line, static_cast<int>(path.layer));
            wire_.paths.pop_back();
            return;
        }
        if (path.points.size() == 1) {
            std::fprintf(console(), "\nNet %s: (line %1u) single point trace @ (%1.3lf, %1.3lf) on layer %1d dropped.",
                         wire_.name.c_str(), path.source_line, path.points[0].x, path.points[0].y,
                         static_cast<int>(path.layer));
            wire_.paths.pop_back();
            return;
        }
        const std::size_t hash = path_hash(path);
        const bool duplicate = paths_by_hash_.find(hash, [&](std::uint32_t earlier) {
            WirePath& kept = wire_.paths[earlier];
            if (kept.points.size() != path.points.size() || kept.layer != path.layer || !same_path(kept, path)) return false;
            std::fprintf(console(), "\nNet %s: (lines %1u, %1u) dup trace (%1.3lf, %1.3lf) to (%1.3lf, %1.3lf) layer %1d dropped",
                         wire_.name.c_str(), kept.source_line, path.source_line, path.points.front().x,
                         path.points.front().y, path.points.back().x, path.points.back().y,
                         static_cast<int>(path.layer));
            ++wire_.duplicate_paths_removed;
            ++kept.duplicates_deleted;
            return true;
        });
        if (duplicate) {
            wire_.paths.pop_back();
            return;
        }
        paths_by_hash_.add(hash, static_cast<std::uint32_t>(wire_.paths.size() - 1));
    }

    void read_wire_poly(std::uint32_t poly_line) {
        WirePoly& poly = wire_.polys.emplace_back();
        const Token layer = reader_.next();
        if (layer.is_end()) fatal_error(30927, "reading wire polygon header");
        unsigned aperture = 0;
        if (!layer.is_word() || !token_unsigned(reader_.next(), aperture)) {
            reader_.show_line(poly_line);
            fatal_error(30929, "parsing wire poly header");
        }
        poly.layer = session_layer_number(layer.text);
        PathPoint point;
        std::uint32_t split_line = 0;
        while (read_point(point, split_line, 30936, "parsing wire poly point", 30943, "premature EOF reading wire poly")) {
            poly.points.push_back(point);
        }
        ++session_.stats.areas_read;

        // The rest of the wire: its windows, and the descriptors a wire may carry.
        const std::uint32_t wire_depth = reader_.depth();
        for (;;) {
            const Token token = reader_.next();
            if (token.is_end()) reader_.fail_cut_short();
            if (reader_.depth() < wire_depth) return;
            const Token keyword = token.is_open() ? reader_.next() : token;
            if (token.is_open() && keyword.is_atom("window")) {
                read_window(poly);
                continue;
            }
            if (token.is_open() && keyword.kind == TokenKind::atom && is_wire_descriptor(keyword.text)) {
                reader_.skip_to_close(wire_depth + 1);
                continue;
            }
            reader_.show_line(token.line);
            fatal_error(30950, "reading poly window");
        }
    }

    static bool is_wire_descriptor(std::string_view word) {
        for (const char* known : {"net", "turret", "type", "attr", "shield", "connect", "supply", "clearance_class"}) {
            if (word == known) return true;
        }
        return false;
    }

    // A window of a polygon, from after its keyword: one polygon on the polygon's layer. Its
    // points are read whole, as its aperture width, which comes first, may be left out: an odd
    // count of numbers begins with it.
    void read_window(WirePoly& poly) {
        const std::uint32_t window_depth = reader_.depth();
        const Token shape = reader_.next();
        if (shape.is_end()) fatal_error(30951, "premature EOF reading poly window header");
        const Token keyword = shape.is_open() ? reader_.next() : shape;
        if (keyword.is_end()) fatal_error(30951, "premature EOF reading poly window header");
        if (!shape.is_open() || !keyword.is_atom("polygon")) fatal_error(30952, "unknown window shape");
        const Token layer = reader_.next();
        if (!layer.is_word()) fatal_error(30954, "reading poly window header");
        if (session_layer_number(layer.text) != poly.layer) fatal_error(30956, "poly window layer");
        std::vector<double> numbers;
        for (;;) {
            const Token token = reader_.next();
            if (token.is_close()) break;
            if (token.is_end()) fatal_error(30979, "premature EOF reading wire poly window");
            double value = 0;
            if (!token_number(token, value) || !std::isfinite(value)) {
                fatal_error(30972, "parsing wire poly window point");
            }
            numbers.push_back(value);
        }
        PointList& window = poly.windows.emplace_back();
        for (std::size_t i = numbers.size() % 2; i + 1 < numbers.size(); i += 2) {
            window.push_back({numbers[i] * scale(), numbers[i + 1] * scale()});
        }
        while (reader_.depth() >= window_depth) {
            if (reader_.next().is_end()) fatal_error(30979, "premature EOF reading wire poly window");
        }
        ++session_.stats.windows_read;
    }

    // The board padstack a via's word names: the first, in padstack order, whose name occurs in it.
    int find_padstack(const std::string& word) {
        const auto known = padstack_by_word_.find(word);
        if (known != padstack_by_word_.end()) return known->second;
        int found = -1;
        for (std::size_t i = 0; i < board_.padstacks.size(); ++i) {
            if (word.find(padstack_name(board_, static_cast<std::uint32_t>(i))) != std::string::npos) {
                found = static_cast<int>(i);
                break;
            }
        }
        padstack_by_word_.emplace(word, found);
        return found;
    }

    // A via, from after its keyword: its padstack word, x and y.
    void read_session_via(std::uint32_t via_line) {
        const Token word = reader_.next();
        double x = 0;
        double y = 0;
        const bool read = word.is_word() && token_number(reader_.next(), x) && token_number(reader_.next(), y) &&
                          std::isfinite(x) && std::isfinite(y);
        // What the via's values lead to is named at the via's line, as its record stands there.
        reader_.show_line(via_line);
        if (!read) fatal_error(30999, "parsing wiring via");
        const int padstack = find_padstack(session_name(word));
        if (padstack < 0) fatal_error(31008, "unknown via padstack");
        x = board_length_or_fail(x * scale());
        y = board_length_or_fail(y * scale());

        // The first earlier via within 0.001 inch.
        constexpr double reach = 0.001;
        std::int64_t first = -1;
        vias_by_place_.visit_near(x, y, reach, [&](std::uint32_t i) {
            const Via& earlier = wire_.vias[i];
            if (std::fabs(earlier.x - x) <= reach && std::fabs(earlier.y - y) <= reach &&
                (first < 0 || static_cast<std::int64_t>(i) < first)) {
                first = i;
            }
        });
        if (first >= 0) {
            std::fprintf(console(), "\nNet %s: (lines %1d, %1d) dup via @ (%1.3lf, %1.3lf) dropped", wire_.name.c_str(),
                         static_cast<int>(wire_.vias[static_cast<std::size_t>(first)].source_line),
                         static_cast<int>(via_line), x, y);
            return;
        }
        const Padstack& stack = board_.padstacks[static_cast<std::size_t>(padstack)];
        WireVia& via = wire_.vias.emplace_back();
        via.x = x;
        via.y = y;
        via.pad_width = stack.top.wide;
        via.hole = stack.hole;
        via.padstack = static_cast<std::uint32_t>(padstack);
        via.source_line = via_line;
        vias_by_place_.insert(static_cast<std::uint32_t>(wire_.vias.size() - 1), x, y);
        ++session_.stats.vias_read;
    }

    Session& session_;
    const Board& board_;
    SessionReader& reader_;
    NetWire& wire_;
    std::unordered_map<std::string, int>& padstack_by_word_;
    PathsByHash paths_by_hash_;
    std::vector<PathPoint> points_;  // the points of the path being read
    PlaceIndex vias_by_place_{0.002};  // twice the reach of the duplicate test
};

// Where the records of the network begin, and the names they carry, found in one pass.
struct NetworkIndex {
    // Per session net name, where each of its records' bodies begins, in file order.
    std::unordered_map<std::string, std::vector<SessionReader::Mark>> bodies;
    std::vector<std::string> names_in_order;  // each name once, in the order first met
    // Where the records stop being readable (a name that cannot be read, a file cut short or no
    // S-expression), as the place of the record that fails; the records after it are not
    // indexed. Every board net looks at the network as if it read all of it, so the first one
    // that reaches this place fails there.
    bool failed = false;
    SessionReader::Mark failure{};
    // The file ends inside the network: the board net whose record is cut meets the end in its
    // own reading (as "premature EOF reading wire path", say), and the end is an error once
    // every board net has read its records.
    bool cut_short = false;
    SessionReader::Mark end{};  // after the network's close
};

enum class IndexStep { record, closed, cut_short };

// One item of the network (open at `depth`): a net record is indexed, anything else passed over.
IndexStep index_item(SessionReader& reader, std::uint32_t depth, NetworkIndex& index) {
    const Token token = reader.next();
    if (token.is_end()) return IndexStep::cut_short;
    if (reader.depth() < depth) return IndexStep::closed;
    if (!token.is_open()) return IndexStep::record;
    const std::uint32_t record_depth = reader.depth();
    if (reader.peek().is_atom("net")) {
        reader.next();
        std::string name = read_net_name(reader);
        auto [entry, inserted] = index.bodies.try_emplace(name);
        if (inserted) index.names_in_order.push_back(std::move(name));
        entry->second.push_back(reader.mark());
    }
    reader.skip_to_close(record_depth);
    return IndexStep::record;
}

NetworkIndex index_network(SessionReader& reader) {
    NetworkIndex index;
    const std::uint32_t depth = reader.depth();
    for (;;) {
        const SessionReader::Mark before = reader.mark();
        IndexStep step = IndexStep::cut_short;
        try {
            step = index_item(reader, depth, index);
        } catch (const FatalError& error) {
            step = error.code == session_cut_short ? IndexStep::cut_short : IndexStep::closed;
            index.failed = true;
        }
        if (step == IndexStep::record) continue;
        if (step == IndexStep::closed && !index.failed) {
            index.end = reader.mark();
        } else {
            index.failed = true;
            index.cut_short = step == IndexStep::cut_short;
            index.failure = before;
        }
        return index;
    }
}

// Raises the index's failure: reads the failing item again.
[[noreturn]] void raise_failure(SessionReader& reader, const NetworkIndex& index, std::uint32_t depth) {
    reader.seek(index.failure);
    NetworkIndex scratch;
    index_item(reader, depth, scratch);
    reader.fail_cut_short();
}

// Raises the index's failure when it lies in [from, to), but for the end of the file, which
// waits for the end of the network's reading.
void check_failure_between(SessionReader& reader, const NetworkIndex& index, std::size_t from, std::size_t to,
                           std::uint32_t depth) {
    if (!index.failed || index.cut_short || index.failure.position < from || index.failure.position >= to) return;
    raise_failure(reader, index, depth);
}

void read_network(Session& session, const Board& board) {
    SessionReader& reader = session.reader;
    const SessionReader::Mark network_start = reader.mark();
    const std::uint32_t network_line = reader.line_number();
    const NetworkIndex index = index_network(reader);
    constexpr std::size_t end_of_file = static_cast<std::size_t>(-1);

    std::unordered_map<std::string, int> padstack_by_word;
    session.wire_list.clear();
    session.wire_list.reserve(board.nets.size());
    for (std::size_t n = 0; n < board.nets.size(); ++n) {
        NetWire& wire = session.wire_list.emplace_back();
        wire.name = board.nets[n].name;
        wire.net_index = static_cast<std::int32_t>(n);
        reader.seek(network_start);
        NetReader net_reader(session, board, wire, padstack_by_word);
        const auto records = index.bodies.find(wire.name);
        if (records != index.bodies.end()) {
            for (const SessionReader::Mark& body : records->second) {
                check_failure_between(reader, index, reader.mark().position, body.position, network_start.depth);
                reader.seek(body);
                net_reader.read_body();
            }
        }
        net_reader.drop_paths_at_one_via();
        check_failure_between(reader, index, reader.mark().position, end_of_file, network_start.depth);
    }
    if (index.failed) raise_failure(reader, index, network_start.depth);

    // What follows the network must close the lists still open, and nothing may follow them.
    reader.seek(index.end);
    while (!reader.next().is_end()) {
    }
    if (reader.depth() > 0) reader.fail_cut_short();
    // Every board net read the network to its end; the line count shows it.
    if (board.nets.empty()) reader.show_line(network_line);

    // Wiring for a net the board does not have cannot be brought back: say so.
    std::unordered_set<std::string> board_names;
    for (const Net& net : board.nets) board_names.insert(net.name);
    for (const std::string& name : index.names_in_order) {
        if (board_names.count(name) == 0) {
            std::fprintf(console(), "\nNet %s: not on the board, its wiring is ignored.", name.c_str());
        }
    }
}

}  // namespace

double measure_path(WirePath& path, double runt_limit) {
    double length = 0;
    std::uint32_t runts = 0;
    for (std::size_t i = 1; i < path.points.size(); ++i) {
        const double dx = path.points[i].x - path.points[i - 1].x;
        const double dy = path.points[i].y - path.points[i - 1].y;
        const double d = std::sqrt(dx * dx + dy * dy);
        length += d;
        if (d < runt_limit) ++runts;
    }
    path.length = length;
    path.runts = runts;
    return length;
}

bool same_path(const WirePath& a, const WirePath& b) {
    const std::size_t n = a.points.size();
    if (n != b.points.size() || n == 0) return false;
    auto equal = [](const PathPoint& p, const PathPoint& q) { return p.x == q.x && p.y == q.y; };
    if (equal(a.points[0], b.points[0])) {
        for (std::size_t i = 0; i < n; ++i) {
            if (!equal(a.points[i], b.points[i])) return false;
        }
        return true;
    }
    if (equal(a.points[0], b.points[n - 1])) {
        for (std::size_t i = 0; i < n; ++i) {
            if (!equal(a.points[i], b.points[n - 1 - i])) return false;
        }
        return true;
    }
    return false;
}

void read_session_routes(Session& session, const Board& board, const StateReport& report) {
    SessionReader& reader = session.reader;
    reader.rewind();
    find_list(reader, "routes", 0, 31423, "premature EOF searching for routes section");
    find_list(reader, "resolution", 0, 31436, "premature EOF searching for routes resolution");
    session.session_scale = read_session_resolution(reader, 31430, "parsing session route resolution");
    session.place_tolerance = session.session_scale;

    find_list(reader, "parser", 0, 31452, "premature EOF searching for parser block");
    // Each item of the parser block on a line of its own, as the router writes them.
    std::fprintf(console(), "\n\n    Parser:");
    const std::uint32_t parser_depth = reader.depth();
    std::string item;
    for (;;) {
        const Token token = reader.next();
        if (token.is_end()) fatal_error(31452, "premature EOF searching for parser block");
        if (reader.depth() < parser_depth) break;
        if (!item.empty() && !token.is_close() && item.back() != '(') item += ' ';
        item += token_source(token, reader.quote());
        if (reader.depth() == parser_depth) {
            std::fprintf(console(), "\n      %s", item.c_str());
            item.clear();
        }
    }
    std::fprintf(console(), "\n");
    find_list(reader, "network_out", 0, 31460, "premature EOF searching for network_out section");

    read_network(session, board);

    if (report) report("Session File Loaded", false, session, board);
    std::fprintf(console(), "\n  Done, %u lines read.\n\n  Analyzing.", reader.line_number());
}

}  // namespace tarnwick
