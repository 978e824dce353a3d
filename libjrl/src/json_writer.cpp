#include "json_writer.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>
#include <variant>

#include "jrl/parse.hpp"
#include "number_text.hpp"
#include "output_estimate.hpp"

namespace jrl {
namespace json {
namespace {

// For each byte: 0 when it is copied as is, else the letter that follows the
// backslash in its escape ('u' for the `\u00XX` form).
constexpr std::array<char, 256> kEscape = [] {
  std::array<char, 256> table{};
  for (int c = 0; c < 0x20; ++c) table[c] = 'u';
  table['\b'] = 'b';
  table['\t'] = 't';
  table['\n'] = 'n';
  table['\f'] = 'f';
  table['\r'] = 'r';
  table['"'] = '"';
  table['\\'] = '\\';
  return table;
}();

constexpr char kHexDigits[] = "0123456789abcdef";

// Output buffer with a raw cursor. The string's size is kept at its
// capacity so that appends are a bounds check and a copy; `take` trims it to
// the bytes written.
class Buffer {
 public:
  explicit Buffer(std::size_t capacity) {
    text_.resize_and_overwrite(capacity,
                               [](char*, std::size_t n) { return n; });
    cursor_ = text_.data();
    end_ = cursor_ + text_.size();
  }

  // Room for `n` more bytes at the returned cursor; `advance` commits them.
  char* reserve(std::size_t n) {
    if (static_cast<std::size_t>(end_ - cursor_) < n) [[unlikely]]
      grow(n);
    return cursor_;
  }
  void advance(char* to) { cursor_ = to; }

  std::size_t used() const {
    return static_cast<std::size_t>(cursor_ - text_.data());
  }
  // Grows the buffer at once to exactly `capacity` bytes, the projected size
  // of the whole text. A projection below the room already there, or above
  // it by less than 1/32, is left to the margin the estimate carries: that
  // saves copying a large buffer for a late estimate that moved a little.
  void expect(std::size_t capacity) {
    estimated_ = true;
    if (capacity > text_.size() + text_.size() / 32) resize_to(capacity);
  }

  void append(const char* data, std::size_t n) {
    std::memcpy(reserve(n), data, n);
    cursor_ += n;
  }
  void append(char c) {
    *reserve(1) = c;
    ++cursor_;
  }

  // The written bytes. A buffer left with more spare room than
  // `spare_allowed` (an estimate that came out high, or a doubling near the
  // end) is copied into one of the exact size, so callers that keep the text
  // do not keep the slack with it.
  std::string take() && {
    const std::size_t size = used();
    if (text_.capacity() - size > spare_allowed(size)) resize_to(size);
    text_.resize(size);
    return std::move(text_);
  }

 private:
  // Spare capacity a finished text may keep: the margin the estimate adds
  // (see estimated_capacity) and a little more.
  static constexpr std::size_t spare_allowed(std::size_t size) {
    return size / 8 + 256;
  }

  // Without an estimate the buffer doubles; past one, that fell a little
  // short, it grows by an eighth. Both keep the cost per byte amortised
  // constant.
  [[gnu::noinline]] void grow(std::size_t n) {
    const std::size_t step = estimated_ ? text_.size() / 8 : text_.size();
    resize_to(std::max(text_.size() + step, used() + n));
  }

  // Reallocates to exactly `capacity` bytes, keeping the written ones. A
  // fresh string is needed for that: growing one in place may round the
  // capacity up to double the old one.
  void resize_to(std::size_t capacity) {
    const std::size_t size = used();
    std::string fresh;
    fresh.resize_and_overwrite(capacity, [&](char* p, std::size_t m) {
      std::memcpy(p, text_.data(), size);
      return m;
    });
    text_ = std::move(fresh);
    cursor_ = text_.data() + size;
    end_ = text_.data() + text_.size();
  }

  std::string text_;
  bool estimated_ = false;
  char* cursor_ = nullptr;
  char* end_ = nullptr;
};

// Walks the model once and writes its tokens. Compact and pretty share the
// walk; whitespace exists only in the `kPretty` instantiation, so the compact
// one carries no layout branches.
template <bool kPretty>
class Writer {
 public:
  Writer() : out_(128) {}

  std::string take() && { return std::move(out_).take(); }

  void file(const JRLQueryFile& value) {
    open('{');
    key<true>("version");
    string(value.version);
    key<false>("requirements");
    const std::size_t total = value.requirements.size();
    std::size_t written = 0;
    array(value.requirements, [&](const JRLRequirement& r) {
      requirement(r);
      if (estimate_due(++written) && written < total)
        out_.expect(estimated_capacity(out_.used(), written, total));
    });
    close('}');
  }

 private:
  // Writes the string as a JSON string, copying runs of bytes that need no
  // escape in one piece.
  void string(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = p + text.size();
    // Room for the common case: no escapes, two quotes.
    char* w = out_.reserve(text.size() + 2);
    *w++ = '"';
    for (;;) {
      const auto* run = p;
      while (p != end && kEscape[*p] == 0) ++p;
      const auto length = static_cast<std::size_t>(p - run);
      std::memcpy(w, run, length);
      w += length;
      if (p == end) break;
      // The escape takes at most six bytes in place of one; keep room for
      // the rest of the text and the closing quote.
      out_.advance(w);
      w = out_.reserve(6 + static_cast<std::size_t>(end - p));
      const char letter = kEscape[*p];
      *w++ = '\\';
      *w++ = letter;
      if (letter == 'u') {
        *w++ = '0';
        *w++ = '0';
        *w++ = kHexDigits[*p >> 4];
        *w++ = kHexDigits[*p & 0xf];
      }
      ++p;
    }
    *w++ = '"';
    out_.advance(w);
  }

  void number(std::uint16_t value) {
    char* w = out_.reserve(number_text::MAX_DIGITS<std::uint16_t>);
    out_.advance(number_text::write(w, value));
  }

  template <std::size_t N>
  void literal(const char (&text)[N]) {
    out_.append(text, N - 1);
  }

  void boolean(bool value) {
    if (value) {
      literal("true");
    } else {
      literal("false");
    }
  }

  void open(char bracket) {
    out_.append(bracket);
    if constexpr (kPretty) ++depth_;
  }

  // Closes a container that holds at least one member or element.
  void close(char bracket) {
    if constexpr (kPretty) {
      --depth_;
      char* w = out_.reserve(2 + 2 * depth_);
      *w++ = '\n';
      w = indent(w);
      *w++ = bracket;
      out_.advance(w);
    } else {
      out_.append(bracket);
    }
  }

  // Line break and indentation before a member or element; the first in its
  // container takes no comma.
  template <bool kFirst>
  char* separate(char* w) {
    if constexpr (!kFirst) *w++ = ',';
    if constexpr (kPretty) {
      *w++ = '\n';
      w = indent(w);
    }
    return w;
  }

  char* indent(char* w) {
    std::memset(w, ' ', 2 * depth_);
    return w + 2 * depth_;
  }

  std::size_t layout_size() const {
    if constexpr (kPretty) return 2 + 2 * depth_;
    return 1;
  }

  // Separator, indentation and the quoted key with its colon.
  template <bool kFirst>
  void key(std::string_view name) {
    char* w = out_.reserve(layout_size() + name.size() + 4);
    w = separate<kFirst>(w);
    *w++ = '"';
    std::memcpy(w, name.data(), name.size());
    w += name.size();
    *w++ = '"';
    *w++ = ':';
    if constexpr (kPretty) *w++ = ' ';
    out_.advance(w);
  }

  template <bool kFirst>
  void element() {
    out_.advance(separate<kFirst>(out_.reserve(layout_size())));
  }

  template <typename T, typename F>
  void array(const std::vector<T>& items, F&& write) {
    if (items.empty()) {
      literal("[]");
      return;
    }
    open('[');
    element<true>();
    write(items.front());
    for (std::size_t i = 1; i < items.size(); ++i) {
      element<false>();
      write(items[i]);
    }
    close(']');
  }

  void requirement(const JRLRequirement& value) {
    open('{');
    key<true>("query");
    query(value.query);
    key<false>("description");
    string(value.description);
    key<false>("priority");
    number(value.priority);
    close('}');
  }

  void query(const JRLQuery& value) {
    open('{');
    key<true>("quantity");
    std::visit([this](const auto& q) { this->quantity(q); }, value.quantity);
    key<false>("type");
    if (value.type == JRLQueryType::Select) {
      literal("\"Select\"");
    } else {
      literal("\"Limit\"");
    }
    key<false>("selector");
    array(value.selector, [this](const Selector& s) {
      std::visit([this](const auto& v) { this->selector(v); }, s.value);
    });
    close('}');
  }

  void quantity(const quantity::Single& value) {
    open('{');
    key<true>("Single");
    number(value.count);
    close('}');
  }

  void quantity(const quantity::Many& value) {
    open('{');
    key<true>("Many");
    open('{');
    key<true>("from");
    number(value.from);
    key<false>("to");
    number(value.to);
    close('}');
    close('}');
  }

  void course(const Class& value) {
    open('{');
    key<true>("department_id");
    string(value.department_id);
    key<false>("course_number");
    number(value.course_number);
    key<false>("lab");
    boolean(value.lab);
    close('}');
  }

  // A tagged union's one-member object `{"Name": payload}`.
  template <typename F>
  void tagged(std::string_view name, F&& payload) {
    open('{');
    key<true>(name);
    payload();
    close('}');
  }

  void selector(const selector::Class& v) {
    tagged("Class", [&] { course(v.value); });
  }
  void selector(const selector::Placement& v) {
    tagged("Placement", [&] { string(v.value); });
  }
  void selector(const selector::Tag& v) {
    tagged("Tag", [&] { string(v.value); });
  }
  void selector(const selector::TagCode& v) {
    tagged("TagCode", [&] {
      open('{');
      key<true>("tag");
      string(v.tag);
      key<false>("code");
      string(v.code);
      close('}');
    });
  }
  void selector(const selector::Dist& v) {
    tagged("Dist", [&] { string(v.value); });
  }
  void selector(const selector::DistCode& v) {
    tagged("DistCode", [&] {
      open('{');
      key<true>("dist");
      string(v.dist);
      key<false>("code");
      string(v.code);
      close('}');
    });
  }
  void selector(const selector::Range& v) {
    tagged("Range", [&] {
      open('{');
      key<true>("from");
      course(v.from);
      key<false>("to");
      course(v.to);
      close('}');
    });
  }
  void selector(const selector::RangeDist& v) {
    tagged("RangeDist", [&] {
      open('{');
      key<true>("from");
      course(v.from);
      key<false>("to");
      course(v.to);
      key<false>("dist");
      string(v.dist);
      close('}');
    });
  }
  void selector(const selector::RangeTag& v) {
    tagged("RangeTag", [&] {
      open('{');
      key<true>("from");
      course(v.from);
      key<false>("to");
      course(v.to);
      key<false>("tag");
      string(v.tag);
      close('}');
    });
  }
  void selector(const selector::Query& v) {
    tagged("Query", [&] { query(v.value); });
  }

  Buffer out_;
  std::size_t depth_ = 0;  // nesting depth; used by the pretty form only
};

template <bool kPretty>
std::string write(const JRLQueryFile& file) {
  Writer<kPretty> writer;
  writer.file(file);
  return std::move(writer).take();
}

}  // namespace

std::string write_compact(const JRLQueryFile& file) {
  return write<false>(file);
}

std::string write_pretty(const JRLQueryFile& file) { return write<true>(file); }

}  // namespace json

// Writing into memory cannot fail; the error side stays for the API's sake.
std::expected<std::string, Error> ParseResult::to_string() const {
  return json::write_compact(parsed_jrl_file);
}

std::expected<std::string, Error> ParseResult::to_string_pretty() const {
  return json::write_pretty(parsed_jrl_file);
}

}  // namespace jrl
