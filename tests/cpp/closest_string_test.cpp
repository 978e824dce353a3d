#include "wexmoor_departments/closest_string.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "wexmoor_departments/wexmoor_departments.hpp"

namespace {

using jrl::closest_string::closest_string;
using jrl::closest_string::jaro_winkler;

constexpr std::array<std::string_view, 9> FUNCTION_NAMES = {
    "CLASS", "RANGE",     "TAG_DEPT",   "TAG",      "PLACEMENT",
    "DIST",  "DIST_DEPT", "RANGE_DIST", "RANGE_TAG"};

std::int32_t score(std::string_view a, std::string_view b) {
  return static_cast<std::int32_t>(jaro_winkler(a, b) * 1000);
}

TEST(ClosestString, SuggestsFunctionNames) {
  const std::vector<std::string_view> as_vector(FUNCTION_NAMES.begin(),
                                                FUNCTION_NAMES.end());
  const struct {
    std::string_view target, expected;
  } cases[] = {
      {"clas", "CLASS"},           {"rang", "RANGE"},
      {"place", "PLACEMENT"},      {"distdept", "DIST_DEPT"},
      {"rangedist", "RANGE_DIST"}, {"foo", "RANGE_TAG"},  // all scores 0
      {"CLAS", "CLASS"},           {"Class", "CLASS"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(closest_string(c.target, FUNCTION_NAMES), c.expected) << c.target;
    EXPECT_EQ(closest_string(c.target, as_vector), c.expected) << c.target;
  }
}

TEST(ClosestString, SuggestsRegisteredDepartments) {
  const struct {
    std::string_view target, expected;
  } cases[] = {{"MATX", "MATH"}, {"ECOM", "ECON"}, {"PHYZ", "PHYS"}};
  for (const auto& c : cases) {
    EXPECT_EQ(closest_string(
                  c.target, jrl::wexmoor_departments::WEXMOOR_DEPARTMENTS_LIST),
              c.expected);
    EXPECT_EQ(score(c.target, c.expected), 883) << c.target;
  }
}

TEST(ClosestString, ReturnsCandidateItselfNotLowerCopy) {
  const std::array<std::string_view, 1> candidates = {"CLASS"};
  const auto found = closest_string("Class", candidates);
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->data(), candidates[0].data());
}

TEST(ClosestString, EmptyCandidateListGivesNothing) {
  EXPECT_EQ(closest_string("MATH", std::span<const std::string_view>()),
            std::nullopt);
  EXPECT_EQ(closest_string("MATH", std::array<std::string_view, 0>{}),
            std::nullopt);
}

TEST(ClosestString, EqualTruncatedScoresGoToLaterCandidate) {
  const struct {
    std::string_view target;
    std::array<std::string_view, 2> candidates;
    std::string_view expected;
  } cases[] = {
      {"MATX", {"MATH", "MATE"}, "MATE"},  // both exactly 0.88333...
      {"MATX", {"MATE", "MATH"}, "MATH"},
      // 0.7777... and 0.7775 both score 777: the later, lower one wins.
      {"hecdba", {"cgdbha", "hcdgdabf"}, "hcdgdabf"},
      {"hecdba", {"hcdgdabf", "cgdbha"}, "cgdbha"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(closest_string(c.target, c.candidates), c.expected);
  }
}

TEST(ClosestString, ComparesNonAsciiByCodePoint) {
  // Byte-wise, "über" would score higher than "fur" (783 against 750).
  EXPECT_EQ(
      closest_string("für", std::array<std::string_view, 2>{"fur", "über"}),
      "fur");
}

TEST(JaroWinkler, Scores) {
  const struct {
    std::string_view a, b;
    std::int32_t expected;
  } cases[] = {
      {"clas", "class", 960},
      {"martha", "marhta", 961},
      {"dixon", "dicksonx", 813},
      {"Class", "class", 866},   // case-sensitive by itself
      {"abcde", "abcxyz", 790},  // Jaro computes to 0.7000000000000001
      {"ab", "ac", 666},         // Jaro 0.666 gets no prefix bonus
      {"", "", 1000},
      {"", "a", 0},
      {"abc", "xyz", 0},
      {"naïve", "naive", 893},  // 857 if compared byte-wise
      {"éa", "éb", 666},        // 822 if compared byte-wise
      {"\xff", "\xff", 1000},   // stray bytes equal only themselves
      {"\xff", "\xfe", 0},
      // Longer than the inline buffers.
      {"registrar-office-department-of-mathematics",
       "registrar-office-department-of-mathematic", 995},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(score(c.a, c.b), c.expected) << c.a << " / " << c.b;
  }
}

// Exact doubles: the bonus multiplies by the product 0.1 * p (0.3 would give
// 0.8833333333333333 for matx), and only above a Jaro value of 0.7.
TEST(JaroWinkler, ExactValues) {
  EXPECT_EQ(jaro_winkler("matx", "math"), 0.8833333333333334);
  EXPECT_EQ(jaro_winkler("abcde", "abcxyz"), 0.79);
  EXPECT_EQ(jaro_winkler("ab", "ac"), 2.0 / 3.0);
}

}  // namespace
