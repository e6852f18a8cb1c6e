#include "fpc/load_indexes.h"

#include <bit>
#include <cmath>

#include "fpc/padstacks.h"

namespace tarnwick {

bool net_class_key(double trace_width, std::uint32_t via_padstack, NetClassKey& key) {
    if (std::isnan(trace_width)) return false;
    key = {std::bit_cast<std::uint64_t>(trace_width + 0.0), via_padstack};
    return true;
}

LoadIndexes::LoadIndexes(const Board& board) {
    for (std::size_t i = 0; i < board.padstacks.size(); ++i) index_padstack(*this, board, static_cast<std::uint32_t>(i));
    for (std::size_t i = 1; i < board.tools.size(); ++i) index_drill_tool(*this, board, static_cast<std::uint32_t>(i));
    for (std::size_t i = 0; i < board.net_classes.size(); ++i) {
        NetClassKey key;
        if (net_class_key(board.net_classes[i].trace_width, board.net_classes[i].via_padstack, key)) {
            net_classes.emplace(key, static_cast<std::uint32_t>(i));
        }
    }
    layer_nets.resize(board.copper_layers.size());
    for (std::size_t k = 0; k < board.copper_layers.size(); ++k) {
        const std::vector<LayerNet>& list = board.copper_layers[k].layer_nets;
        for (std::size_t i = 0; i < list.size(); ++i) layer_nets[k].emplace(list[i].net_name, static_cast<std::uint32_t>(i));
    }
}

}  // namespace tarnwick
