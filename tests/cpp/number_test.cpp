// Reading unsigned 16-bit numbers.
#include <gtest/gtest.h>

#include <cstdint>
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
  const auto result = parse_u16(c.text);
  if (const auto* value = std::get_if<std::uint16_t>(&c.expected)) {
    ASSERT_TRUE(result.has_value()) << result.error().render();
    EXPECT_EQ(*result, *value);
  } else {
    ASSERT_FALSE(result.has_value()) << *result;
    EXPECT_EQ(result.error().kind(), ErrorKind::conversion);
    EXPECT_EQ(result.error().render(), std::get<std::string>(c.expected));
  }
}

const std::string kEmpty = "cannot parse integer from empty string";
const std::string kDigit = "invalid digit found in string";
const std::string kLarge = "number too large to fit in target type";

INSTANTIATE_TEST_SUITE_P(
    Texts, NumberTest,
    testing::Values(NumberCase{"", kEmpty}, NumberCase{"+", kDigit},
                    NumberCase{"-", kDigit}, NumberCase{"+5", std::uint16_t{5}},
                    NumberCase{"++5", kDigit}, NumberCase{"-5", kDigit},
                    NumberCase{"0042", std::uint16_t{42}},
                    NumberCase{"0000", std::uint16_t{0}},
                    NumberCase{"65535", std::uint16_t{65535}},
                    NumberCase{"065535", std::uint16_t{65535}},
                    NumberCase{"65536", kLarge},
                    NumberCase{"99999999999999999999", kLarge},
                    NumberCase{"12a", kDigit}, NumberCase{" 1", kDigit},
                    NumberCase{"1200L", kDigit},
                    // Digits are read left to right: the overflow comes first.
                    NumberCase{"99999a", kLarge}));

}  // namespace
}  // namespace jrl
