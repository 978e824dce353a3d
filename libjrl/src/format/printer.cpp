// Writes the tokens in the layout the line breaker decided. Comments come
// back in order: one after code stays at the end of that line, two spaces
// after it; one on its own line stays on its own line at the indent of what
// follows. A comment always ends its line, so a comment where the layout
// has no line break (inside a call, say) continues the line below it, four
// spaces deeper than the line it interrupts.
#include "format/printer.hpp"

#include <algorithm>
#include <cstring>

#include "text/char_classes.hpp"

namespace jrl::formatting {
namespace {

constexpr std::uint32_t INDENT_STEP = 4;

}  // namespace

Printer::Printer(std::string_view text) : text_(text) {
  // The line ending of the file is that of its first line.
  const auto* lf =
      static_cast<const char*>(std::memchr(text.data(), '\n', text.size()));
  const bool crlf = lf != nullptr && lf != text.data() && lf[-1] == '\r';
  eol_ = crlf ? std::string_view("\r\n") : std::string_view("\n");
  out_.resize(text.size() + text.size() / 8 + SLACK);
}

std::string Printer::finish() && {
  out_.resize(used_);
  return std::move(out_);
}

void Printer::grow(std::size_t bytes) {
  out_.resize(std::max(out_.size() * 2, used_ + bytes + SLACK));
}

void Printer::print(const TokenStream& chunk) {
  const auto& tokens = chunk.tokens;
  // The `end` of a chunk that is not the last only holds comments that the
  // next chunk prints.
  const std::size_t count = chunk.last ? tokens.size() : tokens.size() - 1;
  for (std::size_t i = 0; i < count; ++i) {
    const auto comment_end = static_cast<std::uint32_t>(
        i + 1 < tokens.size() ? tokens[i + 1].first_comment
                              : chunk.comments.size());
    token(chunk, tokens[i], comment_end);
  }
}

void Printer::new_line(bool blank) {
  if (!line_has_text_) return;
  append(eol_);
  if (blank) append(eol_);
  line_has_text_ = false;
  line_has_comment_ = false;
}

void Printer::token(const TokenStream& chunk, const Token& token,
                    std::uint32_t comment_end) {
  const std::uint32_t continued = structural_indent_ + INDENT_STEP;
  bool after_comment = false;
  if (token.first_comment < comment_end) {
    // Comments before a list's "]" belong with its items.
    const std::uint32_t comment_indent =
        !token.line_start                        ? continued
        : token.kind == TokenKind::close_bracket ? token.indent + INDENT_STEP
                                                 : token.indent;
    for (std::uint32_t c = token.first_comment; c < comment_end; ++c) {
      const Comment& comment = chunk.comments[c];
      // Two comments written after code on their lines can meet when a
      // closing token between them moves up; the second then gets a line.
      if (comment.trailing && line_has_text_ && !line_has_comment_) {
        spaces(2);
      } else {
        new_line(token.top_level && comment.blank_before);
        spaces(comment_indent);
      }
      copy(comment.start, comment.length);
      line_has_text_ = true;
      line_has_comment_ = true;
    }
    after_comment = true;
  }
  if (token.kind == TokenKind::end) {
    new_line(false);
    return;
  }
  if (token.line_start || after_comment) {
    new_line(token.top_level && token.blank_before);
    if (token.line_start) structural_indent_ = token.indent;
    spaces(token.line_start ? token.indent : continued);
  } else if (token.space_before) {
    spaces(1);
  }
  write(token);
  line_has_text_ = true;
}

void Printer::write(const Token& token) {
  switch (token.kind) {
    case TokenKind::number:
      copy(token.start + token.aux, token.length - token.aux);
      return;
    case TokenKind::name: {
      // Function names are written all upper or all lower case, and both
      // mean the same function.
      const char* source = text_.data() + token.start;
      char* out = room(token.length);
      for (std::uint32_t i = 0; i < token.length; ++i) {
        out[i] = chars::to_upper(source[i]);
      }
      used_ += token.length;
      return;
    }
    case TokenKind::course:
      copy(token.start, 4);
      spaces(1);
      copy(token.start + token.aux, token.length - token.aux);
      return;
    default:
      copy(token.start, token.length);
      return;
  }
}

}  // namespace jrl::formatting
