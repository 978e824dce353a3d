#include "json_check.hpp"

#include <cstddef>
#include <cstdint>

#include "utf8_check.hpp"

namespace jrl::fuzz {
namespace {

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  std::optional<JsonForms> run() {
    skip_space();
    if (!value(0)) return std::nullopt;
    skip_space();
    if (pos_ != text_.size()) return std::nullopt;
    return std::move(out_);
  }

 private:
  // Deep enough for the most deeply nested file the parser accepts.
  static constexpr std::size_t MAX_DEPTH = 4096;

  bool at_end() const { return pos_ >= text_.size(); }
  char peek() const { return at_end() ? '\0' : text_[pos_]; }

  void skip_space() {
    while (!at_end() && (peek() == ' ' || peek() == '\t' || peek() == '\n' ||
                         peek() == '\r')) {
      ++pos_;
    }
  }

  void both(std::string_view s) {
    out_.compact += s;
    out_.pretty += s;
  }

  void newline_indent(std::size_t depth) {
    out_.pretty += '\n';
    out_.pretty.append(2 * depth, ' ');
  }

  bool literal(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    both(word);
    return true;
  }

  bool value(std::size_t depth) {
    if (depth > MAX_DEPTH) return false;
    switch (peek()) {
      case '{':
        return container(depth, '{', '}', true);
      case '[':
        return container(depth, '[', ']', false);
      case '"':
        return string();
      case 't':
        return literal("true");
      case 'f':
        return literal("false");
      case 'n':
        return literal("null");
      default:
        return number();
    }
  }

  bool container(std::size_t depth, char open, char close, bool object) {
    ++pos_;
    both(std::string_view(&open, 1));
    skip_space();
    if (peek() == close) {
      ++pos_;
      both(std::string_view(&close, 1));
      return true;
    }
    for (bool first = true;; first = false) {
      if (!first) both(",");
      newline_indent(depth + 1);
      skip_space();
      if (object) {
        if (peek() != '"' || !string()) return false;
        skip_space();
        if (peek() != ':') return false;
        ++pos_;
        out_.compact += ':';
        out_.pretty += ": ";
        skip_space();
      }
      if (!value(depth + 1)) return false;
      skip_space();
      if (peek() == ',') {
        ++pos_;
        continue;
      }
      if (peek() != close) return false;
      ++pos_;
      newline_indent(depth);
      both(std::string_view(&close, 1));
      return true;
    }
  }

  bool number() {
    const std::size_t start = pos_;
    auto digit = [&] { return peek() >= '0' && peek() <= '9'; };
    if (peek() == '-') ++pos_;
    if (peek() == '0') {
      ++pos_;
    } else if (digit()) {
      while (digit()) ++pos_;
    } else {
      return false;
    }
    if (peek() == '.') {
      ++pos_;
      if (!digit()) return false;
      while (digit()) ++pos_;
    }
    if (peek() == 'e' || peek() == 'E') {
      ++pos_;
      if (peek() == '+' || peek() == '-') ++pos_;
      if (!digit()) return false;
      while (digit()) ++pos_;
    }
    both(text_.substr(start, pos_ - start));
    return true;
  }

  static int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  std::optional<std::uint32_t> hex4() {
    if (text_.size() - pos_ < 4) return std::nullopt;
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
      const int h = hex_value(text_[pos_ + i]);
      if (h < 0) return std::nullopt;
      v = v * 16 + static_cast<std::uint32_t>(h);
    }
    pos_ += 4;
    return v;
  }

  static void append_utf8(std::string& s, std::uint32_t cp) {
    if (cp < 0x80) {
      s += static_cast<char>(cp);
    } else if (cp < 0x800) {
      s += static_cast<char>(0xC0 | (cp >> 6));
      s += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      s += static_cast<char>(0xE0 | (cp >> 12));
      s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      s += static_cast<char>(0xF0 | (cp >> 18));
      s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      s += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }

  // Decodes the string, then writes it back minimally escaped.
  bool string() {
    ++pos_;
    std::string decoded;
    for (;;) {
      if (at_end()) return false;
      const char c = text_[pos_++];
      if (c == '"') break;
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        decoded += c;
        continue;
      }
      if (at_end()) return false;
      const char e = text_[pos_++];
      switch (e) {
        case '"':
          decoded += '"';
          break;
        case '\\':
          decoded += '\\';
          break;
        case '/':
          decoded += '/';
          break;
        case 'b':
          decoded += '\b';
          break;
        case 'f':
          decoded += '\f';
          break;
        case 'n':
          decoded += '\n';
          break;
        case 'r':
          decoded += '\r';
          break;
        case 't':
          decoded += '\t';
          break;
        case 'u': {
          auto cp = hex4();
          if (!cp) return false;
          if (*cp >= 0xD800 && *cp <= 0xDBFF) {
            if (text_.substr(pos_, 2) != "\\u") return false;
            pos_ += 2;
            auto low = hex4();
            if (!low || *low < 0xDC00 || *low > 0xDFFF) return false;
            *cp = 0x10000 + ((*cp - 0xD800) << 10) + (*low - 0xDC00);
          } else if (*cp >= 0xDC00 && *cp <= 0xDFFF) {
            return false;
          }
          append_utf8(decoded, *cp);
          break;
        }
        default:
          return false;
      }
    }
    if (!is_valid_utf8(decoded)) return false;
    std::string escaped = "\"";
    static constexpr char HEX[] = "0123456789abcdef";
    for (const char c : decoded) {
      const auto b = static_cast<unsigned char>(c);
      switch (c) {
        case '"':
          escaped += "\\\"";
          break;
        case '\\':
          escaped += "\\\\";
          break;
        case '\b':
          escaped += "\\b";
          break;
        case '\t':
          escaped += "\\t";
          break;
        case '\n':
          escaped += "\\n";
          break;
        case '\f':
          escaped += "\\f";
          break;
        case '\r':
          escaped += "\\r";
          break;
        default:
          if (b < 0x20) {
            escaped += "\\u00";
            escaped += HEX[b >> 4];
            escaped += HEX[b & 0xF];
          } else {
            escaped += c;
          }
      }
    }
    escaped += '"';
    both(escaped);
    return true;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  JsonForms out_;
};

}  // namespace

std::optional<JsonForms> reformat_json(std::string_view text) {
  return Reader(text).run();
}

}  // namespace jrl::fuzz
