// The single-line debug text of the query model.

#include <cstddef>
#include <cstdint>
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
  out += "Class { department_id: ";
  append_escaped_text(out, value.department_id);
  out += ", course_number: ";
  number_text::append(out, value.course_number);
  out += ", lab: ";
  append_bool(out, value.lab);
  out += " }";
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
  out += "Many { from: ";
  number_text::append(out, many.from);
  out += ", to: ";
  number_text::append(out, many.to);
  out += " }";
}

namespace {

void append_argument(OutputBuffer& out, const Class& course) {
  append_debug_text(out, course);
}
void append_argument(OutputBuffer& out, std::string_view text) {
  append_escaped_text(out, text);
}

// `Tag("x")` for one argument, `Range { from: ..., to: ... }` for more.
// Inlined into the out-of-line half of `visit`, where the row's names are
// constants.
template <typename... Args>
[[gnu::always_inline]] inline void append_call(OutputBuffer& out, const SelectorFunction& function,
                 const Args&... args) {
  out += function.alternative;
  if constexpr (sizeof...(Args) == 1) {
    out += '(';
    (append_argument(out, args), ...);
    out += ')';
  } else {
    out += " { ";
    std::size_t i = 0;
    (
        [&] {
          if (i != 0) out += ", ";
          out += function.argument_slots[i++].field;
          out += ": ";
          append_argument(out, args);
        }(),
        ...);
    out += " }";
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
  out += "JRLQuery { quantity: ";
  append_debug_text(out, value.quantity);
  out += ", type: ";
  append_debug_text(out, value.type);
  out += ", selector: ";
  append_sequence(out, value.selector);
  out += " }";
}

void append_debug_text(OutputBuffer& out, const JRLRequirement& value) {
  out += "JRLRequirement { query: ";
  append_debug_text(out, value.query);
  out += ", description: ";
  append_escaped_text(out, value.description);
  out += ", priority: ";
  number_text::append(out, value.priority);
  out += " }";
}

void append_debug_text(OutputBuffer& out, const JRLQueryFile& value) {
  out += "JRLQueryFile { version: ";
  append_escaped_text(out, value.version);
  out += ", requirements: ";
  append_sequence(out, value.requirements);
  out += " }";
}

void append_debug_text(OutputBuffer& out, const ParseResult& value) {
  out += "ParseResult { parsed_jrl_file: ";
  append_debug_text(out, value.parsed_jrl_file);
  out += " }";
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
