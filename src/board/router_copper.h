#pragma once
// The copper that the router laid on a routed board, told apart from the copper the board held
// before: the router's wire segments by net, layer and end points, its vias by net and place.
// The routed board's traces are made of the router's points as they were read, so a segment or
// via of the board is the router's exactly when it is found here.

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace tarnwick {

class RouterCopper {
public:
    // A segment of the router's, either way round; a via of the router's.
    void add_segment(std::uint32_t net, std::uint32_t layer, double x1, double y1, double x2, double y2);
    void add_via(std::uint32_t net, double x, double y);
    // Orders what was added for the look-ups; once, after the last add.
    void finish();

    bool has_via(std::uint32_t net, double x, double y) const;

    // The router's segments equal to this one, as places [first, last) among all of them
    // (0 to segment_count()): a segment the router laid twice, or that the routed board holds
    // twice (a stub of no length from a pin beside a path of no length), is told apart by place.
    std::pair<std::size_t, std::size_t> segment_places(std::uint32_t net, std::uint32_t layer, double x1, double y1,
                                                       double x2, double y2) const;
    std::size_t segment_count() const { return segments_.size(); }

private:
    struct Segment {
        std::uint32_t net;
        std::uint32_t layer;
        double x1, y1, x2, y2;  // the lesser end (by x, then y) first
    };
    struct Place {
        std::uint32_t net;
        double x, y;
    };
    static Segment segment_of(std::uint32_t net, std::uint32_t layer, double x1, double y1, double x2, double y2);
    static bool before(const Segment& a, const Segment& b);
    static bool before(const Place& a, const Place& b);

    std::vector<Segment> segments_;
    std::vector<Place> vias_;
};

}  // namespace tarnwick
