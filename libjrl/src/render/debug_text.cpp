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

// `Name(` payload `)` for a variant with one unnamed text.
void append_text_variant(OutputBuffer& out, std::string_view name,
                         std::string_view text) {
  out += name;
  out += '(';
  append_escaped_text(out, text);
  out += ')';
}

// The `from` and `to` fields that open the three range variants.
void append_range_fields(OutputBuffer& out, const Class& from,
                         const Class& to) {
  out += "from: ";
  append_debug_text(out, from);
  out += ", to: ";
  append_debug_text(out, to);
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

void append_debug_text(OutputBuffer& out, const Selector& value) {
  std::visit(
      [&out](const auto& s) {
        using S = std::decay_t<decltype(s)>;
        if constexpr (std::is_same_v<S, selector::Class>) {
          out += "Class(";
          append_debug_text(out, s.value);
          out += ')';
        } else if constexpr (std::is_same_v<S, selector::Placement>) {
          append_text_variant(out, "Placement", s.value);
        } else if constexpr (std::is_same_v<S, selector::Tag>) {
          append_text_variant(out, "Tag", s.value);
        } else if constexpr (std::is_same_v<S, selector::TagCode>) {
          out += "TagCode { tag: ";
          append_escaped_text(out, s.tag);
          out += ", code: ";
          append_escaped_text(out, s.code);
          out += " }";
        } else if constexpr (std::is_same_v<S, selector::Dist>) {
          append_text_variant(out, "Dist", s.value);
        } else if constexpr (std::is_same_v<S, selector::DistCode>) {
          out += "DistCode { dist: ";
          append_escaped_text(out, s.dist);
          out += ", code: ";
          append_escaped_text(out, s.code);
          out += " }";
        } else if constexpr (std::is_same_v<S, selector::Range>) {
          out += "Range { ";
          append_range_fields(out, s.from, s.to);
          out += " }";
        } else if constexpr (std::is_same_v<S, selector::RangeDist>) {
          out += "RangeDist { ";
          append_range_fields(out, s.from, s.to);
          out += ", dist: ";
          append_escaped_text(out, s.dist);
          out += " }";
        } else if constexpr (std::is_same_v<S, selector::RangeTag>) {
          out += "RangeTag { ";
          append_range_fields(out, s.from, s.to);
          out += ", tag: ";
          append_escaped_text(out, s.tag);
          out += " }";
        } else {
          static_assert(std::is_same_v<S, selector::Query>);
          out += "Query(";
          append_debug_text(out, s.value);
          out += ')';
        }
      },
      value.value);
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
