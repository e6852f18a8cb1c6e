#include "core/name_index.h"

namespace tarnwick {

std::uint64_t NameIndex::hash_of(std::string_view name) {
    // FNV-1a, with a final mix so that the low bits, which pick the slot, depend on every byte.
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : name) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    hash ^= hash >> 29;
    hash *= 0xbf58476d1ce4e5b9ULL;
    return hash ^ (hash >> 32);
}

// The slot holding `name`, or the free slot where it would go.
std::size_t NameIndex::slot_of(std::string_view name, std::uint64_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const Slot& slot = slots_[at];
        if (slot.text == nullptr) return at;
        if (slot.name() == name) return at;
    }
}

void NameIndex::grow(std::size_t slots) {
    std::vector<Slot> old = std::exchange(slots_, std::vector<Slot>(slots));
    const std::size_t mask = slots - 1;
    for (const Slot& slot : old) {
        if (slot.text == nullptr) continue;
        std::size_t at = hash_of(slot.name()) & mask;
        while (slots_[at].text != nullptr) at = (at + 1) & mask;
        slots_[at] = slot;
    }
}

void NameIndex::reserve(std::size_t names) {
    // At most half the slots in use, so that a search ends soon.
    std::size_t slots = 16;
    while (slots < 2 * names) slots *= 2;
    if (slots > slots_.size()) grow(slots);
}

std::pair<std::uint32_t*, bool> NameIndex::try_emplace(std::string_view name, std::uint32_t number) {
    if (2 * (size_ + 1) > slots_.size()) grow(slots_.empty() ? 16 : 2 * slots_.size());
    const std::uint64_t hash = hash_of(name);
    Slot& slot = slots_[slot_of(name, hash)];
    if (slot.text != nullptr) return {&slot.number, false};
    // An empty name still needs a text that is not null, which marks a free slot.
    slot.text = name.empty() ? "" : name.data();
    slot.length = static_cast<std::uint32_t>(name.size());
    slot.number = number;
    ++size_;
    return {&slot.number, true};
}

const std::uint32_t* NameIndex::find(std::string_view name) const {
    if (slots_.empty()) return nullptr;
    const Slot& slot = slots_[slot_of(name, hash_of(name))];
    return slot.text == nullptr ? nullptr : &slot.number;
}

}  // namespace tarnwick
