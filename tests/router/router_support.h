#pragma once
// Running the real router (../shared/router) from the tests: whether this machine can, and one
// load of a design without routing, with the router's complaints and statistics.

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "core/errors.h"
#include "fpc/board_writer.h"
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

inline std::string file_text(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

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
    load.log = file_text(log);
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

// -B of `name` (its board and session in `folder`), with the check of its connections in `count`; then `after` with the routed board and the file it was written to
// (`<name>_routed.fpc`), all with the console captured. False, with a failure, when any of it stops.
inline bool back_annotate(const fs::path& folder, const std::string& name, ConnectionCount& count,
                          const std::function<void(const Board& routed, const fs::path& file)>& after) {
    Board board;
    const RunSettings settings = named_settings(folder / (name + ".fpc"), folder / name, true);
    Diagnostics diagnostics;
    testing::internal::CaptureStderr();
    try {
        load_fpc_file(board, settings, diagnostics);
        count = back_annotate_file(board, settings, diagnostics).connections;
        write_routed_fpc_file(board, settings, diagnostics);
        after(board, settings.routed_fpcname);
    } catch (const FatalError& error) {
        testing::internal::GetCapturedStderr();
        ADD_FAILURE() << "error " << error.code << ": " << error.message;
        return false;
    }
    testing::internal::GetCapturedStderr();
    return true;
}

}  // namespace tarnwick::test
