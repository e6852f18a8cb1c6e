#pragma once
// The lookups of the loader: padstacks, drill tools, net classes and each copper layer's net
// list, by what a new pin, via, net or trace is compared with. Each is made from its table as
// it stands, and every later append to the table goes through it, so that a lookup finds what
// a walk through the table would find (the first equal entry) without walking it, and nothing
// it finds is stale. Nothing but the loader appends to these tables, and only while loading.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "board/board.h"

namespace tarnwick {

// What a pin is compared with, at the stored precision, for one way of comparing it (see
// padstacks.cpp): a pin and a padstack match exactly when one of the pin's keys is one of the
// padstack's.
struct PadstackKey {
    std::array<std::uint64_t, 16> words{};
    bool operator==(const PadstackKey&) const = default;
};

struct PadstackKeyHash {
    std::size_t operator()(const PadstackKey& key) const {
        std::uint64_t hash = 0xCBF29CE484222325ULL;
        for (const std::uint64_t word : key.words) hash = (hash ^ word) * 0x100000001B3ULL ^ (hash >> 29);
        return static_cast<std::size_t>(hash);
    }
};

struct NetClassKey {
    std::uint64_t width = 0;  // the trace width's bits, -0 taken as 0
    std::uint32_t via_padstack = 0;
    bool operator==(const NetClassKey&) const = default;
};

struct NetClassKeyHash {
    std::size_t operator()(const NetClassKey& key) const {
        return static_cast<std::size_t>((key.width ^ (key.width >> 31)) * 0x9E3779B97F4A7C15ULL ^ key.via_padstack);
    }
};

struct LoadIndexes {
    // Indexes every entry of the board's tables as they stand now.
    explicit LoadIndexes(const Board& board);

    // The first padstack of each key.
    std::unordered_map<PadstackKey, std::uint32_t, PadstackKeyHash> padstacks;
    // The first drill tool of each diameter, by its bits at four decimals (entry 0, no drill, is
    // never compared).
    std::unordered_map<std::uint64_t, std::uint32_t> tools;
    // The first class of each trace width and via padstack.
    std::unordered_map<NetClassKey, std::uint32_t, NetClassKeyHash> net_classes;
    // Per copper layer, the first entry of each net name in its net list.
    std::vector<std::unordered_map<std::string, std::uint32_t>> layer_nets;
    // Per copper layer, the net whose trace segment was noted there last (or none): the
    // segments of a net come together, and each after the first finds its name noted.
    std::vector<std::uint32_t> layer_last_net;
};

// The net class key of a trace width and via, or false for a width that is no number (equal to
// no class's).
bool net_class_key(double trace_width, std::uint32_t via_padstack, NetClassKey& key);

}  // namespace tarnwick
