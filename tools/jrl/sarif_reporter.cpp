// `--format=sarif`: one SARIF 2.1.0 log of the whole run, for code-scanning
// services. Columns count code points, as the reports do.
#include <string>

#include "diagnostics_json.hpp"
#include "jrl/model.hpp"
#include "output.hpp"
#include "reporter.hpp"

namespace jrl::cli {
namespace {

std::string number(std::size_t n) { return std::to_string(n); }

// A relative URI reference for a file name: unreserved characters and "/"
// stay, every other byte is percent-encoded.
std::string uri_of(std::string_view name) {
  constexpr char digits[] = "0123456789ABCDEF";
  std::string out;
  for (char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                       (c >= '0' && c <= '9') || c == '-' || c == '.' ||
                       c == '_' || c == '~' || c == '/';
    if (plain) {
      out += c;
    } else {
      out += '%';
      out += digits[byte >> 4];
      out += digits[byte & 0xF];
    }
  }
  return out;
}

std::string text_object(std::string_view text) {
  return "{\"text\":" + json_string(text) + "}";
}

std::string artifact(std::string_view name) {
  return "{\"uri\":" + json_string(uri_of(name)) + "}";
}

std::string region(const LineCol& from, const LineCol& to, std::size_t offset,
                   std::size_t end_offset) {
  return "{\"startLine\":" + number(from.line) +
         ",\"startColumn\":" + number(from.column) +
         ",\"endLine\":" + number(to.line) +
         ",\"endColumn\":" + number(to.column) +
         ",\"byteOffset\":" + number(offset) +
         ",\"byteLength\":" + number(end_offset - offset) + "}";
}

std::size_t rule_index(std::string_view code) {
  const auto codes = diagnostic_codes();
  for (std::size_t i = 0; i < codes.size(); ++i) {
    if (codes[i].code == code) return i;
  }
  return 0;
}

class SarifReporter final : public Reporter {
 public:
  FileReport render(std::string_view name, std::string_view text,
                    const std::vector<Diagnostic>& diagnostics) const override {
    FileReport out;
    if (diagnostics.empty()) return out;
    const LineIndex lines(text);
    for (const Diagnostic& d : diagnostics) {
      std::string r = result_head(d.code, severity_name(d.severity), d.message);
      r += ",\"locations\":[{\"physicalLocation\":{\"artifactLocation\":" +
           artifact(name) + ",\"region\":" +
           region(d.start, d.end, d.offset, d.end_offset) + "}}]";
      if (!d.notes.empty()) {
        r += ",\"relatedLocations\":[";
        for (std::size_t i = 0; i < d.notes.size(); ++i) {
          const Note& n = d.notes[i];
          if (i > 0) r += ',';
          r += "{\"id\":" + number(i) + ",\"message\":" +
               text_object(n.message) +
               ",\"physicalLocation\":{\"artifactLocation\":" +
               artifact(name) + ",\"region\":" +
               region(n.line_col, n.line_col, n.offset, n.offset) + "}}";
        }
        r += "]";
      }
      if (!d.suggestions.empty()) {
        r += ",\"fixes\":[";
        for (std::size_t i = 0; i < d.suggestions.size(); ++i) {
          const Suggestion& s = d.suggestions[i];
          if (i > 0) r += ',';
          r += "{\"description\":" + text_object(s.message) +
               ",\"artifactChanges\":[{\"artifactLocation\":" +
               artifact(name) + ",\"replacements\":[";
          for (std::size_t k = 0; k < s.edits.size(); ++k) {
            const TextEdit& e = s.edits[k];
            if (k > 0) r += ',';
            r += "{\"deletedRegion\":" +
                 region(lines.at(e.offset), lines.at(e.end_offset), e.offset,
                        e.end_offset) +
                 ",\"insertedContent\":" + text_object(e.replacement) + "}";
          }
          r += "]}]}";
        }
        r += "]";
      }
      r += "}";
      out.pieces.push_back(std::move(r));
    }
    return out;
  }

  void write(FileReport report) override {
    for (std::string& result : report.pieces) {
      results_.push_back(std::move(result));
    }
  }

  void unreadable(std::string_view name, std::string_view message) override {
    const Diagnostic d = unreadable_file(std::string(message));
    results_.push_back(result_head(d.code, severity_name(d.severity), d.message) +
                       ",\"locations\":[{\"physicalLocation\":{"
                       "\"artifactLocation\":" +
                       artifact(name) + "}}]}");
  }

  void finish() override {
    std::string out =
        "{\"$schema\":\"https://json.schemastore.org/sarif-2.1.0.json\","
        "\"version\":\"2.1.0\",\"runs\":[{\"tool\":{\"driver\":{"
        "\"name\":\"jrl\",\"version\":" +
        json_string(VERSION) + ",\"rules\":[";
    const auto codes = diagnostic_codes();
    for (std::size_t i = 0; i < codes.size(); ++i) {
      if (i > 0) out += ',';
      out += "{\"id\":" + json_string(codes[i].code) +
             ",\"name\":" + json_string(codes[i].name) +
             ",\"shortDescription\":" + text_object(codes[i].title) +
             ",\"defaultConfiguration\":{\"level\":" +
             json_string(severity_name(codes[i].severity)) + "}}";
    }
    out += "]}},\"columnKind\":\"unicodeCodePoints\",\"results\":[";
    for (std::size_t i = 0; i < results_.size(); ++i) {
      if (i > 0) out += ',';
      out += results_[i];
    }
    out += "]}]}\n";
    write_out(stdout, out);
  }

 private:
  static std::string result_head(std::string_view code, std::string_view level,
                                 std::string_view message) {
    return "{\"ruleId\":" + json_string(code) +
           ",\"ruleIndex\":" + number(rule_index(code)) +
           ",\"level\":" + json_string(level) +
           ",\"message\":" + text_object(message);
  }

  std::vector<std::string> results_;
};

}  // namespace

std::unique_ptr<Reporter> sarif_reporter() {
  return std::make_unique<SarifReporter>();
}

}  // namespace jrl::cli
