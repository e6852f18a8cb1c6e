#include "session/routes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/errors.h"
#include "fpc/scan_record.h"
#include "session/point_grid.h"
#include "session/session_report.h"

namespace tarnwick {

namespace {

constexpr std::size_t net_name_max = 127;

// The first line, from the reader's position on, that contains `key`.
const char* find_line(SessionReader& reader, const char* key, int eof_code, const char* eof_message) {
    for (;;) {
        const char* line = read_or_fail(reader, eof_code, eof_message);
        if (std::strstr(line, key) != nullptr) return line;
    }
}

// Two numbers from the start of the text; false unless both are finite.
bool scan_point(const char* text, double scale, PathPoint& point) {
    double x = 0;
    double y = 0;
    if (scan_record(text, "%lf %lf", &x, &y) < 2 || !std::isfinite(x) || !std::isfinite(y)) return false;
    point.x = x * scale;
    point.y = y * scale;
    return true;
}

// The name of a "(net " record: the quoted text after the keyword, else its first word.
// Returns 0, or the error code when there is none.
int parse_net_name(const char* line, std::string& name) {
    const char* rest = line;
    for (int i = 0; i < 4 && *rest != '\0'; ++i) ++rest;
    if (std::strchr(rest, '"') != nullptr) return copy_quoted_name(name, rest, net_name_max) ? 0 : 31490;
    std::string word;
    if (!scan_word(rest, word)) return 31495;
    name.assign(word, 0, net_name_max);
    return 0;
}

std::string net_name_or_fail(const char* line) {
    std::string name;
    switch (parse_net_name(line, name)) {
        case 31490:
            fatal_error(31490, "parsing quoted net name");
        case 31495:
            fatal_error(31495, "parsing net name");
    }
    return name;
}

std::size_t hash_coordinate(double value) {
    return std::hash<double>{}(value + 0.0);  // -0.0 and 0.0 are the same coordinate
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

// Reading one net's wiring; lives while the records of one board net are read.
class NetReader {
public:
    NetReader(Session& session, const Board& board, NetWire& wire, std::unordered_map<std::string, int>& padstacks)
        : session_(session), board_(board), reader_(session.reader), wire_(wire), padstack_by_word_(padstacks) {}

    // The body of a net record from the reader's position: ends at a "(net " record of another
    // name, or at the end of the file.
    void read_body() {
        for (;;) {
            const char* line = reader_.read_session_line();
            if (line == nullptr) return;
            if (std::strstr(line, "(net") != nullptr) {
                if (std::strstr(line, "(net ") != nullptr && net_name_or_fail(line) != wire_.name) return;
                continue;
            }
            if (std::strstr(line, "(via") != nullptr) {
                read_session_via(line);
            } else if (std::strstr(line, "(wire") != nullptr) {
                const char* kind = read_or_fail(reader_, 31511, "EOF reading wire");
                reader_.unread_session_line();
                if (std::strstr(kind, "path") != nullptr) {
                    read_wire_path();
                    check_new_path();
                } else if (std::strstr(kind, "polygon") != nullptr) {
                    read_wire_poly();
                } else {
                    fatal_error(31555, strformat("unknown wire type \"%s\" found", kind));
                }
            }
        }
    }

    // A path whose two ends lie on one via joins nothing to anything (a runt or a loop the router
    // left at a via); the analysis could not give it the via at both ends. Dropped, as
    // single-point paths are.
    void drop_paths_at_one_via() {
        const double reach = 4 * scale();
        PointGrid vias(2 * reach);
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

    // The highest layer number of the board's copper.
    std::uint32_t last_copper_layer() const {
        const std::uint32_t n = board_.options.n_copper_layers;
        return n > 2 ? 11 + n : 13;
    }

    void read_wire_path() {
        WirePath& path = wire_.paths.emplace_back();
        path.source_line = reader_.line_number();
        const char* header = read_or_fail(reader_, 30879, "reading wire path header");
        std::string keyword;
        std::string layer;
        double width = 0;
        if (!scan_word(header, keyword) || !scan_word(header, layer) || std::sscanf(header, "%lf", &width) < 1 ||
            !std::isfinite(width)) {
            fatal_error(30882, "parsing wire path header");
        }
        path.layer = session_layer_number(layer.c_str());
        // A layer the board does not have could not be written back as a trace.
        if (path.layer == 0 || path.layer > last_copper_layer()) fatal_error(30883, "bad layer in wire path");
        path.width = board_length_or_fail(width * scale());
        for (;;) {
            const char* line = read_or_fail(reader_, 30897, "premature EOF reading wire path");
            if (std::strchr(line, ')') != nullptr) break;
            PathPoint point;
            if (!scan_point(line, scale(), point)) fatal_error(30890, "parsing path point record");
            // A path's points become trace vertices; an area's are never written back.
            board_length_or_fail(point.x);
            board_length_or_fail(point.y);
            path.points.push_back(point);
        }
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
        std::vector<std::size_t>& bucket = paths_by_hash_[hash];
        for (const std::size_t earlier : bucket) {
            WirePath& kept = wire_.paths[earlier];
            if (kept.points.size() != path.points.size() || kept.layer != path.layer || !same_path(kept, path)) continue;
            std::fprintf(console(), "\nNet %s: (lines %1u, %1u) dup trace (%1.3lf, %1.3lf) to (%1.3lf, %1.3lf) layer %1d dropped",
                         wire_.name.c_str(), kept.source_line, path.source_line, path.points.front().x,
                         path.points.front().y, path.points.back().x, path.points.back().y,
                         static_cast<int>(path.layer));
            ++wire_.duplicate_paths_removed;
            ++kept.duplicates_deleted;
            wire_.paths.pop_back();
            return;
        }
        bucket.push_back(wire_.paths.size() - 1);
    }

    // Points up to a line holding ")"; end of file first is fatal_error(eof_code, ...).
    void read_points(PointList& points, int scan_code, const char* scan_message, int eof_code,
                     const char* eof_message, const char** closing) {
        for (;;) {
            const char* line = read_or_fail(reader_, eof_code, eof_message);
            if (std::strchr(line, ')') != nullptr) {
                if (closing != nullptr) *closing = line;
                return;
            }
            PathPoint point;
            if (!scan_point(line, scale(), point)) fatal_error(scan_code, scan_message);
            points.push_back(point);
        }
    }

    void read_wire_poly() {
        WirePoly& poly = wire_.polys.emplace_back();
        const char* header = read_or_fail(reader_, 30927, "reading wire polygon header");
        std::string keyword;
        std::string layer;
        unsigned ignored = 0;
        if (!scan_word(header, keyword) || !scan_word(header, layer) || std::sscanf(header, "%u", &ignored) < 1) {
            fatal_error(30929, "parsing wire poly header");
        }
        poly.layer = session_layer_number(layer.c_str());
        read_points(poly.points, 30936, "parsing wire poly point", 30943, "premature EOF reading wire poly", nullptr);
        ++session_.stats.areas_read;

        for (;;) {
            const char* line = reader_.read_session_line();
            if (line == nullptr || std::strchr(line, ')') != nullptr) return;
            if (std::strstr(line, "(window") == nullptr) fatal_error(30950, "reading poly window");
            const char* shape = read_or_fail(reader_, 30951, "premature EOF reading poly window header");
            const char* polygon = std::strstr(shape, "polygon");
            if (polygon == nullptr) fatal_error(30952, "unknown window shape");
            const char* after = polygon + 7;
            std::string window_layer;
            if (!scan_word(after, window_layer)) fatal_error(30954, "reading poly window header");
            if (session_layer_number(window_layer.c_str()) != poly.layer) fatal_error(30956, "poly window layer");
            PointList& window = poly.windows.emplace_back();
            read_points(window, 30972, "parsing wire poly window point", 30979, "premature EOF reading wire poly window",
                        nullptr);
            read_or_fail(reader_, 30979, "premature EOF reading wire poly window");
            ++session_.stats.windows_read;
        }
    }

    // The board padstack a via's word names: the first, in padstack order, whose name occurs in it.
    int find_padstack(const std::string& word) {
        const auto known = padstack_by_word_.find(word);
        if (known != padstack_by_word_.end()) return known->second;
        int found = -1;
        for (std::size_t i = 0; i < board_.padstacks.size(); ++i) {
            if (word.find(board_.padstacks[i].name) != std::string::npos) {
                found = static_cast<int>(i);
                break;
            }
        }
        padstack_by_word_.emplace(word, found);
        return found;
    }

    void read_session_via(const char* line) {
        const char* text = line;
        for (int i = 0; i < 4 && *text != '\0'; ++i) ++text;
        std::string word;
        double x = 0;
        double y = 0;
        if (!scan_word(text, word) || scan_record(text, "%lf %lf", &x, &y) < 2 || !std::isfinite(x) ||
            !std::isfinite(y)) {
            fatal_error(30999, "parsing wiring via");
        }
        const int padstack = find_padstack(word);
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
                         static_cast<int>(reader_.line_number()), x, y);
            return;
        }
        const Padstack& stack = board_.padstacks[static_cast<std::size_t>(padstack)];
        Via& via = wire_.vias.emplace_back();
        via.x = x;
        via.y = y;
        via.pad_width = stack.top.wide;
        via.hole = stack.hole;
        via.padstack = static_cast<std::uint32_t>(padstack);
        via.source_line = reader_.line_number();
        vias_by_place_.insert(static_cast<std::uint32_t>(wire_.vias.size() - 1), x, y);
        ++session_.stats.vias_read;
    }

    Session& session_;
    const Board& board_;
    SessionReader& reader_;
    NetWire& wire_;
    std::unordered_map<std::string, int>& padstack_by_word_;
    std::unordered_map<std::size_t, std::vector<std::size_t>> paths_by_hash_;
    PointGrid vias_by_place_{0.002};  // twice the reach of the duplicate test
};

// Where the records of the network begin, and the names they carry, found in one pass.
struct NetworkIndex {
    // Per session net name, where each of its records' bodies begins, in file order.
    std::unordered_map<std::string, std::vector<LineReader::Mark>> bodies;
    std::vector<std::string> names_in_order;  // each name once, in the order first met
    // "(net " lines whose name cannot be read, as positions of the line itself.
    std::vector<std::size_t> bad_name_lines;
};

NetworkIndex index_network(SessionReader& reader) {
    NetworkIndex index;
    for (;;) {
        const char* line = reader.read_session_line();
        if (line == nullptr) break;
        if (std::strstr(line, "(net ") == nullptr) continue;
        std::string name;
        if (parse_net_name(line, name) != 0) {
            // The physical line holding the record: the reader skipped blank lines before it.
            index.bad_name_lines.push_back(reader.mark().next - 1);
            continue;
        }
        auto [entry, inserted] = index.bodies.try_emplace(name);
        if (inserted) index.names_in_order.push_back(name);
        entry->second.push_back(reader.mark());
    }
    return index;
}

// Every board net looks at the network as if it read all of it: a record name that cannot be
// read stops the first board net that reaches it. Raises it when one lies in [from, to).
void check_names_between(SessionReader& reader, const NetworkIndex& index, std::size_t from, std::size_t to) {
    auto bad = std::lower_bound(index.bad_name_lines.begin(), index.bad_name_lines.end(), from);
    if (bad == index.bad_name_lines.end() || *bad >= to) return;
    reader.seek({*bad, static_cast<std::uint32_t>(*bad)});
    net_name_or_fail(reader.read_session_line());
}

void read_network(Session& session, const Board& board) {
    SessionReader& reader = session.reader;
    const LineReader::Mark network_start = reader.mark();
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
            for (const LineReader::Mark& body : records->second) {
                // A record already read through belongs to the run of records before it.
                if (body.next <= reader.mark().next) continue;
                check_names_between(reader, index, reader.mark().next, body.next - 1);
                reader.seek(body);
                net_reader.read_body();
            }
        }
        net_reader.drop_paths_at_one_via();
        check_names_between(reader, index, reader.mark().next, end_of_file);
    }
    // Every board net read the network to its end; the line count shows it.
    if (!board.nets.empty()) {
        while (reader.read_session_line() != nullptr) {
        }
    }

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

void read_session_routes(Session& session, const Board& board, const RunSettings& settings) {
    SessionReader& reader = session.reader;
    reader.rewind();
    find_line(reader, "(routes", 31423, "premature EOF searching for routes section");
    const char* resolution =
        find_line(reader, "resolution", 31436, "premature EOF searching for routes resolution");
    session.session_scale = read_session_resolution(resolution, 31430, "parsing session route resolution");
    session.place_tolerance = session.session_scale;

    find_line(reader, "(parser", 31452, "premature EOF searching for parser block");
    std::fprintf(console(), "\n\n    Parser:");
    for (;;) {
        const char* line = read_or_fail(reader, 31452, "premature EOF searching for parser block");
        if (*line == ')') break;
        std::fprintf(console(), "\n      %s", line);
    }
    std::fprintf(console(), "\n");
    find_line(reader, "(network_out", 31460, "premature EOF searching for network_out section");

    read_network(session, board);

    if (settings.verbose) write_session_report(stdout, "Session File Loaded", false, session, board);
    std::fprintf(console(), "\n  Done, %u lines read.\n\n  Analyzing.", reader.line_number());
}

}  // namespace tarnwick
