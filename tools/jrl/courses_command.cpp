// `jrl courses FILE --catalogue CAT`: for each top-level statement of the
// file, in file order, the catalogue's courses that any selector inside it
// selects. A statement that does not build is listed with its first error,
// so that one mistake does not hide what the rest of the file selects.
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "colour.hpp"
#include "commands.hpp"
#include "input_file.hpp"
#include "jrl/analysis.hpp"
#include "jrl/catalogue.hpp"
#include "jrl/text.hpp"
#include "output.hpp"
#include "usage.hpp"

namespace jrl::cli {
namespace {

using Courses = std::vector<const CatalogueCourse*>;

// One statement as listed: its courses, or the error that kept it from
// building.
struct Listed {
  std::size_t index = 0;
  std::size_t line = 0;
  std::optional<std::string_view> description;
  std::optional<Courses> courses;
  std::string error;
};

// Credits as the catalogue gives them, shortest form: "4", "3.5".
std::string credits_text(double credits) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, credits);
  return {buffer, result.ptr};
}

// The first error reported inside `chunk`; a statement that did not build
// has one, but a generic message stands in should it not.
std::string first_error(const Analysis& analysis, ByteSpan chunk) {
  for (const Diagnostic& d : analysis.diagnostics) {
    if (d.severity == Severity::error && d.offset >= chunk.start &&
        d.offset < chunk.end) {
      return d.message;
    }
  }
  return "the statement does not build";
}

std::string json_line(const Listed& s) {
  std::string out = "{\"index\":" + std::to_string(s.index) +
                    ",\"line\":" + std::to_string(s.line) +
                    ",\"description\":" +
                    (s.description ? json_string(*s.description) : "null") +
                    ",\"courses\":";
  if (!s.courses) {
    out += "null,\"error\":" + json_string(s.error) + "}\n";
    return out;
  }
  out += '[';
  for (const CatalogueCourse* c : *s.courses) {
    if (out.back() != '[') out += ',';
    out += "{\"code\":" + json_string(c->code) +
           ",\"department\":" + json_string(c->department) +
           ",\"number\":" + std::to_string(c->number) +
           ",\"lab\":" + (c->lab ? "true" : "false") +
           ",\"title\":" + json_string(c->title) +
           ",\"credits\":" + credits_text(c->credits) + '}';
  }
  out += "]}\n";
  return out;
}

// A heading, then the courses one a line with codes and titles in columns.
std::string text_block(const Listed& s) {
  std::string out = "line " + std::to_string(s.line) + ": ";
  if (!s.courses) {
    return out + "error: " + escape_controls(s.error) + "\n";
  }
  out += escape_controls(json_string(*s.description)) + " (" +
         counted(s.courses->size(), "course") + ")\n";
  std::size_t code_width = 0;
  std::size_t title_width = 0;
  for (const CatalogueCourse* c : *s.courses) {
    code_width = std::max(code_width, c->code.size());
    title_width = std::max(title_width, c->title.size());
  }
  for (const CatalogueCourse* c : *s.courses) {
    std::string code = c->code;
    std::string title = escape_controls(c->title);
    code.resize(code_width, ' ');
    title.resize(std::max(title.size(), title_width), ' ');
    out += "  " + code + "  " + title + "  (" +
           (c->credits == 1 ? std::string("1 credit")
                            : credits_text(c->credits) + " credits") +
           ")\n";
  }
  return out;
}

}  // namespace

int run_courses(const Options& options) {
  if (options.catalogue.empty()) {
    write_out(stderr, usage_error_text({"'jrl courses' needs --catalogue CAT",
                                        Page::main}));
    return EXIT_USAGE;
  }
  const bool colour = colour_enabled(options.colour, STDERR_FILENO);
  auto catalogue = Catalogue::load(options.catalogue);
  if (!catalogue) {
    write_out(stderr, error_label(colour) + ": " +
                          escape_controls(catalogue.error().message()) + "\n");
    return EXIT_USAGE;
  }
  auto content = read_input(options.files.front());
  if (!content) {
    write_out(stderr, error_label(colour) + ": " +
                          escape_controls(content.error()) + "\n");
    return EXIT_USAGE;
  }

  const Analysis analysis = analyse(*content);
  const auto& requirements = analysis.parsed.parsed_jrl_file.requirements;
  bool failed = std::ranges::any_of(analysis.diagnostics, [](const auto& d) {
    return d.severity == Severity::error;
  });
  std::string out;
  for (std::size_t i = 0; i < analysis.statements.size(); ++i) {
    const AnalysedStatement& statement = analysis.statements[i];
    Listed listed;
    listed.index = i;
    listed.line = statement.place.start.line;
    if (statement.requirement) {
      const JRLRequirement& requirement = requirements[*statement.requirement];
      listed.description = requirement.description;
      listed.courses = catalogue->courses_for(requirement);
    } else {
      listed.error = first_error(analysis, statement.chunk);
      failed = true;
    }
    if (options.courses_json) {
      out += json_line(listed);
    } else {
      if (i > 0) out += '\n';
      out += text_block(listed);
    }
  }
  write_out(stdout, out);
  // A file with no statement to list its error under (bytes that are not
  // text, a file too large) has it told on standard error.
  if (failed && analysis.statements.empty()) {
    const Diagnostic& d = analysis.diagnostics.front();
    write_out(stderr, display_name(options.files.front()) + ":" +
                          std::to_string(d.start.line) + ":" +
                          std::to_string(d.start.column) + ": " +
                          error_label(colour) + ": " +
                          escape_controls(d.message) + "\n");
  }
  return failed ? EXIT_FAILED : EXIT_OK;
}

}  // namespace jrl::cli
