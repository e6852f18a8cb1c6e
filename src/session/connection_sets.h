#pragma once
// Chains of paths, each to become one trace: from pins first, then from any path left, each
// extended through vias and tees by the first path not yet used at its far end.

#include "session/session.h"

namespace tarnwick {

// Builds the net's connection sets and sets its trace count.
void build_connection_sets(NetWire& wire);

}  // namespace tarnwick
