// Writes the chunks of a text in the layout the line breaker decided, one
// after the other, into one output text.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "format/token_stream.hpp"

namespace jrl::formatting {

class Printer {
 public:
  explicit Printer(std::string_view text);

  void print(const TokenStream& chunk);
  std::string finish() &&;

 private:
  void new_line(bool blank);
  void token(const TokenStream& chunk, const Token& token,
             std::uint32_t comment_end);
  void write(const Token& token);
  // Bytes the output keeps spare beyond what is asked for.
  static constexpr std::size_t SLACK = 64;

  // Room for `bytes` more bytes at the end of the output.
  char* room(std::size_t bytes) {
    if (out_.size() - used_ < bytes + SLACK) grow(bytes);
    return out_.data() + used_;
  }
  void grow(std::size_t bytes);
  void append(std::string_view piece) {
    std::memcpy(room(piece.size()), piece.data(), piece.size());
    used_ += piece.size();
  }
  // Most pieces are short: writing a fixed 16 bytes (the room has the
  // slack) is cheaper than a call for any length.
  void spaces(std::size_t count) {
    if (count <= 16) {
      std::memset(room(16), ' ', 16);
    } else {
      std::memset(room(count), ' ', count);
    }
    used_ += count;
  }
  // Copies bytes [start, start + length) of the text.
  void copy(std::size_t start, std::size_t length) {
    const char* source = text_.data() + start;
    if (length <= 16 && start + 16 <= text_.size()) {
      std::memcpy(room(16), source, 16);
    } else {
      std::memcpy(room(length), source, length);
    }
    used_ += length;
  }

  std::string_view text_;
  std::string_view eol_;
  std::string out_;  // its first used_ bytes are the output so far
  std::size_t used_ = 0;
  bool line_has_text_ = false;
  bool line_has_comment_ = false;        // a comment ends the line
  std::uint32_t structural_indent_ = 0;  // of the last line the layout began
};

}  // namespace jrl::formatting
