#pragma once
// Running the real router (../shared/router) from the tests: whether this machine can, one
// load of a design without routing, with the router's complaints and statistics, and the
// program's side of a round trip: the export of a board and the back-annotation of a session.

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/errors.h"
#include "dsn/design_file.h"
#include "fpc_writer/board_writer.h"
#include "fpc/load.h"
#include "session/back_annotation.h"
#include "test_support.h"

namespace tarnwick::test {

namespace fs = std::filesystem;

// Why the router cannot run here, or "" when it can. TARNWICK_SKIP_ROUTER (set by the sanitizer
// build: the router is not our code) also keeps it from running.
inline std::string router_skip_reason(const fs::path& router) {
    if (const char* skip = std::getenv("TARNWICK_SKIP_ROUTER"); skip != nullptr && *skip != '\0') {
        return "TARNWICK_SKIP_ROUTER is set";
    }
#ifdef _WIN32
    return "the router is run from a POSIX shell: the Linux build routes the same files";
#endif
    if (!fs::exists(router / "run.sh")) return "no router at " + router.string();
    if (std::system("command -v java >/dev/null 2>&1") != 0) return "no java on the PATH";
    return "";
}

inline std::string shell_quoted(const fs::path& path) {
    std::string text = "'";
    for (char c : path.string()) text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return text + "'";
}

// A scratch folder of the process's own under the system's temporary folder, empty at the start
// and removed at the end.
struct Scratch {
    explicit Scratch(const std::string& name)
        : folder(fs::temp_directory_path() / ("tarnwick_" + name + "_" + std::to_string(getpid()))) {
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    ~Scratch() { fs::remove_all(folder); }
    fs::path folder;
};

// The number after `"key": ` in the router's statistics, or -1.
inline long router_statistic(const std::string& log, const std::string& key) {
    const std::size_t at = log.find("\"" + key + "\":");
    if (at == std::string::npos) return -1;
    return std::strtol(log.c_str() + at + key.size() + 3, nullptr, 10);
}

// The number after `"total_count": ` in the statistics block named `block`, or -1.
inline long router_block_count(const std::string& log, const std::string& block) {
    const std::size_t at = log.find("\"" + block + "\": {");
    if (at == std::string::npos) return -1;
    const std::string key = "\"total_count\": ";
    const std::size_t count = log.find(key, at);
    if (count == std::string::npos) return -1;
    return std::strtol(log.c_str() + count + key.size(), nullptr, 10);
}

// Boards whose router complaints are known: the first of each list must be among them, so that
// the exception cannot outlive its reason. A board whose own outline crosses itself (the
// complaints are the board's); and fpcutil_Example, whose net "EARTH" holds a Bottom trace that
// ends exactly on a corner of the net's copper area (the edge of a window around a mounting
// hole): the router then finds that trace joined to the area from one side only, counts more
// items in the net's connected sets than the net holds and says so, while loading the board
// whole. Moved 1 mil into the area, the end gives no complaint; the board's copper is written
// as the board holds it.
inline const std::map<std::string, std::vector<std::string>>& known_router_complaints() {
    static const std::map<std::string, std::vector<std::string>> known = {
        {"design_self_crossing_outline",
         {"PolygonShape.DivisionPoint: projection not found",
          "Polygon.winding_number_after_closing: winding number != 0 expected"}},
        {"fpcutil_Example", {"NetIncompletes.calculate_net_items: too many items"}},
    };
    return known;
}

// The known complaint of board `name` that `complaint` is, or "".
inline std::string known_complaint(const std::string& name, const std::string& complaint) {
    const auto board = known_router_complaints().find(name);
    if (board == known_router_complaints().end()) return "";
    for (const std::string& known : board->second) {
        if (complaint.find(known) != std::string::npos) return known;
    }
    return "";
}

struct RouterLoad {
    int status = -1;
    bool session_written = false;
    std::string log;
    std::vector<std::string> complaints;  // the " WARN " and " ERROR " lines, timestamp dropped
    long incomplete = -1;                 // connections.incomplete_count of the statistics
    long connections = -1;                // connections.maximum_count
};

// Runs the router on the design with `options`, writing the session file beside it (with
// ".ses") and its log (with ".log").
inline RouterLoad run_router(const fs::path& router, const fs::path& design, const std::string& options,
                             int timeout_seconds) {
    const fs::path session = fs::path(design).replace_extension(".ses");
    const fs::path log = fs::path(design).replace_extension(".log");
    const std::string command = "FR_TIMEOUT=" + std::to_string(timeout_seconds) + " " + shell_quoted(router / "run.sh") +
                                " " + shell_quoted(design) + " " + shell_quoted(session) + " " + options + " >" +
                                shell_quoted(log) + " 2>&1";
    RouterLoad load;
    const int status = std::system(command.c_str());
#ifdef _WIN32
    load.status = status;
#else
    load.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    load.session_written = fs::exists(session) && fs::file_size(session) > 0;
    load.log = file_contents(log);
    std::size_t start = 0;
    while (start < load.log.size()) {
        std::size_t end = load.log.find('\n', start);
        if (end == std::string::npos) end = load.log.size();
        const std::string line = load.log.substr(start, end - start);
        const std::size_t level = std::min(line.find(" WARN "), line.find(" ERROR "));
        if (level != std::string::npos) load.complaints.push_back(line.substr(level + 1));
        start = end + 1;
    }
    load.incomplete = router_statistic(load.log, "incomplete_count");
    load.connections = router_statistic(load.log, "maximum_count");
    return load;
}

// Loads the design without routing (deterministic, seconds); the router writes the session
// file (beside the design, with ".ses") and its statistics all the same.
inline RouterLoad load_in_router(const fs::path& router, const fs::path& design) {
    return run_router(router, design, "--router.enabled=false", 180);
}

// Exports a board file as the design file `design`, with the console captured: the number of
// parts the design places (those with a footprint), or -1, with the error in `error`, when the
// board does not load or export.
inline long export_design(const fs::path& board_file, const fs::path& design, std::string* error = nullptr) {
    Board board;
    const RunSettings settings = named_settings(board_file, design);
    Diagnostics diagnostics;
    testing::internal::CaptureStderr();
    long placed = -1;
    try {
        load_fpc_file(board, settings, diagnostics);
        if (write_design_file(board, settings) == 0) {
            placed = std::count_if(board.parts.begin(), board.parts.end(), [](const Part& part) { return !part.no_footprint; });
        } else if (error != nullptr) {
            *error = "the design file was not written whole";
        }
    } catch (const FatalError& failure) {
        if (error != nullptr) *error = "error " + std::to_string(failure.code) + ": " + failure.message;
    }
    testing::internal::GetCapturedStderr();
    return placed;
}

// -B of `name` (its board and session in `folder`), with the check of its connections in `count`
// (and what it leaves unrouted in `unrouted`, when given); then `after` with the routed board and
// the file it was written to (`<name>_routed.fpc`). The console of the back-annotation is
// captured. False, with a failure, when any of it stops.
inline bool back_annotate(const fs::path& folder, const std::string& name, ConnectionCount& count,
                          const std::function<void(const Board& routed, const fs::path& file)>& after,
                          UnroutedReport* unrouted = nullptr) {
    Board board;
    const RunSettings settings = named_settings(folder / (name + ".fpc"), folder / name, true);
    Diagnostics diagnostics;
    testing::internal::CaptureStderr();
    try {
        load_fpc_file(board, settings, diagnostics);
        BackAnnotation done = back_annotate_file(board, settings, diagnostics);
        count = done.connections;
        if (unrouted != nullptr) *unrouted = std::move(done.unrouted);
        write_routed_fpc_file(board, settings, diagnostics);
    } catch (const FatalError& error) {
        testing::internal::GetCapturedStderr();
        ADD_FAILURE() << "error " << error.code << ": " << error.message;
        return false;
    }
    testing::internal::GetCapturedStderr();
    after(board, settings.routed_fpcname);
    return true;
}

// A wire or via of a session file as the router writes it (one record's head a line), read apart
// from the program's own reader, in the session's units.
struct SessionRecord {
    bool via = false;
    std::string net;
    std::string layer;     // a wire's
    double width = 0;      // a wire's
    std::string padstack;  // a via's
    std::vector<std::pair<double, double>> points;  // a wire's points, or a via's place
};

// The wires and vias of a session, in file order.
inline std::vector<SessionRecord> session_wiring(const std::string& session) {
    std::vector<SessionRecord> records;
    const std::size_t routes = session.find("(network_out");
    std::istringstream lines(session.substr(routes == std::string::npos ? session.size() : routes));
    std::string line;
    std::string net;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string keyword;
        words >> keyword;
        if (keyword == "(net") {
            words >> net;
            if (!net.empty() && net.front() == '"') net = net.substr(1, net.size() - 2);
        } else if (keyword == "(via") {
            SessionRecord& via = records.emplace_back();
            via.via = true;
            via.net = net;
            double x = 0;
            double y = 0;
            words >> via.padstack >> x >> y;
            via.points.emplace_back(x, y);
        } else if (keyword == "(path") {
            SessionRecord& wire = records.emplace_back();
            wire.net = net;
            words >> wire.layer >> wire.width;
            while (std::getline(lines, line) && line.find(')') == std::string::npos) {
                std::istringstream point(line);
                double x = 0;
                double y = 0;
                point >> x >> y;
                wire.points.emplace_back(x, y);
            }
        }
    }
    return records;
}

}  // namespace tarnwick::test
