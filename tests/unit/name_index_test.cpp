#include "core/name_index.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

// Against a map that keeps the first number given each name: names of every length from empty,
// many alike (references of one prefix, names that are prefixes of others), added well past the
// room reserved so that the table grows while earlier names must still be found.
TEST(NameIndex, KeepsTheFirstNumberOfEachNameAndFindsEveryName) {
    std::mt19937 random(7);
    std::vector<std::string> names = {"", "R", "R1", "R1.", "R10", "U1.1", "U1.1.1"};
    for (int i = 0; i < 20000; ++i) {
        std::string name = random() % 2 == 0 ? "R" : "C";
        name += std::to_string(random() % 5000);
        if (random() % 8 == 0) name += ".A" + std::to_string(random() % 10);
        names.push_back(name);
    }
    NameIndex index;
    index.reserve(100);
    std::map<std::string, std::uint32_t> first;
    for (std::uint32_t i = 0; i < names.size(); ++i) {
        const auto [number, added] = index.try_emplace(names[i], i);
        const auto [expected, new_name] = first.try_emplace(names[i], i);
        ASSERT_EQ(added, new_name) << names[i];
        ASSERT_EQ(*number, expected->second) << names[i];
    }
    EXPECT_EQ(index.size(), first.size());
    for (const auto& [name, number] : first) {
        const std::uint32_t* found = index.find(name);
        ASSERT_NE(found, nullptr) << name;
        EXPECT_EQ(*found, number) << name;
    }
    for (const std::string absent : {"R5000", "R1.A", "U1", "r1", "R1 "}) {
        EXPECT_EQ(index.find(absent), nullptr) << absent;
    }
    EXPECT_EQ(NameIndex().find("R1"), nullptr);

    // The number kept may be changed through the pointer: the next part of a reference, say.
    *index.try_emplace("R1", 0).first = 99;
    EXPECT_EQ(*index.find("R1"), 99u);
}

}  // namespace
}  // namespace tarnwick
