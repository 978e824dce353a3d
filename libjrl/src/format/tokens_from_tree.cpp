// Reads the tokens of a text from the grammar's tree, in the one grammar run
// that also checks the text, one requirement at a time as the run hands
// each over. The tree's leaves are the keywords, numbers, function names,
// courses and strings. Between two leaves lies only what the grammar matched
// without a node: whitespace, comments and punctuation, read there. A string
// is always a leaf, so a "//" between leaves always begins a comment.
#include <array>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "format/token_stream.hpp"
#include "text/char_classes.hpp"
#include "text/check_text.hpp"

namespace jrl::formatting {
namespace {

// The punctuation the grammar matches without a node.
struct Mark {
  char c;
  TokenKind kind;
  bool space_before;  // in the one-line layout
};
constexpr std::array<Mark, 8> MARKS = {{
    {'[', TokenKind::open_bracket, true},
    {']', TokenKind::close_bracket, false},
    {'(', TokenKind::open_paren, false},
    {')', TokenKind::close_paren, false},
    {',', TokenKind::comma, false},
    {':', TokenKind::colon, true},
    {';', TokenKind::semicolon, false},
    {'-', TokenKind::dash, false},
}};

// For each byte, its index in MARKS, or NO_MARK.
constexpr std::uint8_t NO_MARK = MARKS.size();
constexpr std::array<std::uint8_t, 256> MARK_OF = [] {
  std::array<std::uint8_t, 256> table{};
  table.fill(NO_MARK);
  for (std::uint8_t i = 0; i < MARKS.size(); ++i) {
    table[static_cast<unsigned char>(MARKS[i].c)] = i;
  }
  return table;
}();

// The first child of a node that has children, as the grammar gives them.
NodeRef first_child(NodeRef node) { return node.at(node.index() + 1); }

class TreeReader final : public NodeSink {
 public:
  TreeReader(std::string_view text, ChunkSink& sink)
      : text_(text), sink_(sink) {
    out_.tokens.reserve(64);
  }

  void take(NodeRef statement) override {
    if (fault_) return;
    if (!requirement(statement)) {
      fault_ = true;
      return;
    }
    skip();
    hand_over();
  }

  // The run failed and reports why; what was handed over is never printed.
  void discard() override {}

  // Hands over the comments after the last requirement, with the end of
  // the text.
  std::expected<void, Error> finish() && {
    skip();
    if (fault_ || pos_ != text_.size()) return fault();
    push(TokenKind::end, pos_, 0, false);
    out_.tokens.back().top_level = true;
    out_.tokens.back().line_start = true;
    out_.last = true;
    sink_.take(out_);
    return {};
  }

 private:
  // Hands the requirement just read to the sink, with the comments after
  // it, and keeps those comments for the next chunk.
  void hand_over() {
    Token& next = out_.tokens.emplace_back();
    next.kind = TokenKind::end;
    next.first_comment = assigned_;
    sink_.take(out_);
    out_.comments.erase(out_.comments.begin(),
                        out_.comments.begin() + assigned_);
    assigned_ = 0;
    out_.tokens.clear();
    out_.lists.clear();
    out_.items.clear();
    out_.has_requirement = false;
  }

  std::unexpected<Error> fault() const {
    return std::unexpected(
        Error::internal("the formatter cannot follow the text at byte offset " +
                        std::to_string(pos_)));
  }

  // Whitespace and comments; counts line feeds to tell trailing comments
  // and blank lines.
  void skip() {
    const std::size_t size = text_.size();
    for (;;) {
      while (pos_ < size) {
        const char c = text_[pos_];
        if (c == '\n') {
          ++newlines_;
        } else if (!chars::is_space(c)) {
          break;
        }
        ++pos_;
      }
      if (pos_ + 1 >= size || text_[pos_] != '/' || text_[pos_ + 1] != '/') {
        return;
      }
      const auto* lf = static_cast<const char*>(
          std::memchr(text_.data() + pos_, '\n', size - pos_));
      const std::size_t end = lf ? lf - text_.data() : size;
      std::size_t trimmed = end;
      while (trimmed > pos_ && chars::is_inline_space(text_[trimmed - 1])) {
        --trimmed;
      }
      Comment comment;
      comment.start = static_cast<std::uint32_t>(pos_);
      comment.length = static_cast<std::uint32_t>(trimmed - pos_);
      comment.width = char_count(text_.substr(pos_, trimmed - pos_));
      comment.trailing = newlines_ == 0 && seen_token_;
      comment.blank_before = newlines_ >= 2;
      out_.comments.push_back(comment);
      newlines_ = 0;
      pos_ = end;
    }
  }

  // Reads the text up to `end`: whitespace, comments and punctuation.
  [[gnu::always_inline]] bool gap(std::size_t end) {
    // Mostly there is nothing, one space or one mark, between two leaves:
    // they need no call of skip.
    while (pos_ < end) {
      if (text_[pos_] == ' ') {
        ++pos_;
      } else if (!mark()) {
        skip();
        if (pos_ >= end) return true;
        if (!mark()) return false;
      }
    }
    return true;
  }

  // The punctuation mark at the position, as a token.
  bool mark() {
    if (pos_ >= text_.size()) return false;
    const std::uint8_t found = MARK_OF[static_cast<unsigned char>(text_[pos_])];
    if (found == NO_MARK) return false;
    push(MARKS[found].kind, pos_, 1, MARKS[found].space_before);
    ++pos_;
    return true;
  }

  void push(TokenKind kind, std::size_t start, std::size_t length,
            bool space_before, std::uint32_t width) {
    // Filled in place: a token built aside and copied in costs a stall on
    // every copy.
    Token& token = out_.tokens.emplace_back();
    token.start = static_cast<std::uint32_t>(start);
    token.length = static_cast<std::uint32_t>(length);
    token.width = width;
    token.kind = kind;
    token.space_before = space_before;
    token.blank_before = newlines_ >= 2;
    token.first_comment = assigned_;
    // Comments before a closing token wait for the token after it.
    if (kind != TokenKind::comma && kind != TokenKind::close_paren &&
        kind != TokenKind::semicolon) {
      assigned_ = static_cast<std::uint32_t>(out_.comments.size());
    }
    newlines_ = 0;
    seen_token_ = true;
  }
  void push(TokenKind kind, std::size_t start, std::size_t length,
            bool space_before) {
    push(kind, start, length, space_before, static_cast<std::uint32_t>(length));
  }

  // A leaf of the tree as one token, after the text before it.
  template <TokenKind Kind>
  bool leaf(NodeRef node, bool space_before) {
    const std::size_t start = node.start();
    if (!gap(start) || pos_ != start) return false;
    const std::size_t length = node.end() - start;
    if constexpr (Kind == TokenKind::number) {
      // Printed without its leading zeros.
      std::size_t zeros = 0;
      while (zeros + 1 < length && text_[start + zeros] == '0') ++zeros;
      push(Kind, start, length, space_before,
           static_cast<std::uint32_t>(length - zeros));
      out_.tokens.back().aux = static_cast<std::uint32_t>(zeros);
    } else if constexpr (Kind == TokenKind::course) {
      // A department, spaces and a course number: printed with one space.
      const NodeRef number = node.at(node.at(node.index() + 1).subtree_end());
      push(Kind, start, length, space_before,
           static_cast<std::uint32_t>(5 + number.end() - number.start()));
      out_.tokens.back().aux =
          static_cast<std::uint32_t>(number.start() - start);
    } else if constexpr (Kind == TokenKind::string) {
      push(Kind, start, length, space_before, char_count(node.text()));
    } else {
      push(Kind, start, length, space_before);
    }
    pos_ = node.end();
    return true;
  }

  // A statement; `tail` receives the list that breaks when it is too long.
  // Its children: select or limit, quantity, from, selector.
  bool statement(NodeRef node, bool space_before, std::int32_t& tail) {
    auto child = node.children().begin();
    if (!leaf<TokenKind::keyword>(*child, space_before)) return false;
    const NodeRef quantity = first_child(*++child);
    if (quantity.rule() == Rule::quantity_many) {
      if (!leaf<TokenKind::number>(first_child(quantity), true) ||
          !leaf<TokenKind::number>(*quantity.child(1), false)) {
        return false;
      }
    } else if (!leaf<TokenKind::number>(quantity, true)) {
      return false;
    }
    if (!leaf<TokenKind::keyword>(*++child, true)) return false;
    const NodeRef selector = first_child(*++child);
    if (selector.rule() == Rule::selector_list) {
      return list(selector, tail);
    }
    return single(selector, true, tail);
  }

  // A nested statement or a function call.
  bool single(NodeRef node, bool space_before, std::int32_t& tail) {
    const NodeRef inner = first_child(node);
    if (inner.rule() == Rule::statement) {
      return statement(inner, space_before, tail);
    }
    tail = -1;
    return call(inner, space_before);
  }

  // Its children: query_name, then a query_argument for each argument,
  // which holds a string or a class_argument.
  bool call(NodeRef node, bool space_before) {
    const NodeRef name = first_child(node);
    if (!leaf<TokenKind::name>(name, space_before)) return false;
    const std::uint32_t stop = node.subtree_end();
    bool first = true;
    for (std::uint32_t i = name.subtree_end(); i < stop;
         i = node.at(i).subtree_end()) {
      const NodeRef argument = node.at(i + 1);
      const bool ok = argument.rule() == Rule::string
                          ? leaf<TokenKind::string>(argument, !first)
                          : leaf<TokenKind::course>(argument, !first);
      if (!ok) return false;
      first = false;
    }
    return gap(node.end());
  }

  // Pieces and lists are filled in place, field by field: one built aside
  // and copied in is read whole right after its fields were written, which
  // stalls.
  bool list(NodeRef node, std::int32_t& tail) {
    const auto open = static_cast<std::uint32_t>(out_.tokens.size());
    // The items of the lists being read wait here, innermost last, so each
    // list's items end up next to each other in `items`.
    const std::size_t base = pending_.size();
    bool first = true;
    for (const NodeRef child : node.children()) {
      if (!gap(child.start())) return false;
      const auto item_first = static_cast<std::uint32_t>(out_.tokens.size());
      std::int32_t item_tail = -1;
      if (!single(child, !first, item_tail)) return false;
      Piece& item = pending_.emplace_back();
      item.first = item_first;
      item.last = static_cast<std::uint32_t>(out_.tokens.size() - 1);
      item.tail = item_tail;
      first = false;
    }
    const auto close = static_cast<std::uint32_t>(out_.tokens.size());
    if (!gap(node.end()) || out_.tokens.size() != close + 1) return false;
    const auto first_item = static_cast<std::uint32_t>(out_.items.size());
    out_.items.insert(out_.items.end(), pending_.begin() + base,
                      pending_.end());
    pending_.resize(base);
    tail = static_cast<std::int32_t>(out_.lists.size());
    List& list = out_.lists.emplace_back();
    list.open = open;
    list.close = close;
    list.first_item = first_item;
    list.item_end = static_cast<std::uint32_t>(out_.items.size());
    return true;
  }

  // A special_statement, its description and priority, and its ";".
  bool requirement(NodeRef node) {
    skip();
    Piece piece;
    piece.first = static_cast<std::uint32_t>(out_.tokens.size());
    for (const NodeRef child : node.children()) {
      // The statement, the description, and the priority if there is one.
      const bool ok = child.rule() == Rule::statement
                          ? statement(child, false, piece.tail)
                      : child.rule() == Rule::string
                          ? leaf<TokenKind::string>(child, true)
                          : leaf<TokenKind::number>(child, true);
      if (!ok) return false;
    }
    skip();
    piece.last = static_cast<std::uint32_t>(out_.tokens.size());
    if (pos_ >= text_.size() || text_[pos_] != ';' || !mark()) return false;
    out_.tokens[piece.first].top_level = true;
    out_.requirement = piece;
    out_.has_requirement = true;
    return true;
  }

  std::string_view text_;
  ChunkSink& sink_;
  std::size_t pos_ = 0;
  bool fault_ = false;
  bool seen_token_ = false;
  std::uint32_t newlines_ = 0;  // line feeds since the last token or comment
  std::uint32_t assigned_ = 0;  // comments before this index have a token
  std::vector<Piece> pending_;
  TokenStream out_;
};

}  // namespace

std::expected<void, Error> read_tokens(std::string_view text, ChunkSink& sink) {
  TreeReader reader(text, sink);
  if (auto checked = check_text(text, reader); !checked) {
    return std::unexpected(std::move(checked.error()));
  }
  return std::move(reader).finish();
}

}  // namespace jrl::formatting
