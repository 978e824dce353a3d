// What the formatter knows about a file that parses, one requirement at a
// time: its tokens in source order, its comments, and where its lists lie
// among the tokens. Offsets are bytes into the text; widths are characters.
// Working on one requirement at a time keeps the formatter's memory small
// and in cache, however long the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "jrl/error.hpp"
#include "text/utf8.hpp"

namespace jrl::formatting {

enum class TokenKind : std::uint8_t {
  keyword,        // SELECT, LIMIT, FROM
  number,         // a quantity bound or a priority
  dash,           // the "-" of a quantity range
  name,           // a function name
  course,         // a department and a course number
  string,         // a string with its quotes
  open_bracket,   // [
  close_bracket,  // ]
  open_paren,     // (
  close_paren,    // )
  comma,
  colon,
  semicolon,
  // What follows the requirement: holds the comments after its ";", which
  // the next chunk prints. In the last chunk, the end of the text.
  end,
};

struct Token {
  std::uint32_t start = 0;   // byte offset in the text
  std::uint32_t length = 0;  // bytes in the text
  // number: the leading zeros left out; course: the offset of the course
  // number from `start`.
  std::uint32_t aux = 0;
  std::uint32_t width = 0;  // characters as printed
  // The comments printed before this token are [first_comment, the next
  // token's first_comment). Comments written before a ",", ")" or ";" are
  // printed after it, so those tokens hold none.
  std::uint32_t first_comment = 0;
  std::uint32_t indent = 0;  // of the line it starts, when line_start
  TokenKind kind = TokenKind::end;
  bool space_before = false;  // in the one-line layout
  bool line_start = false;    // the layout starts a line with it
  bool blank_before = false;  // a blank line stands before it in the text
  bool top_level = false;     // begins a requirement, or is the end
};

struct Comment {
  std::uint32_t start = 0;
  std::uint32_t length = 0;  // without trailing whitespace
  std::uint32_t width = 0;
  bool trailing = false;      // after code on the same line
  bool blank_before = false;  // a blank line stands before it
};

// A list and its items, as token indices.
struct List {
  std::uint32_t open = 0;
  std::uint32_t close = 0;
  std::uint32_t first_item = 0;  // into TokenStream::items
  std::uint32_t item_end = 0;
};

// A piece that may stand on a line of its own: a requirement (through its
// ";") or a list item (without its ","). `tail` is the list that breaks when
// the piece is too long for one line: its selector list, or that of the
// nested statement that is its selector; -1 when there is none.
struct Piece {
  std::uint32_t first = 0;
  std::uint32_t last = 0;
  std::int32_t tail = -1;
};

// One requirement with the comments before it, or, last, the comments
// after the last requirement.
struct TokenStream {
  std::vector<Token> tokens;  // always ends with one `end` token
  std::vector<Comment> comments;
  std::vector<List> lists;
  std::vector<Piece> items;
  bool has_requirement = false;
  Piece requirement;
  bool last = false;  // the `end` token is the end of the text
};

// Receives each chunk of the text in turn.
class ChunkSink {
 public:
  virtual void take(TokenStream& chunk) = 0;

 protected:
  ~ChunkSink() = default;
};

// Runs the grammar over the text once, checking each requirement as parse
// does, and hands the sink each requirement's tokens as it is read. Fails
// exactly as parse(text) fails; and, should the tree and the text ever
// disagree, with an internal fault.
std::expected<void, Error> read_tokens(std::string_view text, ChunkSink& sink);

// Decides the line breaks of a chunk: sets line_start and indent.
// `scratch` is working memory, kept by the caller from chunk to chunk.
void break_lines(TokenStream& chunk, std::size_t width,
                 std::vector<std::size_t>& scratch);

// Characters (code points) of a piece of valid UTF-8.
inline std::uint32_t char_count(std::string_view text) {
  return static_cast<std::uint32_t>(utf8::count_characters(text));
}

}  // namespace jrl::formatting
