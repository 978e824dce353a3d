#include "suggest/closest_string.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <string>
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

// The similarity as defined, computed the plain way: every position of `a`
// scans its whole window of `b`. The library's early stops must give exactly
// the same value.
double plain_jaro_winkler(const std::u32string& a, const std::u32string& b) {
  const std::size_t la = a.size();
  const std::size_t lb = b.size();
  double j = 0.0;
  if (la == 0 && lb == 0) {
    j = 1.0;
  } else if (la != 0 && lb != 0) {
    const std::size_t longest = std::max(la, lb);
    const std::size_t w = longest / 2 >= 1 ? longest / 2 - 1 : 0;
    std::vector<bool> in_a(la), in_b(lb);
    std::size_t m = 0;
    for (std::size_t i = 0; i < la; ++i) {
      const std::size_t low = i > w ? i - w : 0;
      const std::size_t high = std::min(lb - 1, i + w);
      for (std::size_t k = low; k <= high; ++k) {
        if (!in_b[k] && b[k] == a[i]) {
          in_a[i] = in_b[k] = true;
          ++m;
          break;
        }
      }
    }
    if (m != 0) {
      std::size_t differing = 0;
      for (std::size_t i = 0, k = 0; i < la; ++i) {
        if (!in_a[i]) continue;
        while (!in_b[k]) ++k;
        if (a[i] != b[k++]) ++differing;
      }
      const double md = static_cast<double>(m);
      j = (md / static_cast<double>(la) + md / static_cast<double>(lb) +
           static_cast<double>(m - differing / 2) / md) /
          3.0;
    }
  }
  if (!(j > 0.7)) return j;
  std::size_t p = 0;
  while (p < 4 && p < la && p < lb && a[p] == b[p]) ++p;
  return j + (1.0 - j) * (0.1 * static_cast<double>(p));
}

std::string utf8(const std::u32string& text) {
  std::string out;
  for (const char32_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// Random pairs over small alphabets (so that characters repeat, match out of
// window and transpose), short against short, long against short and short
// against long, with non-ASCII characters among them.
TEST(JaroWinkler, EqualsThePlainComputation) {
  std::mt19937 random(1200);
  const std::u32string alphabet = U"abcdeAB_\u00e9\u4e2d";
  auto text = [&](std::size_t max_length, std::size_t letters) {
    std::u32string t(random() % (max_length + 1), U'a');
    for (char32_t& c : t) c = alphabet[random() % letters];
    return t;
  };
  for (int round = 0; round < 20000; ++round) {
    const std::size_t letters = 1 + random() % alphabet.size();
    const std::size_t long_a = round % 3 == 1 ? 300 : 12;
    const std::size_t long_b = round % 3 == 2 ? 300 : 12;
    const std::u32string a = text(long_a, letters);
    const std::u32string b = text(long_b, letters);
    ASSERT_EQ(jaro_winkler(utf8(a), utf8(b)), plain_jaro_winkler(a, b))
        << utf8(a) << " / " << utf8(b);
  }
}

// A name far longer than every candidate gets the same suggestion as the
// plain computation gives, whatever lies past the candidates' length.
TEST(ClosestString, LongNamesGetThePlainSuggestion) {
  const std::vector<std::u32string> names = {
      U"CLAS" + std::u32string(5000, U'S'),
      std::u32string(4000, U'x') + U"RANGE",
      U"T" + std::u32string(3000, U'A') + U"G_DEPT",
      std::u32string(6000, U'\u00e9'),
  };
  for (const std::u32string& name : names) {
    std::u32string lowered = name;
    for (char32_t& c : lowered) {
      if (c >= U'A' && c <= U'Z') c += U'a' - U'A';
    }
    std::string_view expected;
    std::int32_t best = -1;
    for (const std::string_view candidate : FUNCTION_NAMES) {
      std::u32string lower_candidate(candidate.begin(), candidate.end());
      for (char32_t& c : lower_candidate) {
        if (c >= U'A' && c <= U'Z') c += U'a' - U'A';
      }
      const auto k = static_cast<std::int32_t>(
          plain_jaro_winkler(lowered, lower_candidate) * 1000);
      if (k >= best) {
        best = k;
        expected = candidate;
      }
    }
    EXPECT_EQ(closest_string(utf8(name), FUNCTION_NAMES), expected);
  }
}

}  // namespace
