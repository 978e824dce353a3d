#include "wexmoor_departments/wexmoor_departments.hpp"

#include "jrl/departments.hpp"
#include "jrl/parse.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <latch>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

namespace wd = jrl::wexmoor_departments;

std::vector<std::string_view> split(std::string_view text) {
  std::vector<std::string_view> codes;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find('\n', start);
    codes.push_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return codes;
    start = end + 1;
  }
}

TEST(WexmoorDepartments, SourceTextMeetsRegistryRules) {
  const std::string_view text = wd::departments_source();
  EXPECT_EQ(text.size(), 605u);
  EXPECT_NE(text.back(), '\n');
  const std::vector<std::string_view> codes = split(text);
  ASSERT_EQ(codes.size(), 122u);
  EXPECT_EQ(std::set(codes.begin(), codes.end()).size(), 122u);
  EXPECT_FALSE(std::is_sorted(codes.begin(), codes.end()));
  int three = 0, four = 0, with_ampersand = 0;
  for (const std::string_view code : codes) {
    (code.size() == 3 ? three : four) += code.size() == 3 || code.size() == 4;
    for (const char c : code) EXPECT_TRUE(c == '&' || (c >= 'A' && c <= 'Z'));
    const auto ampersands = std::count(code.begin(), code.end(), '&');
    if (ampersands == 0) continue;
    ++with_ampersand;
    EXPECT_EQ(ampersands, 1) << code;
    EXPECT_EQ(code.size(), 4u) << code;
    EXPECT_TRUE(code[1] == '&' || code[2] == '&') << code;
  }
  EXPECT_EQ(four, 118);
  EXPECT_EQ(three, 4);
  EXPECT_EQ(with_ampersand, 5);
}

TEST(WexmoorDepartments, ListIsSortedViewsOfTheSource) {
  const std::string_view text = wd::departments_source();
  const std::span<const std::string_view> list = wd::WEXMOOR_DEPARTMENTS_LIST;
  ASSERT_EQ(list.size(), 122u);
  EXPECT_TRUE(std::adjacent_find(list.begin(), list.end(),
                                 std::greater_equal<>()) == list.end());
  for (const std::string_view code : list) {
    EXPECT_TRUE(code.data() >= text.data() &&
                code.data() + code.size() <= text.data() + text.size());
  }
  std::vector<std::string_view> codes = split(text);
  std::sort(codes.begin(), codes.end());
  EXPECT_TRUE(std::equal(codes.begin(), codes.end(), list.begin(), list.end()));
}

TEST(WexmoorDepartments, SortedLinesOrdersBytes) {
  const struct {
    std::string_view text;
    std::vector<std::string_view> expected;
  } cases[] = {
      {"ABCD\nABC\nAB&C\nABD", {"AB&C", "ABC", "ABCD", "ABD"}},
      {"B\r\nA\r\n", {"A", "B"}},
      {"B\rA", {"B\rA"}},
      {"B\n\nA", {"", "A", "B"}},
      {"A\n", {"A"}},
      {"", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(wd::sorted_lines(c.text), c.expected) << c.text;
  }
}

TEST(WexmoorDepartments, IsDepartmentIsExact) {
  const struct {
    std::string_view code;
    bool expected;
  } cases[] = {
      {"MATH", true},   {"W&GS", true},  {"ART", true}, {"math", false},
      {"MATHS", false}, {"MAT", false},  {"", false},   {"MATH ", false},
      {"W&G", false},   {"ARTX", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(wd::is_department(c.code), c.expected) << c.code;
  }
}

TEST(Departments, PublicListIsTheRegistry) {
  const auto all = jrl::departments();
  EXPECT_TRUE(std::ranges::equal(all, wd::WEXMOOR_DEPARTMENTS_LIST));
  EXPECT_TRUE(std::ranges::adjacent_find(all, std::greater_equal<>()) ==
              all.end());
}

// The closest code, as the report names it, where a file can hold it; none
// where the closest is one of the registry's shorter codes.
TEST(Departments, ClosestIsACodeAFileHolds) {
  const struct {
    std::string_view code;
    std::optional<std::string_view> expected;
    bool in_a_course;  // the grammar reads it as a course's department
    std::string_view reported = {};  // when it differs from `expected`
  } cases[] = {
      {"MATH", std::nullopt, true}, {"W&GS", std::nullopt, true},
      {"ART", std::nullopt, false}, {"MATX", "MATH", true},
      {"ECOM", "ECON", true},       {"ZZZZ", "ZOOL", true},
      {"MUSC", std::nullopt, true}, {"RELI", std::nullopt, true},
      // Case is ignored in the comparison; lower case is another error in a
      // course, where nothing is suggested.
      {"math", "MATH", false},
      // Among equal scores the later code wins.
      {"", "ZOOL", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(jrl::closest_department(c.code), c.expected) << c.code;
    if (!c.expected || !c.in_a_course) continue;
    const std::string text =
        "SELECT 1 FROM CLASS(" + std::string(c.code) + " 1200) : \"x\";";
    const auto parsed = jrl::parse(text);
    ASSERT_FALSE(parsed.has_value()) << text;
    const std::string_view reported =
        c.reported.empty() ? *c.expected : c.reported;
    EXPECT_EQ(parsed.error().detail().replacement, reported) << text;
    EXPECT_NE(parsed.error().render().find("(Did you mean: " +
                                           std::string(reported) + ")"),
              std::string::npos)
        << text;
    // What closest_department gives, a course can name.
    std::string fixed = text;
    fixed.replace(20, c.code.size(), *c.expected);
    EXPECT_TRUE(jrl::parse(fixed).has_value()) << fixed;
  }
}

// The child of a "threadsafe" death test is a fresh run of this test alone,
// so the threads below really are the registry's first users.
TEST(WexmoorDepartmentsDeathTest, ConcurrentFirstUseBuildsOnce) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        constexpr int THREADS = 8;
        std::latch start(THREADS);
        std::vector<const std::string_view*> seen(THREADS);
        std::vector<std::thread> threads;
        for (int i = 0; i < THREADS; ++i) {
          threads.emplace_back([&, i] {
            start.arrive_and_wait();
            const bool known = wd::is_department("MATH");
            const auto list = wd::WEXMOOR_DEPARTMENTS_LIST.get();
            seen[i] = known && list.size() == 122 ? list.data() : nullptr;
          });
        }
        for (std::thread& t : threads) t.join();
        const bool same = std::all_of(seen.begin(), seen.end(), [&](auto* p) {
          return p != nullptr && p == seen[0];
        });
        std::exit(same ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
