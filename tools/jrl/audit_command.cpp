// `jrl audit PROGRAMME --catalogue CAT (--record FILE | --records FILE)`:
// which requirements of the programme each student has met, with the best
// use of each course, and what is missing.
//
// Many records are read as they are audited: a batch at a time is read,
// audited on --jobs threads and written out in input order before the next
// batch is read, so memory stays that of one batch whatever the file's size
// and the output is the same bytes for any number of jobs. With --output the
// reports go to a folder, one file per student, each written as its batch
// is; nothing of a student is kept once written.
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "audit_output.hpp"
#include "audit_settings.hpp"
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
#include "progress_bar.hpp"
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

// What one student gives: the report for standard output (or the student's
// file), or the error for standard error (and, as JSON, for standard output
// too); and the student's line of an index.
struct Outcome {
  std::string out;
  std::string error;  // empty when the record was audited
  bool satisfied = false;
  AuditIndexRow row;
  // With --output: the report's temporary file, or why it could not be
  // written.
  std::filesystem::path part;
  std::string write_error;
};

struct Auditor {
  const AuditProgramme& programme;
  AuditOptions options;
  AuditFormat format;
  bool colour;  // standard output's
  std::string records_name;  // the records' file, as errors name it
  // --output: a file per student, written here, and pages link the index.
  const AuditFolder* folder;
  bool to_folder() const { return folder != nullptr; }

  Outcome failed(const Task& task, const RecordError& error) const {
    Outcome outcome;
    outcome.error = error.message();
    outcome.row.student = error.student;
    outcome.row.line = task.line.value_or(1);
    outcome.row.error = outcome.error;
    if (format == AuditFormat::json && task.line && !to_folder()) {
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
        page.title = programme.title();
        if (to_folder()) page.index_href = "index.html";
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
      if (folder) {
        // Written here, on the auditing threads; named in order later.
        auto part = folder->write_part(task.line.value_or(1), outcome.out);
        if (part) {
          outcome.part = std::move(*part);
        } else {
          outcome.write_error = std::move(part.error());
        }
        outcome.out.clear();
      }
      outcome.row.student = report->student;
      outcome.row.line = task.line.value_or(1);
      outcome.row.satisfied = report->satisfied;
      outcome.row.requirements = report->requirements.size();
      for (const RequirementReport& requirement : report->requirements) {
        if (requirement.status != RequirementStatus::incomplete) ++outcome.row.met;
        outcome.row.missing += requirement.missing;
      }
      return outcome;
    } catch (const std::bad_alloc&) {
      Outcome outcome;
      outcome.error = "out of memory while auditing this record";
      outcome.row.line = task.line.value_or(1);
      outcome.row.error = outcome.error;
      return outcome;
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

// Where the outcomes go besides standard output and standard error.
struct Destinations {
  AuditFolder* folder = nullptr;    // --output
  ProgressBar* progress = nullptr;  // a long run on a terminal
  bool summary = false;             // the counts at the end, on standard error
};

// Writes the outcomes in order and keeps the exit status: 2 once a record
// was bad or a file could not be written, else 1 once a student was not
// satisfied.
class Writer {
 public:
  Writer(bool colour_err, bool separate, Destinations to)
      : colour_err_(colour_err), separate_(separate), to_(to) {}

  // `position`: how much of the input has been read, for the progress bar.
  void write(const std::vector<Outcome>& outcomes,
             const std::function<std::uintmax_t()>& position = {}) {
    for (const Outcome& outcome : outcomes) {
      if (stopped_) {
        if (!outcome.part.empty()) ::unlink(outcome.part.c_str());
        continue;
      }
      if (!outcome.write_error.empty()) {
        keep_going(std::unexpected(outcome.write_error));
        continue;
      }
      if (!outcome.error.empty()) {
        ++totals_.failed;
        status_ = EXIT_USAGE;
        report_error(outcome.error);
        if (to_.folder) keep_going(to_.folder->write_failure(outcome.row));
      } else {
        ++totals_.audited;
        if (outcome.satisfied) {
          ++totals_.satisfied;
        } else if (status_ == EXIT_OK) {
          status_ = EXIT_FAILED;
        }
        if (to_.folder) {
          keep_going(to_.folder->write_report(outcome.row.student, outcome.row.line,
                                              outcome.part, outcome.row));
          continue;
        }
      }
      if (outcome.out.empty()) continue;
      if (separate_ && written_) write_out(stdout, "\n");
      write_out(stdout, outcome.out);
      written_ = true;
    }
    if (to_.progress && position) {
      to_.progress->update(totals_.audited + totals_.failed, position);
    }
  }

  // Ends the run: the folder's index, the progress bar erased, the summary.
  int finish() {
    if (to_.folder && !stopped_) keep_going(to_.folder->finish(totals_));
    if (to_.progress) to_.progress->clear();
    if (to_.summary) {
      std::fflush(stdout);
      write_out(stderr, counted(totals_.audited, "student") + " audited: " +
                            std::to_string(totals_.satisfied) + " satisfied, " +
                            std::to_string(totals_.audited - totals_.satisfied) +
                            " not satisfied; " + counted(totals_.failed, "record") +
                            " failed\n");
    }
    return status_;
  }

  // Whether writing stopped for good (a file that could not be written).
  bool stopped() const { return stopped_; }

 private:
  void report_error(const std::string& message) {
    if (to_.progress) to_.progress->clear();
    // Flushed first, so that the error stands after the reports before it
    // when both streams go to one place.
    std::fflush(stdout);
    write_out(stderr, error_label(colour_err_) + ": " + escape_line(message) + "\n");
  }

  void keep_going(const std::expected<void, std::string>& written) {
    if (written) return;
    report_error(written.error());
    status_ = EXIT_USAGE;
    stopped_ = true;
  }

  bool colour_err_;
  bool separate_;  // a blank line between reports
  Destinations to_;
  bool written_ = false;
  bool stopped_ = false;
  AuditIndexTotals totals_;
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

// `position` tells how many bytes of `in` were read.
int audit_stream(std::istream& in, std::string_view file, unsigned jobs,
                 const Auditor& auditor, Writer& writer,
                 const std::function<std::uintmax_t()>& position) {
  const std::size_t batch_size = BATCH_PER_JOB * std::max(jobs, 1u);
  std::vector<Task> batch;
  const auto flush = [&] {
    writer.write(audit_all(batch, jobs, auditor), position);
    batch.clear();
  };
  read_records(in, file, [&](std::size_t line, ReadRecord record) {
    if (writer.stopped()) return;
    batch.push_back({line, std::move(record)});
    if (batch.size() == batch_size) flush();
  });
  flush();
  return writer.finish();
}

// The size of the records' file ("-": standard input) when it is a regular
// file; none for a pipe or a terminal.
std::optional<std::uintmax_t> input_size(const std::string& path) {
  struct stat st {};
  const int got = path == "-" ? ::fstat(STDIN_FILENO, &st) : ::stat(path.c_str(), &st);
  if (got != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return static_cast<std::uintmax_t>(st.st_size);
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
  if (options.audit_format == AuditFormat::html && options.record.empty() &&
      options.output.empty()) {
    return usage_failure(
        "'jrl audit --format=html' writes one student's page; for --records "
        "it needs a folder to write the pages to (--output DIR)");
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

  const AuditOptions audit_options = audit_settings(options);
  const AuditFormat format = options.audit_format;
  const bool to_folder = !options.output.empty();
  std::optional<AuditFolder> folder;
  if (to_folder) {
    auto opened = AuditFolder::open(
        options.output, format,
        programme->title().empty() ? programme->name() : programme->title());
    if (!opened) return fail(opened.error());
    folder.emplace(std::move(*opened));
  }
  const Auditor auditor{*programme, audit_options, format,
                        format == AuditFormat::text && !to_folder &&
                            colour_enabled(options.colour, STDOUT_FILENO),
                        display_name(records_path),
                        folder ? &*folder : nullptr};
  // The bar only where nothing else is written to the terminal while it runs.
  const bool terminal = isatty(STDERR_FILENO) == 1;
  const bool bar = options.record.empty() && terminal && !options.no_progress &&
                   (to_folder || isatty(STDOUT_FILENO) != 1);
  std::optional<ProgressBar> progress;
  if (bar) progress.emplace(stderr, input_size(records_path));
  Writer writer(colour_err, format == AuditFormat::text,
                {folder ? &*folder : nullptr, progress ? &*progress : nullptr,
                 to_folder || (terminal && options.record.empty())});

  if (!options.record.empty()) {
    ReadRecord record = [&]() -> ReadRecord {
      if (records_path != "-") return load_record(records_path);
      const auto content = read_input(records_path);
      if (!content) return std::unexpected(RecordError{display_name("-"), {}, "", "", content.error()});
      return parse_record(without_bom(*content), display_name("-"));
    }();
    writer.write({auditor(Task{std::nullopt, std::move(record)})});
    return writer.finish();
  }

  if (records_path == "-") {
    // Ahead of what was parsed by at most the standard input's buffer.
    return audit_stream(std::cin, display_name("-"), options.jobs, auditor, writer, [] {
      const off_t at = ::lseek(STDIN_FILENO, 0, SEEK_CUR);
      return at < 0 ? std::uintmax_t{0} : static_cast<std::uintmax_t>(at);
    });
  }
  std::error_code error;
  if (std::filesystem::is_directory(records_path, error)) {
    return fail("cannot read " + records_path + ": it is a directory");
  }
  std::ifstream in(records_path, std::ios::binary);
  if (!in) {
    return fail("cannot read " + records_path + ": " + std::strerror(errno));
  }
  return audit_stream(in, records_path, options.jobs, auditor, writer, [&in] {
    const auto at = in.tellg();
    return at < 0 ? std::uintmax_t{0} : static_cast<std::uintmax_t>(at);
  });
}

}  // namespace jrl::cli
