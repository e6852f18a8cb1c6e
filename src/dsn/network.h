#pragma once
// The network section: nets with their pins and from-to requests, vias, via rules and classes.

#include <string>
#include <string_view>
#include <vector>

#include "board/board.h"
#include "core/name_index.h"
#include "core/settings.h"
#include "dsn/design_file.h"

namespace tarnwick {

// Parts by reference, footprints by name and their pins by name, each the first of its name, so
// that every node is found without walking the tables.
class NodeIndex {
public:
    explicit NodeIndex(const Board& board);
    const Part* part(std::string_view ref) const;
    const Footprint* footprint(std::string_view name) const;
    // The footprint named by a part of the board's table; null when there is none of its name.
    const Footprint* footprint_of(const Part& part) const;
    const FootprintPin* pin(const Footprint& footprint, std::string_view name) const;
    const Board& board() const { return board_; }

private:
    const Board& board_;
    NameIndex parts_;       // the place of the first part of each reference
    NameIndex footprints_;  // the place of the first footprint of each name
    std::vector<NameIndex> pins_;  // per footprint, the place of its first pin of each name
    std::vector<const Footprint*> part_footprints_;  // by the part's place in the table
};

// What a net node names: a pin with a pad (a node of the design file); a pin without one (a
// bare hole or a pin whose pads have no size, no pin of the part's image) or a pin of a part without footprint (no image at
// all); a pin the part's footprint lacks; or a pin of a part the board does not have. All but
// the first are left out of the net. An unknown footprint ends the run.
enum class NodeKind { pad, no_pad, unknown_pin, unknown_part };
NodeKind check_net_node(const NodeIndex& index, std::string_view ref, std::string_view pin);

void write_network(DesignFile& file, const Board& board, const RunSettings& settings);

}  // namespace tarnwick
