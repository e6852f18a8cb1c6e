#include "route/route_result.h"

#include <cinttypes>
#include <cmath>
#include <set>
#include <utility>

#include "board/units.h"
#include "core/errors.h"
#include "core/output_file.h"
#include "core/settings.h"

namespace tarnwick {

namespace {

constexpr double millimetres_per_inch = 25.4;

// To `decimals` places, as the nearest double to the decimal (so that JSON shows it short).
double rounded(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

const char* end_name(RouterEnd end) {
    switch (end) {
        case RouterEnd::exited:
            return "exited";
        case RouterEnd::ended_by_us:
            return "ended_after_session";
        case RouterEnd::time_limit:
            return "time_limit";
        case RouterEnd::failed:
            return "failed";
        case RouterEnd::not_started:
            break;
    }
    return "not_started";
}

nlohmann::ordered_json name_or_null(const std::string& name) {
    return name.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(name);
}

}  // namespace

CopperTotals copper_totals(const std::vector<Net>& nets) {
    CopperTotals totals;
    for (const Net& net : nets) {
        std::set<std::pair<double, double>> places;
        for (const Via& via : net.vias) places.emplace(via.x, via.y);
        totals.vias += places.size();
        for (const Connect& connect : net.connects) {
            for (std::size_t i = 0; i + 1 < connect.vertices.size(); ++i) {
                const Vertex& from = connect.vertices[i];
                const Vertex& to = connect.vertices[i + 1];
                if (from.seg_layer >= top_copper_layer) totals.length += std::hypot(to.x - from.x, to.y - from.y);
            }
        }
    }
    return totals;
}

std::int64_t unrouted_by_router(const RouterRun& run) {
    const nlohmann::ordered_json& statistics = run.statistics;
    if (statistics.is_object() && statistics.contains("connections")) {
        const nlohmann::ordered_json& connections = statistics["connections"];
        if (connections.is_object() && connections.contains("incomplete_count") &&
            connections["incomplete_count"].is_number_integer()) {
            return connections["incomplete_count"].get<std::int64_t>();
        }
    }
    return run.unrouted;
}

void note_unrouted(RouteResult& result, const Board& board, const UnroutedReport& report) {
    result.unrouted_counted = true;
    result.unrouted = report.connections;
    result.unrouted_list.clear();
    result.unrouted_list.reserve(report.open.size());
    for (const OpenConnection& open : report.open) {
        const Net& net = board.nets[open.net];
        auto pin = [&](const OpenEnd& end) {
            return end.pin >= 0 && static_cast<std::size_t>(end.pin) < net.pins.size()
                       ? net.pins[static_cast<std::size_t>(end.pin)].pin_ref
                       : std::string();
        };
        result.unrouted_list.push_back(
            UnroutedEntry{net.name, pin(open.from), open.from.x, open.from.y, pin(open.to), open.to.x, open.to.y});
    }
}

std::int64_t unrouted_count(const RouteResult& result) {
    return result.unrouted_counted ? std::int64_t{result.unrouted} : unrouted_by_router(result.router);
}

int route_exit_status(const RouteResult& result) {
    if (result.error_code != 0) return exit_status_for(result.error_code);
    const bool complete = unrouted_count(result) == 0 && result.connections_checked &&
                          result.connections.kept == result.connections.made;
    return complete ? 0 : unrouted_exit_status;
}

void print_route_result(std::FILE* console, const RouteResult& result) {
    const std::int64_t unrouted = unrouted_count(result);
    const std::uint32_t lost = result.connections.made - result.connections.kept;
    if (unrouted == 0 && lost == 0) {
        std::fprintf(console, "\n  Route complete: every connection routed\n");
        return;
    }
    std::string what;
    if (unrouted > 0) {
        what = strformat("%" PRId64 " connection%s left unrouted%s", unrouted, unrouted == 1 ? "" : "s",
                         result.unrouted_counted ? "" : " by the router");
    } else if (unrouted < 0) {
        what = "the router did not say how many connections it left unrouted";
    }
    if (lost > 0) {
        if (!what.empty()) what += ", ";
        what += strformat("%u connection%s lost on the way back", lost, lost == 1 ? "" : "s");
    }
    std::fprintf(console, "\n  Route incomplete: %s\n", what.c_str());
}

nlohmann::ordered_json route_summary(const RouteResult& result) {
    using Json = nlohmann::ordered_json;
    const RouterRun& run = result.router;
    const int status = route_exit_status(result);
    Json summary;
    summary["board"] = result.board;
    summary["design_file"] = result.design_file;
    summary["session_file"] = result.session_file;
    summary["routed_board"] = name_or_null(result.routed_board);
    summary["router_log"] = result.router_log;

    Json router;
    router["path"] = name_or_null(run.command.router);
    router["found"] = name_or_null(run.command.found_by);
    router["program"] = name_or_null(run.command.program);
    router["version"] = name_or_null(run.version);
    router["exit_status"] = run.exit_status >= 0 ? Json(run.exit_status) : Json();
    router["ended"] = end_name(run.end);
    router["seconds"] = rounded(run.seconds, 2);
    summary["router"] = router;

    summary["passes"] = {{"limit", result.passes}, {"run", run.passes_run}};
    summary["time_limit_seconds"] = result.time_limit > 0 ? Json(result.time_limit) : Json();

    const std::int64_t unrouted = unrouted_count(result);
    Json connections;
    connections["made"] = result.connections_checked ? Json(result.connections.made) : Json();
    connections["kept"] = result.connections_checked ? Json(result.connections.kept) : Json();
    connections["unrouted"] = unrouted >= 0 ? Json(unrouted) : Json();
    connections["unrouted_counted_by"] = result.unrouted_counted ? Json("routed_board")
                                         : unrouted >= 0         ? Json("router")
                                                                 : Json();
    Json list;
    if (result.unrouted_counted) {
        list = Json::array();
        auto side = [](const std::string& pin, double x, double y) {
            return Json{{"pin", name_or_null(pin)}, {"x_mm", rounded(x * millimetres_per_inch, 3)},
                        {"y_mm", rounded(y * millimetres_per_inch, 3)}};
        };
        for (const UnroutedEntry& entry : result.unrouted_list) {
            list.push_back(Json{{"net", entry.net},
                                {"from", side(entry.from_pin, entry.from_x, entry.from_y)},
                                {"to", side(entry.to_pin, entry.to_x, entry.to_y)}});
        }
    }
    connections["unrouted_list"] = list;
    connections["violations"] = run.violations >= 0 ? Json(run.violations) : Json();
    summary["connections"] = connections;

    const bool written = !result.routed_board.empty();
    summary["vias_added"] =
        written ? Json(static_cast<std::int64_t>(result.after.vias) - static_cast<std::int64_t>(result.before.vias))
                : Json();
    summary["wire_length_added_mm"] =
        written ? Json(rounded((result.after.length - result.before.length) * millimetres_per_inch, 3)) : Json();
    summary["router_statistics"] = run.statistics;

    summary["result"] = result.error_code != 0 ? "failed" : status == 0 ? "routed" : "unrouted";
    summary["exit_status"] = status;
    summary["error"] = result.error_code != 0
                           ? Json({{"code", result.error_code}, {"message", result.error_message}})
                           : Json();
    return summary;
}

void write_route_summary(const std::string& file, const RouteResult& result) {
    // Names as the system gave them, which need not be UTF-8: what is no UTF-8 is replaced.
    const std::string text =
        route_summary(result).dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
    OutputFile output(file);
    const bool stored = output.is_open() && std::fwrite(text.data(), 1, text.size(), output.stream()) == text.size() &&
                        output.commit();
    if (!stored) fatal_error(summary_not_written, strformat("Unable to create summary file \"%s\"", file.c_str()));
}

}  // namespace tarnwick
