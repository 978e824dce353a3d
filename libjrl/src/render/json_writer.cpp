#include "render/json_writer.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

#include "jrl/parse.hpp"
#include "jrl/selector_functions.hpp"
#include "jrl/selector_visit.hpp"
#include "jrl/streaming.hpp"
#include "text/number_text.hpp"
#include "text/json_escape.hpp"
#include "render/output_buffer.hpp"

namespace jrl {
namespace json {
namespace {

// Counts the bytes a walk would write. Reading the model once to count them
// costs less than growing a buffer, and lets the text be allocated once, at
// exactly its size.
class Tally {
 public:
  void add(std::size_t n) { size_ += n; }
  std::size_t size() const { return size_; }

 private:
  std::size_t size_ = 0;
};

// A token may ask for a few bytes more room than it fills: a number for its
// widest form, an escape for six bytes. This slack beyond the counted size
// covers the last token of the text.
constexpr std::size_t RESERVE_SLACK = 8;

// The bytes `text` takes as a JSON string, quotes included.
std::size_t escaped_size(std::string_view text) {
  std::size_t size = text.size() + 2;
  for (const char c : text) size += ESCAPE_EXTRA[static_cast<unsigned char>(c)];
  return size;
}

// Walks the model once and writes its tokens into `Out`, a `Buffer`, or
// counts them into a `Tally`. Compact and pretty share the walk; whitespace
// exists only in the `Pretty` instantiation, so the compact one carries no
// layout branches. Each token below writes exactly the bytes it tallies.
template <bool Pretty, typename Out>
class Writer {
  static constexpr bool COUNTING = std::is_same_v<Out, Tally>;

 public:
  explicit Writer(Out out) : out_(std::move(out)) {}

  Out take() && { return std::move(out_); }

  void file(const JRLQueryFile& value) {
    open('{');
    key<true>("version");
    string(value.version);
    key<false>("requirements");
    array(value.requirements,
          [&](const JRLRequirement& r) { requirement(r); });
    close('}');
  }

  // The same text a requirement at a time, for a file whose requirements
  // are not all held: `file_start`, `next_requirement` for each, `file_end`.
  void file_start(std::string_view version) {
    open('{');
    key<true>("version");
    string(version);
    key<false>("requirements");
  }
  void next_requirement(const JRLRequirement& value, bool first) {
    if (first) {
      open('[');
      element<true>();
    } else {
      element<false>();
    }
    requirement(value);
  }
  void file_end(bool empty) {
    if (empty) {
      literal("[]");
    } else {
      close(']');
    }
    close('}');
  }

 private:
  // Writes the string as a JSON string, copying runs of bytes that need no
  // escape in one piece. A text that fits a chunk is written with one
  // reservation; a longer one a run at a time, so that streaming never
  // needs a buffer the size of the text.
  void string(std::string_view text) {
    if constexpr (COUNTING) {
      out_.add(escaped_size(text));
    } else if (text.size() + RESERVE_SLACK <= STREAM_CHUNK_SIZE) {
      const auto* p = reinterpret_cast<const unsigned char*>(text.data());
      const auto* const end = p + text.size();
      // Room for the common case: no escapes, two quotes.
      char* w = out_.reserve(text.size() + 2);
      *w++ = '"';
      for (;;) {
        const auto* run = p;
        while (p != end && ESCAPE[*p] == 0) ++p;
        const auto length = static_cast<std::size_t>(p - run);
        if (length != 0) std::memcpy(w, run, length);  // `run` may be null
        w += length;
        if (p == end) break;
        // The escape takes at most six bytes in place of one; keep room for
        // the rest of the text and the closing quote.
        out_.advance(w);
        w = write_escape(out_.reserve(6 + static_cast<std::size_t>(end - p)), *p);
        ++p;
      }
      *w++ = '"';
      out_.advance(w);
    } else {
      long_string(text);
    }
  }

  [[gnu::noinline]] void long_string(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = p + text.size();
    out_.append('"');
    for (;;) {
      const auto* run = p;
      while (p != end && ESCAPE[*p] == 0) ++p;
      out_.append(reinterpret_cast<const char*>(run),
                  static_cast<std::size_t>(p - run));
      if (p == end) break;
      out_.advance(write_escape(out_.reserve(6), *p));
      ++p;
    }
    out_.append('"');
  }

  void number(std::uint16_t value) {
    if constexpr (COUNTING) {
      out_.add(number_text::decimal_size(value));
    } else {
      char* w = out_.reserve(number_text::MAX_DIGITS<std::uint16_t>);
      out_.advance(number_text::write(w, value));
    }
  }

  template <std::size_t N>
  void literal(const char (&text)[N]) {
    if constexpr (COUNTING) {
      out_.add(N - 1);
    } else {
      out_.append(text, N - 1);
    }
  }

  void boolean(bool value) {
    if (value) {
      literal("true");
    } else {
      literal("false");
    }
  }

  void open(char bracket) {
    if constexpr (COUNTING) {
      out_.add(1);
    } else {
      out_.append(bracket);
    }
    if constexpr (Pretty) ++depth_;
  }

  // Closes a container that holds at least one member or element: a line
  // break and indentation before the bracket in the pretty form.
  void close(char bracket) {
    if constexpr (Pretty) --depth_;
    if constexpr (COUNTING) {
      out_.add(Pretty ? 2 + 2 * depth_ : 1);
    } else if constexpr (Pretty) {
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
  template <bool First>
  std::size_t separator_size() const {
    return (First ? 0 : 1) + (Pretty ? 1 + 2 * depth_ : 0);
  }
  template <bool First>
  char* separate(char* w) {
    if constexpr (!First) *w++ = ',';
    if constexpr (Pretty) {
      *w++ = '\n';
      w = indent(w);
    }
    return w;
  }

  char* indent(char* w) {
    std::memset(w, ' ', 2 * depth_);
    return w + 2 * depth_;
  }

  // Separator, indentation and the quoted key with its colon.
  template <bool First>
  void key(std::string_view name) {
    const std::size_t size =
        separator_size<First>() + name.size() + (Pretty ? 4 : 3);
    if constexpr (COUNTING) {
      out_.add(size);
    } else {
      char* w = out_.reserve(size);
      w = separate<First>(w);
      *w++ = '"';
      std::memcpy(w, name.data(), name.size());
      w += name.size();
      *w++ = '"';
      *w++ = ':';
      if constexpr (Pretty) *w++ = ' ';
      out_.advance(w);
    }
  }

  template <bool First>
  void element() {
    if constexpr (COUNTING) {
      out_.add(separator_size<First>());
    } else {
      out_.advance(separate<First>(out_.reserve(separator_size<First>())));
    }
  }

  // items: a vector or span of records.
  template <typename Items, typename F>
  void array(const Items& items, F&& write) {
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
    array(value.selector,
          [this](const Selector& s) { jrl::visit(s, SelectorWriter{this}); });
    close('}');
  }

  // The visitor of a selector: one pointer, which the out-of-line half of
  // `visit` takes in a register.
  struct SelectorWriter {
    Writer* writer;
    template <typename... Args>
    void operator()(const SelectorFunction& function,
                    const Args&... args) const {
      writer->call(function, args...);
    }
    void operator()(const JRLQuery& nested) const {
      writer->tagged("Query", [&] { writer->query(nested); });
    }
  };

  // A function call: `{"Tag": "x"}` for one argument, `{"Range": {"from":
  // ..., "to": ...}}` for more. Kept out of line: inlined into `query`, its
  // locals would sit in every level of a deep file's stack.
  template <typename First, typename... Rest>
  [[gnu::noinline]] void call(const SelectorFunction& function,
                              const First& first, const Rest&... rest) {
    tagged(function.alternative, [&] {
      if constexpr (sizeof...(Rest) == 0) {
        argument(first);
      } else {
        open('{');
        key<true>(function.argument_slots[0].field);
        argument(first);
        std::size_t i = 1;
        ((key<false>(function.argument_slots[i++].field), argument(rest)),
         ...);
        close('}');
      }
    });
  }

  void argument(const Class& value) { course(value); }
  void argument(std::string_view value) { string(value); }

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

  Out out_;
  std::size_t depth_ = 0;  // nesting depth; used by the pretty form only
};

// Counts the text's bytes, then writes it into a buffer of that size.
template <bool Pretty>
std::string write(const JRLQueryFile& file) {
  Writer<Pretty, Tally> tally{Tally()};
  tally.file(file);
  Writer<Pretty, OutputBuffer> writer{
      OutputBuffer(std::move(tally).take().size() + RESERVE_SLACK)};
  writer.file(file);
  return std::move(writer).take().take();
}

// Writes the text through one chunk-sized buffer into `sink`.
template <bool Pretty>
void stream(const JRLQueryFile& file, const TextSink& sink) {
  Writer<Pretty, OutputBuffer> writer{OutputBuffer(STREAM_CHUNK_SIZE, sink)};
  writer.file(file);
  std::move(writer).take().flush();
}

// Streams a file a requirement at a time.
template <bool Pretty>
class StreamedFile final : public RequirementWriter {
 public:
  explicit StreamedFile(const TextSink& sink)
      : writer_(OutputBuffer(STREAM_CHUNK_SIZE, sink)) {
    writer_.file_start(JRLQueryFile{}.version);
  }
  void requirement(const JRLRequirement& value) override {
    writer_.next_requirement(value, count_++ == 0);
  }
  void finish() override {
    writer_.file_end(count_ == 0);
    std::move(writer_).take().flush();
  }

 private:
  Writer<Pretty, OutputBuffer> writer_;
  std::size_t count_ = 0;
};

}  // namespace

std::unique_ptr<RequirementWriter> streamed_file(bool pretty,
                                                 const TextSink& sink) {
  if (pretty) return std::make_unique<StreamedFile<true>>(sink);
  return std::make_unique<StreamedFile<false>>(sink);
}

std::string write_compact(const JRLQueryFile& file) {
  return write<false>(file);
}

std::string write_pretty(const JRLQueryFile& file) { return write<true>(file); }

}  // namespace json

void stream_json(const ParseResult& result, const TextSink& sink) {
  json::stream<false>(result.parsed_jrl_file, sink);
}

void stream_json_pretty(const ParseResult& result, const TextSink& sink) {
  json::stream<true>(result.parsed_jrl_file, sink);
}

// Writing into memory cannot fail; the error side stays for the API's sake.
std::expected<std::string, Error> ParseResult::to_string() const {
  return json::write_compact(parsed_jrl_file);
}

std::expected<std::string, Error> ParseResult::to_string_pretty() const {
  return json::write_pretty(parsed_jrl_file);
}

}  // namespace jrl
