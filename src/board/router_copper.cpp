#include "board/router_copper.h"

#include <algorithm>
#include <tuple>

namespace tarnwick {

RouterCopper::Segment RouterCopper::segment_of(std::uint32_t net, std::uint32_t layer, double x1, double y1, double x2,
                                               double y2) {
    if (std::tie(x2, y2) < std::tie(x1, y1)) return {net, layer, x2, y2, x1, y1};
    return {net, layer, x1, y1, x2, y2};
}

bool RouterCopper::before(const Segment& a, const Segment& b) {
    return std::tie(a.net, a.layer, a.x1, a.y1, a.x2, a.y2) < std::tie(b.net, b.layer, b.x1, b.y1, b.x2, b.y2);
}

bool RouterCopper::before(const Place& a, const Place& b) { return std::tie(a.net, a.x, a.y) < std::tie(b.net, b.x, b.y); }

void RouterCopper::add_segment(std::uint32_t net, std::uint32_t layer, double x1, double y1, double x2, double y2) {
    segments_.push_back(segment_of(net, layer, x1, y1, x2, y2));
}

void RouterCopper::add_via(std::uint32_t net, double x, double y) { vias_.push_back({net, x, y}); }

void RouterCopper::finish() {
    std::sort(segments_.begin(), segments_.end(), [](const Segment& a, const Segment& b) { return before(a, b); });
    std::sort(vias_.begin(), vias_.end(), [](const Place& a, const Place& b) { return before(a, b); });
}

std::pair<std::size_t, std::size_t> RouterCopper::segment_places(std::uint32_t net, std::uint32_t layer, double x1,
                                                                  double y1, double x2, double y2) const {
    const Segment wanted = segment_of(net, layer, x1, y1, x2, y2);
    const auto less = [](const Segment& a, const Segment& b) { return before(a, b); };
    const auto [first, last] = std::equal_range(segments_.begin(), segments_.end(), wanted, less);
    return {static_cast<std::size_t>(first - segments_.begin()), static_cast<std::size_t>(last - segments_.begin())};
}

bool RouterCopper::has_via(std::uint32_t net, double x, double y) const {
    const auto less = [](const Place& a, const Place& b) { return before(a, b); };
    return std::binary_search(vias_.begin(), vias_.end(), Place{net, x, y}, less);
}

}  // namespace tarnwick
