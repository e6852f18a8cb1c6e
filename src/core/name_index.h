#pragma once
// Names to numbers in one open-addressed table: the parts of a board by reference, a footprint's
// pins by name. A look-up is a hash and, nearly always, one comparison of the name, and no name
// costs an allocation of its own, as each did in the standard library's hash map.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace tarnwick {

class NameIndex {
public:
    // Room for `names` names without growing.
    void reserve(std::size_t names);

    // The number kept for `name`, and true, once `number` was kept for it; the number kept
    // before, and false, when the name was there already. The name's characters are not copied:
    // they must stay where they are while the index is used. The pointer holds until the next
    // name is added.
    std::pair<std::uint32_t*, bool> try_emplace(std::string_view name, std::uint32_t number);

    // The number kept for `name`, or null.
    const std::uint32_t* find(std::string_view name) const;

    std::size_t size() const { return size_; }

private:
    struct Slot {
        const char* text = nullptr;  // null: the slot is free
        std::uint32_t length = 0;
        std::uint32_t number = 0;
        std::string_view name() const { return {text, length}; }
    };
    static std::uint64_t hash_of(std::string_view name);
    std::size_t slot_of(std::string_view name, std::uint64_t hash) const;
    void grow(std::size_t slots);

    std::vector<Slot> slots_;
    std::size_t size_ = 0;
};

}  // namespace tarnwick
