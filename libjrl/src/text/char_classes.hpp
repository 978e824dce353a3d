// The ASCII character classes of the language, in one place. The grammar
// builds its rules from the ranges and sets here, and every reader of raw
// text (the formatter, the fixes, the token reader of the diagnostics, the
// function-name lookups) asks the functions, so that a class is defined once.
#pragma once

#include <cstddef>

namespace jrl::chars {

// An inclusive range of ASCII characters.
struct Range {
  char first;
  char last;
  constexpr bool holds(char c) const { return c >= first && c <= last; }
};

inline constexpr Range DIGIT{'0', '9'};
inline constexpr Range UPPER{'A', 'Z'};
inline constexpr Range LOWER{'a', 'z'};

// What a function name holds besides letters and digits.
inline constexpr char NAME_MARKS[] = "_";
// What a department code holds besides upper-case letters.
inline constexpr char DEPARTMENT_MARKS[] = "&";
// The whitespace between tokens.
inline constexpr char SPACES[] = " \t\r\n";

constexpr bool is_digit(char c) { return DIGIT.holds(c); }
constexpr bool is_upper(char c) { return UPPER.holds(c); }
constexpr bool is_lower(char c) { return LOWER.holds(c); }
constexpr bool is_letter(char c) { return is_upper(c) || is_lower(c); }

constexpr bool is_name_char(char c) {
  return is_letter(c) || is_digit(c) || c == NAME_MARKS[0];
}

constexpr bool is_department_char(char c) {
  return is_upper(c) || c == DEPARTMENT_MARKS[0];
}

// A run of these is one word to a reader of text that does not parse: a
// function name, a department code or a number.
constexpr bool is_word_char(char c) {
  return is_name_char(c) || is_department_char(c);
}

// A run of these inside a string is one word of its text, after which a
// lost closing quote may belong.
constexpr bool is_string_word_char(char c) {
  return is_name_char(c) || c == '-';
}

constexpr bool is_space(char c) {
  for (std::size_t i = 0; i + 1 < sizeof SPACES; ++i) {
    if (c == SPACES[i]) return true;
  }
  return false;
}

// Any ASCII whitespace but the line feed: what a line may end in.
constexpr bool is_inline_space(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

constexpr char to_upper(char c) {
  return is_lower(c) ? static_cast<char>(c - LOWER.first + UPPER.first) : c;
}

constexpr char to_lower(char c) {
  return is_upper(c) ? static_cast<char>(c - UPPER.first + LOWER.first) : c;
}

}  // namespace jrl::chars
