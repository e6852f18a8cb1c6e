#pragma once
// Which pins of a net its copper joins, found by one geometric rule for the router's wiring and
// for the routed board alike, so that -B can tell whether the routed board keeps every
// connection the router made. The rule: two wires on one layer join where an end or vertex of
// one meets an end or vertex of the other, as copper that touches does; a via joins every wire
// that has an end or vertex at its place, on any layer; a pin is reached by a wire whose end or
// vertex lies within its pad on a layer where the pin has copper, or by a via on its centre.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "board/board.h"
#include "session/place_index.h"
#include "session/session.h"

namespace tarnwick {

// Groups of items, joined in any order; each group is found by its lowest item.
class Groups {
public:
    explicit Groups(std::size_t count) : parent_(count) {
        for (std::size_t i = 0; i < count; ++i) parent_[i] = static_cast<std::uint32_t>(i);
    }
    std::uint32_t find(std::uint32_t item) {
        while (parent_[item] != item) {
            parent_[item] = parent_[parent_[item]];
            item = parent_[item];
        }
        return item;
    }
    // False when the two were in one group already.
    bool join(std::uint32_t a, std::uint32_t b) {
        a = find(a);
        b = find(b);
        if (a == b) return false;
        parent_[std::max(a, b)] = std::min(a, b);
        return true;
    }

private:
    std::vector<std::uint32_t> parent_;
};

// The kinds of copper layer a pin's pads are given for, which index a PinPad's tables.
enum CopperKind : std::size_t { top_kind, bottom_kind, inner_kind, copper_kinds };

// The pad of a net pin as the design file gives it to the router: a box around the pin's place
// on each kind of copper layer, where the pin has copper there.
struct PinPad {
    float half_x[copper_kinds] = {0, 0, 0};
    float half_y[copper_kinds] = {0, 0, 0};
    bool copper[copper_kinds] = {false, false, false};
};

// The copper layer kind of a layer number.
std::size_t pad_layer_kind(std::uint32_t layer);

// Whether the pin's pad holds (x, y) on layer kind `kind`, within `reach` of its edge.
bool pad_holds(const PinPad& pad, const NetPin& pin, std::size_t kind, double x, double y, double reach);

// The pads of one net's pins as boxes on a lattice of cells as wide as the largest pad, so that
// the pads holding a place are found among those of a cell or two. The pads of a net of few pins
// are walked, which finds the same.
class PadFinder {
public:
    // Holds on to the net and the pads, which must stay as they are while it is used.
    PadFinder(const Net& net, const std::vector<PinPad>& pads, double reach);

    // Calls visit(pin) for each pin whose pad holds (x, y) on layer kind `kind`, in no order and
    // maybe more than once.
    template <typename Visit>
    void visit_holding(double x, double y, std::size_t kind, Visit visit) const {
        auto visit_holding_pin = [&](std::uint32_t pin) {
            if (pad_holds(pads_[pin], net_.pins[pin], kind, x, y, reach_)) visit(pin);
        };
        if (!walk_) {
            boxes_.visit_near(x, y, reach_, visit_holding_pin);
            return;
        }
        const auto count = static_cast<std::uint32_t>(std::min(net_.pins.size(), pads_.size()));
        for (std::uint32_t pin = 0; pin < count; ++pin) visit_holding_pin(pin);
    }

    // The first pin of the net, in pin order, whose pad holds (x, y) on `layer`, or on any
    // copper layer when `layer` is 0; -1 when none.
    std::int32_t first_under(double x, double y, std::uint32_t layer) const;

private:
    const Net& net_;
    const std::vector<PinPad>& pads_;
    double reach_;
    bool walk_;
    PlaceIndex boxes_;  // per pin with copper, the box of its pads on every layer kind
};

// The pad of every net pin, from its placed part pin, so that the pads of a net can be found from
// its pins. Made once the parts stay where they are.
class NetPinPads {
public:
    explicit NetPinPads(const Board& board);
    // The pads of the pins of net `net`, in its pin order; a pin no part pin places has none.
    std::vector<PinPad> of_net(std::size_t net) const;

private:
    std::vector<std::uint32_t> first_;  // per net its first entry in pads_, and the end
    std::vector<PinPad> pads_;          // per net pin, net after net
};

// One stretch of copper on one layer: a wire of `count` points.
struct CopperRun {
    std::uint32_t layer = 0;
    const PathPoint* points = nullptr;
    std::uint32_t count = 0;
};

// The copper of one net joined by the rule above, and by its copper areas: an area joins the run
// points, vias and pad centres inside it on its layer (a via on every layer). Items are numbered
// runs first, then vias, areas and pins; each item's group is the lowest item of the group.
struct CopperGroups {
    std::uint32_t runs = 0;
    std::uint32_t vias = 0;
    std::uint32_t areas = 0;
    std::vector<std::uint32_t> group;
    std::uint32_t first_via() const { return runs; }
    std::uint32_t first_area() const { return runs + vias; }
    std::uint32_t first_pin() const { return runs + vias + areas; }
};
// With `labels_without_areas`, the pin labels (as pin_labels gives them) of the copper joined
// before the areas join it are left there too: what join_pins gives, without a join of its own.
CopperGroups join_copper(const Net& net, const std::vector<PinPad>& pads, const std::vector<CopperRun>& runs,
                         const std::vector<PathPoint>& vias, const std::vector<Area>& areas, double reach,
                         std::vector<std::uint32_t>* labels_without_areas = nullptr);

// The group of each of the first `pin_count` pins in joined copper: pins with one label are
// joined; each label is the index of the group's first pin, so a pin nothing reaches is
// labelled itself.
std::vector<std::uint32_t> pin_labels(const CopperGroups& copper, std::size_t pin_count);

// The pin labels of the runs and vias of `net` joined without its areas. Points within `reach`
// of each other in x and in y meet.
std::vector<std::uint32_t> join_pins(const Net& net, const std::vector<PinPad>& pads,
                                     const std::vector<CopperRun>& runs, const std::vector<PathPoint>& vias,
                                     double reach);

// The pin groups of the router's wiring of one net, as read from the session.
std::vector<std::uint32_t> router_pin_groups(const NetWire& wire, const Net& net, const std::vector<PinPad>& pads,
                                             double reach);

// The copper of a routed board net as runs and vias: its traces' copper segments (a rat-line is
// none) and the vias of their vertices.
struct BoardCopper {
    explicit BoardCopper(const Net& net);
    BoardCopper(const BoardCopper&) = delete;  // the runs point into the points
    BoardCopper& operator=(const BoardCopper&) = delete;
    std::vector<PathPoint> points;
    std::vector<CopperRun> runs;
    std::vector<PathPoint> vias;
};

// Notes in each net wire the pin groups of the router's wiring, with the pads of the board's net
// pins; done before the analysis moves any path end.
void note_router_connections(Session& session, const Board& board, const NetPinPads& pads);

struct ConnectionCount {
    std::uint32_t made = 0;  // pins the router joined to a group, beyond the group's first
    std::uint32_t kept = 0;  // of those, joins the routed board makes too
};

// Compares the pin labels of a routed board net with the router's, both as pin_labels gives
// them: adds the connections the router made and those the routed board keeps to `count`, and
// prints a warning on `console` for each one lost.
void compare_connections(std::FILE* console, const Net& net, const std::vector<std::uint32_t>& router,
                         const std::vector<std::uint32_t>& routed, ConnectionCount& count);

// The summary line of the check: "Connections: 5 made by the router, 5 kept".
void print_connection_count(std::FILE* console, const ConnectionCount& count);

}  // namespace tarnwick
