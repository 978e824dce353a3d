// Auditing every student against two versions of a programme and listing
// those whose standing changed.
#include "reach_command.hpp"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <new>
#include <optional>

#include "audit_settings.hpp"
#include "colour.hpp"
#include "commands.hpp"
#include "input_file.hpp"
#include "jrl/audit.hpp"
#include "jrl/audit_change.hpp"
#include "jrl/text.hpp"
#include "output.hpp"
#include "reach_batches.hpp"
#include "reach_text.hpp"

namespace jrl::cli {
namespace {

// What one record gives.
struct Outcome {
  std::string out;    // for standard output: the change, or the error as JSON
  std::string error;  // for standard error; empty when both audits ran
  bool changed = false;
};

struct Comparer {
  const AuditProgramme& old_programme;
  const AuditProgramme& new_programme;
  const ProgrammeDiff& diff;
  std::string_view file;  // the records' file, as errors name it
  AuditOptions options;
  bool json;
  bool colour;  // standard output's

  Outcome failed(const NumberedRecord& task, RecordError error) const {
    if (error.file.empty()) error.file = file;
    if (!error.line) error.line = task.line;
    Outcome outcome;
    outcome.error = error.message();
    if (json) {
      outcome.out = "{\"line\":" + std::to_string(task.line) + ",\"student\":" +
                    (error.student.empty() ? std::string("null") : json_string(error.student)) +
                    ",\"error\":" + json_string(outcome.error) + "}\n";
    }
    return outcome;
  }

  // The record's audit against one version; an error says which version.
  std::expected<AuditReport, RecordError> audit_against(const AuditProgramme& programme,
                                                        const StudentRecord& record) const {
    auto report = audit(programme, record, options);
    if (!report) report.error().reason += " (in " + programme.name() + ")";
    return report;
  }

  Outcome operator()(const NumberedRecord& task) const {
    try {
      if (!task.record) return failed(task, task.record.error());
      auto before = audit_against(old_programme, *task.record);
      if (!before) return failed(task, std::move(before.error()));
      auto after = audit_against(new_programme, *task.record);
      if (!after) return failed(task, std::move(after.error()));
      const StudentChange change = compare_audits(*before, *after, diff.matched);
      Outcome outcome;
      outcome.changed = !change.empty();
      if (outcome.changed) {
        outcome.out = json ? to_json(change) + "\n" : student_change_text(change, colour);
      }
      return outcome;
    } catch (const std::bad_alloc&) {
      Outcome outcome;
      outcome.error = "out of memory while auditing the record on line " + std::to_string(task.line);
      return outcome;
    }
  }
};

// Writes the outcomes as they come and counts them.
class Tally {
 public:
  explicit Tally(bool colour_err) : colour_err_(colour_err) {}

  void add(const Outcome& outcome) {
    if (!outcome.error.empty()) {
      ++failed_;
      // Standard output first, so that the error stands after what came
      // before it when both streams go to one place.
      std::fflush(stdout);
      write_out(stderr, error_label(colour_err_) + ": " + escape_line(outcome.error) + "\n");
    } else {
      ++audited_;
      if (outcome.changed) ++changed_;
    }
    write_out(stdout, outcome.out);
  }

  std::size_t audited() const { return audited_; }
  std::size_t changed() const { return changed_; }
  std::size_t failed() const { return failed_; }
  int status() const {
    return failed_ > 0 ? EXIT_USAGE : changed_ > 0 ? EXIT_FAILED : EXIT_OK;
  }

 private:
  bool colour_err_;
  std::size_t audited_ = 0, changed_ = 0, failed_ = 0;
};

std::string summary_json(const ProgrammeDiff& diff, const Tally& tally) {
  return "{\"old\":" + json_string(diff.old_name) + ",\"new\":" + json_string(diff.new_name) +
         ",\"catalogue\":" + json_string(diff.catalogue) +
         ",\"audited\":" + std::to_string(tally.audited()) +
         ",\"changed\":" + std::to_string(tally.changed()) +
         ",\"failed\":" + std::to_string(tally.failed()) + "}\n";
}

}  // namespace

int run_reach(const Options& options, const Catalogue& catalogue,
              const ProgrammeSource& old_version, const ProgrammeSource& new_version,
              const ProgrammeDiff& diff) {
  const bool colour_err = colour_enabled(options.colour, STDERR_FILENO);
  const auto fail = [&](const std::string& message) {
    write_out(stderr, error_label(colour_err) + ": " + escape_controls(message) + "\n");
    return EXIT_USAGE;
  };
  // Both versions parsed for the diff already, so these only match their
  // selectors against the catalogue.
  const auto old_programme =
      AuditProgramme::prepare(without_bom(old_version.text), old_version.name, catalogue);
  if (!old_programme) return fail(old_version.name + " does not parse:\n" + old_programme.error());
  const auto new_programme =
      AuditProgramme::prepare(without_bom(new_version.text), new_version.name, catalogue);
  if (!new_programme) return fail(new_version.name + " does not parse:\n" + new_programme.error());

  const bool colour_out = !options.diff_json && colour_enabled(options.colour, STDOUT_FILENO);
  Tally tally(colour_err);
  const auto compare_all = [&](std::istream& in, std::string_view file) {
    const Comparer comparer{*old_programme, *new_programme, diff, file,
                            audit_settings(options), options.diff_json, colour_out};
    map_records_in_order<Outcome>(in, file, options.jobs, comparer,
                                  [&](Outcome& outcome) { tally.add(outcome); });
    write_out(stdout, options.diff_json
                          ? summary_json(diff, tally)
                          : reach_summary_text(tally.audited(), tally.changed(), tally.failed()));
    return tally.status();
  };

  const std::string& path = options.records;
  if (path == "-") return compare_all(std::cin, display_name(path));
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    return fail("cannot read " + path + ": it is a directory");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return fail("cannot read " + path + ": " + std::strerror(errno));
  return compare_all(in, path);
}

}  // namespace jrl::cli
