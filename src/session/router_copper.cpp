#include "session/router_copper.h"

namespace tarnwick {

RouterCopper router_copper(const Session& session) {
    RouterCopper copper;
    for (const NetWire& wire : session.wire_list) {
        const auto net = static_cast<std::uint32_t>(wire.net_index);
        for (const WirePath& path : wire.paths) {
            if (path.protect) continue;
            for (std::size_t k = 0; k + 1 < path.points.size(); ++k) {
                const PathPoint& a = path.points[k];
                const PathPoint& b = path.points[k + 1];
                copper.add_segment(net, path.layer, a.x, a.y, b.x, b.y);
            }
        }
        for (const WireVia& via : wire.vias) {
            if (!via.protect) copper.add_via(net, via.x, via.y);
        }
    }
    copper.finish();
    return copper;
}

}  // namespace tarnwick
