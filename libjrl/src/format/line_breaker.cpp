// Decides where lines break. A requirement stands on one line when it fits
// the width and holds no comment; otherwise its list breaks: one item per
// line, four spaces deeper, each item deciding the same way at its depth.
// Widths of token ranges come from prefix sums, so every decision costs the
// same however long the piece, and the whole pass is linear.
#include <vector>

#include "format/token_stream.hpp"

namespace jrl::formatting {
namespace {

constexpr std::uint32_t INDENT_STEP = 4;

class LineBreaker {
 public:
  LineBreaker(TokenStream& stream, std::size_t width,
              std::vector<std::size_t>& prefix)
      : stream_(stream),
        tokens_(stream.tokens),
        width_(width),
        prefix_(prefix) {
    // prefix_[i] is the one-line width of tokens [0, i), spaces included.
    prefix_.resize(tokens_.size() + 1);
    for (std::size_t i = 0; i < tokens_.size(); ++i) {
      prefix_[i + 1] =
          prefix_[i] + tokens_[i].width + (tokens_[i].space_before ? 1 : 0);
    }
  }

  void run() {
    if (!stream_.has_requirement) return;
    const Piece& requirement = stream_.requirement;
    place(requirement.first, requirement.last, 0, requirement.tail);
    // Without a list to break, a requirement too long for its line carries
    // its description on the next.
    if (requirement.tail < 0 && !fits(requirement.first, requirement.last, 0)) {
      start_line(description_colon(requirement), INDENT_STEP);
    }
  }

 private:
  std::size_t comments_before(std::size_t token) const {
    const std::size_t next = token + 1 < tokens_.size()
                                 ? tokens_[token + 1].first_comment
                                 : stream_.comments.size();
    return next - tokens_[token].first_comment;
  }

  // The width a comment at the end of the line adds after `last`.
  std::size_t trailing_width(std::size_t last) const {
    const std::size_t next = last + 1;
    if (comments_before(next) == 0) return 0;
    const Comment& comment = stream_.comments[tokens_[next].first_comment];
    return comment.trailing ? 2 + comment.width : 0;
  }

  // Tokens [first, last] on one line at `indent`: no comment among them and
  // not wider than the width, a trailing comment included.
  bool fits(std::size_t first, std::size_t last, std::size_t indent) const {
    if (tokens_[last + 1].first_comment != tokens_[first + 1].first_comment) {
      return false;
    }
    const std::size_t own = prefix_[last + 1] - prefix_[first] -
                            (tokens_[first].space_before ? 1 : 0);
    return indent + own + trailing_width(last) <= width_;
  }

  // The ":" before the description: the last ":" but one, or the last.
  std::size_t description_colon(const Piece& requirement) const {
    std::size_t colon = requirement.last;
    while (tokens_[colon].kind != TokenKind::colon) --colon;
    if (tokens_[colon + 1].kind == TokenKind::number) {
      --colon;
      while (tokens_[colon].kind != TokenKind::colon) --colon;
    }
    return colon;
  }

  void start_line(std::size_t token, std::uint32_t indent) {
    tokens_[token].line_start = true;
    tokens_[token].indent = indent;
  }

  // Lays out the piece [first, last] starting a line at `indent`.
  void place(std::size_t first, std::size_t last, std::uint32_t indent,
             std::int32_t tail) {
    start_line(first, indent);
    if (tail < 0 || fits(first, last, indent)) return;
    const List& list = stream_.lists[tail];
    for (std::uint32_t i = list.first_item; i < list.item_end; ++i) {
      const Piece& item = stream_.items[i];
      // The item's line holds its ",", when it has one.
      const bool comma = tokens_[item.last + 1].kind == TokenKind::comma;
      place(item.first, item.last + (comma ? 1 : 0), indent + INDENT_STEP,
            item.tail);
    }
    start_line(list.close, indent);
  }

  TokenStream& stream_;
  std::vector<Token>& tokens_;
  std::size_t width_;
  std::vector<std::size_t>& prefix_;
};

}  // namespace

void break_lines(TokenStream& chunk, std::size_t width,
                 std::vector<std::size_t>& scratch) {
  LineBreaker(chunk, width, scratch).run();
}

}  // namespace jrl::formatting
