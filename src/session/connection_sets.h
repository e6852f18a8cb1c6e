#pragma once
// Chains of paths, each to become one trace: from pins first, then from any path left, each
// extended through vias and tees by the first path not yet used at its far end.

#include <cstdint>
#include <vector>

#include "session/session.h"

namespace tarnwick {

// Builds the net's connection sets and sets its trace count.
void build_connection_sets(NetWire& wire);

// The paths with an end at each via and at each tee of a net, in path order: a chain looks only
// at the paths at its far end. As paths once used stay used, each list keeps where its first
// path not yet used may be, so that a crowd of paths at one tee is passed over once, not once
// per chain.
struct ChainIndex {
    explicit ChainIndex(const NetWire& wire);
    std::vector<std::vector<std::uint32_t>> paths_at_via;
    std::vector<std::vector<std::uint32_t>> paths_at_tee;
    std::vector<std::uint32_t> via_unused_from;
    std::vector<std::uint32_t> tee_unused_from;
};

// Extends the set being built (the one at the net's trace count) from slot `depth` on, entering
// through tee `tee` or via `via` from a path on `layer`. Returns 1 when a pin was reached, 8 at an
// open end, 0 when no path continues the chain.
int follow_chain(NetWire& wire, ChainIndex& index, std::int32_t tee, std::int32_t via, std::uint32_t layer,
                 std::uint32_t depth);

}  // namespace tarnwick
