#include "session/unrouted.h"

#include <algorithm>
#include <string>

#include "board/layers.h"
#include "core/errors.h"

namespace tarnwick {

namespace {

constexpr std::uint32_t none = UINT32_MAX;

// The points on a tree of boxes, each halving the points of its parent across its wider side,
// each box marked with the set of pieces that all its points belong to, if they share one. A
// search for the nearest point of another set passes over every box of the searching point's
// own set at once, so a point deep inside a large piece costs about as much as one at its edge.
class PointTree {
public:
    explicit PointTree(const std::vector<PiecePoint>& points) : points_(points), order_(points.size()) {
        for (std::uint32_t i = 0; i < order_.size(); ++i) order_[i] = i;
        if (points.empty()) return;
        nodes_.reserve(2 * (points.size() / leaf_size + 1));
        nodes_.push_back(Node{0, 0, 0, 0, 0, static_cast<std::uint32_t>(points.size())});
        fill(0);
    }

    // Marks every box with the set its points share (`set_of` gives each point's), or none.
    template <class SetOf>
    void mark(SetOf set_of) {
        // Children come after their parent, so from last to first every child is marked first.
        for (std::size_t n = nodes_.size(); n-- > 0;) {
            Node& node = nodes_[n];
            if (node.left == none) {
                node.set = set_of(order_[node.begin]);
                for (std::uint32_t k = node.begin + 1; k < node.end && node.set != none; ++k) {
                    if (set_of(order_[k]) != node.set) node.set = none;
                }
            } else {
                const std::uint32_t left = nodes_[node.left].set;
                node.set = left == nodes_[node.left + 1].set ? left : none;
            }
        }
    }

    // Lowers `shortest` to the shortest airline from point `i` (of set `set`) to a point of
    // another set, where there is one shorter than `shortest`.
    template <class SetOf>
    void nearest_other(std::uint32_t i, std::uint32_t set, SetOf set_of, Airline& shortest) const {
        if (!nodes_.empty()) search(0, i, set, set_of, shortest);
    }

private:
    static constexpr std::uint32_t leaf_size = 8;
    struct Node {
        double x0, y0, x1, y1;
        std::uint32_t begin, end;
        std::uint32_t left = none;  // the right child follows it
        std::uint32_t set = none;
    };

    // Gives node `at` the box of its points and, if they are more than a leaf holds, two
    // children, the left one just before the right.
    void fill(std::uint32_t at) {
        const std::uint32_t begin = nodes_[at].begin;
        const std::uint32_t end = nodes_[at].end;
        Node node{points_[order_[begin]].x, points_[order_[begin]].y, points_[order_[begin]].x,
                  points_[order_[begin]].y, begin, end};
        for (std::uint32_t k = begin + 1; k < end; ++k) {
            const PiecePoint& p = points_[order_[k]];
            node.x0 = std::min(node.x0, p.x);
            node.x1 = std::max(node.x1, p.x);
            node.y0 = std::min(node.y0, p.y);
            node.y1 = std::max(node.y1, p.y);
        }
        nodes_[at] = node;
        if (end - begin <= leaf_size) return;
        const bool across_x = node.x1 - node.x0 >= node.y1 - node.y0;
        const std::uint32_t middle = begin + (end - begin) / 2;
        // Ties broken by the point's number, so the tree is the same on every run.
        std::nth_element(order_.begin() + begin, order_.begin() + middle, order_.begin() + end,
                         [&](std::uint32_t a, std::uint32_t b) {
                             const double ka = across_x ? points_[a].x : points_[a].y;
                             const double kb = across_x ? points_[b].x : points_[b].y;
                             return ka < kb || (ka == kb && a < b);
                         });
        const std::uint32_t left = static_cast<std::uint32_t>(nodes_.size());
        nodes_[at].left = left;
        nodes_.push_back(Node{0, 0, 0, 0, begin, middle});
        nodes_.push_back(Node{0, 0, 0, 0, middle, end});
        fill(left);
        fill(left + 1);
    }

    // The square of the distance from (x, y) to a box: never more than to any point in it, as
    // rounding keeps the order of differences.
    static double reach2(const Node& node, double x, double y) {
        const double dx = std::max({0.0, node.x0 - x, x - node.x1});
        const double dy = std::max({0.0, node.y0 - y, y - node.y1});
        return dx * dx + dy * dy;
    }

    template <class SetOf>
    void search(std::uint32_t at, std::uint32_t i, std::uint32_t set, SetOf set_of, Airline& shortest) const {
        const Node& node = nodes_[at];
        if (node.set == set) return;
        const PiecePoint& p = points_[i];
        // An airline as long as the shortest may still win by its points' numbers.
        if (reach2(node, p.x, p.y) > shortest.length2) return;
        if (node.left == none) {
            for (std::uint32_t k = node.begin; k < node.end; ++k) {
                const std::uint32_t q = order_[k];
                if (set_of(q) == set) continue;
                const double dx = points_[q].x - p.x;
                const double dy = points_[q].y - p.y;
                const Airline line{dx * dx + dy * dy, std::min(i, q), std::max(i, q)};
                if (line < shortest) shortest = line;
            }
            return;
        }
        // The nearer child first, so the farther is more often passed over.
        std::uint32_t first = node.left;
        std::uint32_t second = node.left + 1;
        if (reach2(nodes_[second], p.x, p.y) < reach2(nodes_[first], p.x, p.y)) std::swap(first, second);
        search(first, i, set, set_of, shortest);
        search(second, i, set, set_of, shortest);
    }

    const std::vector<PiecePoint>& points_;
    std::vector<std::uint32_t> order_;
    std::vector<Node> nodes_;
};

}  // namespace

// By rounds in which every set of pieces takes its shortest airline to another (as many rounds as
// the pieces take to halve, at most log2 of them). The set of the most points sits a round out:
// every other set's shortest airline belongs to the tree all the same, as airlines are ordered
// without ties, and where a net is mostly one piece (its plane, most of its traces) that piece's
// points would be most of the search.
std::vector<Airline> shortest_tree(const std::vector<PiecePoint>& points, std::uint32_t pieces) {
    PointTree tree_of_points(points);
    Groups sets(pieces);
    std::vector<std::uint32_t> set_of_point(points.size());
    auto set_of = [&](std::uint32_t q) { return set_of_point[q]; };
    std::vector<Airline> tree;
    std::uint32_t left = pieces;
    std::vector<Airline> best;
    std::vector<std::uint32_t> set_points;
    while (left > 1) {
        set_points.assign(pieces, 0);
        for (std::uint32_t i = 0; i < points.size(); ++i) {
            set_of_point[i] = sets.find(points[i].piece);
            ++set_points[set_of_point[i]];
        }
        const auto largest =
            static_cast<std::uint32_t>(std::max_element(set_points.begin(), set_points.end()) - set_points.begin());
        tree_of_points.mark(set_of);
        best.assign(pieces, Airline{});
        for (std::uint32_t i = 0; i < points.size(); ++i) {
            if (set_of_point[i] == largest) continue;
            tree_of_points.nearest_other(i, set_of_point[i], set_of, best[set_of_point[i]]);
        }
        bool joined = false;
        for (std::uint32_t set = 0; set < pieces; ++set) {
            const Airline& line = best[set];
            if (line.a == none) continue;
            if (sets.join(points[line.a].piece, points[line.b].piece)) {
                tree.push_back(line);
                --left;
                joined = true;
            }
        }
        if (!joined) break;
    }
    std::sort(tree.begin(), tree.end());
    return tree;
}

namespace {

bool has_copper(const PinPad& pad) { return pad.copper[top_kind] || pad.copper[bottom_kind] || pad.copper[inner_kind]; }

}  // namespace

void add_open_connections(const Board& board, std::uint32_t n, const std::vector<PinPad>& pads,
                          const BoardCopper& copper, const CopperGroups& groups, UnroutedReport& report) {
    const Net& net = board.nets[n];
    // The pieces, numbered by their first pin, then by their first trace, via and area.
    std::vector<std::uint32_t> piece_of(groups.group.size(), none);
    std::uint32_t pieces = 0;
    std::vector<std::int32_t> first_pin;
    auto piece = [&](std::uint32_t item) {
        std::uint32_t& p = piece_of[groups.group[item]];
        if (p == none) {
            p = pieces++;
            first_pin.push_back(-1);
        }
        return p;
    };
    const std::uint32_t pin_count = static_cast<std::uint32_t>(std::min(net.pins.size(), pads.size()));
    auto on_board = [&](std::uint32_t k) { return !net.pins[k].no_position && has_copper(pads[k]); };
    // The pieces first: a net in one piece, as nearly every net is, needs no points.
    for (std::uint32_t k = 0; k < pin_count; ++k) {
        if (!on_board(k)) continue;
        const std::uint32_t p = piece(groups.first_pin() + k);
        if (first_pin[p] < 0) first_pin[p] = static_cast<std::int32_t>(k);
    }
    for (std::uint32_t r = 0; r < groups.runs; ++r) piece(r);
    for (std::uint32_t v = 0; v < groups.vias; ++v) piece(groups.first_via() + v);
    for (std::uint32_t a = 0; a < groups.areas; ++a) {
        if (!net.areas[a].off_copper) piece(groups.first_area() + a);
    }
    if (pieces < 2) return;

    std::vector<PiecePoint> points;
    for (std::uint32_t k = 0; k < pin_count; ++k) {
        if (!on_board(k)) continue;
        const NetPin& pin = net.pins[k];
        points.push_back(PiecePoint{pin.x, pin.y, piece(groups.first_pin() + k), static_cast<std::int32_t>(k)});
    }
    for (std::uint32_t r = 0; r < groups.runs; ++r) {
        const std::uint32_t p = piece(r);
        const CopperRun& run = copper.runs[r];
        for (std::uint32_t i = 0; i < run.count; ++i) points.push_back(PiecePoint{run.points[i].x, run.points[i].y, p, -1});
    }
    for (std::uint32_t v = 0; v < groups.vias; ++v) {
        points.push_back(PiecePoint{copper.vias[v].x, copper.vias[v].y, piece(groups.first_via() + v), -1});
    }
    for (std::uint32_t a = 0; a < groups.areas; ++a) {
        const Area& area = net.areas[a];
        if (area.off_copper) continue;
        const std::uint32_t p = piece(groups.first_area() + a);
        for (const AreaContour& contour : area.contours) {
            for (const ContourPoint& corner : contour.points) points.push_back(PiecePoint{corner.x, corner.y, p, -1});
        }
    }

    ++report.nets;
    report.connections += pieces - 1;
    auto end_of = [&](const PiecePoint& point) {
        const std::int32_t pin = point.pin >= 0 ? point.pin : first_pin[point.piece];
        return OpenEnd{pin, point.x, point.y};
    };
    for (const Airline& line : shortest_tree(points, pieces)) {
        const PiecePoint* a = &points[line.a];
        const PiecePoint* b = &points[line.b];
        if (b->piece < a->piece) std::swap(a, b);
        report.open.push_back(OpenConnection{n, end_of(*a), end_of(*b)});
    }
}

std::string open_end_name(const Net& net, const OpenEnd& end) {
    if (end.pin >= 0 && static_cast<std::size_t>(end.pin) < net.pins.size()) {
        return net.pins[static_cast<std::size_t>(end.pin)].pin_ref;
    }
    return strformat("(%1.3lf, %1.3lf)", end.x, end.y);
}

void print_unrouted(std::FILE* console, const Board& board, const UnroutedReport& report) {
    if (report.connections == 0) {
        std::fprintf(console, "  Unrouted: 0 connections\n");
        return;
    }
    std::fprintf(console, "  Unrouted: %u connection%s in %u net%s\n", report.connections,
                 report.connections == 1 ? "" : "s", report.nets, report.nets == 1 ? "" : "s");
    for (const OpenConnection& open : report.open) {
        const Net& net = board.nets[open.net];
        std::fprintf(console, "    net %s: %s to %s\n", net.name.c_str(), open_end_name(net, open.from).c_str(),
                     open_end_name(net, open.to).c_str());
    }
}

}  // namespace tarnwick
