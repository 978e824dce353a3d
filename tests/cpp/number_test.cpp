// Reading unsigned 16-bit numbers.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "parser/number.hpp"

namespace jrl {
namespace {

struct NumberCase {
  const char* text;
  std::variant<std::uint16_t, std::string> expected;  // value or message
};

class NumberTest : public testing::TestWithParam<NumberCase> {};

TEST_P(NumberTest, ParsesOrNamesFault) {
  const NumberCase& c = GetParam();
  const auto result = parse_u16(c.text, Fault::priority_too_large);
  if (const auto* value = std::get_if<std::uint16_t>(&c.expected)) {
    ASSERT_TRUE(result.has_value()) << result.error().render();
    EXPECT_EQ(*result, *value);
  } else {
    ASSERT_FALSE(result.has_value()) << *result;
    EXPECT_EQ(result.error().kind(), ErrorKind::conversion);
    EXPECT_EQ(result.error().render(), std::get<std::string>(c.expected));
    // Every failure tells the fault it was given; an overflow its bound.
    const FaultDetail& detail = result.error().detail();
    EXPECT_EQ(detail.fault, Fault::priority_too_large);
    EXPECT_EQ(detail.bound,
              result.error().text() == "number too large to fit in target type"
                  ? std::optional<std::uint64_t>(65535)
                  : std::nullopt);
  }
}

const std::string EMPTY = "cannot parse integer from empty string";
const std::string DIGIT = "invalid digit found in string";
const std::string LARGE = "number too large to fit in target type";

INSTANTIATE_TEST_SUITE_P(
    Texts, NumberTest,
    testing::Values(NumberCase{"", EMPTY}, NumberCase{"+", DIGIT},
                    NumberCase{"-", DIGIT}, NumberCase{"+5", std::uint16_t{5}},
                    NumberCase{"++5", DIGIT}, NumberCase{"-5", DIGIT},
                    NumberCase{"0042", std::uint16_t{42}},
                    NumberCase{"0000", std::uint16_t{0}},
                    NumberCase{"65535", std::uint16_t{65535}},
                    NumberCase{"065535", std::uint16_t{65535}},
                    NumberCase{"65536", LARGE},
                    NumberCase{"99999999999999999999", LARGE},
                    NumberCase{"12a", DIGIT}, NumberCase{" 1", DIGIT},
                    NumberCase{"1200L", DIGIT},
                    // Digits are read left to right: the overflow comes first.
                    NumberCase{"99999a", LARGE}));

}  // namespace
}  // namespace jrl
