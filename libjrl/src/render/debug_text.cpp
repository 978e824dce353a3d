// The single-line debug text of the query model.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <ranges>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "jrl/model.hpp"
#include "jrl/parse.hpp"
#include "jrl/selector_functions.hpp"
#include "jrl/selector_visit.hpp"
#include "jrl/streaming.hpp"
#include "text/number_text.hpp"
#include "render/output_buffer.hpp"
#include "render/debug_text_writer.hpp"
#include "text/unicode_properties.hpp"
#include "text/utf8.hpp"

namespace jrl {
namespace {

void append_unicode_escape(OutputBuffer& out, char32_t code_point) {
  out += "\\u{";
  number_text::append(out, static_cast<std::uint32_t>(code_point), 16);
  out += '}';
}

// The escape of an ASCII byte, or an empty view if it stands as it is.
std::string_view ascii_escape(unsigned char byte) {
  switch (byte) {
    case '"':
      return "\\\"";
    case '\\':
      return "\\\\";
    case '\t':
      return "\\t";
    case '\r':
      return "\\r";
    case '\n':
      return "\\n";
    case '\0':
      return "\\0";
    default:
      return {};
  }
}

void append_bool(OutputBuffer& out, bool value) {
  out += value ? "true" : "false";
}

// items: a vector or span of records.
template <typename Items>
void append_sequence(OutputBuffer& out, const Items& items) {
  out += '[';
  bool first = true;
  for (const auto& item : items) {
    if (!first) out += ", ";
    first = false;
    append_debug_text(out, item);
  }
  out += ']';
}

// Any value of the model as the debug text writes it.
template <typename T>
void append_value(OutputBuffer& out, const T& value) {
  if constexpr (std::is_same_v<T, bool>) {
    append_bool(out, value);
  } else if constexpr (std::is_integral_v<T>) {
    number_text::append(out, value);
  } else if constexpr (std::is_convertible_v<const T&, std::string_view>) {
    append_escaped_text(out, value);
  } else if constexpr (std::ranges::range<T>) {
    append_sequence(out, value);
  } else {
    append_debug_text(out, value);
  }
}

// `Name { a: x, b: y }`: each value after the name of its field, the i-th
// being `field(i)`.
template <typename FieldName, typename... Values>
[[gnu::always_inline]] inline void append_record(OutputBuffer& out,
                                                 std::string_view name,
                                                 FieldName field,
                                                 const Values&... values) {
  out += name;
  out += " { ";
  std::size_t i = 0;
  (
      [&] {
        if (i != 0) out += ", ";
        out += field(i++);
        out += ": ";
        append_value(out, values);
      }(),
      ...);
  out += " }";
}

// The same, with the fields' names listed in order.
template <typename... Values>
void append_record(OutputBuffer& out, std::string_view name,
                   std::initializer_list<std::string_view> fields,
                   const Values&... values) {
  append_record(
      out, name, [&](std::size_t i) { return fields.begin()[i]; }, values...);
}

template <typename T>
std::string render(const T& value) {
  OutputBuffer out(256);
  append_debug_text(out, value);
  return std::move(out).take();
}

}  // namespace

void append_escaped_text(OutputBuffer& out, std::string_view text) {
  out += '"';
  // Bytes from `run` up to `pos` stand as they are and are copied at once.
  std::size_t run = 0;
  std::size_t pos = 0;
  const auto flush = [&] { out.append(text.data() + run, pos - run); };
  while (pos < text.size()) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    if (byte < 0x80) {
      if (byte >= 0x20 && byte != 0x7F && byte != '"' && byte != '\\') {
        ++pos;
        continue;
      }
      flush();
      const std::string_view escape = ascii_escape(byte);
      if (escape.empty()) {
        append_unicode_escape(out, byte);
      } else {
        out += escape;
      }
      run = ++pos;
      continue;
    }
    const utf8::Decoded decoded = utf8::decode(text, pos);
    if (!decoded.valid) {
      flush();
      out += utf8::REPLACEMENT_TEXT;  // one U+FFFD for each stray byte
      run = ++pos;
      continue;
    }
    if (unicode::is_grapheme_extend(decoded.code_point) ||
        !unicode::is_printable(decoded.code_point)) {
      flush();
      append_unicode_escape(out, decoded.code_point);
      pos += decoded.length;
      run = pos;
      continue;
    }
    pos += decoded.length;
  }
  flush();
  out += '"';
}

void append_debug_text(OutputBuffer& out, const Class& value) {
  append_record(out, "Class", {"department_id", "course_number", "lab"},
                value.department_id, value.course_number, value.lab);
}

void append_debug_text(OutputBuffer& out, JRLQueryType value) {
  out += value == JRLQueryType::Limit ? "Limit" : "Select";
}

void append_debug_text(OutputBuffer& out, const Quantity& value) {
  if (const auto* single = std::get_if<quantity::Single>(&value)) {
    out += "Single(";
    number_text::append(out, single->count);
    out += ')';
    return;
  }
  const auto& many = std::get<quantity::Many>(value);
  append_record(out, "Many", {"from", "to"}, many.from, many.to);
}

namespace {

// `Tag("x")` for one argument, `Range { from: ..., to: ... }` for more.
// Inlined into the out-of-line half of `visit`, where the row's names are
// constants.
template <typename... Args>
[[gnu::always_inline]] inline void append_call(OutputBuffer& out,
                                               const SelectorFunction& function,
                                               const Args&... args) {
  if constexpr (sizeof...(Args) == 1) {
    out += function.alternative;
    out += '(';
    (append_value(out, args), ...);
    out += ')';
  } else {
    append_record(
        out, function.alternative,
        [&](std::size_t i) { return function.argument_slots[i].field; },
        args...);
  }
}

}  // namespace

void append_debug_text(OutputBuffer& out, const Selector& value) {
  jrl::visit(value, Overloaded{[&out](const SelectorFunction& function,
                                      const auto&... args) {
                                 append_call(out, function, args...);
                               },
                               [&out](const JRLQuery& nested) {
                                 out += "Query(";
                                 append_debug_text(out, nested);
                                 out += ')';
                               }});
}

void append_debug_text(OutputBuffer& out, const JRLQuery& value) {
  append_record(out, "JRLQuery", {"quantity", "type", "selector"},
                value.quantity, value.type, value.selector);
}

void append_debug_text(OutputBuffer& out, const JRLRequirement& value) {
  append_record(out, "JRLRequirement", {"query", "description", "priority"},
                value.query, value.description, value.priority);
}

void append_debug_text(OutputBuffer& out, const JRLQueryFile& value) {
  append_record(out, "JRLQueryFile", {"version", "requirements"},
                value.version, value.requirements);
}

void append_debug_text(OutputBuffer& out, const ParseResult& value) {
  append_record(out, "ParseResult", {"parsed_jrl_file"},
                value.parsed_jrl_file);
}

std::string debug_text(const Class& value) { return render(value); }
std::string debug_text(JRLQueryType value) { return render(value); }
std::string debug_text(const Quantity& value) { return render(value); }
std::string debug_text(const Selector& value) { return render(value); }
std::string debug_text(const JRLQuery& value) { return render(value); }
std::string debug_text(const JRLRequirement& value) { return render(value); }
std::string debug_text(const JRLQueryFile& value) { return render(value); }

std::string ParseResult::to_debug_string() const { return render(*this); }

void append_escaped_text(std::string& out, std::string_view text) {
  OutputBuffer buffer(text.size() + 2);
  append_escaped_text(buffer, text);
  out += std::move(buffer).take();
}

namespace {

// The debug text of a parse result, a requirement at a time.
class StreamedDebugText final : public RequirementWriter {
 public:
  explicit StreamedDebugText(const TextSink& sink)
      : out_(STREAM_CHUNK_SIZE, sink) {
    out_ += "ParseResult { parsed_jrl_file: JRLQueryFile { version: ";
    append_escaped_text(out_, JRLQueryFile{}.version);
    out_ += ", requirements: [";
  }
  void requirement(const JRLRequirement& value) override {
    if (count_++ != 0) out_ += ", ";
    append_debug_text(out_, value);
  }
  void finish() override {
    out_ += "] } }";
    out_.flush();
  }

 private:
  OutputBuffer out_;
  std::size_t count_ = 0;
};

}  // namespace

std::unique_ptr<RequirementWriter> streamed_debug_text(const TextSink& sink) {
  return std::make_unique<StreamedDebugText>(sink);
}

void stream_debug_string(const ParseResult& result, const TextSink& sink) {
  OutputBuffer out(STREAM_CHUNK_SIZE, sink);
  append_debug_text(out, result);
  out.flush();
}

}  // namespace jrl
