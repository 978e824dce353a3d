// `--format=sarif`: one SARIF 2.1.0 log of the whole run, for code-scanning
// services. Columns count code points, as the reports do.
#include <string>

#include "jrl/model.hpp"
#include "jrl/text.hpp"
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

// A region of the file, as the reports count lines and columns.
std::string region(const SourceSpan& place, const ByteSpan& bytes) {
  return "{\"startLine\":" + number(place.start.line) +
         ",\"startColumn\":" + number(place.start.column) +
         ",\"endLine\":" + number(place.end.line) +
         ",\"endColumn\":" + number(place.end.column) +
         ",\"byteOffset\":" + number(bytes.start) +
         ",\"byteLength\":" + number(bytes.end - bytes.start) + "}";
}

// A physical location in the file `name`, over `region` when there is one.
std::string location(std::string_view name, std::string_view region = {}) {
  std::string out = "{\"artifactLocation\":" + artifact(name);
  if (!region.empty()) out += ",\"region\":" + std::string(region);
  return out + "}";
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
  std::string piece(std::string_view name, const Diagnostic& d,
                    bool placed) const override {
    std::string r = "{\"ruleId\":" + json_string(d.code) +
                    ",\"ruleIndex\":" + number(rule_index(d.code)) +
                    ",\"level\":" + json_string(severity_name(d.severity)) +
                    ",\"message\":" + text_object(d.message);
    r += ",\"locations\":[{\"physicalLocation\":" +
         location(name, placed ? region({d.start, d.end},
                                        {d.offset, d.end_offset})
                               : "") +
         "}]";
    if (!d.notes.empty()) {
      r += ",\"relatedLocations\":[";
      for (std::size_t i = 0; i < d.notes.size(); ++i) {
        const Note& n = d.notes[i];
        if (i > 0) r += ',';
        r += "{\"id\":" + number(i) + ",\"message\":" +
             text_object(n.message) + ",\"physicalLocation\":" +
             location(name, region({n.line_col, n.line_col},
                                   {n.offset, n.offset})) +
             "}";
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
               region({e.start, e.end}, {e.offset, e.end_offset}) +
               ",\"insertedContent\":" + text_object(e.replacement) + "}";
        }
        r += "]}]}";
      }
      r += "]";
    }
    return r + "}";
  }

  void write(FileReport report) override {
    for (std::string& result : report.pieces) {
      results_.push_back(std::move(result));
    }
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
  std::vector<std::string> results_;
};

}  // namespace

std::unique_ptr<Reporter> sarif_reporter() {
  return std::make_unique<SarifReporter>();
}

}  // namespace jrl::cli
