// A student's record for a degree audit: the attempts at courses, the
// placements held, and the exceptions a registrar granted. Read from JSON,
// one record per file or one per line (JSON Lines) for many students.
//
//   auto record = jrl::load_record("s0001.json");
//   if (!record) std::cerr << record.error().message() << '\n';
#pragma once

#include <cstddef>
#include <expected>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace jrl {

enum class AttemptStatus { completed, in_progress, planned };

// "completed", "in-progress", "planned".
std::string_view to_string(AttemptStatus status);
// The status written so, or none.
std::optional<AttemptStatus> attempt_status(std::string_view text);

struct Attempt {
  std::string course;  // as written: "MATH 1200", "PHYS 1100L"
  std::string term;    // "2023FA"; may be empty
  std::string grade;   // may be empty (in progress, planned, or not given)
  std::optional<double> credits;  // the catalogue's credits when not given
  AttemptStatus status = AttemptStatus::completed;
  std::vector<std::string> tags;  // added to the catalogue's tags
};

// A top-level statement of the requirements file: its index among all
// top-level statements (from 0), or its description when that is unique.
struct RequirementRef {
  std::variant<std::size_t, std::string> target;
};

struct Substitution {
  RequirementRef requirement;
  std::string course;
};

struct Exceptions {
  std::vector<RequirementRef> waive;
  std::vector<Substitution> substitute;  // the course counts as a direct item
  std::vector<Substitution> block;       // the course counts nowhere in it
};

struct StudentRecord {
  std::string student;
  std::vector<std::string> placements;
  std::vector<Attempt> attempts;
  Exceptions exceptions;
};

// Why a record could not be read or audited. Every part but `reason` may be
// empty: `line` is set for JSON Lines, `student` once the record's id is
// known, `field` when the fault is in one field ("attempts[2].status").
struct RecordError {
  std::string file;
  std::optional<std::size_t> line;
  std::string student;
  std::string field;
  std::string reason;

  // One line: `records.jsonl:4: student S0004: "attempts[2].status":
  // expected one of completed, in-progress, planned, found "done"`.
  std::string message() const;
};

// Reads one record from JSON text; `file` and `line` stand for its place in
// error messages.
std::expected<StudentRecord, RecordError> parse_record(std::string_view json,
                                                       std::string_view file,
                                                       std::optional<std::size_t> line = {});

// Reads a JSON file holding one record.
std::expected<StudentRecord, RecordError> load_record(const std::filesystem::path& path);

// Reads JSON Lines: calls `each` for every line that is not blank, in order,
// with its line number (from 1) and the record or its error. One line is
// held at a time, so a file of any size is read in bounded memory. A stream
// that fails while being read gives one error for the line it stopped at.
void read_records(
    std::istream& in, std::string_view file,
    const std::function<void(std::size_t line, std::expected<StudentRecord, RecordError>)>&
        each);

}  // namespace jrl
