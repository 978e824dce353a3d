// `jrl audit PROGRAMME --catalogue CAT (--record FILE | --records FILE)`:
// which requirements of the programme each student has met, with the best
// use of each course, and what is missing.
//
// Many records are read as they are audited: a batch at a time is read,
// audited on --jobs threads and written out in input order before the next
// batch is read, so memory stays that of one batch whatever the file's size
// and the output is the same bytes for any number of jobs.
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "audit_text.hpp"
#include "colour.hpp"
#include "commands.hpp"
#include "input_file.hpp"
#include "jrl/audit.hpp"
#include "jrl/audit_html.hpp"
#include "jrl/catalogue.hpp"
#include "jrl/record.hpp"
#include "jrl/text.hpp"
#include "output.hpp"
#include "usage.hpp"

namespace jrl::cli {
namespace {

// Records read and audited at a time, per job.
constexpr std::size_t BATCH_PER_JOB = 64;

using ReadRecord = std::expected<StudentRecord, RecordError>;

// One student's record as read, with its line in a JSON Lines file (none
// for a file of one record).
struct Task {
  std::optional<std::size_t> line;
  ReadRecord record;
};

// What one student gives: the report for standard output, or the error for
// standard error (and, as JSON, for standard output too).
struct Outcome {
  std::string out;
  std::string error;  // empty when the record was audited
  bool satisfied = false;
};

struct Auditor {
  const AuditProgramme& programme;
  AuditOptions options;
  AuditFormat format;
  bool colour;  // standard output's
  std::string records_name;  // the records' file, as errors name it

  Outcome failed(const Task& task, const RecordError& error) const {
    Outcome outcome;
    outcome.error = error.message();
    if (format == AuditFormat::json && task.line) {
      outcome.out = "{\"line\":" + std::to_string(*task.line) +
                    ",\"student\":" +
                    (error.student.empty() ? std::string("null")
                                           : json_string(error.student)) +
                    ",\"error\":" + json_string(outcome.error) + "}\n";
    }
    return outcome;
  }

  std::string render(const AuditReport& report) const {
    switch (format) {
      case AuditFormat::json: return to_json(report) + "\n";
      case AuditFormat::html: {
        AuditPageOptions page;
        page.catalogue = &programme.catalogue();
        return audit_html(report, page);
      }
      case AuditFormat::text: break;
    }
    return audit_text(report, colour);
  }

  Outcome operator()(const Task& task) const {
    try {
      if (!task.record) return failed(task, task.record.error());
      auto report = audit(programme, *task.record, options);
      if (!report) {
        RecordError error = std::move(report.error());
        if (task.line && !error.line) error.line = task.line;
        if (error.file.empty()) error.file = records_name;
        return failed(task, error);
      }
      Outcome outcome;
      outcome.satisfied = report->satisfied;
      outcome.out = render(*report);
      return outcome;
    } catch (const std::bad_alloc&) {
      return {"", "out of memory while auditing this record", false};
    }
  }
};

// Audits `tasks` on up to `jobs` threads, each outcome in its task's place.
std::vector<Outcome> audit_all(const std::vector<Task>& tasks, unsigned jobs,
                               const Auditor& auditor) {
  std::vector<Outcome> outcomes(tasks.size());
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t i; (i = next.fetch_add(1)) < tasks.size();) {
      outcomes[i] = auditor(tasks[i]);
    }
  };
  {
    std::vector<std::jthread> helpers;
    const std::size_t wanted = std::min<std::size_t>(jobs, tasks.size());
    try {
      for (std::size_t i = 1; i < wanted; ++i) helpers.emplace_back(work);
    } catch (const std::exception&) {
      // A thread the system refuses leaves its share to the others.
    }
    work();
  }
  return outcomes;
}

// Writes the outcomes in order and keeps the exit status: 2 once a record
// was bad, else 1 once a student was not satisfied.
class Writer {
 public:
  Writer(bool colour_err, bool separate)
      : colour_err_(colour_err), separate_(separate) {}

  void write(const std::vector<Outcome>& outcomes) {
    for (const Outcome& outcome : outcomes) {
      if (!outcome.error.empty()) {
        status_ = EXIT_USAGE;
        // Flushed first, so that the error stands after the reports before
        // it when both streams go to one place.
        std::fflush(stdout);
        write_out(stderr, error_label(colour_err_) + ": " +
                              escape_line(outcome.error) + "\n");
      } else if (!outcome.satisfied && status_ == EXIT_OK) {
        status_ = EXIT_FAILED;
      }
      if (outcome.out.empty()) continue;
      if (separate_ && written_) write_out(stdout, "\n");
      write_out(stdout, outcome.out);
      written_ = true;
    }
  }

  int status() const { return status_; }

 private:
  bool colour_err_;
  bool separate_;  // a blank line between reports
  bool written_ = false;
  int status_ = EXIT_OK;
};

int usage_failure(std::string message) {
  write_out(stderr, usage_error_text({std::move(message), Page::main}));
  return EXIT_USAGE;
}

// The programme's name in reports: its file name.
std::string programme_name(std::string_view path) {
  if (path == "-") return display_name(path);
  return std::filesystem::path(path).filename().string();
}

int audit_stream(std::istream& in, std::string_view file, unsigned jobs,
                 const Auditor& auditor, Writer& writer) {
  const std::size_t batch_size = BATCH_PER_JOB * std::max(jobs, 1u);
  std::vector<Task> batch;
  const auto flush = [&] {
    writer.write(audit_all(batch, jobs, auditor));
    batch.clear();
  };
  read_records(in, file, [&](std::size_t line, ReadRecord record) {
    batch.push_back({line, std::move(record)});
    if (batch.size() == batch_size) flush();
  });
  flush();
  return writer.status();
}

}  // namespace

int run_audit(const Options& options) {
  if (!options.programmes.empty() || options.files.size() > 1) return run_closest(options);
  if (options.catalogue.empty()) {
    return usage_failure("'jrl audit' needs --catalogue CAT");
  }
  if (options.record.empty() == options.records.empty()) {
    return usage_failure(
        "'jrl audit' needs one of --record FILE and --records FILE");
  }
  if (options.audit_format == AuditFormat::html && options.record.empty()) {
    return usage_failure(
        "'jrl audit --format=html' writes one student's page; for --records "
        "it needs a folder to write the pages to");
  }
  const std::string& programme_path = options.files.front();
  const std::string& records_path =
      options.record.empty() ? options.records : options.record;
  if (programme_path == "-" && records_path == "-") {
    return usage_failure(
        "'jrl audit' can read only one of the programme and the records "
        "from standard input");
  }

  const bool colour_err = colour_enabled(options.colour, STDERR_FILENO);
  const auto fail = [&](const std::string& message) {
    write_out(stderr,
              error_label(colour_err) + ": " + escape_controls(message) + "\n");
    return EXIT_USAGE;
  };
  const auto catalogue = Catalogue::load(options.catalogue);
  if (!catalogue) return fail(catalogue.error().message());
  const auto text = read_input(programme_path);
  if (!text) return fail(text.error());
  const auto programme = AuditProgramme::prepare(
      without_bom(*text), programme_name(programme_path), *catalogue);
  if (!programme) {
    // The parse report under it names the line and column.
    return fail(display_name(programme_path) + " does not parse:\n" +
                programme.error());
  }

  AuditOptions audit_options;
  audit_options.completed = options.include_completed;
  audit_options.in_progress = options.include_in_progress;
  audit_options.planned = options.include_planned;
  if (options.time_limit_ms > 0) {
    audit_options.time_limit = std::chrono::milliseconds(
        static_cast<std::chrono::milliseconds::rep>(options.time_limit_ms));
  }
  const AuditFormat format = options.audit_format;
  const Auditor auditor{*programme, audit_options, format,
                        format == AuditFormat::text &&
                            colour_enabled(options.colour, STDOUT_FILENO),
                        display_name(records_path)};
  Writer writer(colour_err, format == AuditFormat::text);

  if (!options.record.empty()) {
    ReadRecord record = [&]() -> ReadRecord {
      if (records_path != "-") return load_record(records_path);
      const auto content = read_input(records_path);
      if (!content) return std::unexpected(RecordError{display_name("-"), {}, "", "", content.error()});
      return parse_record(without_bom(*content), display_name("-"));
    }();
    writer.write({auditor(Task{std::nullopt, std::move(record)})});
    return writer.status();
  }

  if (records_path == "-") {
    return audit_stream(std::cin, display_name("-"), options.jobs, auditor,
                        writer);
  }
  std::error_code error;
  if (std::filesystem::is_directory(records_path, error)) {
    return fail("cannot read " + records_path + ": it is a directory");
  }
  std::ifstream in(records_path, std::ios::binary);
  if (!in) {
    return fail("cannot read " + records_path + ": " + std::strerror(errno));
  }
  return audit_stream(in, records_path, options.jobs, auditor, writer);
}

}  // namespace jrl::cli
