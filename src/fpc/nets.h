#pragma once
// The nets section: nets with their pins, traces, vias, tees and areas, and the net classes.

#include <cstddef>
#include <cstdint>
#include <unordered_map>

#include "board/board.h"
#include "core/settings.h"
#include "fpc/load_indexes.h"
#include "fpc/reader.h"

namespace tarnwick {

void read_nets(LineReader& reader, Board& board, const RunSettings& settings);

// Puts an ordinary net into the class of its trace width and default via, making the class
// when it is new.
void add_net_to_class(Board& board, LoadIndexes& indexes, std::uint32_t net_index);

// The tees of one net by id, so that a tee met again is found without walking the list.
using TeeIndex = std::unordered_map<std::uint32_t, std::size_t>;

// Records a tee met at a trace vertex; the same id met again must lie at the same position.
// `index` holds the net's tees so far and takes in a new one.
void add_tee(Net& net, TeeIndex& index, std::uint32_t id, std::uint32_t layer, double x, double y);

}  // namespace tarnwick
