// A forgiving lexer for broken requirements files: it never fails, and it
// splits a file into its top-level statements even where the grammar
// cannot, so that checking can resume after an error.
#pragma once

#include <cstddef>
#include <optional>
#include <utility>
#include <string_view>
#include <vector>

namespace jrl::diagnostics {

enum class TokenKind : unsigned char {
  word,         // letters, digits, "_" and "&": keywords, names, numbers
  string,       // a string closed on its own line, quotes included
  punctuation,  // any other character, a lone double quote among them
};

struct Token {
  std::size_t start = 0;
  std::size_t end = 0;
  TokenKind kind = TokenKind::punctuation;
};

// Byte length of the character at `i` of `text`; an ill-formed sequence
// counts as one character, as the reports count it.
std::size_t char_length(std::string_view text, std::size_t i);

// The tokens of `text`, whitespace and comments left out.
std::vector<Token> tokenize(std::string_view text);

// The first byte at or after `pos` that is not whitespace or a comment.
std::size_t after_blanks(std::string_view text, std::size_t pos);

// From the start of the first token of `text` to the end of its last; none
// for a text of nothing but whitespace and comments. Reads the text once and
// keeps no tokens.
std::optional<std::pair<std::size_t, std::size_t>> token_span(
    std::string_view text);

// [start, end) of one top-level statement, through its ";".
struct Segment {
  std::size_t start = 0;
  std::size_t end = 0;
};

// Cuts `text` after each ";" that ends a top-level statement: one outside
// strings and comments with brackets balanced, or, inside unbalanced
// brackets, one followed by SELECT, LIMIT or the end of the text (a ";"
// never stands inside brackets in a good file). The segments cover the
// whole text; the last one runs to its end. With `until`, the cutting stops
// after the segment that holds byte `until`: the segments up to it are the
// same, and the rest of the text is not read.
std::vector<Segment> split_statements(
    std::string_view text, std::size_t until = std::string_view::npos);

// The index of the segment that holds byte `pos`; the last one for a place
// past them all. `segments` is not empty.
std::size_t segment_holding(const std::vector<Segment>& segments,
                            std::size_t pos);

}  // namespace jrl::diagnostics
