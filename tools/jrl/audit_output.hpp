// `jrl audit --output DIR`: one file per student in a folder, and for pages
// an index of every student, written as the reports come so that memory
// stays that of one report however many students there are.
#pragma once

#include <cstddef>
#include <cstdio>
#include <expected>
#include <filesystem>
#include <string>
#include <string_view>

#include "jrl/audit_html.hpp"
#include "options.hpp"

namespace jrl::cli {

// The folder's file extension for a format: "txt", "json" or "html".
std::string_view output_extension(AuditFormat format);

class AuditFolder {
 public:
  // Makes `dir` (and its parents) when missing; refuses a path that is not
  // a folder. Files of the folder that the run does not write stay as they
  // are; those it writes are replaced.
  static std::expected<AuditFolder, std::string> open(const std::string& dir, AuditFormat format,
                                                      std::string_view title);

  AuditFolder(AuditFolder&& other) noexcept;
  AuditFolder& operator=(AuditFolder&&) = delete;
  // Leaves the folder as it was at the last page written: the unfinished
  // index and the names' claims go.
  ~AuditFolder();

  // Writes a student's report to a temporary file of its own, for
  // write_report to name; `line` (the record's) sets it apart from the
  // others of the run. Safe to call from several threads at once.
  std::expected<std::filesystem::path, std::string> write_part(std::size_t line,
                                                               std::string_view content) const;
  // Gives the report written to `part` its name: the student's id (see
  // file_stem); the second student whose name would be the same file (the
  // same id, ids differing in case only, ids cut to the same length) gets
  // "~LINE" after it, LINE being the record's line. With an index, adds the
  // student's row, `row.href` filled in. Called in input order.
  std::expected<void, std::string> write_report(std::string_view student, std::size_t line,
                                                const std::filesystem::path& part,
                                                AuditIndexRow row);
  // Lists a record that could not be audited in the index, if there is one.
  std::expected<void, std::string> write_failure(const AuditIndexRow& row);
  // Ends the index with the totals and makes everything written durable.
  std::expected<void, std::string> finish(const AuditIndexTotals& totals);

 private:
  AuditFolder(std::filesystem::path dir, std::string extension)
      : dir_(std::move(dir)), extension_(std::move(extension)) {}

  // Whether no earlier report of this run took the name `stem` (as a file
  // system that ignores case sees it); takes it if not.
  std::expected<bool, std::string> claim(std::string_view stem);
  std::expected<void, std::string> add_row(const std::string& html);
  std::string failure(const std::filesystem::path& path, int error_number) const;
  void discard();

  std::filesystem::path dir_;
  std::string extension_;
  // The names taken so far, as entries of a private folder inside `dir_`:
  // the file system remembers them, not the process.
  std::filesystem::path claims_;
  // The index being written, under a temporary name; null without one.
  std::FILE* index_ = nullptr;
  std::filesystem::path index_part_;
};

}  // namespace jrl::cli
