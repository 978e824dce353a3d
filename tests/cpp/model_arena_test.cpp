#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "jrl/model_arena.hpp"
#include "jrl/parse.hpp"

namespace jrl {
namespace {

// Every copy keeps its bytes while later allocations of every size, from a
// byte to several blocks, fill the arena around it.
TEST(ModelArena, TextsKeepTheirBytesWhileTheArenaGrows) {
  const std::size_t sizes[] = {1, 3, 4, 17, 1000, 4095, 4096, 4097,
                               100'000, 1, 5'000'000, 2, 70'000, 8};
  ModelArena arena;
  std::vector<std::pair<std::string, std::string_view>> made;
  for (int round = 0; round < 40; ++round) {
    for (std::size_t size : sizes) {
      std::string text(size, static_cast<char>('a' + (made.size() % 26)));
      text.back() = '#';
      made.emplace_back(text, arena.text(text));
    }
  }
  for (const auto& [original, copy] : made) {
    ASSERT_EQ(copy, original);
    EXPECT_NE(copy.data(), original.data());
  }
  EXPECT_TRUE(arena.text("").empty());
}

TEST(ModelArena, AllocationsAreAlignedAndDisjoint) {
  const std::size_t alignments[] = {1, 2, 4, 8, 16};
  ModelArena arena;
  std::vector<std::pair<std::uintptr_t, std::size_t>> taken;
  for (int i = 0; i < 20'000; ++i) {
    const std::size_t alignment = alignments[i % 5];
    const std::size_t size = 1 + (i * 7919) % 300;
    void* p = arena.allocate(size, alignment);
    const auto at = reinterpret_cast<std::uintptr_t>(p);
    ASSERT_EQ(at % alignment, 0u) << i;
    std::memset(p, 0xAB, size);  // under ASan a write past a block shows
    taken.emplace_back(at, size);
  }
  std::sort(taken.begin(), taken.end());
  for (std::size_t i = 1; i < taken.size(); ++i) {
    ASSERT_LE(taken[i - 1].first + taken[i - 1].second, taken[i].first);
  }
}

TEST(ModelArena, SelectorSequences) {
  ModelArena arena;
  std::span<Selector> slots = arena.selectors(3);
  ASSERT_EQ(slots.size(), 3u);
  for (const Selector& s : slots) {
    EXPECT_EQ(s, Selector{});  // value-constructed: an empty Class
  }
  slots[1].value.emplace<selector::Tag>(arena.text("WX"));
  EXPECT_EQ(std::get<selector::Tag>(slots[1].value).value, "WX");
  EXPECT_TRUE(arena.selectors(0).empty());

  const std::span<const Selector> copy = arena.selectors(
      {Selector{selector::Dist{"SCI"}}, Selector{selector::Tag{"T"}}});
  ASSERT_EQ(copy.size(), 2u);
  EXPECT_EQ(copy[0], Selector{selector::Dist{"SCI"}});
  EXPECT_EQ(copy[1], Selector{selector::Tag{"T"}});
}

// Clearing keeps one block and gives its room out again; what was held
// beyond it is released.
TEST(ModelArena, ClearReusesTheNewestBlock) {
  ModelArena arena;
  for (int i = 0; i < 1000; ++i) arena.text(std::string(1000, 'x'));
  const std::size_t grown = arena.reserved_bytes();
  arena.clear();
  const std::size_t kept = arena.reserved_bytes();
  EXPECT_LT(kept, grown);
  const std::string_view first = arena.text("first");
  for (int i = 0; i < 100; ++i) {
    arena.clear();
    EXPECT_EQ(arena.text("first").data(), first.data());
  }
  EXPECT_EQ(arena.reserved_bytes(), kept);
}

// A parse's records outlive the result they came from as long as a copy
// lives, whichever way the result is passed on.
TEST(ModelArena, ParseResultsShareTheirStorage) {
  const std::string text =
      "SELECT 1 FROM [CLASS(MATH 1200), TAG(\"WX \"\"Q\"\"\"), SELECT 1 FROM "
      "RANGE_TAG(MATH 1000, MATH 1999, \"T\")] : \"Calculus\";";
  auto parsed = parse(text);
  ASSERT_TRUE(parsed);
  const std::string expected = *parsed->to_string();

  ParseResult copy = *parsed;
  EXPECT_EQ(copy.storage, parsed->storage);
  EXPECT_EQ(copy, *parsed);

  ParseResult moved = std::move(*parsed);
  parsed = parse("SELECT 1 FROM TAG(\"other\") : \"x\";");  // frees nothing
  EXPECT_EQ(*copy.to_string(), expected);
  EXPECT_EQ(*moved.to_string(), expected);

  ParseResult assigned = *parse("SELECT 1 FROM TAG(\"z\") : \"y\";");
  assigned = copy;  // drops its own arena
  copy = ParseResult{};
  moved = ParseResult{};
  EXPECT_EQ(*assigned.to_string(), expected);
  const auto& tag = std::get<selector::Tag>(
      assigned.parsed_jrl_file.requirements.at(0).query.selector[1].value);
  EXPECT_EQ(tag.value, "WX \"Q\"");
}

// Equal models compare equal wherever they are stored, hand-built or parsed.
TEST(ModelArena, EqualityIgnoresStorage) {
  ModelArena arena;
  const Selector classes[] = {
      Selector{selector::Class{Class{arena.text("MATH"), 1200, false}}}};
  ParseResult built;
  built.parsed_jrl_file.requirements.push_back(JRLRequirement{
      JRLQuery{quantity::Single{1}, JRLQueryType::Select,
               arena.selectors(classes)},
      arena.text("Calculus"), 1});
  auto parsed = parse("SELECT 1 FROM CLASS(MATH 1200) : \"Calculus\";");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(built, *parsed);
  built.parsed_jrl_file.requirements[0].priority = 2;
  EXPECT_NE(built, *parsed);
}

}  // namespace
}  // namespace jrl
