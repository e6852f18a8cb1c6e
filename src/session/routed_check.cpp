#include "session/routed_check.h"

#include <vector>

namespace tarnwick {

RoutedCheck check_routed_board(std::FILE* console, const Session& session, const Board& board, const NetPinPads& pads) {
    const double reach = end_tolerance(session.session_scale);
    std::vector<const NetWire*> wire_of(board.nets.size(), nullptr);
    for (const NetWire& wire : session.wire_list) {
        const auto n = static_cast<std::size_t>(wire.net_index);
        if (n < wire_of.size()) wire_of[n] = &wire;
    }
    static const std::vector<Area> no_areas;
    RoutedCheck result;
    for (std::uint32_t n = 0; n < board.nets.size(); ++n) {
        const Net& net = board.nets[n];
        const NetWire* wire = wire_of[n];
        const bool checked = wire != nullptr && wire->router_pin_groups.size() == net.pins.size();
        // Keepout nets are none of the router's: nothing of theirs is open.
        const bool open = net.reserved == 0;
        if (!checked && !open) continue;
        const std::vector<PinPad> net_pads = pads.of_net(n);
        const BoardCopper copper(net);
        // The check leaves the areas out, as the router's wiring has none to compare with: its
        // pin labels are taken before the areas join the copper.
        std::vector<std::uint32_t> routed;
        const CopperGroups groups = join_copper(net, net_pads, copper.runs, copper.vias, open ? net.areas : no_areas,
                                                reach, checked ? &routed : nullptr);
        if (checked) compare_connections(console, net, wire->router_pin_groups, routed, result.connections);
        if (open) add_open_connections(board, n, net_pads, copper, groups, result.unrouted);
    }
    print_connection_count(console, result.connections);
    return result;
}

}  // namespace tarnwick
