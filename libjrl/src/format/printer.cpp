// Writes the tokens in the layout the line breaker decided. Comments come
// back in order: one after code stays at the end of that line, two spaces
// after it; one on its own line stays on its own line at the indent of what
// follows. A comment always ends its line, so a comment where the layout
// has no line break (inside a call, say) continues the line below it, four
// spaces deeper than the line it interrupts.
#include <string>

#include "format/token_stream.hpp"

namespace jrl::formatting {
namespace {

constexpr std::uint32_t INDENT_STEP = 4;

class Printer {
 public:
  Printer(std::string_view text, const TokenStream& stream)
      : text_(text),
        stream_(stream),
        eol_(stream.crlf ? std::string_view("\r\n") : std::string_view("\n")) {
    out_.reserve(text.size() + text.size() / 8 + 16);
  }

  std::string run() && {
    const auto& tokens = stream_.tokens;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
      const std::uint32_t comment_end = i + 1 < tokens.size()
                                            ? tokens[i + 1].first_comment
                                            : stream_.comments.size();
      token(tokens[i], comment_end);
    }
    return std::move(out_);
  }

 private:
  void new_line(bool blank) {
    if (!line_has_text_) return;
    out_.append(eol_);
    if (blank) out_.append(eol_);
    line_has_text_ = false;
  }
  void indent(std::uint32_t width) { out_.append(width, ' '); }

  void token(const Token& token, std::uint32_t comment_end) {
    const std::uint32_t continued = structural_indent_ + INDENT_STEP;
    bool after_comment = false;
    if (token.first_comment < comment_end) {
      // Comments before a list's "]" belong with its items.
      const std::uint32_t comment_indent =
          !token.line_start                        ? continued
          : token.kind == TokenKind::close_bracket ? token.indent + INDENT_STEP
                                                   : token.indent;
      for (std::uint32_t c = token.first_comment; c < comment_end; ++c) {
        const Comment& comment = stream_.comments[c];
        if (comment.trailing && line_has_text_) {
          out_.append("  ");
        } else {
          new_line(token.top_level && comment.blank_before);
          indent(comment_indent);
        }
        out_.append(text_.substr(comment.start, comment.length));
        line_has_text_ = true;
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
      indent(token.line_start ? token.indent : continued);
    } else if (token.space_before) {
      out_.push_back(' ');
    }
    write(token);
    line_has_text_ = true;
  }

  void write(const Token& token) {
    const std::string_view source = text_.substr(token.start, token.length);
    switch (token.kind) {
      case TokenKind::number:
        out_.append(source.substr(token.aux));
        return;
      case TokenKind::name:
        // Function names are written all upper or all lower case, and both
        // mean the same function.
        for (const char c : source) {
          out_.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c);
        }
        return;
      case TokenKind::course:
        out_.append(source.substr(0, 4));
        out_.push_back(' ');
        out_.append(source.substr(token.aux));
        return;
      default:
        out_.append(source);
        return;
    }
  }

  std::string_view text_;
  const TokenStream& stream_;
  std::string_view eol_;
  std::string out_;
  bool line_has_text_ = false;
  std::uint32_t structural_indent_ = 0;  // of the last line the layout began
};

}  // namespace

std::string print_tokens(std::string_view text, const TokenStream& stream) {
  return Printer(text, stream).run();
}

}  // namespace jrl::formatting
