// `jrl audit --programmes PATH ... --catalogue CAT (--record FILE | --records
// FILE)`, or `jrl audit A.jrl B.jrl ...`: each student's standing in every
// programme, closest first, as text, JSON or one HTML page.
//
// Exit status: 0 when every student audited has met at least one of the
// programmes, 1 when any has met none, 2 on a usage error, a file that
// cannot be read, a catalogue or programme that does not load, or a bad
// record.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "audit_settings.hpp"
#include "closest_text.hpp"
#include "colour.hpp"
#include "commands.hpp"
#include "input_file.hpp"
#include "jrl/audit_html.hpp"
#include "jrl/closest.hpp"
#include "jrl/record.hpp"
#include "jrl/text.hpp"
#include "output.hpp"
#include "usage.hpp"

namespace jrl::cli {
namespace {

namespace fs = std::filesystem;

using ReadRecord = std::expected<StudentRecord, RecordError>;

int usage_failure(std::string message) {
  write_out(stderr, usage_error_text({std::move(message), Page::main}));
  return EXIT_USAGE;
}

// The programme files named: a folder stands for its *.jrl files, in order
// of name; the rest as given.
std::expected<std::vector<std::string>, std::string> programme_paths(const Options& options) {
  std::vector<std::string> paths;
  for (const std::string& given : options.programmes) {
    std::error_code error;
    if (!fs::is_directory(given, error)) {
      paths.push_back(given);
      continue;
    }
    std::vector<std::string> found;
    for (fs::directory_iterator it(given, error), end; !error && it != end; it.increment(error)) {
      if (it->path().extension() == ".jrl" && !it->is_directory(error)) {
        found.push_back(it->path().string());
      }
    }
    if (error) return std::unexpected("cannot read " + given + ": " + error.message());
    if (found.empty()) return std::unexpected("no programme (*.jrl) in " + given);
    std::ranges::sort(found);
    paths.insert(paths.end(), found.begin(), found.end());
  }
  paths.insert(paths.end(), options.files.begin(), options.files.end());
  return paths;
}

std::string programme_name(std::string_view path) {
  if (path == "-") return display_name(path);
  return fs::path(path).filename().string();
}

struct Ranker {
  std::vector<AuditProgramme> programmes;
  const Catalogue& catalogue;
  AuditOptions options;
  AuditFormat format;
  bool colour_out, colour_err;
  std::string file;  // the records' file, for messages
  int status = EXIT_OK;
  bool written = false;

  void error(const RecordError& e, std::optional<std::size_t> line) {
    status = EXIT_USAGE;
    if (format == AuditFormat::json && line) {
      write_out(stdout, "{\"line\":" + std::to_string(*line) + ",\"student\":" +
                            (e.student.empty() ? std::string("null") : json_string(e.student)) +
                            ",\"error\":" + json_string(e.message()) + "}\n");
    }
    std::fflush(stdout);
    write_out(stderr, error_label(colour_err) + ": " + escape_line(e.message()) + "\n");
  }

  void operator()(std::optional<std::size_t> line, const ReadRecord& record) {
    if (!record) return error(record.error(), line);
    auto standings = rank_programmes(programmes, *record, options);
    if (!standings) {
      RecordError e = std::move(standings.error());
      if (e.file.empty()) e.file = file;
      if (line && !e.line) e.line = line;
      return error(e, line);
    }
    const bool any = std::ranges::any_of(*standings, [](const auto& s) { return s.report.satisfied; });
    if (!any && status == EXIT_OK) status = EXIT_FAILED;
    std::string out;
    switch (format) {
      case AuditFormat::json: out = to_json(*standings) + "\n"; break;
      case AuditFormat::html: {
        AuditPageOptions page;
        page.catalogue = &catalogue;
        out = closest_html(record->student, *standings, page);
        break;
      }
      case AuditFormat::text:
        if (written) out = "\n";
        out += closest_text(*standings, colour_out);
        break;
    }
    write_out(stdout, out);
    written = true;
  }
};

}  // namespace

int run_closest(const Options& options) {
  if (options.catalogue.empty()) {
    return usage_failure("'jrl audit' needs --catalogue CAT");
  }
  if (options.record.empty() == options.records.empty()) {
    return usage_failure("'jrl audit' needs one of --record FILE and --records FILE");
  }
  if (options.audit_format == AuditFormat::html && options.record.empty()) {
    return usage_failure(
        "'jrl audit --format=html' with several programmes writes one student's "
        "page; it needs --record FILE");
  }
  const bool colour_err = colour_enabled(options.colour, STDERR_FILENO);
  const auto fail = [&](const std::string& message) {
    write_out(stderr, error_label(colour_err) + ": " + escape_controls(message) + "\n");
    return EXIT_USAGE;
  };
  const auto paths = programme_paths(options);
  if (!paths) return fail(paths.error());
  const std::string& records_path = options.record.empty() ? options.records : options.record;
  if (records_path == "-" && std::ranges::count(*paths, "-") > 0) {
    return usage_failure(
        "'jrl audit' can read only one of the programmes and the records from "
        "standard input");
  }
  if (std::ranges::count(*paths, "-") > 1) {
    return usage_failure("'jrl audit' can read only one programme from standard input");
  }

  const auto catalogue = Catalogue::load(options.catalogue);
  if (!catalogue) return fail(catalogue.error().message());
  Ranker ranker{{}, *catalogue, audit_settings(options), options.audit_format,
                options.audit_format == AuditFormat::text &&
                    colour_enabled(options.colour, STDOUT_FILENO),
                colour_err, display_name(records_path)};
  for (const std::string& path : *paths) {
    const auto text = read_input(path);
    if (!text) return fail(text.error());
    auto programme = AuditProgramme::prepare(without_bom(*text), programme_name(path), *catalogue);
    if (!programme) {
      // The parse report under it names the line and column.
      return fail(display_name(path) + " does not parse:\n" + programme.error());
    }
    ranker.programmes.push_back(std::move(*programme));
  }

  if (!options.record.empty()) {
    ReadRecord record = [&]() -> ReadRecord {
      if (records_path != "-") return load_record(records_path);
      const auto content = read_input(records_path);
      if (!content) {
        return std::unexpected(RecordError{display_name("-"), {}, "", "", content.error()});
      }
      return parse_record(without_bom(*content), display_name("-"));
    }();
    ranker(std::nullopt, record);
    return ranker.status;
  }
  const auto each = [&](std::size_t line, ReadRecord record) { ranker(line, record); };
  if (records_path == "-") {
    read_records(std::cin, display_name("-"), each);
    return ranker.status;
  }
  std::error_code error;
  if (fs::is_directory(records_path, error)) {
    return fail("cannot read " + records_path + ": it is a directory");
  }
  std::ifstream in(records_path, std::ios::binary);
  if (!in) return fail("cannot read " + records_path + ": " + std::strerror(errno));
  read_records(in, records_path, each);
  return ranker.status;
}

}  // namespace jrl::cli
