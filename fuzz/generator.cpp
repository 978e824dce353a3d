#include "generator.hpp"

#include <array>
#include <string_view>

namespace jrl::fuzz {

std::size_t Choices::below(std::size_t n) {
  std::size_t v = byte();
  if (n > 0xFF) v = (v << 8) | byte();
  if (n > 0xFFFF) v = (v << 8) | byte();
  return v % n;
}

namespace {

constexpr std::size_t MAX_NESTING = 256;

struct Piece {
  std::string text;
  std::string json;
};

std::string decimal(std::uint64_t v) { return std::to_string(v); }

std::string json_string(std::string_view s) {
  static constexpr char HEX[] = "0123456789abcdef";
  std::string out = "\"";
  for (const char c : s) {
    const auto b = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        if (b < 0x20) {
          out += "\\u00";
          out += HEX[b >> 4];
          out += HEX[b & 0xF];
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

class Generator {
 public:
  explicit Generator(Choices& c) : c_(c) {}

  GeneratedFile file() {
    GeneratedFile out;
    out.text = gap();
    std::string requirements;
    const std::size_t count = c_.below(5);
    // Now and then one statement nested to around the limit.
    const bool deep = c_.chance(3);
    for (std::size_t i = 0; i < count; ++i) {
      depth_budget_ = deep && i == 0 ? MAX_NESTING - 3 + c_.below(6) : 4;
      Piece r = requirement();
      out.text += r.text + gap() + ";" + gap();
      if (i > 0) requirements += ',';
      requirements += r.json;
    }
    if (c_.chance(10)) out.text += "// last line without a line feed";
    out.depth = deepest_;
    if (deepest_ <= MAX_NESTING) {
      out.json =
          "{\"version\":\"0.1.6\",\"requirements\":[" + requirements + "]}";
    }
    return out;
  }

 private:
  // Whitespace and comments, where the grammar skips them.
  std::string gap() {
    switch (c_.below(12)) {
      case 0:
      case 1:
      case 2:
        return " ";
      case 3:
        return "";
      case 4:
        return "\n";
      case 5:
        return "\t";
      case 6:
        return "\r\n";
      case 7:
        return "  \n  ";
      case 8:
        return " // note: \"quoted\" é\n";
      case 9:
        return "//\r\n";
      case 10:
        return "\n// FROM SELECT ;\n\t";
      default:
        return "   ";
    }
  }

  // A number of at most `max` written with up to two leading zeros.
  Piece number(std::uint32_t min, std::uint32_t max) {
    std::uint32_t v;
    switch (c_.below(4)) {
      case 0:
        v = min;
        break;
      case 1:
        v = max;
        break;
      default:
        v = min + static_cast<std::uint32_t>(c_.below(max - min + 1));
    }
    std::string zeros(c_.below(3), '0');
    return {zeros + decimal(v), decimal(v)};
  }

  std::uint32_t small_or_any(std::uint32_t min) {
    return c_.chance(80) ? min + static_cast<std::uint32_t>(c_.below(5))
                         : 65535;
  }

  // Text inside a string literal, with the JSON of its unquoted value.
  Piece string_literal() {
    static constexpr std::array<std::string_view, 16> UNITS = {
        "a",
        "Z",
        " ",
        "WX",
        "\"",
        "\\",
        "\t",
        "\x01",
        "\x1f",
        "\x7f",
        "\xc3\xa9",
        "\xe2\x86\x92",
        "\xf0\x9f\x98\x80",
        "e\xcc\x81",
        "/",
        "'{}[]:;,"};
    std::string source = "\"";
    std::string value;
    const std::size_t n = c_.below(6);
    for (std::size_t i = 0; i < n; ++i) {
      const std::string_view unit = UNITS[c_.below(UNITS.size())];
      value += unit;
      source += unit == "\"" ? "\"\"" : std::string(unit);
    }
    return {source + "\"", json_string(value)};
  }

  Piece class_argument() {
    static constexpr std::array<std::string_view, 8> DEPARTMENTS = {
        "MATH", "ECON", "HIST", "PHYS", "A&HA", "TH&D", "CSCI", "W&GS"};
    const std::string_view dept = DEPARTMENTS[c_.below(DEPARTMENTS.size())];
    const auto number = static_cast<unsigned>(c_.below(10000));
    std::string digits = decimal(number);
    digits.insert(0, 4 - digits.size(), '0');
    const bool lab = c_.chance(30);
    std::string text = std::string(dept) + std::string(c_.below(3), ' ') +
                       digits + (lab ? "L" : "");
    std::string json = "{\"department_id\":" + json_string(dept) +
                       ",\"course_number\":" + decimal(number) +
                       ",\"lab\":" + (lab ? "true" : "false") + "}";
    return {text, json};
  }

  std::string name(std::string_view upper) {
    if (!c_.chance(30)) return std::string(upper);
    std::string lower(upper);
    for (char& ch : lower) {
      if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    }
    return lower;
  }

  // NAME ( a, b, ... ) with gaps where the grammar allows them.
  std::string call(std::string_view upper,
                   std::initializer_list<std::string_view> args) {
    std::string text = name(upper) + gap() + "(" + gap();
    bool first = true;
    for (std::string_view a : args) {
      if (!first) text += gap() + "," + gap();
      text += a;
      first = false;
    }
    return text + gap() + ")";
  }

  Piece function_call() {
    switch (c_.below(9)) {
      case 0: {
        Piece a = class_argument();
        return {call("CLASS", {a.text}), "{\"Class\":" + a.json + "}"};
      }
      case 1: {
        Piece s = string_literal();
        return {call("PLACEMENT", {s.text}), "{\"Placement\":" + s.json + "}"};
      }
      case 2: {
        Piece s = string_literal();
        return {call("TAG", {s.text}), "{\"Tag\":" + s.json + "}"};
      }
      case 3: {
        Piece t = string_literal(), d = string_literal();
        return {
            call("TAG_DEPT", {t.text, d.text}),
            "{\"TagCode\":{\"tag\":" + t.json + ",\"code\":" + d.json + "}}"};
      }
      case 4: {
        Piece s = string_literal();
        return {call("DIST", {s.text}), "{\"Dist\":" + s.json + "}"};
      }
      case 5: {
        Piece t = string_literal(), d = string_literal();
        return {
            call("DIST_DEPT", {t.text, d.text}),
            "{\"DistCode\":{\"dist\":" + t.json + ",\"code\":" + d.json + "}}"};
      }
      case 6: {
        Piece a = class_argument(), b = class_argument();
        return {call("RANGE", {a.text, b.text}),
                "{\"Range\":{\"from\":" + a.json + ",\"to\":" + b.json + "}}"};
      }
      case 7: {
        Piece a = class_argument(), b = class_argument(), s = string_literal();
        return {call("RANGE_DIST", {a.text, b.text, s.text}),
                "{\"RangeDist\":{\"from\":" + a.json + ",\"to\":" + b.json +
                    ",\"dist\":" + s.json + "}}"};
      }
      default: {
        Piece a = class_argument(), b = class_argument(), s = string_literal();
        return {call("RANGE_TAG", {a.text, b.text, s.text}),
                "{\"RangeTag\":{\"from\":" + a.json + ",\"to\":" + b.json +
                    ",\"tag\":" + s.json + "}}"};
      }
    }
  }

  Piece selector_single(std::size_t depth) {
    const bool nest =
        depth < depth_budget_ && (depth_budget_ > 4 || c_.chance(25));
    if (!nest) return function_call();
    Piece q = query(depth + 1, false);
    return {q.text, "{\"Query\":" + q.json + "}"};
  }

  Piece selector(std::size_t depth) {
    if (depth_budget_ > 4 || !c_.chance(40)) return selector_single(depth);
    std::string text = "[" + gap();
    std::string json = "[";
    const std::size_t n = 1 + c_.below(4);
    for (std::size_t i = 0; i < n; ++i) {
      Piece s = selector_single(depth);
      if (i > 0) {
        text += gap() + "," + gap();
        json += ',';
      }
      text += s.text;
      json += s.json;
    }
    return {text + gap() + "]", json + "]"};
  }

  Piece quantity(bool top_level) {
    if (c_.chance(60)) {
      Piece n = number(1, small_or_any(1));
      return {n.text, "{\"Single\":" + n.json + "}"};
    }
    const std::uint32_t low_min = top_level ? 1 : 0;
    Piece low = number(low_min, small_or_any(low_min));
    const auto from = static_cast<std::uint32_t>(std::stoul(low.json));
    const std::uint32_t max = small_or_any(from);
    Piece high = number(from, max > 65535 ? 65535 : max);
    return {low.text + "-" + high.text,
            "{\"Many\":{\"from\":" + low.json + ",\"to\":" + high.json + "}}"};
  }

  // A statement at nesting `depth` (top level 1).
  Piece query(std::size_t depth, bool top_level) {
    if (depth > deepest_) deepest_ = depth;
    const bool limit = top_level && c_.chance(25);
    Piece q = quantity(top_level);
    std::string text = std::string(limit ? "LIMIT" : "SELECT") + gap() +
                       q.text + gap() + "FROM" + gap();
    Piece s = selector(depth);
    // A selector list's JSON is already an array; a single selector is not.
    std::string selectors = s.json.front() == '[' ? s.json : "[" + s.json + "]";
    return {text + s.text, "{\"quantity\":" + q.json + ",\"type\":" +
                               (limit ? "\"Limit\"" : "\"Select\"") +
                               ",\"selector\":" + selectors + "}"};
  }

  Piece requirement() {
    Piece q = query(1, true);
    Piece d = string_literal();
    std::string text = q.text + gap() + ":" + gap() + d.text;
    std::string priority = "1";
    if (c_.chance(50)) {
      Piece p = number(0, c_.chance(70) ? 30 : 65535);
      text += gap() + ":" + gap() + p.text;
      priority = p.json;
    }
    return {text, "{\"query\":" + q.json + ",\"description\":" + d.json +
                      ",\"priority\":" + priority + "}"};
  }

  Choices& c_;
  std::size_t depth_budget_ = 4;
  std::size_t deepest_ = 0;
};

}  // namespace

GeneratedFile generate_file(Choices& choices) {
  return Generator(choices).file();
}

void mutate_text(std::string& text, Choices& choices) {
  static constexpr std::array<std::string_view, 32> FRAGMENTS = {
      "SELECT",
      "LIMIT",
      "FROM",
      "(",
      ")",
      "[",
      "]",
      ",",
      ";",
      ":",
      "\"",
      "\"\"",
      "//",
      "\n",
      "\r",
      "-",
      "0",
      "65536",
      "99999999999999999999",
      "CLASS",
      "class",
      "Class",
      "MATX",
      "MA",
      "MATHS",
      "1200L",
      "0-0",
      "SELECT 1 FROM ",
      "LIMIT 1 FROM ",
      "\xc3\xa9",
      "\xff",
      "\xe2\x86"};
  const std::size_t edits = 1 + choices.below(4);
  for (std::size_t i = 0; i < edits; ++i) {
    const std::size_t at = choices.below(text.size() + 1);
    switch (choices.below(4)) {
      case 0:
        text.erase(at, 1 + choices.below(8));
        break;
      case 1:
        text.insert(at, FRAGMENTS[choices.below(FRAGMENTS.size())]);
        break;
      case 2: {
        const std::size_t from = choices.below(text.size() + 1);
        text.insert(at, text.substr(from, 1 + choices.below(16)));
        break;
      }
      default:
        if (at < text.size()) text[at] = static_cast<char>(choices.byte());
    }
  }
}

}  // namespace jrl::fuzz
